// Output records, images made by a rule, and walks over boxes, for the threshold suite (with
// the library's statuses and seeded random numbers).
#pragma once

#include <random>

#include "ci_id/status.h"
#include "view.h"

namespace thr_test {

using cid_test::greyImage;

// An output record, unbound until a call binds it; released at the end of its scope.
struct output {
    cimg_image image;
    output() { cimg_image_constructUnbound(&image); }
    ~output() { cimg_image_destruct(&image); }
    output(const output&) = delete;
    bool bound() const { return image.asConst.buffer != nullptr; }
    greyImage pixels() const { return cid_test::readWindow(image.asConst); }
};

// Pixel (x, y) = level(x, y).
template <typename Level>
greyImage made(int w, int h, Level level) {
    greyImage g(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g.at(x, y) = uint8_t(level(x, y));
    return g;
}

// f(level) for every pixel of g in the box x0 .. x1, y0 .. y1 cut to g.
template <typename F>
void eachIn(const greyImage& g, int x0, int y0, int x1, int y1, F f) {
    for (int y = y0 < 0 ? 0 : y0; y <= y1 && y < g.height; ++y)
        for (int x = x0 < 0 ? 0 : x0; x <= x1 && x < g.width; ++x) f(int(g.at(x, y)));
}

}  // namespace thr_test
