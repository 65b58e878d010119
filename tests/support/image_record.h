// Library image records over test images: a plain view, and a view of the same pixels as the
// window of a larger padded image, for tests that require a function to give identical results
// on both (catching pitch, offset and out-of-window reads).
//
//     cid_test::imageView plain(image);
//     cid_test::paddedView padded(image);  // same window coordinates, noisy padding around
//     run(plain.get()); run(padded.get());  // must agree
#pragma once

#include <cstdint>

#include "ci_id/platform/cimg.h"
#include "grey_image.h"

namespace cid_test {

// A cimg_imageConst wrapping the image's pixels (cimg_imageConst_constructWrap): offset (0, 0),
// window over the whole image. The pixels must outlive the view. Throws std::runtime_error when
// the library refuses the wrap.
class imageView {
public:
    explicit imageView(const greyImage& image);
    ~imageView();
    imageView(const imageView&) = delete;
    imageView& operator=(const imageView&) = delete;

    const cimg_imageConst* get() const { return &record_; }

private:
    cimg_imageConst record_;
};

struct padding {
    int32_t left = 13;
    int32_t top = 7;
    int32_t right = 5;
    int32_t bottom = 11;
    // Grey level of the padding, or -1 for seeded random levels: a function that strays out of
    // its window then sees something else than in the plain image.
    int32_t fill = -1;
    uint32_t seed = 7;
    // Extra bytes at the end of every row of the padded image, beyond its width.
    int32_t rowSlack = 3;
};

// The image copied into the middle of a larger one, viewed through a record whose window is
// exactly the copied pixels. With keepCoordinates the record's image offset is (-left, -top), so
// the window lies at image coordinates (0, 0) as in a plain view and results in image coordinates
// must be identical; without it the record wraps the padded pixels at offset (0, 0) and the
// window starts at (left, top).
class paddedView {
public:
    explicit paddedView(const greyImage& image, const padding& pad = {},
                        bool keepCoordinates = true);
    ~paddedView();
    paddedView(const paddedView&) = delete;
    paddedView& operator=(const paddedView&) = delete;

    const cimg_imageConst* get() const { return &record_; }
    // Image coordinates of the window's top-left pixel.
    int32_t windowX() const { return record_.window.x; }
    int32_t windowY() const { return record_.window.y; }
    const greyImage& padded() const { return padded_; }

private:
    greyImage padded_;
    cimg_imageConst record_;
};

}  // namespace cid_test
