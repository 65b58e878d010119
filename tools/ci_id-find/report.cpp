// JSON lines, the truth comparison and the annotated copies of ci_id-find.
#include "report.h"

#include <algorithm>
#include <cmath>

namespace cid_find {

namespace {

double distance(const cmath_vect& a, const cmath_vect& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string format(const char* pattern, double a, double b = 0) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

// The truth's corners (top-left, top-right, bottom-right, bottom-left as printed) in the order a
// found symbol's corners go round, for either way round: a Data Matrix starts at its L vertex
// (bottom-left) and has the far corner (top-right) opposite; a PDF417 starts on its start
// pattern's side (left).
double cornerError(const cid_symbol& s, const cid_tools::quad& t) {
    static const int kDataMatrix[2][4] = {{3, 0, 1, 2}, {3, 2, 1, 0}};
    static const int kPdf417[2][4] = {{0, 1, 2, 3}, {3, 2, 1, 0}};
    const auto& orders = s.type == CID_SYMBOL_DATAMATRIX ? kDataMatrix : kPdf417;
    double best = INFINITY;
    for (const auto& order : orders) {
        double worst = 0;
        for (int k = 0; k < 4; ++k) worst = std::max(worst, distance(s.corners[k], t[order[k]]));
        best = std::min(best, worst);
    }
    return best;
}

void drawLine(cid_tools::greyImage& image, cmath_vect a, cmath_vect b) {
    const int steps = int(std::ceil(std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y)))) + 1;
    for (int k = 0; k <= steps; ++k) {
        const double x = std::floor(a.x + (b.x - a.x) * k / steps);
        const double y = std::floor(a.y + (b.y - a.y) * k / steps);
        if (x >= 0 && y >= 0 && x < image.width && y < image.height) {
            image.at(int32_t(x), int32_t(y)) = (k / 3) % 2 ? 255 : 0;  // dashes show on any grey
        }
    }
}

}  // namespace

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

std::string jsonLine(const imageResult& r) {
    std::string out = "{\"file\": " + jsonString(r.file) +
                      ", \"width\": " + std::to_string(r.width) +
                      ", \"height\": " + std::to_string(r.height) +
                      ", \"ms\": " + format("%.3f", r.ms) + ", \"symbols\": [";
    for (size_t k = 0; k < r.symbols.size(); ++k) {
        const cid_symbol& s = r.symbols[k];
        out +=
            std::string(k ? ", " : "") + "{\"type\": \"" + typeName(s.type) + "\", \"corners\": [";
        for (int c = 0; c < 4; ++c) {
            out += (c ? ", " : "") + format("[%.3f, %.3f]", s.corners[c].x, s.corners[c].y);
        }
        out += "]}";
    }
    return out + "]" + (r.stopped ? ", \"stopped\": true" : "") + "}";
}

std::string truthName(const std::string& path) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    return name.substr(0, name.find_last_of('.'));
}

truthTally::truthTally(const std::vector<cid_tools::truthEntry>& entries) {
    for (const cid_tools::truthEntry& e : entries) entries_[e.name] = e;
    byKind_["datamatrix"];
    byKind_["pdf417"];
}

std::vector<std::string> truthTally::judge(const imageResult& result) {
    std::vector<std::string> lines;
    const auto entry = entries_.find(truthName(result.file));
    if (entry == entries_.end()) return lines;
    const cid_tools::truthEntry& t = entry->second;
    // Images without a symbol list corners far outside the image.
    const bool holdsSymbol = t.corners[3].x > -50;
    const double module = distance(t.corners[2], t.corners[3]) / t.columns;
    bool matched = false;
    for (const cid_symbol& s : result.symbols) {
        if (s.type == CID_SYMBOL_BARCODE) {
            ++barcodes_;
            continue;
        }
        const double error = cornerError(s, t.corners);
        if (holdsSymbol && !matched && typeName(s.type) == t.kind &&
            error <= std::max(3.0, module)) {
            matched = true;
            lines.push_back(t.kind + " found, largest corner error " + format("%.2f px", error));
        } else {
            ++byKind_[typeName(s.type)].falsePositives;
            lines.push_back(std::string(typeName(s.type)) + " false positive");
        }
    }
    if (holdsSymbol) {
        counts& c = byKind_[t.kind];
        ++c.expected;
        ++(matched ? c.found : c.missed);
        if (!matched) lines.push_back(t.kind + " missed");
    }
    return lines;
}

void truthTally::printSummary(std::FILE* to) const {
    for (const auto& [kind, c] : byKind_) {
        std::fprintf(to, "%s: expected %d, found %d, missed %d, false positives %d\n", kind.c_str(),
                     c.expected, c.found, c.missed, c.falsePositives);
    }
    std::fprintf(to, "barcode candidates: %d (the truth lists no one-dimensional barcodes)\n",
                 barcodes_);
}

void drawSymbols(cid_tools::greyImage& image, const std::vector<cid_symbol>& symbols) {
    for (const cid_symbol& s : symbols) {
        for (int k = 0; k < 4; ++k) drawLine(image, s.corners[k], s.corners[(k + 1) % 4]);
        const cmath_vect& c = s.corners[0];
        for (double d : {-4.0, 4.0}) {
            drawLine(image, c, {c.x + d, c.y + d});
            drawLine(image, c, {c.x + d, c.y - d});
        }
    }
}

}  // namespace cid_find
