// GF(929) codes: the PDF417 code object through the shared decoder, and the CC-A decoder, both
// against an encoder written here (generator roots 3^1 .. 3^k) and the PDF417 standard's example.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "ci_id/reedsolomon.h"
#include "ci_id/status.h"
#include "rs_reference.h"
#include "rs_test_support.h"

namespace {

using cid_test::rsCode;

constexpr int32_t kMaxSymbol = 928;

// A PDF417 codeword sequence: data then check codewords, highest order first.
std::vector<int32_t> pdfCodeword(int dataLength, int k, std::mt19937& rng) {
    std::vector<int32_t> words = cid_test::randomSymbols(dataLength, kMaxSymbol, rng);
    std::vector<int32_t> check = cid_test::pdf417CheckWords(words, k);
    words.insert(words.end(), check.begin(), check.end());
    return words;
}

TEST(Pdf417Code, RecordAndTables) {
    rsCode code;
    ASSERT_EQ(cid2d_PDF417RScode_construct(&code.code, 8), 0);
    EXPECT_EQ(code.code.symbolBits, 1);
    EXPECT_EQ(code.code.fieldSize, 929);
    EXPECT_EQ(code.code.numEccWords, 8);
    EXPECT_EQ(code.code.fieldPolynomial, 0);
    EXPECT_EQ(code.code.fieldKind, 929);
    EXPECT_EQ(code.code.generatorPoly[0], 1);
    int32_t power = 1;
    for (int i = 0; i < 928; ++i) {
        EXPECT_EQ(code.code.expTable[i], power);
        EXPECT_EQ(code.code.logTable[power], i);
        power = power * 3 % 929;
    }
    EXPECT_EQ(code.code.expTable[928], 0);
    EXPECT_EQ(code.code.expTable[929], 0);
    EXPECT_EQ(code.code.logTable[0], 0);
    EXPECT_EQ(code.code.logTable[929], 0);
    for (int x = 1; x < 929; ++x) EXPECT_EQ(x * code.code.invTable[x] % 929, 1);
    EXPECT_EQ(code.code.invTable[0], -1);
    EXPECT_EQ(code.code.invTable[929], 0);
    // Each object has tables of its own.
    rsCode other;
    ASSERT_EQ(cid2d_PDF417RScode_construct(&other.code, 8), 0);
    EXPECT_NE(other.code.expTable, code.code.expTable);
}

TEST(Pdf417Code, PublishedExampleAndItsCorrection) {
    // ISO/IEC 15438: the data codewords of "PDF417" at error correction level 1.
    const std::vector<int32_t> data{5, 453, 178, 121, 239};
    EXPECT_EQ(cid_test::pdf417CheckWords(data, 4), (std::vector<int32_t>{452, 327, 657, 619}));
    std::vector<int32_t> symbol{5, 453, 178, 121, 239, 452, 327, 657, 619};
    rsCode code;
    ASSERT_EQ(cid2d_PDF417RScode_construct(&code.code, 4), 0);
    std::vector<int32_t> received = symbol;
    int32_t result = -5;
    EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&code.code, received.data(), 9, &result), 0);
    EXPECT_EQ(result, 0);
    received[1] = 0;  // an error in the first data codeword after the length
    received[8] = 7;
    EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&code.code, received.data(), 9, &result), 0);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(received, symbol);
    EXPECT_EQ(cid_test::sortedPositions(code.code.errorPositions, 2), (std::vector<int>{1, 8}));
}

TEST(Pdf417Code, CorrectsWithinCapacity) {
    std::mt19937 rng(21);
    for (int k : {2, 3, 4, 8, 16, 31, 32, 64, 100, 128, 256, 512}) {
        rsCode code;
        ASSERT_EQ(cid2d_PDF417RScode_construct(&code.code, k), 0);
        for (int trial = 0; trial < 4; ++trial) {
            int dataLength = std::uniform_int_distribution<int>(1, 928 - k)(rng);
            std::vector<int32_t> codeword = pdfCodeword(dataLength, k, rng);
            ASSERT_TRUE(cid_test::primeSyndromesZero(codeword, k, 0));
            int errors = std::uniform_int_distribution<int>(0, k / 2)(rng);
            int erasures = std::uniform_int_distribution<int>(0, k - 2 * errors)(rng);
            cid_test::corruption damage =
                cid_test::corrupt(codeword, errors, erasures, kMaxSymbol, rng);
            int32_t result = 0;
            ASSERT_EQ(
                cid2d_ReedSolomonCode_CorrectErrs(&code.code, damage.received.data(),
                                                  static_cast<int32_t>(codeword.size()), &result),
                0);
            ASSERT_EQ(result, errors + erasures) << "k " << k;
            ASSERT_EQ(damage.received, codeword);
            EXPECT_EQ(cid_test::sortedPositions(code.code.errorPositions, result),
                      damage.positions);
        }
    }
}

