// Grey morphology: separable running extrema along rows, then along columns.
#include "ci_id/morph.h"

#include <algorithm>

#include "ci_id/platform/cip_pel.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_runtime.h"
#include "ci_id/priv/ci_idut/pixel/image.h"
#include "ci_id/priv/ci_idut/pixel/morph_simd.h"
#include "ci_id/priv/ci_idut/pixel/running_extremum.h"
#include "ci_id/status.h"

namespace {

template <typename Better>
int32_t exportedRowExtremum(int32_t kernel, const uint8_t* source, uint8_t* destination, int32_t n,
                            int32_t* work) {
    CSTD_ASSERT(source && destination);
    CSTD_ASSERT(kernel >= 2 && kernel < n);
    CSTD_ASSERT(source + n <= destination || destination + n <= source);
    const int32_t half = cidut::kernelHalfWidth(kernel);
    csys::cleanupScope<1> scope;
    void* ring = nullptr;
    int32_t status = csys_memory_allocFastMem_internal(
        sizeof(int32_t) * static_cast<size_t>(cidut::queueCapacity(half, n)), &ring);
    if (status < 0) return scope.close(status);
    scope.scratch<csys_memory_free_internal>(&ring);
    int32_t dropped =
        cidut::runningExtremum<Better>(source, destination, n, half, static_cast<int32_t*>(ring));
    if (work) *work = dropped;
    return scope.close(0);
}

using cidut::morphPlane;

struct kernelShape {
    int32_t width;
    int32_t height;
};

// The portable separable pass from input into output (distinct, or the same plane): the row
// function along every row, then along every column copied into a buffer; the column pass reads
// what the row pass wrote.
struct portablePasses {
    int32_t* ring;
    uint8_t* column;  // two columns of the window's height, when columns are filtered

    template <typename Better>
    void run(morphPlane input, morphPlane output, int32_t width, int32_t height,
             kernelShape kernel) const {
        if (kernel.width > 1) {
            const int32_t half = cidut::kernelHalfWidth(kernel.width);
            for (int32_t y = 0; y < height; ++y) {
                cidut::runningExtremum<Better>(input.pixels + y * input.pitch,
                                               output.pixels + y * output.pitch, width, half, ring);
            }
            input = output;
        }
        if (kernel.height > 1) {
            const int32_t half = cidut::kernelHalfWidth(kernel.height);
            uint8_t* gathered = column;
            uint8_t* filtered = column + height;
            for (int32_t x = 0; x < width; ++x) {
                for (int32_t y = 0; y < height; ++y)
                    gathered[y] = input.pixels[y * input.pitch + x];
                cidut::runningExtremum<Better>(gathered, filtered, height, half, ring);
                for (int32_t y = 0; y < height; ++y)
                    output.pixels[y * output.pitch + x] = filtered[y];
            }
        }
    }
    void operator()(morphPlane input, morphPlane output, int32_t width, int32_t height,
                    kernelShape kernel, bool maximum) const {
        if (maximum) {
            run<cidut::greater>(input, output, width, height, kernel);
        } else {
            run<cidut::less>(input, output, width, height, kernel);
        }
    }
};

struct vectorPasses {
    cidut::morphSimdPass run;
    uint8_t* scratch;

