#include "platform/posix/ImageFile.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/posix/FormatDecoders.h"

namespace ostrel2::tessoran::platform {

namespace {

bool startsWith(const unsigned char* bytes, std::size_t count, const char* magic,
                std::size_t magicLength) {
    return count >= magicLength && std::memcmp(bytes, magic, magicLength) == 0;
}

}  // namespace

ImageFormat imageFormatOf(const unsigned char* leadingBytes, std::size_t count) {
    const unsigned char* b = leadingBytes;
    if (startsWith(b, count, "\x89PNG\r\n\x1A\n", 8)) {
        return ImageFormat::Png;
    }
    if (startsWith(b, count, "\xFF\xD8\xFF", 3)) {
        return ImageFormat::Jpeg;
    }
    // Classic and big TIFF, either byte order.
    if (startsWith(b, count, "II*\0", 4) || startsWith(b, count, "MM\0*", 4) ||
        startsWith(b, count, "II+\0", 4) || startsWith(b, count, "MM\0+", 4)) {
        return ImageFormat::Tiff;
    }
    if (startsWith(b, count, "GIF87a", 6) || startsWith(b, count, "GIF89a", 6)) {
        return ImageFormat::Gif;
    }
    if (startsWith(b, count, "BM", 2)) {
        return ImageFormat::Bmp;
    }
    return ImageFormat::Unknown;
}

bool loadImageFile(const char* path, Gdiplus::GpImage& image) {
    unsigned char leadingBytes[8] = {};
    std::size_t count = 0;
    {
        std::FILE* file = std::fopen(path, "rb");
        if (file == nullptr) {
            return false;
        }
        // A directory opens but cannot be read: it reads as no bytes.
        count = std::fread(leadingBytes, 1, sizeof leadingBytes, file);
        std::fclose(file);
    }

    Gdiplus::GpImage decoded;
    bool loaded = false;
    switch (imageFormatOf(leadingBytes, count)) {
        case ImageFormat::Png:
            loaded = decodePng(path, decoded);
            break;
        case ImageFormat::Jpeg:
            loaded = decodeJpeg(path, decoded);
            break;
        case ImageFormat::Tiff:
            loaded = decodeTiff(path, decoded);
            break;
        case ImageFormat::Gif:
            loaded = decodeGif(path, decoded);
            break;
        case ImageFormat::Bmp:
            loaded = decodeBmp(path, decoded);
            break;
        case ImageFormat::Unknown:
            break;
    }
    if (!loaded) {
        return false;
    }
    image = std::move(decoded);
    return true;
}

}  // namespace ostrel2::tessoran::platform
