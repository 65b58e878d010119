// Rendered scenes of Data Matrix symbols and look-alikes with exact ground truth, for the tests
// of symbol location.
//
// A scene is a layout: symbols and distractors placed on a uniform background, each by its four
// image corners or by a placement (centre, module size, rotation, aspect, skew, perspective tilt).
// render() turns the layout into an 8-bit grey image under some imaging conditions: supersampled
// edges, an illumination gradient, Gaussian blur and Gaussian noise, in that order. The same
// layout may be rendered under many conditions; the truth does not change.
//
// The truth of a Data Matrix is its four outer corners (the outer edges of its outermost
// modules, without quiet zone) in image coordinates, in the order top-left, top-right,
// bottom-right, bottom-left of the symbol as printed: the vertex of the solid L is corners[3],
// its arms end at corners[0] and corners[2], and corners[1] is the far corner where the two
// timing sides meet. Pixel (i, j) covers [i, i + 1) x [j, j + 1).
//
// Two symbols, blur 0.8 pixels and noise of 4 grey levels:
//
//     cid_test::scene layout(640, 480);
//     cid_test::placement where;
//     where.centre = {200, 180};
//     where.unit = 5;  // pixels per module
//     where.rotation = 0.4;
//     const cid_test::dmTruth first = layout.addDataMatrix(cid_test::dmSymbol(18, 18, 1), where);
//     const cid_test::dmTruth second = layout.addDataMatrix(
//         cid_test::dmSymbol(48, 16, 2), {{{380, 300}, {620, 310}, {615, 390}, {378, 382}}});
//     cid_test::imagingConditions conditions;
//     conditions.blurSigma = 0.8;
//     conditions.noiseSigma = 4;
//     const cid_test::greyImage image = layout.render(conditions);
//     cid_test::imageView view(image);  // image_record.h: view.get() is a cimg_imageConst*
//     // ... locate, then compare with first.corners[3] (the L vertex) and the other corners.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "distractors.h"
#include "dm_symbol.h"
#include "grey_image.h"
#include "homography.h"
#include "raster.h"

namespace cid_test {

struct dmLook {
    ink colours;
    double quietZone = 1;  // modules of the light level painted round the symbol
};

struct dmTruth {
    quad corners;  // top-left, top-right (far corner), bottom-right, bottom-left (L vertex)
    int32_t columns;
    int32_t rows;

    // The image point of a point of the module grid: (0, 0) is the top-left corner, (columns,
    // rows) the bottom-right one, and (c + 0.5, r + 0.5) the centre of module (c, r).
    cmath_vect imagePoint(double column, double row) const;
};

struct imagingConditions {
    int32_t supersampling = 4;      // sub-pixels per pixel along each axis
    double illuminationSlopeX = 0;  // gain change per pixel, the gain being 1 at the centre
    double illuminationSlopeY = 0;
    double blurSigma = 0;   // pixels
    double noiseSigma = 0;  // grey levels
    uint32_t noiseSeed = 1;
};

class scene {
public:
    scene(int32_t width, int32_t height, double background = 190);

    dmTruth addDataMatrix(const dmSymbol& symbol, const quad& corners, const dmLook& look = {});
    // where.unit is the module size in pixels.
    dmTruth addDataMatrix(const dmSymbol& symbol, const placement& where, const dmLook& look = {});

    // Distractors; each returns the image corners of its body (without quiet zone).
    quad addText(const textClutter& text, const placement& where);
    quad addBarcode(const barcode1d& barcode, const placement& where);
    quad addNoisePatch(const noisePatch& patch, const placement& where);
    quad addPdf417Like(const pdf417Like& symbol, const placement& where);
    // Any art, its body mapped to the corners.
    void addArt(std::unique_ptr<planeArt> art, const quad& corners);
    quad addArt(std::unique_ptr<planeArt> art, const placement& where);

    // Items are painted in the order they were added, later ones over earlier ones.
    greyImage render(const imagingConditions& conditions = {}) const;

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    const std::vector<dmTruth>& dataMatrices() const { return truths_; }

private:
    struct item {
        std::shared_ptr<const planeArt> art;
        homography planeToImage;
    };

    int32_t width_;
    int32_t height_;
    double background_;
    std::vector<item> items_;
    std::vector<dmTruth> truths_;
};

}  // namespace cid_test