    void operator()(morphPlane input, morphPlane output, int32_t width, int32_t height,
                    kernelShape kernel, bool maximum) const {
        run(cidut::morphSimdJob{input, output, width, height, kernel.width, kernel.height,
                                maximum, scratch});
    }
};

template <typename Passes>
void runType(uint32_t type, morphPlane input, morphPlane intermediate, morphPlane output,
             int32_t width, int32_t height, kernelShape kernel, const Passes& pass) {
    switch (type) {
        case CIDUT_MORPH_DILATE:
            pass(input, output, width, height, kernel, true);
            break;
        case CIDUT_MORPH_ERODE:
            pass(input, output, width, height, kernel, false);
            break;
        case CIDUT_MORPH_OPEN:
            pass(input, intermediate, width, height, kernel, false);
            pass(intermediate, output, width, height, kernel, true);
            break;
        case CIDUT_MORPH_CLOSE:
            pass(input, intermediate, width, height, kernel, true);
            pass(intermediate, output, width, height, kernel, false);
            break;
        default:
            break;
    }
}

int32_t newImageOf(const cstd_rect32& rect, cimg_image* image) {
    cimg_image fresh;
    int32_t status = cimg_image_constructRect(&fresh, CIMG_DEPTH_8U, &rect);
    if (status < 0) return status;
    status = cimg_image_assign(image, &fresh);
    cimg_image_destruct(&fresh);
    return status;
}

// Whether the destination can take the result in place: target then shares its pixels, with
// the source's image offset and window rect.
bool takesResultInPlace(const cimg_imageConst* source, const cimg_image* destination,
                        const cstd_rect32& rect, cimg_image* target) {
    int32_t bound = 0;
    cimg_image_getIsBound(destination, &bound);
    if (!bound || destination->asConst.depth != CIMG_DEPTH_8U) return false;
    int32_t contains = 0;
    return cimg_image_assign(target, destination) >= 0 && cimg_image_setEntire(target) >= 0 &&
           cimg_image_setImageOffset(target, source->xOffset, source->yOffset) >= 0 &&
           cstd_rect32_containsRect(&target->asConst.window, &rect, &contains) >= 0 && contains &&
           cimg_image_setWindowRect(target, &rect) >= 0 &&
           cip_pelfunc_checkMemoryOverlap(source, &target->asConst) == 0;
}

// Points target at the pixels that receive the result, window rect.
int32_t chooseTarget(const cimg_imageConst* source, const cimg_image* destination,
                     const cstd_rect32& rect, cimg_image* target) {
    if (takesResultInPlace(source, destination, rect, target)) return 0;
    return newImageOf(rect, target);
}

bool copiesSource(kernelShape kernel, int32_t width, int32_t height) {
    return kernel.width > width || kernel.height > height ||
           (kernel.width < 2 && kernel.height < 2);
}

// Allocates a scratch block of bytes in fast memory, released by scope.
template <int N>
int32_t scratchBlock(csys::cleanupScope<N>& scope, size_t bytes, void** block) {
    int32_t status = csys_memory_allocFastMem_internal(bytes, block);
    if (status >= 0) scope.template scratch<csys_memory_free_internal>(block);
    return status;
}

int32_t filterInto(const cimg_imageConst* source, const cimg_windowConst& in, uint32_t type,
                   kernelShape kernel, cimg_image* target) {
    const int32_t width = in.width;
    const int32_t height = in.height;
    if (copiesSource(kernel, width, height)) return cip_pelCopyWindow8(source, target);
    // A side below 2 runs no pass along its axis, as a side of 1 does.
    kernel = kernelShape{std::max(kernel.width, 1), std::max(kernel.height, 1)};
    csys::cleanupScope<3> scope;
    cimg_image intermediate;
    cimg_image_constructUnbound(&intermediate);
    scope.scratch<cimg_image_destruct>(&intermediate);
    int32_t status = 0;
    if (type == CIDUT_MORPH_OPEN || type == CIDUT_MORPH_CLOSE) {
        status = newImageOf(cidut::rectOf(in), &intermediate);
    }
    cimg_window out;
    if (status >= 0) status = cimg_window_init(&out, target);
    if (status < 0) return scope.close(status);
    const morphPlane input{const_cast<uint8_t*>(in.pixels), in.pitch};
    const morphPlane between{intermediate.asConst.pixels, intermediate.asConst.pitch};
    const morphPlane output{out.pixels, out.pitch};
    void* first = nullptr;
    void* second = nullptr;
    // The vector pass needs a few rows and a ring of two column windows of rows; when that much
    // memory is not to be had, the portable kernel, which needs far less, does the work.
    const cidut::morphSimdPass vectorPass = cidut::morphSimdPassForThisProcessor();
    if (vectorPass && !cprt_isOptimizationInhibited(L"cidut_morph2d_run") &&
        scratchBlock(scope,
                     cidut::morphSimdScratchBytes(width, height, kernel.width, kernel.height),
                     &first) >= 0) {
        runType(type, input, between, output, width, height, kernel,
                vectorPasses{vectorPass, static_cast<uint8_t*>(first)});
        return scope.close(0);
    }
    const int32_t slots =
        std::max(cidut::queueCapacity(cidut::kernelHalfWidth(kernel.width), width),
                 cidut::queueCapacity(cidut::kernelHalfWidth(kernel.height), height));
    status = scratchBlock(scope, sizeof(int32_t) * static_cast<size_t>(slots), &first);
    if (status >= 0) status = scratchBlock(scope, 2 * static_cast<size_t>(height), &second);
    if (status < 0) return scope.close(status);
    runType(type, input, between, output, width, height, kernel,
            portablePasses{static_cast<int32_t*>(first), static_cast<uint8_t*>(second)});
    return scope.close(0);
}

}  // namespace

extern "C" {

int32_t rowExtremaMax(int32_t kernel, const uint8_t* source, uint8_t* destination, int32_t n,
                      int32_t* work) {
    return exportedRowExtremum<cidut::greater>(kernel, source, destination, n, work);
}

int32_t rowExtremaMin(int32_t kernel, const uint8_t* source, uint8_t* destination, int32_t n,
                      int32_t* work) {
    return exportedRowExtremum<cidut::less>(kernel, source, destination, n, work);
}

int32_t cidut_morph2d_run(const cimg_imageConst* source, cimg_image* destination, uint32_t type,
                          int32_t kw, int32_t kh) {
    CSTD_ASSERT(source && destination);
    cimg_windowConst in;
    int32_t status = cidut::window8(source, &in);
    if (status < 0) return status;
    const cstd_rect32 rect = cidut::rectOf(in);
    csys::cleanupScope<1> scope;
    cimg_image target;
    cimg_image_constructUnbound(&target);
    scope.scratch<cimg_image_destruct>(&target);
    status = chooseTarget(source, destination, rect, &target);
    if (status >= 0) status = filterInto(source, in, type, kernelShape{kw, kh}, &target);
    if (status >= 0) status = cimg_image_setWindowRect(&target, &rect);
    if (status >= 0) status = cimg_image_copyXforms(&target, source);
    if (status >= 0) status = cimg_image_assign(destination, &target);
    return scope.close(status);
}
}
