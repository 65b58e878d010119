// Fourier transforms of grey images: radix-2 and direct transforms in double precision, and the
// 32-bit fixed-point transform.
#include <complex>

#include "ci_id/fft.h"
#include "module.h"

namespace cid_py {

namespace {

// An unbound record the library fills, released on every exit.
struct newImage {
    cimg_image image;
    newImage() { cimg_image_constructUnbound(&image); }
    ~newImage() { cimg_image_destruct(&image); }
};

py::array fft(const py::array& image, const std::string& output, bool rowsOnly) {
    const imageView view(image);
    static const char* const kModes[] = {"complex", "magnitude", "power", "log_power"};
    int32_t mode = 0;
    while (mode < 4 && output != kModes[mode]) ++mode;
    if (mode == 4)
        throw py::value_error(
            "ci_id: output must be 'complex', 'magnitude', 'power' or "
            "'log_power'");
    newImage spectrum;
    int32_t status;
    {
        py::gil_scoped_release unlocked;
        status = cfPelFFT(view.get(), &spectrum.image, mode, rowsOnly);
    }
    check(status, "fft");
    py::array_t<double> values = copyDoubles(spectrum.image.asConst);
    if (mode != 0) return std::move(values);
    // (re, im) pairs of doubles are complex128 values.
    return values.attr("view")("complex128");
}

py::array_t<std::complex<double>> dft(
    const py::array_t<uint8_t, py::array::c_style | py::array::forcecast>& pixels) {
    if (pixels.ndim() != 2 || pixels.shape(0) < 1 || pixels.shape(1) < 1 ||
        pixels.shape(0) > 4096 || pixels.shape(1) > 4096)
        throw py::value_error("ci_id: dft takes a non-empty 2-D block of at most 4096 x 4096");
    const auto height = int32_t(pixels.shape(0)), width = int32_t(pixels.shape(1));
    std::vector<double> re(size_t(width) * size_t(height)), im(re.size());
    {
        py::gil_scoped_release unlocked;
        check(cf2DDFT(pixels.data(), height, width, re.data(), im.data()), "dft");
    }
    py::array_t<std::complex<double>> out({height, width});
    std::complex<double>* to = out.mutable_data();
    for (size_t k = 0; k < re.size(); ++k) to[k] = {re[k], im[k]};
    return out;
}

py::array_t<int32_t> fftFixed(
    const py::array_t<uint8_t, py::array::c_style | py::array::forcecast>& pixels) {
    if (pixels.ndim() != 2 || pixels.shape(0) > 512 || pixels.shape(1) > 512)
        throw py::value_error("ci_id: fft_fixed takes a 2-D block with sides 32 .. 512");
    const auto height = int32_t(pixels.shape(0)), width = int32_t(pixels.shape(1));
    std::vector<cf_fixedComplex32> spectrum(size_t(width) * size_t(height));
    int32_t status;
    {
        py::gil_scoped_release unlocked;
        status = cf2DFFT_32x32_fixed(0, 0, pixels.data(), spectrum.data(), width, height, 0, 0);
    }
    check(status, "fft_fixed");
    py::array_t<int32_t> out({height, width, 2});
    int32_t* to = out.mutable_data();
    for (size_t k = 0; k < spectrum.size(); ++k) {
        to[2 * k] = spectrum[k].re;
        to[2 * k + 1] = spectrum[k].im;
    }
    return out;
}

}  // namespace

void bindTransforms(py::module_& m) {
    m.def("fft", &fft, py::arg("image"), py::arg("output") = "complex",
          py::arg("rows_only") = false,
          "fft(image, output='complex', rows_only=False) -> array: the unnormalised radix-2 FFT "
          "(forward sign negative) of the image, whose sides must be powers of two up to 1024 "
          "(only the width with rows_only). Row index v, column index u. output: 'complex' "
          "(complex128), 'magnitude', 'power' or 'log_power' (float64, log(power + 1e-10)). "
          "rows_only: each row alone, keeping frequencies 0 .. width/2 - 1. Twiddles are "
          "accurate to about 1e-6 of the spectrum's scale. The GIL is released.");
    m.def("dft", &dft, py::arg("pixels"),
          "dft(pixels) -> complex128 array: the direct 2-D DFT of a small uint8 block (any "
          "size), unnormalised, forward sign negative; row index v, column index u.");
    m.def("fft_fixed", &fftFixed, py::arg("pixels"),
          "fft_fixed(pixels) -> int32 array (rows, columns, 2) of (re, im): the 32-bit "
          "fixed-point FFT of a uint8 block with sides 32, 64, 128, 256 or 512; the pixels are "
          "scaled by floor(2^(31 - log2 W) / 255) and the result divided by the height, so the "
          "spectrum is X(pixels * scale) / H.");
}

}  // namespace cid_py
