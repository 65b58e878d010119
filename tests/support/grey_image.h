// The tests' pixel container is the tools' grey image (tools/common/grey_image.h).
#pragma once

#include "common/grey_image.h"

namespace cid_test {

using cid_tools::greyImage;

}  // namespace cid_test
