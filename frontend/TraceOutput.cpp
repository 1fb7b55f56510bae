// SPDX-License-Identifier: Apache-2.0
#include "frontend/TraceOutput.h"

#include <cstdlib>
#include <vector>

#include "capture/TracePicture.h"
#include "platform/PngFile.h"

namespace ostrel2::tessoran {

std::optional<std::basic_string<PathChar>> tracePicturePath() {
#ifdef _WIN32
    const wchar_t* path = _wgetenv(L"TESSORAN_TRACE");
#else
    const char* path = std::getenv("TESSORAN_TRACE");
#endif
    if (path == nullptr || path[0] == 0) {
        return std::nullopt;
    }
    return std::basic_string<PathChar>(path);
}

void writeTracePicture(const PathChar* path, Gdiplus::Bitmap& bitmap,
                       const capture::CaptureTrace& trace) {
    // The platform's library names its pixel formats with macros, ours with
    // constants of its namespace.
    using namespace Gdiplus;
    const auto width = static_cast<int>(bitmap.GetWidth());
    const auto height = static_cast<int>(bitmap.GetHeight());
    if (width <= 0 || height <= 0) {
        return;
    }
    const Rect whole(0, 0, width, height);
    BitmapData locked;
    if (bitmap.LockBits(&whole, ImageLockModeRead, PixelFormat32bppARGB, &locked) != Ok) {
        return;
    }
    const std::vector<std::uint32_t> picture = capture::drawTrace(
        static_cast<const std::uint8_t*>(locked.Scan0), width, height, locked.Stride, trace);
    bitmap.UnlockBits(&locked);
    platform::writePngFile(path, picture.data(), width, height);
}

}  // namespace ostrel2::tessoran
