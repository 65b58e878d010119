// Reading and writing grey images: PNG, JPEG and binary PGM (P5) in, PNG, PGM and JPEG out; colour
// PNG out for annotated pictures.
//
// Colour images become grey with the Rec. 601 luma weights on the stored values,
// (299 R + 587 G + 114 B) / 1000 rounded, which is also what a JPEG's Y channel holds; an alpha
// channel is composed onto white, since symbols saved with a transparent background are printed
// on white. Samples deeper than 8 bits are scaled to 0..255 with rounding. Every failure, from a
// missing file to a truncated or corrupt stream, throws imageIoError with a message that says
// what went wrong; no partial image is returned.
//
//     cid_tools::greyImage image = cid_tools::readImage("tests/data/samples/datamatrix_000.png");
//     cid_tools::writePng(image, "/tmp/copy.png");
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "grey_image.h"

namespace cid_tools {

struct imageIoError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Images with more pixels than this are refused before any pixel memory is taken, so that a
// corrupt header cannot ask for gigabytes.
constexpr int64_t kMaxImagePixels = int64_t{1} << 28;

// An 8-bit RGB image for drawing on: rows of 3 * width bytes, red, green, blue.
struct rgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;

    rgbImage() = default;
    // The grey image in colour, every level mapped through `shade` (a table of 256).
    rgbImage(const greyImage& grey, const uint8_t* shade);
    uint8_t* at(int32_t x, int32_t y) {
        return pixels.data() + 3 * (size_t(y) * size_t(width) + size_t(x));
    }
};

std::vector<uint8_t> readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// The format is told by the first bytes: PNG signature, JPEG start-of-image marker, or "P5".
greyImage decodeImage(const uint8_t* data, size_t size);
greyImage decodePng(const uint8_t* data, size_t size);
greyImage decodeJpeg(const uint8_t* data, size_t size);
greyImage decodePgm(const uint8_t* data, size_t size);

// Eight-bit grey PNG; the image must not be empty.
std::vector<uint8_t> encodePng(const greyImage& image);
// Eight-bit RGB PNG; the image must not be empty.
std::vector<uint8_t> encodePng(const rgbImage& image);
// P5 with maxval 255.
std::vector<uint8_t> encodePgm(const greyImage& image);
// Baseline grey JPEG; quality 1 .. 100. Useful for scenes with compression artefacts.
std::vector<uint8_t> encodeJpeg(const greyImage& image, int quality);

greyImage readImage(const std::string& path);
void writePng(const greyImage& image, const std::string& path);
void writePng(const rgbImage& image, const std::string& path);
void writePgm(const greyImage& image, const std::string& path);
void writeJpeg(const greyImage& image, const std::string& path, int quality);

}  // namespace cid_tools
