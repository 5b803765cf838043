// The body of every IsPixelFormatSupported operation of the processing
// objects: check the handle, then answer whether `supported` holds for it.
#pragma once

#include "core/api.h"

namespace orx::api {

template <typename Handle, typename Predicate>
void answerFormatSupport(Handle handle, TARN_LUX_PixelFormatName name, TARN_LUX_BOOL* isSupported,
                         Predicate supported) {
    TARN_LUX_BOOL& result = check::out(isSupported, "isSupported");
    use(handle);
    result = supported(name) ? TARN_LUX_TRUE : TARN_LUX_FALSE;
}

}  // namespace orx::api
