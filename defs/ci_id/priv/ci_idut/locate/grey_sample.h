// Grey levels between pixel centres, for measurements that look at an image along lines.
#pragma once

#include <algorithm>

#include "ci_id/platform/cimg.h"

namespace cidut {

// Bilinear grey level at image point (x, y) (pixel (i, j) covering [i, i + 1) x [j, j + 1), its
// centre at (i + 0.5, j + 0.5)); false when the point is not between the window's pixel centres.
inline bool greyAt(const cimg_windowConst& w, double x, double y, double* value) {
    double u = x - w.xOffset - 0.5, v = y - w.yOffset - 0.5;
    if (!(u >= 0 && v >= 0 && u <= w.width - 1 && v <= w.height - 1)) return false;
    int i = std::min(static_cast<int>(u), std::max(w.width - 2, 0));
    int j = std::min(static_cast<int>(v), std::max(w.height - 2, 0));
    double fu = u - i, fv = v - j;
    auto p = [&](int a, int b) {
        return static_cast<double>(
            w.pixels[std::min(b, w.height - 1) * w.pitch + std::min(a, w.width - 1)]);
    };
    double top = p(i, j) * (1 - fu) + p(i + 1, j) * fu;
    double bottom = p(i, j + 1) * (1 - fu) + p(i + 1, j + 1) * fu;
    *value = top * (1 - fv) + bottom * fv;
    return true;
}

}  // namespace cidut
