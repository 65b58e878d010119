// Running row extrema and rectangular grey morphology against brute-force window extrema.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ci_id/morph.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/status.h"
#include "test_support.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using cid_test::padding;
using cid_test::readWindow;
using cid_test::windowedImage;

int halfOf(int kernel) { return std::max(1, (kernel - 1) / 2); }

std::vector<uint8_t> bruteRow(const std::vector<uint8_t>& row, int kernel, bool maximum) {
    const int n = static_cast<int>(row.size());
    const int h = halfOf(kernel);
    std::vector<uint8_t> out(row.size());
    for (int p = 0; p < n; ++p) {
        auto first = row.begin() + std::max(0, p - h);
        auto last = row.begin() + std::min(n, p + h + 1);
        out[size_t(p)] = maximum ? *std::max_element(first, last) : *std::min_element(first, last);
    }
    return out;
}

// Extremum over the rectangle of half-widths hx, hy (0: that direction not filtered).
greyImage bruteRect(const greyImage& in, int hx, int hy, bool maximum) {
    greyImage out = in;
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            int best = maximum ? 0 : 255;
            for (int v = std::max(0, y - hy); v <= std::min(in.height - 1, y + hy); ++v) {
                for (int u = std::max(0, x - hx); u <= std::min(in.width - 1, x + hx); ++u) {
                    best = maximum ? std::max<int>(best, in.at(u, v))
                                   : std::min<int>(best, in.at(u, v));
                }
            }
            out.pixels[size_t(y * in.width + x)] = static_cast<uint8_t>(best);
        }
    }
    return out;
}

greyImage bruteMorph(const greyImage& in, uint32_t type, int kw, int kh) {
    if (kw > in.width || kh > in.height || (kw < 2 && kh < 2)) return in;
    const int hx = kw > 1 ? halfOf(kw) : 0;
    const int hy = kh > 1 ? halfOf(kh) : 0;
    switch (type) {
        case CIDUT_MORPH_DILATE:
            return bruteRect(in, hx, hy, true);
        case CIDUT_MORPH_ERODE:
            return bruteRect(in, hx, hy, false);
        case CIDUT_MORPH_OPEN:
            return bruteRect(bruteRect(in, hx, hy, false), hx, hy, true);
        default:
            return bruteRect(bruteRect(in, hx, hy, true), hx, hy, false);
    }
}

std::vector<uint8_t> randomRow(int n, std::mt19937& rng, int levels) {
    std::vector<uint8_t> row(size_t(n), 0);
    std::uniform_int_distribution<int> grey(0, levels - 1);
    for (auto& v : row) v = static_cast<uint8_t>(grey(rng));
    return row;
}

TEST(RowExtrema, SmallExamples) {
    const std::vector<uint8_t> row{1, 5, 2, 0, 7};
    std::vector<uint8_t> out(5);
    for (int kernel : {3, 4}) {
        ASSERT_EQ(rowExtremaMax(kernel, row.data(), out.data(), 5, nullptr), 0);
        EXPECT_EQ(out, (std::vector<uint8_t>{5, 5, 5, 7, 7}));
        ASSERT_EQ(rowExtremaMin(kernel, row.data(), out.data(), 5, nullptr), 0);
        EXPECT_EQ(out, (std::vector<uint8_t>{1, 1, 0, 0, 0}));
    }
    // A kernel of 2 reaches one sample on either side, like 3.
    ASSERT_EQ(rowExtremaMax(2, row.data(), out.data(), 5, nullptr), 0);
    EXPECT_EQ(out, (std::vector<uint8_t>{5, 5, 5, 7, 7}));
}

