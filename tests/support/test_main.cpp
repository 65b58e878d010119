#include <gtest/gtest.h>

#include "test_support.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    cid_test::installThrowingAssertHandler();
    return RUN_ALL_TESTS();
}
