// The video writer through the C interface: the AVI file read back chunk by
// chunk and frame by frame, the queue and its counters, waits, failures of
// the worker, and refusal of bad handles and arguments.
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/image.h"
#include "convert/conversion.h"
#include "support/avi_reader.h"
#include "test_support.h"

namespace orx {
namespace {

using test::AviReader;
using test::Chunk;
using test::le16;
using test::le32;
using test::le64;

std::string temporaryPath(const std::string& name) {
    return ::testing::TempDir() + "orx_video_" + std::to_string(::getpid()) + "_" + name + ".avi";
}

// A frame with smooth content (JPEG keeps it well), different per `index`.
TARN_LUX_ImageHandle makeFrame(TARN_LUX_PixelFormatName format, size_t width, size_t height, size_t index) {
    TARN_LUX_ImageHandle image = nullptr;
    EXPECT_EQ(TARN_LUX_Image_Construct(format, width, height, &image), TARN_LUX_RETURN_CODE_SUCCESS);
    uint8_t* data = nullptr;
    EXPECT_EQ(TARN_LUX_Image_Data(image, &data), TARN_LUX_RETURN_CODE_SUCCESS);
    size_t bytes = 0;
    EXPECT_EQ(TARN_LUX_Image_ByteCount(image, &bytes), TARN_LUX_RETURN_CODE_SUCCESS);
    const size_t perPixel = bytes / (width * height);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x)
            for (size_t c = 0; c < perPixel; ++c) {
                // A triangle wave: ramps without jumps.
                const size_t phase = (x * 2 + y * 3 + c * 60 + index * 16) % 512;
                data[(y * width + x) * perPixel + c] = uint8_t(phase < 256 ? phase : 511 - phase);
            }
    return image;
}

struct Writer {
    explicit Writer(const std::string& path) { open(path); }
    ~Writer() {
        if (handle != nullptr) TARN_LUX_VideoWriter_Close(handle);
    }
    void open(const std::string& path) {
        EXPECT_EQ(TARN_LUX_VideoWriter_Open(&handle, path.c_str(), TARN_LUX_VIDEO_CONTAINER_AVI,
                                            TARN_LUX_VIDEO_ENCODER_MJPEG),
                  TARN_LUX_RETURN_CODE_SUCCESS)
            << test::lastFailure().text;
    }
    TARN_LUX_RETURN_CODE append(TARN_LUX_ImageHandle image) { return TARN_LUX_VideoWriter_Append(handle, image); }
    TARN_LUX_RETURN_CODE close() { return TARN_LUX_VideoWriter_Close(std::exchange(handle, nullptr)); }
    uint64_t encoded() {
        uint64_t count = 0;
        EXPECT_EQ(TARN_LUX_VideoWriter_NumFramesEncoded(handle, &count), TARN_LUX_RETURN_CODE_SUCCESS);
        return count;
    }
    uint64_t dropped() {
        uint64_t count = 0;
        EXPECT_EQ(TARN_LUX_VideoWriter_NumFramesDropped(handle, &count), TARN_LUX_RETURN_CODE_SUCCESS);
        return count;
    }
    TARN_LUX_VideoWriterHandle handle = nullptr;
};

// Writes `count` frames made by makeFrame and closes the video.
void writeVideo(const std::string& path, TARN_LUX_PixelFormatName format, size_t width, size_t height, size_t count,
                double fps = 25.0) {
    Writer writer(path);
    ASSERT_EQ(TARN_LUX_VideoWriter_SetQueueSize(writer.handle, int32_t(count)), TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(TARN_LUX_IContainer_SetOption(writer.handle, TARN_LUX_VIDEO_CONTAINER_OPTION_FRAMERATE, &fps,
                                            sizeof fps),
              TARN_LUX_RETURN_CODE_SUCCESS);
    for (size_t index = 0; index < count; ++index) {
        const TARN_LUX_ImageHandle frame = makeFrame(format, width, height, index);
        ASSERT_EQ(writer.append(frame), TARN_LUX_RETURN_CODE_SUCCESS) << test::lastFailure().text;
        TARN_LUX_Image_Destruct(frame);
    }
    ASSERT_EQ(writer.close(), TARN_LUX_RETURN_CODE_SUCCESS) << test::lastFailure().text;
}

// The frames of the file in order, found through the classic index and, for
// files with extended segments, through the super index.
std::vector<std::pair<uint64_t, uint32_t>> framesByClassicIndex(const AviReader& avi) {
    std::vector<std::pair<uint64_t, uint32_t>> frames;
    const Chunk* idx1 = avi.riffs.at(0).find("idx1");
    const Chunk* movi = avi.riffs.at(0).find("movi");
    if (idx1 == nullptr || movi == nullptr) return frames;
    for (uint64_t entry = idx1->data(); entry < idx1->data() + idx1->size; entry += 16) {
        EXPECT_EQ(avi.fourcc(entry), "00dc");
        EXPECT_EQ(le32(avi.bytes, entry + 4), 0x10u);  // key frame
        const uint64_t chunk = movi->offset + 8 + le32(avi.bytes, entry + 8);
        EXPECT_EQ(avi.fourcc(chunk), "00dc");
        EXPECT_EQ(le32(avi.bytes, chunk + 4), le32(avi.bytes, entry + 12));
        frames.emplace_back(chunk + 8, le32(avi.bytes, entry + 12));
    }
    return frames;
}

std::vector<std::pair<uint64_t, uint32_t>> framesBySuperIndex(const AviReader& avi) {
    std::vector<std::pair<uint64_t, uint32_t>> frames;
    const Chunk* indx = avi.riffs.at(0).find("hdrl")->find("strl")->find("indx");
    if (indx == nullptr) return frames;
    const uint64_t at = indx->data();
    EXPECT_EQ(le16(avi.bytes, at), 4);
    EXPECT_EQ(avi.bytes[at + 3], 0);  // an index of indexes
    for (uint32_t entry = 0; entry < le32(avi.bytes, at + 4); ++entry) {
        const uint64_t slot = at + 24 + 16 * entry;
        const uint64_t ix = le64(avi.bytes, slot);
        EXPECT_EQ(avi.fourcc(ix), "ix00");
        EXPECT_EQ(le32(avi.bytes, ix + 4) + 8, le32(avi.bytes, slot + 8));
        const uint32_t count = le32(avi.bytes, ix + 12);
        EXPECT_EQ(count, le32(avi.bytes, slot + 12));
        const uint64_t base = le64(avi.bytes, ix + 20);
        for (uint32_t frame = 0; frame < count; ++frame) {
            const uint64_t data = base + le32(avi.bytes, ix + 32 + 8 * frame);
            const uint32_t size = le32(avi.bytes, ix + 36 + 8 * frame);
            EXPECT_EQ(size >> 31, 0u);  // key frame
            EXPECT_EQ(avi.fourcc(data - 8), "00dc");
            frames.emplace_back(data, size);
        }
    }
    return frames;
}

// Decodes one JPEG frame of the file into RGB or gray pixels.
std::vector<uint8_t> decode(const AviReader& avi, std::pair<uint64_t, uint32_t> frame, int turboFormat) {
    tjhandle decompressor = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    std::vector<uint8_t> pixels;
    auto* jpeg = const_cast<uint8_t*>(avi.bytes.data() + frame.first);
    if (tjDecompressHeader3(decompressor, jpeg, frame.second, &width, &height, &subsampling, &colorspace) == 0) {
        pixels.resize(size_t(width) * height * tjPixelSize[turboFormat]);
        EXPECT_EQ(tjDecompress2(decompressor, jpeg, frame.second, pixels.data(), width, 0, height, turboFormat, 0), 0);
    }
    tjDestroy(decompressor);
    return pixels;
}

double psnr(const std::vector<uint8_t>& a, const uint8_t* b, size_t count) {
    double sum = 0;
    for (size_t index = 0; index < count; ++index) sum += std::pow(double(a.at(index)) - b[index], 2);
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * double(count) / sum);
}

// Sets an environment variable for the life of a test.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) { ::setenv(name, value, 1); }
    ~ScopedEnvironment() { ::unsetenv(name_); }

private:
    const char* name_;
};