TEST(RowExtrema, EveryKernelMatchesBruteForceOnRandomRows) {
    std::mt19937 rng(5);
    for (int levels : {256, 3}) {
        for (int n = 3; n <= 41; n += 2 + n / 8) {
            for (int trial = 0; trial < 6; ++trial) {
                std::vector<uint8_t> row = randomRow(n, rng, levels);
                std::vector<uint8_t> out(static_cast<size_t>(n));
                for (int kernel = 2; kernel < n; ++kernel) {
                    int32_t work = -1;
                    ASSERT_EQ(rowExtremaMax(kernel, row.data(), out.data(), n, &work), 0);
                    ASSERT_EQ(out, bruteRow(row, kernel, true)) << "n " << n << " k " << kernel;
                    EXPECT_GE(work, 0);
                    EXPECT_LE(work, n);
                    ASSERT_EQ(rowExtremaMin(kernel, row.data(), out.data(), n, &work), 0);
                    ASSERT_EQ(out, bruteRow(row, kernel, false)) << "n " << n << " k " << kernel;
                    EXPECT_LE(work, n);
                }
            }
        }
    }
}

TEST(RowExtrema, WorkCountsTheEntriesDroppedFromTheQueue) {
    const int n = 250;
    std::vector<uint8_t> rising(n), flat(n, 9), out(n);
    for (int i = 0; i < n; ++i) rising[size_t(i)] = static_cast<uint8_t>(i);
    for (int kernel : {3, 9, 101, 249}) {
        const int h = halfOf(kernel);
        int32_t work = -1;
        // Each sample entering after the first window drops the one before it.
        ASSERT_EQ(rowExtremaMax(kernel, rising.data(), out.data(), n, &work), 0);
        EXPECT_EQ(work, n - 1 - h);
        // Rising samples never drop anything from a minimum's queue.
        ASSERT_EQ(rowExtremaMin(kernel, rising.data(), out.data(), n, &work), 0);
        EXPECT_EQ(work, 0);
        // Equal samples replace each other: the later one is kept.
        ASSERT_EQ(rowExtremaMin(kernel, flat.data(), out.data(), n, &work), 0);
        EXPECT_EQ(work, n - 1 - h);
        ASSERT_EQ(rowExtremaMax(kernel, flat.data(), out.data(), n, nullptr), 0);
        EXPECT_EQ(out, flat);
    }
}

TEST(RowExtrema, BrokenPreconditionsAndFailuresTouchNothing) {
    std::vector<uint8_t> row{1, 2, 3, 4, 5, 6}, out(6, 42);
    EXPECT_PRECONDITION(rowExtremaMax(1, row.data(), out.data(), 6, nullptr));
    EXPECT_PRECONDITION(rowExtremaMax(6, row.data(), out.data(), 6, nullptr));
    EXPECT_PRECONDITION(rowExtremaMin(0, row.data(), out.data(), 6, nullptr));
    EXPECT_PRECONDITION(rowExtremaMin(3, nullptr, out.data(), 6, nullptr));
    EXPECT_PRECONDITION(rowExtremaMax(3, row.data(), nullptr, 6, nullptr));
    EXPECT_PRECONDITION(rowExtremaMax(3, row.data(), row.data() + 2, 4, nullptr));
    EXPECT_EQ(out, std::vector<uint8_t>(6, 42));
    cid_test::countingAllocator counter;
    counter.failAfter(0);
    int32_t work = 7;
    EXPECT_EQ(rowExtremaMax(3, row.data(), out.data(), 6, &work), CSYS_STATUS_OUT_OF_MEMORY);
    EXPECT_EQ(work, 7);
    EXPECT_EQ(out, std::vector<uint8_t>(6, 42));
}

// Forces the portable filter for its lifetime.
class portableFilter {
public:
    portableFilter() : previous_(cprt_isOptimizationInhibitedFP) {
        cprt_isOptimizationInhibitedFP = &inhibit;
    }
    ~portableFilter() { cprt_isOptimizationInhibitedFP = previous_; }

private:
    static int32_t inhibit(const wchar_t* name) {
        return std::wstring(name) == L"cidut_morph2d_run";
    }
    cprt_optimizationInhibitedFunction previous_;
};

const uint32_t kTypes[] = {CIDUT_MORPH_DILATE, CIDUT_MORPH_ERODE, CIDUT_MORPH_OPEN,
                           CIDUT_MORPH_CLOSE};

greyImage morphed(const cimg_imageConst& source, uint32_t type, int kw, int kh) {
    cimg_image out;
    cimg_image_constructUnbound(&out);
    EXPECT_EQ(cidut_morph2d_run(&source, &out, type, kw, kh), 0);
    greyImage result = readWindow(out.asConst);
    cimg_image_destruct(&out);
    return result;
}

