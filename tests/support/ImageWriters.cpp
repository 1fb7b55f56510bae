#include "support/ImageWriters.h"

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tessoran_test {

namespace {

std::uint8_t alphaOf(std::uint32_t argb) {
    return static_cast<std::uint8_t>(argb >> 24);
}
std::uint8_t redOf(std::uint32_t argb) {
    return static_cast<std::uint8_t>(argb >> 16);
}
std::uint8_t greenOf(std::uint32_t argb) {
    return static_cast<std::uint8_t>(argb >> 8);
}
std::uint8_t blueOf(std::uint32_t argb) {
    return static_cast<std::uint8_t>(argb);
}

// The distinct colours of an image (under `colourMask`) in order of first
// appearance, and each pixel's index among them.
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

// Where libpng's bytes go: a string in memory or a file.
struct PngSink {
    std::string bytes;
    std::FILE* file = nullptr;
};

[[noreturn]] void pngFailed(png_structp png, png_const_charp /*message*/) {
    png_longjmp(png, 1);
}
void pngWarned(png_structp /*png*/, png_const_charp /*message*/) {}
void pngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto& sink = *static_cast<PngSink*>(png_get_io_ptr(png));
    if (sink.file == nullptr) {
        sink.bytes.append(reinterpret_cast<const char*>(data), length);
    } else if (std::fwrite(data, 1, length, sink.file) != length) {
        png_error(png, "write failed");
    }
}
void pngFlush(png_structp /*png*/) {}

using RowFill = std::function<void(int, std::vector<png_byte>&)>;

// Every libpng call of a write below this setjmp; nothing here needs
// destroying.
bool pngWriteAll(png_structp png, png_infop info, PngSink& sink, const PngForm& form, int width,
                 int height, const RowFill& fill, std::vector<png_byte>& row) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_write_fn(png, &sink, pngWrite, pngFlush);
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
    if (form.gamma != 0) {
        png_set_gAMA(png, info, form.gamma);
    }
    if (form.srgbChunk) {
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    }
    png_write_info(png, info);
    if (form.bitDepth < 8) {
        png_set_packing(png);
    }
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            fill(y, row);
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    return true;
}

void writeWithLibpng(PngSink& sink, const PngForm& form, int width, int height,
                     const RowFill& fill) {
    static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    std::vector<png_byte> row(static_cast<std::size_t>(width) * kChannels[form.colourType] *
                              (form.bitDepth == 16 ? 2 : 1));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFailed, pngWarned);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    const bool written =
        info != nullptr && pngWriteAll(png, info, sink, form, width, height, fill, row);
    png_destroy_write_struct(&png, &info);
    if (!written) {
        throw std::runtime_error("libpng could not write the image");
    }
}

}  // namespace

ArgbImage solidImage(int width, int height, std::uint32_t argb) {
    ArgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), argb);
    return image;
}

ArgbImage argbFromGrid(const PixelGrid& grid) {
    ArgbImage image = solidImage(grid.width, grid.height, kOpaqueWhite);
    for (std::size_t i = 0; i < grid.dark.size(); ++i) {
        if (grid.dark[i] != 0) {
            image.pixels[i] = kOpaqueBlack;
        }
    }
    return image;
}

std::string pngBytes(const PngForm& form, int width, int height,
                     const std::vector<std::uint16_t>& samples) {
    const std::size_t perRow = samples.size() / static_cast<std::size_t>(height);
    PngSink sink;
    writeWithLibpng(sink, form, width, height, [&](int y, std::vector<png_byte>& row) {
        for (std::size_t i = 0; i < perRow; ++i) {
            const std::uint16_t sample = samples[static_cast<std::size_t>(y) * perRow + i];
            if (form.bitDepth == 16) {
                row[2 * i] = static_cast<png_byte>(sample >> 8);
                row[2 * i + 1] = static_cast<png_byte>(sample);
            } else {
                row[i] = static_cast<png_byte>(sample);
            }
        }
    });
    return sink.bytes;
}

