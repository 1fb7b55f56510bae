// SPDX-License-Identifier: Apache-2.0
#include "decoding/TextConversion.h"

#include <variant>

#include "platform/CharsetConversion.h"

namespace ostrel2::tessoran {

namespace {

TextResult failed(TextFailure failure, std::int32_t eci) {
    return {{}, TextProblem{failure, 0, eci}};
}

}  // namespace

TextResult utf8TextOf(std::string_view bytes, std::int32_t eci) {
    const CharacterSet* set = characterSetOfEci(eci);
    if (set == nullptr) {
        return failed(TextFailure::UnknownEci, eci);
    }
    if (set->converterName == nullptr) {
        return failed(TextFailure::BinaryData, eci);
    }
    Utf8Conversion conversion = convertToUtf8(bytes, set->converterName);
    if (const ConversionFailure* failure = std::get_if<ConversionFailure>(&conversion)) {
        return failed(*failure == ConversionFailure::InvalidBytes ? TextFailure::InvalidBytes
                                                                  : TextFailure::NoConverter,
                      eci);
    }
    return {std::get<std::string>(std::move(conversion)), std::nullopt};
}

TextResult utf8Text(const SymbolContent& content, std::int32_t defaultEci) {
    std::string text;
    for (std::size_t index = 0; index < content.pieces.size(); ++index) {
        const ContentPiece& piece = content.pieces[index];
        if (piece.kind != ContentPiece::Kind::Data) {
            continue;
        }
        TextResult converted =
            utf8TextOf(piece.bytes, piece.eci == kNoEci ? defaultEci : piece.eci);
        if (!converted.ok()) {
            converted.problem->piece = index;
            return converted;
        }
        text += converted.utf8;
    }
    return {std::move(text), std::nullopt};
}

}  // namespace ostrel2::tessoran
