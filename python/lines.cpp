// Along a line: edge scans through the image, grey profiles sampled on it, and the edges in them.
#include <cmath>
#include <vector>

#include "ci_id/edgescan.h"
#include "ci_id/oned.h"
#include "module.h"

namespace cid_py {

namespace {

// Within the scan shapes' range of +-2^31 pixels and the line sampler's +-65536, with room for
// the shift to pixel centres.
constexpr double kScanLimit = 1 << 30;
constexpr double kSampleLimit = 60000;

// The peaks of one scan, released on every exit.
struct peakVector {
    cstd_vector_cidc_peakIDFixedX_4 v;
    peakVector() { check(cstd_vector_cidc_peakIDFixedX_4_constructEmpty(&v), "peak vector"); }
    ~peakVector() { cstd_vector_cidc_peakIDFixedX_4_destruct(&v); }
};

py::list scanEdges(const py::array& image, const py::handle& from, const py::handle& to,
                   int32_t threshold) {
    const imageView view(image);
    const cmath_vect p0 = pointFrom(from, kScanLimit, "p0"), p1 = pointFrom(to, kScanLimit, "p1");
    const double dx = p1.x - p0.x, dy = p1.y - p0.y, length = std::hypot(dx, dy);
    if (length < 1) throw py::value_error("ci_id: p0 and p1 must be at least a pixel apart");
    if (view.width() < 3 || view.height() < 3)
        throw py::value_error("ci_id: an edge scan needs an image of at least 3 x 3 pixels");
    // The ROI's origin is the image's top-left pixel and its margin 1, so every scanned pixel has
    // its 3 x 3 neighbourhood inside the image.
    const cidc_windowRect rect{view.width(), view.height(), 0, 0};
    cidc_windowROI roi;
    check(cidc_windowROI_initCorner(&roi, &rect, 1, 1), "ROI");
    const cidc_point64_4 start{std::llround(p0.x * 16), std::llround(p0.y * 16)};
    const cidc_point64_4 end{std::llround(p1.x * 16), std::llround(p1.y * 16)};
    cidc_scanLineSeg seg, clipped;
    check(cidc_scanLineSeg_initPoints(&seg, &start, &end, nullptr), "segment");
    cidc_scanShape shape;
    check(cidc_scanShape_initScanLineSeg(&shape, &seg), "shape");
    // Only the gradient's direction counts: the travel direction, so that a positive strength is
    // a rise from p0 towards p1.
    const cidc_gradientDir16 gradient{int16_t(std::lround(1024 * dx / length)),
                                      int16_t(std::lround(1024 * dy / length))};
    const cidc_edgeScanParams params{threshold};
    peakVector peaks;
    int32_t status;
    {
        py::gil_scoped_release unlocked;
        status = cidc_runEdgeScan(view.get(), &roi, &params, &shape, &gradient, &peaks.v, &clipped);
    }
    check(status, "edge scan");
    const cidc_peakIDFixedX_4* found = nullptr;
    int32_t count = 0;
    check(cstd_vector_cidc_peakIDFixedX_4_getBeginSizeConst(&peaks.v, &found, &count), "peaks");
    py::list edges;
    for (int32_t k = 0; k < count; ++k) {
        cmath_vect at;
        check(cidc_convertPeakToImage(&found[k].position, &clipped, roi.originX, roi.originY, &at),
              "peak position");
        edges.append(py::make_tuple(at.x, at.y, found[k].strength));
    }
    return edges;
}

py::tuple linePixels(const py::array& image, const py::handle& from, const py::handle& to,
                     py::object samples) {
    const imageView view(image);
    const cmath_vect p0 = pointFrom(from, kSampleLimit, "p0");
    const cmath_vect p1 = pointFrom(to, kSampleLimit, "p1");
    int32_t n = 0;
    if (samples.is_none())
        check(cidut_getPixelCount(&p0, &p1, &n), "pixel count");
    else
        n = py::cast<int32_t>(samples);
    if (n < 1) throw py::value_error("ci_id: the line needs at least one sample");
    cimg_windowConst window;
    check(cimg_windowConst_init(&window, view.get()), "window");
    py::array_t<uint8_t> out(n);
    uint8_t mean = 0;
    double spacing = 0;
    int32_t status;
    {
        py::gil_scoped_release unlocked;
        status = cidut_linePixels(&window, &p0, &p1, out.mutable_data(), n, &mean, &spacing);
    }
    check(status, "line sampling");
    return py::make_tuple(out, mean, spacing);
}

py::list edgesOf(const int32_t* strengths, const int32_t* positions, int32_t count) {
    py::list edges;
    for (int32_t k = 0; k < count; ++k)
        edges.append(py::make_tuple(positions[k] / 256.0, strengths[k]));
    return edges;
}

py::list lineEdges(const py::array_t<uint8_t, py::array::c_style | py::array::forcecast>& samples,
                   int32_t threshold, bool adaptive, double spacing, int32_t maxEdges) {
    if (samples.ndim() != 1) throw py::value_error("ci_id: samples must be a 1-D array");
    if (samples.size() > INT32_MAX) throw py::value_error("ci_id: too many samples");
    if (maxEdges < 1) throw py::value_error("ci_id: max_edges must be at least 1");
    std::vector<int32_t> strengths(size_t(maxEdges) + 1), positions(size_t(maxEdges) + 1);
    int32_t count = 0;
    check(cidut_lineEdgeLoc(samples.data(), int32_t(samples.size()), maxEdges, threshold, adaptive,
                            spacing, strengths.data(), positions.data(), &count),
          "edge location");
    return edgesOf(strengths.data(), positions.data(), count);
}

py::list caliper(const py::array& image, const py::handle& from, const py::handle& to,
                 int32_t threshold, bool adaptive, int32_t maxEdges) {
    const imageView view(image);
    const cmath_vect p0 = pointFrom(from, kSampleLimit, "p0");
    const cmath_vect p1 = pointFrom(to, kSampleLimit, "p1");
    if (maxEdges < 1) throw py::value_error("ci_id: max_edges must be at least 1");
    cimg_windowConst window;
    check(cimg_windowConst_init(&window, view.get()), "window");
    std::vector<int32_t> strengths(size_t(maxEdges) + 1), positions(size_t(maxEdges) + 1);
    int32_t count = 0, status;
    {
        py::gil_scoped_release unlocked;
        status = cidut_caliperLite(&window, &p0, &p1, maxEdges, threshold, adaptive,
                                   strengths.data(), positions.data(), &count);
    }
    check(status, "caliper");
    return edgesOf(strengths.data(), positions.data(), count);
}

}  // namespace

void bindLines(py::module_& m) {
    m.def("scan_edges", &scanEdges, py::arg("image"), py::arg("p0"), py::arg("p1"),
          py::arg("threshold") = 20,
          "scan_edges(image, p0, p1, threshold=20) -> list[(x: float, y: float, strength: int)]: "
          "the edges met walking from p0 to p1 ((x, y) pixels; the part of the segment at least "
          "one pixel inside the image is scanned). strength is the smoothed or Sobel gradient "
          "along the walk (grey levels; 4 x the [1 2 1]-smoothed central difference on rows and "
          "columns), positive where the grey level rises towards p1; |strength| exceeds "
          "threshold (int, grey levels). The GIL is released.");
    m.def("line_pixels", &linePixels, py::arg("image"), py::arg("p0"), py::arg("p1"),
          py::arg("samples") = py::none(),
          "line_pixels(image, p0, p1, samples=None) -> (uint8 array, mean: int, spacing: float): "
          "bilinear grey levels at the middles of `samples` equal steps from p0 to p1 ((x, y) "
          "pixels; default one sample per pixel of length), their mean and the step in pixels. "
          "Raises ci_id.Error (CID_STATUS_OUTSIDE_WINDOW) when the line misses the image.");
    m.def("line_edges", &lineEdges, py::arg("samples"), py::arg("threshold") = 20,
          py::arg("adaptive") = false, py::arg("spacing") = 1.0, py::arg("max_edges") = 256,
          "line_edges(samples, threshold=20, adaptive=False, spacing=1.0, max_edges=256) -> "
          "list[(position: float, strength: int)]: edges of a grey profile (1-D uint8), "
          "positions in pixels from the profile's start given the sample spacing (pixels), "
          "strength the difference s[i + 2] - s[i] (grey levels, positive dark to light). "
          "adaptive: bounds at a third of the strongest gradients instead of +-threshold.");
    m.def("caliper", &caliper, py::arg("image"), py::arg("p0"), py::arg("p1"),
          py::arg("threshold") = 20, py::arg("adaptive") = false, py::arg("max_edges") = 256,
          "caliper(image, p0, p1, threshold=20, adaptive=False, max_edges=256) -> "
          "list[(position: float, strength: int)]: line_pixels at one sample per pixel, then "
          "line_edges; positions in pixels from p0. The GIL is released.");
}

}  // namespace cid_py
