// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "decoding/CharacterSets.h"
#include "pipeline/EverySymbol.h"
#include "platform/PathChar.h"

namespace ostrel2::tessoran {

// The modes that read any number of files for scripts.
enum class BatchMode {
    Json,  // every symbol of every file as one JSON document
    Join,  // the Macro PDF417 file that the files' symbols make
};

struct BatchArguments {
    BatchMode mode = BatchMode::Json;
    ReadOptions read;
    // The ECI whose character set data before any designator is taken in.
    std::int32_t defaultEci = kDefaultEci;
    // No messages on standard error.
    bool quiet = false;
    std::vector<const PathChar*> files;
};

// The arguments, or what is wrong with them.
struct BatchParse {
    std::optional<BatchArguments> arguments;
    std::string usageError;
};

// The batch mode that a first argument of exactly "--json" or "--join"
// chooses; none for any other.
std::optional<BatchMode> batchModeOf(const PathChar* firstArgument);

// The arguments after the mode: options (--quiet, --no-capture,
// --max-symbols N, --default-eci N), then at least one file; "--" ends the
// options, so that a file whose name starts with "-" can follow it.
BatchParse parseBatchArguments(BatchMode mode, int count, PathChar** arguments);

}  // namespace ostrel2::tessoran
