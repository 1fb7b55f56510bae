#pragma once

#include "platform/posix/DecodedImage.h"

namespace ostrel2::tessoran::platform {

// One decoder per file format, each over its format library. Each reads the
// image at `path` into `image` as 8-bit ARGB whatever the file's own layout
// (palette, grey, 16-bit), keeping the stored colour of transparent pixels.
// Each reads the size first and refuses an image beyond the pixel limit before
// any pixel memory is taken. False for any failure; nothing is printed.
// `image` may hold partial results after a failure.
bool decodePng(const char* path, Gdiplus::GpImage& image);
bool decodeJpeg(const char* path, Gdiplus::GpImage& image);
bool decodeTiff(const char* path, Gdiplus::GpImage& image);
bool decodeGif(const char* path, Gdiplus::GpImage& image);
// BMP only: the caller has seen the file start with "BM".
bool decodeBmp(const char* path, Gdiplus::GpImage& image);

}  // namespace ostrel2::tessoran::platform
