// ID edge tables and detectors against the magnitude and direction formulas computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "ci_id/edgeid.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/status.h"
#include "test_support.h"
#include "view.h"

namespace {

using cid_test::greyImage;
using cid_test::padding;
using cid_test::readWindow;
using cid_test::windowedImage;

const double kPi = std::acos(-1.0);

int refMagnitude(int a, int b) {
    return int(std::lround(std::min(2.0 * std::sqrt(double(a * a + b * b)), 255.0)));
}

// Base-table direction: an eighth of a turn below the gradient angle, in 256ths of a turn.
int refTableDirection(int a, int b, bool variant1) {
    double t = std::atan2(double(b), double(a)) - kPi / 4;
    if (t < 0) t += 2 * kPi;
    int d = int(std::lround(t * 128.0 / kPi)) & 255;
    return variant1 && d == 255 ? 0 : d;
}

int refOutput(int a, int b, int threshold, bool roberts) {
    if (refMagnitude(a, b) < threshold) return 255;
    int d = refTableDirection(a, b, true);
    return roberts ? d : (d + 32) & 255;
}

struct pair {
    int a, b;
};

// Gradient pair at (x, y) of a grey function.
pair sobelAt(const std::function<int(int, int)>& p, int x, int y) {
    int a = ((p(x + 1, y - 1) - p(x - 1, y - 1)) + 2 * (p(x + 1, y) - p(x - 1, y)) +
             (p(x + 1, y + 1) - p(x - 1, y + 1))) >>
            3;
    int b = ((p(x - 1, y + 1) - p(x - 1, y - 1)) + 2 * (p(x, y + 1) - p(x, y - 1)) +
             (p(x + 1, y + 1) - p(x + 1, y - 1))) >>
            3;
    return {a, b};
}
pair robertsAt(const std::function<int(int, int)>& p, int x, int y) {
    return {(p(x + 1, y) - p(x, y + 1)) >> 1, (p(x + 1, y + 1) - p(x, y)) >> 1};
}

std::vector<uint8_t> idTable(uint8_t threshold) {
    cstd_vector8 table;
    EXPECT_EQ(cstd_vector_8_constructEmpty(&table), 0);
    EXPECT_EQ(cf_EdgeDetectIDTableInit(&table, threshold), 0);
    const uint8_t* begin = nullptr;
    intptr_t size = 0;
    EXPECT_EQ(cstd_vector_8_getBeginSizeIntPtrConst(&table, &begin, &size), 0);
    std::vector<uint8_t> copy(begin, begin + size);
    cstd_vector_8_destruct(&table);
    return copy;
}

void expectIdTable(const std::vector<uint8_t>& table, int threshold) {
    ASSERT_EQ(table.size(), size_t(CF_EDGE_ID_TABLE_SIZE));
    EXPECT_EQ(table[0], threshold);
    for (int a = -128; a < 128; ++a) {
        for (int b = -128; b < 128; ++b) {
            const size_t key = size_t((a & 255) << 8 | (b & 255));
            const int expected =
                refMagnitude(a, b) < threshold ? 255 : refTableDirection(a, b, true);
            ASSERT_EQ(table[16 + key], expected) << "a " << a << " b " << b;
        }
    }
}

// Runs first, while the base tables do not exist yet: several threads build them at once.
TEST(EdgeIdTables, FirstUseFromSeveralThreadsAtOnce) {
    std::vector<std::vector<uint8_t>> tables(4);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&tables, i] {
            if (i == 3) {
                EXPECT_EQ(cfEdgeDetectID_install(), 0);
                tables[3] = idTable(9);
            } else {
                tables[size_t(i)] = idTable(uint8_t(i * 40));
            }
        });
    }
    for (auto& t : threads) t.join();
    for (int i = 0; i < 3; ++i) expectIdTable(tables[size_t(i)], i * 40);
    expectIdTable(tables[3], 9);
}

TEST(EdgeIdTables, EveryIdTableEntryFollowsTheFormula) {
    for (int threshold : {0, 1, 2, 100, 255}) expectIdTable(idTable(uint8_t(threshold)), threshold);
}

TEST(EdgeIdTables, ThresholdZeroGivesADirectionEverywhere) {
    std::vector<uint8_t> table = idTable(0);
    EXPECT_EQ(std::count(table.begin() + 16, table.end(), 255), 0);
    // ... while variant 0 does hold 255 as a direction for some pairs.
    int natural255 = 0;
    for (int a = -128; a < 128; ++a) {
        for (int b = -128; b < 128; ++b) natural255 += refTableDirection(a, b, false) == 255;
    }
    EXPECT_GT(natural255, 0);
}

