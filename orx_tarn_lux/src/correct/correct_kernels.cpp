#include "correct/correct_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/kernel_dispatch.h"

namespace orx::correct {
namespace {

inline uint16_t load16(const uint8_t* p) {
    uint16_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

inline void store16(uint8_t* p, uint16_t value) { std::memcpy(p, &value, sizeof value); }

template <typename Load, typename Store>
void matrixScalar(const Matrix& matrix, size_t begin, size_t pixels, Load load, Store store) {
    for (size_t i = begin; i < pixels; ++i) {
        const float c[3] = {float(load(i, 0)), float(load(i, 1)), float(load(i, 2))};
        uint32_t result[3];
        for (size_t k = 0; k < 3; ++k) {
            const float* row = matrix.m[k];
            float sum = row[0] * c[0];
            sum = std::fma(row[1], c[1], sum);
            sum = std::fma(row[2], c[2], sum);
            result[k] = uint32_t(std::nearbyint(std::min(std::max(sum, 0.0f), matrix.maximum)));
        }
        for (size_t k = 0; k < 3; ++k) store(i, k, result[k]);
    }
}

}  // namespace

void applyTables8Scalar(const uint8_t* in, uint8_t* out, size_t samples, const uint8_t* const* tables, size_t period,
                        size_t begin) {
    for (size_t i = begin; i < samples; ++i) out[i] = tables[i % period][in[i]];
}

void applyTables8(const uint8_t* in, uint8_t* out, size_t samples, const uint8_t* const* tables, size_t period) {
    const size_t done = useWideKernels() ? applyTables8Wide(in, out, samples, tables, period) : 0;
    applyTables8Scalar(in, out, samples, tables, period, done);
}

void applyTables16(const uint8_t* in, uint8_t* out, size_t samples, const uint16_t* const* tables, size_t period,
                   uint16_t maximum) {
    for (size_t i = 0; i < samples; ++i)
        store16(out + 2 * i, tables[i % period][std::min(load16(in + 2 * i), maximum)]);
}

void applyMatrix8Scalar(const uint8_t* in, uint8_t* out, size_t pixels, const Matrix& matrix, size_t begin) {
    const size_t n = matrix.channels;
    matrixScalar(
        matrix, begin, pixels, [&](size_t i, size_t k) { return in[i * n + k]; },
        [&](size_t i, size_t k, uint32_t v) {
            out[i * n + k] = uint8_t(v);
            if (n == 4 && k == 2) out[i * n + 3] = in[i * n + 3];
        });
}

void applyMatrix8(const uint8_t* in, uint8_t* out, size_t pixels, const Matrix& matrix) {
    const size_t done = useWideKernels() ? applyMatrix8Wide(in, out, pixels, matrix) : 0;
    applyMatrix8Scalar(in, out, pixels, matrix, done);
}

void applyMatrix16(const uint8_t* in, uint8_t* out, size_t pixels, const Matrix& matrix) {
    const size_t n = matrix.channels;
    const uint16_t top = uint16_t(matrix.maximum);
    matrixScalar(
        matrix, 0, pixels, [&](size_t i, size_t k) { return std::min(load16(in + 2 * (i * n + k)), top); },
        [&](size_t i, size_t k, uint32_t v) {
            store16(out + 2 * (i * n + k), uint16_t(v));
            if (n == 4 && k == 2) store16(out + 2 * (i * n + 3), load16(in + 2 * (i * n + 3)));
        });
}

}  // namespace orx::correct
