// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>

#include "pattern/PixelView.h"
#include "platform/GdiPlus.h"
#include "tessoran/tessoran.h"

namespace ostrel2::tessoran::library {

// A view of the caller's pixels, or none when the arguments cannot describe
// a picture that may be decoded: a null pointer, an unknown format, rows
// that overlap, or more pixels than a decode may take.
std::optional<PixelView> pixelViewOf(const void* pixels, int width, int height, int stride,
                                     tessoran_pixel_format format);

// The pixels of an image decoded from a file or memory.
PixelView viewOfDecodedImage(const Gdiplus::GpImage& image);

}  // namespace ostrel2::tessoran::library
