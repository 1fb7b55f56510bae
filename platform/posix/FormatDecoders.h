// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <span>

#include "platform/DecodeBudget.h"
#include "platform/posix/DecodedImage.h"

namespace ostrel2::tessoran::platform {

// One decoder per file format, each over its format library (BMP our own).
// Each decodes the encoded image `file`, held whole in memory, into `image`
// as 8-bit ARGB whatever the file's own layout (palette, grey, 16-bit),
// keeping the stored colour of transparent pixels. Each reads the size first
// and takes the image's share of `budget`, and the share of whatever else it
// keeps in proportion to the image, before that memory is taken; a file whose
// decode would not fit is refused. False for any failure, including memory
// that cannot be had; nothing is printed. `image` may hold partial results
// after a failure.
bool decodePng(std::span<const unsigned char> file, DecodeBudget& budget, Gdiplus::GpImage& image);
bool decodeJpeg(std::span<const unsigned char> file, DecodeBudget& budget, Gdiplus::GpImage& image);
bool decodeTiff(std::span<const unsigned char> file, DecodeBudget& budget, Gdiplus::GpImage& image);
bool decodeGif(std::span<const unsigned char> file, DecodeBudget& budget, Gdiplus::GpImage& image);
// BMP only: the caller has seen the file start with "BM".
bool decodeBmp(std::span<const unsigned char> file, DecodeBudget& budget, Gdiplus::GpImage& image);

}  // namespace ostrel2::tessoran::platform
