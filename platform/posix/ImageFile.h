#pragma once

#include <cstddef>

#include "platform/posix/DecodedImage.h"

namespace ostrel2::tessoran::platform {

enum class ImageFormat { Unknown, Png, Jpeg, Tiff, Gif, Bmp };

// The format told by a file's leading bytes (`count` of them are valid).
ImageFormat imageFormatOf(const unsigned char* leadingBytes, std::size_t count);

// Decodes the image file at `path` into `image`. The format is chosen by the
// file's leading bytes. Returns false for a file that is missing, unreadable,
// truncated, not an image, or larger than the decoder accepts; `image` is then
// left as it was.
bool loadImageFile(const char* path, Gdiplus::GpImage& image);

}  // namespace ostrel2::tessoran::platform
