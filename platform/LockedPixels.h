// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "platform/GdiPlus.h"

namespace ostrel2::tessoran::platform {

// A bitmap's pixels locked for reading as 32-bit ARGB words, unlocked when
// the guard goes, however its scope is left. The image library lets one
// reader at a time lock a bitmap, so a lock that outlived its reader would
// keep every later one out.
class LockedPixels {
  public:
    explicit LockedPixels(Gdiplus::Bitmap& source)
        : bitmap(source),
          pictureWidth(static_cast<int>(source.GetWidth())),
          pictureHeight(static_cast<int>(source.GetHeight())) {
        // The platform's library names its pixel formats with macros, ours
        // with constants of its namespace.
        using namespace Gdiplus;
        if (pictureWidth <= 0 || pictureHeight <= 0) {
            return;
        }
        const Rect whole(0, 0, pictureWidth, pictureHeight);
        isLocked = bitmap.LockBits(&whole, ImageLockModeRead, PixelFormat32bppARGB, &data) == Ok;
        if (isLocked && data.Scan0 == nullptr) {
            bitmap.UnlockBits(&data);
            isLocked = false;
        }
    }
    ~LockedPixels() {
        if (isLocked) {
            bitmap.UnlockBits(&data);
        }
    }
    LockedPixels(const LockedPixels&) = delete;
    LockedPixels& operator=(const LockedPixels&) = delete;

    // Whether the pixels could be locked; nothing below holds otherwise.
    bool locked() const { return isLocked; }
    int width() const { return pictureWidth; }
    int height() const { return pictureHeight; }
    // The top row's first byte; each row `stride()` bytes after the one above.
    const std::uint8_t* rows() const { return static_cast<const std::uint8_t*>(data.Scan0); }
    int stride() const { return static_cast<int>(data.Stride); }

  private:
    Gdiplus::Bitmap& bitmap;
    const int pictureWidth;
    const int pictureHeight;
    Gdiplus::BitmapData data{};
    bool isLocked = false;
};

}  // namespace ostrel2::tessoran::platform
