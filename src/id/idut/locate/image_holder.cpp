// Holders of image records' construction state.
#include <exception>

#include "ci_id/imagemanager.h"
#include "ci_id/platform/cx_exception.h"

namespace {

constexpr const wchar_t* kHolderHeader = L"ci_id/imagemanager.h";

// Throws a construction failure; a destruction failure only when no other exception is on its
// way out, since a second one would end the program.
void throwOnFailure(int32_t status, int32_t line) {
    if (status < 0) throw cxException(status, kHolderHeader, __FILE__, line);
}
void throwOnFailureUnlessUnwinding(int32_t status, int32_t line) {
    if (std::uncaught_exceptions() == 0) throwOnFailure(status, line);
}

}  // namespace

cc_ImageAutoPtr::cc_ImageAutoPtr(cimg_image* image, bool construct) : image_(image) {
    if (image_ && construct) throwOnFailure(cimg_image_constructUnbound(image_), __LINE__);
}

cc_ImageAutoPtr& cc_ImageAutoPtr::operator=(const cc_ImageAutoPtr& other) {
    image_ = other.image_;
    return *this;
}

cc_ImageAutoPtr::~cc_ImageAutoPtr() noexcept(false) {
    if (image_) throwOnFailureUnlessUnwinding(cimg_image_destruct(image_), __LINE__);
}

void cc_ImageAutoPtr::release() { image_ = nullptr; }

cc_ImageConstAutoPtr::cc_ImageConstAutoPtr(cimg_imageConst* image, bool construct) : image_(image) {
    if (image_ && construct) throwOnFailure(cimg_imageConst_constructUnbound(image_), __LINE__);
}

cc_ImageConstAutoPtr& cc_ImageConstAutoPtr::operator=(const cc_ImageConstAutoPtr& other) {
    image_ = other.image_;
    return *this;
}

cc_ImageConstAutoPtr::~cc_ImageConstAutoPtr() noexcept(false) {
    if (image_) throwOnFailureUnlessUnwinding(cimg_imageConst_destruct(image_), __LINE__);
}

void cc_ImageConstAutoPtr::release() { image_ = nullptr; }
