// GF(2^m) codes: tables and generators against bit-serial references, the check codewords of the
// Data Matrix and QR standards' worked examples, and seeded corrupt-and-correct runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

#include "ci_id/reedsolomon.h"
#include "ci_id/status.h"
#include "rs_reference.h"
#include "rs_test_support.h"

namespace {

using cid_test::rsCode;

constexpr uint32_t kDataMatrixPolynomial = 0x12D;  // x^8 + x^5 + x^3 + x^2 + 1
constexpr uint32_t kQrPolynomial = 0x11D;          // x^8 + x^4 + x^3 + x^2 + 1

using constructFunction = int32_t (*)(cid2d_ReedSolomonCode*, int32_t, int32_t, int32_t, int32_t);

struct binaryKind {
    const char* name;
    constructFunction construct;
    uint32_t polynomial;
    int firstRoot;
};

const binaryKind kDataMatrix{"DataMatrix", cid2d_ReedSolomonCode_construct, kDataMatrixPolynomial,
                             1};
const binaryKind kQr{"QR", cid2d_qrReedSolomonCode_construct, kQrPolynomial, 0};

// Message symbols in the library's order (last one highest) and the systematic codeword.
std::vector<int32_t> encode(const cid2d_ReedSolomonCode& code,
                            const std::vector<int32_t>& message) {
    std::vector<int32_t> codeword(code.numEccWords + message.size());
    const int32_t none = 0;
    EXPECT_EQ(cid2d_ReedSolomonCode_GetECCWords(&code, message.empty() ? &none : message.data(),
                                                static_cast<int32_t>(message.size()),
                                                codeword.data(), code.numEccWords),
              0);
    std::copy(message.begin(), message.end(), codeword.begin() + code.numEccWords);
    return codeword;
}

// The standards list data and check codewords highest order first.
std::vector<int32_t> checkWordsOfStandardOrder(const binaryKind& kind, int nroots,
                                               std::vector<int32_t> data) {
    rsCode code;
    EXPECT_EQ(kind.construct(&code.code, 8, nroots, static_cast<int32_t>(kind.polynomial), 2), 0);
    std::reverse(data.begin(), data.end());
    std::vector<int32_t> ecc(nroots);
    EXPECT_EQ(cid2d_ReedSolomonCode_GetECCWords(
                  &code.code, data.data(), static_cast<int32_t>(data.size()), ecc.data(), nroots),
              0);
    std::reverse(ecc.begin(), ecc.end());
    return ecc;
}

TEST(ReedSolomon, PublishedCheckCodewords) {
    // ISO/IEC 16022: "123456" in a 10 x 10 symbol.
    EXPECT_EQ(checkWordsOfStandardOrder(kDataMatrix, 5, {142, 164, 186}),
              (std::vector<int32_t>{114, 25, 5, 88, 102}));
    // ISO/IEC 18004: "01234567" as version 1-M.
    EXPECT_EQ(checkWordsOfStandardOrder(
                  kQr, 10, {16, 32, 12, 86, 97, 128, 236, 17, 236, 17, 236, 17, 236, 17, 236, 17}),
              (std::vector<int32_t>{165, 36, 212, 193, 237, 54, 199, 135, 44, 85}));
    // "HELLO WORLD" as version 1-Q.
    EXPECT_EQ(checkWordsOfStandardOrder(kQr, 13,
                                        {32, 91, 11, 120, 209, 114, 220, 77, 67, 64, 236, 17, 236}),
              (std::vector<int32_t>{168, 72, 22, 82, 217, 54, 156, 0, 46, 15, 180, 122, 16}));
}

TEST(ReedSolomon, PublishedQrSymbolIsCorrected) {
    rsCode code;
    ASSERT_EQ(cid2d_qrReedSolomonCode_construct(&code.code, 8, 10, kQrPolynomial, 2), 0);
    // "01234567" 1-M, lowest order first.
    std::vector<int32_t> symbol{85,  44, 135, 199, 54,  237, 193, 212, 36, 165, 17, 236, 17,
                                236, 17, 236, 17,  236, 17,  236, 128, 97, 86,  12, 32,  16};
    std::vector<int32_t> received = symbol;
    received[3] = 0;
    received[20] ^= 0x55;
    received[25] = -1;
    received[7] = -1;
    int32_t result = 0;
    EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&code.code, received.data(), 26, &result), 0);
    EXPECT_EQ(result, 4);
    EXPECT_EQ(received, symbol);
}