TEST(VideoWriter, WritesAnAviWithHeadersIndexesAndEveryFrame) {
    const std::string path = temporaryPath("layout");
    constexpr size_t kWidth = 100, kHeight = 60, kFrames = 12;
    writeVideo(path, TARN_LUX_PixelFormatName_RGB8, kWidth, kHeight, kFrames, 29.97);

    AviReader avi(path);
    ASSERT_TRUE(avi.consistent);
    ASSERT_EQ(avi.riffs.size(), 1u);
    const Chunk& riff = avi.riffs[0];
    EXPECT_EQ(riff.listType, "AVI ");
    EXPECT_EQ(uint64_t(riff.size) + 8, avi.bytes.size());

    const Chunk* hdrl = riff.find("hdrl");
    ASSERT_NE(hdrl, nullptr);
    const uint64_t avih = hdrl->find("avih")->data();
    EXPECT_EQ(le32(avi.bytes, avih), uint32_t(std::lround(1e6 / 29.97)));
    EXPECT_EQ(le32(avi.bytes, avih + 12) & 0x10, 0x10u);  // has an index
    EXPECT_EQ(le32(avi.bytes, avih + 16), kFrames);
    EXPECT_EQ(le32(avi.bytes, avih + 24), 1u);
    EXPECT_EQ(le32(avi.bytes, avih + 32), kWidth);
    EXPECT_EQ(le32(avi.bytes, avih + 36), kHeight);

    const Chunk* strl = hdrl->find("strl");
    ASSERT_NE(strl, nullptr);
    const uint64_t strh = strl->find("strh")->data();
    EXPECT_EQ(avi.fourcc(strh), "vids");
    EXPECT_EQ(avi.fourcc(strh + 4), "MJPG");
    EXPECT_DOUBLE_EQ(double(le32(avi.bytes, strh + 24)) / le32(avi.bytes, strh + 20), 29.97);
    EXPECT_EQ(le32(avi.bytes, strh + 32), kFrames);
    const uint64_t strf = strl->find("strf")->data();
    EXPECT_EQ(le32(avi.bytes, strf), 40u);
    EXPECT_EQ(le32(avi.bytes, strf + 4), kWidth);
    EXPECT_EQ(le32(avi.bytes, strf + 8), kHeight);
    EXPECT_EQ(avi.fourcc(strf + 16), "MJPG");
    EXPECT_EQ(le32(avi.bytes, hdrl->find("odml")->find("dmlh")->data()), kFrames);

    const Chunk* movi = riff.find("movi");
    ASSERT_NE(movi, nullptr);
    EXPECT_EQ(movi->all("00dc").size(), kFrames);
    EXPECT_NE(movi->find("ix00"), nullptr);

    const auto classic = framesByClassicIndex(avi);
    EXPECT_EQ(classic, framesBySuperIndex(avi));
    ASSERT_EQ(classic.size(), kFrames);
    for (size_t index = 0; index < kFrames; ++index) {
        SCOPED_TRACE(index);
        const TARN_LUX_ImageHandle original = makeFrame(TARN_LUX_PixelFormatName_RGB8, kWidth, kHeight, index);
        uint8_t* data = nullptr;
        TARN_LUX_Image_Data(original, &data);
        const auto decoded = decode(avi, classic[index], TJPF_RGB);
        ASSERT_EQ(decoded.size(), kWidth * kHeight * 3);
        EXPECT_GT(psnr(decoded, data, decoded.size()), 30.0);
        TARN_LUX_Image_Destruct(original);
    }
    std::remove(path.c_str());
}

