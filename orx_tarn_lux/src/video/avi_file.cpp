#include "video/avi_file.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numeric>
#include <utility>

#include "core/error.h"

namespace orx::video {
namespace {

// Room for the super index: 256 segments of 1 GiB each.
constexpr uint32_t kSuperIndexSlots = 256;
constexpr uint32_t kSuperIndexHeaderBytes = 24;
constexpr uint32_t kSuperIndexBytes = kSuperIndexHeaderBytes + kSuperIndexSlots * 16;
constexpr uint32_t kStandardIndexHeaderBytes = 24;
constexpr uint32_t kDmlhBytes = 248;
constexpr uint32_t kChunkHeaderBytes = 8;

// Flags and index types of the AVI and OpenDML headers.
constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr uint8_t kIndexOfIndexes = 0;
constexpr uint8_t kIndexOfChunks = 1;
// Entry sizes of the two index kinds, in 32-bit words: offset and size of a
// frame; 64-bit offset, size and frame count of a segment's index.
constexpr uint16_t kChunkEntryWords = 2;
constexpr uint16_t kSegmentEntryWords = 4;

// Frame rates are kept as rate / scale in steps of a thousandth.
constexpr uint32_t kRateScale = 1000;

constexpr uint64_t padded(uint64_t size) { return size + (size & 1); }
constexpr uint64_t standardIndexBytes(uint64_t frames) {
    return kChunkHeaderBytes + kStandardIndexHeaderBytes + 8 * frames;
}
constexpr uint64_t classicIndexBytes(uint64_t frames) { return kChunkHeaderBytes + 16 * frames; }

void le32(uint8_t* at, uint32_t value) {
    for (int byte = 0; byte < 4; ++byte) at[byte] = uint8_t(value >> (8 * byte));
}

// Little-endian bytes of a header under construction.
class Bytes {
public:
    void fourcc(const char* code) { bytes_.insert(bytes_.end(), code, code + 4); }
    void u8(uint8_t value) { bytes_.push_back(value); }
    void u16(uint16_t value) {
        u8(uint8_t(value));
        u8(uint8_t(value >> 8));
    }
    void u32(uint32_t value) {
        u16(uint16_t(value));
        u16(uint16_t(value >> 16));
    }
    void u64(uint64_t value) {
        u32(uint32_t(value));
        u32(uint32_t(value >> 32));
    }
    void zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    // The fields shared by the OpenDML index chunks, after their header.
    void indexFields(uint16_t wordsPerEntry, uint8_t indexType, size_t entries) {
        u16(wordsPerEntry);
        u8(0);  // sub-type
        u8(indexType);
        u32(uint32_t(entries));
        fourcc("00dc");
    }
    // A chunk or list header whose size is filled in by close().
    size_t open(const char* code, const char* listType = nullptr) {
        fourcc(code);
        const size_t start = bytes_.size();
        u32(0);
        if (listType != nullptr) fourcc(listType);
        return start;
    }
    void close(size_t start) { le32(&bytes_[start], uint32_t(bytes_.size() - start - 4)); }

    size_t size() const noexcept { return bytes_.size(); }
    const uint8_t* data() const noexcept { return bytes_.data(); }

private:
    std::vector<uint8_t> bytes_;
};

// Offsets of the header fields that change after the headers are written.
constexpr uint64_t kAvihData = 32;
constexpr uint64_t kAvihMicroSecondsPerFrame = kAvihData + 0;
constexpr uint64_t kAvihMaxBytesPerSecond = kAvihData + 4;
constexpr uint64_t kAvihFlags = kAvihData + 12;
constexpr uint64_t kAvihTotalFrames = kAvihData + 16;
constexpr uint64_t kAvihSuggestedBuffer = kAvihData + 28;
constexpr uint64_t kStrhData = 108;
constexpr uint64_t kStrhScale = kStrhData + 20;
constexpr uint64_t kStrhRate = kStrhData + 24;
constexpr uint64_t kStrhLength = kStrhData + 32;
constexpr uint64_t kStrhSuggestedBuffer = kStrhData + 36;
constexpr uint64_t kSuperIndexChunk = 212;
constexpr uint64_t kDmlhTotalFrames = kSuperIndexChunk + kChunkHeaderBytes + kSuperIndexBytes + 20;

struct Rate {
    uint32_t rate;
    uint32_t scale;
};

Rate rateOf(double framesPerSecond) {
    const uint32_t thousandths = uint32_t(std::llround(framesPerSecond * kRateScale));
    const uint32_t divisor = std::gcd(thousandths, kRateScale);
    return {thousandths / divisor, kRateScale / divisor};
}

}  // namespace

AviFile::AviFile(std::string path, uint32_t width, uint32_t height, uint64_t segmentLimit)
    : path_(std::move(path)), width_(width), height_(height), segmentLimit_(segmentLimit) {
    descriptor_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor_ < 0) ioFailure("creating");
}

