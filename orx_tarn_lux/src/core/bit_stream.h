// LSB-first bit streams, the layout of the "p" pixel formats: bit k of the
// stream is bit (k mod 8) of byte k / 8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orx {

constexpr size_t kBitsPerByte = 8;

// Bits [offset, offset + bits) of `stream`, bits <= 24; reads only the bytes
// those bits occupy.
inline uint32_t readBits(const uint8_t* stream, size_t offset, size_t bits) {
    const size_t first = offset / kBitsPerByte;
    const size_t shift = offset % kBitsPerByte;
    const size_t bytes = (shift + bits + kBitsPerByte - 1) / kBitsPerByte;
    uint32_t window = 0;
    for (size_t i = 0; i < bytes; ++i) window |= uint32_t(stream[first + i]) << (kBitsPerByte * i);
    return (window >> shift) & ((uint32_t{1} << bits) - 1);
}

// Appends values to a stream that starts at a byte border, or `offset`
// bits into the byte at `out`, whose bits below the offset it keeps.
class BitWriter {
public:
    explicit BitWriter(uint8_t* out) : out_(out) {}
    BitWriter(uint8_t* out, size_t offset)
        : out_(out + offset / kBitsPerByte), count_(offset % kBitsPerByte) {
        if (count_ > 0) pending_ = *out_ & ((1u << count_) - 1);
    }

    void put(uint32_t value, size_t bits) {
        pending_ |= uint64_t(value) << count_;
        count_ += bits;
        for (; count_ >= kBitsPerByte; count_ -= kBitsPerByte, pending_ >>= kBitsPerByte)
            *out_++ = static_cast<uint8_t>(pending_);
    }

    // Writes a last partial byte, its unused high bits zero.
    void flush() {
        if (count_ > 0) *out_ = static_cast<uint8_t>(pending_);
    }

private:
    uint8_t* out_;
    uint64_t pending_ = 0;
    size_t count_ = 0;
};

}  // namespace orx
