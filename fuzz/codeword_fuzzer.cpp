// SPDX-License-Identifier: Apache-2.0
// Codeword arrays, erasure lists and counts through error correction and the
// data decoders, with values kept to what the reader can produce (0 to 928)
// and counts at and around their edges; and the same arrays, with a row count
// and row indicator readings, through the codeword step that both readers end
// with.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "decoding/CodewordInterpreter.h"
#include "decoding/DecodeResult.h"
#include "reader/CodewordStep.h"
#include "reader/ReedSolomon.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel2::tessoran;
    ByteReader input(data, size);
    auto* result = new DecodeResult;

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
    for (std::int32_t i = 0; i < codewordCount; ++i) {
        result->codewords[i] = static_cast<std::int32_t>(input.take16() % 929);
    }
    // Erasure positions come from the bits of the choice and the codewords
    // themselves, so that they usually name real codewords.
    for (std::int32_t i = 0; i < erasureCount; ++i) {
        const std::int32_t spread = codewordCount > 0 ? codewordCount + 2 : 1;
        result->erasures[i] = (result->codewords[i] * 7 + i) % spread;
    }
    // The length descriptor decides how much the interpreter reads: keep it
    // within what was read, as the driver does.
    if (codewordCount > 0) {
        result->codewords[0] %= codewordCount + 1;
    }
    result->codewordCount = codewordCount;
    result->erasureCount = erasureCount;
    if ((ecChoice & 1) == 0) {
        correctErrors(result->codewords, result->erasures, erasureCount, codewordCount, ecCount);
        if (codewordCount > 0 && result->codewords[0] <= codewordCount) {
            interpretCodewords(*result);
        }
    } else {
        // Rows from the choices, and up to 16 indicator readings taken from
        // the codewords' own values, so that some of them agree.
        result->rowCount = static_cast<std::int32_t>(erasureChoice >> 8) % 95 - 2;
        std::vector<RowIndicatorReading> indicators;
        for (std::int32_t i = 0; i < std::min(codewordCount, 16); ++i) {
            const std::int32_t value = result->codewords[codewordCount - 1 - i];
            indicators.push_back({(value >> 3) % 92 - 1,
                                  (value & 1) != 0 ? IndicatorSide::Left : IndicatorSide::Right,
                                  value});
        }
        decodeCodewords(*result, indicators);
    }
    delete static_cast<ostrel2::ComObjectRoot*>(result);
    return 0;
}
