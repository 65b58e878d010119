// JSON lines, the truth comparison and the annotated copies of ci_id-find.
#include "report.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

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

struct colour {
    uint8_t r, g, b;
};

const colour kDataMatrixColour{230, 0, 120};
const colour kPdf417Colour{0, 100, 255};
const colour kBarcodeColour{255, 130, 0};
const colour kMark{255, 220, 0};
const colour kWhite{255, 255, 255};
const colour kInk{20, 20, 20};

colour colourOf(int32_t type) {
    return type == CID_SYMBOL_DATAMATRIX ? kDataMatrixColour
           : type == CID_SYMBOL_PDF417   ? kPdf417Colour
                                         : kBarcodeColour;
}

cmath_vect middle(const cmath_vect& a, const cmath_vect& b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

// 5 x 7 glyphs, one byte per row, bit 4 on the left: the letters and digits the labels use.
struct glyph {
    char c;
    uint8_t rows[7];
};
const glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'m', {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11}},
    {'s', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
};

const uint8_t* glyphRows(char c) {
    for (const glyph& g : kFont) {
        if (g.c == c) return g.rows;
    }
    return nullptr;  // a space, or a character the labels never use
}

// A colour copy of a grey image with strokes, marks and labels sized to the image: strokes of 3
// pixels and text at twice the font's size on a 640 x 480 image, both larger on larger ones.
class picture {
public:
    picture(const cid_tools::greyImage& grey, const uint8_t* shade)
        : image_(grey, shade),
          thickness_(std::max(3, std::min(grey.width, grey.height) / 160)),
          scale_(std::max(2, std::min(grey.width, grey.height) / 240)) {}

    int thickness() const { return thickness_; }
    cid_tools::rgbImage take() { return std::move(image_); }

    void disc(cmath_vect centre, double radius, colour c) {
        const int x0 = int(std::floor(centre.x - radius)), x1 = int(std::ceil(centre.x + radius));
        const int y0 = int(std::floor(centre.y - radius)), y1 = int(std::ceil(centre.y + radius));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                if (std::hypot(x + 0.5 - centre.x, y + 0.5 - centre.y) <= radius) put(x, y, c);
            }
        }
    }

    // weight 1 or 2 strokes; dashes of four stroke widths.
    void line(cmath_vect a, cmath_vect b, colour c, int weight, bool dashed) {
        const double radius = weight * thickness_ / 2.0, length = std::hypot(b.x - a.x, b.y - a.y);
        const int steps = std::max(1, int(std::ceil(length * 2)));
        const double dash = 4.0 * weight * thickness_;
        for (int k = 0; k <= steps; ++k) {
            const double t = double(k) / steps;
            if (dashed && int(t * length / dash) % 2) continue;
            disc({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}, radius, c);
        }
    }

    // White text on a box of the symbol's colour above its outline (below it at the top edge).
    void label(const cid_symbol& s, const std::string& text, colour c) {
        double left = s.corners[0].x, top = s.corners[0].y, bottom = top;
        for (const cmath_vect& p : s.corners) {
            left = std::min(left, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
        const int height = 9 * scale();
        const int y = top - height - 2 * thickness_ >= 0 ? int(top) - height - 2 * thickness_
                                                         : int(bottom) + 2 * thickness_;
        text_(int(left), y, text, c);
    }

    // A short word centred on a point.
    void tag(cmath_vect at, const std::string& text, colour c) {
        const int width = int(text.size()) * 6 * scale() + 2 * scale();
        text_(int(at.x) - width / 2, int(at.y) - 9 * scale() / 2, text, c);
    }

private:
    int scale() const { return scale_; }

    void put(int x, int y, colour c) {
        if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return;
        uint8_t* p = image_.at(x, y);
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }

    // A box of the given colour with white text; the box is moved inside the picture.
    void text_(int x, int y, const std::string& text, colour c) {
        const int s = scale(), width = int(text.size()) * 6 * s + 2 * s, height = 9 * s;
        x = std::clamp(x, 0, std::max(0, image_.width - width));
        y = std::clamp(y, 0, std::max(0, image_.height - height));
        for (int py = y; py < y + height; ++py) {
            for (int px = x; px < x + width; ++px) put(px, py, c);
        }
        for (size_t k = 0; k < text.size(); ++k) {
            const uint8_t* rows = glyphRows(text[k]);
            if (!rows) continue;
            for (int r = 0; r < 7; ++r) {
                for (int col = 0; col < 5; ++col) {
                    if (!(rows[r] >> (4 - col) & 1)) continue;
                    for (int d = 0; d < s * s; ++d)
                        put(x + s + int(k) * 6 * s + col * s + d % s, y + s + r * s + d / s,
                            c.r + c.g + c.b > 500 ? kInk : kWhite);
                }
            }
        }
    }

    cid_tools::rgbImage image_;
    int thickness_;
    int scale_;
};

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

cid_tools::rgbImage annotate(const cid_tools::greyImage& image, const imageResult& result) {
    // The picture is lightened and flattened so that the strong colours stand out on any scene.
    uint8_t shade[256];
    for (int g = 0; g < 256; ++g) shade[g] = uint8_t(90 + g * 150 / 255);
    picture pic(image, shade);
    char time[32];
    std::snprintf(time, sizeof time, " %.1f ms", result.ms);
    for (const cid_symbol& s : result.symbols) {
        const colour c = colourOf(s.type);
        const cmath_vect* q = s.corners;
        if (s.type == CID_SYMBOL_DATAMATRIX) {
            // The L: both solid sides heavy, the far sides light, the vertex a disc.
            pic.line(q[1], q[2], c, 1, false);
            pic.line(q[2], q[3], c, 1, false);
            pic.line(q[0], q[1], c, 2, false);
            pic.line(q[0], q[3], c, 2, false);
            pic.disc(q[0], 3 * pic.thickness(), kMark);
        } else if (s.type == CID_SYMBOL_PDF417) {
            // The start pattern's side heavy, the stop pattern's side heavy and dashed.
            pic.line(q[0], q[1], c, 1, false);
            pic.line(q[2], q[3], c, 1, false);
            pic.line(q[3], q[0], c, 2, false);
            pic.line(q[1], q[2], c, 2, true);
            pic.tag(middle(q[3], q[0]), "START", c);
            pic.tag(middle(q[1], q[2]), "STOP", c);
        } else {
            for (int k = 0; k < 4; ++k) pic.line(q[k], q[(k + 1) % 4], c, 1, false);
        }
        std::string label = typeName(s.type);
        for (char& ch : label) ch = char(std::toupper(static_cast<unsigned char>(ch)));
        pic.label(s, label + time, c);
    }
    return pic.take();
}

}  // namespace cid_find
