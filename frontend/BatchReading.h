// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

#include "frontend/BatchArguments.h"
#include "pipeline/SymbolReport.h"
#include "platform/PathChar.h"

namespace ostrel2::tessoran {

// How reading one file of a batch ended.
enum class FileOutcome {
    Decoded,        // at least one symbol
    NoSymbol,       // read, but no symbol in it
    Uncorrectable,  // a symbol too damaged to correct
    MalformedData,  // a symbol whose data breaks the encoding's rules
    Unreadable,     // missing, not an image, or not a valid bar string
};

struct FileReading {
    std::string path;  // as given, in UTF-8 on Windows
    FileOutcome outcome = FileOutcome::NoSymbol;
    // For anything but Decoded: a short message, no line end.
    std::string error;
    std::vector<SymbolReport> symbols;
};

// Reads every symbol of one file: a bar string when its name ends in ".txt"
// (in any case), a picture otherwise. Prints nothing.
FileReading readBatchFile(const PathChar* path, const BatchArguments& arguments);

}  // namespace ostrel2::tessoran
