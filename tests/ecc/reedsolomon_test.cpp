// Reed-Solomon codes: published codewords, generators against a bit-serial reference, one seeded
// capacity suite for every decoder (Data Matrix, QR, other binary fields, PDF417, CC-A), and the
// statuses of bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <tuple>
#include <vector>

#include "ci_id/reedsolomon.h"
#include "ci_id/status.h"
#include "rs_reference.h"
#include "rs_test_support.h"

namespace {

using cid_test::rsCode;
using words = std::vector<int32_t>;
using constructor = int32_t (*)(cid2d_ReedSolomonCode*, int32_t, int32_t, int32_t, int32_t);

constexpr uint32_t kDataMatrixPolynomial = 0x12D;  // x^8 + x^5 + x^3 + x^2 + 1, roots from alpha
constexpr uint32_t kQrPolynomial = 0x11D;          // x^8 + x^4 + x^3 + x^2 + 1, roots from 1

// Systematic codeword: the check symbols, then the message (its last symbol highest order).
words encode(const cid2d_ReedSolomonCode& code, words message) {
    words ecc(code.numEccWords);
    EXPECT_EQ(cid2d_ReedSolomonCode_GetECCWords(&code, message.data(), int32_t(message.size()),
                                                ecc.data(), code.numEccWords),
              0);
    message.insert(message.begin(), ecc.begin(), ecc.end());
    return message;
}

// A family of codes in the capacity suite: binary fields (m bits, field polynomial, first root of
// the generator), the PDF417 code (m = 0) and the CC-A decoder (m = 0, cca), which keeps two check
// codewords for detection and takes erasures as a list rather than as negative symbols.
struct family {
    const char* name;
    int m;
    uint32_t polynomial;
    int firstRoot;
    bool cca;
    std::vector<int> nroots;
};

const family kFamilies[] = {
    {"DataMatrix", 8, kDataMatrixPolynomial, 1, false, {5, 7, 10, 12, 18, 24, 28, 36, 48, 62, 68}},
    {"QR", 8, kQrPolynomial, 0, false, {7, 10, 13, 17, 22, 30}},
    {"GF16", 4, 0x13, 1, false, {2, 4, 9}},
    {"GF4096", 12, 0x1053, 1, false, {16, 33}},
    {"GF65536", 16, 0x1100B, 1, false, {16}},
    {"PDF417", 0, 0, 0, false, {2, 3, 4, 8, 16, 31, 32, 64, 128, 256, 512}},
    {"CCA", 0, 0, 0, true, {3, 4, 5, 8, 13, 21, 30, 40}}};

int32_t maxSymbol(const family& f) { return f.m ? (1 << f.m) - 1 : 928; }

bool isCodeword(const family& f, int k, const words& w) {
    return f.m ? cid_test::binarySyndromesZero(w, f.polynomial, f.m, f.firstRoot, k)
               : cid_test::primeSyndromesZero(w, k, f.cca);
}

void construct(const family& f, int k, rsCode* code) {
    const constructor binary =
        f.firstRoot ? cid2d_ReedSolomonCode_construct : cid2d_qrReedSolomonCode_construct;
    ASSERT_EQ(f.m ? binary(&code->code, f.m, k, int32_t(f.polynomial), 2)
                  : cid2d_PDF417RScode_construct(&code->code, k),
              0);
}

TEST(ReedSolomon, PublishedSymbolsAndBitSerialReferences) {
    // ISO/IEC 16022: "123456" in a 10 x 10 symbol; ISO/IEC 18004: "01234567" as 1-M and
    // "HELLO WORLD" as 1-Q. The standards list data and check codewords highest order first.
    const std::tuple<bool, words, words> published[] = {
        {false, {142, 164, 186}, {114, 25, 5, 88, 102}},
        {true,
         {16, 32, 12, 86, 97, 128, 236, 17, 236, 17, 236, 17, 236, 17, 236, 17},
         {165, 36, 212, 193, 237, 54, 199, 135, 44, 85}},
        {true,
         {32, 91, 11, 120, 209, 114, 220, 77, 67, 64, 236, 17, 236},
         {168, 72, 22, 82, 217, 54, 156, 0, 46, 15, 180, 122, 16}}};
    for (const auto& [qr, data, check] : published) {
        rsCode code;
        construct(kFamilies[qr], int(check.size()), &code);
        const words sent = encode(code.code, {data.rbegin(), data.rend()});
        EXPECT_EQ(words(sent.rend() - check.size(), sent.rend()), check);
    }
    // ISO/IEC 15438: "PDF417" at error correction level 1, received with two errors.
    const words symbol{5, 453, 178, 121, 239, 452, 327, 657, 619};
    words received{5, 0, 178, 121, 239, 452, 327, 657, 7};
    rsCode pdf;
    int32_t result = 0;
    ASSERT_EQ(cid2d_PDF417RScode_construct(&pdf.code, 4), 0);
    EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&pdf.code, received.data(), 9, &result), 0);
    EXPECT_TRUE(result == 2 && received == symbol);
    EXPECT_EQ(cid_test::sortedPositions(pdf.code.errorPositions, 2), (std::vector<int>{1, 8}));
    // Generators with their consecutive roots.
    for (int nroots = 1; nroots <= 68; ++nroots) {
        for (bool qr : {false, true}) {
            rsCode code;
            const uint32_t polynomial = qr ? kQrPolynomial : kDataMatrixPolynomial;
            construct(kFamilies[qr], nroots, &code);
            EXPECT_EQ(words(code.code.generatorPoly, code.code.generatorPoly + nroots + 1),
                      cid_test::binaryGenerator(polynomial, 8, qr ? 0 : 1, nroots));
        }
    }
}

