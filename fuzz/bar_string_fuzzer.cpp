// SPDX-License-Identifier: Apache-2.0
// Bar-string text through the bar-string image and the whole decoder. Texts
// of any bytes are taken: like the program, the fuzzer decodes only a text
// that was read completely and holds no character other than a hexadecimal
// digit within its grid, and asks the image for that first.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "decoding/ITessoranResult.h"
#include "objects/ObjectReference.h"
#include "pattern/BarStringMonoImage.h"
#include "reader/DecodeDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel2;
    using namespace ostrel2::tessoran;
    if (size == 0) {
        return 0;
    }
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
    if (stream == nullptr) {
        return 0;
    }
    auto* image = new BarStringMonoImage(stream);
    std::fclose(stream);
    I2DBitPattern* handedOut = nullptr;
    image->QueryInterface(IID_I2DBitPattern, reinterpret_cast<void**>(&handedOut));
    const ObjectReference<I2DBitPattern> pattern(handedOut);
    if (image->reading() != BarStringReading::Complete ||
        image->firstInvalidCharacter().has_value()) {
        return 0;
    }

    ITessoranResult* result = nullptr;
    if (!failed(DecodeBitPattern(pattern.get(), &result))) {
        const ObjectReference<ITessoranResult> held(result);
        held->GetRows();
        held->GetColumns();
        held->GetECLevel();
        held->EnumSegments(nullptr, [](void*, std::int32_t, const char*, std::int32_t) {
            return std::int32_t{0};
        });
    }
    return 0;
}
