#include "files/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "core/error.h"

namespace orx::files {
namespace {

[[noreturn]] void osFailure(const char* action, const std::string& path, int error) {
    fail(TARN_LUX_RETURN_CODE_IO_ERROR, "could not ", action, " '", path, "': ",
         std::generic_category().message(error));
}

size_t lastSeparator(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// Numbers temporary files of this process apart when threads write into one
// folder at once.
std::atomic<unsigned long> temporaryCounter{0};

// Writes everything or fails with errno set; retries after signals.
bool writeAll(int descriptor, const uint8_t* bytes, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

std::string pathFrom(const char* bytes, size_t size) {
    if (bytes == nullptr) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "parameter 'path' is a null pointer; pass the file path as UTF-8 "
             "bytes");
    }
    if (size == 0) fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the file path is empty");
    std::string path(bytes, size);
    if (path.find('\0') != std::string::npos) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the file path holds a NUL character at byte ", path.find('\0'),
             "; give the path's bytes without a terminator");
    }
    return path;
}

std::string fileName(const std::string& path) { return path.substr(lastSeparator(path)); }

std::string lowerCaseEnding(const std::string& path) {
    const std::string name = fileName(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    std::string ending = name.substr(dot + 1);
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending;
}

FileBytes readFile(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) osFailure("open", path, errno);
    struct Closer {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{descriptor};

    struct stat status{};
    if (::fstat(descriptor, &status) != 0) osFailure("examine", path, errno);
    if (S_ISDIR(status.st_mode)) osFailure("read", path, EISDIR);
    if (!S_ISREG(status.st_mode)) {
        fail(TARN_LUX_RETURN_CODE_IO_ERROR, "could not read '", path, "': it is not a regular file");
    }

    FileBytes file;
    const auto size = static_cast<size_t>(status.st_size);
    file.memory = allocatePixels(size > 0 ? size : 1, Fill::Anything);
    if (file.memory == nullptr) {
        fail(TARN_LUX_RETURN_CODE_ERROR, "could not allocate ", size, " bytes to read '", path, "'");
    }
    while (file.size < size) {
        const ssize_t got = ::read(descriptor, file.memory.get() + file.size, size - file.size);
        if (got < 0) {
            if (errno == EINTR) continue;
            osFailure("read", path, errno);
        }
        if (got == 0) break;  // the file shrank meanwhile: what is there is the file
        file.size += static_cast<size_t>(got);
    }
    return file;
}

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
    const size_t folderEnd = lastSeparator(path_);
    const std::string prefix = path_.substr(0, folderEnd) + "." + path_.substr(folderEnd) + ".tmp-" +
                               std::to_string(::getpid()) + "-";
    // O_EXCL never takes over a file someone else made; a name in use is
    // skipped. The mode lets the process's umask decide, as for any new file.
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        temporary_ = prefix + std::to_string(temporaryCounter.fetch_add(1));
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) return;
        if (errno != EEXIST) osFailure("create", path_, errno);
    }
    osFailure("create", path_, EEXIST);
}

AtomicFile::~AtomicFile() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        ::unlink(temporary_.c_str());
    }
}

void AtomicFile::write(const void* bytes, size_t size) {
    if (!writeAll(descriptor_, static_cast<const uint8_t*>(bytes), size)) osFailure("write", path_, errno);
}

void AtomicFile::commit() {
    const int descriptor = std::exchange(descriptor_, -1);
    if (::close(descriptor) != 0) {
        const int error = errno;
        ::unlink(temporary_.c_str());
        osFailure("write", path_, error);
    }
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary_.c_str());
        osFailure("write", path_, error);
    }
}

void writeFile(const std::string& path, const void* bytes, size_t size) {
    AtomicFile file(path);
    file.write(bytes, size);
    file.commit();
}

}  // namespace orx::files