void writePng(const std::string& path, const ArgbImage& image, PngLayout layout,
              int compressionLevel) {
    static constexpr int kColourTypes[] = {2, 6, 0, 3};
    PngForm form{.colourType = kColourTypes[static_cast<int>(layout)],
                 .compressionLevel = compressionLevel};
    const Palette palette =
        layout == PngLayout::Palette8 ? paletteOf(image, 0xFFFFFFFFu) : Palette{};
    for (const std::uint32_t colour : palette.colours) {
        form.palette += {static_cast<char>(redOf(colour)), static_cast<char>(greenOf(colour)),
                         static_cast<char>(blueOf(colour))};
        form.paletteAlpha.push_back(static_cast<char>(alphaOf(colour)));
    }
    if (form.paletteAlpha.find_first_not_of('\xFF') == std::string::npos) {
        form.paletteAlpha.clear();
    }
    std::vector<std::uint16_t> samples;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const std::uint32_t pixel = image.pixels[i];
        const std::uint16_t all[] = {redOf(pixel), greenOf(pixel), blueOf(pixel), alphaOf(pixel)};
        switch (layout) {
            case PngLayout::Palette8:
                samples.push_back(palette.indices[i]);
                break;
            case PngLayout::Grey8:
                samples.push_back(all[0]);
                break;
            default:
                samples.insert(samples.end(), all, all + (layout == PngLayout::Rgb8 ? 3 : 4));
                break;
        }
    }
    writeFileBytes(path, pngBytes(form, image.width, image.height, samples));
}

void writeGreyPngByRows(const std::string& path, int width, int height,
                        const std::function<void(int, std::vector<std::uint8_t>&)>& rowAt) {
    PngSink sink;
    sink.file = std::fopen(path.c_str(), "wb");
    if (sink.file == nullptr) {
        throw std::runtime_error("cannot create " + path);
    }
    PngForm form;
    form.compressionLevel = 1;
    try {
        writeWithLibpng(sink, form, width, height, rowAt);
    } catch (...) {
        std::fclose(sink.file);
        throw;
    }
    if (std::fclose(sink.file) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
}

void writeJpeg(const std::string& path, const ArgbImage& image, JpegLayout layout, int quality,
               JpegCoding coding) {
    writeFileBytes(path, jpegBytes(image, layout, quality, coding));
}

std::string jpegBytes(const ArgbImage& image, JpegLayout layout, int quality, JpegCoding coding) {
    std::vector<unsigned char> samples;
    for (const std::uint32_t pixel : image.pixels) {
        const std::uint8_t key = static_cast<std::uint8_t>(
            255 - std::max({redOf(pixel), greenOf(pixel), blueOf(pixel)}));
        switch (layout) {
            case JpegLayout::Colour:
                samples.insert(samples.end(), {redOf(pixel), greenOf(pixel), blueOf(pixel)});
                break;
            case JpegLayout::Grey:
                samples.push_back(redOf(pixel));
                break;
            case JpegLayout::Cmyk:
                samples.insert(samples.end(),
                               {static_cast<unsigned char>(255 - redOf(pixel) - key),
                                static_cast<unsigned char>(255 - greenOf(pixel) - key),
                                static_cast<unsigned char>(255 - blueOf(pixel) - key), key});
                break;
        }
    }
    const int pixelFormat = layout == JpegLayout::Colour ? TJPF_RGB
                            : layout == JpegLayout::Grey ? TJPF_GRAY
                                                         : TJPF_CMYK;
    tjhandle compressor = tjInitCompress();
    if (compressor == nullptr) {
        throw std::runtime_error("TurboJPEG compressor unavailable");
    }
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int status =
        tjCompress2(compressor, samples.data(), image.width, 0, image.height, pixelFormat, &jpeg,
                    &jpegSize, layout == JpegLayout::Grey ? TJSAMP_GRAY : TJSAMP_444, quality,
                    coding == JpegCoding::Progressive ? TJFLAG_PROGRESSIVE : 0);
    tjDestroy(compressor);
    const std::string bytes =
        status == 0 ? std::string(reinterpret_cast<const char*>(jpeg), jpegSize) : std::string();
    tjFree(jpeg);
    if (status != 0) {
        throw std::runtime_error("JPEG compression failed");
    }
    return bytes;
}

void writeTiff(const std::string& path, const ArgbImage& image, TiffLayout layout) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr) {
        throw std::runtime_error("cannot create " + path);
    }
    const bool grey = layout == TiffLayout::Grey8;
    const bool alpha = layout == TiffLayout::RgbaUnassociated8;
    const auto channels = static_cast<std::uint16_t>(grey ? 1 : alpha ? 4 : 3);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, std::uint16_t{8});
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, std::uint16_t{PLANARCONFIG_CONTIG});
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                 static_cast<std::uint16_t>(grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB));
    if (alpha) {
        const std::uint16_t kinds[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, std::uint16_t{1}, kinds);
    }
    bool written = true;
    std::vector<std::uint8_t> line;
    for (int row = 0; row < image.height && written; ++row) {
        line.clear();
        for (int column = 0; column < image.width; ++column) {
            const std::uint32_t pixel = image.at(row, column);
            const std::uint8_t all[] = {redOf(pixel), greenOf(pixel), blueOf(pixel),
                                        alphaOf(pixel)};
            line.insert(line.end(), all, all + channels);
        }
        written = TIFFWriteScanline(tiff, line.data(), static_cast<std::uint32_t>(row), 0) == 1;
    }
    TIFFClose(tiff);
    if (!written) {
        throw std::runtime_error("cannot write " + path);
    }
}

