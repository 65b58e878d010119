// The rendered Data Matrix scenes of the location benchmarks: one per size and content, rendered
// once per program.
#pragma once

#include <map>
#include <utility>

#include "scene.h"

// A symbol of 24 x 24 modules of 5 pixels (scaled with the image) under mild blur and noise, or
// the same background with noise alone.
inline const cid_test::greyImage& dmSceneOf(int width, int height, bool withSymbol) {
    using namespace cid_test;
    static std::map<std::pair<int, bool>, greyImage> scenes;
    auto key = std::make_pair(width, withSymbol);
    auto found = scenes.find(key);
    if (found != scenes.end()) return found->second;
    scene layout(width, height);
    if (withSymbol) {
        placement where;
        where.centre = {width * 0.45, height * 0.55};
        where.unit = 5.0 * width / 640;
        where.rotation = 0.5;
        dmLook look;
        look.quietZone = 2;
        layout.addDataMatrix(dmSymbol(24, 24, 11), where, look);
    }
    imagingConditions conditions;
    conditions.blurSigma = 0.7;
    conditions.noiseSigma = 4;
    return scenes.emplace(key, layout.render(conditions)).first->second;
}
