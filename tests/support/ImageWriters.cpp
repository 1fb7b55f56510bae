#include "support/ImageWriters.h"

#include <gif_lib.h>
#include <tiffio.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
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

// The distinct colours of an image in order of first appearance, and each
// pixel's index among them.
struct Palette {
    std::vector<std::uint32_t> colours;
    std::vector<std::uint8_t> indices;
};

Palette paletteOf(const ArgbImage& image, std::uint32_t colourMask) {
    Palette palette;
    for (const std::uint32_t pixel : image.pixels) {
        const std::uint32_t colour = pixel & colourMask;
        auto found = std::find(palette.colours.begin(), palette.colours.end(), colour);
        if (found == palette.colours.end()) {
            if (palette.colours.size() == 256) {
                throw std::runtime_error("more than 256 colours for a palette image");
            }
            found = palette.colours.insert(palette.colours.end(), colour);
        }
        palette.indices.push_back(static_cast<std::uint8_t>(found - palette.colours.begin()));
    }
    return palette;
}

void appendSample(std::string& row, std::uint8_t value, bool sixteenBit) {
    row.push_back(static_cast<char>(value));
    if (sixteenBit) {
        row.push_back(static_cast<char>(value));  // v * 257: the same level in 16 bits
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
    for (int row = 0; row < grid.height; ++row) {
        for (int column = 0; column < grid.width; ++column) {
            if (grid.at(row, column)) {
                image.set(row, column, kOpaqueBlack);
            }
        }
    }
    return image;
}

void writePng(const std::string& path, const ArgbImage& image, PngLayout layout,
              int compressionLevel) {
    struct Form {
        std::uint8_t colourType;
        bool sixteenBit;
    };
    const Form form = [&]() -> Form {
        switch (layout) {
            case PngLayout::Rgb8:
                return {2, false};
            case PngLayout::Rgba8:
                return {6, false};
            case PngLayout::Grey8:
                return {0, false};
            case PngLayout::GreyAlpha8:
                return {4, false};
            case PngLayout::Palette8:
                return {3, false};
            case PngLayout::Rgb16:
                return {2, true};
            case PngLayout::Rgba16:
                return {6, true};
            case PngLayout::Grey16:
                return {0, true};
        }
        throw std::invalid_argument("unknown PNG layout");
    }();

    std::string file = "\x89PNG\r\n\x1A\n";
    std::string header;
    appendBigEndian32(header, static_cast<std::uint32_t>(image.width));
    appendBigEndian32(header, static_cast<std::uint32_t>(image.height));
    header +=
        {static_cast<char>(form.sixteenBit ? 16 : 8), static_cast<char>(form.colourType), 0, 0, 0};
    appendPngChunk(file, "IHDR", header);

    Palette palette;
    if (layout == PngLayout::Palette8) {
        palette = paletteOf(image, 0xFFFFFFFFu);
        std::string entries;
        std::string alphas;
        for (const std::uint32_t colour : palette.colours) {
            entries += {static_cast<char>(redOf(colour)), static_cast<char>(greenOf(colour)),
                        static_cast<char>(blueOf(colour))};
            alphas.push_back(static_cast<char>(alphaOf(colour)));
        }
        appendPngChunk(file, "PLTE", entries);
        if (std::any_of(palette.colours.begin(), palette.colours.end(),
                        [](std::uint32_t colour) { return alphaOf(colour) != 0xFF; })) {
            appendPngChunk(file, "tRNS", alphas);
        }
    }

    std::string raw;
    for (int row = 0; row < image.height; ++row) {
        raw.push_back(0);  // no filter
        for (int column = 0; column < image.width; ++column) {
            const std::uint32_t pixel = image.at(row, column);
            switch (form.colourType) {
                case 0:
                    appendSample(raw, redOf(pixel), form.sixteenBit);
                    break;
                case 4:
                    appendSample(raw, redOf(pixel), form.sixteenBit);
                    appendSample(raw, alphaOf(pixel), form.sixteenBit);
                    break;
                case 3:
                    raw.push_back(static_cast<char>(
                        palette.indices[static_cast<std::size_t>(row) * image.width + column]));
                    break;
                default:
                    appendSample(raw, redOf(pixel), form.sixteenBit);
                    appendSample(raw, greenOf(pixel), form.sixteenBit);
                    appendSample(raw, blueOf(pixel), form.sixteenBit);
                    if (form.colourType == 6) {
                        appendSample(raw, alphaOf(pixel), form.sixteenBit);
                    }
                    break;
            }
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                  compressionLevel) != Z_OK) {
        throw std::runtime_error("zlib compression failed");
    }
    packed.resize(packedSize);
    appendPngChunk(file, "IDAT", packed);
    appendPngChunk(file, "IEND", "");
    writeFileBytes(path, file);
}

void writeJpeg(const std::string& path, const ArgbImage& image, JpegLayout layout, int quality,
               JpegCoding coding) {
    writeFileBytes(path, jpegBytes(image, layout, quality, coding));
}

std::string jpegBytes(const ArgbImage& image, JpegLayout layout, int quality, JpegCoding coding) {
    std::vector<unsigned char> samples;
    int pixelFormat = TJPF_RGB;
    int subsampling = TJSAMP_444;
    for (const std::uint32_t pixel : image.pixels) {
        switch (layout) {
            case JpegLayout::Colour:
                samples.insert(samples.end(), {redOf(pixel), greenOf(pixel), blueOf(pixel)});
                break;
            case JpegLayout::Grey:
                pixelFormat = TJPF_GRAY;
                subsampling = TJSAMP_GRAY;
                samples.push_back(redOf(pixel));
                break;
            case JpegLayout::Cmyk: {
                pixelFormat = TJPF_CMYK;
                const std::uint8_t key = static_cast<std::uint8_t>(
                    255 - std::max({redOf(pixel), greenOf(pixel), blueOf(pixel)}));
                samples.insert(samples.end(),
                               {static_cast<unsigned char>(255 - redOf(pixel) - key),
                                static_cast<unsigned char>(255 - greenOf(pixel) - key),
                                static_cast<unsigned char>(255 - blueOf(pixel) - key), key});
                break;
            }
        }
    }
    tjhandle compressor = tjInitCompress();
    if (compressor == nullptr) {
        throw std::runtime_error("TurboJPEG compressor unavailable");
    }
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int flags = coding == JpegCoding::Progressive ? TJFLAG_PROGRESSIVE : 0;
    const int status = tjCompress2(compressor, samples.data(), image.width, 0, image.height,
                                   pixelFormat, &jpeg, &jpegSize, subsampling, quality, flags);
    tjDestroy(compressor);
    if (status != 0) {
        tjFree(jpeg);
        throw std::runtime_error("JPEG compression failed");
    }
    const std::string bytes(reinterpret_cast<const char*>(jpeg), jpegSize);
    tjFree(jpeg);
    return bytes;
}

void writeTiff(const std::string& path, const ArgbImage& image, TiffLayout layout) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr) {
        throw std::runtime_error("cannot create " + path);
    }
    const bool sixteenBit = layout == TiffLayout::Rgb16;
    std::uint16_t samplesPerPixel = 3;
    std::uint16_t photometric = PHOTOMETRIC_RGB;
    if (layout == TiffLayout::Grey8 || layout == TiffLayout::Palette8) {
        samplesPerPixel = 1;
        photometric = layout == TiffLayout::Grey8 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE;
    } else if (layout == TiffLayout::RgbaUnassociated8) {
        samplesPerPixel = 4;
    }
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(sixteenBit ? 16 : 8));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samplesPerPixel);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, static_cast<std::uint16_t>(PLANARCONFIG_CONTIG));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(COMPRESSION_NONE));
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(1));
    if (layout == TiffLayout::RgbaUnassociated8) {
        const std::uint16_t kinds[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, static_cast<std::uint16_t>(1), kinds);
    }
    Palette palette;
    if (layout == TiffLayout::Palette8) {
        palette = paletteOf(image, 0x00FFFFFFu);
        std::vector<std::uint16_t> reds(256), greens(256), blues(256);
        for (std::size_t i = 0; i < palette.colours.size(); ++i) {
            reds[i] = static_cast<std::uint16_t>(redOf(palette.colours[i]) * 257);
            greens[i] = static_cast<std::uint16_t>(greenOf(palette.colours[i]) * 257);
            blues[i] = static_cast<std::uint16_t>(blueOf(palette.colours[i]) * 257);
        }
        TIFFSetField(tiff, TIFFTAG_COLORMAP, reds.data(), greens.data(), blues.data());
    }
    bool written = true;
    for (int row = 0; row < image.height && written; ++row) {
        std::string line;
        for (int column = 0; column < image.width; ++column) {
            const std::uint32_t pixel = image.at(row, column);
            switch (layout) {
                case TiffLayout::Grey8:
                    line.push_back(static_cast<char>(redOf(pixel)));
                    break;
                case TiffLayout::Palette8:
                    line.push_back(static_cast<char>(
                        palette.indices[static_cast<std::size_t>(row) * image.width + column]));
                    break;
                default:
                    for (const std::uint8_t sample :
                         {redOf(pixel), greenOf(pixel), blueOf(pixel)}) {
                        if (sixteenBit) {
                            // Native byte order: libtiff records it in the header.
                            const auto wide = static_cast<std::uint16_t>(sample * 257);
                            line.append(reinterpret_cast<const char*>(&wide), 2);
                        } else {
                            line.push_back(static_cast<char>(sample));
                        }
                    }
                    if (layout == TiffLayout::RgbaUnassociated8) {
                        line.push_back(static_cast<char>(alphaOf(pixel)));
                    }
                    break;
            }
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
            const int index = palette.indices[i];
            if (transparentIndex != NO_TRANSPARENT_COLOR && transparentIndex != index) {
                throw std::runtime_error("a GIF has one transparent colour at most");
            }
            transparentIndex = index;
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
    const int screenWidth = layout.screenWidth != 0 ? layout.screenWidth : image.width;
    const int screenHeight = layout.screenHeight != 0 ? layout.screenHeight : image.height;
    bool written = EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0,
                                     layout.localColourMap ? nullptr : colourMap) == GIF_OK;
    if (written && transparentIndex != NO_TRANSPARENT_COLOR) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = transparentIndex;
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&control, extension);
        written = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                                   extension) == GIF_OK;
    }
    written = written && EGifPutImageDesc(gif, layout.left, layout.top, image.width, image.height,
                                          layout.interlaced,
                                          layout.localColourMap ? colourMap : nullptr) == GIF_OK;
    std::vector<int> rows;
    if (layout.interlaced) {
        for (const auto& [first, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
            for (int row = first; row < image.height; row += step) {
                rows.push_back(row);
            }
        }
    } else {
        for (int row = 0; row < image.height; ++row) {
            rows.push_back(row);
        }
    }
    for (const int row : rows) {
        if (!written) {
            break;
        }
        std::vector<GifPixelType> line(
            palette.indices.begin() + static_cast<std::ptrdiff_t>(row) * image.width,
            palette.indices.begin() + static_cast<std::ptrdiff_t>(row + 1) * image.width);
        written = EGifPutLine(gif, line.data(), image.width) == GIF_OK;
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
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const std::uint32_t field =
        bits >= 8 ? std::uint32_t{value} << (bits - 8) : std::uint32_t{value} >> (8 - bits);
    return field << shift;
}

std::uint32_t headerBytes(BmpHeader header) {
    switch (header) {
        case BmpHeader::Core:
            return 12;
        case BmpHeader::Info:
            return 40;
        case BmpHeader::V4:
            return 108;
        case BmpHeader::V5:
            return 124;
        case BmpHeader::Os2:
            return 64;
    }
    throw std::invalid_argument("unknown BMP header");
}

}  // namespace