TEST(Morph2d, EveryKernelUpToBeyondTheWindowMatchesBruteForce) {
    for (bool portable : {false, true}) {
        std::unique_ptr<portableFilter> forced(portable ? new portableFilter : nullptr);
        for (int levels : {256, 4}) {
            greyImage content = cid_test::randomGreyImage(13, 9, 21 + levels, levels);
            windowedImage plain(content, padding{});
            windowedImage padded(content, padding{4, 4, 4, 4, 7, -30, 12});
            for (uint32_t type : kTypes) {
                for (int kw = 1; kw <= 15; ++kw) {
                    for (int kh = 1; kh <= 11; ++kh) {
                        greyImage expected = bruteMorph(content, type, kw, kh);
                        ASSERT_EQ(morphed(plain.image.asConst, type, kw, kh), expected)
                            << "type " << type << " kernel " << kw << " x " << kh;
                        ASSERT_EQ(morphed(padded.image.asConst, type, kw, kh), expected)
                            << "padded, type " << type << " kernel " << kw << " x " << kh;
                    }
                }
            }
        }
    }
}

TEST(Morph2d, OptimisedAndPortableFiltersAgreeOnRandomImages) {
    std::mt19937 rng(77);
    for (int trial = 0; trial < 60; ++trial) {
        const int width = 1 + int(rng() % 150), height = 1 + int(rng() % 150);
        greyImage content = cid_test::randomGreyImage(width, height, rng(), trial % 3 ? 256 : 5);
        const int32_t border = int32_t(rng() % 4);
        windowedImage image(content,
                            padding{border, border, border, border, int32_t(rng() % 9), 3, -3});
        const uint32_t type = kTypes[rng() % 4];
        const int kw = 1 + int(rng() % uint32_t(width + 2)),
                  kh = 1 + int(rng() % uint32_t(height + 2));
        greyImage fast = morphed(image.image.asConst, type, kw, kh);
        portableFilter forced;
        ASSERT_EQ(morphed(image.image.asConst, type, kw, kh), fast)
            << width << " x " << height << " type " << type << " kernel " << kw << " x " << kh;
    }
}

TEST(Morph2d, LargerImagesAndWideKernels) {
    greyImage content = cid_test::randomGreyImage(157, 93, 4);
    windowedImage padded(content, padding{3, 3, 3, 3, 1, 9, 9});
    for (uint32_t type : kTypes) {
        for (auto kernel : {std::pair{3, 3}, std::pair{15, 4}, std::pair{2, 51}, std::pair{157, 93},
                            std::pair{156, 1}}) {
            EXPECT_EQ(morphed(padded.image.asConst, type, kernel.first, kernel.second),
                      bruteMorph(content, type, kernel.first, kernel.second))
                << "type " << type << " kernel " << kernel.first << " x " << kernel.second;
        }
    }
}

// Refuses every block above a size, so that only the optimised kernel's working memory fails.
class smallBlocksOnly {
public:
    explicit smallBlocksOnly(size_t limit)
        : limit_(limit),
          record_{&alloc, &release, this},
          previous_(csys_memory_setAllocator(&record_)) {}
    ~smallBlocksOnly() { csys_memory_setAllocator(previous_); }
    int refused = 0;

private:
    static void* alloc(void* context, size_t bytes, size_t alignment) {
        auto* self = static_cast<smallBlocksOnly*>(context);
        if (bytes > self->limit_) {
            ++self->refused;
            return nullptr;
        }
        return self->previous_->alloc(self->previous_->context, bytes, alignment);
    }
    static void release(void* context, void* block) {
        auto* self = static_cast<smallBlocksOnly*>(context);
        self->previous_->free(self->previous_->context, block);
    }
    size_t limit_;
    csys_allocator record_;
    const csys_allocator* previous_;
};

