// How the samples of an unpacked image line up when every colour site is processed on its own: mono and the RGB family
// repeat after one pixel, a Bayer mosaic after two pixels in x and in y. Processing that combines or compares samples
// only within one site keeps a mosaic a valid mosaic of the same pattern.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pixel_format.h"

namespace orx {

struct SiteLayout {
    size_t period;       // pixels (and rows) after which the colour sites repeat: 1, or 2 for Bayer
    size_t unitSamples;  // interleaved samples of one period of a row: channels * period
    size_t sampleBytes;  // 1 or 2 (16-bit little-endian words)
    uint32_t maxValue;   // the format's largest sample value
};

// Mono, Bayer and RGB family formats with whole-byte samples: every format whose pixels are plain 8- or 16-bit samples.
bool hasSiteLayout(const PixelFormatInfo& format);

// The layout of such a format; call only when hasSiteLayout() holds.
SiteLayout siteLayout(const PixelFormatInfo& format);

// Sample access for kernels written once for 8- and 16-bit samples.
inline uint32_t loadSample(const uint8_t* row, size_t index, size_t sampleBytes) {
    if (sampleBytes == 1) return row[index];
    return uint32_t(row[2 * index]) | uint32_t(row[2 * index + 1]) << 8;
}

inline void storeSample(uint8_t* row, size_t index, size_t sampleBytes, uint32_t value) {
    if (sampleBytes == 1) {
        row[index] = static_cast<uint8_t>(value);
    } else {
        row[2 * index] = static_cast<uint8_t>(value);
        row[2 * index + 1] = static_cast<uint8_t>(value >> 8);
    }
}

}  // namespace orx
