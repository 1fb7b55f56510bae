// SPDX-License-Identifier: Apache-2.0
#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "platform/posix/FormatDecoders.h"
#include "platform/posix/PixelAllocation.h"

namespace ostrel2::tessoran::platform {

namespace {

// What giflib reads from: the file in memory, and where it stands in it.
struct GifSource {
    std::span<const unsigned char> file;
    std::size_t position = 0;
};

// Hands giflib up to `size` bytes; fewer at the end of the file, which giflib
// takes as a read error.
int readFromMemory(GifFileType* gif, GifByteType* out, int size) {
    auto& source = *static_cast<GifSource*>(gif->UserData);
    const std::size_t count =
        std::min(static_cast<std::size_t>(std::max(size, 0)), source.file.size() - source.position);
    std::memcpy(out, source.file.data() + source.position, count);
    source.position += count;
    return static_cast<int>(count);
}

class GifHandle {
  public:
    explicit GifHandle(GifSource& source) {
        int error = 0;
        gif = DGifOpen(&source, readFromMemory, &error);
    }
    ~GifHandle() {
        if (gif != nullptr) {
            int error = 0;
            DGifCloseFile(gif, &error);
        }
    }
    GifHandle(const GifHandle&) = delete;
    GifHandle& operator=(const GifHandle&) = delete;

    GifFileType* get() const { return gif; }

  private:
    GifFileType* gif = nullptr;
};

constexpr int kNoTransparency = -1;

// Walks the records up to the first frame's descriptor, noting the
// transparent index of the graphic control block that goes with it. The
// frames are read one record at a time rather than all at once, so that only
// the first frame is decoded and no frame's memory is taken before its size
// has been checked.
bool findFirstFrame(GifFileType* gif, int& transparentIndex) {
    transparentIndex = kNoTransparency;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) {
            return false;
        }
        if (record == IMAGE_DESC_RECORD_TYPE) {
            return DGifGetImageDesc(gif) != GIF_ERROR;
        }
        if (record != EXTENSION_RECORD_TYPE) {
            return false;  // the trailer, or anything unknown, before any frame
        }
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
            return false;
        }
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
            GraphicsControlBlock control;
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
                transparentIndex = control.TransparentColor;
            }
        }
        while (block != nullptr) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                return false;
            }
        }
    }
}

std::uint32_t argbOf(const GifColorType& colour, std::uint32_t alpha) {
    return (alpha << 24) | (static_cast<std::uint32_t>(colour.Red) << 16) |
           (static_cast<std::uint32_t>(colour.Green) << 8) |
           static_cast<std::uint32_t>(colour.Blue);
}

// The rows of a frame in the order they are stored: in four passes when the
// frame is interlaced.
std::vector<int> storedRowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int row = 0; row < height; ++row) {
            rows.push_back(row);
        }
        return rows;
    }
    constexpr int kFirstRow[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = kFirstRow[pass]; row < height; row += kStep[pass]) {
            rows.push_back(row);
        }
    }
    return rows;
}

}  // namespace

bool decodeGif(std::span<const unsigned char> file, DecodeBudget& budget, Gdiplus::GpImage& image) {
    GifSource source{file};
    GifHandle gif(source);
    if (gif.get() == nullptr) {
        return false;
    }
    int transparentIndex = kNoTransparency;
    if (!findFirstFrame(gif.get(), transparentIndex)) {
        return false;
    }
    const GifImageDesc& frame = gif.get()->Image;
    const ColorMapObject* colours =
        frame.ColorMap != nullptr ? frame.ColorMap : gif.get()->SColorMap;
    // Without any colour map the indices mean nothing.
    if (colours == nullptr || colours->Colors == nullptr || colours->ColorCount <= 0) {
        return false;
    }
    // Every row of the frame is decoded, however little of it shows, so the
    // frame may be no larger than an image the budget admits.
    if (frame.Left < 0 || frame.Top < 0 || frame.Width <= 0 || frame.Height <= 0 ||
        !fitsDecodeBudget(static_cast<std::uint64_t>(frame.Width),
                          static_cast<std::uint64_t>(frame.Height))) {
        return false;
    }
    // The picture is the logical screen; a frame reaching past it is cut at
    // its edge. A screen declared empty is taken to be as large as the frame
    // needs.
    std::int64_t width = gif.get()->SWidth;
    std::int64_t height = gif.get()->SHeight;
    if (width <= 0 || height <= 0) {
        width = static_cast<std::int64_t>(frame.Left) + frame.Width;
        height = static_cast<std::int64_t>(frame.Top) + frame.Height;
    }
    // What the frame leaves uncovered shows the screen's background colour,
    // transparent; white when the file names none.
    std::uint32_t background = 0x00FFFFFFu;
    const ColorMapObject* screenColours = gif.get()->SColorMap;
    if (screenColours != nullptr && screenColours->Colors != nullptr &&
        gif.get()->SBackGroundColor >= 0 &&
        gif.get()->SBackGroundColor < screenColours->ColorCount) {
        background = argbOf(screenColours->Colors[gif.get()->SBackGroundColor], 0);
    }
    // Besides the image: a row of the frame's indices and the order of its
    // rows.
    const std::uint64_t frameRowBytes = static_cast<std::uint64_t>(frame.Width) +
                                        sizeof(int) * static_cast<std::uint64_t>(frame.Height);
    if (!budget.take(frameRowBytes) ||
        !allocatePixels(image, static_cast<std::uint64_t>(width),
                        static_cast<std::uint64_t>(height), budget, background)) {
        return false;
    }

    std::vector<GifPixelType> line;
    std::vector<int> rowOrder;
    try {
        line.resize(static_cast<std::size_t>(frame.Width));
        rowOrder = storedRowOrder(frame.Height, frame.Interlace);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (const int frameRow : rowOrder) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) {
            return false;  // truncated or damaged
        }
        const std::int64_t y = static_cast<std::int64_t>(frame.Top) + frameRow;
        if (y >= height) {
            continue;
        }
        for (int frameColumn = 0; frameColumn < frame.Width; ++frameColumn) {
            const std::int64_t x = static_cast<std::int64_t>(frame.Left) + frameColumn;
            if (x >= width) {
                break;
            }
            const int index = line[static_cast<std::size_t>(frameColumn)];
            std::uint32_t argb = 0xFF000000u;  // an index beyond the map shows black
            if (index < colours->ColorCount) {
                // A transparent pixel keeps its stored colour; only its alpha says so.
                argb = argbOf(colours->Colors[index], index == transparentIndex ? 0 : 0xFF);
            }
            image.pixels[static_cast<std::size_t>(y * width + x)] = argb;
        }
    }
    return true;
}

}  // namespace ostrel2::tessoran::platform