TEST(ReedSolomon, BadInputGivesAStatusAndChangesNothing) {
    rsCode dm, pdf;
    ASSERT_EQ(cid2d_ReedSolomonCode_construct(&dm.code, 8, 10, kDataMatrixPolynomial, 2), 0);
    ASSERT_EQ(cid2d_PDF417RScode_construct(&pdf.code, 10), 0);
    words w(1000, 3), ecc(10, -9);
    int32_t result = 0, errors = 0, corrected = 0, beyond = 17;
    cid2d_ReedSolomonCode code{}, forged = dm.code;
    forged.numEccWords = 300;
    const auto encode = [&](const cid2d_ReedSolomonCode* c, int32_t n, int32_t k) {
        return cid2d_ReedSolomonCode_GetECCWords(c, w.data(), n, ecc.data(), k);
    };
    const auto correct = [&](cid2d_ReedSolomonCode* c, int32_t n) {
        return cid2d_ReedSolomonCode_CorrectErrs(c, w.data(), n, &result);
    };
    const auto cca = [&](int32_t n, int32_t k, int32_t erasures) {
        return cid_RSSCCA_RSCorrectErrors_(w.data(), n, k, erasures, &beyond, &errors, &corrected);
    };
    // Codes the field cannot hold or generate (x not primitive), lengths, codes that cannot encode
    // or are no code, erasures outside the codeword, symbols outside the field.
    const std::pair<int32_t, int32_t> statuses[] = {
        {cid2d_ReedSolomonCode_construct(&code, 8, 0, 0x12D, 2), CID_STATUS_INVALID_PARAMETER},
        {cid2d_qrReedSolomonCode_construct(&code, 8, 10, 0x11B, 2), CID_STATUS_INVALID_PARAMETER},
        {cid2d_ReedSolomonCode_construct(&code, 8, 9, 0x12D, 3), CID_STATUS_INVALID_PARAMETER},
        {cid2d_PDF417RScode_construct(&code, 928), CID_STATUS_INVALID_PARAMETER},
        {encode(&dm.code, 246, 10), CID_STATUS_OUT_OF_RANGE},
        {encode(&pdf.code, 20, 10), CID_STATUS_INVALID_PARAMETER},
        {correct(&dm.code, 256), CID_STATUS_OUT_OF_RANGE},
        {correct(&forged, 20), CID_STATUS_INVALID_PARAMETER},
        {cca(929, 6, 0), CID_STATUS_OUT_OF_RANGE},
        {cca(16, 6, 1), CID_STATUS_INVALID_VALUE},
        {(w[5] = 929, cca(16, 6, 0)), CID_STATUS_INVALID_VALUE},
        {correct(&pdf.code, 20), CID_STATUS_INVALID_VALUE},
        {encode(&dm.code, 20, 10), CID_STATUS_INVALID_VALUE}};
    for (const auto& [status, expected] : statuses) EXPECT_EQ(status, expected);
    w[5] = 3;
    EXPECT_TRUE(w == words(1000, 3) && ecc == words(10, -9) && result == 0 && corrected == 0);
    EXPECT_TRUE(code.expTable == nullptr && code.numEccWords == 0);  // refused records stay zero
}

