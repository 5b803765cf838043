// Sample kernels of the correctors: per-channel lookup tables (gain, gamma)
// and a 3x3 matrix on colour pixels (colour correction with saturation).
// Input and output may be the same memory; 16-bit samples may lie at any
// address (images over caller buffers).
#pragma once

#include <cstddef>
#include <cstdint>

namespace orx::correct {

// Channels repeat with a period of 1 to 4 samples: sample i of a run uses
// tables[i % period]. A run starts on the first channel.
constexpr size_t kMaxPeriod = 4;

// 8-bit samples: tables of 256 entries.
void applyTables8(const uint8_t* in, uint8_t* out, size_t samples, const uint8_t* const* tables, size_t period);
// 16-bit samples: tables of maximum + 1 entries; values above the maximum
// (unused high bits set) read the last entry.
void applyTables16(const uint8_t* in, uint8_t* out, size_t samples, const uint16_t* const* tables, size_t period,
                   uint16_t maximum);

// out = M * in per pixel, in storage order of the channels (the caller
// reorders the matrix for BGR), clamped to [0, maximum] and rounded to
// nearest, ties to even. The float arithmetic is fixed: m0 * c0, then two
// fused multiply-adds, so every path gives the same bits. A fourth channel
// (alpha) is copied.
struct Matrix {
    float m[3][3];
    float maximum;
    size_t channels;  // 3 or 4
};
void applyMatrix8(const uint8_t* in, uint8_t* out, size_t pixels, const Matrix& matrix);
void applyMatrix16(const uint8_t* in, uint8_t* out, size_t pixels, const Matrix& matrix);

// Scalar references from `begin` on, and fast prefixes that return where
// they stopped; exposed for the tests.
void applyTables8Scalar(const uint8_t* in, uint8_t* out, size_t samples, const uint8_t* const* tables, size_t period,
                        size_t begin);
size_t applyTables8Wide(const uint8_t* in, uint8_t* out, size_t samples, const uint8_t* const* tables, size_t period);
void applyMatrix8Scalar(const uint8_t* in, uint8_t* out, size_t pixels, const Matrix& matrix, size_t begin);
size_t applyMatrix8Wide(const uint8_t* in, uint8_t* out, size_t pixels, const Matrix& matrix);

}  // namespace orx::correct
