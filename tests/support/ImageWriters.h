// SPDX-License-Identifier: Apache-2.0
#pragma once

// Image files for tests, written by the format libraries (libpng, TurboJPEG,
// libtiff, giflib) so that a reader gets what real encoders write; BMP, which
// has no writer library here, by hand. Writers throw std::runtime_error.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/Pdf417Encoder.h"

namespace tessoran_test {

std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);

// 32-bit ARGB pixels (alpha in the top byte), row by row from the top.
struct ArgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::size_t indexOf(int row, int column) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(column);
    }
    std::uint32_t at(int row, int column) const { return pixels[indexOf(row, column)]; }
    void set(int row, int column, std::uint32_t argb) { pixels[indexOf(row, column)] = argb; }
};

inline constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;
inline constexpr std::uint32_t kOpaqueWhite = 0xFFFFFFFFu;

ArgbImage solidImage(int width, int height, std::uint32_t argb);
ArgbImage argbFromGrid(const PixelGrid& grid);

// A PNG of rows as libpng takes them, filled one at a time by `rowAt`.
// `palette` is red, green, blue bytes an entry; `paletteAlpha`, one byte an
// entry, is a tRNS chunk when not empty.
struct PngForm {
    int bitDepth = 8;
    int colourType = 0;  // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
    bool interlaced = false;
    std::string palette{};
    std::string paletteAlpha{};
    int compressionLevel = 9;  // zlib's, 1 fastest to 9 smallest
};
std::string pngBytes(const PngForm& form, int width, int height,
                     const std::function<void(int, std::vector<std::uint8_t>&)>& rowAt);

// Grey is the red channel; a palette holds up to 256 colours, alpha included.
enum class PngLayout { Rgb8, Rgba8, Grey8, Palette8 };
void writePng(const std::string& path, const ArgbImage& image, PngLayout layout,
              int compressionLevel = 9);

// Grey is the colours' luminance; CMYK takes the pixels' bytes as its inks.
enum class JpegLayout { Colour, Grey, Cmyk };
enum class JpegCoding { Baseline, Progressive };
std::string jpegBytes(const ArgbImage& image, JpegLayout layout, int quality = 100,
                      JpegCoding coding = JpegCoding::Baseline);
inline void writeJpeg(const std::string& path, const ArgbImage& image, JpegLayout layout,
                      int quality = 100) {
    writeFileBytes(path, jpegBytes(image, layout, quality));
}

enum class TiffLayout { Rgb8, RgbaUnassociated8, Grey8 };
void writeTiff(const std::string& path, const ArgbImage& image, TiffLayout layout);

// Pixels of alpha 0 (one colour at most) become the transparent index.
struct GifLayout {
    bool localColourMap = false;
    bool interlaced = false;
};
void writeGif(const std::string& path, const ArgbImage& image, const GifLayout& layout = {});

// A BMP's information header: OS/2 1.x (12 bytes, 16-bit sizes, 3-byte
// palette entries), Windows (40), V4 and V5 (108, 124, masks inside), OS/2 2.x.
enum class BmpHeader { Core, Info, V2, V3, V4, V5, Os2 };
enum class BmpCompression { None, BitFields, AlphaBitFields };

// Depths up to 8 write a palette of the image's colours (alpha dropped), or
// only `paletteEntries` of them when not 0. 16 and 32 bits without
// compression are 5-5-5 and B, G, R, A bytes.
struct BmpLayout {
    int bitsPerPixel = 24;
    BmpHeader header = BmpHeader::Info;
    BmpCompression compression = BmpCompression::None;
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
    bool topDown = false;
    int paletteEntries = 0;
};
std::string bmpBytes(const ArgbImage& image, const BmpLayout& layout);
inline void writeBmp(const std::string& path, const ArgbImage& image, const BmpLayout& layout) {
    writeFileBytes(path, bmpBytes(image, layout));
}

void appendLittleEndian(std::string& out, std::uint32_t value, int bytes);
void appendPngChunk(std::string& out, const char* type, const std::string& data);
// A PNG signature and 8-bit grey header chunk, and nothing more.
std::string pngHeaderOnly(std::uint32_t width, std::uint32_t height);

}  // namespace tessoran_test
