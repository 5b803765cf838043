// The last error: per thread, read by the two-call size query, and filled by
// the guard that every entry point runs through.
#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>

#include "core/api.h"
#include "test_support.h"

namespace orx {
namespace {

void failWithUnknownFormat() {
    size_t channels = 0;
    ASSERT_EQ(TARN_LUX_PixelFormat_NumChannels(0x1234, &channels), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
}

TEST(LastError, TwoCallQueryReportsSizeWithTheTerminatorAndRefusesSmallBuffers) {
    failWithUnknownFormat();
    int32_t code = -1;
    size_t size = 0;
    ASSERT_EQ(TARN_LUX_GetLastError(&code, nullptr, &size), TARN_LUX_RETURN_CODE_SUCCESS);
    const std::string expected = "TARN_LUX_PixelFormat_NumChannels: pixel format value 0x00001234 names no pixel format";
    EXPECT_EQ(code, TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    EXPECT_EQ(size, expected.size() + 1);

    std::string small(size - 1, 'x');
    size_t smallSize = small.size();
    EXPECT_EQ(TARN_LUX_GetLastError(&code, small.data(), &smallSize), TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL);
    EXPECT_EQ(smallSize, size);
    EXPECT_EQ(small, std::string(size - 1, 'x'));

    // Its own failure did not replace what it reports.
    std::string text(size, 'x');
    ASSERT_EQ(TARN_LUX_GetLastError(&code, text.data(), &size), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(std::strlen(text.c_str()), expected.size());
    EXPECT_EQ(text.c_str(), expected);
    EXPECT_EQ(code, TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
}

TEST(LastError, NullParametersAreRefusedAndSuccessLeavesTheErrorInPlace) {
    failWithUnknownFormat();
    size_t size = 0;
    int32_t code = 0;
    EXPECT_EQ(TARN_LUX_GetLastError(nullptr, nullptr, &size), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    EXPECT_EQ(TARN_LUX_GetLastError(&code, nullptr, nullptr), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    size_t channels = 0;
    ASSERT_EQ(TARN_LUX_PixelFormat_NumChannels(TARN_LUX_PixelFormatName_RGB8, &channels), 0);
    EXPECT_EQ(test::lastFailure().code, TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
}

TEST(LastError, EachThreadReadsItsOwnFailure) {
    // Both threads fail, then wait until the other has failed too, then read.
    std::atomic<int> failed{0};
    auto waitForBoth = [&] {
        failed.fetch_add(1);
        while (failed.load() < 2) std::this_thread::yield();
    };
    test::Failure first, second;
    std::thread a([&] {
        failWithUnknownFormat();
        waitForBoth();
        first = test::lastFailure();
    });
    std::thread b([&] {
        size_t width = 0;
        EXPECT_EQ(TARN_LUX_Image_Width(nullptr, &width), TARN_LUX_RETURN_CODE_INVALID_HANDLE);
        waitForBoth();
        second = test::lastFailure();
    });
    a.join();
    b.join();
    EXPECT_EQ(first.code, TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    EXPECT_NE(first.text.find("0x00001234"), std::string::npos);
    EXPECT_EQ(second.code, TARN_LUX_RETURN_CODE_INVALID_HANDLE);
    EXPECT_NE(second.text.find("TARN_LUX_Image_Width"), std::string::npos);

    // A thread that never failed reads success and an empty text.
    std::thread([] {
        const test::Failure none = test::lastFailure();
        EXPECT_EQ(none.code, TARN_LUX_RETURN_CODE_SUCCESS);
        EXPECT_EQ(none.text, "");
    }).join();
}

TEST(LastError, TheGuardTurnsEveryExceptionIntoACode) {
    EXPECT_EQ(api::guard("op", [] { fail(TARN_LUX_RETURN_CODE_BUSY, "queue full with ", 4, " frames"); }),
              TARN_LUX_RETURN_CODE_BUSY);
    EXPECT_EQ(test::lastFailure().text, "op: queue full with 4 frames");

    EXPECT_EQ(api::guard("op", [] { throw std::bad_alloc(); }), TARN_LUX_RETURN_CODE_ERROR);
    EXPECT_NE(test::lastFailure().text.find("out of memory"), std::string::npos);

    EXPECT_EQ(api::guard("op", [] { throw std::logic_error("broken invariant"); }), TARN_LUX_RETURN_CODE_ERROR);
    EXPECT_EQ(test::lastFailure().text, "op: broken invariant");

    EXPECT_EQ(api::guard("op", [] { throw 42; }), TARN_LUX_RETURN_CODE_ERROR);
    EXPECT_EQ(test::lastFailure().text, "op: unexpected internal failure");
}

TEST(LastError, ReturnCodeNamesFollowTheInterface) {
    EXPECT_STREQ(returnCodeName(TARN_LUX_RETURN_CODE_SUCCESS), "TARN_LUX_RETURN_CODE_SUCCESS");
    EXPECT_STREQ(returnCodeName(TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR),
                 "TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR");
    EXPECT_STREQ(returnCodeName(TARN_LUX_RETURN_CODE_TIMEOUT), "TARN_LUX_RETURN_CODE_TIMEOUT");
    EXPECT_STREQ(returnCodeName(13), "unknown return code");
    EXPECT_STREQ(returnCodeName(-1), "unknown return code");
}

}  // namespace
}  // namespace orx
