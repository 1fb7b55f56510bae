#pragma once

#include "platform/posix/DecodedImage.h"

namespace ostrel2::tessoran::platform {

// Decodes the image file at `path` into `image`. The format is chosen by the
// file's leading bytes. Returns false for a file that is missing, unreadable,
// truncated, not an image, or larger than the decoder accepts.
bool loadImageFile(const char* path, Gdiplus::GpImage& image);

}  // namespace ostrel2::tessoran::platform
