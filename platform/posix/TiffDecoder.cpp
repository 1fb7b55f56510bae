// SPDX-License-Identifier: Apache-2.0
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <vector>

#include "platform/posix/FormatDecoders.h"
#include "platform/posix/PixelAllocation.h"

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

// What libtiff reads from: the file in memory, and where it stands in it.
struct TiffSource {
    std::span<const unsigned char> file;
    std::uint64_t position = 0;
};

tmsize_t readFromMemory(thandle_t handle, void* out, tmsize_t size) {
    auto& source = *static_cast<TiffSource*>(handle);
    if (size < 0 || source.position >= source.file.size()) {
        return 0;
    }
    const std::uint64_t count = std::min<std::uint64_t>(static_cast<std::uint64_t>(size),
                                                        source.file.size() - source.position);
    std::memcpy(out, source.file.data() + source.position, static_cast<std::size_t>(count));
    source.position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t writeNothing(thandle_t /*handle*/, void* /*data*/, tmsize_t /*size*/) {
    return 0;
}

toff_t seekInMemory(thandle_t handle, toff_t offset, int whence) {
    auto& source = *static_cast<TiffSource*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) {
        base = source.position;
    } else if (whence == SEEK_END) {
        base = source.file.size();
    }
    // Offsets are unsigned: a move back from the current place or the end
    // comes as a wrapped value, which the sum wraps back.
    source.position = base + offset;
    return source.position;
}

int closeNothing(thandle_t /*handle*/) {
    return 0;
}

toff_t sizeOfMemory(thandle_t handle) {
    return static_cast<TiffSource*>(handle)->file.size();
}

// libtiff reads strips straight from the file's bytes where it can, rather
// than copying each into a buffer of its own.
int mapMemory(thandle_t handle, void** base, toff_t* size) {
    auto& source = *static_cast<TiffSource*>(handle);
    // libtiff only reads through the mapping.
    *base = const_cast<unsigned char*>(source.file.data());
    *size = source.file.size();
    return 1;
}

void unmapNothing(thandle_t /*handle*/, void* /*base*/, toff_t /*size*/) {}

// Opens the file with quiet handlers of its own (no process-wide handler is
// changed) and with each of libtiff's own allocations held to what is left
// of the budget.
TIFF* openQuietly(TiffSource& source, TiffTrouble& trouble, const DecodeBudget& budget) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        return nullptr;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, noteError, &trouble);
    TIFFOpenOptionsSetWarningHandlerExtR(options, noteWarning, &trouble);
    TIFFOpenOptionsSetMaxSingleMemAlloc(
        options, static_cast<tmsize_t>(std::min<std::uint64_t>(
                     budget.remaining(), std::numeric_limits<tmsize_t>::max())));
    TIFF* tiff =
        TIFFClientOpenExt("image", "r", &source, readFromMemory, writeNothing, seekInMemory,
                          closeNothing, sizeOfMemory, mapMemory, unmapNothing, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

class TiffHandle {
  public:
    TiffHandle(TiffSource& source, TiffTrouble& trouble, const DecodeBudget& budget)
        : tiff(openQuietly(source, trouble, budget)) {}
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

// What the RGBA reader keeps besides the image: one strip or tile decoded
// (one for each sample when samples lie in planes of their own). It is
// counted twice, for a codec's own copy of it or of its raw data.
std::uint64_t readerWorkingBytes(TIFF* tiff) {
    std::uint64_t bytes = TIFFIsTiled(tiff) != 0 ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff);
    std::uint16_t planes = PLANARCONFIG_CONTIG;
    std::uint16_t samples = 1;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planes);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (planes == PLANARCONFIG_SEPARATE) {
        bytes *= samples;
    }
    return 2 * bytes;
}

// The RGBA reader multiplies colours by an unassociated alpha, which would
// turn a transparent pixel black. Declared associated, alpha is handed through
// and the stored colours stay as they are; alpha plays no part afterwards.
// False when the memory for it cannot be had.
bool keepStoredColours(TIFF* tiff) {
    std::uint16_t count = 0;
    std::uint16_t* kinds = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) == 0 || count == 0 ||
        kinds == nullptr || kinds[0] != EXTRASAMPLE_UNASSALPHA) {
        return true;
    }
    try {
        std::vector<std::uint16_t> associated(kinds, kinds + count);
        associated[0] = EXTRASAMPLE_ASSOCALPHA;
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, count, associated.data());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

bool decodeTiff(std::span<const unsigned char> file, DecodeBudget& budget,
                Gdiplus::GpImage& image) {
    TiffTrouble trouble;
    TiffSource source{file};
    TiffHandle tiff(source, trouble, budget);
    if (tiff.get() == nullptr || trouble.damaged) {
        return false;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) == 0 ||
        TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) == 0 ||
        !fitsDecodeBudget(width, height)) {
        return false;
    }
    char reason[1024];
    if (TIFFRGBAImageOK(tiff.get(), reason) == 0) {
        return false;
    }
    if (!keepStoredColours(tiff.get()) || !budget.take(readerWorkingBytes(tiff.get())) ||
        !allocatePixels(image, width, height, budget)) {
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
