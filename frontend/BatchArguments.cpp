// SPDX-License-Identifier: Apache-2.0
#include "frontend/BatchArguments.h"

#include "decoding/CharacterSets.h"
#include "frontend/InputMode.h"
#include "frontend/MessagePath.h"

namespace ostrel2::tessoran {

namespace {

// A whole decimal number from 0 to 999999, or none.
std::optional<std::int32_t> smallNumber(const PathChar* text) {
    constexpr std::int32_t kMostDigits = 6;
    std::int32_t value = 0;
    std::int32_t digits = 0;
    for (; text[digits] != 0; ++digits) {
        if (digits == kMostDigits || text[digits] < '0' || text[digits] > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::int32_t>(text[digits] - '0');
    }
    return digits > 0 ? std::optional<std::int32_t>(value) : std::nullopt;
}

BatchParse refused(std::string message) {
    return BatchParse{std::nullopt, std::move(message)};
}

}  // namespace

std::optional<BatchMode> batchModeOf(const PathChar* firstArgument) {
    if (isExactly(firstArgument, "--json")) {
        return BatchMode::Json;
    }
    if (isExactly(firstArgument, "--join")) {
        return BatchMode::Join;
    }
    return std::nullopt;
}

BatchParse parseBatchArguments(BatchMode mode, int count, PathChar** arguments) {
    BatchArguments parsed;
    parsed.mode = mode;
    int next = 0;
    for (; next < count && arguments[next][0] == '-'; ++next) {
        const PathChar* option = arguments[next];
        if (isExactly(option, "--")) {
            ++next;
            break;
        }
        if (isExactly(option, "--quiet")) {
            parsed.quiet = true;
        } else if (isExactly(option, "--no-capture")) {
            parsed.read.tryCapture = false;
        } else if (isExactly(option, "--max-symbols") || isExactly(option, "--default-eci")) {
            const std::optional<std::int32_t> value =
                next + 1 < count ? smallNumber(arguments[next + 1]) : std::nullopt;
            if (!value) {
                return refused(messagePath(option) + " needs a number.");
            }
            if (isExactly(option, "--max-symbols")) {
                parsed.read.maxSymbols = *value;
            } else if (charsetNameOfEci(*value) == nullptr) {
                return refused("No character set is known for ECI " + std::to_string(*value) + ".");
            } else {
                parsed.defaultEci = *value;
            }
            ++next;
        } else {
            return refused("Unknown option " + messagePath(option) + ".");
        }
    }
    for (; next < count; ++next) {
        parsed.files.push_back(arguments[next]);
    }
    if (parsed.files.empty()) {
        return refused("No file to read.");
    }
    return BatchParse{std::move(parsed), std::string()};
}

}  // namespace ostrel2::tessoran
