// SPDX-License-Identifier: Apache-2.0
// The capture reader on small pictures, and its frame and row reading on
// guard lines and frames whose numbers come straight from the input's bits,
// NaN and infinity included: degenerate quadrilaterals, transforms that blow
// up, corners far outside the picture, lines of no width and row and column
// counts beyond any symbol's.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "capture/CaptureReader.h"
#include "capture/CodewordShapes.h"
#include "capture/GuardLines.h"
#include "capture/OneSidedFrame.h"
#include "capture/Sharpening.h"
#include "capture/SymbolFrame.h"
#include "capture/SymbolReading.h"
#include "symbol/CodewordStep.h"

namespace {

using namespace ostrel2::tessoran::capture;

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : next(data), end(data + size) {}
    std::uint8_t byte() { return next != end ? *next++ : 0; }
    double number() {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) {
            bits = bits << 8 | byte();
        }
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    Point point() { return {number(), number()}; }

  private:
    const std::uint8_t* next;
    const std::uint8_t* end;
};

GuardLine guardLine(Input& input, GuardKind kind) {
    GuardLine line;
    line.kind = kind;
    line.line = {input.point(), input.point()};
    line.inward = input.point();
    line.module = input.number();
    line.first = input.number();
    line.last = input.number();
    return line;
}

constexpr int kMaxPixels = 256 * 48;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The way in is the sum of all the bytes, the first included: a mutation
    // anywhere changes it as often as not, so every input is tried each way,
    // however large its picture. Taken from the first byte alone, it stayed as
    // the seeds had it, and nearly every input went through the whole reader.
    unsigned mode = 0;
    for (std::size_t i = 0; i < size; ++i) {
        mode += data[i];
    }
    Input input(data, size);
    input.byte();
    GreyImage image;
    image.width = 1 + input.byte();
    // A picture of up to 256 x 48 pixels, or as tall as that many allow at its
    // width: room for a symbol of a few columns at a slant. The capture reader's
    // work, and so the time an input takes, grows with a picture's pixels.
    image.height = std::min(1 + input.byte(), kMaxPixels / image.width);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (std::uint8_t& pixel : image.pixels) {
        pixel = input.byte();
    }
    const CodewordShapes shapes;
    CaptureTrace trace;
    switch (mode % 3) {
        case 0: {
            captureDecode(image, &trace);
            break;
        }
        case 1: {
            const GuardLine start = guardLine(input, GuardKind::Start);
            const GuardLine stop = guardLine(input, GuardKind::Stop);
            CodewordTemplateSet templates;
            locateSymbol(image, start, stop, shapes, templates, &trace);
            // Either line alone, as a symbol whose other side is not seen.
            locateFromOneSide(image, (mode / 3) % 2 == 0 ? start : stop, shapes, templates, &trace);
            break;
        }
        default: {
            // Sharpening and the measure of blur on pictures of any shape,
            // one pixel wide or high included.
            GreyImage sharpened = image;
            sharpen(sharpened);
            edgeBlur(sharpened);
            std::vector<Homography::Correspondence> corners;
            for (int i = 0; i < 4; ++i) {
                corners.push_back({input.point(), input.point(), 1});
            }
            const auto map = Homography::fit(corners);
            if (!map) {
                break;
            }
            SymbolFrame frame;
            frame.toImage = *map;
            frame.rows = static_cast<std::int8_t>(input.byte()) % 100;
            frame.columns = static_cast<std::int8_t>(input.byte()) % 40;
            CodewordTemplateSet templates;
            const SymbolReading reading = readSymbol(image, frame, shapes, templates);
            ostrel2::tessoran::decodeCodewords(symbolCodewordsOf(reading, frame.rows));
            // The frame bent to where the reading saw codewords, and read again.
            if (const auto bent = refineFrame(frame, reading, FrameFit::Bent)) {
                readSymbol(image, *bent, shapes, templates);
            }
            break;
        }
    }
    return 0;
}