TEST(EdgeIdTables, TableInitBuildsOnlyWhenTheThresholdChanges) {
    cstd_vector8 table;
    ASSERT_EQ(cstd_vector_8_constructEmpty(&table), 0);
    ASSERT_EQ(cf_EdgeDetectIDTableInit(&table, 30), 0);
    uint8_t* bytes = nullptr;
    ASSERT_EQ(cstd_vector_8_getBegin(&table, &bytes), 0);
    const uint8_t kept = bytes[16 + 0x0505];
    bytes[16 + 0x0505] = uint8_t(kept + 1);
    ASSERT_EQ(cf_EdgeDetectIDTableInit(&table, 30), 0);
    EXPECT_EQ(bytes[16 + 0x0505], uint8_t(kept + 1));  // the same threshold: left alone
    ASSERT_EQ(cf_EdgeDetectIDTableInit(&table, 31), 0);
    ASSERT_EQ(cstd_vector_8_getBegin(&table, &bytes), 0);
    EXPECT_EQ(bytes[0], 31);
    EXPECT_EQ(bytes[16 + 0x0505], refOutput(5, 5, 31, true));

    EXPECT_EQ(cf_EdgeDetectIDTableInit(nullptr, 3), CID_STATUS_FAILED);
    ASSERT_EQ(cstd_vector_8_resize(&table, 100), 0);
    EXPECT_PRECONDITION(cf_EdgeDetectIDTableInit(&table, 3));
    cstd_vector_8_destruct(&table);

    ASSERT_EQ(cfEdgeDetectID_install(), 0);
    cid_test::countingAllocator counter;
    counter.failAfter(0);
    cstd_vector8 fresh;
    ASSERT_EQ(cstd_vector_8_constructEmpty(&fresh), 0);
    EXPECT_EQ(cf_EdgeDetectIDTableInit(&fresh, 3), CSYS_STATUS_OUT_OF_MEMORY);
    counter.neverFail();
    cstd_vector_8_destruct(&fresh);
    EXPECT_EQ(counter.live(), 0);
}

// A 512 x 512 image of independent 2 x 2 blocks, one per gradient pair: the Roberts output at the
// block's top-left pixel shows that pair's base-table entry.
greyImage everyRobertsPair() {
    greyImage image{512, 512, std::vector<uint8_t>(512 * 512)};
    auto set = [&](int x, int y, int v) { image.pixels[size_t(y * 512 + x)] = uint8_t(v); };
    for (int a = -128; a < 128; ++a) {
        for (int b = -128; b < 128; ++b) {
            const int da = a == -128 ? -255 : 2 * a, db = b == -128 ? -255 : 2 * b;
            const int x = 2 * (a + 128), y = 2 * (b + 128);
            const int below = std::max(0, -da), topLeft = std::max(0, -db);
            set(x, y, topLeft);
            set(x + 1, y, below + da);
            set(x, y + 1, below);
            set(x + 1, y + 1, topLeft + db);
        }
    }
    return image;
}

TEST(EdgeIdTables, EveryBaseTableEntryThroughRobertsImages) {
    windowedImage source(everyRobertsPair(), padding{});
    for (int variant : {0, 1}) {
        cimg_image magnitude, direction;
        cimg_image_constructUnbound(&magnitude);
        cimg_image_constructUnbound(&direction);
        ASSERT_EQ(cfEdgeDetectIDMagAng(&source.image.asConst, &magnitude, &direction, variant, 0,
                                       CF_EDGE_ID_MODE_ROBERTS),
                  0);
        greyImage mag = readWindow(magnitude.asConst), dir = readWindow(direction.asConst);
        ASSERT_EQ(mag.width, 511);
        for (int a = -128; a < 128; ++a) {
            for (int b = -128; b < 128; ++b) {
                const int x = 2 * (a + 128), y = 2 * (b + 128);
                ASSERT_EQ(mag.at(x, y), refMagnitude(a, b)) << a << "," << b;
                ASSERT_EQ(dir.at(x, y), refTableDirection(a, b, variant == 1)) << a << "," << b;
            }
        }
        cimg_image_destruct(&magnitude);
        cimg_image_destruct(&direction);
    }
}

