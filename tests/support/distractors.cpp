#include "distractors.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "scene_random.h"

namespace cid_test {

namespace {

// Alternating bars and spaces along u, starting with a bar.
class barRow {
public:
    void add(int32_t width) { ends_.push_back(length() + width); }
    void add(std::initializer_list<int32_t> widths) {
        for (int32_t width : widths) add(width);
    }
    int32_t length() const { return ends_.empty() ? 0 : ends_.back(); }
    // u lies in [0, length).
    bool isBar(double u) const {
        const auto element = std::upper_bound(ends_.begin(), ends_.end(), u) - ends_.begin();
        return element % 2 == 0;
    }

private:
    std::vector<int32_t> ends_;
};

class textArt : public planeArt {
public:
    explicit textArt(const textClutter& text) : text_(text) {
        if (text.lines < 1 || text.glyphsPerLine < 1 || !(text.strokeWidth > 0)) {
            throw std::invalid_argument("text clutter needs lines, glyphs and a stroke width");
        }
        sceneRandom random(text.seed);
        glyphs_.resize(static_cast<size_t>(text.lines) * text.glyphsPerLine);
        for (auto& glyph : glyphs_) {
            if (random.integer(0, 7) == 0) continue;  // a space
            const int32_t strokes = random.integer(2, 4);
            for (int32_t s = 0; s < strokes; ++s) {
                const int32_t from = random.integer(0, 14);
                const int32_t to = (from + random.integer(1, 14)) % 15;
                glyph.push_back({anchor(from), anchor(to)});
            }
        }
    }

    double width() const override { return text_.glyphsPerLine * kAdvance - 2; }
    double height() const override { return text_.lines * kLinePitch - 4; }

    bool shade(double u, double v, double* grey) const override {
        const int32_t column =
            std::min(static_cast<int32_t>(u / kAdvance), text_.glyphsPerLine - 1);
        const int32_t line = std::min(static_cast<int32_t>(v / kLinePitch), text_.lines - 1);
        const cmath_vect local{u - column * kAdvance, v - line * kLinePitch};
        const double reach = text_.strokeWidth / 2;
        for (const stroke& s : glyphs_[static_cast<size_t>(line) * text_.glyphsPerLine + column]) {
            if (squaredDistance(local, s) <= reach * reach) {
                *grey = text_.colours.ofDark();
                return true;
            }
        }
        return false;
    }

private:
    static constexpr double kAdvance = 8;
    static constexpr double kLinePitch = 14;

    struct stroke {
        cmath_vect from;
        cmath_vect to;
    };

    static cmath_vect anchor(int32_t index) {
        return {0.5 + 2.5 * (index % 3), 0.5 + 2.25 * (index / 3)};
    }

