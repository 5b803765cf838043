// Helpers shared by the library's tests.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "orx_tarn_lux.h"

namespace orx::test {

// The calling thread's last error, read with the two-call size query.
struct Failure {
    int32_t code = 0;
    std::string text;
};

inline Failure lastFailure() {
    Failure failure;
    size_t size = 0;
    EXPECT_EQ(TARN_LUX_GetLastError(&failure.code, nullptr, &size), TARN_LUX_RETURN_CODE_SUCCESS);
    failure.text.assign(size, '\0');
    EXPECT_EQ(TARN_LUX_GetLastError(&failure.code, failure.text.data(), &size), TARN_LUX_RETURN_CODE_SUCCESS);
    failure.text.resize(size > 0 ? size - 1 : 0);
    return failure;
}

// Checks that a call returned `expected`, and that the last error agrees and
// its description mentions every one of `fragments`.
inline void expectFailure(int32_t returned, int32_t expected, std::initializer_list<const char*> fragments) {
    EXPECT_EQ(returned, expected);
    const Failure failure = lastFailure();
    EXPECT_EQ(failure.code, expected) << failure.text;
    for (const char* fragment : fragments)
        EXPECT_NE(failure.text.find(fragment), std::string::npos) << "'" << fragment << "' not in: " << failure.text;
}

#define EXPECT_FAILS_WITH(call, expected, ...)                              \
    do {                                                                    \
        SCOPED_TRACE(#call);                                                \
        ::orx::test::expectFailure((call), (expected), {__VA_ARGS__});      \
    } while (0)

// An image made through the interface and destroyed at the end of the scope.
class ScopedImage {
public:
    ScopedImage(TARN_LUX_PixelFormatName format, size_t width, size_t height) {
        EXPECT_EQ(TARN_LUX_Image_Construct(format, width, height, &handle_), TARN_LUX_RETURN_CODE_SUCCESS)
            << lastFailure().text;
    }
    ~ScopedImage() {
        if (handle_ != nullptr) {
            EXPECT_EQ(TARN_LUX_Image_Destruct(handle_), TARN_LUX_RETURN_CODE_SUCCESS);
        }
    }
    ScopedImage(const ScopedImage&) = delete;
    ScopedImage& operator=(const ScopedImage&) = delete;

    TARN_LUX_ImageHandle get() const { return handle_; }

private:
    TARN_LUX_ImageHandle handle_ = nullptr;
};

}  // namespace orx::test
