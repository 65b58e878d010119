// Transforms against an independent double DFT of the documented scaling: the direct, limited and
// radix-2 floating transforms on windows of padded images in every output form, spectrum
// layouts, the 32- and 16-bit fixed-point transforms both ways, the padded 1-D spectrum, statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "ci_id/fft.h"
#include "ci_id/status.h"
#include "reference_dft.h"

namespace {

using cid_test::complexd;
using cid_test::referenceDft2D;
using cid_test::signalToNoiseDb;
using complexes = std::vector<complexd>;

struct heldImage {
    cimg_image image;
    heldImage() { cimg_image_constructUnbound(&image); }
    ~heldImage() { cimg_image_destruct(&image); }
    const cimg_imageConst* c() const { return &image.asConst; }
    double& at(int x, int y) {  // of a double image that is all window
        return reinterpret_cast<double*>(image.asConst.pixels + y * image.asConst.pitch)[x];
    }
};

// Random bytes as the window of an image whose padding and row slack hold other values.
std::vector<uint8_t> byteImage(heldImage& held, int width, int height, uint32_t seed) {
    const std::vector<uint8_t> pixels = cid_test::randomBytes(size_t(width) * height, seed);
    cimg_image_destruct(&held.image);  // a held image may be refilled
    EXPECT_EQ(cimg_image_construct(&held.image, CIMG_DEPTH_8U, width + 7, height + 6), 0);
    std::memset(held.image.asConst.pixels, 0x5A, size_t(held.image.asConst.pitch) * (height + 6));
    EXPECT_EQ(cimg_image_window(&held.image, 3, 3, width, height), 0);
    cimg_window w;
    cimg_window_init(&w, &held.image);
    for (int y = 0; y < height; ++y) std::copy_n(&pixels[y * width], width, w.pixels + y * w.pitch);
    return pixels;
}

TEST(FloatingFFT, DirectLimitedAndRadixTwoTransformsMatchTheReference) {
    const int w = 20, h = 12;
    heldImage source, full, limited;
    const std::vector<uint8_t> pixels = byteImage(source, w, h, 5);
    const complexes reference = referenceDft2D({pixels.begin(), pixels.end()}, h, w, -1);
    std::vector<double> re(w * h), im(w * h);
    complexes value;
    ASSERT_EQ(cf2DDFT(pixels.data(), h, w, re.data(), im.data()), 0);
    for (int i = 0; i < w * h; ++i) value.emplace_back(re[i], im[i]);
    EXPECT_GT(signalToNoiseDb(value, reference), 250.0);
    ASSERT_EQ(cfPelPowerSpectrum(source.c(), &full.image), 0);
    ASSERT_EQ(cfLimitedPelPowerSpectrum(source.c(), 3, 2, &limited.image), 0);
    for (int i = 0; i < w * h; ++i) {
        const int u = i % w, v = i / w;
        ASSERT_NEAR(full.at(u, v), std::abs(reference[i]), 1e-9 * std::abs(reference[0]));
        // The limited spectrum keeps columns u < 3, u >= w - 3 and in them rows v < 2, v >= h - 2.
        const bool kept = (u < 3 || u >= w - 3) && (v < 2 || v >= h - 2);
        ASSERT_EQ(limited.at(u, v), kept ? full.at(u, v) : 0.0) << u << " " << v;
    }
    // Radix 2: each output form, of 2-D transforms and of rows alone (frequencies below W / 2,
    // here of a one-row image).
    const std::tuple<int, int, int> sizes[] = {{32, 16, 0}, {8, 64, 0}, {1024, 2, 0}, {64, 1, 1}};
    for (auto [w, h, rowsOnly] : sizes) {
        const std::vector<uint8_t> pixels = byteImage(source, w, h, uint32_t(w + h));
        const complexes reference = referenceDft2D({pixels.begin(), pixels.end()}, h, w, -1);
        const int count = rowsOnly ? w / 2 : w;
        for (int mode = 0; mode < 4; ++mode) {
            heldImage out;
            ASSERT_EQ(cfPelFFT(source.c(), &out.image, mode, rowsOnly), 0);
            ASSERT_EQ(out.image.asConst.width, mode ? count : 2 * count);
            complexes value, expected;
            for (int i = 0; i < count * h; ++i) {
                const int x = i % count, y = i / count;
                const double power = std::norm(reference[i]);
                value.push_back(mode ? complexd(out.at(x, y))
                                     : complexd(out.at(2 * x, y), out.at(2 * x + 1, y)));
                const double forms[4] = {0, std::sqrt(power), power, std::log(power + 1e-10)};
                expected.push_back(mode ? complexd(forms[mode]) : reference[i]);
            }
            // The twiddles grow from six-digit seeds: about 1e-6 of the signal at 1024 points.
            EXPECT_GT(signalToNoiseDb(value, expected), 85.0) << w << " " << mode;
        }
    }
}

TEST(FloatingFFT, SpectrumLayoutsTheViewableImageAndStatuses) {
    heldImage source, once, twice, view, square, out;
    ASSERT_EQ(cimg_image_construct(&source.image, CIMG_DEPTH_64F, 6, 4), 0);
    for (int i = 0; i < 24; ++i) source.at(i % 6, i / 6) = 100.0 * (i / 6) + i % 6;
    ASSERT_EQ(cfPowerSpectrumShift(source.c(), &once.image), 0);
    EXPECT_TRUE(once.at(3, 2) == 0 && once.at(0, 0) == 203);    // (0, 0) to the centre
    ASSERT_EQ(cfPowerSpectrumShift(once.c(), &once.image), 0);  // in place, back again
    for (int i = 0; i < 24; ++i) EXPECT_EQ(once.at(i % 6, i / 6), source.at(i % 6, i / 6));
    ASSERT_EQ(cfViewableFFT(source.c(), &view.image), 0);  // trunc((v - min) * 255 / (max - min))
    cimg_windowConst w;
    cimg_windowConst_init(&w, view.c());
    EXPECT_TRUE(w.depth == CIMG_DEPTH_8U && w.pixels[0] == 0 && w.pixels[3 * w.pitch + 5] == 255);
    EXPECT_EQ(w.pixels[2 * w.pitch + 3], 169);  // 203 * 255 / 305 = 169.7
    byteImage(square, 48, 48, 1);
    EXPECT_EQ(cfPelFFT(square.c(), &out.image, 1, 0), CID_STATUS_NOT_POWER_OF_TWO);
    EXPECT_EQ(cfPelFFT(source.c(), &out.image, 1, 0), CID_STATUS_INVALID_IMAGE);
    EXPECT_EQ(cfFFTShift(twice.c(), &out.image), CID_STATUS_IMAGE_NOT_BOUND);
    ASSERT_EQ(cimg_image_window(&square.image, 0, 0, 32, 48), 0);
    EXPECT_EQ(cfPelFFT(square.c(), &out.image, 4, 1), CID_STATUS_INVALID_VALUE);
    EXPECT_EQ(cfPelFFT(square.c(), &out.image, 1, 1), 0);  // rows alone may have any height
}

// ---- Fixed point ---------------------------------------------------------------------------

int log2Of(int n) { return int(std::log2(n)); }

// The pixel scale of the 32-bit transforms, floor(2^(31 - log2 W) / 255).
double scale32(int width) { return double((1u << (31 - log2Of(width))) / 255u); }

// The index of [v][u] of an uncentred spectrum in a centred one.
size_t centred(int v, int u, int h, int w) { return size_t((v + h / 2) % h) * w + (u + w / 2) % w; }

TEST(FixedFFT32, ForwardAndInverseMatchTheScaledDft) {
    const int sizes[][2] = {{32, 32}, {64, 64}, {128, 128}, {256, 256}, {64, 32}, {32, 128}};
    for (const auto& [w, h] : sizes) {
        const std::vector<uint8_t> pixels = cid_test::randomBytes(size_t(w) * h, uint32_t(w * h));
        std::vector<cf_fixedComplex32> spectrum(pixels.size());
        // Square blocks centred: frequency (0, 0) at [h/2][w/2].
        ASSERT_EQ(cf2DFFT_32x32_fixed(w == h, 0, pixels.data(), spectrum.data(), w, h, 0, 0), 0);
        complexes input, value;
        for (int i = 0; i < w * h; ++i) {
            const cf_fixedComplex32 c = spectrum[w == h ? centred(i / w, i % w, h, w) : i];
            input.push_back(pixels[i] * scale32(w) / h), value.emplace_back(c.re, c.im);
        }
        EXPECT_GT(signalToNoiseDb(value, referenceDft2D(input, h, w, -1)), 60.0) << w << " x " << h;
        // Forward then inverse gives (p s W) >> 10, to within a quarter grey level.
        std::vector<int32_t> image(pixels.size());
        int32_t negative = -1;
        ASSERT_EQ(cf2DIFFT_32x32_fixed(w == h, spectrum.data(), image.data(), w, h, &negative), 0);
        const double unit = scale32(w) * w / 1024.0;
        for (size_t i = 0; i < pixels.size(); ++i) ASSERT_NEAR(image[i] / unit, pixels[i], 0.25);
        EXPECT_TRUE(negative >= 0 && negative < unit / 4);  // the most negative value's size
    }
}

TEST(FixedFFT, ExactValuesAndUnsupportedSizes) {
    std::vector<uint8_t> pixels(32 * 32, 255);
    std::vector<uint16_t> pixels16(32 * 32, 255);
    std::vector<cf_fixedComplex32> spectrum(pixels.size());
    std::vector<cf_fixedComplex16> spectrum16(pixels.size());
    ASSERT_EQ(cf2DFFT_32x32_fixed(1, 5, pixels.data(), spectrum.data(), 32, 32, 0, 0), 0);
    EXPECT_EQ(spectrum[16 * 32 + 16].re, 2147483520 >> 5);  // centred, shifted right by 5, only DC
    ASSERT_EQ(cf2DFFT_16x16_fixed(pixels16.data(), spectrum16.data(), 32), 0);
    EXPECT_EQ(spectrum16[16 * 32 + 16].re, 8192);  // every size keeps the headroom of 32 x 32
    uint32_t power[32];
    for (int bad : {0, 16, 48, 1024}) {
        EXPECT_EQ(cf2DFFT_32x32_fixed(0, 0, pixels.data(), spectrum.data(), 32, bad, 0, 0),
                  CID_STATUS_NOT_AVAILABLE);
        EXPECT_EQ(cf1DFFT_32x32_fixed(pixels.data(), 10, power, bad), CID_STATUS_NOT_AVAILABLE);
    }
    EXPECT_EQ(cf1DFFT_32x32_fixed(pixels.data(), 33, power, 32), CID_STATUS_OUT_OF_RANGE);
}

TEST(FixedFFT16, InverseGivesThePowerOfTheScaledDft) {
    for (int n : {32, 64, 128, 256}) {
        // A random uncentred spectrum within the headroom; each radix-4 stage halves.
        const std::vector<uint8_t> bytes = cid_test::randomBytes(2 * size_t(n) * n, uint32_t(n));
        std::vector<cf_fixedComplex16> spectrum(n * n);
        std::vector<uint16_t> image(n * n);
        complexes input(n * n);
        const double gain = std::ldexp(1.0, -(log2Of(n) - 1) / 2 * 2);
        for (int i = 0; i < n * n; ++i) {
            const int re = 16 * (bytes[2 * i] - 128), im = 16 * (bytes[2 * i + 1] - 128);
            spectrum[i] = {int16_t(re), int16_t(im)}, input[i] = complexd(re, im) * gain;
        }
        ASSERT_EQ(cf2DIFFT_16x16_fixed(spectrum.data(), image.data(), n), 0);
        const complexes reference = referenceDft2D(input, n, n, +1);
        for (int i = 0; i < n * n; ++i) {  // ((re >> 8)^2 + (im >> 8)^2) >> 8
            const int32_t a = int32_t(std::floor(reference[i].real())) >> 8,
                          b = int32_t(std::floor(reference[i].imag())) >> 8;
            // Rounding may move a or b by one unit across a multiple of 256.
            ASSERT_LE(std::abs(image[i] - ((a * a + b * b) >> 8)),
                      ((2 * (std::abs(a) + std::abs(b)) + 2) >> 8) + 1);
        }
    }
}

TEST(FixedFFT1D, PowerSpectrumOfARowPaddedWithItsLastPixel) {
    for (int n : {32, 64, 128, 256, 512}) {
        const int count = n - 7;
        const std::vector<uint8_t> pixels = cid_test::randomBytes(size_t(count), uint32_t(n));
        std::vector<uint32_t> power(n, 12345);
        ASSERT_EQ(cf1DFFT_32x32_fixed(pixels.data(), count, power.data(), n), 0);
        complexes input(n);
        for (int i = 0; i < n; ++i) input[i] = pixels[std::min(i, count - 1)] * scale32(n);
        const complexes reference = cid_test::referenceDft(input, -1);
        const double unit = std::ldexp(1.0, log2Of(n) + 13);
        EXPECT_EQ(power[0], 0u);
        for (int k = 1; k < n; ++k)  // one unit of truncation in each part
            ASSERT_NEAR(power[k], std::norm(reference[k] / unit),
                        3 * std::abs(reference[k]) / unit + 2);
    }
}

}  // namespace