void writeGif(const std::string& path, const ArgbImage& image, const GifLayout& layout) {
    const Palette palette = paletteOf(image, 0x00FFFFFFu);
    int transparentIndex = NO_TRANSPARENT_COLOR;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        if (alphaOf(image.pixels[i]) == 0) {
            transparentIndex = palette.indices[i];
        }
    }
    const int mapSize = 1 << GifBitSize(static_cast<int>(palette.colours.size()));
    std::vector<GifColorType> entries(static_cast<std::size_t>(mapSize), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.colours.size(); ++i) {
        entries[i] = {redOf(palette.colours[i]), greenOf(palette.colours[i]),
                      blueOf(palette.colours[i])};
    }
    ColorMapObject* colourMap = GifMakeMapObject(mapSize, entries.data());
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (gif == nullptr || colourMap == nullptr) {
        GifFreeMapObject(colourMap);
        throw std::runtime_error("cannot create " + path);
    }
    EGifSetGifVersion(gif, true);
    bool written =
        EGifPutScreenDesc(gif, layout.screenWidth != 0 ? layout.screenWidth : image.width,
                          layout.screenHeight != 0 ? layout.screenHeight : image.height, 8, 0,
                          layout.localColourMap ? nullptr : colourMap) == GIF_OK;
    if (written && transparentIndex != NO_TRANSPARENT_COLOR) {
        GraphicsControlBlock control{};
        control.TransparentColor = transparentIndex;
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&control, extension);
        written = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                                   extension) == GIF_OK;
    }
    written = written && EGifPutImageDesc(gif, layout.left, layout.top, image.width, image.height,
                                          layout.interlaced,
                                          layout.localColourMap ? colourMap : nullptr) == GIF_OK;
    // An interlaced frame is stored in four passes: every eighth row from 0,
    // every eighth from 4, every fourth from 2, every second from 1.
    for (const auto& [first, step] :
         layout.interlaced ? std::vector<std::pair<int, int>>{{0, 8}, {4, 8}, {2, 4}, {1, 2}}
                           : std::vector<std::pair<int, int>>{{0, 1}}) {
        for (int row = first; row < image.height && written; row += step) {
            std::vector<GifPixelType> line(
                palette.indices.begin() + static_cast<std::ptrdiff_t>(row) * image.width,
                palette.indices.begin() + static_cast<std::ptrdiff_t>(row + 1) * image.width);
            written = EGifPutLine(gif, line.data(), image.width) == GIF_OK;
        }
    }
    written = EGifCloseFile(gif, &error) == GIF_OK && written;
    GifFreeMapObject(colourMap);
    if (!written) {
        throw std::runtime_error("cannot write " + path);
    }
}

namespace {

// A channel written to a mask's width: its top bits, or the whole of it
// followed by zero bits when the mask is wider.
std::uint32_t maskedChannel(std::uint8_t value, std::uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int bits = std::popcount(mask);
    const std::uint32_t field =
        bits >= 8 ? std::uint32_t{value} << (bits - 8) : std::uint32_t{value} >> (8 - bits);
    return field << std::countr_zero(mask);
}

}  // namespace

