#include "files/image_files.h"

#include <cctype>

#include "convert/conversion.h"
#include "core/check.h"
#include "core/error.h"
#include "files/codecs.h"
#include "files/file_access.h"

namespace orx::files {
namespace {

struct Ending {
    const char* text;
    FileType type;
};
constexpr Ending kEndings[] = {
    {"bmp", FileType::Bmp}, {"dib", FileType::Bmp},  {"png", FileType::Png},   {"jpg", FileType::Jpeg},
    {"jpeg", FileType::Jpeg}, {"jpe", FileType::Jpeg}, {"jfif", FileType::Jpeg}, {"raw", FileType::Raw},
};

const char* kindOf(FileType type) {
    switch (type) {
        case FileType::Bmp: return "BMP";
        case FileType::Png: return "PNG";
        case FileType::Jpeg: return "JPEG";
        default: return "RAW";
    }
}

bool isColor(const PixelFormatInfo& f) {
    return !f.isPacked() && (f.order == ChannelOrder::RGB || f.order == ChannelOrder::BGR ||
                             f.order == ChannelOrder::RGBa || f.order == ChannelOrder::BGRa);
}

bool isGray(const PixelFormatInfo& f) {
    return !f.isPacked() && (f.order == ChannelOrder::Mono || f.order == ChannelOrder::Bayer);
}

// The decoded pixels in the asked format, where that only names what the
// bytes already are: gray samples as Mono or Bayer of the same depth, color
// samples in another channel order of the same depth, with an opaque alpha
// channel added if the format has one and the file has none.
Image interpret(Image image, const PixelFormatInfo& want, FileType type) {
    const PixelFormatInfo& have = image.formatInfo();
    if (have.name == want.name) return image;
    const bool sameDepth = have.significantBitsPerChannel == want.significantBitsPerChannel &&
                           have.storageBitsPerChannel == want.storageBitsPerChannel;
    if (sameDepth && isGray(have) && isGray(want)) {
        image.reshape(want.name, image.width(), image.height());
        return image;
    }
    if (sameDepth && isColor(have) && isColor(want) && (want.channels == 4 || have.channels == 3)) {
        Image converted = convert::convertImage(image, want.name, TARN_LUX_ConversionMode_Fast);
        converted.setTimestamp(image.timestamp());
        return converted;
    }
    fail(TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR, "this ", kindOf(type), " file holds ", have.text,
         " pixels, which cannot be read as ", want.text, " without converting them");
}

// "frame_640x480.raw" names its size; the last such group in the name counts.
bool sizeFromName(const std::string& path, size_t* width, size_t* height) {
    const std::string name = fileName(path);
    bool found = false;
    for (size_t at = 0; at < name.size(); ++at) {
        if (name[at] != 'x' && name[at] != 'X') continue;
        size_t begin = at;
        while (begin > 0 && std::isdigit(static_cast<unsigned char>(name[begin - 1]))) --begin;
        size_t end = at + 1;
        while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
        constexpr size_t kMaxDigits = 9;  // keeps the numbers far below overflow
        if (begin == at || end == at + 1 || at - begin > kMaxDigits || end - at - 1 > kMaxDigits) continue;
        *width = std::stoull(name.substr(begin, at - begin));
        *height = std::stoull(name.substr(at + 1, end - at - 1));
        found = true;
    }
    return found;
}

Image readRaw(const std::string& path, const PixelFormatInfo& format) {
    const FileBytes file = readFile(path);
    size_t width = 0;
    size_t height = 1;
    if (!sizeFromName(path, &width, &height)) {
        const size_t pixelBytes = format.bytesPerPixel();
        if (pixelBytes == 0 || file.size == 0 || file.size % pixelBytes != 0) {
            fail(TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR, "this RAW file of ", file.size,
                 " bytes is no whole number of ", format.text, " pixels; name its size in the file name, such as "
                 "'frame_640x480.raw'");
        }
        width = file.size / pixelBytes;
    }
    check::imageSize(format, width, height);
    const size_t needed = format.imageByteCount(width, height);
    if (needed != file.size) {
        fail(TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR, "this RAW file holds ", file.size, " bytes, but ",
             width, " x ", height, " pixels of ", format.text, " take ", needed);
    }
    return Image::overMemory(format.name, width, height, file.memory.get(), file.size).clone();
}

Image decode(FileType type, const FileBytes& file) {
    switch (type) {
        case FileType::Bmp: return decodeBmp(file.data(), file.size);
        case FileType::Png: return decodePng(file.data(), file.size);
        default: return decodeJpeg(file.data(), file.size);
    }
}

// Decoding errors name the file they are about.
template <typename Body>
auto aboutFile(const std::string& path, Body&& body) {
    try {
        return body();
    } catch (const Error& error) {
        if (error.code() != TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR &&
            error.code() != TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED) {
            throw;
        }
        throw Error(error.code(), str("'", path, "': ", error.what()));
    }
}

}  // namespace

FileType typeOfPath(const std::string& path) {
    const std::string ending = lowerCaseEnding(path);
    for (const Ending& known : kEndings)
        if (ending == known.text) return known.type;
    fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "the file ending of '", path,
         "' names no supported file type; use .bmp, .dib, .png, .jpg, .jpeg, .jpe, .jfif or .raw");
}

Image readImage(const std::string& path) {
    const FileType type = typeOfPath(path);
    if (type == FileType::Raw) {
        fail(TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "'", path, "' is a RAW file, whose pixel format no "
             "header tells; read it with a pixel format");
    }
    const FileBytes file = readFile(path);
    return aboutFile(path, [&] { return decode(type, file); });
}

Image readImageAs(const std::string& path, TARN_LUX_PixelFormatName name) {
    const PixelFormatInfo& format = check::imageFormat(name, "pixelFormat");
    if (format.isPacked()) check::unsupportedFormat(name, "reading a file");
    const FileType type = typeOfPath(path);
    if (type == FileType::Raw) return aboutFile(path, [&] { return readRaw(path, format); });
    const FileBytes file = readFile(path);
    return aboutFile(path, [&] { return interpret(decode(type, file), format, type); });
}

void writeImage(const Image& image, const std::string& path, FileType type, uint32_t quality) {
    if (image.empty()) {
        fail(TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "the image is empty (Invalid, 0 x 0); there is nothing to write");
    }
    AtomicFile file(path);
    switch (type) {
        case FileType::Bmp: writeBmp(image, file); break;
        case FileType::Png: writePng(image, quality, file); break;
        case FileType::Jpeg: writeJpeg(image, quality, file); break;
        case FileType::Raw: writeRaw(image, file); break;
    }
    file.commit();
}

}  // namespace orx::files