// ---- One capacity suite for every decoder ----------------------------------------------------

// Random data and its check symbols: the library's encoder for binary fields, the reference's for
// PDF417.
words codeword(const family& f, int k, std::mt19937& rng) {
    const int length = std::uniform_int_distribution<int>(1, std::min(maxSymbol(f) - k, 200))(rng);
    words data = cid_test::randomSymbols(length, maxSymbol(f), rng);
    rsCode code;
    if (f.m) construct(f, k, &code);
    if (f.m) return encode(code.code, data);
    const words check = cid_test::pdf417CheckWords(data, k);
    data.insert(data.end(), check.begin(), check.end());
    return data;
}

// Corrects in place: the number of symbols corrected or -1 when refused, and the places the
// decoder reports.
int decode(const family& f, int k, words& received, const std::vector<int>& erased,
           std::vector<int>* places) {
    int32_t result = -2, corrected = 1;
    if (f.cca) {
        words exponents;
        for (int p : erased) exponents.push_back(int32_t(received.size()) - p);
        const int32_t n = int32_t(received.size()), m = int32_t(exponents.size());
        EXPECT_EQ(cid_RSSCCA_RSCorrectErrors_(received.data(), n, k, m, exponents.data(), &result,
                                              &corrected),
                  0);
        return corrected ? result : -1;
    }
    rsCode code;
    construct(f, k, &code);
    EXPECT_EQ(cid2d_ReedSolomonCode_CorrectErrs(&code.code, received.data(),
                                                int32_t(received.size()), &result),
              0);
    *places = cid_test::sortedPositions(code.code.errorPositions, result);
    return result;
}

class Capacity : public testing::TestWithParam<family> {};
void PrintTo(const family& f, std::ostream* os) { *os << f.name; }

TEST_P(Capacity, CorrectsExactlyWithinItsCapacityAndNeverReportsAWrongCodeword) {
    const family& f = GetParam();
    std::mt19937 rng(7);
    for (int k : f.nroots) {
        const int capacity = f.cca ? k - 2 : k;
        for (int trial = 0; trial < 24; ++trial) {
            const words sent = codeword(f, k, rng);
            ASSERT_TRUE(isCodeword(f, k, sent));
            // Half the trials at the full capacity, a quarter below, a quarter just beyond.
            const int budget = trial % 2   ? capacity
                               : trial % 4 ? int(rng() % (capacity + 1))
                                           : capacity + 1 + int(rng() % 3);
            const int errors = std::uniform_int_distribution<int>(0, budget / 2)(rng);
            const int erasures = std::min(budget - 2 * errors, int(sent.size()) - errors);
            cid_test::corruption c = cid_test::corrupt(sent, errors, erasures, maxSymbol(f), rng);
            std::vector<int> erased, places;
            for (int p : c.positions) {
                if (c.received[p] >= 0) continue;
                erased.push_back(p);  // CC-A: an erased codeword may even hold its right value
                c.received[p] = f.cca ? p % 929 : -1 - p % 2;
            }
            const words before = c.received;
            const int result = decode(f, k, c.received, erased, &places);
            if (budget <= capacity) {
                ASSERT_EQ(result, errors + erasures) << "nroots " << k << " e " << errors;
                ASSERT_EQ(c.received, sent);
                EXPECT_TRUE(f.cca || places == c.positions);
            } else if (result >= 0) {  // beyond: a codeword within the radius, or a refusal
                EXPECT_TRUE(isCodeword(f, k, c.received));
                EXPECT_LE(2 * result - erasures, capacity);
                EXPECT_TRUE(!f.cca || budget > capacity + 1);
            } else if (f.cca) {
                EXPECT_EQ(c.received, before);  // a CC-A refusal changes nothing
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Decoders, Capacity, testing::ValuesIn(kFamilies),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
