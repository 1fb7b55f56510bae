// SPDX-License-Identifier: Apache-2.0
#include <png.h>

#include <array>
#include <bit>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "platform/posix/FormatDecoders.h"
#include "platform/posix/PixelAllocation.h"

namespace ostrel2::tessoran::platform {

namespace {

// libpng reports a fault of the file through these. Nothing is printed: an
// error ends the read at the setjmp in readPng, a warning (a damaged
// ancillary chunk, which libpng skips) lets it go on.
[[noreturn]] void stopReading(png_structp png, png_const_charp /*message*/) {
    png_longjmp(png, 1);
}
void ignoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// What libpng reads from: the file in memory, and where it stands in it.
//
// Once every row is in, libpng still reads to the end of the compressed
// stream and checks the last data chunk, which a well-made file ends within a
// few bytes. Data beyond that, however much, is no part of the image: a
// little is allowed for the stream's end and the checksum, then reading stops
// and the rows read stand.
struct PngSource {
    static constexpr std::size_t kBytesAfterRows = std::size_t{64} << 10;

    std::span<const unsigned char> file;
    std::size_t position = 0;
    std::size_t bytesAfterRowsLeft = kBytesAfterRows;
    bool readingRows = false;
    bool stoppedAfterRows = false;
};

// Whether libpng has handed out the last row of the last pass.
bool allRowsRead(png_structp png, png_infop info) {
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
        return png_get_current_pass_number(png) >= 7;
    }
    return png_get_current_row_number(png) >= png_get_image_height(png, info);
}

// The libpng state, released on every way out of decodePng. It lives
// outside the function that holds the setjmp, so that a jump back from libpng
// passes no object that needs destroying.
class PngReading {
  public:
    explicit PngReading(std::span<const unsigned char> file) {
        source.file = file;
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stopReading, ignoreWarning);
        if (png != nullptr) {
            info = png_create_info_struct(png);
        }
    }
    ~PngReading() {
        if (png != nullptr) {
            png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
        }
    }
    PngReading(const PngReading&) = delete;
    PngReading& operator=(const PngReading&) = delete;

    bool ready() const { return info != nullptr; }

    PngSource source;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto& reading = *static_cast<PngReading*>(png_get_io_ptr(png));
    PngSource& source = reading.source;
    const std::size_t available = source.file.size() - source.position;
    if (source.readingRows && allRowsRead(png, reading.info)) {
        if (length > source.bytesAfterRowsLeft || length > available) {
            source.stoppedAfterRows = true;
            png_error(png, "enough read after the last row");
        }
        source.bytesAfterRowsLeft -= length;
    }
    if (length > available) {
        png_error(png, "file cut short");
    }
    std::memcpy(out, source.file.data() + source.position, length);
    source.position += length;
}

// Compressed text and colour profiles play no part in the pixels read here,
// yet each could make libpng inflate megabytes before the first row.
void skipCompressedAncillaryChunks(png_structp png) {
    static constexpr png_byte kChunks[] = {'z', 'T',  'X', 't', '\0', 'i', 'T', 'X',
                                           't', '\0', 'i', 'C', 'C',  'P', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kChunks, 3);
}

constexpr bool kLittleEndian = std::endian::native == std::endian::little;
constexpr std::uint32_t kOpaque = 0xFF000000u;

// The ARGB word of each palette index. Indices the palette does not reach
// read as opaque black, and entries beyond the transparency chunk as opaque,
// as libpng's own expansion has them.
using PaletteWords = std::array<std::uint32_t, 256>;

PaletteWords paletteWords(png_structp png, png_infop info) {
    PaletteWords words;
    words.fill(kOpaque);
    png_colorp colours = nullptr;
    int colourCount = 0;
    if (png_get_PLTE(png, info, &colours, &colourCount) != 0) {
        for (int i = 0; i < colourCount && i < 256; ++i) {
            const png_color& colour = colours[i];
            words[static_cast<std::size_t>(i)] = kOpaque | std::uint32_t{colour.red} << 16 |
                                                 std::uint32_t{colour.green} << 8 | colour.blue;
        }
    }
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(png, info, &alphas, &alphaCount, nullptr) != 0 && alphas != nullptr) {
        for (int i = 0; i < alphaCount && i < 256; ++i) {
            std::uint32_t& word = words[static_cast<std::size_t>(i)];
            word = (word & 0x00FFFFFFu) | std::uint32_t{alphas[i]} << 24;
        }
    }
    return words;
}

// The ARGB words of the pixels that each byte of packed indices holds,
// `Depth` bits an index with the leftmost pixel in the high bits: a whole
// byte of pixels is looked up at once, which for two-colour images is eight
// pixels for one load of the packed row.
template <unsigned Depth>
class PackedIndexTable {
  public:
    static constexpr std::size_t kPixelsPerByte = 8 / Depth;

    explicit PackedIndexTable(const PaletteWords& words) {
        constexpr unsigned kMask = (1u << Depth) - 1;
        for (unsigned byte = 0; byte < 256; ++byte) {
            for (std::size_t i = 0; i < kPixelsPerByte; ++i) {
                pixelsOfByte[byte][i] = words[(byte >> (8 - Depth * (i + 1))) & kMask];
            }
        }
    }