TEST(VideoWriter, EncodesEveryListedFormatAtAnySize) {
    TARN_LUX_PixelFormatName formats[16];
    size_t count = 16;
    ASSERT_EQ(TARN_LUX_GetSupportedPixelFormats(TARN_LUX_VIDEO_ENCODER_MJPEG, formats, &count),
              TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(count, 9u);
    // Sides that are no multiples of the JPEG block sizes, and one row.
    const std::pair<size_t, size_t> sizes[] = {{37, 21}, {16, 1}};
    for (size_t which = 0; which < count; ++which) {
        for (const auto& size : sizes) {
            SCOPED_TRACE(testing::Message() << std::hex << formats[which] << std::dec << " " << size.first << "x"
                                            << size.second);
            const std::string path = temporaryPath("formats");
            writeVideo(path, formats[which], size.first, size.second, 2);
            AviReader avi(path);
            const auto frames = framesByClassicIndex(avi);
            ASSERT_EQ(frames.size(), 2u);
            const TARN_LUX_ImageHandle frame = makeFrame(formats[which], size.first, size.second, 1);
            // What the frame looks like in colour (or gray): the reference.
            const bool gray = formats[which] == TARN_LUX_PixelFormatName_Mono8;
            TARN_LUX_ImageHandle reference = nullptr;
            ASSERT_EQ(TARN_LUX_Image_ConvertTo(frame,
                                               gray ? TARN_LUX_PixelFormatName_Mono8 : TARN_LUX_PixelFormatName_RGB8,
                                               TARN_LUX_ConversionMode_Fast, &reference),
                      TARN_LUX_RETURN_CODE_SUCCESS);
            uint8_t* data = nullptr;
            TARN_LUX_Image_Data(reference, &data);
            const auto decoded = decode(avi, frames[1], gray ? TJPF_GRAY : TJPF_RGB);
            ASSERT_EQ(decoded.size(), size.first * size.second * (gray ? 1 : 3));
            EXPECT_GT(psnr(decoded, data, decoded.size()), 30.0);
            TARN_LUX_Image_Destruct(reference);
            TARN_LUX_Image_Destruct(frame);
            std::remove(path.c_str());
        }
    }
}

TEST(VideoWriter, SplitsLongVideosIntoExtendedSegments) {
    const std::string path = temporaryPath("segments");
    constexpr size_t kFrames = 40;
    {
        const ScopedEnvironment smallSegments("TARN_LUX_VIDEO_SEGMENT_BYTES", "60000");
        writeVideo(path, TARN_LUX_PixelFormatName_RGB8, 160, 120, kFrames);
    }

    AviReader avi(path);
    ASSERT_TRUE(avi.consistent);
    ASSERT_GT(avi.riffs.size(), 2u);
    EXPECT_EQ(avi.riffs[0].listType, "AVI ");
    size_t inMovi = 0;
    for (size_t segment = 0; segment < avi.riffs.size(); ++segment) {
        const Chunk& riff = avi.riffs[segment];
        EXPECT_LE(riff.size + 8u, 60000u);
        if (segment > 0) {
            EXPECT_EQ(riff.listType, "AVIX");
        }
        EXPECT_EQ(riff.find("idx1") != nullptr, segment == 0);
        ASSERT_NE(riff.find("movi"), nullptr);
        EXPECT_EQ(riff.find("movi")->all("ix00").size(), 1u);
        inMovi += riff.find("movi")->all("00dc").size();
    }
    EXPECT_EQ(inMovi, kFrames);
    const auto all = framesBySuperIndex(avi);
    ASSERT_EQ(all.size(), kFrames);
    const auto first = framesByClassicIndex(avi);
    EXPECT_EQ(first.size(), avi.riffs[0].find("movi")->all("00dc").size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), all.begin()));
    const Chunk* hdrl = avi.riffs[0].find("hdrl");
    EXPECT_EQ(le32(avi.bytes, hdrl->find("avih")->data() + 16), first.size());
    EXPECT_EQ(le32(avi.bytes, hdrl->find("strl")->find("strh")->data() + 32), kFrames);
    EXPECT_EQ(le32(avi.bytes, hdrl->find("odml")->find("dmlh")->data()), kFrames);
    // The last frame is the last one appended.
    const TARN_LUX_ImageHandle last = makeFrame(TARN_LUX_PixelFormatName_RGB8, 160, 120, kFrames - 1);
    uint8_t* data = nullptr;
    TARN_LUX_Image_Data(last, &data);
    EXPECT_GT(psnr(decode(avi, all.back(), TJPF_RGB), data, 160 * 120 * 3), 30.0);
    TARN_LUX_Image_Destruct(last);
    std::remove(path.c_str());
}

