// libFuzzer target for the Reed-Solomon decoders. The first byte picks the decoder (Data Matrix,
// QR, PDF417, CC-A) and the input's form; the second the number of check symbols.
//   - Raw form: the rest becomes the codeword as 16-bit values, so symbols above the field and
//     negative erasure marks occur (and, for CC-A, erasure exponents in and out of range).
//   - Damaged form: the rest becomes a message, which is encoded, and then (place, value)
//     pairs that overwrite or erase symbols.
// Findings: a success whose codeword has a non-zero syndrome; a damaged codeword within the
// correction capacity that is not restored exactly; a CC-A refusal that changed its codewords;
// any read or write outside the arrays.
//
// Built and run as fuzz/README.md describes (it also needs tests/support/rs_reference.cpp).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

#include "ci_id/reedsolomon.h"
#include "rs_reference.h"

namespace {

class reader {
public:
    reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return used_ >= size_; }
    uint8_t byte() { return empty() ? 0 : data_[used_++]; }
    int32_t word() { return static_cast<int16_t>(byte() | (byte() << 8)); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t used_ = 0;
};

void check(bool condition) {
    if (!condition) std::abort();
}

enum decoderKind { kDataMatrix, kQr, kPdf417, kCca };

struct codeInput {
    decoderKind kind;
    int nroots;
    int32_t maxSymbol;
    std::vector<int32_t> sent;      // empty in raw form
    std::vector<int32_t> received;  // negative: erased (raw CC-A input: invalid)
    std::vector<int32_t> ccaErasures;
    int errors = 0;
    int erasures = 0;
};

bool syndromesZero(const codeInput& c, const std::vector<int32_t>& codeword) {
    switch (c.kind) {
        case kDataMatrix:
            return cid_test::binarySyndromesZero(codeword, 0x12D, 8, 1, c.nroots);
        case kQr:
            return cid_test::binarySyndromesZero(codeword, 0x11D, 8, 0, c.nroots);
        case kPdf417:
            return cid_test::primeSyndromesZero(codeword, c.nroots, 0);
        default:
            return cid_test::primeSyndromesZero(codeword, c.nroots, 1);
    }
}

// Encodes a message from the input; false when the code cannot hold it.
bool encode(codeInput& c, const cid2d_ReedSolomonCode* code, reader& in) {
    const int dataLength = in.byte() % (c.kind == kDataMatrix || c.kind == kQr ? 120 : 200) + 1;
    std::vector<int32_t> message(dataLength);
    for (int32_t& m : message)
        m = static_cast<int32_t>(static_cast<uint32_t>(in.word()) % (c.maxSymbol + 1));
    if (code) {
        std::vector<int32_t> ecc(c.nroots);
        if (cid2d_ReedSolomonCode_GetECCWords(code, message.data(), dataLength, ecc.data(),
                                              c.nroots) < 0) {
            return false;
        }
        c.sent = ecc;
        c.sent.insert(c.sent.end(), message.begin(), message.end());
    } else {
        c.sent = message;
        std::vector<int32_t> check = cid_test::pdf417CheckWords(message, c.nroots);
        c.sent.insert(c.sent.end(), check.begin(), check.end());
    }
    c.received = c.sent;
    std::set<size_t> touched;
    while (!in.empty()) {
        const size_t place = in.byte() % c.received.size();
        const int32_t value = in.word();
        if (!touched.insert(place).second) continue;
        if (value < 0) {
            c.received[place] = -1;
            ++c.erasures;
        } else if (value % (c.maxSymbol + 1) != c.sent[place]) {
            c.received[place] = value % (c.maxSymbol + 1);
            ++c.errors;
        }
    }
    return true;
}

void decodeShared(codeInput& c, cid2d_ReedSolomonCode* code) {
    if (c.received.empty()) return;
    int32_t result = 0;
    const int32_t status = cid2d_ReedSolomonCode_CorrectErrs(
        code, c.received.data(), static_cast<int32_t>(c.received.size()), &result);
    if (status >= 0 && result >= 0) check(syndromesZero(c, c.received));
    if (!c.sent.empty() && 2 * c.errors + c.erasures <= c.nroots) {
        check(status >= 0 && result == c.errors + c.erasures && c.received == c.sent);
    }
}

// CC-A takes erasures as exponents count - index; the erased codewords keep a value, here 0.
void decodeCca(codeInput& c) {
    std::vector<int32_t>& erasures = c.ccaErasures;
    const int32_t count = static_cast<int32_t>(c.received.size());
    for (int32_t i = 0; i < count && !c.sent.empty(); ++i) {
        if (c.received[i] >= 0) continue;
        c.received[i] = 0;
        erasures.push_back(count - i);
    }
    if (c.received.empty()) return;
    const std::vector<int32_t> before = c.received;
    int32_t numErrors = 0;
    int32_t corrected = 0;
    const int32_t status = cid_RSSCCA_RSCorrectErrors_(
        c.received.data(), static_cast<int32_t>(c.received.size()), c.nroots,
        static_cast<int32_t>(erasures.size()), erasures.data(), &numErrors, &corrected);
    if (corrected) check(status >= 0 && syndromesZero(c, c.received));
    if (!corrected) check(c.received == before);
    if (!c.sent.empty() && 2 * c.errors + c.erasures <= c.nroots - 2) {
        check(status >= 0 && corrected == 1 && c.received == c.sent);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reader in(data, size);
    const uint8_t selector = in.byte();
    codeInput c{static_cast<decoderKind>(selector % 4), in.byte() % 70, 0, {}, {}, {}};
    const bool damaged = (selector & 4) != 0;
    const bool binary = c.kind == kDataMatrix || c.kind == kQr;
    c.maxSymbol = binary ? 255 : 928;
    cid2d_ReedSolomonCode code{};
    int32_t status = 0;
    if (c.kind == kDataMatrix)
        status = cid2d_ReedSolomonCode_construct(&code, 8, c.nroots, 0x12D, 2);
    if (c.kind == kQr) status = cid2d_qrReedSolomonCode_construct(&code, 8, c.nroots, 0x11D, 2);
    if (c.kind == kPdf417) status = cid2d_PDF417RScode_construct(&code, c.nroots);
    if (status >= 0) {
        if (damaged) {
            if (!encode(c, binary ? &code : nullptr, in)) c.received.clear();
        } else {
            if (c.kind == kCca) {
                for (int i = in.byte() % 8; i > 0; --i) c.ccaErasures.push_back(in.word() % 300);
            }
            while (!in.empty() && c.received.size() < 1000) c.received.push_back(in.word() % 1000);
        }
        if (c.kind == kCca) {
            decodeCca(c);
        } else {
            decodeShared(c, &code);
        }
    }
    cid2d_ReedSolomonCode_destruct(&code);
    return 0;
}
