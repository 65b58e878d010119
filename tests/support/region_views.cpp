// Region records from views of the unit square.
#include "region_views.h"

#include <algorithm>
#include <cmath>

namespace cid_test {

cid_region regionOfView(const homography& view) {
    cmath_vect pts[4] = {view.planeToImage({0, 0}), view.planeToImage({1, 0}),
                         view.planeToImage({0, 1}), view.planeToImage({1, 1})};
    cid_region r;
    cid_region_initVectPoints(&r, pts, 0);
    return r;
}

cid_region randomRegion(std::mt19937& rng, bool affine) {
    const homography view = randomSquareView(rng, 50, affine ? 0.0 : 0.7);
    auto corner = [&](double u, double v) {
        const cmath_vect p = view.planeToImage({u, v});
        return cmath_vect{std::round(p.x * 64) / 64, std::round(p.y * 64) / 64};
    };
    const cmath_vect po = corner(0, 0), px = corner(1, 0), py = corner(0, 1), popp = corner(1, 1);
    cid_region r;
    cid_region_initPoPxPyPopp(&r, &po, &px, &py, affine ? nullptr : &popp);
    for (int32_t& flag : r.tightness) flag = static_cast<int32_t>(rng() % 2);
    return r;
}

bool sameRegion(const cid_region& a, const cid_region& b) {
    auto same = [](const cmath_vect& p, const cmath_vect& q) { return p.x == q.x && p.y == q.y; };
    return same(a.Po, b.Po) && same(a.Px, b.Px) && same(a.Py, b.Py) && same(a.Popp, b.Popp) &&
           std::equal(a.tightness, a.tightness + 4, b.tightness) && a.isAffine == b.isAffine;
}

}  // namespace cid_test