TEST(VideoWriter, AnUnfinishedFileCountsTheFramesWrittenSoFar) {
    const std::string path = temporaryPath("unfinished");
    Writer writer(path);
    for (size_t index = 0; index < 5; ++index) {
        const TARN_LUX_ImageHandle frame = makeFrame(TARN_LUX_PixelFormatName_Mono8, 64, 64, index);
        ASSERT_EQ(writer.append(frame), TARN_LUX_RETURN_CODE_SUCCESS);
        TARN_LUX_Image_Destruct(frame);
    }
    ASSERT_EQ(TARN_LUX_VideoWriter_WaitUntilQueueEmpty(writer.handle, 10000), TARN_LUX_RETURN_CODE_SUCCESS);
    uint64_t size = 0;
    ASSERT_EQ(TARN_LUX_VideoWriter_FileSize(writer.handle, &size), TARN_LUX_RETURN_CODE_SUCCESS);
    // What a reader finds when the process dies now.
    AviReader avi(path);
    EXPECT_EQ(avi.bytes.size(), size);
    ASSERT_TRUE(avi.consistent);
    EXPECT_EQ(avi.riffs.at(0).find("movi")->all("00dc").size(), 5u);
    EXPECT_EQ(le32(avi.bytes, avi.riffs[0].find("hdrl")->find("avih")->data() + 16), 5u);
    EXPECT_EQ(writer.close(), TARN_LUX_RETURN_CODE_SUCCESS);
    std::remove(path.c_str());
}

