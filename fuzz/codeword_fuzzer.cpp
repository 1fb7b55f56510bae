// Codeword arrays, erasure lists and counts through error correction and the
// data decoders, with values kept to what the reader can produce (0 to 928)
// and counts at and around their edges.

#include <cstddef>
#include <cstdint>

#include "decoding/CodewordInterpreter.h"
#include "decoding/DecodeResult.h"
#include "reader/ReedSolomon.h"

namespace {

// Reads the fuzzer's bytes as a stream of small numbers.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : next(data), end(data + size) {}
    bool empty() const { return next == end; }
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

    // Counts, each allowed a little beyond its real range at both ends.
    const auto codewordCount = static_cast<std::int32_t>(input.take16() % 1000);
    const auto ecCount = static_cast<std::int32_t>(input.take16() % 2100) - 20;
    const auto erasureCount = static_cast<std::int32_t>(input.take16() % 64);
    for (std::int32_t i = 0; i < codewordCount; ++i) {
        result->codewords[i] = static_cast<std::int32_t>(input.take16() % 929);
    }
    for (std::int32_t i = 0; i < erasureCount; ++i) {
        result->erasures[i] = static_cast<std::int32_t>(input.take16() % 1000);
    }
    // The length descriptor decides how much the interpreter reads: keep it
    // within what was read, as the driver does.
    if (codewordCount > 0) {
        result->codewords[0] %= codewordCount + 1;
    }
    result->codewordCount = codewordCount;
    result->erasureCount = erasureCount;
    correctErrors(result->codewords, result->erasures, erasureCount, codewordCount, ecCount);
    if (codewordCount > 0 && result->codewords[0] <= codewordCount) {
        interpretCodewords(*result);
    }
    delete static_cast<ostrel2::ComObjectRoot*>(result);
    return 0;
}