TEST(Morph2d, WithoutMemoryForTheOptimisedKernelThePortableOneWorks) {
    greyImage content = cid_test::randomGreyImage(300, 200, 19);
    windowedImage source(content, padding{});
    smallBlocksOnly limit(65536);
    EXPECT_EQ(morphed(source.image.asConst, CIDUT_MORPH_CLOSE, 15, 9),
              bruteMorph(content, CIDUT_MORPH_CLOSE, 15, 9));
    EXPECT_GT(limit.refused, 0);
}

TEST(Morph2d, ClosingFillsAHoleAndOpeningRemovesASpot) {
    greyImage flat{7, 7, std::vector<uint8_t>(49, 100)};
    greyImage hole = flat;
    hole.pixels[24] = 3;
    windowedImage dark(hole, padding{});
    EXPECT_EQ(morphed(dark.image.asConst, CIDUT_MORPH_CLOSE, 3, 3), flat);
    greyImage spot = flat;
    spot.pixels[24] = 250;
    windowedImage bright(spot, padding{2, 2, 2, 2});
    EXPECT_EQ(morphed(bright.image.asConst, CIDUT_MORPH_OPEN, 3, 3), flat);
}

TEST(Morph2d, ResultWindowAndTransformsFollowTheSource) {
    greyImage content = cid_test::randomGreyImage(10, 8, 12);
    windowedImage source(content, padding{3, 3, 3, 3, 2, -7, 40});
    cmath_xformLinear xform{{{{0, -1}, {1, 0}}}, {5, 6}};
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&source.image, &xform), 0);
    cimg_image out;
    cimg_image_constructUnbound(&out);
    ASSERT_EQ(cidut_morph2d_run(&source.image.asConst, &out, CIDUT_MORPH_ERODE, 3, 5), 0);
    EXPECT_EQ(out.asConst.window.x, source.image.asConst.window.x);
    EXPECT_EQ(out.asConst.window.y, source.image.asConst.window.y);
    EXPECT_EQ(out.asConst.window.width, 10);
    EXPECT_EQ(out.asConst.window.height, 8);
    EXPECT_EQ(out.asConst.imageFromClient.matrix.element[0][1], -1);
    EXPECT_EQ(out.asConst.imageFromClient.trans.x, 5);
    EXPECT_EQ(out.asConst.clientFromImage.matrix.element[0][1], 1);
    cimg_image_destruct(&out);
}

TEST(Morph2d, ALargeEnoughDestinationReceivesTheResultInPlace) {
    greyImage content = cid_test::randomGreyImage(10, 8, 13);
    windowedImage source(content, padding{3, 3, 3, 3, 2, 50, 60});
    // Same size as the source's whole image, its own frame at (0, 0), a small window.
    windowedImage destination(cid_test::randomGreyImage(16, 14, 14), padding{});
    ASSERT_EQ(cimg_image_window(&destination.image, 1, 1, 2, 2), 0);
    const std::vector<uint8_t> before = destination.storage.pixels;
    const unsigned char* pixels = destination.image.asConst.pixels;
    ASSERT_EQ(
        cidut_morph2d_run(&source.image.asConst, &destination.image, CIDUT_MORPH_DILATE, 5, 3), 0);
    EXPECT_EQ(destination.image.asConst.pixels, pixels);
    EXPECT_EQ(destination.image.asConst.xOffset, 50);
    EXPECT_EQ(destination.image.asConst.window.x, 53);
    EXPECT_EQ(destination.image.asConst.window.y, 63);
    EXPECT_EQ(readWindow(destination.image.asConst), bruteMorph(content, CIDUT_MORPH_DILATE, 5, 3));
    for (int32_t y = 0; y < 14; ++y) {
        for (int32_t x = 0; x < 16; ++x) {
            if (x >= 3 && x < 13 && y >= 3 && y < 11) continue;
            ASSERT_EQ(destination.storage.pixels[size_t(y * 16 + x)], before[size_t(y * 16 + x)]);
        }
    }
}

