// Reed-Solomon codes: GF(2^m) codes (Data Matrix, QR Code) and the GF(929) code of PDF417.
#include <vector>

#include "ci_id/reedsolomon.h"
#include "module.h"

namespace cid_py {

namespace {

// One code record. Decoding writes the record's error positions, so calls keep the GIL: one
// decode at a time per code, and they are short.
class reedSolomon {
public:
    reedSolomon(int32_t eccWords, int32_t symbolBits, int32_t polynomial, int32_t firstRoot) {
        if (firstRoot != 0 && firstRoot != 1)
            throw py::value_error("ci_id: first_root must be 0 (QR Code) or 1 (Data Matrix)");
        check(firstRoot
                  ? cid2d_ReedSolomonCode_construct(&code_, symbolBits, eccWords, polynomial, 2)
                  : cid2d_qrReedSolomonCode_construct(&code_, symbolBits, eccWords, polynomial, 2),
              "code construction");
    }
    explicit reedSolomon(int32_t eccWords) {
        check(cid2d_PDF417RScode_construct(&code_, eccWords), "code construction");
    }
    ~reedSolomon() { cid2d_ReedSolomonCode_destruct(&code_); }
    reedSolomon(const reedSolomon&) = delete;
    reedSolomon& operator=(const reedSolomon&) = delete;

    int32_t eccWords() const { return code_.numEccWords; }
    int32_t fieldSize() const { return code_.fieldSize; }

    py::array_t<int32_t> encode(const std::vector<int32_t>& message) const {
        py::array_t<int32_t> ecc(code_.numEccWords);
        check(cid2d_ReedSolomonCode_GetECCWords(&code_, message.data(), int32_t(message.size()),
                                                ecc.mutable_data(), code_.numEccWords),
              "encode");
        return ecc;
    }

    py::object correct(std::vector<int32_t> codeword, const std::vector<int32_t>& erasures) {
        for (int32_t e : erasures) {
            if (e < 0 || size_t(e) >= codeword.size())
                throw py::value_error("ci_id: erasure index outside the codeword");
            codeword[size_t(e)] = -1;
        }
        int32_t corrected = 0;
        check(cid2d_ReedSolomonCode_CorrectErrs(&code_, codeword.data(), int32_t(codeword.size()),
                                                &corrected),
              "correct");
        if (corrected < 0) return py::none();
        return py::make_tuple(py::array_t<int32_t>(py::ssize_t(codeword.size()), codeword.data()),
                              corrected);
    }

private:
    cid2d_ReedSolomonCode code_{};
};

}  // namespace

void bindCodes(py::module_& m) {
    py::class_<reedSolomon>(m, "ReedSolomon",
                            "A Reed-Solomon code. Codewords are lists of ints; in GF(2^m) index i "
                            "holds the coefficient of x^i (check symbols first, then the message, "
                            "as encode gives them); in the PDF417 code index 0 is the first "
                            "codeword of the symbol (the highest-order one).")
        .def(py::init<int32_t, int32_t, int32_t, int32_t>(), py::arg("ecc_words"),
             py::arg("symbol_bits") = 8, py::arg("polynomial") = 0x12D, py::arg("first_root") = 1,
             "ReedSolomon(ecc_words, symbol_bits=8, polynomial=0x12D, first_root=1): a GF(2^m) "
             "code with ecc_words check symbols; polynomial is the field's primitive polynomial "
             "as a bit mask (0x12D Data Matrix, 0x11D QR Code); first_root 1 gives the roots "
             "alpha^1 .. (Data Matrix), 0 the roots alpha^0 .. (QR Code).")
        .def_static(
            "pdf417", [](int32_t eccWords) { return new reedSolomon(eccWords); },
            py::arg("ecc_words"),
            "ReedSolomon.pdf417(ecc_words): the PDF417 code over GF(929), for correction only.")
        .def_property_readonly("ecc_words", &reedSolomon::eccWords)
        .def_property_readonly("field_size", &reedSolomon::fieldSize,
                               "2^m - 1, or 929 for the PDF417 code")
        .def("encode", &reedSolomon::encode, py::arg("message"),
             "encode(message: list[int]) -> int32 array: the check symbols of a GF(2^m) "
             "message (message[-1] highest order).")
        .def("correct", &reedSolomon::correct, py::arg("codeword"),
             py::arg("erasures") = py::list(),
             "correct(codeword: list[int], erasures: list[int] = []) -> (int32 array, int) or "
             "None: the corrected codeword and the number of symbols corrected (errors plus "
             "erasures), or None when it lies beyond the code's reach (2 errors + erasures > "
             "ecc_words). erasures are indices of symbols known to be unreliable.");
}

}  // namespace cid_py
