#include "platform/posix/ImageFile.h"

namespace ostrel2::tessoran::platform {

bool loadImageFile(const char* path, Gdiplus::GpImage& image) {
    (void)path;
    (void)image;
    return false;
}

}  // namespace ostrel2::tessoran::platform