std::string bmpBytes(const ArgbImage& image, const BmpLayout& layout) {
    const int depth = layout.bitsPerPixel;
    const bool paletted = depth <= 8;
    const bool core = layout.header == BmpHeader::Core;
    const Palette palette = paletted ? paletteOf(image, 0x00FFFFFFu) : Palette{};
    const std::size_t entries = layout.paletteEntries != 0
                                    ? static_cast<std::size_t>(layout.paletteEntries)
                                    : palette.colours.size();
    const std::uint32_t entryBytes = core ? 3 : 4;
    static constexpr std::uint32_t kHeaderBytes[] = {12, 40, 108, 124, 64};
    const std::uint32_t header = kHeaderBytes[static_cast<int>(layout.header)];
    const bool compressed = layout.compression != BmpCompression::None;
    const bool masksAfterHeader = compressed && layout.header == BmpHeader::Info;
    const std::uint32_t maskBytes =
        masksAfterHeader ? (layout.compression == BmpCompression::AlphaBitFields ? 16 : 12) : 0;
    const auto rowBytes = static_cast<std::uint32_t>((image.width * depth + 31) / 32 * 4);
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.height);
    const std::uint32_t pixelOffset =
        14 + header + maskBytes + static_cast<std::uint32_t>(entries) * entryBytes;

    std::string file = "BM";
    appendLittleEndian(file, pixelOffset + pixelBytes, 4);
    appendLittleEndian(file, 0, 4);
    appendLittleEndian(file, pixelOffset, 4);
    std::string info;
    appendLittleEndian(info, header, 4);
    appendLittleEndian(info, static_cast<std::uint32_t>(image.width), core ? 2 : 4);
    appendLittleEndian(info,
                       static_cast<std::uint32_t>(layout.topDown ? -image.height : image.height),
                       core ? 2 : 4);
    appendLittleEndian(info, 1, 2);
    appendLittleEndian(info, static_cast<std::uint32_t>(depth), 2);
    if (!core) {
        static constexpr std::uint32_t kCompression[] = {0, 3, 6};
        appendLittleEndian(info, kCompression[static_cast<int>(layout.compression)], 4);
        appendLittleEndian(info, pixelBytes, 4);
        appendLittleEndian(info, 2835, 4);
        appendLittleEndian(info, 2835, 4);
        appendLittleEndian(info, paletted ? static_cast<std::uint32_t>(entries) : 0, 4);
        appendLittleEndian(info, 0, 4);
        if (layout.header == BmpHeader::V4 || layout.header == BmpHeader::V5) {
            for (const std::uint32_t mask : layout.masks) {
                appendLittleEndian(info, mask, 4);
            }
            appendLittleEndian(info, 0x73524742, 4);  // sRGB
        }
    }
    info.resize(header, '\0');  // colour space end points, OS/2 fields: all 0
    file += info;
    for (std::size_t i = 0; i < maskBytes / 4; ++i) {
        appendLittleEndian(file, layout.masks[i], 4);
    }
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint32_t colour = i < palette.colours.size() ? palette.colours[i] : 0;
        appendLittleEndian(file, colour, static_cast<int>(entryBytes));
    }
    for (int step = 0; step < image.height; ++step) {
        const int row = layout.topDown ? step : image.height - 1 - step;
        std::string line;
        std::uint32_t bits = 0;
        int bitCount = 0;
        for (int column = 0; column < image.width; ++column) {
            const std::uint32_t pixel = image.at(row, column);
            if (paletted) {
                bits = bits << depth |
                       palette.indices[static_cast<std::size_t>(row) * image.width + column];
                bitCount += depth;
                if (bitCount == 8) {
                    line.push_back(static_cast<char>(bits));
                    bits = 0;
                    bitCount = 0;
                }
            } else if (depth == 24 || (depth == 32 && !compressed)) {
                appendLittleEndian(line, pixel, depth / 8);
            } else {
                // Without compression 16 bits are 5-5-5.
                const std::array<std::uint32_t, 4> masks =
                    compressed ? layout.masks
                               : std::array<std::uint32_t, 4>{0x7C00, 0x3E0, 0x1F, 0};
                const std::uint8_t channels[] = {redOf(pixel), greenOf(pixel), blueOf(pixel),
                                                 alphaOf(pixel)};
                std::uint32_t value = 0;
                for (std::size_t i = 0; i < 4; ++i) {
                    value |= maskedChannel(channels[i], masks[i]);
                }
                appendLittleEndian(line, value, depth / 8);
            }
        }
        if (bitCount > 0) {
            line.push_back(static_cast<char>(bits << (8 - bitCount)));
        }
        line.resize(rowBytes, '\0');
        file += line;
    }
    return file;
}

void writeBmp(const std::string& path, const ArgbImage& image, const BmpLayout& layout) {
    writeFileBytes(path, bmpBytes(image, layout));
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
    const auto appendBigEndian = [&out](std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<char>((value >> shift) & 0xFF));
        }
    };
    appendBigEndian(static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    appendBigEndian(static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

std::string pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    std::string header;
    for (const std::uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            header.push_back(static_cast<char>((value >> shift) & 0xFF));
        }
    }
    header += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit grey, not interlaced
    std::string file = "\x89PNG\r\n\x1A\n";
    appendPngChunk(file, "IHDR", header);
    return file;
}

std::string progressiveJpegDeclaring(std::uint32_t width, std::uint32_t height) {
    std::string jpeg =
        jpegBytes(solidImage(8, 8, 0xFF808080u), JpegLayout::Colour, 100, JpegCoding::Progressive);
    // The progressive frame header: marker, length, precision, height, width.
    const std::size_t frame = jpeg.find("\xFF\xC2");
    if (frame == std::string::npos) {
        throw std::runtime_error("no progressive frame header");
    }
    const char size[] = {static_cast<char>(height >> 8), static_cast<char>(height),
                         static_cast<char>(width >> 8), static_cast<char>(width)};
    jpeg.replace(frame + 5, 4, size, 4);
    return jpeg;
}

}  // namespace tessoran_test
