#include "render/image_decode.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <mutex>
#include <stdexcept>

#include "common/binary_io.h"
#include "common/error.h"

namespace tv {
namespace {

enum class ImageFormat { Unknown, Png, Jpeg, Tga, Bmp };

// What the header promises, before the decoder runs.
struct HeaderSize {
    uint64_t width = 0, height = 0;
    uint64_t bytesPerPixel = 4;  // the widest form the image may take on its way to 8-bit RGBA
    size_t offset = 0;           // where the width field starts
    // The least compressed data the declared size needs, in bytes, when the format bounds it
    // (0: no bound), and the compressed data the file holds.
    uint64_t leastData = 0, data = 0;
    const char* dataField = "";
};

// A JPEG coded with Huffman tables spends at least one bit on every 8 x 8 block of the
// component sampled most finely: width * height / 64 bits of its scans at the least.
uint64_t LeastJpegScanBytes(uint64_t width, uint64_t height) { return width * height / 512; }

// Deflate's best case is two bits for a run of 258 bytes (1032 : 1): the image's samples need
// at least that much of the zlib stream.
uint64_t LeastPngDataBytes(uint64_t width, uint64_t height, uint64_t bitsPerPixel) {
    return (width * height * bitsPerPixel + 7) / 8 / 1032;
}

// What a tiny image needs is below any header's noise: the bounds start above this.
constexpr uint64_t kDataBoundSlack = 64;

ImageFormat FormatFromName(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    const size_t slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return ImageFormat::Unknown;
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "png") return ImageFormat::Png;
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe") return ImageFormat::Jpeg;
    if (ext == "tga") return ImageFormat::Tga;
    if (ext == "bmp") return ImageFormat::Bmp;
    return ImageFormat::Unknown;
}

ImageFormat FormatFromBytes(const uint8_t* d, size_t n) {
    if (n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::Png;
    if (n >= 2 && d[0] == 0xFF && d[1] == 0xD8) return ImageFormat::Jpeg;
    if (n >= 2 && d[0] == 'B' && d[1] == 'M') return ImageFormat::Bmp;
    return ImageFormat::Unknown;
}

// Bounds-checked fixed-position reads for the header peeks.
class HeaderBytes {
  public:
    HeaderBytes(const std::string& name, const uint8_t* d, size_t n) : name_(name), d_(d), n_(n) {}
    void Need(size_t at, size_t count, const char* field) const {
        if (at > n_ || count > n_ - at)
            throw DataError(name_, at, field, "file ends inside the image header");
    }
    uint8_t U8(size_t at, const char* field) const {
        Need(at, 1, field);
        return d_[at];
    }
    uint32_t Be16(size_t at, const char* field) const {
        Need(at, 2, field);
        return (uint32_t(d_[at]) << 8) | d_[at + 1];
    }
    uint32_t Be32(size_t at, const char* field) const {
        Need(at, 4, field);
        return (uint32_t(d_[at]) << 24) | (uint32_t(d_[at + 1]) << 16) | (uint32_t(d_[at + 2]) << 8) |
               d_[at + 3];
    }
    uint32_t Le16(size_t at, const char* field) const {
        Need(at, 2, field);
        return d_[at] | (uint32_t(d_[at + 1]) << 8);
    }
    int32_t Le32(size_t at, const char* field) const {
        Need(at, 4, field);
        return static_cast<int32_t>(d_[at] | (uint32_t(d_[at + 1]) << 8) | (uint32_t(d_[at + 2]) << 16) |
                                    (uint32_t(d_[at + 3]) << 24));
    }
    size_t Size() const { return n_; }

  private:
    const std::string& name_;
    const uint8_t* d_;
    size_t n_;
};

// Checks the chunks the decoder reads for the picture: every one up to the end of the image
// data must lie wholly inside the file, and the critical ones must match their checksums.
// The decoder refuses such files too, but after leaking a few KB on each and, for a chunk that
// claims megabytes past the end of a tiny file, after most of a second. A file that ends cleanly
// between chunks, and whatever follows the image data, are left to the decoder as before.
// Returns the bytes of image data (IDAT) the chunks hold.
uint64_t CheckPngChunks(const std::string& name, const HeaderBytes& b, const uint8_t* d) {
    const size_t n = b.Size();
    uint64_t dataBytes = 0;
    size_t at = 8;
    bool inData = false;
    while (at < n) {
        b.Need(at, 12, "PNG chunk length");
        const uint32_t length = b.Be32(at, "PNG chunk length");
        const std::string type(reinterpret_cast<const char*>(d + at + 4), 4);
        if (length > n - at - 12) {
            throw DataError(name, at, "PNG chunk length",
                            "the " + type + " chunk at byte " + std::to_string(at) + " needs " +
                                std::to_string(uint64_t{length} + 12) + " bytes, the file has " +
                                std::to_string(n - at) + " left");
        }
        const bool isData = type == "IDAT";
        if (inData && !isData) return dataBytes;  // the image data is complete
        const bool critical = (d[at + 4] & 0x20) == 0;
        if (critical && static_cast<uint32_t>(crc32(0, d + at + 4, length + 4)) != b.Be32(at + 8 + length, "PNG chunk CRC")) {
            throw DataError(name, at + 8 + length, "PNG chunk CRC",
                            "the " + type + " chunk at byte " + std::to_string(at) + " does not match its checksum");
        }
        if (type == "IEND") return dataBytes;
        inData = inData || isData;
        if (isData) dataBytes += length;
        at += 12 + length;
    }
    return dataBytes;
}

HeaderSize PngHeader(const HeaderBytes& b) {
    HeaderSize s;
    s.offset = 16;
    s.width = b.Be32(16, "PNG width");
    s.height = b.Be32(20, "PNG height");
    const uint64_t depth = b.U8(24, "PNG bit depth");
    if (depth > 8) s.bytesPerPixel = 8;  // 16-bit samples are held as such first
    static constexpr uint8_t kSamples[7] = {1, 0, 3, 1, 2, 0, 4};  // per colour type
    const uint8_t colourType = b.U8(25, "PNG colour type");
    if (colourType < 7 && kSamples[colourType] != 0)
        s.leastData = LeastPngDataBytes(s.width, s.height, depth * kSamples[colourType]);
    s.dataField = "PNG image data";
    return s;
}

// A marker's second byte at `at`, after any fill bytes (0xFF) before it; `at` ends past it.
uint8_t JpegMarker(const HeaderBytes& b, size_t& at) {
    uint8_t marker = 0xFF;
    while (marker == 0xFF) marker = b.U8(++at, "JPEG marker");
    ++at;
    return marker;
}

bool JpegMarkerWithoutLength(uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

// Where the entropy-coded data that starts at `at` ends: the next marker that is neither a
// stuffed zero nor a restart, or the end of the file.
size_t JpegScanEnd(const uint8_t* d, size_t n, size_t at) {
    while (at < n) {
        const void* ff = std::memchr(d + at, 0xFF, n - at);
        if (ff == nullptr) return n;
        at = static_cast<size_t>(static_cast<const uint8_t*>(ff) - d);
        size_t next = at + 1;
        while (next < n && d[next] == 0xFF) ++next;
        if (next >= n) return n;
        if (d[next] != 0x00 && !(d[next] >= 0xD0 && d[next] <= 0xD7)) return at;
        at = next + 1;
    }
    return n;
}

// Checks the segments after the frame header up to the end of the image: every segment must
// lie wholly inside the file. The decoder, asked to skip a segment that runs past the end,
// can spin for minutes on a file of a few hundred bytes. Stray bytes between segments are
// passed over, as the decoder does; a file that simply stops is left to the decoder.
// Returns the bytes of entropy-coded data the scans hold.
uint64_t CheckJpegSegments(const std::string& name, const HeaderBytes& b, const uint8_t* d, size_t at) {
    const size_t n = b.Size();
    uint64_t scanBytes = 0;
    while (at < n) {
        if (d[at] != 0xFF) {
            const void* ff = std::memchr(d + at, 0xFF, n - at);
            if (ff == nullptr) return scanBytes;
            at = static_cast<size_t>(static_cast<const uint8_t*>(ff) - d);
        }
        const size_t markerAt = at;
        if (at + 1 >= n) return scanBytes;
        const uint8_t marker = JpegMarker(b, at);
        if (marker == 0xD9) return scanBytes;  // end of image
        if (marker == 0x00 || JpegMarkerWithoutLength(marker)) continue;
        if (at + 2 > n) return scanBytes;
        const uint32_t length = b.Be16(at, "JPEG segment length");
        if (length < 2) throw DataError(name, at, "JPEG segment length", "shorter than its own length field");
        if (length > n - at) {
            throw DataError(name, at, "JPEG segment length",
                            "the segment at byte " + std::to_string(markerAt) + " needs " +
                                std::to_string(length) + " bytes, the file has " + std::to_string(n - at) +
                                " left");
        }
        at += length;
        if (marker == 0xDA) {  // start of scan: its data follows
            const size_t end = JpegScanEnd(d, n, at);
            scanBytes += end - at;
            at = end;
        }
    }
    return scanBytes;
}

HeaderSize JpegHeader(const std::string& name, const HeaderBytes& b, const uint8_t* d) {
    // Walk the marker segments to the first frame header.
    size_t at = 2;
    for (;;) {
        if (b.U8(at, "JPEG marker") != 0xFF) throw DataError(name, at, "JPEG marker", "not a marker");
        const uint8_t marker = JpegMarker(b, at);
        if (JpegMarkerWithoutLength(marker)) continue;
        if (marker == 0xD9 || marker == 0xDA) {
            throw DataError(name, at - 2, "JPEG frame header", "image data before any frame header");
        }
        const uint32_t length = b.Be16(at, "JPEG segment length");
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            HeaderSize s;
            s.offset = at + 5;
            s.height = b.Be16(at + 3, "JPEG height");
            s.width = b.Be16(at + 5, "JPEG width");
            if (length < 2 || length > b.Size() - at) {
                throw DataError(name, at, "JPEG segment length", "the frame header does not fit in the file");
            }
            s.data = CheckJpegSegments(name, b, d, at + length);
            // Arithmetic coding can spend less than a bit on a block: no bound for it.
            if (marker <= 0xC7) s.leastData = LeastJpegScanBytes(s.width, s.height);
            s.dataField = "JPEG scan data";
            return s;
        }
        if (length < 2) throw DataError(name, at, "JPEG segment length", "shorter than its own length field");
        at += length;
    }
}

HeaderSize TgaHeader(const std::string& name, const HeaderBytes& b) {
    HeaderSize s;
    b.Need(0, 18, "TGA header");
    s.offset = 12;
    s.width = b.Le16(12, "TGA width");
    s.height = b.Le16(14, "TGA height");
    // The colour map, which the decoder allocates from these fields before it reads a byte of
    // it (an 18-byte file made it take 4 GB and 16 s): present where the image type needs one,
    // with a real entry size, and wholly inside the file.
    const uint8_t idLength = b.U8(0, "TGA id length");
    const uint8_t mapType = b.U8(1, "TGA colour map type");
    const uint8_t imageType = b.U8(2, "TGA image type");
    if ((imageType == 1 || imageType == 9) && mapType != 1)
        throw DataError(name, 1, "TGA colour map type", "a colour-mapped image without a colour map");
    if (mapType == 1) {
        const uint8_t entryBits = b.U8(7, "TGA colour map entry size");
        if (entryBits != 15 && entryBits != 16 && entryBits != 24 && entryBits != 32) {
            throw DataError(name, 7, "TGA colour map entry size",
                            std::to_string(entryBits) + " bits is not 15, 16, 24 or 32");
        }
        const uint64_t mapBytes = uint64_t{b.Le16(5, "TGA colour map length")} * ((entryBits + 7u) / 8u);
        const uint64_t mapEnd = 18u + idLength + mapBytes;
        if (mapEnd > b.Size()) {
            throw DataError(name, 5, "TGA colour map length",
                            "the colour map ends at byte " + std::to_string(mapEnd) + ", the file has " +
                                std::to_string(b.Size()));
        }
    }
    return s;
}

HeaderSize BmpHeader(const HeaderBytes& b) {
    HeaderSize s;
    s.offset = 18;
    const int32_t infoSize = b.Le32(14, "BMP info header size");
    if (infoSize == 12) {  // the old core header: 16-bit sides
        s.width = b.Le16(18, "BMP width");
        s.height = b.Le16(20, "BMP height");
    } else {
        // Negative heights mean top-down rows; the magnitude is what is allocated.
        const int64_t w = b.Le32(18, "BMP width");
        const int64_t h = b.Le32(22, "BMP height");
        s.width = static_cast<uint64_t>(w < 0 ? -w : w);
        s.height = static_cast<uint64_t>(h < 0 ? -h : h);
    }
    return s;
}

// One DevIL image bound for the length of a decode, deleted on every way out.
class BoundImage {
  public:
    BoundImage() {
        ilGenImages(1, &id_);
        ilBindImage(id_);
    }
    ~BoundImage() {
        ilBindImage(0);
        ilDeleteImages(1, &id_);
    }
    BoundImage(const BoundImage&) = delete;
    BoundImage& operator=(const BoundImage&) = delete;

  private:
    ILuint id_ = 0;
};

// The first message on the library's error stack, and the stack emptied.
std::string TakeLibraryError() {
    std::string message;
    for (ILenum err = ilGetError(); err != IL_NO_ERROR; err = ilGetError()) {
        if (message.empty()) {
            const char* text = iluErrorString(err);
            message = text ? text : "image library error";
        }
    }
    return message;
}

// The layout conversions that bring the bound image to 8-bit grey, grey-alpha, RGB or RGBA,
// or 0 when it already is one of those.
ILenum ConversionTarget(ILint format, ILint type) {
    switch (format) {
        case IL_COLOUR_INDEX: {
            const ILint pal = ilGetInteger(IL_PALETTE_TYPE);
            return (pal == IL_PAL_RGBA32 || pal == IL_PAL_BGRA32) ? IL_RGBA : IL_RGB;
        }
        case IL_BGR:
            return IL_RGB;
        case IL_BGRA:
            return IL_RGBA;
        case IL_RGB:
        case IL_RGBA:
        case IL_LUMINANCE:
        case IL_LUMINANCE_ALPHA:
        case IL_ALPHA:
            return type == IL_UNSIGNED_BYTE ? 0 : static_cast<ILenum>(format);
        default:
            return IL_RGBA;
    }
}

uint64_t ChannelsOf(ILenum format) {
    switch (format) {
        case IL_LUMINANCE:
        case IL_ALPHA:
            return 1;
        case IL_LUMINANCE_ALPHA:
            return 2;
        case IL_RGB:
            return 3;
        default:
            return 4;
    }
}

std::mutex& LibraryMutex() {
    static std::mutex m;
    return m;
}

}  // namespace

void InitImageLibrary() {
    std::lock_guard<std::mutex> lock(LibraryMutex());
    ilInit();
    iluInit();
    if (ilGetInteger(IL_VERSION_NUM) < IL_VERSION || iluGetInteger(ILU_VERSION_NUM) < ILU_VERSION) {
        throw Error("image library older than the one the game was built with");
    }
}

void ShutdownImageLibrary() {
    std::lock_guard<std::mutex> lock(LibraryMutex());
    ilShutDown();
}

void CheckImageSize(const std::string& name, size_t offset, const char* field, uint64_t width,
                    uint64_t height, uint64_t bytesPerPixel) {
    if (width == 0 || height == 0) throw DataError(name, offset, field, "image has no pixels");
    if (width > kMaxImageSide || height > kMaxImageSide) {
        throw DataError(name, offset, field,
                        std::to_string(width) + " x " + std::to_string(height) + " is larger than " +
                            std::to_string(kMaxImageSide) + " pixels a side");
    }
    // Both sides are at most 2^14 here, so the product cannot overflow 64 bits.
    const uint64_t bytes = width * height * bytesPerPixel;
    if (bytes > kMaxImageBytes) {
        throw DataError(name, offset, field,
                        std::to_string(width) + " x " + std::to_string(height) + " would decode to " +
                            std::to_string(bytes) + " bytes, more than " + std::to_string(kMaxImageBytes));
    }
}

namespace {

// The file's format and its header's picture size, checked against the caps and against the
// data the file holds before the decoder allocates anything. Returns the decoder's type.
ILenum CheckHeader(const std::string& name, const uint8_t* data, size_t size, HeaderSize& header) {
    if (data == nullptr || size == 0) throw DataError(name, 0, "file", "empty image file");
    if (size > std::numeric_limits<ILuint>::max()) throw DataError(name, 0, "file", "image file over 4 GB");

    ImageFormat format = FormatFromName(name);
    if (format == ImageFormat::Unknown) format = FormatFromBytes(data, size);
    const HeaderBytes bytes(name, data, size);
    ILenum type = IL_TYPE_UNKNOWN;
    switch (format) {
        case ImageFormat::Png:
            header = PngHeader(bytes);
            type = IL_PNG;
            break;
        case ImageFormat::Jpeg:
            header = JpegHeader(name, bytes, data);
            type = IL_JPG;
            break;
        case ImageFormat::Tga:
            header = TgaHeader(name, bytes);
            type = IL_TGA;
            break;
        case ImageFormat::Bmp:
            header = BmpHeader(bytes);
            type = IL_BMP;
            break;
        case ImageFormat::Unknown:
            throw DataError(name, 0, "format", "not a PNG, JPEG, TGA or BMP image");
    }
    CheckImageSize(name, header.offset, "image size", header.width, header.height, header.bytesPerPixel);
    if (format == ImageFormat::Png) header.data = CheckPngChunks(name, bytes, data);
    // A small file cannot hold a picture its size: refused before the decoder allocates it.
    if (header.leastData > kDataBoundSlack && header.data < header.leastData) {
        throw DataError(name, header.offset, header.dataField,
                        std::to_string(header.width) + " x " + std::to_string(header.height) + " needs at least " +
                            std::to_string(header.leastData) + " bytes of compressed data, the file holds " +
                            std::to_string(header.data));
    }
    return type;
}

}  // namespace

DecodedImage DecodeImage(const std::string& name, const uint8_t* data, size_t size) {
    HeaderSize header;
    const ILenum type = CheckHeader(name, data, size, header);

    // The library keeps one bound image and one error stack for the whole process: one decode
    // at a time (the start-up's prefetch thread decodes beside the main thread).
    std::lock_guard<std::mutex> lock(LibraryMutex());
    BoundImage image;
    TakeLibraryError();  // nothing left over from an earlier call counts against this one
    if (!ilLoadL(type, data, static_cast<ILuint>(size))) {
        std::string why = TakeLibraryError();
        throw DataError(name, 0, "image data", why.empty() ? "the image could not be decoded" : why);
    }
    TakeLibraryError();

    // What the decoder made, checked again before the conversion touches it.
    const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
    const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
    const ILint depth = ilGetInteger(IL_IMAGE_DEPTH);
    const ILint ilFormat = ilGetInteger(IL_IMAGE_FORMAT);
    const ILint ilType = ilGetInteger(IL_IMAGE_TYPE);
    if (width <= 0 || height <= 0 || depth != 1) {
        throw DataError(name, header.offset, "image size", "the decoder made an image without a usable size");
    }
    const ILenum target = ConversionTarget(ilFormat, ilType);
    const uint64_t channels = ChannelsOf(target != 0 ? target : static_cast<ILenum>(ilFormat));
    CheckImageSize(name, header.offset, "image size", static_cast<uint64_t>(width),
                   static_cast<uint64_t>(height), channels);
    if (target != 0 && !ilConvertImage(target, IL_UNSIGNED_BYTE)) {
        throw DataError(name, 0, "pixel format", "cannot convert to 8-bit channels: " + TakeLibraryError());
    }

    DecodedImage out;
    out.width = width;
    out.height = height;
    out.channels = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
    if (out.channels < 1 || out.channels > 4 || ilGetInteger(IL_IMAGE_TYPE) != IL_UNSIGNED_BYTE) {
        throw DataError(name, 0, "pixel format", "unexpected pixel layout after conversion");
    }
    const size_t count =
        static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(out.channels);
    const ILubyte* pixels = ilGetData();
    const ILint available = ilGetInteger(IL_IMAGE_SIZE_OF_DATA);
    if (pixels == nullptr || available < 0 || static_cast<size_t>(available) < count) {
        throw DataError(name, 0, "image data", "the decoder delivered fewer bytes than the image needs");
    }
    out.pixels.assign(pixels, pixels + count);
    return out;
}

}  // namespace tv
