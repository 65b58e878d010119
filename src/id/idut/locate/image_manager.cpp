// The coarse/fine image manager and handing images out for fast access.
#include "ci_id/imagemanager.h"

#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_cleanup.h"

namespace {

// Gives view identity client transforms and moves its frame to (0, 0).
int32_t neutralView(cimg_imageConst* view) {
    cmath_xformLinear identity;
    cmath_xformLinear_initIdentity(&identity);
    int32_t status = cimg_imageConst_setLinearClientFromImageXform(view, &identity);
    if (status >= 0) status = cimg_imageConst_setImageOffset(view, 0, 0);
    return status;
}

}  // namespace

extern "C" {

int32_t cid2d_imageMemoryManager_construct(cid2d_imageMemoryManager* manager,
                                           const cimg_imageConst* coarseImage,
                                           const cimg_imageConst* fineImage) {
    CSTD_ASSERT(manager && coarseImage && fineImage);
    csys::cleanupScope<4> scope;
    int32_t status = cimg_imageConst_constructCopy(&manager->coarse, coarseImage);
    if (status < 0) return scope.close(status);
    scope.output<cimg_imageConst_destruct>(&manager->coarse);
    status = cimg_imageConst_constructCopy(&manager->fine, fineImage);
    if (status < 0) return scope.close(status);
    scope.output<cimg_imageConst_destruct>(&manager->fine);
    status = neutralView(&manager->coarse);
    if (status >= 0) status = neutralView(&manager->fine);
    if (status >= 0) status = cimg_imageConst_constructUnbound(&manager->coarseWork);
    if (status < 0) return scope.close(status);
    scope.output<cimg_imageConst_destruct>(&manager->coarseWork);
    status = cimg_imageConst_constructUnbound(&manager->fineWork);
    if (status < 0) return scope.close(status);
    scope.output<cimg_imageConst_destruct>(&manager->fineWork);
    manager->coarseState = 0;
    manager->fineState = 0;
    manager->spare = 0;
    return scope.close(0);
}

int32_t cid2d_imageMemoryManager_destruct(cid2d_imageMemoryManager* manager) {
    CSTD_ASSERT(manager);
    int32_t status = cimg_imageConst_destruct(&manager->coarse);
    if (status >= 0) status = cimg_imageConst_destruct(&manager->coarseWork);
    if (status >= 0) status = cimg_imageConst_destruct(&manager->fine);
    if (status >= 0) status = cimg_imageConst_destruct(&manager->fineWork);
    return status;
}

int32_t cid2d_imageMemoryManager_getCoarseImage(const cid2d_imageMemoryManager* manager,
                                                cimg_imageConst* coarseImage,
                                                cimg_imageConst* fineImage) {
    CSTD_ASSERT(manager && coarseImage);
    (void)fineImage;
    return cimg_imageConst_assign(coarseImage, &manager->coarse);
}

int32_t cid2d_imageMemoryManager_getFineImage(const cid2d_imageMemoryManager* manager,
                                              cimg_imageConst* coarseImage,
                                              cimg_imageConst* fineImage) {
    CSTD_ASSERT(manager && fineImage);
    (void)coarseImage;
    return cimg_imageConst_assign(fineImage, &manager->fine);
}

int32_t cimg_imageConst_aliasToFastMem(const cimg_imageConst* source, cimg_imageConst* destination,
                                       int32_t* copied) {
    CSTD_ASSERT(source && destination && copied);
    cimg_windowConst window;
    int32_t status = cimg_windowConst_init(&window, source);
    if (status < 0) return status;
    status = cimg_imageConst_assign(destination, source);
    if (status >= 0) *copied = 0;
    return status;
}
}

CSYS_TYPECHECK_DEFINE(cid2d_imageMemoryManager)
