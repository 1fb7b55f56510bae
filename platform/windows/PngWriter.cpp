// SPDX-License-Identifier: Apache-2.0
#include "platform/GdiPlus.h"
#include "platform/PngFile.h"

namespace ostrel2::tessoran::platform {

namespace {

// The image library's own PNG encoder.
constexpr CLSID kPngEncoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

}  // namespace

bool writePngFile(const PathChar* path, const std::uint32_t* argb, std::int32_t width,
                  std::int32_t height) {
    if (path == nullptr || argb == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    // The bitmap only borrows the pixels for the time of the call.
    Gdiplus::Bitmap bitmap(width, height, width * 4, PixelFormat32bppARGB,
                           reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(argb)));
    return bitmap.GetLastStatus() == Gdiplus::Ok &&
           bitmap.Save(path, &kPngEncoder, nullptr) == Gdiplus::Ok;
}

}  // namespace ostrel2::tessoran::platform