    void expandRow(const png_byte* packed, std::uint32_t* pixels, std::size_t width) const {
        std::size_t column = 0;
        for (; column + kPixelsPerByte <= width; column += kPixelsPerByte) {
            std::memcpy(pixels + column, pixelsOfByte[*packed++].data(),
                        sizeof(std::uint32_t) * kPixelsPerByte);
        }
        // The last byte of a row may hold fewer pixels than it has room for;
        // when the row ends on a whole byte there is none left to read.
        if (column < width) {
            std::memcpy(pixels + column, pixelsOfByte[*packed].data(),
                        sizeof(std::uint32_t) * (width - column));
        }
    }

  private:
    std::array<std::array<std::uint32_t, kPixelsPerByte>, 256> pixelsOfByte;
};

template <unsigned Depth>
void expandPaletteRows(png_structp png, Gdiplus::GpImage& image, const PaletteWords& words,
                       png_bytep indexRow) {
    const PackedIndexTable<Depth> table(words);
    const auto width = static_cast<std::size_t>(image.width);
    for (std::int32_t row = 0; row < image.height; ++row) {
        png_read_row(png, indexRow, nullptr);
        table.expandRow(indexRow, image.pixels.data() + static_cast<std::size_t>(row) * width,
                        width);
    }
}

// Reads the rows of a non-interlaced palette image as indices and looks them
// up: one pass over the pixels, where libpng's expansion to RGB, filler and
// byte swap would take three.
void readPaletteRows(png_structp png, png_infop info, Gdiplus::GpImage& image,
                     std::vector<png_byte>& indexRow) {
    const PaletteWords words = paletteWords(png, info);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) > indexRow.size()) {
        png_error(png, "row longer than its width");
    }
    switch (png_get_bit_depth(png, info)) {
        case 1:
            return expandPaletteRows<1>(png, image, words, indexRow.data());
        case 2:
            return expandPaletteRows<2>(png, image, words, indexRow.data());
        case 4:
            return expandPaletteRows<4>(png, image, words, indexRow.data());
        default:
            return expandPaletteRows<8>(png, image, words, indexRow.data());
    }
}

// Lets libpng turn any other layout into four bytes a pixel that read as one
// ARGB word in the machine's byte order, written straight into the image.
// Alpha is read along and never blended, so transparent pixels keep their
// stored colour; palettes, grey and 16-bit samples come out as 8-bit red,
// green and blue, 16-bit ones scaled as stored.
void readTransformedRows(png_structp png, png_infop info, Gdiplus::GpImage& image) {
    const int colourType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (hasTransparency) {
        png_set_tRNS_to_alpha(png);
    }
    if (bitDepth == 16) {
        png_set_scale_16(png);
    }
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(png);
    }
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTransparency) {
        png_set_filler(png, 0xFF, kLittleEndian ? PNG_FILLER_AFTER : PNG_FILLER_BEFORE);
    }
    if constexpr (kLittleEndian) {
        png_set_bgr(png);
    } else {
        png_set_swap_alpha(png);
    }
    // A file that states its gamma is brought to sRGB, the gamma of the
    // screen it was drawn for; without such a statement, or with sRGB's own,
    // the samples stay as stored.
    png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const auto width = static_cast<std::size_t>(image.width);
    if (png_get_rowbytes(png, info) != width * 4) {
        png_error(png, "unexpected row layout");
    }
    // Each pass of an interlaced image fills in more pixels of every row it
    // touches, so all passes read into the image itself.
    for (int pass = 0; pass < passes; ++pass) {
        for (std::int32_t row = 0; row < image.height; ++row) {
            png_read_row(png,
                         reinterpret_cast<png_bytep>(image.pixels.data() +
                                                     static_cast<std::size_t>(row) * width),
                         nullptr);
        }
    }
}

// Every libpng call of a read happens below this function's setjmp; it and
// the functions it calls hold nothing that needs destroying.
bool readPng(PngReading& reading, DecodeBudget& budget, Gdiplus::GpImage& image,
             std::vector<png_byte>& indexRow) {
    png_structp png = reading.png;
    png_infop info = reading.info;
    if (setjmp(png_jmpbuf(png)) != 0) {
        // Stopped by the reader once every row was in: the image is whole.
        return reading.source.stoppedAfterRows;
    }
    png_set_read_fn(png, &reading, readFromMemory);
    skipCompressedAncillaryChunks(png);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    // libpng keeps the row being read and the one before, each of up to 8
    // bytes a pixel (16-bit RGBA), and a palette image a row of indices here.
    constexpr std::uint64_t kRowBytesPerColumn = 2 * 8 + 1;
    if (!budget.take(kRowBytesPerColumn * std::uint64_t{width}) ||
        !allocatePixels(image, width, height, budget)) {
        return false;
    }
    reading.source.readingRows = true;
    const bool paletteLookup = png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE &&
                               png_get_interlace_type(png, info) == PNG_INTERLACE_NONE &&
                               png_get_valid(png, info, PNG_INFO_gAMA) == 0;
    if (paletteLookup) {
        // At most one byte an index, so a row of indices is never longer
        // than the width.
        indexRow.resize(width);
        readPaletteRows(png, info, image, indexRow);
    } else {
        readTransformedRows(png, info, image);
    }
    // Nothing after the pixels is read: the chunks there would not change
    // them, and reading them could take time out of all proportion to the
    // image.
    return true;
}

}  // namespace

bool decodePng(std::span<const unsigned char> file, DecodeBudget& budget, Gdiplus::GpImage& image) {
    PngReading reading(file);
    if (!reading.ready()) {
        return false;
    }
    std::vector<png_byte> indexRow;
    try {
        return readPng(reading, budget, image, indexRow);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace ostrel2::tessoran::platform
