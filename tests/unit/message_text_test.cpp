// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/MessageText.h"

namespace ostrel2::tessoran {
namespace {

struct EscapeCase {
    const char* what;
    std::string text;
    std::string shown;
};

TEST(MessageText, EscapesControlCharactersAndWhatIsNoUtf8) {
    const std::vector<EscapeCase> cases = {
        {"printable ASCII and backslashes", "a/b\\c d~", "a/b\\c d~"},
        {"control characters", std::string("\x00\x01\x1b\x1f\x7f", 5), "\\x00\\x01\\x1b\\x1f\\x7f"},
        {"two, three and four bytes",
         "\xC2\xA0\xE2\x82\xAC\xEF\xBF\xBD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF",
         "\xC2\xA0\xE2\x82\xAC\xEF\xBF\xBD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
        {"a lone continuation byte",
         "a\x80"
         "b",
         "a\\x80b"},
        {"a lead byte without its continuation",
         "\xC3"
         "a",
         "\\xc3a"},
        {"a sequence cut by the end", "\xE2\x82", "\\xe2\\x82"},
        {"overlong forms", "\xC0\xAF\xC1\xBF\xE0\x9F\xBF\xF0\x8F\xBF\xBF",
         "\\xc0\\xaf\\xc1\\xbf\\xe0\\x9f\\xbf\\xf0\\x8f\\xbf\\xbf"},
        {"a surrogate", "\xED\xA0\x80", "\\xed\\xa0\\x80"},
        {"past U+10FFFF", "\xF4\x90\x80\x80\xF5\x80\x80\x80",
         "\\xf4\\x90\\x80\\x80\\xf5\\x80\\x80\\x80"},
        {"the highest bytes", "\xFE\xFF", "\\xfe\\xff"},
    };
    for (const EscapeCase& test : cases) {
        EXPECT_EQ(messageText(test.text), test.shown) << test.what;
    }
}

}  // namespace
}  // namespace ostrel2::tessoran