// Source pixels with a border of `border` on every side and a wide pitch.
struct borderedRows {
    int width, height, border;
    intptr_t pitch;
    std::vector<uint8_t> bytes;
    borderedRows(const greyImage& all, int border)
        : width(all.width - 2 * border),
          height(all.height - 2 * border),
          border(border),
          pitch(all.width + 5),
          bytes(size_t(pitch) * size_t(all.height)) {
        for (int y = 0; y < all.height; ++y) {
            for (int x = 0; x < all.width; ++x) bytes[size_t(y * pitch + x)] = all.at(x, y);
        }
    }
    const uint8_t* first() const { return bytes.data() + border * pitch + border; }
};

TEST(EdgeDetectId, RandomImagesMatchThePerPixelRule) {
    std::mt19937 rng(3);
    for (int mode : {0, 1, CF_EDGE_ID_MODE_ROBERTS}) {
        const bool roberts = mode == CF_EDGE_ID_MODE_ROBERTS;
        for (int threshold : {0, 2, 40, 200}) {
            greyImage all = cid_test::randomGreyImage(37, 23, rng(), rng() % 2 ? 256 : 40);
            borderedRows rows(all, 1);
            auto grey = [&](int x, int y) { return int(all.at(x + 1, y + 1)); };
            std::vector<uint8_t> table = idTable(uint8_t(threshold));
            const intptr_t outPitch = rows.width + 3;
            std::vector<uint8_t> out(size_t(outPitch * rows.height), 77);
            for (int band : {1, 4, 35, 40}) {
                std::vector<int32_t> counts(size_t((rows.width + band - 1) / band) + 1, 5);
                ASSERT_EQ(
                    cf_EdgeDetectIDCount(rows.first(), rows.pitch, out.data(), rows.width,
                                         rows.height, outPitch, table.data(), CF_EDGE_ID_TABLE_SIZE,
                                         0, band, counts.data(), 0, 0, mode),
                    0);
                std::vector<int32_t> expectedCounts(counts.size(), 5);
                for (int y = 0; y < rows.height; ++y) {
                    for (int x = 0; x < rows.width; ++x) {
                        pair g = roberts ? robertsAt(grey, x, y) : sobelAt(grey, x, y);
                        const int expected = refOutput(g.a, g.b, threshold, roberts);
                        ASSERT_EQ(out[size_t(y * outPitch + x)], expected)
                            << "mode " << mode << " at " << x << "," << y;
                        expectedCounts[size_t(x / band)] += expected == 255;
                    }
                    EXPECT_EQ(out[size_t(y * outPitch + rows.width)], 77);
                }
                EXPECT_EQ(counts, expectedCounts);
            }
            std::vector<uint8_t> plain(out.size(), 77);
            ASSERT_EQ(
                cf_EdgeDetectID(rows.first(), rows.pitch, plain.data(), rows.width, rows.height,
                                outPitch, table.data(), CF_EDGE_ID_TABLE_SIZE, 0, 0, 0, mode),
                0);
            EXPECT_EQ(plain, out);
        }
    }
}

TEST(EdgeDetectId, ConstantImagesAndRamps) {
    greyImage flat{12, 6, std::vector<uint8_t>(72, 90)};
    borderedRows rows(flat, 1);
    std::vector<uint8_t> out(40);
    std::vector<uint8_t> thresholded = idTable(1), open = idTable(0);
    std::vector<int32_t> counts{0, 0, 0};
    ASSERT_EQ(
        cf_EdgeDetectIDCount(rows.first(), rows.pitch, out.data(), 10, 4, 10, thresholded.data(),
                             CF_EDGE_ID_TABLE_SIZE, 0, 4, counts.data(), 0, 0, 0),
        0);
    EXPECT_EQ(std::count(out.begin(), out.end(), 255), 40);
    EXPECT_EQ(counts, (std::vector<int32_t>{16, 16, 8}));
    ASSERT_EQ(cf_EdgeDetectID(rows.first(), rows.pitch, out.data(), 10, 4, 10, open.data(),
                              CF_EDGE_ID_TABLE_SIZE, 0, 0, 0, 0),
              0);
    EXPECT_EQ(std::count(out.begin(), out.end(), 255), 0);
    EXPECT_EQ(out[0], (refTableDirection(0, 0, true) + 32) & 255);

    greyImage ramp{12, 6, std::vector<uint8_t>(72)};
    for (int i = 0; i < 72; ++i) ramp.pixels[size_t(i)] = uint8_t(50 + i % 12);
    borderedRows rising(ramp, 1);
    for (int threshold : {0, 1, 2, 3}) {
        std::vector<uint8_t> table = idTable(uint8_t(threshold));
        ASSERT_EQ(cf_EdgeDetectID(rising.first(), rising.pitch, out.data(), 10, 4, 10, table.data(),
                                  CF_EDGE_ID_TABLE_SIZE, 0, 0, 0, 1),
                  0);
        const uint8_t expected = threshold <= 2 ? 0 : 255;
        EXPECT_EQ(std::count(out.begin(), out.end(), expected), 40) << threshold;
    }
}

