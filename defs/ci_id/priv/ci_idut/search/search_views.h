// Copies of the searched window for the passes the window itself does not serve: reduced or
// enlarged by whole factors along each axis and framed by a quiet zone, with the map back to
// image coordinates; and the list of symbols that the passes share, so that each is kept once.
#pragma once

#include <cstdint>

#include "ci_id/platform/cimg.h"
#include "ci_id/platform/cx_vector.h"
#include "ci_id/search.h"

namespace cidut {

// Each axis is enlarged by grow or reduced by shrink (one of them 1); pad pixels of the window's
// light level surround the result.
struct viewPlan {
    int32_t growX, growY;
    int32_t shrinkX, shrinkY;
    int32_t pad;
    uint8_t fill;  // the pad's grey level
};

// The window's edge: whether something about as dark as the window's darkest twentieth reaches
// it (a symbol cut by the edge or without a quiet zone; the framed view serves only such
// windows), and its light level, with which views are framed (the paper round a cropped label).
struct windowFrame {
    bool touched;
    uint8_t light;
};
void frameOf(const cimg_windowConst& window, windowFrame* frame);

// A view's own image (window at (0, 0)); image point = origin + view point / scale.
struct searchView {
    cimg_image image;
    double scaleX, scaleY;
    double originX, originY;
};

// A new view of window; release it with cimg_image_destruct(&view->image). A reduced pixel is
// the mean of the pixels it covers, an enlarged one repeats its pixel.
int32_t searchView_make(const cimg_windowConst& window, const viewPlan& plan, searchView* view);

// The symbol's corners, found in the view, in image coordinates.
cid_symbol symbolInImage(const searchView& view, const cid_symbol& symbol);

// The symbols of every pass; a symbol whose centre lies within one of the same type already kept
// (or that holds the centre of one) is the same symbol seen again and is dropped.
struct foundSymbols {
    cxVector<cid_symbol> list;

    int32_t add(const cid_symbol& symbol);
};

}  // namespace cidut
