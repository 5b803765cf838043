#include "correct/correctors.h"

#include <cmath>
#include <functional>
#include <vector>

#include "core/bayer.h"
#include "core/check.h"
#include "core/error.h"
#include "core/parallel.h"
#include "correct/correct_kernels.h"

namespace orx {
namespace {

// What a channel is to a curve.
enum Role : unsigned { RoleRed, RoleGreen, RoleBlue, RoleGray, RoleAlpha, kRoleCount };

// Rec. 601 luma weights, the ones the conversions to gray use as well.
constexpr double kLumaWeights[3] = {0.299, 0.587, 0.114};

bool isColour(const PixelFormatInfo& format) {
    const ChannelOrder order = format.order;
    return format.packing == Packing::None &&
           (order == ChannelOrder::RGB || order == ChannelOrder::BGR || order == ChannelOrder::RGBa ||
            order == ChannelOrder::BGRa);
}

bool isGrayOrMosaic(const PixelFormatInfo& format) {
    return format.packing == Packing::None && (format.order == ChannelOrder::Mono || format.isBayered());
}

const PixelFormatInfo* knownFormat(TARN_LUX_PixelFormatName name) { return findPixelFormat(name); }

// The roles of the channels in storage order, for formats that are not mosaics.
size_t rolesOf(const PixelFormatInfo& format, Role (&roles)[correct::kMaxPeriod]) {
    const bool bgr = format.order == ChannelOrder::BGR || format.order == ChannelOrder::BGRa;
    if (format.order == ChannelOrder::Mono) {
        roles[0] = RoleGray;
        return 1;
    }
    roles[0] = bgr ? RoleBlue : RoleRed;
    roles[1] = RoleGreen;
    roles[2] = bgr ? RoleRed : RoleBlue;
    roles[3] = RoleAlpha;
    return format.channels;
}

template <typename Sample>
std::vector<Sample> tableOf(Role role, uint32_t maximum, const std::function<double(Role, double)>& curve) {
    std::vector<Sample> table(size_t(maximum) + 1);
    for (uint32_t v = 0; v <= maximum; ++v) {
        const double value = role == RoleAlpha ? v : std::floor(curve(role, v) + 0.5);
        table[v] = Sample(std::min(std::max(value, 0.0), double(maximum)));
    }
    return table;
}

// The roles a format's samples take.
std::vector<Role> rolesUsed(const PixelFormatInfo& format) {
    if (format.isBayered()) return {RoleRed, RoleGreen, RoleBlue};
    Role roles[correct::kMaxPeriod];
    return std::vector<Role>(roles, roles + rolesOf(format, roles));
}

// Applies curve(role, value) to every sample through one table per role.
// A curve that is the same for every role (but alpha) is tabulated once.
template <typename Sample>
void correctWithTables(const Image& in, Image& out, const std::function<double(Role, double)>& curve,
                       bool sameForEveryRole) {
    const PixelFormatInfo& format = in.formatInfo();
    const uint32_t maximum = format.maximumValuePerChannel();
    std::vector<Sample> tables[kRoleCount];
    const Sample* table[kRoleCount] = {};
    const Sample* shared = nullptr;
    for (Role role : rolesUsed(format)) {
        if (sameForEveryRole && role != RoleAlpha && shared != nullptr) {
            table[role] = shared;
            continue;
        }
        tables[role] = tableOf<Sample>(role, maximum, curve);
        table[role] = tables[role].data();
        if (role != RoleAlpha) shared = table[role];
    }
    const auto run = [&](const uint8_t* from, uint8_t* to, size_t samples, const Sample* const* runTables,
                         size_t period) {
        if constexpr (sizeof(Sample) == 1)
            correct::applyTables8(from, to, samples, runTables, period);
        else
            correct::applyTables16(from, to, samples, runTables, period, uint16_t(maximum));
    };
    const size_t width = in.width();
    if (format.isBayered()) {
        const unsigned tile = bayer::tileOf(format.bayerPattern);
        parallelFor(in.height(), 1, [&](size_t begin, size_t end) {
            for (size_t y = begin; y < end; ++y) {
                const Sample* sites[2] = {table[bayer::colourAt(tile, 0, y)], table[bayer::colourAt(tile, 1, y)]};
                run(in.row(y), out.row(y), width, sites, 2);
            }
        });
        return;
    }
    Role roles[correct::kMaxPeriod];
    const size_t period = rolesOf(format, roles);
    const Sample* channels[correct::kMaxPeriod];
    for (size_t k = 0; k < period; ++k) channels[k] = table[roles[k]];
    parallelFor(in.height(), 1, [&](size_t begin, size_t end) {
        run(in.row(begin), out.row(begin), (end - begin) * width * period, channels, period);
    });
}

void correctWithTables(const Image& in, Image& out, const std::function<double(Role, double)>& curve,
                       bool sameForEveryRole) {
    if (in.formatInfo().storageBitsPerChannel == 8)
        correctWithTables<uint8_t>(in, out, curve, sameForEveryRole);
    else
        correctWithTables<uint16_t>(in, out, curve, sameForEveryRole);
}

}  // namespace

void checkSetting(float value, const SettingRange& range, const char* name) {
    if (!(value >= range.minimum && value <= range.maximum)) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, name, " isn't supported. ", value, " lies outside the range ",
             range.minimum, " to ", range.maximum);
    }
}

