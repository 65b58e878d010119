// Reed-Solomon references written independently of the library: bit-serial GF(2^m) products
// and plain modular GF(929) arithmetic, for checking codewords and encoding PDF417 data.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace cid_test {

// a * b in GF(2^m) modulo polynomial (x^m bit included), shift and add.
uint32_t gfMultiply(uint32_t a, uint32_t b, uint32_t polynomial, int m);
// alpha^e with alpha = x.
uint32_t gfPower(uint32_t e, uint32_t polynomial, int m);

// Whether c(alpha^k) = 0 for k = firstRoot .. firstRoot + nroots - 1, codeword[i] holding x^i.
bool binarySyndromesZero(const std::vector<int32_t>& codeword, uint32_t polynomial, int m,
                         int firstRoot, int nroots);
// Generator (x + alpha^firstRoot) .. over nroots factors, constant term first.
std::vector<int32_t> binaryGenerator(uint32_t polynomial, int m, int firstRoot, int nroots);

constexpr int32_t kPdfModulus = 929;

// Whether sum codeword[i] 3^(k (lowestExponent + count - 1 - i)) = 0 for k = 1 .. nroots: the
// PDF417 check with codeword[0] highest order.
bool primeSyndromesZero(const std::vector<int32_t>& codeword, int nroots, int lowestExponent);
// PDF417 check codewords of data (first codeword highest order): the negated remainder of
// data(x) x^k divided by (x - 3)(x - 3^2) .. (x - 3^k).
std::vector<int32_t> pdf417CheckWords(const std::vector<int32_t>& data, int k);

// Distinct random indices in 0 .. length-1.
std::vector<int> distinctPositions(int count, int length, std::mt19937& rng);

}  // namespace cid_test
