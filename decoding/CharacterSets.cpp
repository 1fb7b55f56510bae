// SPDX-License-Identifier: Apache-2.0
#include "decoding/CharacterSets.h"

#include <algorithm>
#include <array>

namespace ostrel2::tessoran {

namespace {

// ECI 29 is GB 2312 in its EUC form; EUC-CN holds exactly that set, so bytes
// outside it fail rather than pass as the GBK or GB 18030 supersets would
// read them. ECI 20 is read as JIS X 0201 and 0208, where 0x5C is the yen
// sign and 0x7E the overline. ECI 170 is the invariant part of ISO 646,
// read through ASCII, which contains it.
constexpr std::array<CharacterSet, 36> kAllCharacterSets = {{
    {0, "CP437", "CP437"},
    {1, "ISO-8859-1", "ISO-8859-1"},
    {2, "CP437", "CP437"},
    {3, "ISO-8859-1", "ISO-8859-1"},
    {4, "ISO-8859-2", "ISO-8859-2"},
    {5, "ISO-8859-3", "ISO-8859-3"},
    {6, "ISO-8859-4", "ISO-8859-4"},
    {7, "ISO-8859-5", "ISO-8859-5"},
    {8, "ISO-8859-6", "ISO-8859-6"},
    {9, "ISO-8859-7", "ISO-8859-7"},
    {10, "ISO-8859-8", "ISO-8859-8"},
    {11, "ISO-8859-9", "ISO-8859-9"},
    {12, "ISO-8859-10", "ISO-8859-10"},
    {13, "ISO-8859-11", "ISO-8859-11"},
    {15, "ISO-8859-13", "ISO-8859-13"},
    {16, "ISO-8859-14", "ISO-8859-14"},
    {17, "ISO-8859-15", "ISO-8859-15"},
    {18, "ISO-8859-16", "ISO-8859-16"},
    {20, "Shift_JIS", "SHIFT_JIS"},
    {21, "windows-1250", "CP1250"},
    {22, "windows-1251", "CP1251"},
    {23, "windows-1252", "CP1252"},
    {24, "windows-1256", "CP1256"},
    {25, "UTF-16BE", "UTF-16BE"},
    {26, "UTF-8", "UTF-8"},
    {27, "US-ASCII", "ASCII"},
    {28, "Big5", "BIG5"},
    {29, "GB2312", "EUC-CN"},
    {30, "EUC-KR", "EUC-KR"},
    {31, "GBK", "GBK"},
    {32, "GB18030", "GB18030"},
    {33, "UTF-16LE", "UTF-16LE"},
    {34, "UTF-32BE", "UTF-32BE"},
    {35, "UTF-32LE", "UTF-32LE"},
    {170, "ISO-646-INV", "ASCII"},
    {kBinaryEci, "binary", nullptr},
}};

static_assert(std::is_sorted(kAllCharacterSets.begin(), kAllCharacterSets.end(),
                             [](const CharacterSet& a, const CharacterSet& b) {
                                 return a.eci < b.eci;
                             }),
              "the sets are looked up by binary search");

}  // namespace

std::span<const CharacterSet> characterSets() {
    return kAllCharacterSets;
}

const CharacterSet* characterSetOfEci(std::int32_t eci) {
    const auto found = std::lower_bound(
        kAllCharacterSets.begin(), kAllCharacterSets.end(), eci,
        [](const CharacterSet& set, std::int32_t number) { return set.eci < number; });
    return found != kAllCharacterSets.end() && found->eci == eci ? &*found : nullptr;
}

const char* charsetNameOfEci(std::int32_t eci) {
    const CharacterSet* set = characterSetOfEci(eci);
    return set != nullptr ? set->name : nullptr;
}

}  // namespace ostrel2::tessoran
