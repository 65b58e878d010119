// Grey-level thresholds of histograms and images, and binarization into a new array.
#include "ci_id/threshold.h"
#include "module.h"

namespace cid_py {

namespace {

py::tuple resultOf(const cid_thresholdResult& r) { return py::make_tuple(r.threshold, r.quality); }

py::tuple thresholdHistogram(
    const py::array_t<uint32_t, py::array::c_style | py::array::forcecast>& counts) {
    if (counts.ndim() != 1 || counts.size() < 1 || counts.size() > INT32_MAX)
        throw py::value_error("ci_id: counts must be a non-empty 1-D array");
    uint64_t total = 0;
    for (py::ssize_t k = 0; k < counts.size(); ++k) total += counts.data()[k];
    if (total == 0) throw py::value_error("ci_id: the histogram is empty");
    cid_thresholdResult r;
    check(cid_thresholdHist(counts.data(), int32_t(counts.size()), &r), "threshold");
    return resultOf(r);
}

py::tuple threshold(const py::array& image) {
    const imageView view(image);
    cid_thresholdResult r;
    int32_t status;
    {
        py::gil_scoped_release unlocked;
        status = cid_threshold(view.get(), &r);
    }
    check(status, "threshold");
    return resultOf(r);
}

py::tuple thresholdPercentage(const py::array& image, float fraction) {
    const imageView view(image);
    cid_thresholdResult r;
    int32_t status;
    {
        py::gil_scoped_release unlocked;
        status = cid_thresholdBasedOnPercentage(view.get(), fraction, &r);
    }
    check(status, "threshold");
    return resultOf(r);
}

// The result goes straight into a new array wrapped as the output record.
py::array_t<uint8_t> binarize(const py::array& image, int32_t method, int32_t tilesX,
                              int32_t tilesY, int32_t minContrast, double contrastThreshold,
                              int32_t reduction, int32_t meanWindow, int32_t meanOffset) {
    const imageView view(image);
    if (minContrast < 0 || minContrast > 255 || meanOffset < 0 || meanOffset > 255)
        throw py::value_error("ci_id: min_contrast and mean_offset are grey levels, 0 .. 255");
    cidut_binarizeParams params;
    check(cidut_binarizeParams_construct(&params), "binarize parameters");
    params.method = method;
    params.regionMode = CIDUT_BINARIZE_REGION_IMAGE;
    params.tilesX = tilesX;
    params.tilesY = tilesY;
    params.minContrast = uint8_t(minContrast);
    params.contrastThreshold = contrastThreshold;
    params.reductionFactor = reduction;
    params.meanWindow = meanWindow;
    params.meanOffset = uint8_t(meanOffset);
    py::array_t<uint8_t> out({view.height(), view.width()});
    cimg_image output;
    check(cimg_image_constructWrap(&output, CIMG_DEPTH_8U, view.width(), view.height(),
                                   view.width(), out.mutable_data()),
          "output wrap");
    int32_t status;
    {
        py::gil_scoped_release unlocked;
        status = cidut_binarizeImage(&output, nullptr, nullptr, nullptr, view.get(), &params);
    }
    cimg_image_destruct(&output);
    check(status, "binarize");
    return out;
}

}  // namespace

void bindThresholds(py::module_& m) {
    m.attr("BINARIZE_GLOBAL_MIDRANGE") = CIDUT_BINARIZE_GLOBAL_MIDRANGE;
    m.attr("BINARIZE_GLOBAL_WGV") = CIDUT_BINARIZE_GLOBAL_WGV;
    m.attr("BINARIZE_TILED_MIDRANGE") = CIDUT_BINARIZE_TILED_MIDRANGE;
    m.attr("BINARIZE_TILED_DARK") = CIDUT_BINARIZE_TILED_DARK;
    m.attr("BINARIZE_LOCAL_CONTRAST") = CIDUT_BINARIZE_LOCAL_CONTRAST;
    m.attr("BINARIZE_LOCAL_MEAN") = CIDUT_BINARIZE_LOCAL_MEAN;
    m.def("threshold_histogram", &thresholdHistogram, py::arg("counts"),
          "threshold_histogram(counts) -> (threshold: int, quality: float): Otsu's threshold of "
          "a histogram (1-D, one count per grey level): levels at or above it form the upper "
          "class; quality is the between-class over the total variance, 0 .. 1.");
    m.def("threshold", &threshold, py::arg("image"),
          "threshold(image) -> (threshold: int, quality: float): Otsu's threshold of the "
          "image's 256-level histogram. The GIL is released.");
    m.def("threshold_percentage", &thresholdPercentage, py::arg("image"), py::arg("fraction"),
          "threshold_percentage(image, fraction) -> (threshold: int, quality: float): the first "
          "grey level whose cumulative count reaches fraction (0 .. 1) of the pixels; 256 when "
          "none does.");
    m.def("binarize", &binarize, py::arg("image"), py::kw_only(),
          py::arg("method") = int32_t(CIDUT_BINARIZE_TILED_DARK), py::arg("tiles_x") = 20,
          py::arg("tiles_y") = 10, py::arg("min_contrast") = 65,
          py::arg("contrast_threshold") = 20.0, py::arg("reduction") = 2,
          py::arg("mean_window") = 15, py::arg("mean_offset") = 10,
          "binarize(image, method=ci_id.BINARIZE_TILED_DARK, ...) -> uint8 array of the image's "
          "shape: 255 on the light side of each pixel's threshold, 0 elsewhere. method: one of "
          "ci_id.BINARIZE_*; tiles_x, tiles_y (int): tiles of the tiled methods; min_contrast "
          "(grey levels): the tiled mid-range's floor; contrast_threshold (grey levels) and "
          "reduction (int factor): the local-contrast method; mean_window (pixels, side) and "
          "mean_offset (grey levels): the local-mean method. The GIL is released.");
}

}  // namespace cid_py