TEST(Pdf417Code, NeverReportsAWrongCodeword) {
    std::mt19937 rng(22);
    for (int k : {2, 4, 8, 16, 32, 64}) {
        rsCode code;
        ASSERT_EQ(cid2d_PDF417RScode_construct(&code.code, k), 0);
        for (int trial = 0; trial < 30; ++trial) {
            std::vector<int32_t> codeword =
                pdfCodeword(std::uniform_int_distribution<int>(1, 200)(rng), k, rng);
            int erasures = std::uniform_int_distribution<int>(0, k)(rng);
            int errors = (k - erasures) / 2 + 1 + std::uniform_int_distribution<int>(0, 4)(rng);
            cid_test::corruption damage =
                cid_test::corrupt(codeword, errors, erasures, kMaxSymbol, rng);
            int32_t result = 0;
            ASSERT_GE(
                cid2d_ReedSolomonCode_CorrectErrs(&code.code, damage.received.data(),
                                                  static_cast<int32_t>(codeword.size()), &result),
                0);
            if (result >= 0) {
                EXPECT_TRUE(cid_test::primeSyndromesZero(damage.received, k, 0));
                EXPECT_LE(2 * (result - erasures) + erasures, k);
            }
        }
    }
}

TEST(Pdf417Code, NoCheckCodewords) {
    rsCode code;
    ASSERT_EQ(cid2d_PDF417RScode_construct(&code.code, 0), 0);
    std::vector<int32_t> words{1, 2, 3};
    int32_t result = 5;
    EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&code.code, words.data(), 3, &result), 0);
    EXPECT_EQ(result, 0);
    words[1] = -1;
    EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&code.code, words.data(), 3, &result), 0);
    EXPECT_EQ(result, -1);
}

struct ccaOutcome {
    int32_t status, numErrors, corrected;
};

ccaOutcome runCca(std::vector<int32_t>& words, int k, const std::vector<int32_t>& erasures) {
    ccaOutcome o{0, 99, 99};
    o.status = cid_RSSCCA_RSCorrectErrors_(
        words.data(), static_cast<int32_t>(words.size()), k, static_cast<int32_t>(erasures.size()),
        erasures.empty() ? nullptr : erasures.data(), &o.numErrors, &o.corrected);
    return o;
}

// Random errors and erasures with 2e + f = budget; the erasures as exponents count - index.
struct ccaDamage {
    std::vector<int32_t> received;
    std::vector<int32_t> erasures;
    int errors;
};

ccaDamage damageCca(const std::vector<int32_t>& codeword, int budget, std::mt19937& rng) {
    const int count = static_cast<int>(codeword.size());
    int errors = std::uniform_int_distribution<int>(0, budget / 2)(rng);
    int erasures = budget - 2 * errors;
    std::vector<int> places = cid_test::distinctPositions(errors + erasures, count, rng);
    ccaDamage d{codeword, {}, errors};
    std::uniform_int_distribution<int32_t> delta(1, kMaxSymbol);
    for (int i = 0; i < errors + erasures; ++i) {
        int32_t& symbol = d.received[places[i]];
        // An erased codeword may hold anything, its right value included.
        if (i < errors || i % 2) symbol = (symbol + delta(rng)) % 929;
        if (i >= errors) d.erasures.push_back(count - places[i]);
    }
    return d;
}

TEST(CcaDecoder, ConsistentCodewordsAreLeftAlone) {
    std::mt19937 rng(30);
    std::vector<int32_t> words = pdfCodeword(20, 6, rng);
    const std::vector<int32_t> original = words;
    ccaOutcome o = runCca(words, 6, {});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.numErrors, 0);
    EXPECT_EQ(o.corrected, 1);
    EXPECT_EQ(words, original);
}

