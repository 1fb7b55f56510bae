#pragma once

// Writers of small image files in every format the program reads, in the
// layouts that matter to a reader: palettes with transparency, grey, 16-bit.
// Each writes the file at `path` and throws std::runtime_error on failure.

#include <cstdint>
#include <string>
#include <vector>

#include "support/Pdf417Encoder.h"

namespace tessoran_test {

// Pixels as 32-bit ARGB (alpha in the top byte, then red, green, blue), row by
// row from the top.
struct ArgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int row, int column) const {
        return pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(column)];
    }
    void set(int row, int column, std::uint32_t argb) {
        pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(column)] = argb;
    }
};

inline constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;
inline constexpr std::uint32_t kOpaqueWhite = 0xFFFFFFFFu;

ArgbImage solidImage(int width, int height, std::uint32_t argb);
// Dark pixels opaque black, light ones opaque white.
ArgbImage argbFromGrid(const PixelGrid& grid);

// Layouts that store one grey level take it from the red channel; palette
// layouts take up to 256 distinct colours (alpha included).
enum class PngLayout { Rgb8, Rgba8, Grey8, GreyAlpha8, Palette8, Rgb16, Rgba16, Grey16 };
// zlib's `compressionLevel` (1 fastest to 9 smallest): noisy pictures take
// long at 9.
void writePng(const std::string& path, const ArgbImage& image, PngLayout layout,
              int compressionLevel = 9);

enum class JpegLayout { Colour, Grey, Cmyk };
void writeJpeg(const std::string& path, const ArgbImage& image, JpegLayout layout,
               int quality = 100);

enum class TiffLayout { Rgb8, RgbaUnassociated8, Grey8, Palette8, Rgb16 };
void writeTiff(const std::string& path, const ArgbImage& image, TiffLayout layout);

// Where the one frame sits on the logical screen. A screen size of 0 means the
// image's own; pixels of alpha 0 (one colour at most) become the transparent
// index.
struct GifLayout {
    int screenWidth = 0;
    int screenHeight = 0;
    int left = 0;
    int top = 0;
    bool localColourMap = false;
    bool interlaced = false;
};
void writeGif(const std::string& path, const ArgbImage& image, const GifLayout& layout = {});

enum class BmpLayout { Rgb24, Palette8 };
void writeBmp(const std::string& path, const ArgbImage& image, BmpLayout layout);

std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);

// Byte-level pieces for hand-made files.
void appendBigEndian32(std::string& out, std::uint32_t value);
void appendLittleEndian(std::string& out, std::uint32_t value, int bytes);
// A PNG chunk: length, type, data and CRC.
void appendPngChunk(std::string& out, const char* type, const std::string& data);

// Files that declare width x height pixels in their header and hold no pixel
// data: a PNG of 8-bit grey (signature and header chunk only), and a 24-bit
// BMP (file and information headers, then 64 bytes of nothing).
std::string pngHeaderOnly(std::uint32_t width, std::uint32_t height);
std::string bmpHeaderOnly(std::uint32_t width, std::uint32_t height);

}  // namespace tessoran_test
