// SPDX-License-Identifier: Apache-2.0
// Codeword arrays, erasure lists and counts through error correction and the
// data decoders, with values kept to what the reader can produce (0 to 928)
// and counts at and around their edges; and the same arrays, with a row count
// and row indicator readings, through the codeword step that both readers end
// with. What the data decoders make of them is read on as the structured
// content: character sets, text and the joining of Macro PDF417 parts.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "decoding/CodewordInterpreter.h"
#include "decoding/MacroJoin.h"
#include "decoding/SymbolContent.h"
#include "decoding/TextConversion.h"
#include "symbol/CodewordStep.h"
#include "symbol/ReedSolomon.h"

namespace {

// Reads the fuzzer's bytes as a stream of small numbers.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : next(data), end(data + size) {}
    bool empty() const { return next == end; }
    std::size_t remaining() const { return static_cast<std::size_t>(end - next); }
    std::uint32_t take16() {
        std::uint32_t value = 0;
        for (int i = 0; i < 2 && next != end; ++i) {
            value = (value << 8) | *next++;
        }
        return value;
    }

  private:
    const std::uint8_t* next;
    const std::uint8_t* end;
};

// The content of decoded segments, as text under two defaults and, when
// it has a control block, joined as one part and as the same part twice
// with other data.
void readContent(const ostrel2::tessoran::SegmentList& segments) {
    using namespace ostrel2::tessoran;
    const SymbolContent content = contentOf(segments);
    utf8Text(content);
    utf8Text(content, 26);
    if (content.macro) {
        const MacroPart parts[] = {{*content.macro, content.data()},
                                   {*content.macro, content.data() + "!"}};
        joinMacroParts(parts);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel2::tessoran;
    ByteReader input(data, size);
    SymbolCodewords symbol;

    // Counts, each allowed a little beyond its real range at both ends. The
    // codewords are those the input spells out, up to 1000 of them; the
    // number of check codewords is often one of its edge values.
    static constexpr std::int32_t kEdgeCounts[] = {-1, 0,  1,   2,   3,   4,    8,   16,
                                                   32, 64, 128, 256, 512, 2047, 2048};
    const std::uint32_t ecChoice = input.take16();
    const std::uint32_t erasureChoice = input.take16();
    const auto ecCount = ecChoice < 0x8000 ? kEdgeCounts[ecChoice % std::size(kEdgeCounts)]
                                           : static_cast<std::int32_t>(ecChoice % 2100) - 20;
    const auto erasureCount = static_cast<std::int32_t>(erasureChoice % 64);
    const auto codewordCount =
        static_cast<std::int32_t>(std::min<std::size_t>(input.remaining() / 2, 1000));
    std::vector<std::int32_t>& codewords = symbol.codewords;
    for (std::int32_t i = 0; i < codewordCount; ++i) {
        codewords.push_back(static_cast<std::int32_t>(input.take16() % 929));
    }
    // Erasure positions come from the bits of the choice and the codewords
    // themselves (zeros past them), so that they usually name real codewords.
    for (std::int32_t i = 0; i < erasureCount; ++i) {
        const std::int32_t spread = codewordCount > 0 ? codewordCount + 2 : 1;
        const std::int32_t value = i < codewordCount ? codewords[static_cast<std::size_t>(i)] : 0;
        symbol.erasures.push_back((value * 7 + i) % spread);
    }
    // The length descriptor decides how much the interpreter reads: keep it
    // within what was read, as the driver does.
    if (codewordCount > 0) {
        codewords[0] %= codewordCount + 1;
    }
    if ((ecChoice & 1) == 0) {
        // Error correction works on fixed arrays of this size, as a symbol's.
        codewords.resize(kMaxSymbolCodewords);
        symbol.erasures.resize(kMaxSymbolCodewords);
        correctErrors(codewords.data(), symbol.erasures.data(), erasureCount, codewordCount,
                      ecCount);
        if (codewordCount > 0 && codewords[0] <= codewordCount) {
            codewords.resize(static_cast<std::size_t>(codewordCount));
            const Result<SegmentList> segments = interpretCodewords(codewords);
            if (segments.ok()) {
                readContent(segments.value());
            }
        }
    } else {
        // Rows from the choices, and up to 16 indicator readings taken from
        // the codewords' own values, so that some of them agree.
        symbol.rows = static_cast<std::int32_t>(erasureChoice >> 8) % 95 - 2;
        for (std::int32_t i = 0; i < std::min(codewordCount, 16); ++i) {
            const std::int32_t value = codewords[static_cast<std::size_t>(codewordCount - 1 - i)];
            symbol.indicators.push_back(
                {(value >> 3) % 92 - 1,
                 (value & 1) != 0 ? IndicatorSide::Left : IndicatorSide::Right, value});
        }
        const Result<DecodedCodewords> decoded = decodeCodewords(symbol);
        if (decoded.ok()) {
            readContent(decoded.value().segments);
        }
    }
    return 0;
}
