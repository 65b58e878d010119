// Floating-point transforms: direct and radix-2 against an independent DFT, every output form,
// windows inside padded images, spectrum rearrangements and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ci_id/fft.h"
#include "ci_id/status.h"
#include "reference_dft.h"
#include "test_support.h"

namespace {

using cid_test::complexd;

// An image record released at the end of the test.
struct heldImage {
    cimg_image image;
    heldImage() { cimg_image_constructUnbound(&image); }
    ~heldImage() { cimg_image_destruct(&image); }
    const cimg_imageConst* c() const { return &image.asConst; }
    double at(int x, int y) const {
        cimg_windowConst w;
        cimg_windowConst_init(&w, c());
        return reinterpret_cast<const double*>(w.pixels + y * w.pitch)[x];
    }
    void set(int x, int y, double v) {
        cimg_window w;
        cimg_window_init(&w, &image);
        reinterpret_cast<double*>(w.pixels + y * w.pitch)[x] = v;
    }
};

// width x height random bytes, alone (padding 0) or as the window of a larger image.
void makeByteImage(heldImage& held, const std::vector<uint8_t>& pixels, int width, int height,
                   int padding) {
    ASSERT_EQ(cimg_image_construct(&held.image, CIMG_DEPTH_8U, width + 2 * padding + 3,
                                   height + 2 * padding),
              0);
    for (int y = 0; y < height + 2 * padding; ++y) {
        for (int x = 0; x < width + 2 * padding + 3; ++x) {
            held.image.asConst.pixels[y * held.image.asConst.pitch + x] = uint8_t(7 * x + 3 * y);
        }
    }
    ASSERT_EQ(cimg_image_window(&held.image, padding, padding, width, height), 0);
    cimg_window w;
    cimg_window_init(&w, &held.image);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) w.pixels[y * w.pitch + x] = pixels[y * width + x];
    }
}

double relativeError(const std::vector<complexd>& value, const std::vector<complexd>& reference) {
    double worst = 0, largest = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        worst = std::max(worst, std::abs(value[i] - reference[i]));
        largest = std::max(largest, std::abs(reference[i]));
    }
    return worst / largest;
}

std::vector<complexd> toComplex(const std::vector<uint8_t>& bytes) {
    return std::vector<complexd>(bytes.begin(), bytes.end());
}

TEST(DirectDFT, RowMatchesTheReference) {
    for (int n : {1, 7, 16, 45, 128}) {
        auto pixels = cid_test::randomBytes(n, n);
        std::vector<double> re(n), im(n, 99.0);
        ASSERT_EQ(cfRowDFT(pixels.data(), re.data(), im.data(), n), 0);
        auto reference = cid_test::referenceDft(toComplex(pixels), -1);
        std::vector<complexd> value;
        for (int k = 0; k < n; ++k) value.emplace_back(re[k], im[k]);
        EXPECT_LT(relativeError(value, reference), 1e-12) << n;
        std::vector<double> imOnly(n);
        ASSERT_EQ(cfRowDFT(pixels.data(), nullptr, imOnly.data(), n), 0);
        EXPECT_EQ(imOnly, im);
    }
    std::vector<uint8_t> constant(10, 9);
    std::vector<double> re(10), im(10);
    cfRowDFT(constant.data(), re.data(), im.data(), 10);
    EXPECT_DOUBLE_EQ(re[0], 90.0);
    for (int k = 1; k < 10; ++k) EXPECT_NEAR(std::hypot(re[k], im[k]), 0.0, 1e-12);
    EXPECT_PRECONDITION(cfRowDFT(nullptr, re.data(), im.data(), 10));
}

TEST(DirectDFT, TwoDimensionalAndMagnitudeMatchTheReference) {
    const int w = 20, h = 12;
    auto pixels = cid_test::randomBytes(w * h, 5);
    std::vector<double> re(w * h), im(w * h);
    ASSERT_EQ(cf2DDFT(pixels.data(), h, w, re.data(), im.data()), 0);
    auto reference = cid_test::referenceDft2D(toComplex(pixels), h, w, -1);
    std::vector<complexd> value;
    for (int i = 0; i < w * h; ++i) value.emplace_back(re[i], im[i]);
    EXPECT_LT(relativeError(value, reference), 1e-12);

    // Strided rows in and out.
    std::vector<uint8_t> strided(h * (w + 5), 77);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) strided[y * (w + 5) + x] = pixels[y * w + x];
    }
    std::vector<double> out(h * (w + 3), -1.0);
    ASSERT_EQ(cf2DPowerSpectrum(strided.data(), w + 5, h, w, out.data(), w + 3), 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            ASSERT_NEAR(out[y * (w + 3) + x], std::abs(reference[y * w + x]),
                        1e-12 * std::abs(reference[0]));
        }
        EXPECT_EQ(out[y * (w + 3) + w], -1.0);
    }
}

