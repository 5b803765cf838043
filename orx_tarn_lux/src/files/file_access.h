// Files as the image readers and writers need them: paths from the C
// interface, whole-file reads, and writes that either complete or leave
// nothing behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/pixel_memory.h"

namespace orx::files {

// A path given as UTF-8 bytes and their count. Refuses null bytes, an empty
// path and a NUL inside the path (TARN_LUX_RETURN_CODE_INVALID_ARGUMENT).
std::string pathFrom(const char* bytes, size_t size);

// The file ending in lower case without the dot ("png" for "A/b.PNG"), or ""
// when the last path component has none.
std::string lowerCaseEnding(const std::string& path);

// The last path component, for messages.
std::string fileName(const std::string& path);

struct FileBytes {
    PixelMemory memory;  // from the pixel allocator, which recycles large blocks
    size_t size = 0;
    const uint8_t* data() const { return memory.get(); }
};

// The whole file. A missing file or folder, a missing permission, a folder
// instead of a file and read errors answer TARN_LUX_RETURN_CODE_IO_ERROR
// with the operating system's reason.
FileBytes readFile(const std::string& path);

// A new file at `path` that appears only when commit() succeeds: the bytes go
// to a hidden temporary file in the same folder (so the final rename stays on
// one file system and replaces an existing file in one step), which is
// removed again if anything fails or commit() is never reached. Failures
// answer TARN_LUX_RETURN_CODE_IO_ERROR with the operating system's reason.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(const void* bytes, size_t size);
    void commit();

private:
    std::string path_;
    std::string temporary_;
    int descriptor_ = -1;
};

// Writes `size` bytes as the whole new file at `path` (see AtomicFile).
void writeFile(const std::string& path, const void* bytes, size_t size);

}  // namespace orx::files