TEST(ReedSolomon, TablesMatchTheField) {
    for (const binaryKind& kind : {kDataMatrix, kQr}) {
        rsCode code;
        ASSERT_EQ(kind.construct(&code.code, 8, 10, static_cast<int32_t>(kind.polynomial), 2), 0);
        EXPECT_EQ(code.code.symbolBits, 8);
        EXPECT_EQ(code.code.fieldSize, 255);
        EXPECT_EQ(code.code.numEccWords, 10);
        EXPECT_EQ(code.code.fieldKind, 2);
        EXPECT_EQ(code.code.logTable[0], 255);
        EXPECT_EQ(code.code.logTable[1], 255);
        for (int32_t i = 0; i <= 255; ++i) {
            EXPECT_EQ(code.code.expTable[i],
                      static_cast<int32_t>(cid_test::gfPower(i % 255, kind.polynomial, 8)));
        }
        for (int32_t a = 2; a <= 255; ++a) {
            EXPECT_EQ(code.code.expTable[code.code.logTable[a]], a);
        }
        for (int32_t a = 1; a <= 255; ++a) {
            EXPECT_EQ(cid_test::gfMultiply(a, code.code.invTable[a], kind.polynomial, 8), 1u);
        }
        EXPECT_EQ(code.code.invTable[0], 1);
    }
}

TEST(ReedSolomon, GeneratorsHaveTheirConsecutiveRoots) {
    for (const binaryKind& kind : {kDataMatrix, kQr}) {
        for (int nroots = 1; nroots <= 68; ++nroots) {
            rsCode code;
            ASSERT_EQ(
                kind.construct(&code.code, 8, nroots, static_cast<int32_t>(kind.polynomial), 2), 0);
            std::vector<int32_t> expected =
                cid_test::binaryGenerator(kind.polynomial, 8, kind.firstRoot, nroots);
            std::vector<int32_t> actual(code.code.generatorPoly,
                                        code.code.generatorPoly + nroots + 1);
            ASSERT_EQ(actual, expected) << kind.name << " nroots " << nroots;
        }
    }
}

TEST(ReedSolomon, EncodedCodewordsHaveZeroSyndromes) {
    std::mt19937 rng(11);
    for (const binaryKind& kind : {kDataMatrix, kQr}) {
        for (int nroots = 5; nroots <= 68; nroots += 7) {
            rsCode code;
            ASSERT_EQ(
                kind.construct(&code.code, 8, nroots, static_cast<int32_t>(kind.polynomial), 2), 0);
            for (int length : {0, 1, 20, 255 - nroots}) {
                std::vector<int32_t> codeword =
                    encode(code.code, cid_test::randomSymbols(length, 255, rng));
                EXPECT_TRUE(cid_test::binarySyndromesZero(codeword, kind.polynomial, 8,
                                                          kind.firstRoot, nroots));
                int32_t result = -5;
                std::vector<int32_t> copy = codeword;
                EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(
                              &code.code, copy.data(), static_cast<int32_t>(copy.size()), &result),
                          0);
                EXPECT_EQ(result, 0);
                EXPECT_EQ(copy, codeword);
            }
        }
    }
}

// Every nroots from 5 to 68 with random messages, errors and erasures within 2e + f <= nroots.
void correctsWithinCapacity(const binaryKind& kind, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int nroots = 5; nroots <= 68; ++nroots) {
        rsCode code;
        ASSERT_EQ(kind.construct(&code.code, 8, nroots, static_cast<int32_t>(kind.polynomial), 2),
                  0);
        for (int trial = 0; trial < 6; ++trial) {
            int dataLength = std::uniform_int_distribution<int>(1, 255 - nroots)(rng);
            std::vector<int32_t> codeword =
                encode(code.code, cid_test::randomSymbols(dataLength, 255, rng));
            int errors = std::uniform_int_distribution<int>(0, nroots / 2)(rng);
            int erasures = std::uniform_int_distribution<int>(0, nroots - 2 * errors)(rng);
            cid_test::corruption damage = cid_test::corrupt(codeword, errors, erasures, 255, rng);
            int32_t result = 0;
            ASSERT_EQ(
                cid2d_ReedSolomonCode_CorrectErrs(&code.code, damage.received.data(),
                                                  static_cast<int32_t>(codeword.size()), &result),
                0);
            ASSERT_EQ(result, errors + erasures) << kind.name << " nroots " << nroots;
            ASSERT_EQ(damage.received, codeword);
            EXPECT_EQ(cid_test::sortedPositions(code.code.errorPositions, result),
                      damage.positions);
        }
    }
}

TEST(ReedSolomon, DataMatrixCorrectsWithinCapacity) { correctsWithinCapacity(kDataMatrix, 1); }
TEST(ReedSolomon, QrCorrectsWithinCapacity) { correctsWithinCapacity(kQr, 2); }

