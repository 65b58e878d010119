// The whole-image searches: Data Matrix, PDF417 and barcode candidates, as lists of symbols.
#include <vector>

#include "ci_id/search.h"
#include "module.h"

namespace cid_py {

namespace {

using searchFn = int32_t (*)(const cimg_imageConst*, const cid_searchOptions*, cid_symbol*, int32_t,
                             int32_t*);

const char* typeName(int32_t type) {
    switch (type) {
        case CID_SYMBOL_DATAMATRIX:
            return "datamatrix";
        case CID_SYMBOL_PDF417:
            return "pdf417";
        default:
            return "barcode";
    }
}

// Most images hold a handful of symbols; a fuller one is searched again with room for all.
std::vector<cid_symbol> search(searchFn fn, const py::array& array, int32_t types, int32_t spacing,
                               bool columns, bool allowSkew, bool allowAtBorder, double minSize,
                               double maxSize) {
    const imageView view(array);
    cid_searchOptions options;
    cid_searchOptions_init(&options);
    options.types = types;
    options.spacing = spacing;
    options.columns = columns;
    options.allowSkew = allowSkew;
    options.allowAtBorder = allowAtBorder;
    options.minSymbolSize = minSize;
    options.maxSymbolSize = maxSize;
    std::vector<cid_symbol> symbols(16);
    for (;;) {
        int32_t count = 0, status;
        {
            py::gil_scoped_release unlocked;
            status = fn(view.get(), &options, symbols.data(), int32_t(symbols.size()), &count);
        }
        check(status, "search");
        if (size_t(count) <= symbols.size()) {
            symbols.resize(size_t(count));
            return symbols;
        }
        symbols.resize(size_t(count));
    }
}

const char* kOptionsDoc =
    "\n\nArguments: image (2-D uint8 array; a slice searches that window, coordinates stay "
    "those of the slice); spacing (int, pixels between scan lines); columns (bool, walk columns "
    "as well as rows); allow_skew (bool, Data Matrix far sides fitted freely, for perspective); "
    "allow_at_border (bool, 2-D symbols may touch the image edge); min_size, max_size (float, "
    "pixels; max_size 0 means no limit). The GIL is released during the search. Raises "
    "ci_id.Error on a failing status.";

void defineSearch(py::module_& m, const char* name, searchFn fn, int32_t types,
                  const std::string& doc) {
    m.def(
        name,
        [fn, types](const py::array& image, int32_t spacing, bool columns, bool allowSkew,
                    bool allowAtBorder, double minSize, double maxSize) {
            return search(fn, image, types, spacing, columns, allowSkew, allowAtBorder, minSize,
                          maxSize);
        },
        py::arg("image"), py::kw_only(), py::arg("spacing") = 8, py::arg("columns") = false,
        py::arg("allow_skew") = false, py::arg("allow_at_border") = false,
        py::arg("min_size") = 15.0, py::arg("max_size") = 0.0, (doc + kOptionsDoc).c_str());
}

}  // namespace

void bindSearches(py::module_& m) {
    m.attr("DATAMATRIX") = CID_SYMBOL_DATAMATRIX;
    m.attr("PDF417") = CID_SYMBOL_PDF417;
    m.attr("BARCODE") = CID_SYMBOL_BARCODE;
    m.attr("ALL") = CID_SYMBOL_ALL;
    py::class_<cid_symbol>(m, "Symbol",
                           "A symbol found: type (str: 'datamatrix', 'pdf417' or 'barcode'), "
                           "quality (int, 0 .. 1000) and corners (four (x, y) pixel pairs). A Data "
                           "Matrix starts at its L vertex, then the end of one solid side, the far "
                           "corner, the end of the other solid side; a PDF417 has corners[0] and "
                           "corners[3] on its start pattern's side; a barcode candidate runs "
                           "across its bars from corners[0] to corners[1].")
        .def_property_readonly("type", [](const cid_symbol& s) { return typeName(s.type); })
        .def_readonly("quality", &cid_symbol::quality)
        .def_property_readonly("corners",
                               [](const cid_symbol& s) {
                                   py::list corners;
                                   for (const cmath_vect& c : s.corners)
                                       corners.append(py::make_tuple(c.x, c.y));
                                   return corners;
                               })
        .def("__repr__", [](const cid_symbol& s) {
            std::string text = std::string("Symbol(type='") + typeName(s.type) +
                               "', quality=" + std::to_string(s.quality) + ", corners=[";
            for (int k = 0; k < 4; ++k) {
                char pair[64];
                std::snprintf(pair, sizeof pair, "%s(%.2f, %.2f)", k ? ", " : "", s.corners[k].x,
                              s.corners[k].y);
                text += pair;
            }
            return text + "])";
        });
    defineSearch(m, "find_datamatrix", cid_findDataMatrix, CID_SYMBOL_DATAMATRIX,
                 "find_datamatrix(image, ...) -> list[Symbol]: every Data Matrix in the image.");
    defineSearch(m, "find_pdf417", cid_findPdf417, CID_SYMBOL_PDF417,
                 "find_pdf417(image, ...) -> list[Symbol]: every PDF417 in the image.");
    defineSearch(m, "find_barcodes", cid_findBarcodes, CID_SYMBOL_BARCODE,
                 "find_barcodes(image, ...) -> list[Symbol]: one-dimensional barcode candidates "
                 "(bar texture; bars up to about 45 pixels).");
    m.def(
        "find_symbols",
        [](const py::array& image, int32_t types, int32_t spacing, bool columns, bool allowSkew,
           bool allowAtBorder, double minSize, double maxSize) {
            return search(cid_findSymbols, image, types, spacing, columns, allowSkew, allowAtBorder,
                          minSize, maxSize);
        },
        py::arg("image"), py::kw_only(), py::arg("types") = int32_t(CID_SYMBOL_ALL),
        py::arg("spacing") = 8, py::arg("columns") = false, py::arg("allow_skew") = false,
        py::arg("allow_at_border") = false, py::arg("min_size") = 15.0, py::arg("max_size") = 0.0,
        (std::string("find_symbols(image, types=ci_id.ALL, ...) -> list[Symbol]: every symbol of "
                     "the kinds in types (int, an OR of ci_id.DATAMATRIX, PDF417, BARCODE).") +
         kOptionsDoc)
            .c_str());
}

}  // namespace cid_py
