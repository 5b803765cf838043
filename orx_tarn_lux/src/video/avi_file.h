// The AVI (RIFF) file of a video: one MJPEG stream, every frame a key frame.
//
// Layout, in the order the bytes are written:
//
//   RIFF 'AVI '                      first segment
//     LIST 'hdrl'
//       'avih'                       main header
//       LIST 'strl'  'strh' 'strf'   the stream's header and BITMAPINFOHEADER
//                    'JUNK'          space kept for the super index 'indx'
//       LIST 'odml'  'dmlh'          total frame count of all segments
//     LIST 'movi'  '00dc'... 'ix00'  frames, then the segment's own index
//     'idx1'                         the classic index of the first segment
//   RIFF 'AVIX'                      further segments, each
//     LIST 'movi'  '00dc'... 'ix00'
//
// A segment is closed before it would pass the segment limit (1 GiB unless
// told otherwise), so players that know only the classic format read the
// first gigabyte, and readers of the OpenDML extension read everything
// through the super index. The 'JUNK' chunk becomes the 'indx' when the file
// is finished; until then readers skip it.
//
// A recording cut short (a killed process, a full disk) stays readable: after
// every frame the RIFF and 'movi' sizes and the frame counts are brought up
// to date, so a reader that finds no index walks the frames written so far.
#pragma once

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orx::video {

// 1 GiB: what readers without the OpenDML extension reliably handle.
constexpr uint64_t kDefaultSegmentLimit = uint64_t(1) << 30;

class AviFile {
public:
    // Creates (or empties) the file for frames of `width` x `height`;
    // IO_ERROR naming the path otherwise. Nothing is written before the
    // first frame or finish().
    AviFile(std::string path, uint32_t width, uint32_t height, uint64_t segmentLimit);
    // Closes the file as it stands; finish() makes it complete.
    ~AviFile();
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;

    // Writes one compressed frame; the first frame also writes the headers
    // with `framesPerSecond`. IO_ERROR when the file cannot take it.
    void appendFrame(const uint8_t* data, size_t size, double framesPerSecond);
    // Writes the indexes and the final headers with `framesPerSecond`; the
    // file is complete and closed afterwards.
    void finish(double framesPerSecond);

    uint64_t byteCount() const noexcept { return end_; }
    uint64_t frameCount() const noexcept { return totalFrames_; }
    size_t segmentCount() const noexcept { return segments_.size() + (segmentOpen_ ? 1 : 0); }

private:
    struct IndexEntry {
        uint64_t offset;  // of the chunk's header
        uint32_t size;    // of the chunk's data
    };
    struct Segment {
        uint64_t indexOffset;  // of its 'ix00' chunk
        uint32_t indexBytes;   // of the whole 'ix00' chunk
        uint32_t frames;
    };

    void writeHeaders(double framesPerSecond);
    void openSegment();
    void closeSegment();
    void writeStreamRates(double framesPerSecond);
    void updateFrameCounts();
    void write(const void* data, size_t size);
    void writeGatheredAt(uint64_t offset, iovec* parts, int count);
    void writeAt(uint64_t offset, const void* data, size_t size);
    void put32At(uint64_t offset, uint32_t value);
    [[noreturn]] void ioFailure(const char* what) const;

    std::string path_;
    int descriptor_ = -1;
    uint32_t width_;
    uint32_t height_;
    uint64_t segmentLimit_;
    uint64_t end_ = 0;
    bool headersWritten_ = false;

    uint64_t riffOffset_ = 0;  // of the current segment's 'RIFF'
    uint64_t moviOffset_ = 0;  // of the current segment's LIST 'movi'
    bool segmentOpen_ = false;
    std::vector<IndexEntry> segmentFrames_;
    std::vector<IndexEntry> firstSegmentFrames_;  // for 'idx1'
    std::vector<Segment> segments_;               // closed ones, for 'indx'

    uint64_t totalFrames_ = 0;
    uint32_t largestFrame_ = 0;
};

}  // namespace orx::video
