// The order of errorPositions after a decode: that of the root search, by the roots' field values
// in GF(256) and by the trial exponent, so descending index, for PDF417.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "rs_test_support.h"

namespace {

TEST(RsErrorOrder, PositionsComeInTheOrderOfTheRootSearch) {
    // GF(256) with x^8 + x^5 + x^3 + x^2 + 1; an error at index p has the root alpha^-p.
    int32_t power[255];
    for (int32_t i = 0, v = 1; i < 255; ++i, v = (v << 1) ^ ((v & 0x80) ? 0x12D : 0)) power[i] = v;
    cid_test::rsCode dm, pdf;
    ASSERT_EQ(cid2d_ReedSolomonCode_construct(&dm.code, 8, 10, 0x12D, 2), 0);
    ASSERT_EQ(cid2d_PDF417RScode_construct(&pdf.code, 10), 0);
    std::vector<int> binary = {3, 12, 17, 26, 29};
    std::vector<int32_t> word(30, 0);  // the zero codeword, with errors and one erasure
    for (int p : binary) word[size_t(p)] = 1 + p;
    word[12] = -1;
    int32_t result = 7;
    ASSERT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&dm.code, word.data(), 30, &result), 0);
    ASSERT_EQ(result, 5);
    std::sort(binary.begin(), binary.end(),
              [&](int a, int b) { return power[(255 - a) % 255] < power[(255 - b) % 255]; });
    EXPECT_EQ(std::vector<int>(dm.code.errorPositions, dm.code.errorPositions + 5), binary);
    EXPECT_EQ(word, std::vector<int32_t>(30, 0));

    std::vector<int32_t> prime(40, 0);
    for (int p : {2, 30, 9}) prime[size_t(p)] = 100 + p;
    ASSERT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&pdf.code, prime.data(), 40, &result), 0);
    ASSERT_EQ(result, 3);
    EXPECT_EQ(std::vector<int>(pdf.code.errorPositions, pdf.code.errorPositions + 3),
              (std::vector<int>{30, 9, 2}));
}

}  // namespace
