#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/posix/FormatDecoders.h"
#include "platform/posix/PixelLimit.h"

namespace ostrel2::tessoran::platform {

namespace {

// What libtiff reported while reading one file.
struct TiffTrouble {
    bool damaged = false;
};

// libtiff reports trouble through handlers that print by default; these keep
// it quiet and only note whether the file is damaged. libtiff carries on past
// some damage: a tag whose data lies beyond the end of a truncated file is
// dropped with a warning, and a palette image without its palette would then
// come out as a wrong picture. Other warnings (private tags and the like) are
// harmless.
int noteError(TIFF* /*tiff*/, void* userData, const char* /*module*/, const char* /*format*/,
              std::va_list /*arguments*/) {
    static_cast<TiffTrouble*>(userData)->damaged = true;
    return 1;
}

int noteWarning(TIFF* /*tiff*/, void* userData, const char* /*module*/, const char* format,
                std::va_list /*arguments*/) {
    if (format != nullptr && (std::strstr(format, "IO error") != nullptr ||
                              std::strstr(format, "Read error") != nullptr)) {
        static_cast<TiffTrouble*>(userData)->damaged = true;
    }
    return 1;
}

// Opens the file with quiet handlers of its own (no process-wide handler is
// changed) and with libtiff's own allocations held to the pixel limit.
TIFF* openQuietly(const char* path, TiffTrouble& trouble) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        return nullptr;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, noteError, &trouble);
    TIFFOpenOptionsSetWarningHandlerExtR(options, noteWarning, &trouble);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxPixelBytes));
    TIFF* tiff = TIFFOpenExt(path, "r", options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

class TiffHandle {
  public:
    TiffHandle(const char* path, TiffTrouble& trouble) : tiff(openQuietly(path, trouble)) {}
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
    TiffTrouble trouble;
    TiffHandle tiff(path, trouble);
    if (tiff.get() == nullptr || trouble.damaged) {
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
                                  ORIENTATION_TOPLEFT, 1) == 0 ||
        trouble.damaged) {
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