TEST(VideoWriter, CloseDrainsTheQueueAndCountersAddUp) {
    const std::string path = temporaryPath("drain");
    Writer writer(path);
    ASSERT_EQ(TARN_LUX_VideoWriter_SetQueueSize(writer.handle, 32), TARN_LUX_RETURN_CODE_SUCCESS);
    const TARN_LUX_ImageHandle frame = makeFrame(TARN_LUX_PixelFormatName_RGB8, 640, 480, 0);
    for (int index = 0; index < 20; ++index) ASSERT_EQ(writer.append(frame), TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(writer.close(), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(framesByClassicIndex(AviReader(path)).size(), 20u);

    // A queue of one frame refuses what arrives while it is full.
    writer.open(path);
    ASSERT_EQ(TARN_LUX_VideoWriter_SetQueueSize(writer.handle, 1), TARN_LUX_RETURN_CODE_SUCCESS);
    size_t refused = 0;
    for (int index = 0; index < 30; ++index) {
        const TARN_LUX_RETURN_CODE code = writer.append(frame);
        if (code == TARN_LUX_RETURN_CODE_BUSY) {
            EXPECT_NE(test::lastFailure().text.find("queue is full"), std::string::npos);
            ++refused;
        } else {
            ASSERT_EQ(code, TARN_LUX_RETURN_CODE_SUCCESS);
        }
    }
    EXPECT_GT(refused, 0u);
    ASSERT_EQ(TARN_LUX_VideoWriter_WaitUntilQueueEmpty(writer.handle, -1), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(writer.dropped(), refused);
    EXPECT_EQ(writer.encoded(), 30 - refused);
    ASSERT_EQ(TARN_LUX_VideoWriter_ResetFrameCounters(writer.handle), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(writer.dropped(), 0u);
    EXPECT_EQ(writer.encoded(), 0u);
    ASSERT_EQ(writer.close(), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(framesByClassicIndex(AviReader(path)).size(), 30 - refused);
    TARN_LUX_Image_Destruct(frame);
    std::remove(path.c_str());
}

TEST(VideoWriter, AppendsFromSeveralThreadsAllArrive) {
    const std::string path = temporaryPath("threads");
    Writer writer(path);
    ASSERT_EQ(TARN_LUX_VideoWriter_SetQueueSize(writer.handle, 256), TARN_LUX_RETURN_CODE_SUCCESS);
    const TARN_LUX_ImageHandle frame = makeFrame(TARN_LUX_PixelFormatName_BGRa8, 96, 64, 0);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&] {
            for (int index = 0; index < 25; ++index) EXPECT_EQ(writer.append(frame), TARN_LUX_RETURN_CODE_SUCCESS);
        });
    }
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(writer.close(), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(framesByClassicIndex(AviReader(path)).size(), 100u);
    TARN_LUX_Image_Destruct(frame);
    std::remove(path.c_str());
}

TEST(VideoWriter, EncodersWorkingSideBySideKeepTheOrderOfAppend) {
    const std::string path = temporaryPath("order");
    const ScopedEnvironment fourEncoders("TARN_LUX_VIDEO_ENCODERS", "4");
    constexpr size_t kWidth = 320, kHeight = 240, kFrames = 24;
    std::vector<TARN_LUX_ImageHandle> frames;
    {
        Writer writer(path);
        ASSERT_EQ(TARN_LUX_VideoWriter_SetQueueSize(writer.handle, 32), TARN_LUX_RETURN_CODE_SUCCESS);
        for (size_t index = 0; index < kFrames; ++index) {
            frames.push_back(makeFrame(TARN_LUX_PixelFormatName_RGB8, kWidth, kHeight, index));
            // Every third frame is noise: slow to compress, so workers finish out of turn.
            if (index % 3 == 0) {
                uint8_t* data = nullptr;
                TARN_LUX_Image_Data(frames.back(), &data);
                for (size_t byte = 0; byte < kWidth * kHeight * 3; ++byte) data[byte] = uint8_t(byte * 2654435761u >> 13);
            }
            ASSERT_EQ(writer.append(frames.back()), TARN_LUX_RETURN_CODE_SUCCESS);
        }
        ASSERT_EQ(writer.close(), TARN_LUX_RETURN_CODE_SUCCESS);
    }
    AviReader avi(path);
    const auto written = framesByClassicIndex(avi);
    ASSERT_EQ(written.size(), kFrames);
    for (size_t index = 0; index < kFrames; ++index) {
        SCOPED_TRACE(index);
        uint8_t* data = nullptr;
        TARN_LUX_Image_Data(frames[index], &data);
        const auto decoded = decode(avi, written[index], TJPF_RGB);
        EXPECT_GT(psnr(decoded, data, decoded.size()), index % 3 == 0 ? 10.0 : 30.0);
        if (index + 1 < kFrames) {
            uint8_t* next = nullptr;
            TARN_LUX_Image_Data(frames[index + 1], &next);
            EXPECT_LT(psnr(decoded, next, decoded.size()), psnr(decoded, data, decoded.size()));
        }
        TARN_LUX_Image_Destruct(frames[index]);
    }
    std::remove(path.c_str());
}

TEST(VideoWriter, WaitsTimeOutWhileFramesAreStillBeingWritten) {
    const std::string path = temporaryPath("timeout");
    // One compressing thread, so that the second frame waits in the queue.
    const ScopedEnvironment oneEncoder("TARN_LUX_VIDEO_ENCODERS", "1");
    Writer writer(path);
    ASSERT_EQ(TARN_LUX_VideoWriter_WaitUntilQueueEmpty(writer.handle, 0), TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(TARN_LUX_VideoWriter_WaitUntilFrameDone(writer.handle, 0), TARN_LUX_RETURN_CODE_SUCCESS);
    // Large enough that its compression outlasts the calls below.
    const TARN_LUX_ImageHandle frame = makeFrame(TARN_LUX_PixelFormatName_BayerRG8, 6000, 4000, 0);
    ASSERT_EQ(writer.append(frame), TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(writer.append(frame), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_WaitUntilQueueEmpty(writer.handle, 1), TARN_LUX_RETURN_CODE_TIMEOUT,
                      "the queue did not empty within 1 ms");
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_WaitUntilFrameDone(writer.handle, 0), TARN_LUX_RETURN_CODE_TIMEOUT,
                      "no frame was finished within 0 ms");
    int32_t queued = 0;
    ASSERT_EQ(TARN_LUX_VideoWriter_NumBuffersQueued(writer.handle, &queued), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_GE(queued, 1);
    ASSERT_EQ(TARN_LUX_VideoWriter_WaitUntilFrameDone(writer.handle, -1), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_GE(writer.encoded(), 1u);
    ASSERT_EQ(TARN_LUX_VideoWriter_WaitUntilQueueEmpty(writer.handle, 60000), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(writer.encoded(), 2u);
    ASSERT_EQ(TARN_LUX_VideoWriter_NumBuffersQueued(writer.handle, &queued), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(queued, 0);
    TARN_LUX_Image_Destruct(frame);
    EXPECT_EQ(writer.close(), TARN_LUX_RETURN_CODE_SUCCESS);
    std::remove(path.c_str());
}

TEST(VideoWriter, AFailureOfTheWorkerIsReportedOnceThenTheWriterStaysFailed) {
    // Every write to this device fails as a full disk does.
    Writer writer("/dev/full");
    const TARN_LUX_ImageHandle frame = makeFrame(TARN_LUX_PixelFormatName_Mono8, 64, 64, 0);
    ASSERT_EQ(writer.append(frame), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_WaitUntilQueueEmpty(writer.handle, -1), TARN_LUX_RETURN_CODE_IO_ERROR,
                      "writing the video failed", "/dev/full", "No space left");
    EXPECT_FAILS_WITH(writer.append(frame), TARN_LUX_RETURN_CODE_IO_ERROR, "failed earlier", "must be closed");
    uint32_t quality = 50;
    EXPECT_FAILS_WITH(TARN_LUX_IEncoder_SetOption(writer.handle, TARN_LUX_VIDEO_ENCODER_OPTION_QUALITY, &quality, 4),
                      TARN_LUX_RETURN_CODE_IO_ERROR, "failed earlier");
    // Counters still answer: the failed frame and the refused one are dropped.
    EXPECT_EQ(writer.encoded(), 0u);
    EXPECT_EQ(writer.dropped(), 2u);
    EXPECT_EQ(writer.close(), TARN_LUX_RETURN_CODE_SUCCESS);

    // Not yet reported when Close comes: Close reports it, and still ends the writer.
    writer.open("/dev/full");
    ASSERT_EQ(writer.append(frame), TARN_LUX_RETURN_CODE_SUCCESS);
    const TARN_LUX_VideoWriterHandle closed = writer.handle;
    EXPECT_FAILS_WITH(writer.close(), TARN_LUX_RETURN_CODE_IO_ERROR, "No space left");
    TARN_LUX_BOOL open = 1;
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_IsOpen(closed, &open), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                      "no live object");
    TARN_LUX_Image_Destruct(frame);
}

TEST(VideoWriter, RefusesBadFramesAndTheFileIsCreatedByTheFirstFrame) {
    const std::string path = temporaryPath("refusals");
    std::remove(path.c_str());
    Writer writer(path);
    struct stat status;
    EXPECT_NE(::stat(path.c_str(), &status), 0);

    test::ScopedImage packed(TARN_LUX_PixelFormatName_Mono12p, 16, 16);
    EXPECT_FAILS_WITH(writer.append(packed.get()), TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED,
                      "TARN_LUX_VideoWriter_Append", "MJPEG encoder", "Mono12p");
    EXPECT_FAILS_WITH(writer.append(nullptr), TARN_LUX_RETURN_CODE_INVALID_HANDLE, "image handle is null");
    test::ScopedImage first(TARN_LUX_PixelFormatName_RGB8, 32, 24);
    ASSERT_EQ(writer.append(first.get()), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    test::ScopedImage other(TARN_LUX_PixelFormatName_RGB8, 24, 32);
    EXPECT_FAILS_WITH(writer.append(other.get()), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "24 x 32", "32 x 24");
    // Another format of the same size is fine.
    test::ScopedImage gray(TARN_LUX_PixelFormatName_Mono8, 32, 24);
    EXPECT_EQ(writer.append(gray.get()), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(writer.close(), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(framesByClassicIndex(AviReader(path)).size(), 2u);
    std::remove(path.c_str());

    Writer nowhere("/nonexistent-directory/video.avi");
    EXPECT_FAILS_WITH(nowhere.append(first.get()), TARN_LUX_RETURN_CODE_IO_ERROR, "creating", "nonexistent-directory");
    test::ScopedImage huge(TARN_LUX_PixelFormatName_Mono8, 70000, 1);
    Writer tooWide(path);
    EXPECT_FAILS_WITH(tooWide.append(huge.get()), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "65535");
}

TEST(VideoWriter, OptionsAndQueueSizeKeepToTheirRanges) {
    const std::string path = temporaryPath("options");
    Writer writer(path);
    uint32_t quality = 0;
    size_t written = 0;
    ASSERT_EQ(TARN_LUX_IEncoder_GetOption(writer.handle, 0, &quality, 4, &written), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(quality, 90u);
    EXPECT_EQ(written, 4u);
    double minimum = 0, maximum = 0, increment = 0;
    ASSERT_EQ(TARN_LUX_IEncoder_OptionRange(writer.handle, 0, &minimum, &maximum, &increment),
              TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(minimum, 1.0);
    EXPECT_EQ(maximum, 100.0);
    EXPECT_EQ(increment, 1.0);
    quality = 101;
    EXPECT_FAILS_WITH(TARN_LUX_IEncoder_SetOption(writer.handle, 0, &quality, 4), TARN_LUX_RETURN_CODE_OUT_OF_RANGE,
                      "101");
    quality = 55;
    EXPECT_FAILS_WITH(TARN_LUX_IEncoder_SetOption(writer.handle, 0, &quality, 8), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "takes 4 bytes");
    EXPECT_FAILS_WITH(TARN_LUX_IEncoder_SetOption(writer.handle, 0, nullptr, 4), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "value");
    EXPECT_FAILS_WITH(TARN_LUX_IEncoder_SetOption(writer.handle, 3, &quality, 4), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "encoder option 3 does not exist");
    ASSERT_EQ(TARN_LUX_IEncoder_SetOption(writer.handle, 0, &quality, 4), TARN_LUX_RETURN_CODE_SUCCESS);
    uint16_t small = 0;
    EXPECT_FAILS_WITH(TARN_LUX_IEncoder_GetOption(writer.handle, 0, &small, 2, &written),
                      TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL);
    ASSERT_EQ(TARN_LUX_IEncoder_GetOption(writer.handle, 0, &quality, 4, nullptr), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(quality, 55u);

    double fps = 0;
    ASSERT_EQ(TARN_LUX_IContainer_GetOption(writer.handle, 0, &fps, 8, &written), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(fps, 25.0);
    ASSERT_EQ(TARN_LUX_IContainer_OptionRange(writer.handle, 0, &minimum, &maximum, &increment),
              TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(minimum, 0.001);
    EXPECT_EQ(maximum, 1000.0);
    for (double bad : {0.0, -1.0, 1001.0, std::nan("")}) {
        EXPECT_FAILS_WITH(TARN_LUX_IContainer_SetOption(writer.handle, 0, &bad, 8), TARN_LUX_RETURN_CODE_OUT_OF_RANGE,
                          "frame rate");
    }
    EXPECT_FAILS_WITH(TARN_LUX_IContainer_OptionRange(writer.handle, 1, &minimum, &maximum, &increment),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "container option 1");

    int32_t low = 0, high = 0, size = 0;
    ASSERT_EQ(TARN_LUX_VideoWriter_QueueSizeRange(writer.handle, &low, &high), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 256);
    ASSERT_EQ(TARN_LUX_VideoWriter_QueueSize(writer.handle, &size), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(size, 8);
    for (int32_t bad : {0, -5, 257}) {
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_SetQueueSize(writer.handle, bad), TARN_LUX_RETURN_CODE_OUT_OF_RANGE,
                          "queueSize");
    }
    ASSERT_EQ(TARN_LUX_VideoWriter_QueueSize(writer.handle, &size), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(size, 8);
}

TEST(VideoWriter, NullAndClosedHandlesAreRefusedEverywhere) {
    const std::string path = temporaryPath("handles");
    Writer writer(path);
    const TARN_LUX_VideoWriterHandle closed = writer.handle;
    ASSERT_EQ(writer.close(), TARN_LUX_RETURN_CODE_SUCCESS);
    TARN_LUX_BOOL open = 1;
    ASSERT_EQ(TARN_LUX_VideoWriter_IsOpen(nullptr, &open), TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(open, 0);

    test::ScopedImage image(TARN_LUX_PixelFormatName_Mono8, 8, 8);
    uint64_t count64 = 0;
    int32_t count32 = 0;
    uint32_t value = 50;
    double range[3];
    size_t written = 0;
    for (const TARN_LUX_VideoWriterHandle handle : {closed, TARN_LUX_VideoWriterHandle(nullptr)}) {
        const char* expected = handle == nullptr ? "video writer handle is null" : "no live object";
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_Close(handle), TARN_LUX_RETURN_CODE_INVALID_HANDLE, expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_Append(handle, image.get()), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                          expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_NumFramesEncoded(handle, &count64), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                          expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_NumFramesDropped(handle, &count64), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                          expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_FileSize(handle, &count64), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                          expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_ResetFrameCounters(handle), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                          expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_SetQueueSize(handle, 4), TARN_LUX_RETURN_CODE_INVALID_HANDLE, expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_QueueSize(handle, &count32), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                          expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_QueueSizeRange(handle, &count32, &count32),
                          TARN_LUX_RETURN_CODE_INVALID_HANDLE, expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_NumBuffersQueued(handle, &count32),
                          TARN_LUX_RETURN_CODE_INVALID_HANDLE, expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_WaitUntilFrameDone(handle, 10), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                          expected);
        EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_WaitUntilQueueEmpty(handle, 10), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                          expected);
        EXPECT_FAILS_WITH(TARN_LUX_IEncoder_SetOption(handle, 0, &value, 4), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                          expected);
        EXPECT_FAILS_WITH(TARN_LUX_IEncoder_GetOption(handle, 0, &value, 4, &written),
                          TARN_LUX_RETURN_CODE_INVALID_HANDLE, expected);
        EXPECT_FAILS_WITH(TARN_LUX_IEncoder_OptionRange(handle, 0, range, range + 1, range + 2),
                          TARN_LUX_RETURN_CODE_INVALID_HANDLE, expected);
        EXPECT_FAILS_WITH(TARN_LUX_IContainer_SetOption(handle, 0, range, 8), TARN_LUX_RETURN_CODE_INVALID_HANDLE,
                          expected);
        EXPECT_FAILS_WITH(TARN_LUX_IContainer_GetOption(handle, 0, range, 8, &written),
                          TARN_LUX_RETURN_CODE_INVALID_HANDLE, expected);
        EXPECT_FAILS_WITH(TARN_LUX_IContainer_OptionRange(handle, 0, range, range + 1, range + 2),
                          TARN_LUX_RETURN_CODE_INVALID_HANDLE, expected);
    }
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_IsOpen(closed, &open), TARN_LUX_RETURN_CODE_INVALID_HANDLE);
    EXPECT_EQ(Registry::liveCount(HandleKind::VideoWriter), 0u);
}

TEST(VideoWriter, OpenAndCapabilityQueriesCheckTheirIdentifiers) {
    TARN_LUX_VideoWriterHandle writer = nullptr;
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_Open(&writer, "x.avi", 1, TARN_LUX_VIDEO_ENCODER_MJPEG),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "container 1 is not known");
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_Open(&writer, "x.avi", 0, 9), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "encoder 9 is not known");
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_Open(&writer, "x.avi", 0, TARN_LUX_VIDEO_ENCODER_RAW),
                      TARN_LUX_RETURN_CODE_NOT_SUPPORTED, "MJPEG frames");
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_Open(&writer, nullptr, 0, 1), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "fileName");
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_Open(&writer, "", 0, 1), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "empty");
    EXPECT_FAILS_WITH(TARN_LUX_VideoWriter_Open(nullptr, "x.avi", 0, 1), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT,
                      "writer");
    EXPECT_EQ(writer, nullptr);

    TARN_LUX_VIDEO_ENCODER ids[4] = {};
    size_t count = 0;
    ASSERT_EQ(TARN_LUX_GetSupportedEncodersForAContainer(TARN_LUX_VIDEO_CONTAINER_AVI, nullptr, &count),
              TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(count, 1u);
    ASSERT_EQ(TARN_LUX_GetSupportedEncodersForAContainer(TARN_LUX_VIDEO_CONTAINER_AVI, ids, &count),
              TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(ids[0], TARN_LUX_VIDEO_ENCODER_MJPEG);
    count = 4;
    ASSERT_EQ(TARN_LUX_GetSupportedContainersForAnEncoder(TARN_LUX_VIDEO_ENCODER_MJPEG, ids, &count),
              TARN_LUX_RETURN_CODE_SUCCESS);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(ids[0], TARN_LUX_VIDEO_CONTAINER_AVI);
    count = 4;
    ASSERT_EQ(TARN_LUX_GetSupportedContainersForAnEncoder(TARN_LUX_VIDEO_ENCODER_RAW, ids, &count),
              TARN_LUX_RETURN_CODE_SUCCESS);
    EXPECT_EQ(count, 0u);
    EXPECT_FAILS_WITH(TARN_LUX_GetSupportedContainersForAnEncoder(7, ids, &count),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "encoder 7");
    EXPECT_FAILS_WITH(TARN_LUX_GetSupportedEncodersForAContainer(3, ids, &count),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "container 3");
    TARN_LUX_PixelFormatName formats[2];
    count = 2;
    EXPECT_FAILS_WITH(TARN_LUX_GetSupportedPixelFormats(TARN_LUX_VIDEO_ENCODER_MJPEG, formats, &count),
                      TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL);
    EXPECT_EQ(count, 9u);
}

}  // namespace
}  // namespace orx