Image Corrector::process(const Image& image) const {
    if (!supports(image.format())) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "image has unsupported pixel format (",
             describeFormat(image.format()), ")");
    }
    // Every sample is written, alpha included.
    Image result(image.format(), image.width(), image.height(), Fill::Anything);
    apply(image, result);
    result.setTimestamp(image.timestamp());
    return result;
}

void Corrector::processInPlace(Image& image) const {
    if (!supports(image.format())) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "image has unsupported pixel format (",
             describeFormat(image.format()), ")");
    }
    apply(image, image);
}

bool ColorCorrector::supports(TARN_LUX_PixelFormatName name) const {
    const PixelFormatInfo* format = knownFormat(name);
    return format != nullptr && isColour(*format);
}

void ColorCorrector::apply(const Image& in, Image& out) const {
    const Settings s = settings.get();
    // M = S * F: the factors first, then the saturation around luma.
    double combined[3][3];
    for (size_t i = 0; i < 3; ++i)
        for (size_t j = 0; j < 3; ++j) {
            double sum = 0;
            for (size_t k = 0; k < 3; ++k) {
                const double saturation = (i == k ? s.saturation : 0.0) + (1.0 - s.saturation) * kLumaWeights[k];
                sum += saturation * s.factors[k * 3 + j];
            }
            combined[i][j] = sum;
        }
    const PixelFormatInfo& format = in.formatInfo();
    Role roles[correct::kMaxPeriod] = {};
    const size_t channels = rolesOf(format, roles);
    correct::Matrix matrix{};
    for (size_t p = 0; p < 3; ++p)
        for (size_t q = 0; q < 3; ++q) matrix.m[p][q] = float(combined[roles[p]][roles[q]]);
    matrix.maximum = float(format.maximumValuePerChannel());
    matrix.channels = channels;
    const bool bytes = format.storageBitsPerChannel == 8;
    parallelFor(in.height(), 1, [&](size_t begin, size_t end) {
        const size_t pixels = (end - begin) * in.width();
        if (bytes)
            correct::applyMatrix8(in.row(begin), out.row(begin), pixels, matrix);
        else
            correct::applyMatrix16(in.row(begin), out.row(begin), pixels, matrix);
    });
}

bool GammaCorrector::supports(TARN_LUX_PixelFormatName name) const {
    const PixelFormatInfo* format = knownFormat(name);
    return format != nullptr && (isColour(*format) || isGrayOrMosaic(*format));
}

void GammaCorrector::apply(const Image& in, Image& out) const {
    const double exponent = 1.0 / double(settings.get().gamma);
    const double maximum = in.formatInfo().maximumValuePerChannel();
    correctWithTables(in, out, [&](Role, double v) { return maximum * std::pow(v / maximum, exponent); }, true);
}

bool Gain::supports(TARN_LUX_PixelFormatName name) const {
    const PixelFormatInfo* format = knownFormat(name);
    return format != nullptr && (isColour(*format) || isGrayOrMosaic(*format));
}

void Gain::apply(const Image& in, Image& out) const {
    const Settings s = settings.get();
    const double master = s.gain[Master];
    const double perRole[] = {master * s.gain[Red], master * s.gain[Green], master * s.gain[Blue], master};
    correctWithTables(in, out, [&](Role role, double v) { return v * perRole[role]; }, false);
}

}  // namespace orx
