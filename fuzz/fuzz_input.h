// A fuzz input read front to back; past its end every value reads as 0, so a target never has to
// check how much is left before it asks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace cid_fuzz {

class input {
public:
    input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t left() const { return size_ - used_; }

    // The next sizeof(T) bytes as a T; zero-filled past the end.
    template <typename T>
    T next() {
        T value{};
        const size_t n = sizeof(T) < left() ? sizeof(T) : left();
        // An empty input may come as a null pointer, and memcpy from null is undefined even for
        // zero bytes.
        if (n > 0) std::memcpy(&value, data_ + used_, n);
        used_ += n;
        return value;
    }

    // A value in [lo, hi].
    int64_t within(int64_t lo, int64_t hi) {
        return lo + static_cast<int64_t>(next<uint32_t>() % static_cast<uint64_t>(hi - lo + 1));
    }

    // A signed byte modulo limit: small values of either sign, 0 past the end.
    int32_t signedBelow(int32_t limit) { return next<int8_t>() % limit; }

    // Copies up to wanted bytes to out; how many there were.
    size_t copyTo(void* out, size_t wanted) {
        const size_t n = wanted < left() ? wanted : left();
        if (n > 0) std::memcpy(out, data_ + used_, n);
        used_ += n;
        return n;
    }

    // All that is left, which the reader then counts as used.
    const uint8_t* rest(size_t* size) {
        *size = left();
        const uint8_t* at = data_ + used_;
        used_ = size_;
        return at;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t used_ = 0;
};

}  // namespace cid_fuzz
