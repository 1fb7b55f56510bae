// SPDX-License-Identifier: Apache-2.0
#pragma once
// The objects behind the opaque types of the C interface.

#include <cstdint>
#include <vector>

#include "decoding/CharacterSets.h"
#include "decoding/MacroJoin.h"
#include "pipeline/EverySymbol.h"
#include "pipeline/SymbolReport.h"
#include "tessoran/tessoran.h"

struct tessoran_options {
    ostrel2::tessoran::ReadOptions read;
    std::int32_t defaultEci = ostrel2::tessoran::kDefaultEci;
};

struct tessoran_symbol {
    ostrel2::tessoran::SymbolReport report;
};

struct tessoran_symbols {
    // Never resized once handed out: callers hold pointers to its symbols.
    std::vector<tessoran_symbol> symbols;
};

struct tessoran_joined {
    // One for each file ID among the symbols joined, the first one's first.
    std::vector<ostrel2::tessoran::JoinedFile> files;
};
