// Image files through the C interface: round trips of every writable format,
// files made by libpng in the variants other programs write, damaged and
// lying files, path and file-system failures.
#include <dirent.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/image.h"
#include "core/pixel_format.h"
#include "files/codecs.h"
#include "files/png_filters.h"
#include "files/png_format.h"
#include "support/kernel_paths.h"
#include "test_support.h"

namespace orx::test {
namespace {

// A fresh folder per test, removed with everything in it at the end.
class Folder {
public:
    Folder() {
        char pattern[] = "/tmp/orx_files_XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~Folder() {
        for (const std::string& name : names()) ::unlink((path_ + "/" + name).c_str());
        ::rmdir(path_.c_str());
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::set<std::string> names() const {
        std::set<std::string> found;
        if (DIR* dir = ::opendir(path_.c_str())) {
            while (dirent* entry = ::readdir(dir))
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                    found.insert(entry->d_name);
            ::closedir(dir);
        }
        return found;
    }

private:
    std::string path_;
};

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Random samples within the format's range.
std::vector<uint8_t> randomPixels(TARN_LUX_PixelFormatName name, size_t width, size_t height, uint32_t seed) {
    const PixelFormatInfo& f = formatInfo(name);
    std::vector<uint8_t> bytes(f.imageByteCount(width, height));
    std::mt19937 random(seed);
    if (f.storageBitsPerChannel == 16) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto value = static_cast<uint16_t>(random() % (f.maximumValuePerChannel() + 1));
            std::memcpy(&bytes[i], &value, 2);
        }
    } else {
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    }
    return bytes;
}

// An image handle over a copy of `bytes`, destroyed at the end of the scope.
class Handle {
public:
    Handle() = default;
    Handle(TARN_LUX_PixelFormatName name, const std::vector<uint8_t>& bytes, size_t width, size_t height) {
        EXPECT_EQ(TARN_LUX_Image_ConstructFromBuffer(name, bytes.data(), bytes.size(), width, height, &handle),
                  TARN_LUX_RETURN_CODE_SUCCESS);
    }
    ~Handle() {
        if (handle != nullptr) TARN_LUX_Image_Destruct(handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    TARN_LUX_PixelFormatName format() const {
        TARN_LUX_PixelFormatName name = 0;
        TARN_LUX_Image_PixelFormat(handle, &name);
        return name;
    }
    std::vector<uint8_t> bytes() const {
        size_t count = 0;
        uint8_t* data = nullptr;
        TARN_LUX_Image_ByteCount(handle, &count);
        TARN_LUX_Image_Data(handle, &data);
        return std::vector<uint8_t>(data, data + count);
    }
    size_t width() const {
        size_t w = 0;
        TARN_LUX_Image_Width(handle, &w);
        return w;
    }

    TARN_LUX_ImageHandle handle = nullptr;
};

int32_t read(const std::string& path, Handle& image) {
    return TARN_LUX_ImageReader_Read(path.data(), path.size(), &image.handle);
}
int32_t readAs(const std::string& path, TARN_LUX_PixelFormatName name, Handle& image) {
    return TARN_LUX_ImageReader_ReadWithPixelFormat(path.data(), path.size(), name, &image.handle);
}
int32_t writePng(const Handle& image, const std::string& path, uint32_t quality = 100) {
    return TARN_LUX_ImageWriter_WriteAsPNG(image.handle, quality, path.data(), path.size());
}

const TARN_LUX_PixelFormatName kUnpacked[] = {
    TARN_LUX_PixelFormatName_Mono8,     TARN_LUX_PixelFormatName_Mono10,    TARN_LUX_PixelFormatName_Mono12,
    TARN_LUX_PixelFormatName_BayerRG8,  TARN_LUX_PixelFormatName_BayerGB10, TARN_LUX_PixelFormatName_BayerBG12,
    TARN_LUX_PixelFormatName_RGB8,      TARN_LUX_PixelFormatName_RGB10,     TARN_LUX_PixelFormatName_RGB12,
    TARN_LUX_PixelFormatName_BGR8,      TARN_LUX_PixelFormatName_BGR10,     TARN_LUX_PixelFormatName_BGR12,
    TARN_LUX_PixelFormatName_RGBa8,     TARN_LUX_PixelFormatName_RGBa10,    TARN_LUX_PixelFormatName_RGBa12,
    TARN_LUX_PixelFormatName_BGRa8,     TARN_LUX_PixelFormatName_BGRa10,    TARN_LUX_PixelFormatName_BGRa12,
};

struct Size {
    size_t width, height;
};
const Size kSizes[] = {{1, 1}, {7, 3}, {33, 17}, {2, 900}};

TEST(ImageFiles, PngAndRawGiveEveryUnpackedFormatBackExactly) {
    Folder folder;
    for (const TARN_LUX_PixelFormatName name : kUnpacked) {
        for (const Size& size : kSizes) {
            SCOPED_TRACE(describeFormat(name) + " " + std::to_string(size.width) + "x" + std::to_string(size.height));
            const std::vector<uint8_t> pixels = randomPixels(name, size.width, size.height, size.width * 31 + name);
            const Handle image(name, pixels, size.width, size.height);
            for (const uint32_t quality : {100u, 60u, 0u}) {
                const std::string png = folder / "a.png";
                ASSERT_EQ(writePng(image, png, quality), 0) << lastFailure().text;
                Handle back;
                ASSERT_EQ(readAs(png, name, back), 0) << lastFailure().text;
                EXPECT_EQ(back.bytes(), pixels);
            }
            const std::string raw = folder / ("a_" + std::to_string(size.width) + "x" + std::to_string(size.height) + ".raw");
            ASSERT_EQ(TARN_LUX_ImageWriter_WriteAsRAW(image.handle, raw.data(), raw.size()), 0);
            EXPECT_EQ(fileBytes(raw), pixels);
            Handle back;
            ASSERT_EQ(readAs(raw, name, back), 0) << lastFailure().text;
            EXPECT_EQ(back.bytes(), pixels);
        }
    }
}

TEST(ImageFiles, PngReadsBackItsNaturalFormat) {
    Folder folder;
    const struct {
        TARN_LUX_PixelFormatName written, natural;
    } cases[] = {
        {TARN_LUX_PixelFormatName_BayerGR12, TARN_LUX_PixelFormatName_Mono12},
        {TARN_LUX_PixelFormatName_Mono10, TARN_LUX_PixelFormatName_Mono10},
        {TARN_LUX_PixelFormatName_BGR8, TARN_LUX_PixelFormatName_RGB8},
        {TARN_LUX_PixelFormatName_BGRa10, TARN_LUX_PixelFormatName_RGBa10},
    };
    for (const auto& c : cases) {
        const Handle image(c.written, randomPixels(c.written, 5, 4, 7), 5, 4);
        ASSERT_EQ(writePng(image, folder / "n.png"), 0);
        Handle back;
        ASSERT_EQ(read(folder / "n.png", back), 0);
        EXPECT_EQ(back.format(), c.natural) << describeFormat(c.written);
    }
}

TEST(ImageFiles, BmpKeepsEightBitFormatsAndReducesDeeperMonoWithRounding) {
    Folder folder;
    const struct {
        TARN_LUX_PixelFormatName written, natural;
    } cases[] = {
        {TARN_LUX_PixelFormatName_Mono8, TARN_LUX_PixelFormatName_Mono8},
        {TARN_LUX_PixelFormatName_BayerBG8, TARN_LUX_PixelFormatName_Mono8},
        {TARN_LUX_PixelFormatName_RGB8, TARN_LUX_PixelFormatName_BGR8},
        {TARN_LUX_PixelFormatName_BGR8, TARN_LUX_PixelFormatName_BGR8},
        {TARN_LUX_PixelFormatName_RGBa8, TARN_LUX_PixelFormatName_BGRa8},
        {TARN_LUX_PixelFormatName_BGRa8, TARN_LUX_PixelFormatName_BGRa8},
    };
    for (const auto& c : cases) {
        for (const Size& size : kSizes) {
            const std::vector<uint8_t> pixels = randomPixels(c.written, size.width, size.height, 3);
            const Handle image(c.written, pixels, size.width, size.height);
            const std::string path = folder / "a.bmp";
            ASSERT_EQ(TARN_LUX_ImageWriter_WriteAsBMP(image.handle, path.data(), path.size()), 0);
            Handle back;
            ASSERT_EQ(read(path, back), 0) << lastFailure().text;
            EXPECT_EQ(back.format(), c.natural);
            Handle same;
            ASSERT_EQ(readAs(path, c.written, same), 0) << lastFailure().text;
            EXPECT_EQ(same.bytes(), pixels) << describeFormat(c.written);
        }
    }
    // 12 bits: v * 255 / 4095 rounded to nearest.
    const std::vector<uint16_t> deep = {0, 8, 9, 2047, 2048, 4080, 4095};
    std::vector<uint8_t> bytes(deep.size() * 2);
    std::memcpy(bytes.data(), deep.data(), bytes.size());
    const Handle image(TARN_LUX_PixelFormatName_Mono12, bytes, deep.size(), 1);
    const std::string path = folder / "deep.bmp";
    ASSERT_EQ(TARN_LUX_ImageWriter_WriteAsBMP(image.handle, path.data(), path.size()), 0);
    Handle back;
    ASSERT_EQ(read(path, back), 0);
    EXPECT_EQ(back.bytes(), (std::vector<uint8_t>{0, 0, 1, 127, 128, 254, 255}));
}

TEST(ImageFiles, JpegIsCloseAndGrowsWithQuality) {
    Folder folder;
    // A smooth gradient with a little texture, in RGB and mono.
    const size_t w = 64, h = 48;
    std::vector<uint8_t> rgb(w * h * 3);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x)
            for (size_t c = 0; c < 3; ++c) rgb[(y * w + x) * 3 + c] = static_cast<uint8_t>(x * 3 + y * c + (x * y) % 7);
    const Handle image(TARN_LUX_PixelFormatName_RGB8, rgb, w, h);
    size_t previousSize = 0;
    for (const uint32_t quality : {10u, 75u, 95u}) {
        const std::string path = folder / "a.jpg";
        ASSERT_EQ(TARN_LUX_ImageWriter_WriteAsJPG(image.handle, quality, path.data(), path.size()), 0);
        const size_t size = fileBytes(path).size();
        EXPECT_GT(size, previousSize);
        previousSize = size;
        Handle back;
        ASSERT_EQ(read(path, back), 0);
        EXPECT_EQ(back.format(), TARN_LUX_PixelFormatName_RGB8);
        const std::vector<uint8_t> decoded = back.bytes();
        double error = 0;
        for (size_t i = 0; i < rgb.size(); ++i) error += std::abs(int(decoded[i]) - int(rgb[i]));
        EXPECT_LT(error / rgb.size(), quality >= 75 ? 3.0 : 12.0);
    }
    const Handle mono(TARN_LUX_PixelFormatName_Mono12, randomPixels(TARN_LUX_PixelFormatName_Mono12, 9, 9, 1), 9, 9);
    const std::string path = folder / "m.jpeg";
    ASSERT_EQ(TARN_LUX_ImageWriter_Write(mono.handle, path.data(), path.size()), 0);
    Handle back;
    ASSERT_EQ(read(path, back), 0);
    EXPECT_EQ(back.format(), TARN_LUX_PixelFormatName_Mono8);
}

// ------------------------------------------------- files other programs write

// A PNG made by libpng from 8- or 16-bit samples (host order for 16 bits).
std::vector<uint8_t> libpngFile(int colorType, int depth, size_t width, size_t height, const std::vector<uint8_t>& rows,
                                bool interlaced, const std::function<void(png_structp, png_infop)>& extra = {}) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* target = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            target->insert(target->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (extra) extra(png, info);
    png_write_info(png, info);
    if (depth == 16) png_set_swap(png);
    const size_t rowBytes = rows.size() / height;
    std::vector<png_bytep> pointers(height);
    for (size_t y = 0; y < height; ++y) pointers[y] = const_cast<png_bytep>(rows.data() + y * rowBytes);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

Image decodedPng(const std::vector<uint8_t>& file) { return files::decodePng(file.data(), file.size()); }

TEST(ImageFiles, PngVariantsOfOtherWritersDecodeToTheirNaturalFormat) {
    for (const bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "progressive rows");
        const size_t w = 13, h = 11;
        const std::vector<uint8_t> rgb = randomPixels(TARN_LUX_PixelFormatName_RGB8, w, h, 5);
        Image image = decodedPng(libpngFile(PNG_COLOR_TYPE_RGB, 8, w, h, rgb, interlaced));
        EXPECT_EQ(image.format(), TARN_LUX_PixelFormatName_RGB8);
        EXPECT_EQ(std::vector<uint8_t>(image.data(), image.data() + image.byteCount()), rgb);

        // Gray+alpha 8: gray repeated into RGB.
        const std::vector<uint8_t> ga = randomPixels(TARN_LUX_PixelFormatName_Mono8, 2 * w, h, 6);
        image = decodedPng(libpngFile(PNG_COLOR_TYPE_GRAY_ALPHA, 8, w, h, ga, interlaced));
        ASSERT_EQ(image.format(), TARN_LUX_PixelFormatName_RGBa8);
        for (size_t i = 0; i < w * h; ++i) {
            const uint8_t* p = image.data() + 4 * i;
            ASSERT_TRUE(p[0] == ga[2 * i] && p[1] == ga[2 * i] && p[2] == ga[2 * i] && p[3] == ga[2 * i + 1]) << i;
        }

        // 4-bit gray: scaled to 0..255 (0x0 -> 0, 0xF -> 255, 0x5 -> 85).
        std::vector<uint8_t> nibbles((w + 1) / 2 * h);
        for (size_t i = 0; i < nibbles.size(); ++i) nibbles[i] = static_cast<uint8_t>(i * 37);
        image = decodedPng(libpngFile(PNG_COLOR_TYPE_GRAY, 4, w, h, nibbles, interlaced));
        ASSERT_EQ(image.format(), TARN_LUX_PixelFormatName_Mono8);
        for (size_t y = 0; y < h; ++y)
            for (size_t x = 0; x < w; ++x) {
                const uint8_t byte = nibbles[y * ((w + 1) / 2) + x / 2];
                const uint8_t nibble = x % 2 == 0 ? byte >> 4 : byte & 0xF;
                ASSERT_EQ(image.row(y)[x], nibble * 17) << x << "," << y;
            }

        // Palette with transparency: RGBa8 through the palette.
        const std::vector<uint8_t> indices = randomPixels(TARN_LUX_PixelFormatName_Mono8, w, h, 8);
        png_color palette[256];
        png_byte alpha[256];
        for (int i = 0; i < 256; ++i) {
            palette[i] = {static_cast<png_byte>(i), static_cast<png_byte>(255 - i), static_cast<png_byte>(i * 7)};
            alpha[i] = static_cast<png_byte>(i ^ 0x5A);
        }
        image = decodedPng(libpngFile(PNG_COLOR_TYPE_PALETTE, 8, w, h, indices, interlaced, [&](png_structp p, png_infop i) {
            png_set_PLTE(p, i, palette, 256);
            png_set_tRNS(p, i, alpha, 256, nullptr);
        }));
        ASSERT_EQ(image.format(), TARN_LUX_PixelFormatName_RGBa8);
        for (size_t i = 0; i < w * h; ++i) {
            const uint8_t k = indices[i];
            const uint8_t* p = image.data() + 4 * i;
            ASSERT_TRUE(p[0] == k && p[1] == 255 - k && p[2] == uint8_t(k * 7) && p[3] == (k ^ 0x5A)) << i;
        }

        // 16-bit gray with sBIT 10: shifted back to the 10-bit values.
        std::vector<uint16_t> words(w * h);
        std::vector<uint16_t> values(w * h);
        for (size_t i = 0; i < words.size(); ++i) {
            values[i] = static_cast<uint16_t>((i * 97) % 1024);
            words[i] = static_cast<uint16_t>(values[i] << 6 | values[i] >> 4);
        }
        std::vector<uint8_t> wordBytes(words.size() * 2);
        std::memcpy(wordBytes.data(), words.data(), wordBytes.size());
        image = decodedPng(libpngFile(PNG_COLOR_TYPE_GRAY, 16, w, h, wordBytes, interlaced, [](png_structp p, png_infop i) {
            png_color_8 bits{};
            bits.gray = 10;
            png_set_sBIT(p, i, &bits);
        }));
        ASSERT_EQ(image.format(), TARN_LUX_PixelFormatName_Mono10);
        EXPECT_EQ(0, std::memcmp(image.data(), values.data(), image.byteCount()));

        // 16-bit gray without sBIT holding 12-bit data: kept as it is.
        std::memcpy(wordBytes.data(), values.data(), wordBytes.size());
        image = decodedPng(libpngFile(PNG_COLOR_TYPE_GRAY, 16, w, h, wordBytes, interlaced));
        ASSERT_EQ(image.format(), TARN_LUX_PixelFormatName_Mono12);
        EXPECT_EQ(0, std::memcmp(image.data(), values.data(), image.byteCount()));
    }
}

// ---------------------------------------------------------- damaged files

std::vector<uint8_t> sampleFile(const char* name, TARN_LUX_PixelFormatName format,
                                const std::function<int32_t(const Handle&, const std::string&)>& write) {
    Folder folder;
    const Handle image(format, randomPixels(format, 37, 23, 9), 37, 23);
    EXPECT_EQ(write(image, folder / name), 0);
    return fileBytes(folder / name);
}

// Decoding must fail cleanly (codes 7 or 8) or give a whole image.
void expectCleanOutcome(const std::function<Image(const std::vector<uint8_t>&)>& decode,
                        const std::vector<uint8_t>& bytes, bool mustFail) {
    try {
        const Image image = decode(bytes);
        EXPECT_FALSE(mustFail) << "decoded " << bytes.size() << " bytes";
        EXPECT_FALSE(image.empty());
    } catch (const Error& error) {
        EXPECT_TRUE(error.code() == TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR ||
                    error.code() == TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED)
            << error.code() << " " << error.what();
    }
}

struct Codec {
    const char* name;
    std::function<Image(const std::vector<uint8_t>&)> decode;
    std::vector<uint8_t> file;
    bool flipsAlwaysFail;  // every byte is covered by a checksum
};

std::vector<Codec> codecs() {
    const auto asBmp = [](const Handle& i, const std::string& p) {
        return TARN_LUX_ImageWriter_WriteAsBMP(i.handle, p.data(), p.size());
    };
    const auto asJpeg = [](const Handle& i, const std::string& p) {
        return TARN_LUX_ImageWriter_WriteAsJPG(i.handle, 90, p.data(), p.size());
    };
    const auto asPng = [](const Handle& i, const std::string& p) { return writePng(i, p); };
    return {
        {"PNG", [](const std::vector<uint8_t>& b) { return files::decodePng(b.data(), b.size()); },
         sampleFile("s.png", TARN_LUX_PixelFormatName_RGBa12, asPng), true},
        {"BMP", [](const std::vector<uint8_t>& b) { return files::decodeBmp(b.data(), b.size()); },
         sampleFile("s.bmp", TARN_LUX_PixelFormatName_Mono8, asBmp), false},
        {"BMP32", [](const std::vector<uint8_t>& b) { return files::decodeBmp(b.data(), b.size()); },
         sampleFile("s.bmp", TARN_LUX_PixelFormatName_RGBa8, asBmp), false},
        {"JPEG", [](const std::vector<uint8_t>& b) { return files::decodeJpeg(b.data(), b.size()); },
         sampleFile("s.jpg", TARN_LUX_PixelFormatName_RGB8, asJpeg), false},
    };
}

TEST(ImageFiles, CutFilesFailCleanly) {
    for (const Codec& codec : codecs()) {
        SCOPED_TRACE(codec.name);
        for (size_t cut = 0; cut < codec.file.size(); cut += 1 + cut / 16) {
            expectCleanOutcome(codec.decode, std::vector<uint8_t>(codec.file.begin(), codec.file.begin() + cut), true);
        }
    }
}

TEST(ImageFiles, FlippedBytesFailCleanlyOrDecodeWhole) {
    for (const Codec& codec : codecs()) {
        SCOPED_TRACE(codec.name);
        for (size_t at = 0; at < codec.file.size(); at += 1 + at / 64) {
            std::vector<uint8_t> bytes = codec.file;
            bytes[at] ^= 0xA5;
            expectCleanOutcome(codec.decode, bytes, codec.flipsAlwaysFail);
        }
    }
}

TEST(ImageFiles, HeadersClaimingHugeImagesAreRefusedWithoutTakingTheMemory) {
    // A 100000 x 100000 PNG header in front of a few bytes of data.
    std::vector<uint8_t> png = sampleFile("s.png", TARN_LUX_PixelFormatName_Mono8, [](const Handle& i, const std::string& p) {
        return writePng(i, p);
    });
    const uint8_t huge[4] = {0x00, 0x01, 0x86, 0xA0};  // 100000
    std::memcpy(&png[16], huge, 4);
    std::memcpy(&png[20], huge, 4);
    const uint32_t crc = files::png::chunkCrc(&png[12], &png[16], 13);
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    EXPECT_THROW(
        {
            try {
                files::decodePng(png.data(), png.size());
            } catch (const Error& e) {
                EXPECT_EQ(e.code(), TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR);
                EXPECT_NE(std::string(e.what()).find("100000 x 100000"), std::string::npos) << e.what();
                throw;
            }
        },
        Error);

    // BMP: width and height of 100000 with a handful of pixel bytes.
    std::vector<uint8_t> bmp = sampleFile("s.bmp", TARN_LUX_PixelFormatName_RGB8, [](const Handle& i, const std::string& p) {
        return TARN_LUX_ImageWriter_WriteAsBMP(i.handle, p.data(), p.size());
    });
    for (const size_t offset : {18, 22}) std::memcpy(&bmp[offset], "\xA0\x86\x01\x00", 4);
    EXPECT_THROW(files::decodeBmp(bmp.data(), bmp.size()), Error);
    // Negative heights mean top-down rows; INT32_MIN must not overflow.
    std::memcpy(&bmp[22], "\x00\x00\x00\x80", 4);
    EXPECT_THROW(files::decodeBmp(bmp.data(), bmp.size()), Error);

    // JPEG: a 65000 x 65000 frame header on a small file.
    std::vector<uint8_t> jpeg = sampleFile("s.jpg", TARN_LUX_PixelFormatName_Mono8, [](const Handle& i, const std::string& p) {
        return TARN_LUX_ImageWriter_WriteAsJPG(i.handle, 75, p.data(), p.size());
    });
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {  // start of frame: length, precision, height, width
            std::memcpy(&jpeg[i + 5], "\xFD\xE8\xFD\xE8", 4);
            break;
        }
    }
    EXPECT_THROW(files::decodeJpeg(jpeg.data(), jpeg.size()), Error);
}

// ------------------------------------------------------ paths and failures

TEST(ImageFiles, FileSystemFailuresAnswerIoErrorsWithTheReason) {
    Folder folder;
    Handle image(TARN_LUX_PixelFormatName_Mono8, std::vector<uint8_t>(4, 1), 2, 2);
    Handle out;
    EXPECT_FAILS_WITH(read(folder / "missing.png", out), TARN_LUX_RETURN_CODE_IO_ERROR, "missing.png",
                      "No such file or directory");
    const std::string inMissingFolder = folder / "no/such/folder/a.png";
    EXPECT_FAILS_WITH(writePng(image, inMissingFolder), TARN_LUX_RETURN_CODE_IO_ERROR, "No such file or directory");
    EXPECT_FAILS_WITH(read(folder / "", out), TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED);
    ::mkdir((folder / "dir.png").c_str(), 0755);
    EXPECT_FAILS_WITH(read(folder / "dir.png", out), TARN_LUX_RETURN_CODE_IO_ERROR, "Is a directory");
    ::rmdir((folder / "dir.png").c_str());
    if (::geteuid() != 0) {  // permissions do not stop root
        ::chmod((folder / "").c_str(), 0555);
        EXPECT_FAILS_WITH(writePng(image, folder / "denied.png"), TARN_LUX_RETURN_CODE_IO_ERROR, "Permission denied");
        ::chmod((folder / "").c_str(), 0755);
    }
    EXPECT_TRUE(folder.names().empty());
}

TEST(ImageFiles, FailedWritesLeaveNothingAndKeepTheOldFile) {
    Folder folder;
    const Handle good(TARN_LUX_PixelFormatName_Mono8, std::vector<uint8_t>(4, 9), 2, 2);
    const Handle packed(TARN_LUX_PixelFormatName_Mono12p, std::vector<uint8_t>(6, 0), 2, 2);
    const std::string path = folder / "kept.png";
    ASSERT_EQ(writePng(good, path), 0);
    const std::vector<uint8_t> before = fileBytes(path);
    EXPECT_FAILS_WITH(writePng(packed, path), TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "Mono12p");
    EXPECT_FAILS_WITH(writePng(good, path, 101), TARN_LUX_RETURN_CODE_OUT_OF_RANGE, "quality", "101");
    EXPECT_FAILS_WITH(TARN_LUX_ImageWriter_WriteAsBMP(packed.handle, path.data(), path.size()),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED);
    EXPECT_FAILS_WITH(TARN_LUX_ImageWriter_WriteAsRAW(packed.handle, path.data(), path.size()),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED);
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(folder.names(), std::set<std::string>{"kept.png"});
}

TEST(ImageFiles, PathsAreUtf8BytesWithALength) {
    Folder folder;
    const Handle image(TARN_LUX_PixelFormatName_Mono8, std::vector<uint8_t>{1, 2, 3, 4}, 2, 2);
    const std::string name = folder / "Bild \xC3\xA4\xC3\xB6\xC3\xBC \xE6\x97\xA5\xE6\x9C\xAC.PNG";
    // The length counts: trailing bytes beyond it are no part of the path.
    const std::string padded = name + "junk";
    ASSERT_EQ(TARN_LUX_ImageWriter_Write(image.handle, padded.data(), name.size()), 0) << lastFailure().text;
    Handle back;
    ASSERT_EQ(read(name, back), 0);
    EXPECT_EQ(back.bytes(), (std::vector<uint8_t>{1, 2, 3, 4}));

    const std::string withNul("a\0b.png", 7);
    EXPECT_FAILS_WITH(TARN_LUX_ImageReader_Read(withNul.data(), withNul.size(), &back.handle),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "NUL");
    EXPECT_FAILS_WITH(TARN_LUX_ImageReader_Read(nullptr, 3, &back.handle), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    EXPECT_FAILS_WITH(TARN_LUX_ImageReader_Read("a.png", 0, &back.handle), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
    EXPECT_FAILS_WITH(TARN_LUX_ImageReader_Read("a.png", 5, nullptr), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);
}

TEST(ImageFiles, ReadingAsAFormatOnlyRenamesSamples) {
    Folder folder;
    const std::vector<uint8_t> rgb = {10, 20, 30, 40, 50, 60};
    const Handle color(TARN_LUX_PixelFormatName_RGB8, rgb, 2, 1);
    const std::string path = folder / "c.png";
    ASSERT_EQ(writePng(color, path), 0);
    Handle bgra;
    ASSERT_EQ(readAs(path, TARN_LUX_PixelFormatName_BGRa8, bgra), 0);
    EXPECT_EQ(bgra.bytes(), (std::vector<uint8_t>{30, 20, 10, 255, 60, 50, 40, 255}));
    Handle refused;
    EXPECT_FAILS_WITH(readAs(path, TARN_LUX_PixelFormatName_Mono8, refused),
                      TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR, "RGB8", "Mono8");
    EXPECT_FAILS_WITH(readAs(path, TARN_LUX_PixelFormatName_RGB12, refused),
                      TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR);
    EXPECT_FAILS_WITH(readAs(path, TARN_LUX_PixelFormatName_Mono10p, refused),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "Mono10p");
    EXPECT_FAILS_WITH(readAs(folder / "missing.png", TARN_LUX_PixelFormatName_Mono12p, refused),
                      TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED);
    EXPECT_FAILS_WITH(readAs(path, 0x1234, refused), TARN_LUX_RETURN_CODE_INVALID_ARGUMENT);

    const Handle alpha(TARN_LUX_PixelFormatName_RGBa8, std::vector<uint8_t>(8, 7), 2, 1);
    ASSERT_EQ(writePng(alpha, path), 0);
    EXPECT_FAILS_WITH(readAs(path, TARN_LUX_PixelFormatName_BGR8, refused),
                      TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR);
}

TEST(ImageFiles, RawFilesNeedAPixelFormatAndAMatchingSize) {
    Folder folder;
    const Handle image(TARN_LUX_PixelFormatName_Mono12, randomPixels(TARN_LUX_PixelFormatName_Mono12, 6, 4, 2), 6, 4);
    const std::string named = folder / "frame_6x4.raw";
    ASSERT_EQ(TARN_LUX_ImageWriter_Write(image.handle, named.data(), named.size()), 0);
    Handle out;
    EXPECT_FAILS_WITH(read(named, out), TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, "pixel format");
    EXPECT_FAILS_WITH(readAs(named, TARN_LUX_PixelFormatName_RGB12, out),
                      TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR, "48 bytes");
    // Without a size in the name: one row of as many pixels as there are.
    const std::string plain = folder / "frame.raw";
    ::rename(named.c_str(), plain.c_str());
    ASSERT_EQ(readAs(plain, TARN_LUX_PixelFormatName_Mono8, out), 0);
    EXPECT_EQ(out.width(), 48u);
    std::vector<uint8_t> bytes = fileBytes(plain);
    bytes.push_back(0);
    std::ofstream(plain, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    Handle odd;
    EXPECT_FAILS_WITH(readAs(plain, TARN_LUX_PixelFormatName_RGB8, odd), TARN_LUX_RETURN_CODE_FORMAT_INTERPRETATION_ERROR,
                      "49 bytes", "frame_640x480.raw");
    EXPECT_FAILS_WITH(read(folder / "a.tiff", out), TARN_LUX_RETURN_CODE_IMAGE_FORMAT_NOT_SUPPORTED, ".png");
}

TEST(ImageFiles, EmptyImagesAreNotWritten) {
    Folder folder;
    ScopedImage empty(TARN_LUX_PixelFormatName_Invalid, 0, 0);
    const std::string path = folder / "e.bmp";
    EXPECT_FAILS_WITH(TARN_LUX_ImageWriter_Write(empty.get(), path.data(), path.size()),
                      TARN_LUX_RETURN_CODE_INVALID_ARGUMENT, "empty");
    EXPECT_FAILS_WITH(TARN_LUX_ImageWriter_Write(nullptr, path.data(), path.size()),
                      TARN_LUX_RETURN_CODE_INVALID_HANDLE);
    EXPECT_TRUE(folder.names().empty());
}

// ------------------------------------------------------------ filter kernels

TEST(ImageFilesKernels, FastFiltersMatchTheScalarReference) {
    std::mt19937 random(11);
    for (const size_t pixelBytes : {1, 2, 3, 4, 6, 8}) {
        for (const size_t pixels : {1, 2, 5, 31, 64, 257}) {
            const size_t bytes = pixels * pixelBytes;
            std::vector<uint8_t> row(bytes), previous(bytes), fast(bytes), scalar(bytes);
            for (auto& b : row) b = static_cast<uint8_t>(random());
            for (auto& b : previous) b = static_cast<uint8_t>(random());
            for (uint8_t f = 0; f < files::png::kFilterCount; ++f) {
                const auto filter = static_cast<files::png::Filter>(f);
                SCOPED_TRACE(std::to_string(f) + " " + std::to_string(pixelBytes) + " " + std::to_string(pixels));
                files::png::filterRowScalar(filter, row.data(), previous.data(), bytes, pixelBytes, scalar.data());
                files::png::filterRow(filter, row.data(), previous.data(), bytes, pixelBytes, fast.data());
                ASSERT_EQ(fast, scalar);
                // Undoing the filter, fast and scalar, gives the row back.
                std::vector<uint8_t> undone(bytes), undoneScalar(bytes);
                files::png::unfilterRow(filter, fast.data(), undone.data(), previous.data(), bytes, pixelBytes);
                files::png::unfilterRowScalar(filter, fast.data(), undoneScalar.data(), previous.data(), bytes,
                                              pixelBytes);
                ASSERT_EQ(undone, row);
                ASSERT_EQ(undoneScalar, row);
            }
        }
    }
}

TEST(ImageFilesKernels, PngBytesDoNotDependOnThreadsOrKernelPath) {
    Folder folder;
    const size_t w = 301, h = 1203;  // several bands of rows
    const Handle image(TARN_LUX_PixelFormatName_BGR12, randomPixels(TARN_LUX_PixelFormatName_BGR12, w, h, 4), w, h);
    std::vector<uint8_t> first;
    for (const auto& path : orx::testing::kernelPaths()) {
        orx::testing::PathScope scope(path);
        ASSERT_EQ(writePng(image, folder / "t.png"), 0);
        const std::vector<uint8_t> bytes = fileBytes(folder / "t.png");
        if (first.empty()) first = bytes;
        EXPECT_EQ(bytes, first) << path.name;
        Handle back;
        ASSERT_EQ(readAs(folder / "t.png", TARN_LUX_PixelFormatName_BGR12, back), 0);
        EXPECT_EQ(back.bytes(), image.bytes()) << path.name;
    }
}

}  // namespace
}  // namespace orx::test
