// SPDX-License-Identifier: Apache-2.0
#include "decoding/SymbolContent.h"

#include <charconv>
#include <cstdio>
#include <limits>
#include <span>
#include <string_view>

#include "decoding/MacroPdf417.h"

namespace ostrel2::tessoran {

namespace {

// The number of an 'e' segment's digits; an ECI number has at most six
// digits, so it always fits.
std::int32_t eciNumberOf(std::string_view digits) {
    std::int32_t number = kNoEci;
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return number;
}

// Three decimal digits a codeword, as encoders are given a file ID.
std::string fileIdDigits(std::span<const std::int32_t> codewords) {
    std::string digits;
    for (const std::int32_t codeword : codewords) {
        char text[16];
        std::snprintf(text, sizeof text, "%03d", static_cast<int>(codeword));
        digits += text;
    }
    return digits;
}

void readControlBlock(MacroControl& control, std::span<const std::int32_t> run) {
    const ControlBlockCodewords parts = splitControlBlock(run);
    const std::optional<std::uint64_t> index = macroNumber(parts.segmentIndex);
    control.segmentIndex.reset();
    if (index && *index <= std::numeric_limits<std::uint32_t>::max()) {
        control.segmentIndex = static_cast<std::uint32_t>(*index);
    }
    control.fileId = fileIdDigits(parts.fileId);
    control.fileIdText = macroText(parts.fileId);
}

void readOptionalField(MacroControl& control, std::span<const std::int32_t> run) {
    const std::optional<MacroField> field = run.empty() ? std::nullopt : macroFieldOf(run[0]);
    if (!field) {
        return;
    }
    const std::span<const std::int32_t> data = run.subspan(1);
    switch (*field) {
        case MacroField::FileName:
            control.fileName = macroText(data);
            break;
        case MacroField::Sender:
            control.sender = macroText(data);
            break;
        case MacroField::Addressee:
            control.addressee = macroText(data);
            break;
        case MacroField::SegmentCount:
            control.segmentCount = macroNumber(data);
            break;
        case MacroField::TimeStamp:
            control.timeStamp = macroNumber(data);
            break;
        case MacroField::FileSize:
            control.fileSize = macroNumber(data);
            break;
        case MacroField::Checksum:
            control.checksum = macroNumber(data);
            break;
    }
}

// The walk over the segments: Data pieces grow until an ECI or Macro segment
// closes them.
class ContentReader {
  public:
    void read(const Segment& segment) {
        switch (segment.tag) {
            case kTextTag:
            case kByteTag:
            case kNumericTag:
                appendData(segment.text);
                break;
            case kEciTag:
                eciInForce = eciNumberOf(segment.text);
                content.pieces.push_back({ContentPiece::Kind::Eci, {}, eciInForce});
                dataOpen = false;
                break;
            case kMacroControlTag:
                controlBlockRead = true;
                readControlBlock(macro, segment.codewords);
                dataOpen = false;
                break;
            case kMacroOptionalTag:
                readOptionalField(macro, segment.codewords);
                dataOpen = false;
                break;
            case kMacroTerminatorTag:
                macro.lastSegment = true;
                dataOpen = false;
                break;
            default:
                break;
        }
    }

    SymbolContent finish() && {
        if (controlBlockRead) {
            content.macro = std::move(macro);
        }
        return std::move(content);
    }

  private:
    void appendData(std::string_view bytes) {
        if (bytes.empty()) {
            return;
        }
        if (!dataOpen) {
            content.pieces.push_back({ContentPiece::Kind::Data, {}, eciInForce});
            dataOpen = true;
        }
        content.pieces.back().bytes.append(bytes);
    }

    SymbolContent content;
    MacroControl macro;
    bool controlBlockRead = false;
    bool dataOpen = false;
    std::int32_t eciInForce = kNoEci;
};

}  // namespace

std::string SymbolContent::data() const {
    std::string bytes;
    for (const ContentPiece& piece : pieces) {
        if (piece.kind == ContentPiece::Kind::Data) {
            bytes += piece.bytes;
        }
    }
    return bytes;
}

SymbolContent contentOf(const SegmentList& segments) {
    ContentReader reader;
    for (const Segment& segment : segments) {
        reader.read(segment);
    }
    return std::move(reader).finish();
}

}  // namespace ostrel2::tessoran
