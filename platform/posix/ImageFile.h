// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>

#include "platform/posix/DecodedImage.h"

namespace ostrel2::tessoran::platform {

enum class ImageFormat { Unknown, Png, Jpeg, Tiff, Gif, Bmp };

// The format told by a file's leading bytes (`count` of them are valid).
ImageFormat imageFormatOf(const unsigned char* leadingBytes, std::size_t count);

// Decodes the encoded image file of `size` bytes at `bytes` into `image`. The
// format is chosen by the leading bytes. The encoded bytes count against the
// decode budget along with everything the decode takes. Returns false for
// bytes that are truncated, damaged, no image, or whose decode would not fit
// the budget; `image` is then left as it was.
bool loadImageFromMemory(const unsigned char* bytes, std::size_t size, Gdiplus::GpImage& image);

// Reads the file at `path` into memory once, to its end, and decodes it as
// loadImageFromMemory does. Returns false as that does, and for a file that is
// missing, unreadable or larger than the decode budget.
bool loadImageFile(const char* path, Gdiplus::GpImage& image);

}  // namespace ostrel2::tessoran::platform