TEST(DirectDFT, ImageSpectraOnWindowsAndLimits) {
    const int w = 16, h = 10;
    auto pixels = cid_test::randomBytes(w * h, 8);
    auto reference = cid_test::referenceDft2D(toComplex(pixels), h, w, -1);
    for (int padding : {0, 4}) {
        heldImage source;
        makeByteImage(source, pixels, w, h, padding);
        heldImage full, viaCopy, limited;
        ASSERT_EQ(cfPelPowerSpectrum(source.c(), &full.image), 0);
        ASSERT_EQ(cfPowerSpectrum(source.c(), &viaCopy.image), 0);
        ASSERT_EQ(cfLimitedPelPowerSpectrum(source.c(), 3, 2, &limited.image), 0);
        for (int v = 0; v < h; ++v) {
            for (int u = 0; u < w; ++u) {
                double expected = std::abs(reference[v * w + u]);
                ASSERT_NEAR(full.at(u, v), expected, 1e-9 * std::abs(reference[0]));
                ASSERT_EQ(viaCopy.at(u, v), full.at(u, v));
                bool kept = (u < 3 || u >= w - 3) && (v < 2 || v >= h - 2);
                ASSERT_EQ(limited.at(u, v), kept ? full.at(u, v) : 0.0) << u << " " << v;
            }
        }
        // A bound destination is written in its window and nowhere else.
        heldImage bound;
        ASSERT_EQ(cimg_image_construct(&bound.image, CIMG_DEPTH_64F, w + 4, h + 4), 0);
        ASSERT_EQ(cimg_image_window(&bound.image, 2, 2, w, h), 0);
        ASSERT_EQ(cfPelPowerSpectrum(source.c(), &bound.image), 0);
        EXPECT_EQ(bound.at(0, 0), full.at(0, 0));
        cimg_image_setEntire(&bound.image);
        EXPECT_EQ(bound.at(0, 0), 0.0);
        EXPECT_EQ(bound.at(w + 2, h + 2), 0.0);
    }
}

// Every output form of the radix-2 transform against the reference.
void checkPelFFT(const std::vector<uint8_t>& pixels, int w, int h, int rowsOnly) {
    std::vector<complexd> reference;
    if (rowsOnly) {
        for (int y = 0; y < h; ++y) {
            std::vector<complexd> row(pixels.begin() + y * w, pixels.begin() + (y + 1) * w);
            row = cid_test::referenceDft(row, -1);
            reference.insert(reference.end(), row.begin(), row.begin() + w / 2);
        }
    } else {
        reference = cid_test::referenceDft2D(toComplex(pixels), h, w, -1);
    }
    const int count = rowsOnly ? w / 2 : w;
    for (int padding : {0, 3}) {
        heldImage source;
        makeByteImage(source, pixels, w, h, padding);
        for (int mode = 0; mode < 4; ++mode) {
            heldImage out;
            ASSERT_EQ(cfPelFFT(source.c(), &out.image, mode, rowsOnly), 0);
            ASSERT_EQ(out.image.asConst.width, mode == 0 ? 2 * count : count);
            ASSERT_EQ(out.image.asConst.height, h);
            std::vector<complexd> value, expected;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < count; ++x) {
                    complexd r = reference[y * count + x];
                    double power = std::norm(r);
                    if (mode == 0) {
                        value.emplace_back(out.at(2 * x, y), out.at(2 * x + 1, y));
                        expected.push_back(r);
                    } else if (mode == 1) {
                        value.emplace_back(out.at(x, y));
                        expected.emplace_back(std::sqrt(power));
                    } else if (mode == 2) {
                        value.emplace_back(out.at(x, y));
                        expected.emplace_back(power);
                    } else {
                        // The six-digit twiddle seeds hold the transform to about 1e-5 of
                        // its scale, the DC value.
                        ASSERT_NEAR(out.at(x, y), std::log(power + 1e-10),
                                    4e-5 * std::abs(reference[0]) / std::sqrt(power + 1e-10));
                    }
                }
            }
            if (mode < 3) {
                EXPECT_LT(relativeError(value, expected), 1e-5) << mode << " " << rowsOnly;
            }
        }
    }
}

TEST(RadixTwoFFT, EveryOutputModeMatchesTheDirectDft) {
    checkPelFFT(cid_test::randomBytes(32 * 16, 1), 32, 16, 0);
    checkPelFFT(cid_test::randomBytes(8 * 64, 2), 8, 64, 0);
    checkPelFFT(cid_test::randomBytes(64 * 48, 3), 64, 48, 1);
    checkPelFFT(cid_test::randomBytes(1024 * 2, 4), 1024, 2, 0);
}

