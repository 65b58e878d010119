// The rendered Data Matrix scenes of the location benchmarks: one per size and content, rendered
// once per program.
#pragma once

#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "scene.h"

// A symbol of 24 x 24 modules of 5 pixels (scaled with the image) under mild blur and Gaussian
// noise of noiseSigma grey levels (on a 30-220 contrast), or the same background with noise alone.
inline const cid_test::greyImage& dmSceneOf(int width, int height, bool withSymbol,
                                            int noiseSigma = 4) {
    using namespace cid_test;
    static std::map<std::tuple<int, bool, int>, greyImage> scenes;
    auto key = std::make_tuple(width, withSymbol, noiseSigma);
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
    conditions.noiseSigma = noiseSigma;
    return scenes.emplace(key, layout.render(conditions)).first->second;
}

// 240 rendered scenes of one symbol each, drawn at random (fixed seed) across the conditions the
// search must cope with: 2-8 pixels a module, perspective up to a fifth of the side (the far
// corner's distance from the L's parallelogram), blur up to 1.5 pixels, noise up to sigma 16,
// contrast from 50 grey levels, either polarity. Fewer would leave a found-rate uncertain by
// several percent.
struct dmHardScene {
    cid_test::greyImage image;
    cid_test::quad corners;
};

inline const std::vector<dmHardScene>& dmHardScenes() {
    using namespace cid_test;
    static const std::vector<dmHardScene> scenes = [] {
        std::vector<dmHardScene> out;
        std::mt19937 rng(2026);
        auto uniform = [&](double a, double b) {
            return std::uniform_real_distribution<>(a, b)(rng);
        };
        for (int k = 0; k < 240; ++k) {
            const int modules = std::vector<int>{12, 16, 18, 22, 26}[k % 5];
            dmLook look;
            const double contrast = uniform(50, 190);
            const double middle = uniform(40 + contrast / 2, 215 - contrast / 2);
            look.colours = ink{middle - contrast / 2, middle + contrast / 2, k % 2 == 1};
            look.quietZone = 2;
            placement where;
            where.unit = uniform(2, 8);
            const double side = where.unit * (modules + 4);
            const int size = int(side * 1.6) + 40;
            where.centre = {size / 2.0 + uniform(-10, 10), size / 2.0 + uniform(-10, 10)};
            where.rotation = uniform(0, 6.283);
            // The far corner lies up to a fifth of the side away from where the L alone puts it.
            where.tiltX = uniform(-0.1, 0.1);
            where.tiltY = uniform(-1, 1) * (0.1 - std::abs(where.tiltX));
            scene layout(size, size, look.colours.ofLight());
            const dmTruth truth = layout.addDataMatrix(dmSymbol(modules, modules, k), where, look);
            imagingConditions conditions;
            conditions.blurSigma = uniform(0, 1.5);
            conditions.noiseSigma = uniform(0, 16);
            conditions.noiseSeed = uint32_t(k + 1);
            out.push_back(dmHardScene{layout.render(conditions), truth.corners});
        }
        return out;
    }();
    return scenes;
}
