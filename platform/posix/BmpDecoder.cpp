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
