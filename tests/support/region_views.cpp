#include "region_views.h"

#include <cmath>

namespace cid_test {

cid_region regionOfView(const homography& view) {
    cmath_vect pts[4] = {view.map(0, 0), view.map(1, 0), view.map(0, 1), view.map(1, 1)};
    cid_region r;
    cid_region_initVectPoints(&r, pts, 0);
    return r;
}

cid_region randomRegion(std::mt19937& rng, bool affine) {
    homography view = randomSquareView(rng, 50, affine ? 0.0 : 0.7);
    auto grid = [](const cmath_vect& p) {
        return cmath_vect{std::round(p.x * 64) / 64, std::round(p.y * 64) / 64};
    };
    cmath_vect po = grid(view.map(0, 0)), px = grid(view.map(1, 0)), py = grid(view.map(0, 1));
    cmath_vect popp = grid(view.map(1, 1));
    cid_region r;
    cid_region_initPoPxPyPopp(&r, &po, &px, &py, affine ? nullptr : &popp);
    for (int32_t& flag : r.tightness) flag = static_cast<int32_t>(rng() % 2);
    return r;
}

bool sameRegion(const cid_region& a, const cid_region& b) {
    auto same = [](const cmath_vect& p, const cmath_vect& q) { return p.x == q.x && p.y == q.y; };
    return same(a.Po, b.Po) && same(a.Px, b.Px) && same(a.Py, b.Py) && same(a.Popp, b.Popp) &&
           a.tightness[0] == b.tightness[0] && a.tightness[1] == b.tightness[1] &&
           a.tightness[2] == b.tightness[2] && a.tightness[3] == b.tightness[3] &&
           a.isAffine == b.isAffine;
}

}  // namespace cid_test