std::string bmpBytes(const ArgbImage& image, const BmpLayout& layout) {
    const int depth = layout.bitsPerPixel;
    const bool paletted = depth <= 8;
    const bool core = layout.header == BmpHeader::Core;
    const Palette palette = paletted ? paletteOf(image, 0x00FFFFFFu) : Palette{};
    if (paletted && palette.colours.size() > (std::size_t{1} << depth)) {
        throw std::runtime_error("more colours than the depth can index");
    }
    const std::size_t entries = layout.paletteEntries != 0
                                    ? static_cast<std::size_t>(layout.paletteEntries)
                                    : palette.colours.size();
    const std::uint32_t entryBytes = core ? 3 : 4;
    const std::uint32_t header = headerBytes(layout.header);
    const bool compressed = layout.compression != BmpCompression::None;
    const bool masksAfterHeader = compressed && layout.header == BmpHeader::Info;
    const std::uint32_t maskBytes =
        masksAfterHeader ? (layout.compression == BmpCompression::AlphaBitFields ? 16 : 12) : 0;
    const std::uint32_t rowBytes =
        ((static_cast<std::uint32_t>(image.width) * static_cast<std::uint32_t>(depth) + 31) / 32) *
        4;
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.height);
    const std::uint32_t pixelOffset =
        14 + header + maskBytes + static_cast<std::uint32_t>(entries) * entryBytes;

    std::string file = "BM";
    appendLittleEndian(file, pixelOffset + pixelBytes, 4);
    appendLittleEndian(file, 0, 4);
    appendLittleEndian(file, pixelOffset, 4);
    std::string info;
    appendLittleEndian(info, header, 4);
    const auto height = static_cast<std::uint32_t>(layout.topDown ? -image.height : image.height);
    appendLittleEndian(info, static_cast<std::uint32_t>(image.width), core ? 2 : 4);
    appendLittleEndian(info, height, core ? 2 : 4);
    appendLittleEndian(info, 1, 2);
    appendLittleEndian(info, static_cast<std::uint32_t>(depth), 2);
    if (!core) {
        const std::uint32_t compression = layout.compression == BmpCompression::None        ? 0
                                          : layout.compression == BmpCompression::BitFields ? 3
                                                                                            : 6;
        appendLittleEndian(info, compression, 4);
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
    if (masksAfterHeader) {
        for (std::size_t i = 0; i < maskBytes / 4; ++i) {
            appendLittleEndian(file, layout.masks[i], 4);
        }
    }
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint32_t colour = i < palette.colours.size() ? palette.colours[i] : 0;
        appendLittleEndian(file, colour & 0x00FFFFFFu, static_cast<int>(entryBytes));
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
            } else if (!compressed) {  // 16 bits, 5-5-5
                appendLittleEndian(line,
                                   maskedChannel(redOf(pixel), 0x7C00u) |
                                       maskedChannel(greenOf(pixel), 0x03E0u) |
                                       maskedChannel(blueOf(pixel), 0x001Fu),
                                   2);
            } else {
                const std::uint8_t channels[] = {redOf(pixel), greenOf(pixel), blueOf(pixel),
                                                 alphaOf(pixel)};
                std::uint32_t value = 0;
                for (std::size_t i = 0; i < 4; ++i) {
                    value |= maskedChannel(channels[i], layout.masks[i]);
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

void appendBigEndian32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

void appendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void appendPngChunk(std::string& out, const char* type, const std::string& data) {
    appendBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    appendBigEndian32(
        out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                              static_cast<uInt>(typed.size()))));
}

