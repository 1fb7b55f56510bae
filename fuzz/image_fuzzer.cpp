// Image file bytes through the image layer, the thresholding image and the
// whole decoder, then, as in the program, the capture reader on what the
// scan-line reader could not read. The format is chosen by the file's leading
// bytes, as in the program, so one target covers PNG, JPEG, GIF, TIFF and BMP.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/BitmapGrey.h"
#include "capture/CaptureReader.h"
#include "decoding/ITessoranResult.h"
#include "pattern/GdiPlusMonoImage.h"
#include "platform/GdiPlus.h"
#include "reader/DecodeDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel2;
    using namespace ostrel2::tessoran;
    // The loader reads files by path: hand it an in-memory file.
    const int fd = memfd_create("image", 0);
    if (fd < 0) {
        return 0;
    }
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    auto* bitmap = new Gdiplus::Bitmap(path.c_str());
    if (bitmap != nullptr && bitmap->GetLastStatus() == Gdiplus::Ok) {
        I2DBitPattern* pattern = nullptr;
        CreateGdiPlusMonoImage(bitmap, &pattern);
        ITessoranResult* result = nullptr;
        const bool decoded = !failed(DecodeBitPattern(pattern, &result));
        pattern->Release();
        if (!decoded) {
            if (const auto grey = capture::greyImageOf(*bitmap)) {
                capture::CaptureTrace trace;
                if (!failed(capture::captureDecode(*grey, &trace, &result))) {
                    result->Release();
                }
            }
        } else {
            result->Release();
        }
    }
    delete bitmap;
    close(fd);
    return 0;
}
