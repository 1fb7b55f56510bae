// SPDX-License-Identifier: Apache-2.0
#include "frontend/JsonReport.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "decoding/CharacterSets.h"
#include "frontend/Base64.h"

namespace ostrel2::tessoran {

namespace {

using json = nlohmann::ordered_json;

const char* outcomeName(FileOutcome outcome) {
    switch (outcome) {
        case FileOutcome::Decoded:
            return "decoded";
        case FileOutcome::NoSymbol:
            return "no_symbol";
        case FileOutcome::Uncorrectable:
            return "uncorrectable";
        case FileOutcome::MalformedData:
            return "malformed_data";
        case FileOutcome::Unreadable:
            break;
    }
    return "unreadable";
}

// Hundredths of a pixel: finer than any reader places a corner.
json pointJson(PicturePoint point) {
    const auto rounded = [](double value) { return std::round(value * 100) / 100; };
    return json::array({rounded(point.x), rounded(point.y)});
}

json cornersJson(const SymbolPlace& place) {
    return json{{"top_left", pointJson(place.corners[0])},
                {"top_right", pointJson(place.corners[1])},
                {"bottom_right", pointJson(place.corners[2])},
                {"bottom_left", pointJson(place.corners[3])}};
}

json textOrNull(const TextResult& text) {
    return text.ok() ? json(text.utf8) : json(nullptr);
}

// Why data is no text, for people.
std::string whyNotText(const TextProblem& problem) {
    const std::string eci = "ECI " + std::to_string(problem.eci);
    switch (problem.failure) {
        case TextFailure::UnknownEci:
            return eci + " names no character set known here";
        case TextFailure::BinaryData:
            return eci + " marks binary data";
        case TextFailure::InvalidBytes:
            return "bytes that are not valid in the character set of " + eci;
        case TextFailure::NoConverter:
            break;
    }
    return "no converter from the character set of " + eci + " on this system";
}

json segmentJson(const ContentPiece& piece, std::int32_t defaultEci) {
    if (piece.kind == ContentPiece::Kind::Eci) {
        return json{{"type", "eci"}, {"eci", piece.eci}};
    }
    const std::int32_t eci = piece.eci >= 0 ? piece.eci : defaultEci;
    const char* charset = charsetNameOfEci(eci);
    return json{{"type", "data"},
                {"eci", piece.eci >= 0 ? json(piece.eci) : json(nullptr)},
                {"charset", charset != nullptr ? json(charset) : json(nullptr)},
                {"bytes_base64", base64Of(piece.bytes)},
                {"text", textOrNull(utf8TextOf(piece.bytes, eci))}};
}

template <class Value>
json optionalJson(const std::optional<Value>& value) {
    return value ? json(*value) : json(nullptr);
}

json macroJson(const std::optional<MacroControl>& macro) {
    if (!macro) {
        return nullptr;
    }
    return json{{"segment_index", optionalJson(macro->segmentIndex)},
                {"file_id", macro->fileId},
                {"file_id_text", macro->fileIdText},
                {"segment_count", optionalJson(macro->segmentCount)},
                {"file_name", optionalJson(macro->fileName)},
                {"time_stamp", optionalJson(macro->timeStamp)},
                {"sender", optionalJson(macro->sender)},
                {"addressee", optionalJson(macro->addressee)},
                {"file_size", optionalJson(macro->fileSize)},
                {"checksum", optionalJson(macro->checksum)},
                {"last_segment", macro->lastSegment}};
}

json symbolJson(const SymbolReport& symbol, std::int32_t defaultEci) {
    json segments = json::array();
    for (const ContentPiece& piece : symbol.content.pieces) {
        segments.push_back(segmentJson(piece, defaultEci));
    }
    json entry{{"rows", symbol.rows},
               {"columns", symbol.columns},
               {"error_correction_level", symbol.ecLevel},
               {"corners", cornersJson(symbol.place)},
               {"mirrored", symbol.place.mirrored()},
               {"errors_corrected", symbol.correction.errorsCorrected},
               {"erasures_filled", symbol.correction.erasuresFilled},
               {"check_codewords", symbol.correction.checkCodewords},
               {"unused_check_codewords", symbol.correction.unusedCheckCodewords},
               {"data_base64", base64Of(symbol.data)},
               {"text", textOrNull(symbol.text)}};
    if (!symbol.text.ok()) {
        entry["text_error"] = whyNotText(*symbol.text.problem);
    }
    entry["segments"] = std::move(segments);
    entry["macro"] = macroJson(symbol.content.macro);
    return entry;
}

json fileJson(const FileReading& file, std::int32_t defaultEci) {
    json entry{{"file", file.path}, {"status", outcomeName(file.outcome)}};
    if (file.outcome != FileOutcome::Decoded) {
        entry["error"] = file.error;
    }
    json symbols = json::array();
    for (const SymbolReport& symbol : file.symbols) {
        symbols.push_back(symbolJson(symbol, defaultEci));
    }
    entry["symbols"] = std::move(symbols);
    return entry;
}

}  // namespace

std::string jsonReport(const std::vector<FileReading>& files, std::int32_t defaultEci) {
    json entries = json::array();
    for (const FileReading& file : files) {
        entries.push_back(fileJson(file, defaultEci));
    }
    const json document{{"files", std::move(entries)}};
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace ostrel2::tessoran
