#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <vector>

#include "platform/posix/FormatDecoders.h"
#include "platform/posix/PixelLimit.h"

namespace ostrel2::tessoran::platform {

namespace {

// libtiff reports trouble through handlers that print by default; this one
// swallows the message, and a failing call's result says enough.
int keepQuiet(TIFF* /*tiff*/, void* /*userData*/, const char* /*module*/, const char* /*format*/,
              std::va_list /*arguments*/) {
    return 1;
}

// Opens the file with quiet handlers of its own (no process-wide handler is
// changed) and with libtiff's own allocations held to the pixel limit.
TIFF* openQuietly(const char* path) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        return nullptr;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepQuiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, keepQuiet, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxPixelBytes));
    TIFF* tiff = TIFFOpenExt(path, "r", options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

class TiffHandle {
  public:
    explicit TiffHandle(const char* path) : tiff(openQuietly(path)) {}
    ~TiffHandle() {
        if (tiff != nullptr) {
            TIFFClose(tiff);
        }
    }
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;

    TIFF* get() const { return tiff; }

  private:
    TIFF* tiff;
};

// The RGBA reader multiplies colours by an unassociated alpha, which would
// turn a transparent pixel black. Declared associated, alpha is handed through
// and the stored colours stay as they are; alpha plays no part afterwards.
void keepStoredColours(TIFF* tiff) {
    std::uint16_t count = 0;
    std::uint16_t* kinds = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) == 0 || count == 0 ||
        kinds == nullptr || kinds[0] != EXTRASAMPLE_UNASSALPHA) {
        return;
    }
    std::vector<std::uint16_t> associated(kinds, kinds + count);
    associated[0] = EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, count, associated.data());
}

}  // namespace

bool decodeTiff(const char* path, Gdiplus::GpImage& image) {
    TiffHandle tiff(path);
    if (tiff.get() == nullptr) {
        return false;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) == 0 ||
        TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) == 0 ||
        !fitsPixelLimit(width, height)) {
        return false;
    }
    char reason[1024];
    if (TIFFRGBAImageOK(tiff.get(), reason) == 0) {
        return false;
    }
    keepStoredColours(tiff.get());
    if (!allocatePixels(image, width, height)) {
        return false;
    }
    // The reader gives rows from the top when asked and resolves palettes,
    // grey and 16-bit samples to 8-bit; a damaged strip stops it.
    if (TIFFReadRGBAImageOriented(tiff.get(), width, height, image.pixels.data(),
                                  ORIENTATION_TOPLEFT, 1) == 0) {
        return false;
    }
    // Its words hold red in the lowest byte; ours hold blue there.
    for (std::uint32_t& pixel : image.pixels) {
        const std::uint32_t abgr = pixel;
        pixel = (static_cast<std::uint32_t>(TIFFGetA(abgr)) << 24) |
                (static_cast<std::uint32_t>(TIFFGetR(abgr)) << 16) |
                (static_cast<std::uint32_t>(TIFFGetG(abgr)) << 8) |
                static_cast<std::uint32_t>(TIFFGetB(abgr));
    }
    return true;
}

}  // namespace ostrel2::tessoran::platform