TEST(RadixTwoFFT, PowerSpectrumWithCallerWork) {
    const int w = 32, h = 8;
    auto pixels = cid_test::randomBytes(w * h, 9);
    heldImage source, expected, out;
    makeByteImage(source, pixels, w, h, 2);
    ASSERT_EQ(cfPelFFT(source.c(), &expected.image, 2, 0), 0);
    std::vector<double> work(2 * w * h);
    ASSERT_EQ(cimg_image_construct(&out.image, CIMG_DEPTH_64F, 3, 3), 0);
    ASSERT_EQ(cidut_2dFFTPwrSpec_win8_(source.c(), work.data(), 2 * w * h, &out.image), 0);
    ASSERT_EQ(out.image.asConst.width, w);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) ASSERT_EQ(out.at(x, y), expected.at(x, y));
    }
    EXPECT_PRECONDITION(cidut_2dFFTPwrSpec_win8_(source.c(), work.data(), w * h, &out.image));
}

TEST(RadixTwoFFT, BadSizesModesAndImages) {
    heldImage source, out, unbound;
    makeByteImage(source, cid_test::randomBytes(48 * 48, 1), 48, 48, 0);
    EXPECT_EQ(cfPelFFT(source.c(), &out.image, 1, 0), CID_STATUS_NOT_POWER_OF_TWO);
    std::vector<double> work(2 * 48 * 48);
    EXPECT_EQ(cidut_2dFFTPwrSpec_win8_(source.c(), work.data(), 2 * 48 * 48, &out.image),
              CID_STATUS_NOT_POWER_OF_TWO);
    ASSERT_EQ(cimg_image_window(&source.image, 0, 0, 32, 48), 0);
    EXPECT_EQ(cfPelFFT(source.c(), &out.image, 1, 1), 0);  // rows only: any height
    EXPECT_EQ(out.image.asConst.width, 16);
    EXPECT_EQ(cfPelFFT(source.c(), &out.image, 4, 0), CID_STATUS_INVALID_VALUE);
    EXPECT_EQ(cfPelFFT(source.c(), &out.image, 1, 2), CID_STATUS_INVALID_VALUE);
    ASSERT_EQ(cimg_image_window(&source.image, 0, 0, 0, 32), 0);
    EXPECT_EQ(cfPelFFT(source.c(), &out.image, 1, 1), CID_STATUS_NOT_POWER_OF_TWO);

    heldImage wide;
    makeByteImage(wide, std::vector<uint8_t>(2048 * 2, 1), 2048, 2, 0);
    EXPECT_EQ(cfPelFFT(wide.c(), &out.image, 1, 1), CID_STATUS_OUT_OF_RANGE);
    heldImage tall;
    makeByteImage(tall, std::vector<uint8_t>(2 * 2048, 1), 2, 2048, 0);
    EXPECT_EQ(cfPelFFT(tall.c(), &out.image, 1, 0), CID_STATUS_OUT_OF_RANGE);
    heldImage rows;
    EXPECT_EQ(cfPelFFT(tall.c(), &rows.image, 1, 1), 0);

    EXPECT_EQ(cfPelFFT(unbound.c(), &out.image, 1, 0), CID_STATUS_IMAGE_NOT_BOUND);
    EXPECT_EQ(cfPelPowerSpectrum(unbound.c(), &out.image), CID_STATUS_IMAGE_NOT_BOUND);
    EXPECT_EQ(cfPowerSpectrumShift(unbound.c(), &out.image), CID_STATUS_IMAGE_NOT_BOUND);
    EXPECT_EQ(cfFFTShift(unbound.c(), &out.image), CID_STATUS_IMAGE_NOT_BOUND);
    EXPECT_EQ(cfViewableFFT(unbound.c(), &out.image), CID_STATUS_IMAGE_NOT_BOUND);
    EXPECT_EQ(cidut_2dFFTPwrSpec_win8_(unbound.c(), work.data(), 0, &out.image),
              CID_STATUS_IMAGE_NOT_BOUND);

    heldImage doubles, small8;
    ASSERT_EQ(cimg_image_construct(&doubles.image, CIMG_DEPTH_64F, 8, 8), 0);
    EXPECT_EQ(cfPelFFT(doubles.c(), &out.image, 1, 0), CID_STATUS_INVALID_IMAGE);
    EXPECT_EQ(cfViewableFFT(source.c(), &out.image), CID_STATUS_INVALID_IMAGE);
    ASSERT_EQ(cimg_image_construct(&small8.image, CIMG_DEPTH_8U, 8, 8), 0);
    EXPECT_EQ(cfPelPowerSpectrum(small8.c(), &small8.image), CID_STATUS_INVALID_IMAGE);
    heldImage tooSmall;
    ASSERT_EQ(cimg_image_construct(&tooSmall.image, CIMG_DEPTH_64F, 7, 8), 0);
    EXPECT_EQ(cfPelPowerSpectrum(small8.c(), &tooSmall.image), CID_STATUS_INVALID_IMAGE);
    EXPECT_EQ(cfLimitedPelPowerSpectrum(small8.c(), -1, 2, &out.image), CID_STATUS_OUT_OF_RANGE);
    EXPECT_PRECONDITION(cfPelFFT(nullptr, &out.image, 1, 0));
}

