// File access, format dispatch and the PGM codec. PNG and JPEG live in their own files.
#include "image_io.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace cid_tools {

namespace {

constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kJpegStart[] = {0xFF, 0xD8, 0xFF};

bool startsWith(const uint8_t* data, size_t size, const uint8_t* prefix, size_t length) {
    return size >= length && std::memcmp(data, prefix, length) == 0;
}

bool isPgmSpace(uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads the header of a P5 file: whitespace-separated decimal numbers, with '#' comments running
// to the end of their line wherever whitespace may stand.
class pgmHeader {
public:
    pgmHeader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    int32_t number(const char* what) {
        skipSpaceAndComments();
        if (position_ == size_ || data_[position_] < '0' || data_[position_] > '9') {
            throw imageIoError(std::string("PGM: expected the ") + what);
        }
        int64_t value = 0;
        while (position_ < size_ && data_[position_] >= '0' && data_[position_] <= '9') {
            value = value * 10 + (data_[position_++] - '0');
            if (value > INT32_MAX) throw imageIoError(std::string("PGM: ") + what + " too large");
        }
        if (position_ < size_ && !isPgmSpace(data_[position_]) && data_[position_] != '#') {
            throw imageIoError(std::string("PGM: junk after the ") + what);
        }
        return static_cast<int32_t>(value);
    }

    // The raster starts after exactly one whitespace byte following the maxval.
    size_t rasterStart() {
        if (position_ == size_ || !isPgmSpace(data_[position_])) {
            throw imageIoError("PGM: no whitespace before the raster");
        }
        return position_ + 1;
    }

private:
    void skipSpaceAndComments() {
        while (position_ < size_) {
            if (isPgmSpace(data_[position_])) {
                ++position_;
            } else if (data_[position_] == '#') {
                while (position_ < size_ && data_[position_] != '\n' && data_[position_] != '\r') {
                    ++position_;
                }
            } else {
                return;
            }
        }
    }

    const uint8_t* data_;
    size_t size_;
    size_t position_ = 2;
};

}  // namespace

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw imageIoError(path + ": cannot open");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    if (file.bad()) throw imageIoError(path + ": read error");
    return bytes;
}

void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) throw imageIoError(path + ": cannot create");
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw imageIoError(path + ": write error");
}

greyImage decodeImage(const uint8_t* data, size_t size) {
    if (startsWith(data, size, kPngSignature, sizeof kPngSignature)) return decodePng(data, size);
    if (startsWith(data, size, kJpegStart, sizeof kJpegStart)) return decodeJpeg(data, size);
    if (size >= 2 && data[0] == 'P' && data[1] == '5') return decodePgm(data, size);
    throw imageIoError("not a PNG, JPEG or binary PGM stream");
}

greyImage decodePgm(const uint8_t* data, size_t size) {
    if (size < 2 || data[0] != 'P' || data[1] != '5') throw imageIoError("PGM: no P5 magic");
    pgmHeader header(data, size);
    const int32_t width = header.number("width");
    const int32_t height = header.number("height");
    const int32_t maxValue = header.number("maxval");
    const size_t start = header.rasterStart();
    if (width == 0 || height == 0) throw imageIoError("PGM: empty image");
    if (int64_t{width} * height > kMaxImagePixels) throw imageIoError("PGM: image too large");
    if (maxValue < 1 || maxValue > 65535) throw imageIoError("PGM: maxval outside 1..65535");
    const size_t sampleBytes = maxValue < 256 ? 1 : 2;
    const size_t rasterBytes =
        static_cast<size_t>(width) * static_cast<size_t>(height) * sampleBytes;
    if (rasterBytes > size - start) throw imageIoError("PGM: data ends early");

    greyImage image(width, height);
    const uint8_t* sample = data + start;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = image.row(y);
        for (int32_t x = 0; x < width; ++x, sample += sampleBytes) {
            const uint32_t value = sampleBytes == 1 ? sample[0] : (sample[0] << 8 | sample[1]);
            if (value > static_cast<uint32_t>(maxValue)) {
                throw imageIoError("PGM: sample above maxval");
            }
            row[x] = static_cast<uint8_t>((value * 255 + maxValue / 2) / maxValue);
        }
    }
    return image;
}

std::vector<uint8_t> encodePgm(const greyImage& image) {
    const std::string header =
        "P5\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.reserve(bytes.size() + static_cast<size_t>(image.width) * image.height);
    for (int32_t y = 0; y < image.height; ++y) {
        bytes.insert(bytes.end(), image.row(y), image.row(y) + image.width);
    }
    return bytes;
}

greyImage readImage(const std::string& path) {
    const std::vector<uint8_t> bytes = readFileBytes(path);
    try {
        return decodeImage(bytes.data(), bytes.size());
    } catch (const imageIoError& error) {
        throw imageIoError(path + ": " + error.what());
    }
}

void writePng(const greyImage& image, const std::string& path) {
    writeFileBytes(path, encodePng(image));
}

void writePng(const rgbImage& image, const std::string& path) {
    writeFileBytes(path, encodePng(image));
}

rgbImage::rgbImage(const greyImage& grey, const uint8_t* shade)
    : width(grey.width), height(grey.height), pixels(3 * size_t(width) * size_t(height)) {
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = at(x, y);
            p[0] = p[1] = p[2] = shade[grey.at(x, y)];
        }
    }
}

void writePgm(const greyImage& image, const std::string& path) {
    writeFileBytes(path, encodePgm(image));
}

void writeJpeg(const greyImage& image, const std::string& path, int quality) {
    writeFileBytes(path, encodeJpeg(image, quality));
}

}  // namespace cid_tools
