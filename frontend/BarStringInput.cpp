// SPDX-License-Identifier: Apache-2.0
#include "frontend/BarStringInput.h"

#include <string>
#include <utility>

#include "frontend/ExitStatus.h"
#include "frontend/MessageText.h"
#include "objects/InterfaceIds.h"
#include "pattern/BarStringMonoImage.h"

namespace ostrel2::tessoran {

namespace {

void printError(std::string_view message) {
    std::fwrite(message.data(), 1, message.size(), stderr);
}

}  // namespace

BarStringInput readBarStringInput(std::FILE* stream, std::string_view unreadableMessage) {
    auto* image = new BarStringMonoImage(stream);
    I2DBitPattern* handedOut = nullptr;
    image->QueryInterface(IID_I2DBitPattern, reinterpret_cast<void**>(&handedOut));
    ObjectReference<I2DBitPattern> pattern(handedOut);

    switch (image->reading()) {
        case BarStringReading::Unreadable:
            printError(unreadableMessage);
            return {nullptr, kExitInput};
        case BarStringReading::TooLarge:
            printError("The bar string is too large.\n");
            return {nullptr, kExitInput};
        case BarStringReading::Complete:
            break;
    }
    if (const std::optional<char> invalid = image->firstInvalidCharacter(); invalid.has_value()) {
        printError("Invalid character(" + messageText(std::string_view(&*invalid, 1)) +
                   ") is encountered.\n");
        return {nullptr, kExitInvalidCharacter};
    }
    return {std::move(pattern), std::nullopt};
}

}  // namespace ostrel2::tessoran
