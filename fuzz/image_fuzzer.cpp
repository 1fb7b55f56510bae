// Image file bytes through the image layer and the program's whole way from a
// picture to its symbol: the scan-line reader, then the capture reader where
// that reads nothing. The format is chosen by the file's leading bytes, as in
// the program, so one target covers PNG, JPEG, GIF, TIFF and BMP.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "capture/CaptureTrace.h"
#include "pipeline/SymbolDecoder.h"
#include "platform/GdiPlus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel2::tessoran;
    // The program reads files by path: hand it an in-memory file.
    const int fd = memfd_create("image", 0);
    if (fd < 0) {
        return 0;
    }
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        const std::unique_ptr<Gdiplus::Bitmap> bitmap(new Gdiplus::Bitmap(path.c_str()));
        if (bitmap != nullptr && bitmap->GetLastStatus() == Gdiplus::Ok) {
            // The trace is filled as well, as the program fills it when asked.
            capture::CaptureTrace trace;
            decodeBitmap(*bitmap, &trace);
        }
    }
    close(fd);
    return 0;
}
