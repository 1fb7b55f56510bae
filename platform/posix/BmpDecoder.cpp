#include <stb/stb_image.h>

#include <cstdint>
#include <cstdio>

#include "platform/posix/FormatDecoders.h"
#include "platform/posix/PixelLimit.h"

namespace ostrel2::tessoran::platform {

namespace {

class ReadFile {
  public:
    explicit ReadFile(const char* path) : file(std::fopen(path, "rb")) {}
    ~ReadFile() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;

    std::FILE* get() const { return file; }

  private:
    std::FILE* file;
};

class StbPixels {
  public:
    explicit StbPixels(stbi_uc* data) : pixels(data) {}
    ~StbPixels() { stbi_image_free(pixels); }
    StbPixels(const StbPixels&) = delete;
    StbPixels& operator=(const StbPixels&) = delete;

    const stbi_uc* get() const { return pixels; }

  private:
    stbi_uc* pixels;
};

std::uint32_t littleEndian(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

// stb_image reads past the end of a file as zero bytes, so that a truncated
// BMP would come out with its missing rows black. An uncompressed BMP's pixel
// data has a size known from its header; the file must hold all of it.
// (Compressed BMPs stb_image refuses by itself.)
bool holdsAllPixelData(std::FILE* file, std::uint64_t width, std::uint64_t height) {
    unsigned char header[34] = {};
    const long start = std::ftell(file);
    if (start < 0 || std::fread(header, 1, sizeof header, file) != sizeof header ||
        std::fseek(file, 0, SEEK_END) != 0) {
        return false;
    }
    const long fileSize = std::ftell(file);
    if (fileSize < 0 || std::fseek(file, start, SEEK_SET) != 0) {
        return false;
    }
    const std::uint64_t pixelOffset = littleEndian(header + 10, 4);
    const std::uint32_t headerSize = littleEndian(header + 14, 4);
    // The oldest header keeps 16-bit sizes and no compression field.
    const bool coreHeader = headerSize == 12;
    const std::uint64_t bitsPerPixel = littleEndian(header + (coreHeader ? 24 : 28), 2);
    const std::uint32_t compression = coreHeader ? 0 : littleEndian(header + 30, 4);
    constexpr std::uint32_t kUncompressed = 0;
    constexpr std::uint32_t kBitFields = 3;
    constexpr std::uint32_t kAlphaBitFields = 6;
    if (compression != kUncompressed && compression != kBitFields &&
        compression != kAlphaBitFields) {
        return true;
    }
    // Rows are padded to whole 32-bit words. Both sizes are under 2^28 here.
    const std::uint64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    return pixelOffset + rowBytes * height <= static_cast<std::uint64_t>(fileSize);
}

}  // namespace

// Only files that begin with "BM" come here. stb_image picks its loader from
// the content: such a file fails the signature checks of its other formats
// (the second byte, 'M', is no valid colour-map type for the one format
// without a signature), so its BMP loader is the only one that reads it.
bool decodeBmp(const char* path, Gdiplus::GpImage& image) {
    ReadFile file(path);
    if (file.get() == nullptr) {
        return false;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    // Reads the header alone and puts the file position back.
    if (stbi_info_from_file(file.get(), &width, &height, &channels) == 0 || width <= 0 ||
        height <= 0 ||
        !fitsPixelLimit(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height))) {
        return false;
    }
    if (!holdsAllPixelData(file.get(), static_cast<std::uint64_t>(width),
                           static_cast<std::uint64_t>(height))) {
        return false;
    }
    int loadedWidth = 0;
    int loadedHeight = 0;
    // Palettes and every bit depth come out as 8-bit R, G, B, A.
    const StbPixels rgba(
        stbi_load_from_file(file.get(), &loadedWidth, &loadedHeight, &channels, 4));
    if (rgba.get() == nullptr || loadedWidth != width || loadedHeight != height ||
        !allocatePixels(image, static_cast<std::uint64_t>(width),
                        static_cast<std::uint64_t>(height))) {
        return false;
    }
    const stbi_uc* source = rgba.get();
    for (std::uint32_t& pixel : image.pixels) {
        pixel = (static_cast<std::uint32_t>(source[3]) << 24) |
                (static_cast<std::uint32_t>(source[0]) << 16) |
                (static_cast<std::uint32_t>(source[1]) << 8) |
                static_cast<std::uint32_t>(source[2]);
        source += 4;
    }
    return true;
}

}  // namespace ostrel2::tessoran::platform
