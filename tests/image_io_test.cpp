// Image files: exact round trips, colour and depth conversion, and refusal of broken streams.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image_io.h"

namespace {

using cid_test::greyImage;
using cid_test::imageIoError;

// Every level, in a pattern that is not constant along rows or columns, with row slack.
greyImage allLevels(int32_t width, int32_t height) {
    greyImage image(width, height, 0, width + 5);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) image.at(x, y) = static_cast<uint8_t>(x * 7 + y * 13);
    }
    return image;
}

std::string tempPath(const std::string& name) { return testing::TempDir() + "ci_id_" + name; }

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

greyImage decodePgmText(const std::string& text) {
    const std::vector<uint8_t> bytes = bytesOf(text);
    return cid_test::decodePgm(bytes.data(), bytes.size());
}

// Writes colour samples as a PNG through libpng, for the reader to turn into grey.
std::vector<uint8_t> colourPng(png_uint_32 format, const std::vector<uint8_t>& samples,
                               png_uint_32 width) {
    png_image record;
    std::memset(&record, 0, sizeof record);
    record.version = PNG_IMAGE_VERSION;
    record.width = width;
    record.height = 1;
    record.format = format;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&record, nullptr, &size, 0, samples.data(), 0, nullptr));
    std::vector<uint8_t> bytes(size);
    EXPECT_TRUE(
        png_image_write_to_memory(&record, bytes.data(), &size, 0, samples.data(), 0, nullptr));
    bytes.resize(size);
    return bytes;
}

TEST(ImageIo, PngAndPgmRoundTripEveryLevelThroughFiles) {
    const greyImage image = allLevels(301, 77);
    cid_test::writePng(image, tempPath("levels.png"));
    cid_test::writePgm(image, tempPath("levels.pgm"));
    for (const char* name : {"levels.png", "levels.pgm"}) {
        const greyImage back = cid_test::readImage(tempPath(name));
        EXPECT_EQ(back.pitch, 301);
        EXPECT_TRUE(cid_test::samePixels(back, image)) << name;
        std::remove(tempPath(name).c_str());
    }
}

TEST(ImageIo, JpegKeepsAGreyImageCloseAtHighQuality) {
    greyImage image(64, 48);
    for (int32_t y = 0; y < 48; ++y) {
        for (int32_t x = 0; x < 64; ++x) image.at(x, y) = static_cast<uint8_t>(40 + 2 * x + y);
    }
    const std::vector<uint8_t> bytes = cid_test::encodeJpeg(image, 95);
    const greyImage back = cid_test::decodeImage(bytes.data(), bytes.size());
    ASSERT_EQ(back.width, 64);
    ASSERT_EQ(back.height, 48);
    int worst = 0;
    for (int32_t y = 0; y < 48; ++y) {
        for (int32_t x = 0; x < 64; ++x)
            worst = std::max(worst, std::abs(back.at(x, y) - image.at(x, y)));
    }
    EXPECT_LE(worst, 3);
    EXPECT_THROW(cid_test::encodeJpeg(image, 0), imageIoError);
    EXPECT_THROW(cid_test::encodeJpeg(greyImage(), 90), imageIoError);
}

TEST(ImageIo, ColourPngBecomesLumaAndAlphaIsComposedOnWhite) {
    const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 77, 77, 77};
    const std::vector<uint8_t> png = colourPng(PNG_FORMAT_RGB, rgb, 5);
    const greyImage grey = cid_test::decodePng(png.data(), png.size());
    ASSERT_EQ(grey.width, 5);
    // (299 R + 587 G + 114 B + 500) / 1000
    EXPECT_EQ(grey.at(0, 0), 76);
    EXPECT_EQ(grey.at(1, 0), 150);
    EXPECT_EQ(grey.at(2, 0), 29);
    EXPECT_EQ(grey.at(3, 0), 18);
    EXPECT_EQ(grey.at(4, 0), 77);

    const std::vector<uint8_t> greyAlpha = {0, 255, 0, 0, 0, 128, 100, 255};
    const std::vector<uint8_t> composed = colourPng(PNG_FORMAT_GA, greyAlpha, 4);
    const greyImage onWhite = cid_test::decodePng(composed.data(), composed.size());
    EXPECT_EQ(onWhite.at(0, 0), 0);
    EXPECT_EQ(onWhite.at(1, 0), 255);
    EXPECT_EQ(onWhite.at(2, 0), 127);  // half-transparent black over white
    EXPECT_EQ(onWhite.at(3, 0), 100);
}

