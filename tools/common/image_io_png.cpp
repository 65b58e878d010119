// PNG through libpng. libpng reports errors by longjmp, so every call that may fail runs in a
// small stage function that holds nothing with a destructor; the structs are released by a
// holder in the caller, and pixel memory is taken between the stages.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "image_io.h"

namespace cid_tools {

namespace {

struct pngSource {
    const uint8_t* data;
    size_t size;
    size_t position;
    char message[256];
};

void onPngError(png_structp png, png_const_charp text) {
    auto* source = static_cast<pngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", text);
    png_longjmp(png, 1);
}

void ignorePngWarning(png_structp, png_const_charp) {}

void readPngBytes(png_structp png, png_bytep out, size_t count) {
    auto* source = static_cast<pngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->position) png_error(png, "data ends early");
    std::memcpy(out, source->data + source->position, count);
    source->position += count;
}

class pngReader {
public:
    explicit pngReader(pngSource* source) {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, source, onPngError, ignorePngWarning);
        if (png) info = png_create_info_struct(png);
        if (!png || !info) throw imageIoError("PNG: out of memory");
        png_set_read_fn(png, source, readPngBytes);
    }
    ~pngReader() { png_destroy_read_struct(&png, &info, nullptr); }
    pngReader(const pngReader&) = delete;
    pngReader& operator=(const pngReader&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

struct pngLayout {
    png_uint_32 width;
    png_uint_32 height;
    int channels;
    size_t rowBytes;
};

// Asks for 8-bit samples whatever the file holds: palettes and grey below 8 bits expanded,
// transparency as an alpha channel, 16-bit samples scaled with rounding.
bool readPngHeader(const pngReader& reader, pngLayout* layout) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_read_info(reader.png, reader.info);
    png_set_expand(reader.png);
    png_set_scale_16(reader.png);
    png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    layout->width = png_get_image_width(reader.png, reader.info);
    layout->height = png_get_image_height(reader.png, reader.info);
    layout->channels = png_get_channels(reader.png, reader.info);
    layout->rowBytes = png_get_rowbytes(reader.png, reader.info);
    return true;
}

bool readPngRows(const pngReader& reader, png_bytepp rows) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_read_image(reader.png, rows);
    png_read_end(reader.png, nullptr);
    return true;
}

uint8_t lumaOf(const uint8_t* rgb) {
    return static_cast<uint8_t>((299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000);
}

uint8_t overWhite(uint32_t grey, uint32_t alpha) {
    return static_cast<uint8_t>((grey * alpha + 255 * (255 - alpha) + 127) / 255);
}

uint8_t greyOfSample(const uint8_t* sample, int channels) {
    switch (channels) {
        case 1:
            return sample[0];
        case 2:
            return overWhite(sample[0], sample[1]);
        case 3:
            return lumaOf(sample);
        default:
            return overWhite(lumaOf(sample), sample[3]);
    }
}

}  // namespace

greyImage decodePng(const uint8_t* data, size_t size) {
    pngSource source{data, size, 0, "unknown error"};
    pngReader reader(&source);
    pngLayout layout{};
    if (!readPngHeader(reader, &layout)) throw imageIoError(std::string("PNG: ") + source.message);
    if (layout.width == 0 || layout.height == 0) throw imageIoError("PNG: empty image");
    if (int64_t{layout.width} * layout.height > kMaxImagePixels) {
        throw imageIoError("PNG: image too large");
    }
    if (layout.channels < 1 || layout.channels > 4 ||
        layout.rowBytes != size_t{layout.width} * static_cast<size_t>(layout.channels)) {
        throw imageIoError("PNG: unexpected sample layout");
    }
    std::vector<uint8_t> samples(layout.rowBytes * layout.height);
    std::vector<png_bytep> rows(layout.height);
    for (png_uint_32 y = 0; y < layout.height; ++y) rows[y] = samples.data() + y * layout.rowBytes;
    if (!readPngRows(reader, rows.data()))
        throw imageIoError(std::string("PNG: ") + source.message);

    greyImage image(static_cast<int32_t>(layout.width), static_cast<int32_t>(layout.height));
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* sample = rows[y];
        for (int32_t x = 0; x < image.width; ++x, sample += layout.channels) {
            image.at(x, y) = greyOfSample(sample, layout.channels);
        }
    }
    return image;
}

namespace {

std::vector<uint8_t> encode(int32_t width, int32_t height, intptr_t stride, png_uint_32 format,
                            const uint8_t* pixels) {
    if (width <= 0 || height <= 0) throw imageIoError("PNG: empty image");
    if (stride > INT32_MAX) throw imageIoError("PNG: row pitch too large");
    png_image record;
    std::memset(&record, 0, sizeof record);
    record.version = PNG_IMAGE_VERSION;
    record.width = static_cast<png_uint_32>(width);
    record.height = static_cast<png_uint_32>(height);
    record.format = format;
    png_alloc_size_t size = 0;
    const auto rowStride = static_cast<png_int_32>(stride);
    if (!png_image_write_to_memory(&record, nullptr, &size, 0, pixels, rowStride, nullptr)) {
        throw imageIoError(std::string("PNG: ") + record.message);
    }
    std::vector<uint8_t> bytes(size);
    if (!png_image_write_to_memory(&record, bytes.data(), &size, 0, pixels, rowStride, nullptr)) {
        throw imageIoError(std::string("PNG: ") + record.message);
    }
    bytes.resize(size);
    return bytes;
}

}  // namespace

std::vector<uint8_t> encodePng(const greyImage& image) {
    return encode(image.width, image.height, image.pitch, PNG_FORMAT_GRAY, image.pixels.data());
}

std::vector<uint8_t> encodePng(const rgbImage& image) {
    return encode(image.width, image.height, 3 * intptr_t{image.width}, PNG_FORMAT_RGB,
                  image.pixels.data());
}

}  // namespace cid_tools
