// The ci_id Python module: its exceptions, the precondition handler, NumPy images, and the
// groups of bindings from the other files.
#include "module.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "ci_id/platform/csys_assert.h"
#include "ci_id/status.h"
#include "common/image_io.h"

namespace cid_py {

namespace {

// One name per value; where headers give one value two names, the library-wide one is kept.
#define CID_PY_STATUS(s) \
    { s, #s }
const std::pair<int32_t, const char*> kStatusNames[] = {
    CID_PY_STATUS(CID_STATUS_FAILED),
    CID_PY_STATUS(CID_STATUS_NULL_ARGUMENT),
    CID_PY_STATUS(CID_STATUS_OUT_OF_RANGE),
    CID_PY_STATUS(CID_STATUS_EDGE_LIST_FULL),
    CID_PY_STATUS(CSYS_STATUS_OUT_OF_MEMORY),
    CID_PY_STATUS(CSYS_STATUS_STOP_REQUESTED),
    CID_PY_STATUS(CID_STATUS_INVALID_IMAGE),
    CID_PY_STATUS(CID_STATUS_IMAGE_NOT_BOUND),
    CID_PY_STATUS(CIMG_STATUS_OUTSIDE_IMAGE),
    CID_PY_STATUS(CID_STATUS_STATS_NOT_INITIALISED),
    CID_PY_STATUS(CID_STATUS_STATS_EMPTY),
    CID_PY_STATUS(CMATH_STATUS_ZERO_VECTOR),
    CID_PY_STATUS(CMATH_STATUS_SINGULAR),
    CID_PY_STATUS(CMATH_STATUS_POINT_AT_INFINITY),
    CID_PY_STATUS(CID_STATUS_NOT_AVAILABLE),
    CID_PY_STATUS(CIP_STATUS_MEMORY_OVERLAP),
    CID_PY_STATUS(CID_STATUS_PARALLEL_LINES),
    CID_PY_STATUS(CID_STATUS_INVALID_GEOMETRY),
    CID_PY_STATUS(CID_STATUS_DEGENERATE_SEGMENT),
    CID_PY_STATUS(CID_STATUS_DIVISION_BY_ZERO),
    CID_PY_STATUS(CID_STATUS_INVALID_VALUE),
    CID_PY_STATUS(CID_STATUS_NO_LINE_FIT),
    CID_PY_STATUS(CID_STATUS_ROBUST_FIT_FAILED),
    CID_PY_STATUS(CID_STATUS_RANGE_HAS_NO_BOUND),
    CID_PY_STATUS(CID_STATUS_OUTSIDE_WINDOW),
    CID_PY_STATUS(CID_STATUS_NOT_POWER_OF_TWO),
    CID_PY_STATUS(CID_STATUS_EMPTY_CONTOUR),
    CID_PY_STATUS(CID_STATUS_INVALID_PARAMETER),
    CID_PY_STATUS(CID_STATUS_CLASSIFIER_WINDOW_SIZE),
    CID_PY_STATUS(CBT_STATUS_NO_CONTOUR),
    CID_PY_STATUS(CMATH_STATUS_PARALLEL_LINES),
};
#undef CID_PY_STATUS

// A broken precondition inside the library, thrown by the handler below.
struct preconditionError : std::logic_error {
    using std::logic_error::logic_error;
};

// The library is C++ built with exceptions and releases what it holds through destructors, so a
// throw from the handler unwinds through its frames and reaches the binding, which raises. The
// bindings check their arguments first, so this is the second line of defence, not the first.
void throwPrecondition(const char* file, int32_t line) {
    const char* base = file ? std::strrchr(file, '/') : nullptr;
    throw preconditionError(std::string("ci_id precondition failed at ") +
                            (file ? (base ? base + 1 : file) : "?") + ":" + std::to_string(line));
}

py::array_t<uint8_t> readImage(const std::string& path) {
    cid_tools::greyImage image;
    try {
        image = cid_tools::readImage(path);
    } catch (const cid_tools::imageIoError& error) {
        throw py::value_error(error.what());
    }
    py::array_t<uint8_t> out({image.height, image.width});
    for (int32_t y = 0; y < image.height; ++y)
        std::memcpy(out.mutable_data(y, 0), image.row(y), size_t(image.width));
    return out;
}

}  // namespace

statusError::statusError(int32_t s, const std::string& call)
    : std::runtime_error(call + " failed: " + statusName(s)), status(s) {}

std::string statusName(int32_t status) {
    for (const auto& [value, name] : kStatusNames) {
        if (value == status) return name;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", unsigned(status));
    return hex;
}

imageView::imageView(const py::array& array) {
    if (!array.dtype().is(py::dtype::of<uint8_t>()))
        throw py::type_error("ci_id: image must be a uint8 array, not " +
                             std::string(py::str(array.dtype())));
    if (array.ndim() != 2)
        throw py::value_error("ci_id: image must be 2-D (rows, columns), not " +
                              std::to_string(array.ndim()) + "-D");
    const py::ssize_t height = array.shape(0), width = array.shape(1);
    if (height == 0 || width == 0) throw py::value_error("ci_id: image is empty");
    if (height > INT32_MAX || width > INT32_MAX) throw py::value_error("ci_id: image is too large");
    if (array.strides(1) != 1)
        throw py::value_error("ci_id: image columns must be adjacent bytes (column stride 1, not " +
                              std::to_string(array.strides(1)) + "); pass a copy");
    if (height > 1 && array.strides(0) < width)
        throw py::value_error("ci_id: image rows must follow each other (row stride at least " +
                              std::to_string(width) + ", not " + std::to_string(array.strides(0)) +
                              "); pass a copy");
    const intptr_t pitch = height > 1 ? intptr_t(array.strides(0)) : intptr_t(width);
    check(cimg_imageConst_constructWrap(&image_, CIMG_DEPTH_8U, int32_t(width), int32_t(height),
                                        pitch, array.data()),
          "image wrap");
}

cmath_vect pointFrom(const py::handle& pair, double limit, const char* name) {
    const auto seq = py::cast<py::sequence>(pair);
    if (seq.size() != 2) throw py::value_error(std::string("ci_id: ") + name + " must be (x, y)");
    const cmath_vect p{py::cast<double>(seq[0]), py::cast<double>(seq[1])};
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > limit ||
        std::fabs(p.y) > limit)
        throw py::value_error(std::string("ci_id: ") + name + " is not finite or too far out");
    return p;
}

py::array_t<double> copyDoubles(const cimg_imageConst& image) {
    cimg_windowConst w;
    check(cimg_windowConst_init(&w, &image), "window");
    const py::ssize_t perRow = py::ssize_t(w.width) * (w.depth / CIMG_DEPTH_64F);
    py::array_t<double> out({py::ssize_t(w.height), perRow});
    for (int32_t y = 0; y < w.height; ++y)
        std::memcpy(out.mutable_data(y, 0), w.pixels + y * w.pitch,
                    size_t(perRow) * sizeof(double));
    return out;
}

}  // namespace cid_py

PYBIND11_MODULE(ci_id, m) {
    namespace py = pybind11;
    using namespace cid_py;
    m.doc() =
        "Locating machine-readable symbols (Data Matrix, PDF417, barcodes) in 8-bit grey "
        "NumPy images, and the signal tools behind it. Images are 2-D uint8 arrays, used "
        "without a copy; a window is a slice. Coordinates are pixels: pixel (x, y) = "
        "image[y, x] covers [x, x + 1) x [y, y + 1).";
    static py::exception<statusError> error(m, "Error", PyExc_RuntimeError);
    static py::exception<preconditionError> precondition(m, "PreconditionError", PyExc_ValueError);
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const statusError& e) {
            py::object instance = py::reinterpret_borrow<py::object>(error)(py::str(e.what()));
            instance.attr("status") = e.status;
            instance.attr("name") = statusName(e.status);
            PyErr_SetObject(error.ptr(), instance.ptr());
        } catch (const preconditionError& e) {
            precondition(e.what());
        }
    });
    m.attr("Error").doc() = "A failing library status: .status (int, negative) and .name (str).";
    cstd_assert_setHandler(throwPrecondition);

    m.def("status_name", &statusName, py::arg("status"),
          "status_name(status: int) -> str: the library's name of a status value.");
    m.def("read_image", &readImage, py::arg("path"),
          "read_image(path: str) -> uint8 array (rows, columns): a PNG, JPEG or binary PGM file "
          "as grey levels (colour by Rec. 601 luma). ValueError when it cannot be read.");
    bindSearches(m);
    bindLines(m);
    bindThresholds(m);
    bindCodes(m);
    bindTransforms(m);
}