TEST(CcaDecoder, CorrectsWithinItsBudgetAndRefusesAtNumEccWordsMinusOne) {
    std::mt19937 rng(31);
    for (int k = 3; k <= 40; ++k) {
        for (int trial = 0; trial < 6; ++trial) {
            std::vector<int32_t> codeword =
                pdfCodeword(std::uniform_int_distribution<int>(1, 150)(rng), k, rng);
            ccaDamage d =
                damageCca(codeword, std::uniform_int_distribution<int>(0, k - 2)(rng), rng);
            const int f = static_cast<int>(d.erasures.size());
            ccaOutcome o = runCca(d.received, k, d.erasures);
            ASSERT_EQ(o.status, 0);
            ASSERT_EQ(o.corrected, 1) << "k " << k << " e " << d.errors << " f " << f;
            EXPECT_EQ(o.numErrors, d.errors + f);
            ASSERT_EQ(d.received, codeword);

            d = damageCca(codeword, k - 1, rng);
            const std::vector<int32_t> before = d.received;
            o = runCca(d.received, k, d.erasures);
            ASSERT_EQ(o.status, 0);
            EXPECT_EQ(o.corrected, 0) << "k " << k;
            EXPECT_EQ(o.numErrors, d.errors + static_cast<int>(d.erasures.size()));
            EXPECT_EQ(d.received, before);
        }
    }
}

TEST(CcaDecoder, NeverReportsAWrongCodeword) {
    std::mt19937 rng(32);
    for (int k = 4; k <= 30; k += 2) {
        for (int trial = 0; trial < 30; ++trial) {
            std::vector<int32_t> codeword = pdfCodeword(30, k, rng);
            ccaDamage d =
                damageCca(codeword, k + std::uniform_int_distribution<int>(0, 8)(rng), rng);
            const std::vector<int32_t> before = d.received;
            ccaOutcome o = runCca(d.received, k, d.erasures);
            ASSERT_EQ(o.status, 0);
            if (o.corrected) {
                EXPECT_TRUE(cid_test::primeSyndromesZero(d.received, k, 1));
            } else {
                EXPECT_EQ(d.received, before);
            }
        }
    }
}

TEST(CcaDecoder, BadInputGivesAStatusAndChangesNothing) {
    std::mt19937 rng(33);
    std::vector<int32_t> words = pdfCodeword(10, 6, rng);
    words[2] = (words[2] + 1) % 929;
    const std::vector<int32_t> before = words;
    int32_t numErrors = 0;
    int32_t corrected = 0;
    auto call = [&](int32_t count, int32_t k, std::vector<int32_t> erasures) {
        return cid_RSSCCA_RSCorrectErrors_(words.data(), count, k,
                                           static_cast<int32_t>(erasures.size()), erasures.data(),
                                           &numErrors, &corrected);
    };
    EXPECT_EQ(call(0, 6, {}), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(call(929, 6, {}), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(call(16, -1, {}), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(call(16, 513, {}), CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(call(16, 6, {0}), CID_STATUS_INVALID_VALUE);
    EXPECT_EQ(call(16, 6, {17}), CID_STATUS_INVALID_VALUE);
    EXPECT_EQ(call(16, 6, {-4}), CID_STATUS_INVALID_VALUE);
    EXPECT_EQ(cid_RSSCCA_RSCorrectErrors_(words.data(), 16, 6, -1, nullptr, &numErrors, &corrected),
              CID_STATUS_OUT_OF_RANGE);
    EXPECT_EQ(corrected, 0);
    for (int32_t symbol : {929, -1}) {
        words[4] = symbol;
        EXPECT_EQ(call(16, 6, {}), CID_STATUS_INVALID_VALUE);
        words[4] = before[4];
    }
    EXPECT_EQ(words, before);
    // More erasures than check codewords, or a repeated erasure: refused, not corrected.
    EXPECT_EQ(call(16, 6, {1, 2, 3, 4, 5, 6, 7}), 0);
    EXPECT_EQ(corrected, 0);
    EXPECT_EQ(numErrors, -1);
    EXPECT_EQ(call(16, 6, {3, 3}), 0);
    EXPECT_EQ(corrected, 0);
    EXPECT_EQ(words, before);
    // The same call within budget corrects.
    EXPECT_EQ(call(16, 6, {}), 0);
    EXPECT_EQ(corrected, 1);
    EXPECT_EQ(numErrors, 1);
}

}  // namespace