TEST(EdgeDetectId, BadArguments) {
    std::vector<uint8_t> table = idTable(5);
    std::vector<uint8_t> in(64, 1), out(64);
    std::vector<int32_t> counts(4);
    EXPECT_PRECONDITION(
        cf_EdgeDetectID(in.data() + 9, 8, out.data(), 4, 4, 8, table.data(), 65536, 0, 0, 0, 0));
    EXPECT_PRECONDITION(cf_EdgeDetectID(in.data() + 9, 8, out.data(), 4, 4, 8, nullptr,
                                        CF_EDGE_ID_TABLE_SIZE, 0, 0, 0, 0));
    EXPECT_EQ(cf_EdgeDetectID(in.data() + 9, 8, out.data(), -1, 4, 8, table.data(),
                              CF_EDGE_ID_TABLE_SIZE, 0, 0, 0, 0),
              CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(cf_EdgeDetectIDCount(in.data() + 9, 8, out.data(), 4, 4, 8, table.data(),
                                   CF_EDGE_ID_TABLE_SIZE, 0, 0, counts.data(), 0, 0, 0),
              CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(counts, std::vector<int32_t>(4, 0));
}

// Per-pixel reference of the image detector over window content; Sobel neighbours above the first
// row or left of the first column repeat the nearest window pixel.
void referenceMagAng(const greyImage& in, int variant, int threshold, int mode, greyImage* mag,
                     greyImage* dir) {
    const bool roberts = mode == CF_EDGE_ID_MODE_ROBERTS;
    auto grey = [&](int x, int y) { return int(in.at(std::max(x, 0), std::max(y, 0))); };
    *mag = greyImage(in.width - 1, in.height - 1);
    *dir = *mag;
    for (int y = 0; y < in.height - 1; ++y) {
        for (int x = 0; x < in.width - 1; ++x) {
            pair g = roberts ? robertsAt(grey, x, y) : sobelAt(grey, x, y);
            const int m = refMagnitude(g.a, g.b);
            int d = refTableDirection(g.a, g.b, variant == 1);
            if (!roberts && d != 255) d = (d + 32) & 255;
            if (variant == 1 && m < threshold) d = 255;
            mag->at(x, y) = uint8_t(m);
            dir->at(x, y) = uint8_t(d);
        }
    }
}

TEST(EdgeDetectIdMagAng, WindowsInPaddedImagesMatchThePerPixelRule) {
    greyImage content = cid_test::randomGreyImage(19, 14, 8, 60);
    windowedImage plain(content, padding{});
    windowedImage padded(content, padding{3, 3, 3, 3, 2, -8, 20});
    const cmath_xformLinear skew{{{{2, 1}, {0, 1}}}, {4, 4}};
    ASSERT_EQ(cimg_image_setLinearImageFromClientXform(&padded.image, &skew), 0);
    for (int mode : {0, 1, CF_EDGE_ID_MODE_ROBERTS}) {
        for (int variant : {0, 1}) {
            greyImage mag, dir;
            referenceMagAng(content, variant, 12, mode, &mag, &dir);
            for (windowedImage* source : {&plain, &padded}) {
                // Sobel reads the padding around a window (edgeid_window_test.cpp).
                if (source == &padded && mode != CF_EDGE_ID_MODE_ROBERTS) continue;
                cimg_image m, d;
                cimg_image_constructUnbound(&m);
                cimg_image_constructUnbound(&d);
                ASSERT_EQ(cfEdgeDetectIDMagAng(&source->image.asConst, &m, &d, variant, 12, mode),
                          0);
                EXPECT_EQ(readWindow(m.asConst), mag) << "mode " << mode << " variant " << variant;
                EXPECT_EQ(readWindow(d.asConst), dir) << "mode " << mode << " variant " << variant;
                EXPECT_EQ(m.asConst.window.x, source->image.asConst.window.x);
                EXPECT_EQ(d.asConst.window.y, source->image.asConst.window.y);
                const double shift = mode == CF_EDGE_ID_MODE_SOBEL_CENTRED ? 0.0 : -0.5;
                const cmath_xformLinear& own = source->image.asConst.imageFromClient;
                EXPECT_DOUBLE_EQ(m.asConst.imageFromClient.trans.x, own.trans.x + shift);
                EXPECT_DOUBLE_EQ(d.asConst.imageFromClient.trans.y, own.trans.y + shift);
                EXPECT_DOUBLE_EQ(d.asConst.imageFromClient.matrix.element[0][1],
                                 own.matrix.element[0][1]);
                cimg_image_destruct(&m);
                cimg_image_destruct(&d);
            }
        }
    }
}

TEST(EdgeDetectIdMagAng, BoundOutputsLimitTheAreaAndReceiveItInPlace) {
    greyImage content = cid_test::randomGreyImage(16, 12, 9);
    windowedImage source(content, padding{});
    greyImage mag, dir;
    referenceMagAng(content, 1, 0, 0, &mag, &dir);
    windowedImage m(cid_test::randomGreyImage(20, 20, 10), padding{});
    ASSERT_EQ(cimg_image_window(&m.image, 2, 3, 18, 4), 0);
    const std::vector<uint8_t> before = m.storage.pixels;
    cimg_image d;
    cimg_image_constructUnbound(&d);
    ASSERT_EQ(cfEdgeDetectIDMagAng(&source.image.asConst, &m.image, &d, 1, 0, 0), 0);
    greyImage got = readWindow(m.image.asConst);
    ASSERT_EQ(got.width, 13);  // columns 2 .. 14
    ASSERT_EQ(got.height, 4);  // rows 3 .. 6
    EXPECT_EQ(d.asConst.window.width, 13);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 13; ++x) {
            EXPECT_EQ(got.at(x, y), mag.at(x + 2, y + 3));
            EXPECT_EQ(readWindow(d.asConst).at(x, y), dir.at(x + 2, y + 3));
        }
    }
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            if (x >= 2 && x < 15 && y >= 3 && y < 7) continue;
            ASSERT_EQ(m.storage.pixels[size_t(y * 20 + x)], before[size_t(y * 20 + x)]);
        }
    }
    cimg_image_destruct(&d);
}