// Beyond 2e + f > nroots a success must still be a codeword within the correction radius that
// differs from the received word only at the reported positions.
void neverReportsAWrongCodeword(const binaryKind& kind, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int nroots = 5; nroots <= 68; nroots += 3) {
        rsCode code;
        ASSERT_EQ(kind.construct(&code.code, 8, nroots, static_cast<int32_t>(kind.polynomial), 2),
                  0);
        for (int trial = 0; trial < 20; ++trial) {
            int dataLength = std::uniform_int_distribution<int>(1, 255 - nroots)(rng);
            std::vector<int32_t> codeword =
                encode(code.code, cid_test::randomSymbols(dataLength, 255, rng));
            const int length = static_cast<int>(codeword.size());
            int erasures = std::uniform_int_distribution<int>(0, nroots)(rng);
            int minErrors = (nroots - erasures) / 2 + 1;
            int errors = std::min(length - erasures, std::uniform_int_distribution<int>(
                                                         minErrors, minErrors + 8)(rng));
            cid_test::corruption damage = cid_test::corrupt(codeword, errors, erasures, 255, rng);
            std::vector<int32_t> zeroed = damage.received;
            for (int32_t& v : zeroed) v = std::max(v, 0);
            int32_t result = 0;
            ASSERT_GE(cid2d_ReedSolomonCode_CorrectErrs(&code.code, damage.received.data(), length,
                                                        &result),
                      0);
            if (result < 0) continue;
            EXPECT_TRUE(cid_test::binarySyndromesZero(damage.received, kind.polynomial, 8,
                                                      kind.firstRoot, nroots));
            EXPECT_LE(2 * (result - erasures) + erasures, nroots);
            std::vector<int> reported = cid_test::sortedPositions(code.code.errorPositions, result);
            for (int i = 0; i < length; ++i) {
                if (damage.received[i] != zeroed[i]) {
                    EXPECT_TRUE(std::binary_search(reported.begin(), reported.end(), i));
                }
            }
        }
    }
}

TEST(ReedSolomon, DataMatrixNeverReportsAWrongCodeword) {
    neverReportsAWrongCodeword(kDataMatrix, 3);
}
TEST(ReedSolomon, QrNeverReportsAWrongCodeword) { neverReportsAWrongCodeword(kQr, 4); }

TEST(ReedSolomon, ErasuresOnlyAndTooManyErasures) {
    rsCode code;
    ASSERT_EQ(cid2d_ReedSolomonCode_construct(&code.code, 8, 8, kDataMatrixPolynomial, 2), 0);
    std::vector<int32_t> message(30, 0);
    message[4] = 77;
    std::vector<int32_t> codeword = encode(code.code, message);
    // Erased symbols that were 0: consistent at once, read 0 afterwards.
    std::vector<int32_t> received = codeword;
    received[8 + 10] = -1;
    received[8 + 20] = INT_MIN;
    int32_t result = 0;
    EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&code.code, received.data(), 38, &result), 0);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(received, codeword);
    EXPECT_EQ(cid_test::sortedPositions(code.code.errorPositions, 2), (std::vector<int>{18, 28}));
    // nroots + 1 erasures cannot be corrected: the first nroots are recorded and zeroed on the
    // way, the one too many ends the decode.
    received = codeword;
    for (int i = 0; i < 9; ++i) received[3 * i] = -1;
    EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&code.code, received.data(), 38, &result), 0);
    EXPECT_EQ(result, -1);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(received[3 * i], i < 8 ? 0 : -1);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(code.code.errorPositions[i], 3 * i);
    // nroots erasures are exactly enough.
    received = codeword;
    for (int i = 0; i < 8; ++i) received[4 * i + 1] = -7;
    EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&code.code, received.data(), 38, &result), 0);
    EXPECT_EQ(result, 8);
    EXPECT_EQ(received, codeword);
}

TEST(ReedSolomon, OtherFieldSizes) {
    struct field {
        int m;
        uint32_t polynomial;
    };
    std::mt19937 rng(5);
    for (field f :
         {field{3, 0xB}, field{4, 0x13}, field{10, 0x409}, field{12, 0x1053}, field{16, 0x1100B}}) {
        const int n = (1 << f.m) - 1;
        const int nroots = std::min(n - 1, 16);
        rsCode code;
        ASSERT_EQ(cid2d_ReedSolomonCode_construct(&code.code, f.m, nroots, f.polynomial, 2), 0);
        for (int trial = 0; trial < 10; ++trial) {
            int dataLength = std::min(n - nroots, 40);
            std::vector<int32_t> codeword =
                encode(code.code, cid_test::randomSymbols(dataLength, n, rng));
            EXPECT_TRUE(cid_test::binarySyndromesZero(codeword, f.polynomial, f.m, 1, nroots));
            cid_test::corruption damage = cid_test::corrupt(codeword, nroots / 2 - 1, 2, n, rng);
            int32_t result = 0;
            ASSERT_EQ(
                cid2d_ReedSolomonCode_CorrectErrs(&code.code, damage.received.data(),
                                                  static_cast<int32_t>(codeword.size()), &result),
                0);
            EXPECT_EQ(result, nroots / 2 + 1) << "m = " << f.m;
            EXPECT_EQ(damage.received, codeword);
        }
    }
}

}  // namespace