    static double squaredDistance(const cmath_vect& p, const stroke& s) {
        const double dx = s.to.x - s.from.x, dy = s.to.y - s.from.y;
        const double t = std::clamp(
            ((p.x - s.from.x) * dx + (p.y - s.from.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        const double ex = s.from.x + t * dx - p.x, ey = s.from.y + t * dy - p.y;
        return ex * ex + ey * ey;
    }

    textClutter text_;
    std::vector<std::vector<stroke>> glyphs_;
};

class barcodeArt : public planeArt {
public:
    explicit barcodeArt(const barcode1d& barcode) : barcode_(barcode) {
        if (barcode.bars < 1 || !(barcode.height > 0) || !(barcode.quietZone >= 0)) {
            throw std::invalid_argument("a barcode needs bars, a height and a quiet zone");
        }
        sceneRandom random(barcode.seed);
        for (int32_t element = 0; element < 2 * barcode.bars - 1; ++element) {
            row_.add(random.integer(1, 4));
        }
    }

    double width() const override { return row_.length(); }
    double height() const override { return barcode_.height; }
    double margin() const override { return barcode_.quietZone; }

    bool shade(double u, double v, double* grey) const override {
        const bool inBody = u >= 0 && u < width() && v >= 0 && v < height();
        *grey = inBody && row_.isBar(u) ? barcode_.colours.ofDark() : barcode_.colours.ofLight();
        return true;
    }

private:
    barcode1d barcode_;
    barRow row_;
};

class noiseArt : public planeArt {
public:
    explicit noiseArt(const noisePatch& patch) : patch_(patch) {
        if (patch.cellsAcross < 1 || patch.cellsDown < 1) {
            throw std::invalid_argument("a noise patch needs cells");
        }
        sceneRandom random(patch.seed);
        cells_.resize(static_cast<size_t>(patch.cellsAcross) * patch.cellsDown);
        for (double& cell : cells_) {
            if (patch.binary) {
                cell = random.coin() ? patch.colours.ofDark() : patch.colours.ofLight();
            } else {
                cell = random.uniform(patch.colours.dark, patch.colours.light);
            }
        }
    }

    double width() const override { return patch_.cellsAcross; }
    double height() const override { return patch_.cellsDown; }

    bool shade(double u, double v, double* grey) const override {
        const auto column = static_cast<size_t>(u);
        const auto row = static_cast<size_t>(v);
        *grey = cells_[row * patch_.cellsAcross + column];
        return true;
    }

private:
    noisePatch patch_;
    std::vector<double> cells_;
};

class pdf417Art : public planeArt {
public:
    explicit pdf417Art(const pdf417Like& symbol) : symbol_(symbol) {
        if (symbol.rows < 1 || symbol.dataColumns < 1 || symbol.rowHeight < 1 ||
            !(symbol.quietZone >= 0)) {
            throw std::invalid_argument("a PDF417-like symbol needs rows, columns and a height");
        }
        sceneRandom random(symbol.seed);
        rows_.resize(symbol.rows);
        for (barRow& row : rows_) {
            row.add({8, 1, 1, 1, 1, 1, 1, 3});
            for (int32_t word = 0; word < symbol.dataColumns + 2; ++word) addCodeWord(row, random);
            row.add({7, 1, 1, 3, 1, 1, 1, 2, 1});
        }
    }

    double width() const override { return rows_.front().length(); }
    double height() const override { return symbol_.rows * symbol_.rowHeight; }
    double margin() const override { return symbol_.quietZone; }

    bool shade(double u, double v, double* grey) const override {
        bool bar = false;
        if (u >= 0 && u < width() && v >= 0 && v < height()) {
            bar = rows_[static_cast<size_t>(v / symbol_.rowHeight)].isBar(u);
        }
        *grey = bar ? symbol_.colours.ofDark() : symbol_.colours.ofLight();
        return true;
    }

private:
    // Eight elements of 1 to 6 modules adding up to 17: start from all ones and hand out the nine
    // remaining modules one at a time.
    static void addCodeWord(barRow& row, sceneRandom& random) {
        int32_t widths[8] = {1, 1, 1, 1, 1, 1, 1, 1};
        for (int32_t spare = 9; spare > 0;) {
            int32_t& width = widths[random.integer(0, 7)];
            if (width < 6) {
                ++width;
                --spare;
            }
        }
        for (int32_t width : widths) row.add(width);
    }

    pdf417Like symbol_;
    std::vector<barRow> rows_;
};

}  // namespace

std::unique_ptr<planeArt> makeArt(const textClutter& text) {
    return std::make_unique<textArt>(text);
}

std::unique_ptr<planeArt> makeArt(const barcode1d& barcode) {
    return std::make_unique<barcodeArt>(barcode);
}

std::unique_ptr<planeArt> makeArt(const noisePatch& patch) {
    return std::make_unique<noiseArt>(patch);
}

std::unique_ptr<planeArt> makeArt(const pdf417Like& symbol) {
    return std::make_unique<pdf417Art>(symbol);
}

}  // namespace cid_test
