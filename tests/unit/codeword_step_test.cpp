// SPDX-License-Identifier: Apache-2.0
#include "symbol/CodewordStep.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/Pdf417Encoder.h"

namespace tessoran_test {
namespace {

namespace tr = ostrel2::tessoran;
using tr::DecodeFailure;
using Codewords = std::vector<std::int32_t>;

// "HELLO" in text compaction (H=7, E=4, L=11, O=14).
const std::vector<int> kHello = textCodewords({7, 4, 11, 11, 14});

// What a clean reading of `symbol` hands to the codeword step; with
// `indicators`, every row indicator on both sides is read too.
tr::SymbolCodewords readingOf(const Pdf417Symbol& symbol, bool indicators = false) {
    tr::SymbolCodewords found;
    found.codewords.assign(symbol.codewords.begin(), symbol.codewords.end());
    found.rows = symbol.rows;
    for (int row = 0; indicators && row < symbol.rows; ++row) {
        const auto [left, right] = rowIndicators(symbol, row);
        found.indicators.push_back({row, tr::IndicatorSide::Left, left});
        found.indicators.push_back({row, tr::IndicatorSide::Right, right});
    }
    return found;
}

std::string textOf(const tr::SegmentList& segments) {
    std::string text;
    for (const tr::Segment& segment : segments) {
        text += segment.text;
    }
    return text;
}

// Adds 1 (mod 929) to the codewords at `positions`: misread values.
tr::SymbolCodewords misread(tr::SymbolCodewords found, const std::vector<int>& positions) {
    for (const int position : positions) {
        found.codewords[position] = (found.codewords[position] + 1) % 929;
    }
    return found;
}

tr::SymbolCodewords erased(tr::SymbolCodewords found, const std::vector<int>& positions) {
    for (const int position : positions) {
        found.codewords[position] = 0;
        found.erasures.push_back(position);
    }
    return found;
}

TEST(CodewordStep, WhatIsCorrectedAndCounted) {
    // Level 2: 8 check codewords, of which 6 may be spent (two are kept to
    // verify), an error costing two and an erasure one.
    const Pdf417Symbol symbol = encodeSymbol(kHello, 2, 3);
    const tr::SymbolCodewords clean = readingOf(symbol);
    struct Case {
        const char* name;
        tr::SymbolCodewords found;
        std::int32_t located;
        std::int32_t erased;
    };
    const Case cases[] = {
        {"as printed", clean, 0, 0},
        {"three errors", misread(clean, {0, 4, 10}), 3, 0},
        {"six erasures, one listed twice", erased(erased(clean, {1, 2, 3, 5, 6}), {6, 9}), 6, 6},
        {"two errors and two erasures", erased(misread(clean, {2, 7}), {3, 11}), 4, 2},
        {"the descriptor erased", erased(clean, {0}), 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const tr::Result<tr::DecodedCodewords> decoded = tr::decodeCodewords(c.found);
        ASSERT_TRUE(decoded.ok());
        const tr::CorrectedCodewords& corrected = decoded.value().corrected;
        EXPECT_EQ(corrected.codewords, Codewords(symbol.codewords.begin(), symbol.codewords.end()));
        EXPECT_EQ(corrected.rows, symbol.rows);
        EXPECT_EQ(corrected.columns(), 3);
        EXPECT_EQ(corrected.checkCodewords, 8);
        EXPECT_EQ(corrected.ecLevel(), 2);
        EXPECT_EQ(corrected.located, c.located);
        EXPECT_EQ(corrected.erased, c.erased);
        EXPECT_EQ(textOf(decoded.value().segments), "HELLO");
    }
}

// Codewords that pass Reed-Solomon with `checkCount` check codewords and whose
// length descriptor announces exactly that many, in `rows` rows.
tr::SymbolCodewords withCheckCount(int checkCount, int dataCodewords, int rows) {
    std::vector<int> word(static_cast<std::size_t>(dataCodewords), 900);
    word[0] = dataCodewords;
    const std::vector<int> checks = checkCodewords(word, checkCount);
    word.insert(word.end(), checks.begin(), checks.end());
    return {Codewords(word.begin(), word.end()), {}, rows, {}};
}

TEST(CodewordStep, WhatIsRefused) {
    const Pdf417Symbol symbol = encodeSymbol(kHello, 2, 3);
    const tr::SymbolCodewords clean = readingOf(symbol);
    tr::SymbolCodewords tooMany = clean;
    tooMany.codewords.assign(3061, 900);
    tooMany.rows = 1;
    tr::SymbolCodewords moreErasuresThanCodewords = clean;
    moreErasuresThanCodewords.erasures.assign(clean.codewords.size() + 1, 0);
    tr::SymbolCodewords noRows = clean;
    noRows.rows = 0;
    // The descriptor announces no data at all before 4 codewords that would
    // all be check codewords; nothing is even tried.
    const tr::SymbolCodewords allCheck{{0, 5, 7, 9}, {}, 1, {}};
    tr::SymbolCodewords otherColumns = readingOf(symbol, true);
    otherColumns.rows = 3;  // the indicators state more rows
    tr::SymbolCodewords damagedWithLevel = misread(readingOf(symbol, true), {0, 4, 8, 10});

    const struct {
        const char* name;
        tr::SymbolCodewords found;
        DecodeFailure failure;
    } cases[] = {
        {"no codewords", {}, DecodeFailure::NoSymbol},
        {"no rows", noRows, DecodeFailure::NoSymbol},
        {"more codewords than a symbol holds", tooMany, DecodeFailure::NoSymbol},
        {"more erasures than codewords", moreErasuresThanCodewords, DecodeFailure::NoSymbol},
        {"indicators stating another shape", otherColumns, DecodeFailure::NoSymbol},
        {"a descriptor announcing only check codewords", allCheck, DecodeFailure::NoSymbol},
        // 6 is within 2..512 but not a power of two: no symbol has it.
        {"a valid word with 6 check codewords", withCheckCount(6, 6, 3), DecodeFailure::NoSymbol},
        // With the descriptor intact, its count was tried and failed.
        {"four errors at level 2", misread(clean, {1, 4, 8, 10}), DecodeFailure::Uncorrectable},
        {"four errors, the level stated", damagedWithLevel, DecodeFailure::Uncorrectable},
        {"seven erasures at level 2", erased(clean, {1, 2, 3, 4, 5, 6, 7}),
         DecodeFailure::Uncorrectable},
        // A damaged descriptor announcing no possible count leaves nothing tried.
        {"four errors, the descriptor one", misread(clean, {0, 4, 8, 10}), DecodeFailure::NoSymbol},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const tr::Result<tr::DecodedCodewords> decoded = tr::decodeCodewords(c.found);
        ASSERT_FALSE(decoded.ok());
        EXPECT_EQ(decoded.failure(), c.failure);
    }
    // Every power of two from 2 to 512 is a count a symbol can have.
    for (int checkCount = 2; checkCount <= 512; checkCount *= 2) {
        SCOPED_TRACE(checkCount);
        const tr::Result<tr::CorrectedCodewords> corrected =
            tr::correctCodewords(withCheckCount(checkCount, 6, 1));
        ASSERT_TRUE(corrected.ok());
        EXPECT_EQ(corrected.value().checkCodewords, checkCount);
    }
}

TEST(CodewordStep, AStatedLevelOutranksADamagedDescriptor) {
    // The descriptor is misread as announcing 2 check codewords, so without the
    // indicators the count it announces fails, and the other counts are tried.
    const Pdf417Symbol symbol = encodeSymbol(kHello, 3, 4);
    tr::SymbolCodewords found = readingOf(symbol, true);
    found.codewords[0] = static_cast<std::int32_t>(found.codewords.size()) - 2;
    const tr::Result<tr::CorrectedCodewords> withLevel = tr::correctCodewords(found);
    ASSERT_TRUE(withLevel.ok());
    EXPECT_EQ(withLevel.value().checkCodewords, 16);
    EXPECT_EQ(withLevel.value().located, 1);
    EXPECT_EQ(withLevel.value().codewords[0], symbol.codewords[0]);

    found.indicators.clear();
    const tr::Result<tr::CorrectedCodewords> fromCounts = tr::correctCodewords(found);
    ASSERT_TRUE(fromCounts.ok());
    EXPECT_EQ(fromCounts.value().checkCodewords, 16);
    EXPECT_EQ(fromCounts.value().codewords[0], symbol.codewords[0]);
}

TEST(CodewordStep, MalformedDataIsItsOwnFailure) {
    // A corrected symbol whose data ends inside an ECI designator (927 takes
    // one value codeword).
    const Pdf417Symbol symbol = encodeSymbol({927}, 1, 2);
    const tr::Result<tr::DecodedCodewords> decoded = tr::decodeCodewords(readingOf(symbol));
    ASSERT_FALSE(decoded.ok());
    EXPECT_EQ(decoded.failure(), DecodeFailure::EciPastEnd);
}

}  // namespace
}  // namespace tessoran_test
