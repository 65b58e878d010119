// System services and image records: sizes that cannot overflow, cleanup order and statuses, stop
// requests, one-time set-up and critical sections across threads, and windows with offsets and
// padded rows that address the right pixels.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/platform/csys_status.h"

namespace {

TEST(Memory, SizesThatOverflowAreRefusedWithoutAllocating) {
    size_t product = 7;
    void* block = &product;
    EXPECT_EQ(csys_size_multiply(SIZE_MAX / 2 + 2, 2, &product), CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_EQ(csys_memory_allocArray_internal(SIZE_MAX / 2 + 2, 2, &block),
              CSYS_STATUS_SIZE_OUT_OF_RANGE);
    EXPECT_TRUE(product == 7 && block == nullptr);
}

std::string releaseLog;
int32_t logRelease(void* object) {
    releaseLog += static_cast<const char*>(object)[0];
    return static_cast<const char*>(object)[1] == '!' ? -3 : 0;
}

TEST(Cleanup, ScratchAlwaysOutputsOnFailureInReverseOrderAndStatusesKept) {
    char a[] = "a", b[] = "b", c[] = "c", bad[] = "x!";  // b is an output, the others scratch
    // Final status, objects, then what is released and the status returned.
    const struct {
        int32_t status;
        std::vector<char*> objects;
        std::string released;
        int32_t result;
    } rows[] = {{5, {a, b, c}, "ca", 5},
                {-7, {a, b, c}, "cab", -7},
                {0, {b, bad}, "xb", -3},  // a failing release fails the call, outputs too
                {-9, {bad}, "x", -9}};    // an earlier failure is kept
    for (const auto& row : rows) {
        csys_cleanupEntry entries[4];
        int32_t count = 0, status = row.status;
        const uint32_t tag = csys_cleanup_getNextTag();
        for (char* object : row.objects) {
            const int32_t kind = object == b ? CSYS_CLEANUP_OUTPUT : CSYS_CLEANUP_SCRATCH;
            csys_cleanup_add_(entries, 4, &count, count + 1, kind, object, &logRelease);
        }
        releaseLog.clear();
        EXPECT_EQ(csys_cleanupExecute_(entries, &count, &status, tag), row.result);
        EXPECT_TRUE(releaseLog == row.released && count == 0 && status == row.result) << releaseLog;
    }
}

struct shared {
    std::atomic<int> setUps{0};
    long value = 0;
};
int32_t setUp(void* s) { return ++static_cast<shared*>(s)->setUps, 0; }
int32_t unsafeIncrement(void* s) {
    const long read = static_cast<shared*>(s)->value;
    std::this_thread::yield();
    return static_cast<shared*>(s)->value = read + 1, 0;
}

TEST(Runtime, StopRequestsOnceAndCriticalSectionsAcrossThreads) {
    csys_attentionToken token;
    csys_attention_initToken(&token);
    csys_attentionToken* previous = csys_attention_bindToken(&token);
    std::thread([&token] { csys_attention_requestStop(&token); }).join();
    int32_t otherThreadSees = -1;
    std::thread([&otherThreadSees] { otherThreadSees = csys_attention_check(); }).join();
    EXPECT_TRUE(csys_attention_check() == CSYS_STATUS_STOP_REQUESTED && otherThreadSees == 0);
    csys_attention_bindToken(previous);
    // Eight threads: one set-up, one shared section, and 4000 unsafe increments serialised by it.
    static csys_onceState once;
    static csys_criticalSection* section = nullptr;
    shared s;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&s] {
            EXPECT_EQ(csys_initializeOnce(&setUp, &once, &s), 0);
            EXPECT_EQ(csys_criticalSection_constructSingleton(&section), 0);
            for (int k = 0; k < 500; ++k)
                csys_criticalSection_protect(section, &unsafeIncrement, &s);
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_TRUE(s.setUps == 1 && s.value == 4000);
}

TEST(Image, WindowsWithOffsetsAndPaddedRowsAddressTheRightPixels) {
    // 13 x 9 pixels placed at image coordinates (100, 200), rows padded.
    const cstd_rect32 area{100, 200, 13, 9}, sub{1, 1, 2, 2}, outside{110, 200, 5, 1};
    cimg_image image;
    ASSERT_EQ(cimg_image_constructRect(&image, CIMG_DEPTH_8U, &area), 0);
    const cimg_imageConst& r = image.asConst;
    for (int i = 0; i < 13 * 9; ++i)
        r.pixels[i / 13 * r.pitch + i % 13] = uint8_t(16 * (i / 13) + i % 13);
    ASSERT_EQ(cimg_image_window(&image, 103, 202, 5, 4), 0);
    ASSERT_EQ(cimg_image_subWindow(&image, &sub), 0);  // relative to the window
    EXPECT_EQ(cimg_image_setWindowRect(&image, &outside), CIMG_STATUS_OUTSIDE_IMAGE);
    cimg_window w;
    ASSERT_EQ(cimg_window_init(&w, &image), 0);
    EXPECT_TRUE(r.pitch > 13 && w.xOffset == 104 && w.yOffset == 203 && w.pitch == r.pitch);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w.pixels[i / 2 * w.pitch + i % 2], 16 * (3 + i / 2) + 4 + i % 2);
    image.asConst.xOffset = 0;  // offsets edited by hand strand the window outside the image
    EXPECT_EQ(cimg_window_init(&w, &image), CIMG_STATUS_OUTSIDE_IMAGE);
    cimg_image_destruct(&image);
}

}  // namespace
