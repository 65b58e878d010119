/* Image ownership: a manager of a coarse and a fine view of one scene, handing out images for
 * fast access, and (in C++) two holders that tie an image record's construction to a scope. */
#ifndef CI_ID_IMAGEMANAGER_H
#define CI_ID_IMAGEMANAGER_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_typecheck.h"

CI_ID_EXTERN_C_BEGIN

/* Caller-owned. coarse and fine share the pixels of the images the manager was built from, with
 * identity client transforms and their image frames moved to (0, 0) (windows keep their pixels).
 * The work records and the three integers are set up (unbound, 0) and otherwise kept for the
 * caller. */
typedef struct cid2d_imageMemoryManager {
    cimg_imageConst coarse;
    cimg_imageConst coarseWork;
    int32_t coarseState;
    cimg_imageConst fine;
    cimg_imageConst fineWork;
    int32_t fineState;
    int32_t spare;
} cid2d_imageMemoryManager;

/* On failure the records constructed so far are destructed again and the status returned. */
CI_ID_API int32_t cid2d_imageMemoryManager_construct(cid2d_imageMemoryManager* manager,
                                                     const cimg_imageConst* coarseImage,
                                                     const cimg_imageConst* fineImage);
/* Destructs coarse, coarseWork, fine and fineWork in this order, stopping at the first failure,
 * whose status is returned. */
CI_ID_API int32_t cid2d_imageMemoryManager_destruct(cid2d_imageMemoryManager* manager);
/* The two getters share one parameter list: coarseImage (constructed) receives the coarse view
 * in the first, fineImage the fine view in the second; the other argument is not used and may be
 * null. */
CI_ID_API int32_t cid2d_imageMemoryManager_getCoarseImage(const cid2d_imageMemoryManager* manager,
                                                          cimg_imageConst* coarseImage,
                                                          cimg_imageConst* fineImage);
CI_ID_API int32_t cid2d_imageMemoryManager_getFineImage(const cid2d_imageMemoryManager* manager,
                                                        cimg_imageConst* coarseImage,
                                                        cimg_imageConst* fineImage);

/* Makes destination (constructed) refer to source's pixels, window and transforms; no pixel is
 * copied, so *copied is 0. CIMG_STATUS_NOT_BOUND, destination unchanged, for an unbound source. */
CI_ID_API int32_t cimg_imageConst_aliasToFastMem(const cimg_imageConst* source,
                                                 cimg_imageConst* destination, int32_t* copied);

CI_ID_EXTERN_C_END

CSYS_TYPECHECK_DECLARE(cid2d_imageMemoryManager)

#ifdef __cplusplus
/* Holders of an image record's construction state (not of its memory, which stays the caller's).
 * Built with construct true and a record, a holder constructs the record unbound; a holder that
 * holds a record destructs it when it dies. Copying a holder (construction or assignment) copies
 * the pointer only: both then hold the same record, and all but one must be released before they
 * die. release() lets go of the record without destructing it.
 *
 * A failing construction or destruction of the record throws cxException with the failure's
 * status, the message "ci_id/imagemanager.h" and the throwing source location; a destructor
 * running while another exception propagates never throws, and the failure is then dropped in
 * favour of the exception in flight. */
class CI_ID_API cc_ImageAutoPtr {
public:
    cc_ImageAutoPtr(cimg_image* image, bool construct);
    cc_ImageAutoPtr(const cc_ImageAutoPtr& other) = default;
    cc_ImageAutoPtr& operator=(const cc_ImageAutoPtr& other);
    ~cc_ImageAutoPtr() noexcept(false);

    void release();
    cimg_image* get() const { return image_; }

private:
    cimg_image* image_;
};

class CI_ID_API cc_ImageConstAutoPtr {
public:
    cc_ImageConstAutoPtr(cimg_imageConst* image, bool construct);
    cc_ImageConstAutoPtr(const cc_ImageConstAutoPtr& other) = default;
    cc_ImageConstAutoPtr& operator=(const cc_ImageConstAutoPtr& other);
    ~cc_ImageConstAutoPtr() noexcept(false);

    void release();
    cimg_imageConst* get() const { return image_; }

private:
    cimg_imageConst* image_;
};
#endif

#endif
