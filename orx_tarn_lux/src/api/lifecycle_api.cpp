// AcquireReference and Destruct of every reference-counted kind but images
// (whose Destruct lives with the other image operations). They need nothing
// of the object but its kind, so they are complete before the objects are.
#include "core/api.h"

using namespace orx;

#define ORX_LIFECYCLE(CLASS)                                                                        \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_AcquireReference(TARN_LUX_##CLASS##Handle handle) {     \
        return api::guard(__func__, [&] { api::addReference(handle); });                           \
    }                                                                                               \
    TARN_LUX_RETURN_CODE TARN_LUX_##CLASS##_Destruct(TARN_LUX_##CLASS##Handle handle) {             \
        return api::guard(__func__, [&] { api::destruct(handle); });                               \
    }

extern "C" {
ORX_LIFECYCLE(ImageConverter)
ORX_LIFECYCLE(ImageTransformer)
ORX_LIFECYCLE(ColorCorrector)
ORX_LIFECYCLE(GammaCorrector)
ORX_LIFECYCLE(Gain)
ORX_LIFECYCLE(Binning)
ORX_LIFECYCLE(Decimation)
ORX_LIFECYCLE(HotpixelCorrection)
ORX_LIFECYCLE(EdgeEnhancement)
ORX_LIFECYCLE(Sharpness)
ORX_LIFECYCLE(PixelLine)
ORX_LIFECYCLE(Histogram)
}
