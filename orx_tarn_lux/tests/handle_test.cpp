// Life cycle of handles: reference counts, and refusal of handles that name
// nothing, something destroyed, or something of another kind.
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "core/api.h"
#include "core/image.h"
#include "test_support.h"

namespace orx {
namespace {

// Stands in for a processing object: reports when it is destroyed.
struct Probe {
    explicit Probe(std::atomic<int>* destroyed) : destroyed(destroyed) {}
    ~Probe() { destroyed->fetch_add(1); }
    std::atomic<int>* destroyed;
};

TARN_LUX_HistogramHandle makeProbe(std::atomic<int>* destroyed) {
    const uintptr_t handle = Registry::insert(std::make_unique<Held<Probe>>(HandleKind::Histogram, destroyed));
    return reinterpret_cast<TARN_LUX_HistogramHandle>(handle);
}

TEST(Handles, EveryAcquiredReferenceNeedsItsOwnDestruct) {
    std::atomic<int> destroyed{0};
    const TARN_LUX_HistogramHandle handle = makeProbe(&destroyed);
    ASSERT_EQ(TARN_LUX_Histogram_AcquireReference(handle), TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(TARN_LUX_Histogram_AcquireReference(handle), TARN_LUX_RETURN_CODE_SUCCESS);

    ASSERT_EQ(TARN_LUX_Histogram_Destruct(handle), TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(TARN_LUX_Histogram_Destruct(handle), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(destroyed.load(), 0);
    ASSERT_EQ(TARN_LUX_Histogram_Destruct(handle), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(destroyed.load(), 1);

    EXPECT_FAILS_WITH(TARN_LUX_Histogram_Destruct(handle), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                      "TARN_LUX_Histogram_Destruct", "histogram handle", "no live object");
    EXPECT_FAILS_WITH(TARN_LUX_Histogram_AcquireReference(handle), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                      "no live object");
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(Handles, NullNeverIssuedAndWrongKindHandlesAreRefused) {
    size_t width = 7;
    EXPECT_FAILS_WITH(TARN_LUX_Image_Width(nullptr, &width), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                      "TARN_LUX_Image_Width", "image handle is null");
    EXPECT_FAILS_WITH(TARN_LUX_Image_Width(reinterpret_cast<TARN_LUX_ImageHandle>(0xdeadbeef), &width),
                      TARN_LUX_RETURN_CODE_INVALID_HANDLE, "0xdeadbeef");
    EXPECT_EQ(width, 7u);

    test::ScopedImage image(TARN_LUX_PixelFormatName_Mono8, 4, 4);
    EXPECT_FAILS_WITH(TARN_LUX_Histogram_Destruct(reinterpret_cast<TARN_LUX_HistogramHandle>(image.get())),
                      TARN_LUX_RETURN_CODE_INVALID_HANDLE, "names an image, not a histogram");
    // The refused call must not have released the image.
    EXPECT_EQ(TARN_LUX_Image_Width(image.get(), &width), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(width, 4u);
}

TEST(Handles, AStaleImageHandleStaysStaleAfterNewImagesAreMade) {
    TARN_LUX_ImageHandle stale = nullptr;
    ASSERT_EQ(TARN_LUX_Image_Construct(TARN_LUX_PixelFormatName_Mono8, 2, 2, &stale), TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(TARN_LUX_Image_Destruct(stale), TARN_LUX_RETURN_CODE_SUCCESS);
    test::ScopedImage successor(TARN_LUX_PixelFormatName_Mono8, 2, 2);
    EXPECT_NE(successor.get(), stale);
    size_t bytes = 0;
    EXPECT_FAILS_WITH(TARN_LUX_Image_ByteCount(stale, &bytes), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                      "no live object");
}

TEST(Handles, AnObjectInUseOutlivesADestructFromAnotherThread) {
    std::atomic<int> destroyed{0};
    const TARN_LUX_HistogramHandle handle = makeProbe(&destroyed);
    {
        Object& object = Registry::acquire(api::handleValue(handle), HandleKind::Histogram);
        Ref<Probe> inUse(static_cast<Held<Probe>&>(object));
        std::thread([handle] { EXPECT_EQ(TARN_LUX_Histogram_Destruct(handle), TARN_LUX_RETURN_CODE_SUCCESS); })
            .join();
        EXPECT_EQ(destroyed.load(), 0);
        EXPECT_EQ(inUse->destroyed, &destroyed);
        // Stale for new calls at once, though still alive for the one running.
        EXPECT_EQ(TARN_LUX_Histogram_AcquireReference(handle), TARN_LUX_RETURN_CODE_INVALID_HANDLE);
    }
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(Handles, RacingDestructsOfOneReferenceReleaseItOnce) {
    constexpr int kThreads = 8;
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> destroyed{0};
        std::atomic<int> succeeded{0};
        const TARN_LUX_HistogramHandle handle = makeProbe(&destroyed);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                if (TARN_LUX_Histogram_Destruct(handle) == TARN_LUX_RETURN_CODE_SUCCESS) succeeded.fetch_add(1);
            });
        }
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(succeeded.load(), 1);
        EXPECT_EQ(destroyed.load(), 1);
    }
}

TEST(Handles, ImagesUsedWhileOthersAreDestroyedStayIntact) {
    // Readers and a thread that makes and destroys images run at once; the
    // sanitizer build turns any use of freed memory here into a failure.
    test::ScopedImage shared(TARN_LUX_PixelFormatName_RGB8, 16, 16);
    std::atomic<bool> stop{false};
    std::thread churn([&] {
        for (int i = 0; i < 2000; ++i) {
            TARN_LUX_ImageHandle image = nullptr;
            ASSERT_EQ(TARN_LUX_Image_Construct(TARN_LUX_PixelFormatName_Mono8, 8, 8, &image), 0);
            ASSERT_EQ(TARN_LUX_Image_Destruct(image), 0);
        }
        stop = true;
    });
    size_t bytes = 0;
    // At least once: the churn may be done before this thread gets going.
    do {
        ASSERT_EQ(TARN_LUX_Image_ByteCount(shared.get(), &bytes), TARN_LUX_RETURN_CODE_SUCCESS);
    } while (!stop);
    churn.join();
    EXPECT_EQ(bytes, 16u * 16u * 3u);
}

}  // namespace
}  // namespace orx
