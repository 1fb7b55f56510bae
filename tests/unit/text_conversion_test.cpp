// SPDX-License-Identifier: Apache-2.0
// Data bytes to UTF-8 in the character set of their ECI. The byte strings are
// the ones zint writes for the same characters under the same ECI (checked
// by comparing its symbols for the UTF-8 text and for these bytes).

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "decoding/CharacterSets.h"
#include "decoding/CodewordInterpreter.h"
#include "decoding/TextConversion.h"
#include "platform/CharsetConversion.h"
#include "support/Zint.h"

namespace ostrel2::tessoran {
namespace {

TEST(CharacterSets, EveryConverterNameOpens) {
    for (const CharacterSet& set : characterSets()) {
        if (set.converterName == nullptr) {
            continue;
        }
        const Utf8Conversion conversion = convertToUtf8("", set.converterName);
        EXPECT_TRUE(std::holds_alternative<std::string>(conversion))
            << "ECI " << set.eci << ": " << set.converterName;
    }
}

TEST(CharacterSets, NamesByEci) {
    const struct {
        std::int32_t eci;
        const char* name;
    } cases[] = {
        {0, "CP437"},        {2, "CP437"},        {3, "ISO-8859-1"}, {13, "ISO-8859-11"},
        {15, "ISO-8859-13"}, {18, "ISO-8859-16"}, {20, "Shift_JIS"}, {26, "UTF-8"},
        {29, "GB2312"},      {35, "UTF-32LE"},    {899, "binary"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(charsetNameOfEci(c.eci), nullptr) << c.eci;
        EXPECT_STREQ(charsetNameOfEci(c.eci), c.name) << c.eci;
    }
    for (const std::int32_t unknown : {-1, 14, 19, 36, 169, 171, 898, 900, 810900}) {
        EXPECT_EQ(charsetNameOfEci(unknown), nullptr) << unknown;
    }
}

struct ConversionCase {
    std::int32_t eci;
    std::string bytes;
    std::string utf8;
};

const std::vector<ConversionCase> kKnownTexts = {
    {0, "\x82", "é"},
    {2, "\x82\x9B", "é¢"},
    {1, "\xE9", "é"},
    {3, "\xE9", "é"},
    {4, "\xB1", "ą"},
    {7, "\xBF\xE0\xD8\xD2\xD5\xE2", "Привет"},
    {9, "\xE1", "α"},
    {13, "\xA1", "ก"},
    {17, "\xA4", "€"},
    {18, "\xAA", "Ș"},
    {20, "\x93\xFA\x96\x7B", "日本"},
    {20, "\x5C", "¥"},
    {21, "\xF5", "ő"},
    {22, "\xCF", "П"},
    {23, "\x80", "€"},
    {24, "\xC7", "ا"},
    {25, std::string("\x00\x41\x00\xE9", 4), "Aé"},
    {26, "\xC3\xA9", "é"},
    {27, "A~", "A~"},
    {28, "\xA4\xA4", "中"},
    {29, "\xD6\xD0", "中"},
    {30, "\xC7\xD1", "한"},
    {31, "\xD6\xD0", "中"},
    {32, "\x81\x30\x81\x30", "\xC2\x80"},
    {33, std::string("\x41\x00", 2), "A"},
    {34, std::string("\x00\x01\xF6\x00", 4), "😀"},
    {35, std::string("\x00\xF6\x01\x00", 4), "😀"},
    {170, "AZ", "AZ"},
};

TEST(TextConversion, KnownTextsInTheirSets) {
    for (const ConversionCase& c : kKnownTexts) {
        const TextResult result = utf8TextOf(c.bytes, c.eci);
        ASSERT_TRUE(result.ok()) << "ECI " << c.eci;
        EXPECT_EQ(result.utf8, c.utf8) << "ECI " << c.eci;
    }
}

TEST(TextConversion, BytesThatAreNoTextFail) {
    const std::vector<ConversionCase> cases = {
        {26, "\xC3", ""},                  // cut off
        {26, "A\xFF", ""},                 // never in UTF-8
        {27, "\x80", ""},                  // above ASCII
        {20, "\x81", ""},                  // a lead byte alone
        {25, std::string("\x00", 1), ""},  // half a unit
        {29, "\xA1", ""},                  // half a character
        {5, "\xA5", ""},                   // unassigned in ISO-8859-3
    };
    for (const ConversionCase& c : cases) {
        const TextResult result = utf8TextOf(c.bytes, c.eci);
        ASSERT_FALSE(result.ok()) << "ECI " << c.eci;
        EXPECT_EQ(result.problem->failure, TextFailure::InvalidBytes) << "ECI " << c.eci;
        EXPECT_EQ(result.problem->eci, c.eci);
        EXPECT_TRUE(result.utf8.empty());
    }
}

TEST(TextConversion, UnknownAndBinaryEcis) {
    EXPECT_EQ(utf8TextOf("A", 14).problem->failure, TextFailure::UnknownEci);
    EXPECT_EQ(utf8TextOf("A", 811800).problem->failure, TextFailure::UnknownEci);
    EXPECT_EQ(utf8TextOf("A", kBinaryEci).problem->failure, TextFailure::BinaryData);
}

// Longer than the converter's working buffer, so that it takes several rounds.
TEST(TextConversion, LongText) {
    std::string bytes;
    std::string utf8;
    for (int i = 0; i < 3000; ++i) {
        bytes += "\x82x";
        utf8 += "éx";
    }
    const TextResult result = utf8TextOf(bytes, 2);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.utf8, utf8);
}

SymbolContent contentWith(std::vector<ContentPiece> pieces) {
    return SymbolContent{std::move(pieces), std::nullopt};
}

constexpr auto kData = ContentPiece::Kind::Data;
constexpr auto kEci = ContentPiece::Kind::Eci;

TEST(TextConversion, EachPieceInItsOwnSet) {
    const SymbolContent content = contentWith({
        {kData, "\x82", kNoEci},
        {kEci, "", 26},
        {kData, "\xC3\xA9", 26},
        {kEci, "", 7},
        {kData, "\xBF", 7},
    });
    const TextResult defaultSet = utf8Text(content);
    ASSERT_TRUE(defaultSet.ok());
    EXPECT_EQ(defaultSet.utf8, "ééП");
    const TextResult chosenSet = utf8Text(content, 3);
    ASSERT_TRUE(chosenSet.ok());
    EXPECT_EQ(chosenSet.utf8,
              "\xC2\x82"
              "éП");
}

TEST(TextConversion, TheFailingPieceIsNamed) {
    const SymbolContent content = contentWith({
        {kData, "A", kNoEci},
        {kEci, "", 26},
        {kData, "\xFF", 26},
    });
    const TextResult result = utf8Text(content);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.problem->failure, TextFailure::InvalidBytes);
    EXPECT_EQ(result.problem->piece, 2U);
    EXPECT_EQ(result.problem->eci, 26);
    EXPECT_TRUE(result.utf8.empty());

