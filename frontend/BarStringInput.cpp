// SPDX-License-Identifier: Apache-2.0
#include "frontend/BarStringInput.h"

#include <string>
#include <utility>

#include "frontend/ExitStatus.h"
#include "frontend/MessageText.h"
#include "objects/InterfaceIds.h"
#include "pattern/BarStringMonoImage.h"

namespace ostrel2::tessoran {

BarStringInput loadBarStringInput(std::FILE* stream, std::string_view unreadableMessage) {
    auto* image = new BarStringMonoImage(stream);
    I2DBitPattern* handedOut = nullptr;
    image->QueryInterface(IID_I2DBitPattern, reinterpret_cast<void**>(&handedOut));
    ObjectReference<I2DBitPattern> pattern(handedOut);

    switch (image->reading()) {
        case BarStringReading::Unreadable:
            return {nullptr, kExitInput, std::string(unreadableMessage)};
        case BarStringReading::TooLarge:
            return {nullptr, kExitInput, "The bar string is too large.\n"};
        case BarStringReading::Complete:
            break;
    }
    if (const std::optional<char> invalid = image->firstInvalidCharacter(); invalid.has_value()) {
        return {nullptr, kExitInvalidCharacter,
                "Invalid character(" + messageText(std::string_view(&*invalid, 1)) +
                    ") is encountered.\n"};
    }
    return {std::move(pattern), std::nullopt, std::string()};
}

BarStringInput readBarStringInput(std::FILE* stream, std::string_view unreadableMessage) {
    BarStringInput input = loadBarStringInput(stream, unreadableMessage);
    std::fwrite(input.refusalMessage.data(), 1, input.refusalMessage.size(), stderr);
    return input;
}

}  // namespace ostrel2::tessoran