std::string pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    std::string header;
    appendBigEndian32(header, width);
    appendBigEndian32(header, height);
    header += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit grey, not interlaced
    std::string file = "\x89PNG\r\n\x1A\n";
    appendPngChunk(file, "IHDR", header);
    return file;
}

std::string bmpHeaderOnly(std::uint32_t width, std::uint32_t height) {
    std::string file = "BM";
    // File size, reserved, pixel data offset, information header size.
    for (const std::uint32_t field : {54u, 0u, 54u, 40u, width, height}) {
        appendLittleEndian(file, field, 4);
    }
    appendLittleEndian(file, 1, 2);            // planes
    appendLittleEndian(file, 24, 2);           // bits a pixel
    for (int field = 0; field < 6; ++field) {  // no compression, sizes, colours
        appendLittleEndian(file, 0, 4);
    }
    return file + std::string(64, '\0');
}

std::string progressiveJpegDeclaring(std::uint32_t width, std::uint32_t height) {
    std::string jpeg =
        jpegBytes(solidImage(8, 8, 0xFF808080u), JpegLayout::Colour, 100, JpegCoding::Progressive);
    // The progressive frame header: marker, length, precision, height, width.
    const std::size_t frame = jpeg.find("\xFF\xC2");
    if (frame == std::string::npos) {
        throw std::runtime_error("no progressive frame header");
    }
    std::string size;
    appendBigEndian32(size, height << 16 | width);
    jpeg.replace(frame + 5, 4, size);
    return jpeg;
}

}  // namespace tessoran_test
