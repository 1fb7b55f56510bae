// SPDX-License-Identifier: Apache-2.0
#include "frontend/TraceOutput.h"

#include <cstdlib>
#include <vector>

#include "capture/TracePicture.h"
#include "platform/LockedPixels.h"
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
    std::vector<std::uint32_t> picture;
    {
        const platform::LockedPixels locked(bitmap);
        if (!locked.locked()) {
            return;
        }
        picture = capture::drawTrace(locked.rows(), locked.width(), locked.height(),
                                     locked.stride(), trace);
    }
    platform::writePngFile(path, picture.data(), static_cast<int>(bitmap.GetWidth()),
                           static_cast<int>(bitmap.GetHeight()));
}

}  // namespace ostrel2::tessoran
