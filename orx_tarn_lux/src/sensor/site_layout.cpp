#include "sensor/site_layout.h"

namespace orx {

bool hasSiteLayout(const PixelFormatInfo& format) {
    return format.isValid() && format.packing == Packing::None && format.order != ChannelOrder::None &&
           (format.storageBitsPerChannel == 8 || format.storageBitsPerChannel == 16);
}

SiteLayout siteLayout(const PixelFormatInfo& format) {
    const size_t period = format.isBayered() ? 2 : 1;
    return SiteLayout{period, period * format.channels, size_t(format.storageBitsPerChannel / 8),
                      format.maximumValuePerChannel()};
}

}  // namespace orx