AviFile::~AviFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

void AviFile::ioFailure(const char* what) const {
    fail(TARN_LUX_RETURN_CODE_IO_ERROR, what, " the video file '", path_, "' failed: ", std::strerror(errno));
}

void AviFile::writeGatheredAt(uint64_t offset, iovec* parts, int count) {
    while (count > 0) {
        const ssize_t written = ::pwritev(descriptor_, parts, count, off_t(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) ioFailure("writing");
        offset += uint64_t(written);
        // Short writes happen (signals, nearly full disks): go on behind them.
        size_t left = size_t(written);
        for (; count > 0 && left >= parts->iov_len; ++parts, --count) left -= parts->iov_len;
        if (count > 0) {
            parts->iov_base = static_cast<uint8_t*>(parts->iov_base) + left;
            parts->iov_len -= left;
        }
    }
}

void AviFile::writeAt(uint64_t offset, const void* data, size_t size) {
    iovec part = {const_cast<void*>(data), size};
    writeGatheredAt(offset, &part, 1);
}

void AviFile::write(const void* data, size_t size) {
    writeAt(end_, data, size);
    end_ += size;
}

void AviFile::put32At(uint64_t offset, uint32_t value) {
    uint8_t bytes[4];
    le32(bytes, value);
    writeAt(offset, bytes, sizeof bytes);
}

void AviFile::writeHeaders(double framesPerSecond) {
    const Rate rate = rateOf(framesPerSecond);
    Bytes header;
    const size_t riff = header.open("RIFF", "AVI ");
    const size_t hdrl = header.open("LIST", "hdrl");

    const size_t avih = header.open("avih");
    header.u32(uint32_t(std::llround(1e6 / framesPerSecond)));
    header.u32(0);  // bytes per second, known at the end
    header.u32(0);  // padding granularity
    header.u32(0);  // flags: the index comes at the end
    header.u32(0);  // frames
    header.u32(0);  // initial frames
    header.u32(1);  // streams
    header.u32(0);  // suggested buffer size, known at the end
    header.u32(width_);
    header.u32(height_);
    header.zeros(16);
    header.close(avih);

    const size_t strl = header.open("LIST", "strl");
    const size_t strh = header.open("strh");
    header.fourcc("vids");
    header.fourcc("MJPG");
    header.u32(0);  // flags
    header.u16(0);  // priority
    header.u16(0);  // language
    header.u32(0);  // initial frames
    header.u32(rate.scale);
    header.u32(rate.rate);
    header.u32(0);  // start
    header.u32(0);  // length in frames
    header.u32(0);  // suggested buffer size
    header.u32(UINT32_MAX);  // quality: the codec's default
    header.u32(0);           // sample size: frames vary
    header.u16(0);
    header.u16(0);
    header.u16(uint16_t(width_));
    header.u16(uint16_t(height_));
    header.close(strh);

    const size_t strf = header.open("strf");
    const uint64_t imageBytes = uint64_t(width_) * height_ * 3;
    header.u32(40);
    header.u32(width_);
    header.u32(height_);
    header.u16(1);   // planes
    header.u16(24);  // bits per pixel once decoded
    header.fourcc("MJPG");
    header.u32(uint32_t(std::min<uint64_t>(imageBytes, UINT32_MAX)));
    header.zeros(16);
    header.close(strf);

    const size_t junk = header.open("JUNK");
    header.zeros(kSuperIndexBytes);
    header.close(junk);
    header.close(strl);

    const size_t odml = header.open("LIST", "odml");
    const size_t dmlh = header.open("dmlh");
    header.zeros(kDmlhBytes);
    header.close(dmlh);
    header.close(odml);
    header.close(hdrl);
    header.close(riff);

    write(header.data(), header.size());
    headersWritten_ = true;
}

void AviFile::openSegment() {
    Bytes lists;
    if (!segments_.empty()) {
        riffOffset_ = end_;
        lists.open("RIFF", "AVIX");
    }
    moviOffset_ = end_ + lists.size();
    lists.open("LIST", "movi");
    write(lists.data(), lists.size());
    segmentOpen_ = true;
}

void AviFile::appendFrame(const uint8_t* data, size_t size, double framesPerSecond) {
    if (!headersWritten_) writeHeaders(framesPerSecond);
    const uint64_t chunkBytes = kChunkHeaderBytes + padded(size);
    const auto projected = [&] {
        const bool first = segments_.empty();
        const uint64_t frames = segmentFrames_.size() + 1;
        return (end_ - riffOffset_) + chunkBytes + standardIndexBytes(frames) + (first ? classicIndexBytes(frames) : 0);
    };
    if (segmentOpen_ && !segmentFrames_.empty() && projected() > segmentLimit_) closeSegment();
    if (!segmentOpen_) openSegment();
    if (projected() > UINT32_MAX) {
        fail(TARN_LUX_RETURN_CODE_IO_ERROR, "a compressed frame of ", size, " bytes does not fit into an AVI file");
    }

    uint8_t header[kChunkHeaderBytes] = {'0', '0', 'd', 'c'};
    le32(header + 4, uint32_t(size));
    static const uint8_t pad = 0;
    iovec parts[3] = {{header, sizeof header}, {const_cast<uint8_t*>(data), size}, {const_cast<uint8_t*>(&pad), size & 1}};
    writeGatheredAt(end_, parts, 3);
    segmentFrames_.push_back({end_, uint32_t(size)});
    end_ += chunkBytes;
    ++totalFrames_;
    largestFrame_ = std::max(largestFrame_, uint32_t(size));
    put32At(riffOffset_ + 4, uint32_t(end_ - riffOffset_ - 8));
    put32At(moviOffset_ + 4, uint32_t(end_ - moviOffset_ - 8));
    updateFrameCounts();
}

void AviFile::updateFrameCounts() {
    const size_t firstFrames = segments_.empty() ? segmentFrames_.size() : segments_.front().frames;
    put32At(kAvihTotalFrames, uint32_t(firstFrames));
    put32At(kStrhLength, uint32_t(std::min<uint64_t>(totalFrames_, UINT32_MAX)));
    put32At(kDmlhTotalFrames, uint32_t(std::min<uint64_t>(totalFrames_, UINT32_MAX)));
}

void AviFile::closeSegment() {
    if (segments_.size() == kSuperIndexSlots) {
        fail(TARN_LUX_RETURN_CODE_IO_ERROR, "the video reached the longest length its index can describe (",
             kSuperIndexSlots, " segments of ", segmentLimit_, " bytes)");
    }
    Bytes index;
    const size_t ix00 = index.open("ix00");
    index.indexFields(kChunkEntryWords, kIndexOfChunks, segmentFrames_.size());
    index.u64(moviOffset_);
    index.u32(0);
    for (const IndexEntry& frame : segmentFrames_) {
        index.u32(uint32_t(frame.offset + kChunkHeaderBytes - moviOffset_));
        index.u32(frame.size);  // bit 31 clear: a key frame
    }
    index.close(ix00);
    segments_.push_back({end_, uint32_t(index.size()), uint32_t(segmentFrames_.size())});
    write(index.data(), index.size());
    put32At(moviOffset_ + 4, uint32_t(end_ - moviOffset_ - 8));

    if (segments_.size() == 1) {
        Bytes classic;
        const size_t idx1 = classic.open("idx1");
        for (const IndexEntry& frame : segmentFrames_) {
            classic.fourcc("00dc");
            classic.u32(kAviifKeyFrame);
            classic.u32(uint32_t(frame.offset - (moviOffset_ + 8)));
            classic.u32(frame.size);
        }
        classic.close(idx1);
        write(classic.data(), classic.size());
    }
    put32At(riffOffset_ + 4, uint32_t(end_ - riffOffset_ - 8));
    segmentFrames_.clear();
    segmentOpen_ = false;
}

void AviFile::finish(double framesPerSecond) {
    if (!headersWritten_) writeHeaders(framesPerSecond);
    if (segments_.empty() && !segmentOpen_) openSegment();
    if (segmentOpen_) closeSegment();

    Bytes super;
    const size_t indx = super.open("indx");
    super.indexFields(kSegmentEntryWords, kIndexOfIndexes, segments_.size());
    super.zeros(12);
    for (const Segment& segment : segments_) {
        super.u64(segment.indexOffset);
        super.u32(segment.indexBytes);
        super.u32(segment.frames);
    }
    super.zeros(size_t(kSuperIndexSlots - segments_.size()) * 16);
    super.close(indx);
    writeAt(kSuperIndexChunk, super.data(), super.size());

    const Rate rate = rateOf(framesPerSecond);
    put32At(kAvihMicroSecondsPerFrame, uint32_t(std::llround(1e6 / framesPerSecond)));
    put32At(kAvihMaxBytesPerSecond, uint32_t(std::min(double(largestFrame_) * framesPerSecond, double(UINT32_MAX))));
    put32At(kAvihFlags, kAvifHasIndex);
    put32At(kAvihSuggestedBuffer, largestFrame_ + kChunkHeaderBytes);
    put32At(kStrhScale, rate.scale);
    put32At(kStrhRate, rate.rate);
    put32At(kStrhSuggestedBuffer, largestFrame_ + kChunkHeaderBytes);
    updateFrameCounts();
    if (::close(std::exchange(descriptor_, -1)) != 0) ioFailure("closing");
}

}  // namespace orx::video
