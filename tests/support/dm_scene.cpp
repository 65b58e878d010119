#include "dm_scene.h"

#include <cmath>
#include <stdexcept>

namespace cid_test {

namespace {

class dmArt : public planeArt {
public:
    dmArt(const dmSymbol& symbol, const dmLook& look) : symbol_(symbol), look_(look) {
        if (!(look.quietZone >= 0)) throw std::invalid_argument("negative quiet zone");
    }

    double width() const override { return symbol_.columns(); }
    double height() const override { return symbol_.rows(); }
    double margin() const override { return look_.quietZone; }

    bool shade(double u, double v, double* grey) const override {
        bool dark = false;
        if (u >= 0 && u < width() && v >= 0 && v < height()) {
            dark = symbol_.isDark(static_cast<int32_t>(u), static_cast<int32_t>(v));
        }
        *grey = dark ? look_.colours.ofDark() : look_.colours.ofLight();
        return true;
    }

private:
    dmSymbol symbol_;
    dmLook look_;
};

}  // namespace

cmath_vect dmTruth::imagePoint(double column, double row) const {
    return homography::rectangleToQuad(columns, rows, corners).planeToImage({column, row});
}

scene::scene(int32_t width, int32_t height, double background)
    : width_(width), height_(height), background_(background) {
    if (width < 1 || height < 1) throw std::invalid_argument("empty scene");
}

dmTruth scene::addDataMatrix(const dmSymbol& symbol, const quad& corners, const dmLook& look) {
    addArt(std::make_unique<dmArt>(symbol, look), corners);
    truths_.push_back({corners, symbol.columns(), symbol.rows()});
    return truths_.back();
}

dmTruth scene::addDataMatrix(const dmSymbol& symbol, const placement& where, const dmLook& look) {
    return addDataMatrix(symbol, placeRectangle(where, symbol.columns(), symbol.rows()), look);
}

quad scene::addText(const textClutter& text, const placement& where) {
    return addArt(makeArt(text), where);
}

quad scene::addBarcode(const barcode1d& barcode, const placement& where) {
    return addArt(makeArt(barcode), where);
}

quad scene::addNoisePatch(const noisePatch& patch, const placement& where) {
    return addArt(makeArt(patch), where);
}

quad scene::addPdf417Like(const pdf417Like& symbol, const placement& where) {
    return addArt(makeArt(symbol), where);
}

void scene::addArt(std::unique_ptr<planeArt> art, const quad& corners) {
    homography map = homography::rectangleToQuad(art->width(), art->height(), corners);
    requireInFront(*art, map);
    items_.push_back({std::move(art), map});
}

quad scene::addArt(std::unique_ptr<planeArt> art, const placement& where) {
    const quad corners = placeRectangle(where, art->width(), art->height());
    addArt(std::move(art), corners);
    return corners;
}

greyImage scene::render(const imagingConditions& conditions) const {
    canvas target(width_, height_, background_);
    for (const item& each : items_) {
        paintArt(target, *each.art, each.planeToImage, conditions.supersampling);
    }
    if (conditions.illuminationSlopeX != 0 || conditions.illuminationSlopeY != 0) {
        applyIllumination(target, conditions.illuminationSlopeX, conditions.illuminationSlopeY);
    }
    gaussianBlur(target, conditions.blurSigma);
    addNoise(target, conditions.noiseSigma, conditions.noiseSeed);
    return quantise(target);
}

}  // namespace cid_test