TEST(EdgeDetectIdMagAng, FailuresLeaveTheOutputsAlone) {
    windowedImage source(cid_test::randomGreyImage(30, 30, 11), padding{});
    windowedImage m(cid_test::randomGreyImage(30, 30, 12), padding{});
    const std::vector<uint8_t> before = m.storage.pixels;
    const cstd_rect32 window = m.image.asConst.window;
    cimg_image d;
    cimg_image_constructUnbound(&d);
    auto untouched = [&] {
        EXPECT_EQ(m.storage.pixels, before);
        EXPECT_EQ(m.image.asConst.window.width, window.width);
        int32_t bound = 1;
        cimg_image_getIsBound(&d, &bound);
        EXPECT_EQ(bound, 0);
    };
    csys_attentionToken token;
    csys_attention_initToken(&token);
    csys_attentionToken* previous = csys_attention_bindToken(&token);
    csys_attention_requestStop(&token);
    EXPECT_EQ(cfEdgeDetectIDMagAng(&source.image.asConst, &m.image, &d, 0, 0, 0),
              CSYS_STATUS_STOP_REQUESTED);
    csys_attention_bindToken(previous);
    untouched();
    cimg_image unbound, wide;
    cimg_image_constructUnbound(&unbound);
    EXPECT_EQ(cfEdgeDetectIDMagAng(&unbound.asConst, &m.image, &d, 0, 0, 0), CIMG_STATUS_NOT_BOUND);
    ASSERT_EQ(cimg_image_construct(&wide, CIMG_DEPTH_32S, 30, 30), 0);
    EXPECT_EQ(cfEdgeDetectIDMagAng(&source.image.asConst, &m.image, &wide, 0, 0, 0),
              CIMG_STATUS_INVALID_IMAGE);
    EXPECT_PRECONDITION(cfEdgeDetectIDMagAng(&source.image.asConst, &m.image, &d, 2, 0, 0));
    EXPECT_PRECONDITION(cfEdgeDetectIDMagAng(&source.image.asConst, nullptr, &d, 0, 0, 0));
    {
        cid_test::countingAllocator counter;
        for (long allowed = 0; allowed < 3; ++allowed) {
            counter.failAfter(allowed);
            EXPECT_EQ(cfEdgeDetectIDMagAng(&source.image.asConst, &m.image, &d, 0, 0, 0),
                      CSYS_STATUS_OUT_OF_MEMORY);
        }
        counter.neverFail();
        EXPECT_EQ(counter.live(), 0);
    }
    untouched();
    cimg_image_destruct(&wide);
}

}  // namespace
