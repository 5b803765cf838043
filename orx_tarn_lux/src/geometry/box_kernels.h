// Row kernel of downscaling by whole factors: each output sample is the
// rounded mean of a factorX x factorY block of source samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orx {

struct BoxBlock {
    size_t factorX;
    size_t factorY;
    size_t channels;
    size_t sampleBytes;
    // Binning's sum mode: the block's sum, saturated at 255, instead of its mean.
    bool sum = false;
};

// rows[0 .. factorY) are the source rows of one output row; writes output
// samples [begin, end).
inline void boxScalar(const uint8_t* const* rows, const BoxBlock& box, uint8_t* target,
                      size_t begin, size_t end) {
    const uint32_t count = static_cast<uint32_t>(box.factorX * box.factorY);
    for (size_t e = begin; e < end; ++e) {
        const size_t pixel = e / box.channels;
        const size_t channel = e % box.channels;
        uint64_t sum = 0;
        for (size_t r = 0; r < box.factorY; ++r)
            for (size_t j = 0; j < box.factorX; ++j) {
                const size_t sample = (pixel * box.factorX + j) * box.channels + channel;
                if (box.sampleBytes == 1) {
                    sum += rows[r][sample];
                } else {
                    uint16_t v;
                    std::memcpy(&v, rows[r] + 2 * sample, sizeof v);
                    sum += v;
                }
            }
        const uint64_t mean = (sum + count / 2) / count;
        if (box.sampleBytes == 1) {
            target[e] = static_cast<uint8_t>(mean);
        } else {
            const auto wide = static_cast<uint16_t>(mean);
            std::memcpy(target + 2 * e, &wide, sizeof wide);
        }
    }
}

// Handles 8-bit 2 x 2 blocks (means, or sums when box.sum); returns where it stopped.
size_t boxHalfFast(const uint8_t* const* rows, const BoxBlock& box, size_t sourceSamples,
                   uint8_t* target, size_t begin, size_t end);

}  // namespace orx
