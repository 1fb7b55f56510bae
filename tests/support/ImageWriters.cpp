// SPDX-License-Identifier: Apache-2.0
#include "support/ImageWriters.h"

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace tessoran_test {

namespace {

std::array<std::uint8_t, 4> rgbaOf(std::uint32_t argb) {
    return {static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
            static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 24)};
}

std::string bigEndian(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

// An image's distinct colours (under `colourMask`), and each pixel's index.
struct Palette {
    std::vector<std::uint32_t> colours;
    std::vector<std::uint8_t> indices;
};

Palette paletteOf(const ArgbImage& image, std::uint32_t colourMask) {
    Palette palette;
    for (const std::uint32_t pixel : image.pixels) {
        auto found = std::find(palette.colours.begin(), palette.colours.end(), pixel & colourMask);
        if (found == palette.colours.end()) {
            if (palette.colours.size() == 256) {
                throw std::runtime_error("more than 256 colours for a palette image");
            }
            found = palette.colours.insert(palette.colours.end(), pixel & colourMask);
        }
        palette.indices.push_back(static_cast<std::uint8_t>(found - palette.colours.begin()));
    }
    return palette;
}

using RowFill = std::function<void(int, std::vector<png_byte>&)>;

// Every libpng call below this setjmp, with nothing here to destroy.
bool pngWriteAll(png_structp png, png_infop info, std::string& out, const PngForm& form, int width,
                 int height, const RowFill& fill, std::vector<png_byte>& row) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_write_fn(
        png, &out,
        [](png_structp writing, png_bytep data, png_size_t length) {
            static_cast<std::string*>(png_get_io_ptr(writing))
                ->append(reinterpret_cast<const char*>(data), length);
        },
        [](png_structp) {});
    // Palette indices beyond the palette are written as they are: a reader
    // must cope with them.
    png_set_benign_errors(png, 1);
    png_set_compression_level(png, form.compressionLevel);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 form.bitDepth, form.colourType,
                 form.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!form.palette.empty()) {
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(form.palette.data()),
                     static_cast<int>(form.palette.size() / 3));
    }
    if (!form.paletteAlpha.empty()) {
        png_set_tRNS(png, info, reinterpret_cast<png_const_bytep>(form.paletteAlpha.data()),
                     static_cast<int>(form.paletteAlpha.size()), nullptr);
    }
    png_write_info(png, info);
    if (form.bitDepth < 8) {
        png_set_packing(png);
    }
    for (int pass = png_set_interlace_handling(png); pass > 0; --pass) {
        for (int y = 0; y < height; ++y) {
            fill(y, row);
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

std::string pngBytes(const PngForm& form, int width, int height, const RowFill& rowAt) {
    static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    std::vector<png_byte> row(static_cast<std::size_t>(width) * kChannels[form.colourType] *
                              (form.bitDepth == 16 ? 2 : 1));
    std::string out;
    png_structp png = png_create_write_struct(
        PNG_LIBPNG_VER_STRING, nullptr,
        [](png_structp failed, png_const_charp) { png_longjmp(failed, 1); },
        [](png_structp, png_const_charp) {});
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    const bool written =
        info != nullptr && pngWriteAll(png, info, out, form, width, height, rowAt, row);
    png_destroy_write_struct(&png, &info);
    if (!written) {
        throw std::runtime_error("libpng could not write the image");
    }
    return out;
}

ArgbImage solidImage(int width, int height, std::uint32_t argb) {
    return {width, height,
            std::vector<std::uint32_t>(
                static_cast<std::size_t>(width) * static_cast<std::size_t>(height), argb)};
}

ArgbImage argbFromGrid(const PixelGrid& grid) {
    ArgbImage image = solidImage(grid.width, grid.height, kOpaqueWhite);
    for (std::size_t i = 0; i < grid.dark.size(); ++i) {
        image.pixels[i] = grid.dark[i] != 0 ? kOpaqueBlack : kOpaqueWhite;
    }
    return image;
}

void writePng(const std::string& path, const ArgbImage& image, PngLayout layout,
              int compressionLevel) {
    static constexpr int kColourTypes[] = {2, 6, 0, 3};
    static constexpr std::size_t kSamples[] = {3, 4, 1, 0};
    PngForm form{.colourType = kColourTypes[static_cast<int>(layout)],
                 .compressionLevel = compressionLevel};
    const bool paletted = layout == PngLayout::Palette8;
    const Palette palette = paletted ? paletteOf(image, 0xFFFFFFFFu) : Palette{};
    for (const std::uint32_t colour : palette.colours) {
        const auto [red, green, blue, alpha] = rgbaOf(colour);
        form.palette += {static_cast<char>(red), static_cast<char>(green), static_cast<char>(blue)};
        form.paletteAlpha.push_back(static_cast<char>(alpha));
    }
    const auto rowAt = [&](int y, std::vector<std::uint8_t>& row) {
        row.clear();
        for (int x = 0; x < image.width; ++x) {
            const auto channels = rgbaOf(image.at(y, x));
            if (paletted) {
                row.push_back(palette.indices[image.indexOf(y, x)]);
            }
            row.insert(row.end(), channels.begin(),
                       channels.begin() + kSamples[static_cast<int>(layout)]);
        }
    };
    writeFileBytes(path, pngBytes(form, image.width, image.height, rowAt));
}

std::string jpegBytes(const ArgbImage& image, JpegLayout layout, int quality, JpegCoding coding) {
    // The pixel words as bytes: blue, green, red, alpha on a little-endian
    // machine. Grey is their luminance; CMYK takes the bytes as its inks.
    const int words = std::endian::native == std::endian::little ? TJPF_BGRA : TJPF_ARGB;
    const std::unique_ptr<void, int (*)(tjhandle)> compressor(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const bool compressed =
        compressor != nullptr &&
        tjCompress2(compressor.get(), reinterpret_cast<const unsigned char*>(image.pixels.data()),
                    image.width, 0, image.height, layout == JpegLayout::Cmyk ? TJPF_CMYK : words,
                    &jpeg, &jpegSize, layout == JpegLayout::Grey ? TJSAMP_GRAY : TJSAMP_444,
                    quality, coding == JpegCoding::Progressive ? TJFLAG_PROGRESSIVE : 0) == 0;
    const std::string bytes =
        compressed ? std::string(reinterpret_cast<char*>(jpeg), jpegSize) : "";
    tjFree(jpeg);
    if (!compressed) {
        throw std::runtime_error("JPEG compression failed");
    }
    return bytes;
}

void writeTiff(const std::string& path, const ArgbImage& image, TiffLayout layout) {
    const std::unique_ptr<TIFF, void (*)(TIFF*)> file(TIFFOpen(path.c_str(), "w"), TIFFClose);
    TIFF* tiff = file.get();
    if (tiff == nullptr) {
        throw std::runtime_error("cannot create " + path);
    }
    const bool grey = layout == TiffLayout::Grey8;
    const bool alpha = layout == TiffLayout::RgbaUnassociated8;
    const auto channels = static_cast<std::uint16_t>(grey ? 1 : alpha ? 4 : 3);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    if (alpha) {
        const std::uint16_t kinds[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, std::uint16_t{1}, kinds);
    }
    std::vector<std::uint8_t> line;
    for (int row = 0; row < image.height; ++row) {
        line.clear();
        for (int column = 0; column < image.width; ++column) {
            const auto all = rgbaOf(image.at(row, column));
            line.insert(line.end(), all.begin(), all.begin() + channels);
        }
        if (TIFFWriteScanline(tiff, line.data(), static_cast<std::uint32_t>(row), 0) != 1) {
            throw std::runtime_error("cannot write " + path);
        }
    }
}

void writeGif(const std::string& path, const ArgbImage& image, const GifLayout& layout) {
    Palette palette = paletteOf(image, 0x00FFFFFFu);
    ColorMapObject* colourMap =
        GifMakeMapObject(1 << GifBitSize(static_cast<int>(palette.colours.size())), nullptr);
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (gif == nullptr || colourMap == nullptr) {
        GifFreeMapObject(colourMap);
        throw std::runtime_error("cannot create " + path);
    }
    for (std::size_t i = 0; i < palette.colours.size(); ++i) {
        const auto [red, green, blue, alpha] = rgbaOf(palette.colours[i]);
        colourMap->Colors[i] = {red, green, blue};
    }
    EGifSetGifVersion(gif, true);
    bool written = EGifPutScreenDesc(gif, image.width, image.height, 8, 0,
                                     layout.localColourMap ? nullptr : colourMap) == GIF_OK;
    const auto transparent = std::find_if(image.pixels.begin(), image.pixels.end(),
                                          [](std::uint32_t pixel) { return pixel >> 24 == 0; });
    if (written && transparent != image.pixels.end()) {
        GraphicsControlBlock control{};
        control.TransparentColor = palette.indices[transparent - image.pixels.begin()];
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&control, extension);
        written = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                                   extension) == GIF_OK;
    }
    written = written && EGifPutImageDesc(gif, 0, 0, image.width, image.height, layout.interlaced,
                                          layout.localColourMap ? colourMap : nullptr) == GIF_OK;
    // An interlaced frame is stored in four passes: every eighth row from 0,
    // every eighth from 4, every fourth from 2, every second from 1.
    for (const auto& [first, step] :
         layout.interlaced ? std::vector<std::pair<int, int>>{{0, 8}, {4, 8}, {2, 4}, {1, 2}}
                           : std::vector<std::pair<int, int>>{{0, 1}}) {
        for (int row = first; row < image.height && written; row += step) {
            written =
                EGifPutLine(gif, &palette.indices[image.indexOf(row, 0)], image.width) == GIF_OK;
        }
    }
    written = EGifCloseFile(gif, &error) == GIF_OK && written;
    GifFreeMapObject(colourMap);
    if (!written) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string bmpBytes(const ArgbImage& image, const BmpLayout& layout) {
    const int depth = layout.bitsPerPixel;
    const bool paletted = depth <= 8;
    const bool core = layout.header == BmpHeader::Core;
    const bool compressed = layout.compression != BmpCompression::None;
    const Palette palette = paletted ? paletteOf(image, 0x00FFFFFFu) : Palette{};
    const auto entries = static_cast<std::uint32_t>(
        layout.paletteEntries != 0 ? layout.paletteEntries : std::ssize(palette.colours));
    const std::uint32_t entryBytes = core ? 3 : 4;
    static constexpr std::uint32_t kHeaderBytes[] = {12, 40, 52, 56, 108, 124, 64};
    const std::uint32_t header = kHeaderBytes[static_cast<int>(layout.header)];
    // A Windows header keeps its masks after it: three, or four with alpha.
    static constexpr std::uint32_t kMasksAfterInfo[] = {0, 3, 4};
    const std::uint32_t masksAfter = layout.header == BmpHeader::Info
                                         ? kMasksAfterInfo[static_cast<int>(layout.compression)]
                                         : 0;
    const auto rowBytes = static_cast<std::uint32_t>((image.width * depth + 31) / 32 * 4);
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.height);
    const std::uint32_t pixelOffset = 14 + header + 4 * masksAfter + entries * entryBytes;

    std::string file = "BM";
    for (const std::uint32_t field : {pixelOffset + pixelBytes, 0u, pixelOffset, header}) {
        appendLittleEndian(file, field, 4);
    }
    const auto height = static_cast<std::uint32_t>(layout.topDown ? -image.height : image.height);
    appendLittleEndian(file, static_cast<std::uint32_t>(image.width), core ? 2 : 4);
    appendLittleEndian(file, height, core ? 2 : 4);
    appendLittleEndian(file, 1u | static_cast<std::uint32_t>(depth) << 16, 4);  // planes, depth
    if (!core) {
        static constexpr std::uint32_t kCompression[] = {0, 3, 6};
        for (const std::uint32_t field : {kCompression[static_cast<int>(layout.compression)],
                                          pixelBytes, 2835u, 2835u, paletted ? entries : 0u, 0u}) {
            appendLittleEndian(file, field, 4);
        }
        // Later headers hold the masks themselves, as many as they have room for.
        if (layout.header != BmpHeader::Info && layout.header != BmpHeader::Os2) {
            for (const std::uint32_t mask : layout.masks) {
                appendLittleEndian(file, mask, 4);
            }
            appendLittleEndian(file, 0x73524742, 4);  // sRGB
        }
    }
    file.resize(14 + header, '\0');  // colour space end points, OS/2 fields: all 0
    for (std::size_t i = 0; i < masksAfter; ++i) {
        appendLittleEndian(file, layout.masks[i], 4);
    }
    for (std::size_t i = 0; i < entries; ++i) {
        appendLittleEndian(file, i < palette.colours.size() ? palette.colours[i] : 0,
                           static_cast<int>(entryBytes));
    }
    // Without compression 16 bits are 5-5-5, 24 and 32 the pixel words' bytes.
    const std::array<std::uint32_t, 4> masks =
        compressed    ? layout.masks
        : depth == 16 ? std::array<std::uint32_t, 4>{0x7C00, 0x3E0, 0x1F, 0}
                      : std::array<std::uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    for (int step = 0; step < image.height; ++step) {
        const int row = layout.topDown ? step : image.height - 1 - step;
        std::string line;
        std::uint32_t bits = 0;
        for (int column = 0; column < image.width; ++column) {
            // Each channel to its mask's width: its top bits, or the whole of
            // it followed by zero bits when the mask is wider.
            const auto channels = rgbaOf(image.at(row, column));
            std::uint32_t value = paletted ? palette.indices[image.indexOf(row, column)] : 0;
            for (std::size_t i = 0; i < 4 && !paletted; ++i) {
                const int width = std::popcount(masks[i]);
                const std::uint32_t field = width >= 8 ? std::uint32_t{channels[i]} << (width - 8)
                                                       : channels[i] >> (8 - width);
                value |= masks[i] == 0 ? 0 : field << std::countr_zero(masks[i]);
            }
            if (depth >= 8) {
                appendLittleEndian(line, value, depth / 8);
            } else if (bits = bits << depth | value; (column + 1) * depth % 8 == 0) {
                line.push_back(static_cast<char>(bits));
                bits = 0;
            }
        }
        if (depth < 8 && image.width * depth % 8 != 0) {
            line.push_back(static_cast<char>(bits << (8 - image.width * depth % 8)));
        }
        line.resize(rowBytes, '\0');
        file += line;
    }
    return file;
}

std::string readFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

void appendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void appendPngChunk(std::string& out, const char* type, const std::string& data) {
    const std::string typed = std::string(type, 4) + data;
    out += bigEndian(static_cast<std::uint32_t>(data.size())) + typed +
           bigEndian(static_cast<std::uint32_t>(crc32(
               0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

std::string pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    std::string file = "\x89PNG\r\n\x1A\n";
    // 8-bit grey, not interlaced.
    appendPngChunk(file, "IHDR",
                   bigEndian(width) + bigEndian(height) + std::string("\x08\x00\x00\x00\x00", 5));
    return file;
}

}  // namespace tessoran_test
