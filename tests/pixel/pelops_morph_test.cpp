// Pixel operations and grey morphology on padded windows against per-pixel and brute-force
// references, and the optimised morphology filter against the portable one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ci_id/morph.h"
#include "ci_id/pelops.h"
#include "ci_id/platform/csys_runtime.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using cid_test::readWindow;
using cid_test::windowedImage;

const cmath_xformLinear kSkew{{{{1.5, 0.25}, {-0.5, 2.0}}}, {7.0, -3.0}};

// Whether a result has this window rectangle and image-from-client transform.
bool framed(const windowedImage& out, const cstd_rect32& w, const cmath_xformLinear& xform) {
    return std::memcmp(&out.image.asConst.window, &w, sizeof w) == 0 &&
           std::memcmp(&out.image.asConst.imageFromClient, &xform, sizeof xform) == 0;
}

TEST(PelArithmetic, OverlapsOfWindowsMatchAPerPixelReference) {
    for (int k = 0; k < 20; ++k) {
        // a's window starts at image (13, 23), b's at (12 + bx, 22 + by).
        const int bx = std::array{-20, -3, 0, 4, 11}[k % 5], by = std::array{-2, 0, 5, 9}[k / 5];
        windowedImage a(cid_test::randomGreyImage(11, 7, 100 + k), {3, 3, 3, 3, 5, 10, 20});
        windowedImage b(cid_test::randomGreyImage(9, 8, 200 + k),
                        {2, 2, 2, 2, 1, 10 + bx, 20 + by});
        windowedImage out(greyImage(1, 1));
        ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&a.image, &kSkew), 0);
        greyImage sum = readWindow(a.image.asConst), difference = sum;
        const greyImage gb = readWindow(b.image.asConst);
        for (int i = 0; i < 77; ++i) {
            const int x = i % 11, y = i / 11, u = x + 1 - bx, v = y + 1 - by, p = sum.at(x, y);
            if (u < 0 || v < 0 || u >= 9 || v >= 8) continue;
            sum.at(x, y) = uint8_t(std::min(p + gb.at(u, v), 255));
            difference.at(x, y) = uint8_t(std::max(p - gb.at(u, v), 0));
        }
        // Only an overlap reads the mode: these offsets put b beside or below a.
        const uint32_t mode = bx == -20 || by == 9 ? 7 : 0;
        ASSERT_EQ(cidut_ip_pelAdd8(a.get(), b.get(), &out.image, mode), 0);
        EXPECT_TRUE(readWindow(out.image.asConst) == sum &&
                    framed(out, a.image.asConst.window, kSkew));
        ASSERT_EQ(cidut_ip_pelSub8(a.get(), b.get(), &a.image, mode), 0);  // into an input
        EXPECT_EQ(readWindow(a.image.asConst), difference) << bx << "," << by;
    }
}

