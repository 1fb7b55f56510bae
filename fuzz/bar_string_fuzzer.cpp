// Bar-string text through the bar-string image and the whole decoder.
//
// A character that is not a hexadecimal digit ends the program by design when
// the decoder reads it, so texts holding one are passed over: the fuzzer is
// meant to explore the decoder, not that exit.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "decoding/ITessoranResult.h"
#include "pattern/BarStringMonoImage.h"
#include "reader/DecodeDriver.h"

namespace {

bool onlyDigitsAndLineEnds(const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t c = data[i];
        const bool digit =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!digit && c != '\n' && c != '\r') {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel2;
    using namespace ostrel2::tessoran;
    if (size == 0 || !onlyDigitsAndLineEnds(data, size)) {
        return 0;
    }
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
    if (stream == nullptr) {
        return 0;
    }
    I2DBitPattern* pattern = nullptr;
    (new BarStringMonoImage(stream))
        ->QueryInterface(IID_I2DBitPattern, reinterpret_cast<void**>(&pattern));
    std::fclose(stream);

    ITessoranResult* result = nullptr;
    if (!failed(DecodeBitPattern(pattern, &result))) {
        result->GetRows();
        result->GetColumns();
        result->GetECLevel();
        result->EnumSegments(nullptr, [](void*, std::int32_t, const char*, std::int32_t) {
            return std::int32_t{0};
        });
        result->Release();
    }
    pattern->Release();
    return 0;
}
