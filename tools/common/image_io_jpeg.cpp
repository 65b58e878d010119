// JPEG through libjpeg. As with PNG, errors arrive by longjmp, so the calls that may fail run in
// stage functions holding nothing with a destructor.
#include <cstdio>  // jpeglib.h needs FILE declared first

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>

#include "image_io.h"

namespace cid_tools {

namespace {

struct jpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool endedEarly;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<jpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings are mostly harmless (stray bytes before a marker), but a stream cut short is decoded
// with grey filler by libjpeg: that one is remembered and turned into an error.
void onJpegMessage(j_common_ptr info, int level) {
    auto* errors = reinterpret_cast<jpegErrors*>(info->err);
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) errors->endedEarly = true;
}

jpeg_error_mgr* installErrors(jpegErrors* errors) {
    jpeg_error_mgr* manager = jpeg_std_error(&errors->manager);
    manager->error_exit = onJpegError;
    manager->emit_message = onJpegMessage;
    errors->endedEarly = false;
    errors->message[0] = '\0';
    return manager;
}

struct jpegDecoder {
    jpegDecoder() { info.err = installErrors(&errors); }
    ~jpegDecoder() { jpeg_destroy_decompress(&info); }
    jpegDecoder(const jpegDecoder&) = delete;
    jpegDecoder& operator=(const jpegDecoder&) = delete;

    jpeg_decompress_struct info{};
    jpegErrors errors{};
};

bool startDecoding(jpegDecoder& decoder, const uint8_t* data, size_t size) {
    if (setjmp(decoder.errors.jump)) return false;
    jpeg_create_decompress(&decoder.info);
    jpeg_mem_src(&decoder.info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&decoder.info, TRUE);
    decoder.info.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&decoder.info);
    return true;
}

bool decodeRows(jpegDecoder& decoder, greyImage* image) {
    if (setjmp(decoder.errors.jump)) return false;
    while (decoder.info.output_scanline < decoder.info.output_height) {
        JSAMPROW row = image->row(static_cast<int32_t>(decoder.info.output_scanline));
        jpeg_read_scanlines(&decoder.info, &row, 1);
    }
    jpeg_finish_decompress(&decoder.info);
    return true;
}

struct jpegEncoder {
    jpegEncoder() { info.err = installErrors(&errors); }
    ~jpegEncoder() {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
    jpegEncoder(const jpegEncoder&) = delete;
    jpegEncoder& operator=(const jpegEncoder&) = delete;

    jpeg_compress_struct info{};
    jpegErrors errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

bool encodeRows(jpegEncoder& encoder, const greyImage& image, int quality) {
    if (setjmp(encoder.errors.jump)) return false;
    jpeg_create_compress(&encoder.info);
    jpeg_mem_dest(&encoder.info, &encoder.buffer, &encoder.size);
    encoder.info.image_width = static_cast<JDIMENSION>(image.width);
    encoder.info.image_height = static_cast<JDIMENSION>(image.height);
    encoder.info.input_components = 1;
    encoder.info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&encoder.info);
    jpeg_set_quality(&encoder.info, quality, TRUE);
    jpeg_start_compress(&encoder.info, TRUE);
    while (encoder.info.next_scanline < encoder.info.image_height) {
        auto row =
            const_cast<JSAMPROW>(image.row(static_cast<int32_t>(encoder.info.next_scanline)));
        jpeg_write_scanlines(&encoder.info, &row, 1);
    }
    jpeg_finish_compress(&encoder.info);
    return true;
}

}  // namespace

greyImage decodeJpeg(const uint8_t* data, size_t size) {
    jpegDecoder decoder;
    if (!startDecoding(decoder, data, size)) {
        throw imageIoError(std::string("JPEG: ") + decoder.errors.message);
    }
    const JDIMENSION width = decoder.info.output_width;
    const JDIMENSION height = decoder.info.output_height;
    if (width == 0 || height == 0) throw imageIoError("JPEG: empty image");
    if (int64_t{width} * height > kMaxImagePixels) throw imageIoError("JPEG: image too large");
    if (decoder.info.output_components != 1) throw imageIoError("JPEG: not converted to grey");
    greyImage image(static_cast<int32_t>(width), static_cast<int32_t>(height));
    if (!decodeRows(decoder, &image)) {
        throw imageIoError(std::string("JPEG: ") + decoder.errors.message);
    }
    if (decoder.errors.endedEarly) throw imageIoError("JPEG: data ends early");
    return image;
}

std::vector<uint8_t> encodeJpeg(const greyImage& image, int quality) {
    if (image.width <= 0 || image.height <= 0) throw imageIoError("JPEG: empty image");
    if (quality < 1 || quality > 100) throw imageIoError("JPEG: quality outside 1..100");
    jpegEncoder encoder;
    if (!encodeRows(encoder, image, quality)) {
        throw imageIoError(std::string("JPEG: ") + encoder.errors.message);
    }
    return std::vector<uint8_t>(encoder.buffer, encoder.buffer + encoder.size);
}

}  // namespace cid_tools