    const TextResult unknownDefault = utf8Text(contentWith({{kData, "A", kNoEci}}), 14);
    ASSERT_FALSE(unknownDefault.ok());
    EXPECT_EQ(unknownDefault.problem->failure, TextFailure::UnknownEci);
    EXPECT_EQ(unknownDefault.problem->eci, 14);
}

// Whole symbols from zint: the bytes it writes for an ECI, read back from the
// modules, come out as the UTF-8 text given.
TEST(TextConversion, ZintSymbolsBackToTheirText) {
    for (const ConversionCase& c : kKnownTexts) {
        if (c.eci <= 2) {
            continue;  // zint refuses ECI 1 and 2 and writes no designator for 0
        }
        const std::vector<std::string> rows =
            tessoran_test::zintModuleRows({"--eci=" + std::to_string(c.eci)}, c.bytes);
        const std::vector<int> codewords = tessoran_test::moduleRowsToCodewords(rows);
        const Result<SegmentList> segments =
            interpretCodewords(std::vector<std::int32_t>(codewords.begin(), codewords.end()));
        ASSERT_TRUE(segments.ok()) << "ECI " << c.eci;
        const TextResult text = utf8Text(contentOf(segments.value()));
        ASSERT_TRUE(text.ok()) << "ECI " << c.eci;
        EXPECT_EQ(text.utf8, c.utf8) << "ECI " << c.eci;
    }
}

}  // namespace
}  // namespace ostrel2::tessoran