TEST(ImageIo, DeepSamplesAreScaledWithRounding) {
    // Sixteen-bit PNG: 0, 32896 (128 * 257) and 65535.
    const std::vector<uint16_t> deep = {0, 32896, 65535};
    png_image record;
    std::memset(&record, 0, sizeof record);
    record.version = PNG_IMAGE_VERSION;
    record.width = 3;
    record.height = 1;
    record.format = PNG_FORMAT_LINEAR_Y;
    png_alloc_size_t size = 0;
    ASSERT_TRUE(png_image_write_to_memory(&record, nullptr, &size, 0, deep.data(), 0, nullptr));
    std::vector<uint8_t> png(size);
    ASSERT_TRUE(png_image_write_to_memory(&record, png.data(), &size, 0, deep.data(), 0, nullptr));
    const greyImage fromPng = cid_test::decodePng(png.data(), size);
    EXPECT_EQ(fromPng.at(0, 0), 0);
    EXPECT_EQ(fromPng.at(1, 0), 128);
    EXPECT_EQ(fromPng.at(2, 0), 255);

    // PGM with maxval 15 and 65535, header comments included.
    const greyImage small =
        decodePgmText(std::string("P5 # four levels\n3 1\n15\n") + std::string{0, 7, 15});
    EXPECT_EQ(small.at(0, 0), 0);
    EXPECT_EQ(small.at(1, 0), 119);  // 7 * 255 / 15
    EXPECT_EQ(small.at(2, 0), 255);
    const greyImage wide = decodePgmText(std::string("P5\n2#c\n1\n65535\n") +
                                         std::string{'\x80', '\x00', '\xff', '\xff'});
    EXPECT_EQ(wide.width, 2);
    EXPECT_EQ(wide.at(0, 0), 128);  // 32768 * 255 / 65535 = 127.502, rounded
    EXPECT_EQ(wide.at(1, 0), 255);
}

TEST(ImageIo, BrokenStreamsThrowAndSayWhy) {
    auto pgmError = [](const std::string& text) {
        try {
            decodePgmText(text);
        } catch (const imageIoError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(pgmError("P5\n2 2\n255\nabc").find("ends early"), std::string::npos);
    EXPECT_NE(pgmError("P2\n1 1\n255\n0").find("P5"), std::string::npos);
    EXPECT_NE(pgmError("P5\n2\n").find("height"), std::string::npos);
    EXPECT_NE(pgmError("P5\n0 2\n255\n").find("empty"), std::string::npos);
    EXPECT_NE(pgmError("P5\n2 1\n0\n\1\1").find("maxval"), std::string::npos);
    EXPECT_NE(pgmError("P5\n2 1\n9\n\1\12").find("above maxval"), std::string::npos);
    EXPECT_NE(pgmError("P5\n2x 1\n255\n\1\1").find("junk"), std::string::npos);
    EXPECT_NE(pgmError("P5\n100000 100000\n255\n").find("too large"), std::string::npos);
    EXPECT_NE(pgmError("P5\n99999999999 1\n255\n").find("too large"), std::string::npos);

    const greyImage image = allLevels(40, 30);
    std::vector<uint8_t> png = cid_test::encodePng(image);
    const std::vector<uint8_t> cut(png.begin(), png.begin() + static_cast<long>(png.size()) / 2);
    EXPECT_THROW(cid_test::decodePng(cut.data(), cut.size()), imageIoError);
    png[png.size() / 2] ^= 0x55;  // inside the compressed data: its checksum no longer agrees
    EXPECT_THROW(cid_test::decodePng(png.data(), png.size()), imageIoError);

    const std::vector<uint8_t> jpeg = cid_test::encodeJpeg(image, 90);
    const std::vector<uint8_t> jpegCut(jpeg.begin(),
                                       jpeg.begin() + static_cast<long>(jpeg.size()) / 2);
    EXPECT_THROW(cid_test::decodeJpeg(jpegCut.data(), jpegCut.size()), imageIoError);
    const std::vector<uint8_t> notJpeg = {0xFF, 0xD8, 0xFF, 0x00, 0x01, 0x02};
    EXPECT_THROW(cid_test::decodeImage(notJpeg.data(), notJpeg.size()), imageIoError);

    const std::vector<uint8_t> unknown = bytesOf("GIF89a");
    EXPECT_THROW(cid_test::decodeImage(unknown.data(), unknown.size()), imageIoError);
    EXPECT_THROW(cid_test::decodeImage(nullptr, 0), imageIoError);
    EXPECT_THROW(cid_test::readImage(tempPath("no_such_file.png")), imageIoError);
    EXPECT_THROW(cid_test::encodePng(greyImage()), imageIoError);
}

}  // namespace
