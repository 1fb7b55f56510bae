#include <turbojpeg.h>

#include <bit>
#include <cstdio>
#include <new>
#include <vector>

#include "platform/posix/FormatDecoders.h"
#include "platform/posix/PixelLimit.h"

namespace ostrel2::tessoran::platform {

namespace {

class TurboJpegHandle {
  public:
    TurboJpegHandle() : handle(tjInitDecompress()) {}
    ~TurboJpegHandle() {
        if (handle != nullptr) {
            tjDestroy(handle);
        }
    }
    TurboJpegHandle(const TurboJpegHandle&) = delete;
    TurboJpegHandle& operator=(const TurboJpegHandle&) = delete;

    tjhandle get() const { return handle; }

  private:
    tjhandle handle;
};

// The whole file, which TurboJPEG decodes from memory. A file beyond the
// pixel limit is no JPEG worth reading.
bool readWholeFile(const char* path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    bool complete = false;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0 && static_cast<unsigned long>(size) <= kMaxPixelBytes &&
            std::fseek(file, 0, SEEK_SET) == 0) {
            try {
                bytes.resize(static_cast<std::size_t>(size));
                complete = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
            } catch (const std::bad_alloc&) {
                complete = false;
            }
        }
    }
    std::fclose(file);
    return complete;
}

}  // namespace

bool decodeJpeg(const char* path, Gdiplus::GpImage& image) {
    std::vector<unsigned char> bytes;
    if (!readWholeFile(path, bytes)) {
        return false;
    }
    TurboJpegHandle decompressor;
    if (decompressor.get() == nullptr) {
        return false;
    }
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourSpace = 0;
    if (tjDecompressHeader3(decompressor.get(), bytes.data(), bytes.size(), &width, &height,
                            &subsampling, &colourSpace) != 0) {
        return false;
    }
    // CMYK and YCCK files decode only to CMYK, and whether their samples are
    // stored inverted is not recorded reliably; rather than guess colours,
    // such files are refused.
    if (colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK) {
        return false;
    }
    if (width <= 0 || height <= 0 ||
        !allocatePixels(image, static_cast<std::uint64_t>(width),
                        static_cast<std::uint64_t>(height))) {
        return false;
    }
    // Grey and colour files alike come out as one ARGB word a pixel, alpha
    // opaque. TurboJPEG keeps its messages in the handle; nothing is printed.
    // A warning (a truncated or damaged file) fails the decode as well, so that
    // a partly grey picture is never taken for the file's content.
    const int pixelFormat = std::endian::native == std::endian::little ? TJPF_BGRA : TJPF_ARGB;
    return tjDecompress2(decompressor.get(), bytes.data(), bytes.size(),
                         reinterpret_cast<unsigned char*>(image.pixels.data()), width, 0, height,
                         pixelFormat, 0) == 0;
}

}  // namespace ostrel2::tessoran::platform
