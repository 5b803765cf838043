// Histograms and pixel lines (analyse/measurements.h): computed when made,
// read afterwards.
#include "analyse/measurements.h"
#include "core/api.h"

using namespace orx;

namespace {

// The channel's record, for the queries by channel index.
template <typename Read>
ReturnCode readChannel(const char* operation, TARN_LUX_HistogramHandle histogram, size_t channel, Read read) {
    return api::guard(operation, [&] {
        const auto held = api::use(histogram);
        check::index(channel, held->channels.size(), "channel");
        read(held->channels[channel]);
    });
}

}  // namespace

extern "C" {

TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_Construct(TARN_LUX_ImageHandle image, TARN_LUX_Orientation orientation,
                                                  size_t offset, TARN_LUX_PixelLineHandle* line) {
    return api::guard(__func__, [&] {
        TARN_LUX_PixelLineHandle& result = check::out(line, "line");
        api::publish(result, pixelLineOf(*api::use(image), orientation, offset));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_PixelFormatName(TARN_LUX_PixelLineHandle line,
                                                        TARN_LUX_PixelFormatName* name) {
    return api::guard(__func__, [&] { check::out(name, "name") = api::use(line)->format; });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_Orientation(TARN_LUX_PixelLineHandle line,
                                                    TARN_LUX_Orientation* orientation) {
    return api::guard(__func__, [&] { check::out(orientation, "orientation") = api::use(line)->orientation; });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_Offset(TARN_LUX_PixelLineHandle line, size_t* offset) {
    return api::guard(__func__, [&] { check::out(offset, "offset") = api::use(line)->offset; });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_NumChannels(TARN_LUX_PixelLineHandle line, size_t* channels) {
    return api::guard(__func__, [&] { check::out(channels, "channels") = api::use(line)->channels.size(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_PixelLine_Values(TARN_LUX_PixelLineHandle line, size_t channel, uint32_t* values,
                                               size_t* count) {
    return api::guard(__func__, [&] {
        const auto held = api::use(line);
        check::index(channel, held->channels.size(), "channel");
        api::answerList(held->channels[channel], values, count);
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_Histogram_Construct(TARN_LUX_ImageHandle image, TARN_LUX_HistogramHandle* histogram) {
    return api::guard(__func__, [&] {
        TARN_LUX_HistogramHandle& result = check::out(histogram, "histogram");
        api::publish(result, histogramOf(*api::use(image)));
    });
}

TARN_LUX_RETURN_CODE TARN_LUX_Histogram_PixelFormat(TARN_LUX_HistogramHandle histogram,
                                                    TARN_LUX_PixelFormatName* name) {
    return api::guard(__func__, [&] { check::out(name, "name") = api::use(histogram)->format; });
}

TARN_LUX_RETURN_CODE TARN_LUX_Histogram_NumChannels(TARN_LUX_HistogramHandle histogram, size_t* channels) {
    return api::guard(__func__, [&] { check::out(channels, "channels") = api::use(histogram)->channels.size(); });
}

TARN_LUX_RETURN_CODE TARN_LUX_Histogram_PixelSum(TARN_LUX_HistogramHandle histogram, size_t channel, uint64_t* sum) {
    return readChannel(__func__, histogram, channel,
                       [&](const HistogramChannel& c) { check::out(sum, "sum") = c.pixelSum; });
}

TARN_LUX_RETURN_CODE TARN_LUX_Histogram_PixelCount(TARN_LUX_HistogramHandle histogram, size_t channel,
                                                   uint64_t* count) {
    return readChannel(__func__, histogram, channel,
                       [&](const HistogramChannel& c) { check::out(count, "count") = c.pixelCount; });
}

TARN_LUX_RETURN_CODE TARN_LUX_Histogram_Bins(TARN_LUX_HistogramHandle histogram, size_t channel, uint64_t* bins,
                                             size_t* count) {
    return readChannel(__func__, histogram, channel,
                       [&](const HistogramChannel& c) { api::answerList(c.bins, bins, count); });
}

}  // extern "C"