TEST(RadixTwoFFT, ZeroImageInLogModeAndAllocationFailure) {
    heldImage source, out;
    makeByteImage(source, std::vector<uint8_t>(16 * 4, 0), 16, 4, 0);
    ASSERT_EQ(cfPelFFT(source.c(), &out.image, 3, 0), 0);
    EXPECT_EQ(out.at(5, 2), std::log(1e-10));
    cid_test::countingAllocator counter;
    counter.failAfter(0);
    heldImage failed;
    EXPECT_EQ(cfPelFFT(source.c(), &failed.image, 3, 0), CSYS_STATUS_OUT_OF_MEMORY);
    counter.failAfter(1);  // the work buffer succeeds, the result image fails
    EXPECT_EQ(cfPelFFT(source.c(), &failed.image, 3, 0), CSYS_STATUS_OUT_OF_MEMORY);
    int32_t bound = 1;
    cimg_image_getIsBound(&failed.image, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(counter.live(), 0);
}

void fillDoubles(heldImage& held, int w, int h) {
    ASSERT_EQ(cimg_image_construct(&held.image, CIMG_DEPTH_64F, w, h), 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) held.set(x, y, 100.0 * y + x);
    }
}

TEST(SpectrumLayout, QuadrantShiftTwiceRestoresEvenImages) {
    heldImage source, once, twice;
    fillDoubles(source, 6, 4);
    ASSERT_EQ(cfPowerSpectrumShift(source.c(), &once.image), 0);
    EXPECT_EQ(once.at(3, 2), 0.0);    // (0, 0) moved to the centre
    EXPECT_EQ(once.at(0, 0), 203.0);  // bottom-right quadrant to the top left
    ASSERT_EQ(cfPowerSpectrumShift(once.c(), &twice.image), 0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) ASSERT_EQ(twice.at(x, y), source.at(x, y));
    }
    // In place, through the same record.
    ASSERT_EQ(cfPowerSpectrumShift(once.c(), &once.image), 0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) ASSERT_EQ(once.at(x, y), source.at(x, y));
    }
    heldImage odd, oddShifted;
    fillDoubles(odd, 5, 3);
    ASSERT_EQ(cfPowerSpectrumShift(odd.c(), &oddShifted.image), 0);
    EXPECT_EQ(oddShifted.at(2, 1), 0.0);
    EXPECT_EQ(oddShifted.at(0, 0), 102.0);
    EXPECT_EQ(oddShifted.at(4, 0), 0.0);  // the last column is not written
    EXPECT_EQ(oddShifted.at(0, 2), 0.0);
}

TEST(SpectrumLayout, HalfShiftAndViewableImage) {
    heldImage source, shifted;
    fillDoubles(source, 6, 4);
    ASSERT_EQ(cfFFTShift(source.c(), &shifted.image), 0);
    ASSERT_EQ(shifted.image.asConst.width, 3);
    ASSERT_EQ(shifted.image.asConst.height, 4);
    EXPECT_EQ(shifted.at(1, 0), 201.0);
    EXPECT_EQ(shifted.at(2, 3), 102.0);

    heldImage view;
    ASSERT_EQ(cfViewableFFT(source.c(), &view.image), 0);
    cimg_windowConst w;
    cimg_windowConst_init(&w, view.c());
    EXPECT_EQ(w.depth, CIMG_DEPTH_8U);
    EXPECT_EQ(w.pixels[0], 0);
    EXPECT_EQ(w.pixels[3 * w.pitch + 5], 255);
    EXPECT_EQ(w.pixels[1 * w.pitch + 2], uint8_t(102.0 * 255.0 / 305.0));
    heldImage constant, constantView;
    ASSERT_EQ(cimg_image_construct(&constant.image, CIMG_DEPTH_64F, 4, 4), 0);
    constant.set(1, 1, std::nan(""));
    ASSERT_EQ(cfViewableFFT(constant.c(), &constantView.image), 0);
    cimg_windowConst_init(&w, constantView.c());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(w.pixels[i * w.pitch + i], 0);
}

}  // namespace
