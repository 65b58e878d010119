// Image records over shared, reference-counted pixel buffers.
#include <atomic>
#include <new>

#include "ci_id/platform/cimg.h"
#include "ci_id/platform/csys_assert.h"
#include "ci_id/platform/csys_memory.h"
#include "ci_id/platform/csys_status.h"

struct cimg_pixelBuffer {
    std::atomic<int32_t> references;
    void* block;  // null when the pixels belong to the caller
};

namespace {

// Rows start on 16-byte boundaries so that row kernels may use aligned vector loads.
constexpr intptr_t kRowAlignment = 16;

bool validDepth(int32_t depth) {
    return depth == CIMG_DEPTH_8U || depth == CIMG_DEPTH_32S || depth == CIMG_DEPTH_64F;
}

void initUnbound(cimg_imageConst* image) {
    *image = cimg_imageConst{};
    cmath_xformLinear_initIdentity(&image->imageFromClient);
    cmath_xformLinear_initIdentity(&image->clientFromImage);
}

int32_t newBuffer(void* block, cimg_pixelBuffer** buffer) {
    void* memory = nullptr;
    int32_t status = csys_memory_alloc_internal(sizeof(cimg_pixelBuffer), &memory);
    if (status < 0) return status;
    *buffer = new (memory) cimg_pixelBuffer{{1}, block};
    return 0;
}

void retain(cimg_pixelBuffer* buffer) {
    if (buffer) buffer->references.fetch_add(1, std::memory_order_relaxed);
}

void release(cimg_pixelBuffer* buffer) {
    if (!buffer || buffer->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    void* block = buffer->block;
    csys_memory_free_internal(&block);
    buffer->~cimg_pixelBuffer();
    void* memory = buffer;
    csys_memory_free_internal(&memory);
}

// Checks a size and an origin: the image must be addressable with 32-bit image coordinates.
int32_t checkGeometry(int32_t depth, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!validDepth(depth) || width < 0 || height < 0) return CIMG_STATUS_INVALID_IMAGE;
    if (int64_t{x} + width > INT32_MAX || int64_t{y} + height > INT32_MAX) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    return 0;
}

void bindRecord(cimg_imageConst* image, cimg_pixelBuffer* buffer, unsigned char* pixels,
                intptr_t pitch, int32_t depth, const cstd_rect32& rect) {
    initUnbound(image);
    image->buffer = buffer;
    image->pixels = pixels;
    image->pitch = pitch;
    image->depth = depth;
    image->width = rect.width;
    image->height = rect.height;
    image->xOffset = rect.x;
    image->yOffset = rect.y;
    image->window = rect;
}

// Allocates zero-filled pixels for rect into a fresh record; image is written only on success.
int32_t allocatePixels(cimg_imageConst* image, int32_t depth, const cstd_rect32& rect) {
    int32_t status = checkGeometry(depth, rect.x, rect.y, rect.width, rect.height);
    if (status < 0) return status;
    size_t rowBytes = 0;
    size_t bytes = 0;
    status =
        csys_size_multiply(static_cast<size_t>(rect.width), static_cast<size_t>(depth), &rowBytes);
    if (status < 0) return status;
    size_t pitch = (rowBytes + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    status = csys_size_multiply(pitch, static_cast<size_t>(rect.height), &bytes);
    if (status < 0 || bytes > static_cast<size_t>(INTPTR_MAX)) {
        return CSYS_STATUS_SIZE_OUT_OF_RANGE;
    }
    void* block = nullptr;
    status = csys_memory_allocClear_internal(bytes, &block);
    if (status < 0) return status;
    cimg_pixelBuffer* buffer = nullptr;
    status = newBuffer(block, &buffer);
    if (status < 0) {
        csys_memory_free_internal(&block);
        return status;
    }
    bindRecord(image, buffer, static_cast<unsigned char*>(block), static_cast<intptr_t>(pitch),
               depth, rect);
    return 0;
}

int32_t wrapPixels(cimg_imageConst* image, int32_t depth, int32_t width, int32_t height,
                   intptr_t pitch, const void* pixels) {
    CSTD_ASSERT(image);
    CSTD_ASSERT(pixels || width == 0 || height == 0);
    int32_t status = checkGeometry(depth, 0, 0, width, height);
    if (status < 0) return status;
    if (pitch < int64_t{width} * depth) return CIMG_STATUS_INVALID_IMAGE;
    cimg_pixelBuffer* buffer = nullptr;
    status = newBuffer(nullptr, &buffer);
    if (status < 0) return status;
    // The record type is shared with writable images; a const view never writes through it.
    bindRecord(image, buffer, static_cast<unsigned char*>(const_cast<void*>(pixels)), pitch, depth,
               cstd_rect32{0, 0, width, height});
    return 0;
}

}  // namespace

extern "C" {

int32_t cimg_imageConst_construct(cimg_imageConst* image, int32_t depth, int32_t width,
                                  int32_t height) {
    CSTD_ASSERT(image);
    return allocatePixels(image, depth, cstd_rect32{0, 0, width, height});
}

int32_t cimg_image_construct(cimg_image* image, int32_t depth, int32_t width, int32_t height) {
    CSTD_ASSERT(image);
    return cimg_imageConst_construct(&image->asConst, depth, width, height);
}

int32_t cimg_imageConst_constructRect(cimg_imageConst* image, int32_t depth,
                                      const cstd_rect32* rect) {
    CSTD_ASSERT(image && rect);
    return allocatePixels(image, depth, *rect);
}

int32_t cimg_image_constructRect(cimg_image* image, int32_t depth, const cstd_rect32* rect) {
    CSTD_ASSERT(image);
    return cimg_imageConst_constructRect(&image->asConst, depth, rect);
}

int32_t cimg_imageConst_constructWrap(cimg_imageConst* image, int32_t depth, int32_t width,
                                      int32_t height, intptr_t pitch, const void* pixels) {
    return wrapPixels(image, depth, width, height, pitch, pixels);
}

int32_t cimg_image_constructWrap(cimg_image* image, int32_t depth, int32_t width, int32_t height,
                                 intptr_t pitch, void* pixels) {
    CSTD_ASSERT(image);
    return wrapPixels(&image->asConst, depth, width, height, pitch, pixels);
}

int32_t cimg_imageConst_constructUnbound(cimg_imageConst* image) {
    CSTD_ASSERT(image);
    initUnbound(image);
    return 0;
}

int32_t cimg_image_constructUnbound(cimg_image* image) {
    CSTD_ASSERT(image);
    return cimg_imageConst_constructUnbound(&image->asConst);
}

int32_t cimg_imageConst_constructCopy(cimg_imageConst* image, const cimg_imageConst* source) {
    CSTD_ASSERT(image && source);
    retain(source->buffer);
    *image = *source;
    return 0;
}

int32_t cimg_image_constructCopy(cimg_image* image, const cimg_image* source) {
    CSTD_ASSERT(image && source);
    return cimg_imageConst_constructCopy(&image->asConst, &source->asConst);
}

int32_t cimg_imageConst_assign(cimg_imageConst* destination, const cimg_imageConst* source) {
    CSTD_ASSERT(destination && source);
    if (destination == source) return 0;
    retain(source->buffer);
    release(destination->buffer);
    *destination = *source;
    return 0;
}

int32_t cimg_image_assign(cimg_image* destination, const cimg_image* source) {
    CSTD_ASSERT(destination && source);
    return cimg_imageConst_assign(&destination->asConst, &source->asConst);
}

int32_t cimg_image_assignNew(cimg_image* image, int32_t depth, int32_t width, int32_t height) {
    CSTD_ASSERT(image);
    cimg_imageConst fresh;
    int32_t status = allocatePixels(&fresh, depth, cstd_rect32{0, 0, width, height});
    if (status < 0) return status;
    release(image->asConst.buffer);
    image->asConst = fresh;
    return 0;
}

int32_t cimg_imageConst_setUnbound(cimg_imageConst* image) {
    CSTD_ASSERT(image);
    release(image->buffer);
    cmath_xformLinear imageFromClient = image->imageFromClient;
    cmath_xformLinear clientFromImage = image->clientFromImage;
    initUnbound(image);
    image->imageFromClient = imageFromClient;
    image->clientFromImage = clientFromImage;
    return 0;
}

int32_t cimg_image_setUnbound(cimg_image* image) {
    CSTD_ASSERT(image);
    return cimg_imageConst_setUnbound(&image->asConst);
}

int32_t cimg_imageConst_destruct(cimg_imageConst* image) {
    CSTD_ASSERT(image);
    release(image->buffer);
    initUnbound(image);
    return 0;
}

int32_t cimg_image_destruct(cimg_image* image) {
    CSTD_ASSERT(image);
    return cimg_imageConst_destruct(&image->asConst);
}

int32_t cimg_imageConst_getIsBound(const cimg_imageConst* image, int32_t* isBound) {
    CSTD_ASSERT(image && isBound);
    *isBound = image->buffer ? 1 : 0;
    return 0;
}

int32_t cimg_image_getIsBound(const cimg_image* image, int32_t* isBound) {
    CSTD_ASSERT(image);
    return cimg_imageConst_getIsBound(&image->asConst, isBound);
}
}

CSYS_TYPECHECK_DEFINE(cimg_image)
CSYS_TYPECHECK_DEFINE(cimg_imageConst)
