// SPDX-License-Identifier: Apache-2.0
#include "platform/posix/ImageFile.h"

#include <cstring>
#include <optional>
#include <span>
#include <utility>

#include "platform/DecodeBudget.h"
#include "platform/posix/EncodedFile.h"
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

bool loadImageFromMemory(const unsigned char* bytes, std::size_t size, Gdiplus::GpImage& image) {
    DecodeBudget budget;
    if (bytes == nullptr || !budget.take(size)) {
        return false;
    }
    const std::span<const unsigned char> file(bytes, size);
    Gdiplus::GpImage decoded;
    bool loaded = false;
    switch (imageFormatOf(bytes, size)) {
        case ImageFormat::Png:
            loaded = decodePng(file, budget, decoded);
            break;
        case ImageFormat::Jpeg:
            loaded = decodeJpeg(file, budget, decoded);
            break;
        case ImageFormat::Tiff:
            loaded = decodeTiff(file, budget, decoded);
            break;
        case ImageFormat::Gif:
            loaded = decodeGif(file, budget, decoded);
            break;
        case ImageFormat::Bmp:
            loaded = decodeBmp(file, budget, decoded);
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

bool loadImageFile(const char* path, Gdiplus::GpImage& image) {
    // The encoded bytes count against the budget, so a file larger than the
    // whole budget could never be decoded: reading stops there, or as soon as
    // the leading bytes show no image format.
    const auto isImage = [](const unsigned char* bytes, std::size_t count) {
        return imageFormatOf(bytes, count) != ImageFormat::Unknown;
    };
    const std::optional<EncodedFile> file = readEncodedFile(path, kDecodeBudgetBytes, isImage);
    if (!file.has_value() || file->size() == 0) {
        return false;
    }
    return loadImageFromMemory(file->data(), file->size(), image);
}

}  // namespace ostrel2::tessoran::platform
