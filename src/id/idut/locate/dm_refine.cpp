// Refines a found L on the image itself. The contour was traced at the seed's local grey level,
// which blur moves away from the edge when that level is not half way between the symbol's two
// colours; here every side is measured on grey profiles across it, each edge point where the
// profile crosses the mid-level of its own ink and quiet-zone readings, and fitted by least
// squares. The far sides are measured across the dark timing modules: parallel to the solid
// sides for an affine view, freely when the symbol may be seen askew, so that the far corner
// follows a perspective view.
#include <algorithm>
#include <cmath>

#include "ci_id/linefit.h"
#include "ci_id/platform/cx_vector.h"
#include "ci_id/priv/ci_idut/locate/dm_finder.h"
#include "ci_id/priv/ci_idut/locate/grey_sample.h"

namespace cidut {

namespace {

constexpr double kStep = 0.25;         // pixels between samples of a profile
constexpr double kLeastContrast = 20;  // grey levels between ink and quiet zone
constexpr int kLeastPoints = 6;        // a side measured at fewer points keeps its old line
constexpr double kOutlier = 0.6;  // pixels: edge points this far from the first fit are dropped

struct frame {
    cmath_vect origin;
    cmath_vect along;    // unit
    cmath_vect outward;  // unit, away from the symbol
    double length;
};

frame frameOf(const cmath_vect& from, const cmath_vect& to, const cmath_vect& inside) {
    double dx = to.x - from.x, dy = to.y - from.y;
    double length = std::hypot(dx, dy);
    cmath_vect along{dx / length, dy / length};
    cmath_vect normal{-along.y, along.x};
    if ((inside.x - from.x) * normal.x + (inside.y - from.y) * normal.y > 0) {
        normal = cmath_vect{-normal.x, -normal.y};
    }
    return frame{from, along, normal, length};
}

cmath_vect pointAt(const frame& f, double along, double out) {
    return cmath_vect{f.origin.x + along * f.along.x + out * f.outward.x,
                      f.origin.y + along * f.along.y + out * f.outward.y};
}

// The edge on the profile across the side at `along`: ink read half a module inside, quiet zone
// three quarters of a module outside, and the point nearest the side where the grey level
// crosses their mid-level. False where the two readings do not show an edge of the right kind
// (a light timing module, a blurred-away stretch, the window's edge).
bool edgeAcross(const cimg_windowConst& w, const frame& f, double along, double module,
                bool darkInk, cmath_vect* edge) {
    double ink = 0, paper = 0;
    cmath_vect in = pointAt(f, along, -0.5 * module), out = pointAt(f, along, 0.75 * module);
    if (!greyAt(w, in.x, in.y, &ink) || !greyAt(w, out.x, out.y, &paper)) return false;
    if ((darkInk ? paper - ink : ink - paper) < kLeastContrast) return false;
    const double mid = 0.5 * (ink + paper);
    const double reach = 0.75 * module;
    double previous = paper, previousOffset = reach;
    for (double offset = reach - kStep; offset >= -0.5 * module; offset -= kStep) {
        cmath_vect p = pointAt(f, along, offset);
        double grey = 0;
        if (!greyAt(w, p.x, p.y, &grey)) return false;
        if ((grey - mid) * (previous - mid) <= 0 && grey != previous) {
            double t = (previous - mid) / (previous - grey);
            *edge = pointAt(f, along, previousOffset + t * (offset - previousOffset));
            return true;
        }
        previous = grey;
        previousOffset = offset;
    }
    return false;
}

using pointList = cxVector<cmath_vect>;

// Edge points about every pixel along the side between fractions t0 and t1 of its length.
int32_t edgePoints(const cimg_windowConst& w, const frame& f, double t0, double t1, double module,
                   bool darkInk, pointList* points) {
    points->clear();
    for (double along = t0 * f.length; along <= t1 * f.length; along += 1.0) {
        cmath_vect edge;
        if (!edgeAcross(w, f, along, module, darkInk, &edge)) continue;
        int32_t status = points->pushBack(edge);
        if (status < 0) return status;
    }
    return 0;
}

bool fitLine(const cmath_vect* begin, const cmath_vect* end, const cmath_vect& origin,
             cidut_line* line) {
    ccCidLSLineFitter fitter;
    for (const cmath_vect* p = begin; p != end; ++p) {
        fitter.update(cx2Vect(p->x - origin.x, p->y - origin.y));
    }
    if (fitter.numPoints() < kLeastPoints || !fitter.fit(*line)) return false;
    line->pos = cmath_vect{line->pos.x + origin.x, line->pos.y + origin.y};
    return true;
}

// Least-squares line of the edge points, fitted again without those far from the first fit
// (the kept points are moved to the front of the list, in their order).
bool fitEdge(pointList& points, const cmath_vect& origin, cidut_line* line) {
    cidut_line first;
    if (!fitLine(points.begin(), points.end(), origin, &first)) return false;
    cmath_vect* kept = points.begin();
    for (const cmath_vect& p : points) {
        double distance = 0;
        cidut_line_getDistToPoint(&first, &p, &distance);
        if (std::fabs(distance) < kOutlier) *kept++ = p;
    }
    return fitLine(points.begin(), kept, origin, line);
}

// The far side parallel to direction through the edge points: their median offset.
int32_t fitParallel(const pointList& points, const cmath_vect& direction, cidut_line* line,
                    bool* fitted) {
    *fitted = false;
    if (static_cast<int>(points.size()) < kLeastPoints) return 0;
    cmath_vect normal{-direction.y, direction.x};
    cxVector<double> offsets;
    int32_t status = offsets.resize(points.size(), 0.0);
    if (status < 0) return status;
    for (size_t k = 0; k < points.size(); ++k) {
        offsets[k] = points[k].x * normal.x + points[k].y * normal.y;
    }
    double* middle = offsets.begin() + offsets.size() / 2;
    std::nth_element(offsets.begin(), middle, offsets.end());
    cmath_vect through{*middle * normal.x, *middle * normal.y};
    *fitted = cidut_line_initDirPos(line, &direction, &through) >= 0;
    return 0;
}

bool meet(const cidut_line& a, const cidut_line& b, cmath_vect* at) {
    return cidut_line_getIntersection(&a, &b, at) >= 0;
}

}  // namespace

int32_t refineCorner(const cimg_windowConst& window, const finderReading& reading,
                     bool fitFarSides, cornerFinding* corner) {
    const double* modules = reading.modules;
    const bool darkInk = reading.darkInk;
    const cmath_shapeAffineRect r = corner->rect;
    const cmath_vect centre{(r.px.x + r.py.x) / 2, (r.px.y + r.py.y) / 2};
    // Arm X is as thick as a module of the timing side that starts at its end.
    const frame armX = frameOf(r.po, r.px, centre);
    const frame armY = frameOf(r.po, r.py, centre);
    pointList pointsX, pointsY;
    int32_t status = edgePoints(window, armX, 0.1, 0.9, modules[0], darkInk, &pointsX);
    if (status >= 0) status = edgePoints(window, armY, 0.1, 0.9, modules[1], darkInk, &pointsY);
    if (status < 0) return status;
    cidut_line lineX, lineY;
    cmath_vect vertex;
    if (!fitEdge(pointsX, r.po, &lineX) || !fitEdge(pointsY, r.po, &lineY) ||
        !meet(lineX, lineY, &vertex)) {
        return 0;
    }
    auto frameOfSide = [](const farSide& s) { return frame{s.from, s.along, s.outward, s.length}; };
    status = edgePoints(window, frameOfSide(reading.sides[0]), 0.05, 0.95, modules[1], darkInk,
                        &pointsX);
    if (status >= 0) {
        status = edgePoints(window, frameOfSide(reading.sides[1]), 0.05, 0.95, modules[0],
                            darkInk, &pointsY);
    }
    if (status < 0) return status;
    cidut_line farX, farY;
    cmath_vect endX, endY, far;
    bool measured = false;
    if (fitFarSides) {
        measured = fitEdge(pointsX, r.px, &farX) && fitEdge(pointsY, r.py, &farY);
    } else {
        status = fitParallel(pointsX, lineY.dir, &farX, &measured);
        if (status >= 0 && measured) status = fitParallel(pointsY, lineX.dir, &farY, &measured);
        if (status < 0) return status;
    }
    if (!measured || !meet(lineX, farX, &endX) || !meet(lineY, farY, &endY)) return 0;
    if (fitFarSides) {
        if (!meet(farX, farY, &far)) return 0;
    } else {
        far = cmath_vect{endX.x + endY.x - vertex.x, endX.y + endY.y - vertex.y};
    }
    corner->rect = cmath_shapeAffineRect{vertex, endX, endY};
    corner->farCorner = far;
    corner->farCornerFromShape = fitFarSides ? 0 : 1;
    return 0;
}

}  // namespace cidut
