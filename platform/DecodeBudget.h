// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

namespace ostrel2::tessoran::platform {

// The memory one decode may take, from the encoded file to the symbol's
// codewords. Files come from anywhere, and a few header bytes can declare
// billions of pixels, so every size a file states is weighed against this one
// budget before any memory is taken for it.
//
// What a decode holds in proportion to its image, and so what the budget
// counts:
// - per pixel, the decoded ARGB word (4 bytes) and the capture reader's grey
//   copy and working copies (2 bytes);
// - per column of width, the scan-line reader's working arrays (16 bytes);
// - the encoded file's bytes, which stay in memory while it is decoded;
// - whatever the format decoder keeps besides: progressive-JPEG coefficient
//   buffers, a decoder's intermediate rows or strips.
// With all of it counted, no input drives peak memory much past 1 GiB.
inline constexpr std::uint64_t kDecodeBudgetBytes = std::uint64_t{1} << 30;
inline constexpr std::uint64_t kArgbBytesPerPixel = 4;
inline constexpr std::uint64_t kCaptureBytesPerPixel = 2;
inline constexpr std::uint64_t kBudgetBytesPerPixel = kArgbBytesPerPixel + kCaptureBytesPerPixel;
inline constexpr std::uint64_t kScanLineBytesPerColumn = 16;

// What is left of the budget as a decode takes its share of it.
class DecodeBudget {
  public:
    // Takes `bytes`; false, with nothing taken, when they are more than is left.
    constexpr bool take(std::uint64_t bytes) {
        if (bytes > left) {
            return false;
        }
        left -= bytes;
        return true;
    }

    // Takes what a decoded image of width x height pixels costs the program:
    // its pixels and the readers' share. False for an empty image too. The
    // cost is never formed before it is known to fit, so it cannot overflow.
    constexpr bool takeImage(std::uint64_t width, std::uint64_t height) {
        if (width == 0 || height == 0 || height > left / kBudgetBytesPerPixel) {
            return false;
        }
        const std::uint64_t perColumn = kBudgetBytesPerPixel * height + kScanLineBytesPerColumn;
        if (width > left / perColumn) {
            return false;
        }
        left -= width * perColumn;
        return true;
    }

    constexpr std::uint64_t remaining() const { return left; }

  private:
    std::uint64_t left = kDecodeBudgetBytes;
};

// Whether an image of width x height pixels fits a whole, untouched budget.
constexpr bool fitsDecodeBudget(std::uint64_t width, std::uint64_t height) {
    DecodeBudget budget;
    return budget.takeImage(width, height);
}

}  // namespace ostrel2::tessoran::platform
