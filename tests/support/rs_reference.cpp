#include "rs_reference.h"

#include <algorithm>
#include <numeric>

namespace cid_test {

uint32_t gfMultiply(uint32_t a, uint32_t b, uint32_t polynomial, int m) {
    const uint32_t top = 1u << m;
    polynomial |= top;
    uint32_t product = 0;
    while (b != 0) {
        if (b & 1) product ^= a;
        b >>= 1;
        a <<= 1;
        if (a & top) a ^= polynomial;
    }
    return product;
}

uint32_t gfPower(uint32_t e, uint32_t polynomial, int m) {
    uint32_t v = 1;
    for (uint32_t i = 0; i < e; ++i) v = gfMultiply(v, 2, polynomial, m);
    return v;
}

bool binarySyndromesZero(const std::vector<int32_t>& codeword, uint32_t polynomial, int m,
                         int firstRoot, int nroots) {
    for (int k = firstRoot; k < firstRoot + nroots; ++k) {
        const uint32_t x = gfPower(static_cast<uint32_t>(k), polynomial, m);
        uint32_t v = 0;
        for (size_t i = codeword.size(); i-- > 0;) {
            v = gfMultiply(v, x, polynomial, m) ^ static_cast<uint32_t>(codeword[i]);
        }
        if (v != 0) return false;
    }
    return true;
}

std::vector<int32_t> binaryGenerator(uint32_t polynomial, int m, int firstRoot, int nroots) {
    std::vector<int32_t> g{1};
    for (int i = 0; i < nroots; ++i) {
        const uint32_t root = gfPower(static_cast<uint32_t>(firstRoot + i), polynomial, m);
        std::vector<int32_t> next(g.size() + 1, 0);
        for (size_t j = 0; j < g.size(); ++j) {
            next[j + 1] ^= g[j];
            next[j] ^=
                static_cast<int32_t>(gfMultiply(static_cast<uint32_t>(g[j]), root, polynomial, m));
        }
        g = next;
    }
    return g;
}

namespace {

int64_t powMod(int64_t base, int64_t e) {
    int64_t r = 1;
    base %= kPdfModulus;
    for (; e > 0; e >>= 1, base = base * base % kPdfModulus) {
        if (e & 1) r = r * base % kPdfModulus;
    }
    return r;
}

}  // namespace

bool primeSyndromesZero(const std::vector<int32_t>& codeword, int nroots, int lowestExponent) {
    for (int k = 1; k <= nroots; ++k) {
        const int64_t x = powMod(3, k);
        int64_t v = 0;
        for (int32_t symbol : codeword) v = (v * x + symbol) % kPdfModulus;
        if (v * powMod(x, lowestExponent) % kPdfModulus != 0) return false;
    }
    return true;
}

std::vector<int32_t> pdf417CheckWords(const std::vector<int32_t>& data, int k) {
    // Generator, highest order first.
    std::vector<int64_t> g{1};
    for (int i = 1; i <= k; ++i) {
        const int64_t root = powMod(3, i);
        std::vector<int64_t> next(g.size() + 1, 0);
        for (size_t j = 0; j < g.size(); ++j) {
            next[j] = (next[j] + g[j]) % kPdfModulus;
            next[j + 1] = (next[j + 1] + kPdfModulus - g[j] * root % kPdfModulus) % kPdfModulus;
        }
        g = next;
    }
    std::vector<int64_t> work(data.begin(), data.end());
    work.resize(data.size() + k, 0);
    for (size_t i = 0; i < data.size(); ++i) {
        const int64_t lead = work[i];
        for (int j = 1; j <= k; ++j) {
            work[i + j] = (work[i + j] + kPdfModulus - g[j] * lead % kPdfModulus) % kPdfModulus;
        }
    }
    std::vector<int32_t> check(k);
    for (int j = 0; j < k; ++j) {
        check[j] = static_cast<int32_t>((kPdfModulus - work[data.size() + j]) % kPdfModulus);
    }
    return check;
}

std::vector<int> distinctPositions(int count, int length, std::mt19937& rng) {
    std::vector<int> all(length);
    std::iota(all.begin(), all.end(), 0);
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(count);
    return all;
}

}  // namespace cid_test
