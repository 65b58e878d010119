// Shared pieces of the Python module: statuses as exceptions, NumPy arrays as image records, and
// the functions that add each group of bindings.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cmath_vect.h"

namespace cid_py {

namespace py = pybind11;

// A failing status; the module turns it into ci_id.Error with .status and .name.
struct statusError : std::runtime_error {
    statusError(int32_t status, const std::string& call);
    int32_t status;
};

// The library's name for a status, or "0x8000xxxx" for one the table does not know.
std::string statusName(int32_t status);

inline void check(int32_t status, const char* call) {
    if (status < 0) throw statusError(status, call);
}

// A read-only image record over the pixels of a 2-D uint8 array, without a copy. The array must
// outlive the view; the callers hold it as an argument. Throws TypeError for another dtype and
// ValueError for another shape, an empty array, columns not one byte apart or rows not below
// each other.
class imageView {
public:
    explicit imageView(const py::array& array);
    ~imageView() { cimg_imageConst_destruct(&image_); }
    imageView(const imageView&) = delete;
    imageView& operator=(const imageView&) = delete;

    const cimg_imageConst* get() const { return &image_; }
    int32_t width() const { return image_.width; }
    int32_t height() const { return image_.height; }

private:
    cimg_imageConst image_;
};

// A point given as a pair of numbers, in pixels; ValueError when a coordinate is not finite or
// lies beyond +-limit.
cmath_vect pointFrom(const py::handle& pair, double limit, const char* name);

// A new C-contiguous copy of a double image record's window, shape (height, width * perPixel)
// as doubles.
py::array_t<double> copyDoubles(const cimg_imageConst& image);

void bindSearches(py::module_& m);
void bindLines(py::module_& m);
void bindThresholds(py::module_& m);
void bindCodes(py::module_& m);
void bindTransforms(py::module_& m);

}  // namespace cid_py