TEST(PelOps, MapInvertRangeTransposeAndExpandAPaddedWindow) {
    const greyImage content = cid_test::randomGreyImage(8, 5, 41, 200);
    windowedImage image(content, {2, 3, 4, 1, 3, 30, 40}), out(greyImage(1, 1));
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&image.image, &kSkew), 0);
    const cstd_rect32 w = image.image.asConst.window;  // at (32, 43) of the 14 x 9 image
    uint8_t table[256], low = 0, high = 0;
    for (int v = 0; v < 256; ++v) table[v] = uint8_t(v * 167 + 13);  // a scrambling permutation
    greyImage mapped = content, inverted = image.storage;
    for (uint8_t& v : mapped.pixels) v = table[v];
    for (int i = 0; i < 40; ++i)
        inverted.at(2 + i % 8, 3 + i / 8) = uint8_t(255 - content.at(i % 8, i / 8));
    ASSERT_EQ(cip_image8_map(&out.image, image.get(), table), 0);
    EXPECT_TRUE(readWindow(out.image.asConst) == mapped && framed(out, w, kSkew));
    ASSERT_EQ(cidut_ip_pelMinMax8(image.get(), &low, &high), 0);
    const auto range = std::minmax_element(content.pixels.begin(), content.pixels.end());
    EXPECT_TRUE(low == *range.first && high == *range.second);
    // Transposed: window pixel (c, r) at (r, c) of a zero image of the transposed image size.
    ASSERT_EQ(cidut_ip_pelTranspose8(image.get(), &out.image), 0);
    const cimg_imageConst& t = out.image.asConst;
    ASSERT_TRUE(t.width == 9 && t.height == 14 && t.xOffset == 0 && t.yOffset == 0 &&
                framed(out, {0, 0, 5, 8}, {{{{1, 0}, {0, 1}}}, {0, 0}}));
    for (int i = 0; i < 9 * 14; ++i) {
        const int x = i % 9, y = i / 9;
        ASSERT_EQ(t.pixels[y * t.pitch + x], x < 5 && y < 8 ? content.at(y, x) : 0) << i;
    }
    // Expanded: image coordinates and the client transform scale, so client points keep content.
    for (auto [fx, fy] : {std::pair{1, 1}, {3, 2}, {1, 5}, {4, 1}}) {
        ASSERT_EQ(cidut_ip_pelExpand8(image.get(), &out.image, fx, fy), 0);
        const cmath_xformLinear scaled{{{{1.5 * fx, 0.25 * fx}, {-0.5 * fy, 2.0 * fy}}},
                                       {7.0 * fx, -3.0 * fy}};
        ASSERT_TRUE(framed(out, {w.x * fx, w.y * fy, 8 * fx, 5 * fy}, scaled));
        const greyImage expanded = readWindow(out.image.asConst);
        for (int i = 0; i < 40 * fx * fy; ++i) {
            const int x = i % (8 * fx), y = i / (8 * fx);
            ASSERT_EQ(expanded.at(x, y), content.at(x / fx, y / fy));
        }
    }
    ASSERT_EQ(cidut_ip_pelInvert8(&image.image), 0);
    EXPECT_EQ(image.storage, inverted);  // in place, the padding left alone
}

int halfOf(int kernel) { return std::max(1, (kernel - 1) / 2); }

// Extremum over the rectangle of half-widths hx, hy cut to the image; the minimum is found as
// the maximum of the inverted levels.
greyImage bruteRect(const greyImage& in, int hx, int hy, bool maximum) {
    greyImage out = in;
    for (int i = 0, flip = maximum ? 0 : 255; i < in.width * in.height; ++i) {
        const int x = i % in.width, y = i / in.width;
        int best = 0;
        for (int v = std::max(0, y - hy); v <= std::min(in.height - 1, y + hy); ++v)
            for (int u = std::max(0, x - hx); u <= std::min(in.width - 1, x + hx); ++u)
                best = std::max(best, in.at(u, v) ^ flip);
        out.at(x, y) = uint8_t(best ^ flip);
    }
    return out;
}

// Kernel sides below 2 filter nothing along their axis; a side beyond the window copies it.
greyImage bruteMorph(const greyImage& in, uint32_t type, int kw, int kh) {
    if (kw > in.width || kh > in.height || (kw < 2 && kh < 2)) return in;
    const int hx = kw > 1 ? halfOf(kw) : 0, hy = kh > 1 ? halfOf(kh) : 0;
    if (type < 2) return bruteRect(in, hx, hy, type == CIDUT_MORPH_DILATE);
    const bool open = type == CIDUT_MORPH_OPEN;  // a minimum first, else a maximum
    return bruteRect(bruteRect(in, hx, hy, !open), hx, hy, open);
}

// While set, the optimisation-inhibit hook forbids the optimised filter, or its AVX2 pass.
bool portable = false;
bool noAvx2 = false;
int32_t inhibit(const wchar_t* name) {
    return (portable && std::wstring(name) == L"cidut_morph2d_run") ||
           (noAvx2 && std::wstring(name) == L"cidut_morph2d_run_avx2");
}

