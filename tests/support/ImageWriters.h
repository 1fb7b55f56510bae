#pragma once

// Image files for tests, written by the format libraries themselves (libpng,
// TurboJPEG, libtiff, giflib), so that what a reader is given is what real
// encoders write. BMP has no writer library here and is written by hand, as
// are the damaged or hostile files that no library writes. Writers throw
// std::runtime_error on failure.

#include <array>
#include <cstdint>
#include <functional>
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

// A PNG as libpng writes it from raw samples: `samples` holds each pixel's
// channels in the colour type's order (one for grey or a palette index), each
// of `bitDepth` bits, row by row. `palette` is red, green, blue bytes a
// colour, `paletteAlpha` one byte an entry (a tRNS chunk when not empty);
// a `gamma` of 0 writes no gAMA chunk.
struct PngForm {
    int bitDepth = 8;
    int colourType = 0;  // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
    bool interlaced = false;
    std::string palette{};
    std::string paletteAlpha{};
    double gamma = 0;
    bool srgbChunk = false;
    int compressionLevel = 9;
};
std::string pngBytes(const PngForm& form, int width, int height,
                     const std::vector<std::uint16_t>& samples);

// Grey takes its level from the red channel; a palette takes up to 256
// distinct colours (alpha included).
enum class PngLayout { Rgb8, Rgba8, Grey8, Palette8 };
// zlib's `compressionLevel` (1 fastest to 9 smallest): noisy pictures take
// long at 9.
void writePng(const std::string& path, const ArgbImage& image, PngLayout layout,
              int compressionLevel = 9);
// An 8-bit grey PNG whose rows `rowAt` fills one at a time, so that a large
// picture is never held whole in memory.
void writeGreyPngByRows(const std::string& path, int width, int height,
                        const std::function<void(int, std::vector<std::uint8_t>&)>& rowAt);

enum class JpegLayout { Colour, Grey, Cmyk };
// Progressive files are written in libjpeg's usual scans.
enum class JpegCoding { Baseline, Progressive };
void writeJpeg(const std::string& path, const ArgbImage& image, JpegLayout layout,
               int quality = 100, JpegCoding coding = JpegCoding::Baseline);
std::string jpegBytes(const ArgbImage& image, JpegLayout layout, int quality = 100,
                      JpegCoding coding = JpegCoding::Baseline);

enum class TiffLayout { Rgb8, RgbaUnassociated8, Grey8 };
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

// The information header a BMP starts with: OS/2 1.x (12 bytes, 16-bit sizes,
// 3-byte palette entries), Windows (40), its V4 and V5 extensions (108, 124,
// with the masks inside) and OS/2 2.x (64).
enum class BmpHeader { Core, Info, V4, V5, Os2 };
enum class BmpCompression { None, BitFields, AlphaBitFields };

// Depths of 1, 4 and 8 bits write a palette of the image's colours (alpha
// dropped); `paletteEntries`, when not 0, writes only that many entries, so
// that indices beyond them remain. 16 and 32 bits without compression are
// 5-5-5 and B, G, R, A bytes; with it, each channel is written to its mask's
// width from its top bits, or filled with zero bits below them when the mask
// is wider.
struct BmpLayout {
    int bitsPerPixel = 24;
    BmpHeader header = BmpHeader::Info;
    BmpCompression compression = BmpCompression::None;
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
    bool topDown = false;
    int paletteEntries = 0;

    static const BmpLayout Rgb24;
};
inline constexpr BmpLayout BmpLayout::Rgb24{};
void writeBmp(const std::string& path, const ArgbImage& image, const BmpLayout& layout);
std::string bmpBytes(const ArgbImage& image, const BmpLayout& layout);

std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);

void appendLittleEndian(std::string& out, std::uint32_t value, int bytes);
// A PNG chunk: length, type, data and CRC.
void appendPngChunk(std::string& out, const char* type, const std::string& data);

// A PNG of 8-bit grey that declares width x height pixels and holds only its
// signature and header chunk.
std::string pngHeaderOnly(std::uint32_t width, std::uint32_t height);
// A progressive colour JPEG of 8 x 8 pixels whose frame header states
// width x height (each below 65536): its scans hold far too little for that.
std::string progressiveJpegDeclaring(std::uint32_t width, std::uint32_t height);

}  // namespace tessoran_test