TEST(Morph2d, SourceAndDestinationSharingPixelsGiveTheSameResult) {
    greyImage content = cid_test::randomGreyImage(12, 9, 15);
    for (uint32_t type : kTypes) {
        greyImage expected = bruteMorph(content, type, 5, 3);
        {  // one record as both
            windowedImage image(content, padding{2, 2, 2, 2, 1});
            ASSERT_EQ(cidut_morph2d_run(&image.image.asConst, &image.image, type, 5, 3), 0);
            EXPECT_EQ(readWindow(image.image.asConst), expected);
        }
        {  // a second record of the same pixels, window on the whole image
            windowedImage image(content, padding{2, 2, 2, 2, 1});
            cimg_image other;
            cimg_image_constructCopy(&other, &image.image);
            ASSERT_EQ(cimg_image_setEntire(&other), 0);
            ASSERT_EQ(cidut_morph2d_run(&image.image.asConst, &other, type, 5, 3), 0);
            EXPECT_EQ(readWindow(other.asConst), expected);
            cimg_image_destruct(&other);
        }
        {  // the same memory seen one pixel further on: some pixels shared, not all
            windowedImage image(content, padding{2, 2, 2, 2, 1});
            cimg_image shifted;
            const intptr_t pitch = image.image.asConst.pitch;
            ASSERT_EQ(cimg_image_constructWrap(&shifted, CIMG_DEPTH_8U, 15, 12, pitch,
                                               image.storage.pixels.data() + 1),
                      0);
            ASSERT_EQ(cidut_morph2d_run(&image.image.asConst, &shifted, type, 5, 3), 0);
            EXPECT_EQ(readWindow(shifted.asConst), expected);
            cimg_image_destruct(&shifted);
        }
    }
}

TEST(Morph2d, BadInputGivesAStatusAndLeavesTheDestinationAlone) {
    windowedImage source(cid_test::randomGreyImage(6, 6, 16), padding{});
    windowedImage destination(cid_test::randomGreyImage(4, 4, 17), padding{1, 1, 1, 1});
    const greyImage before = readWindow(destination.image.asConst);
    const cimg_image record = destination.image;
    auto unchanged = [&] {
        EXPECT_EQ(readWindow(destination.image.asConst), before);
        EXPECT_EQ(destination.image.asConst.window.x, record.asConst.window.x);
        EXPECT_EQ(destination.image.asConst.xOffset, record.asConst.xOffset);
    };
    const cimg_imageConst* in = &source.image.asConst;
    cimg_image unbound;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(cidut_morph2d_run(&unbound.asConst, &destination.image, 0, 3, 3),
              CIMG_STATUS_NOT_BOUND);
    cimg_image wide;
    ASSERT_EQ(cimg_image_construct(&wide, CIMG_DEPTH_32S, 6, 6), 0);
    EXPECT_EQ(cidut_morph2d_run(&wide.asConst, &destination.image, 0, 3, 3),
              CIMG_STATUS_INVALID_IMAGE);
    unchanged();
    EXPECT_PRECONDITION(cidut_morph2d_run(nullptr, &destination.image, 0, 3, 3));
    EXPECT_PRECONDITION(cidut_morph2d_run(in, nullptr, 0, 3, 3));
    cimg_image_destruct(&wide);
}

TEST(Morph2d, AllocationFailuresReleaseEverything) {
    windowedImage source(cid_test::randomGreyImage(9, 7, 18), padding{1, 1, 1, 1, 1});
    for (uint32_t type : kTypes) {
        for (bool portable : {false, true}) {
            std::unique_ptr<portableFilter> forced(portable ? new portableFilter : nullptr);
            for (long allowed = 0;; ++allowed) {
                cid_test::countingAllocator counter;
                counter.failAfter(allowed);
                cimg_image out;
                cimg_image_constructUnbound(&out);
                int32_t status = cidut_morph2d_run(&source.image.asConst, &out, type, 3, 3);
                const bool failed = counter.failures() > 0;
                if (failed) {
                    EXPECT_EQ(status, CSYS_STATUS_OUT_OF_MEMORY);
                    int32_t bound = 1;
                    cimg_image_getIsBound(&out, &bound);
                    EXPECT_EQ(bound, 0);
                } else {
                    EXPECT_EQ(status, 0);
                }
                cimg_image_destruct(&out);
                EXPECT_EQ(counter.live(), 0);
                if (!failed) break;
            }
        }
    }
}

}  // namespace