// The result, by the portable filter or not, in a one-pixel destination (which takes it in new
// pixels unless the window is one pixel too): it gets the source's window and client transforms.
greyImage morphed(const windowedImage& source, uint32_t type, int kw, int kh, bool portableOnly) {
    windowedImage out(greyImage(1, 1));
    cprt_isOptimizationInhibitedFP = inhibit;
    portable = portableOnly;
    EXPECT_EQ(cidut_morph2d_run(source.get(), &out.image, type, kw, kh), 0);
    portable = false;
    EXPECT_TRUE(framed(out, source.image.asConst.window, source.image.asConst.imageFromClient));
    return readWindow(out.image.asConst);
}

TEST(Morph2d, EveryKernelUpToBeyondTheWindowMatchesBruteForce) {
    const cmath_xformLinear turn{{{{0, -1}, {1, 0}}}, {5, 6}};
    for (int run = 0; run < 4; ++run) {  // optimised, portable; many levels, few
        const greyImage grey = cid_test::randomGreyImage(13, 9, 21 + run / 2, run < 2 ? 256 : 4);
        windowedImage plain(grey), padded(grey, {4, 4, 4, 4, 7, -30, 12});
        ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&padded.image, &turn), 0);
        for (int i = 0; i < 4 * 17 * 13; ++i) {  // types, then sides -1 .. 15 and -1 .. 11
            const uint32_t type = uint32_t(i / 221);
            const int kw = i / 13 % 17 - 1, kh = i % 13 - 1;
            const greyImage expected = bruteMorph(grey, type, kw, kh);
            ASSERT_EQ(morphed(plain, type, kw, kh, run % 2), expected) << run << " " << i;
            ASSERT_EQ(morphed(padded, type, kw, kh, run % 2), expected) << run << " " << i;
            if (type > 1 || kh != 1 || kw < 2 || kw > 12) continue;
            greyImage rows(13, 9);  // the row functions, which take kernels 2 .. n - 1
            for (int y = 0; y < 9; ++y)
                (type ? rowExtremaMin : rowExtremaMax)(kw, grey.row(y), rows.row(y), 13, nullptr);
            EXPECT_EQ(rows, expected) << kw;
        }
        // An unknown type runs no pass: a new image of the window, all zero.
        EXPECT_EQ(morphed(padded, 7, 3, 3, run % 2), greyImage(13, 9));
    }
}

// Window sides around the vector widths (16, 32) and the column strips, kernels from 1 to
// beyond the window: the portable filter, the SSE2 pass (AVX2 forbidden) and the pass the
// processor picks give the same pixels, through padded images at an offset.
TEST(Morph2d, VectorPassesMatchThePortableFilter) {
    const std::array<std::pair<int, int>, 9> shapes{
        {{1, 40}, {7, 5}, {16, 33}, {17, 130}, {31, 9}, {33, 64}, {70, 3}, {129, 51}, {517, 120}}};
    std::vector<std::pair<int, int>> kernels{{15, 15}, {51, 51}, {3, 15},  {51, 4},
                                             {2, 9},   {15, 1},  {1, 51},  {120, 7}};
    for (int k = 1; k <= 9; ++k) kernels.push_back({k, k});
    for (size_t s = 0; s < shapes.size(); ++s) {
        const auto [width, height] = shapes[s];
        const int side = int(s % 3), slack = int(s * 5 % 7);
        windowedImage image(cid_test::randomGreyImage(width, height, 300 + uint32_t(s),
                                                      s % 4 ? 256 : 3),
                            {side, side + 1, side, 2 - side, slack, -9, 4});
        for (size_t i = 0; i < kernels.size() * 4; ++i) {
            const auto [kw, kh] = kernels[i / 4];
            const uint32_t type = uint32_t(i % 4);
            const greyImage expected = morphed(image, type, kw, kh, true);
            noAvx2 = true;
            EXPECT_EQ(morphed(image, type, kw, kh, false), expected) << s << " " << i;
            noAvx2 = false;
            EXPECT_EQ(morphed(image, type, kw, kh, false), expected) << s << " " << i;
        }
    }
}

}  // namespace
