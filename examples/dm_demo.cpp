// Finds every Data Matrix in PNG, JPEG and PGM images, the way an application calls ci_id:
//
//     dm_demo [options] image...
//       --spacing N   pixels between scan lines (default 8)
//       --columns     walk columns too, after the rows
//       --skew        allow skewed and perspective views (far sides fitted separately)
//       --border      allow symbols touching the image's edge
//       --truth FILE  compare with ground truth (truth.json of the sample corpus)
//       --out DIR     write each image with the located symbols drawn on it
//
// For each image it prints every symbol's corners: its L vertex (where the two solid sides
// meet), the ends of the solid sides and the far corner, and the time the search took.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <ci_id/ci_id.h>

#include "common/image_io.h"
#include "common/truth.h"

namespace {

struct options {
    int spacing = 8;
    bool columns = false;
    bool skew = false;
    bool border = false;
    std::string truth;
    std::string out;
    std::vector<std::string> images;
};

struct symbol {
    cmath_vect vertex, armEnds[2], farCorner;
};

void check(int32_t status, const char* what) {
    if (status < 0) {
        std::fprintf(stderr, "%s failed with status 0x%08X\n", what, static_cast<unsigned>(status));
        std::exit(2);
    }
}

// The search: scan lines, a marker image the library keeps its visited cells in, and a mask of
// the symbols found so far, so that each is reported once.
std::vector<symbol> findDataMatrices(const cimg_imageConst* image, int width, int height,
                                     const options& o) {
    cid2d_trackingParams params;
    cid2d_trackingParams_init(&params);
    std::vector<uint32_t> work(CID2D_WORK_BUFFER_MIN / 4 + 1);
    params.workBuffer = reinterpret_cast<unsigned char*>(work.data());
    params.workBufferSize = CID2D_WORK_BUFFER_MIN;
    params.allowSkew = o.skew;
    params.allowAtBorder = o.border;

    cimg_image marker;
    check(cimg_image_construct(&marker, CIMG_DEPTH_8U, (width + 3) / 4, (height + 3) / 4),
          "marker");
    cid_mask mask;
    check(cid_mask_construct(&mask, image), "mask");
    cid2d_trackingResult result;
    check(cid2d_trackingResult_construct(&result), "result");

    std::vector<symbol> found;
    for (int pass = 0; pass < (o.columns ? 2 : 1); ++pass) {
        std::vector<int32_t> lines;
        for (int p = o.spacing / 2; p < (pass == 0 ? height : width); p += o.spacing)
            lines.push_back(p);
        params.scanLines = lines.data();
        params.scanLineCount = static_cast<int32_t>(lines.size());
        params.scanLinesAreRows = pass == 0;
        params.firstScanLine = 0;
        for (;;) {
            check(cf_BndFindNextDMSymbol(image, &params, &mask, 0, nullptr, 0, &marker, &result),
                  "search");
            if (!result.found) break;
            found.push_back(
                symbol{result.rect.po, {result.rect.px, result.rect.py}, result.farCorner});
            cid_region region;
            check(
                cid_region_initAffineRect(&region, &result.rect,
                                          result.farCornerFromShape ? nullptr : &result.farCorner),
                "region");
            check(cid_mask_appendRegion(&mask, &region, 2.0), "mask");
            params.firstScanLine = result.scanLineIndex;  // the same line again, past this symbol
        }
    }
    cid2d_trackingResult_destruct(&result);
    cid_mask_destruct(&mask);
    cimg_image_destruct(&marker);
    return found;
}

double distance(const cmath_vect& a, const cmath_vect& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The largest corner error against true corners (top-left, top-right, bottom-right, bottom-left
// as printed; the L vertex is the bottom-left one).
double cornerError(const symbol& s, const cid_tools::quad& truth) {
    double arms =
        std::min(std::max(distance(s.armEnds[0], truth[0]), distance(s.armEnds[1], truth[2])),
                 std::max(distance(s.armEnds[0], truth[2]), distance(s.armEnds[1], truth[0])));
    return std::max({distance(s.vertex, truth[3]), arms, distance(s.farCorner, truth[1])});
}

void drawLine(cid_tools::greyImage& image, cmath_vect a, cmath_vect b) {
    int steps =
        static_cast<int>(std::ceil(std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y)))) + 1;
    for (int k = 0; k <= steps; ++k) {
        int x = static_cast<int>(std::floor(a.x + (b.x - a.x) * k / steps));
        int y = static_cast<int>(std::floor(a.y + (b.y - a.y) * k / steps));
        if (x >= 0 && y >= 0 && x < image.width && y < image.height) {
            image.at(x, y) = (k / 3) % 2 ? 255 : 0;  // dashes show on any background
        }
    }
}

void drawSymbol(cid_tools::greyImage& image, const symbol& s) {
    drawLine(image, s.vertex, s.armEnds[0]);
    drawLine(image, s.armEnds[0], s.farCorner);
    drawLine(image, s.farCorner, s.armEnds[1]);
    drawLine(image, s.armEnds[1], s.vertex);
    for (double d : {-4.0, 4.0}) {  // a cross on the L vertex
        drawLine(image, s.vertex, {s.vertex.x + d, s.vertex.y + d});
        drawLine(image, s.vertex, {s.vertex.x + d, s.vertex.y - d});
    }
}

std::string baseName(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    return name.substr(0, name.find_last_of('.'));
}

options parse(int argc, char** argv) {
    options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--spacing" && i + 1 < argc)
            o.spacing = std::max(1, std::atoi(argv[++i]));
        else if (a == "--columns")
            o.columns = true;
        else if (a == "--skew")
            o.skew = true;
        else if (a == "--border")
            o.border = true;
        else if (a == "--truth" && i + 1 < argc)
            o.truth = argv[++i];
        else if (a == "--out" && i + 1 < argc)
            o.out = argv[++i];
        else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "unknown option %s\n", a.c_str());
            std::exit(2);
        } else
            o.images.push_back(a);
    }
    if (o.images.empty()) {
        std::fprintf(stderr,
                     "usage: dm_demo [--spacing N] [--columns] [--skew] [--border] "
                     "[--truth FILE] [--out DIR] image...\n");
        std::exit(2);
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const options o = parse(argc, argv);
    std::map<std::string, cid_tools::truthEntry> truth;
    if (!o.truth.empty()) {
        for (const cid_tools::truthEntry& e : cid_tools::readTruth(o.truth)) truth[e.name] = e;
    }
    int expected = 0, found = 0, missed = 0, falsePositives = 0;
    std::vector<double> times;
    for (const std::string& path : o.images) {
        cid_tools::greyImage image = cid_tools::readImage(path);
        cimg_imageConst view;
        check(cimg_imageConst_constructWrap(&view, CIMG_DEPTH_8U, image.width, image.height,
                                            image.pitch, image.pixels.data()),
              "image");
        auto start = std::chrono::steady_clock::now();
        std::vector<symbol> symbols = findDataMatrices(&view, image.width, image.height, o);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        cimg_imageConst_destruct(&view);
        times.push_back(ms);
        std::printf("%s: %zu Data Matrix in %.2f ms\n", path.c_str(), symbols.size(), ms);
        for (const symbol& s : symbols) {
            std::printf(
                "  L vertex (%.2f, %.2f)  arm ends (%.2f, %.2f) (%.2f, %.2f)  far corner (%.2f, "
                "%.2f)\n",
                s.vertex.x, s.vertex.y, s.armEnds[0].x, s.armEnds[0].y, s.armEnds[1].x,
                s.armEnds[1].y, s.farCorner.x, s.farCorner.y);
        }
        auto t = truth.find(baseName(path));
        if (t != truth.end()) {
            bool isDataMatrix = t->second.kind == "datamatrix" && t->second.corners[3].x > -50;
            bool matched = false;
            for (const symbol& s : symbols) {
                double error = cornerError(s, t->second.corners);
                double module =
                    distance(t->second.corners[2], t->second.corners[3]) / t->second.columns;
                if (isDataMatrix && !matched && error <= std::max(3.0, module)) {
                    matched = true;
                    std::printf("  truth: found, largest corner error %.2f px\n", error);
                } else {
                    ++falsePositives;
                    std::printf("  truth: false positive\n");
                }
            }
            expected += isDataMatrix;
            found += isDataMatrix && matched;
            missed += isDataMatrix && !matched;
            if (isDataMatrix && !matched) std::printf("  truth: missed\n");
        }
        if (!o.out.empty()) {
            for (const symbol& s : symbols) drawSymbol(image, s);
            cid_tools::writePng(image, o.out + "/" + baseName(path) + ".png");
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("\n%zu images, median time %.2f ms", times.size(), times[times.size() / 2]);
    if (!truth.empty()) {
        std::printf("; Data Matrix expected %d, found %d, missed %d, false positives %d", expected,
                    found, missed, falsePositives);
    }
    std::printf("\n");
    return missed == 0 && falsePositives == 0 ? 0 : 1;
}
