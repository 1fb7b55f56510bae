// SPDX-License-Identifier: Apache-2.0
// Reading every symbol of a picture through the shared library: the lists,
// each symbol's fields, the options, joining a Macro PDF417 file, and the
// same answers as the program's JSON output.

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/ImageWriters.h"
#include "support/ProgramRunner.h"
#include "support/SymbolPictures.h"
#include "tessoran/tessoran.h"

namespace tessoran_test {
namespace {

using nlohmann::json;

struct FreeSymbols {
    void operator()(tessoran_symbols* symbols) const { tessoran_symbols_free(symbols); }
};
using Symbols = std::unique_ptr<tessoran_symbols, FreeSymbols>;

struct FreeOptions {
    void operator()(tessoran_options* options) const { tessoran_options_free(options); }
};
using Options = std::unique_ptr<tessoran_options, FreeOptions>;

struct FreeJoined {
    void operator()(tessoran_joined* joined) const { tessoran_joined_free(joined); }
};
using Joined = std::unique_ptr<tessoran_joined, FreeJoined>;

Symbols readFile(const std::string& path, const tessoran_options* options,
                 tessoran_status expected) {
    tessoran_symbols* symbols = nullptr;
    EXPECT_EQ(tessoran_read_file(path.c_str(), options, &symbols), expected);
    EXPECT_EQ(symbols == nullptr, expected != TESSORAN_OK);
    return Symbols(symbols);
}

// The bytes a call hands out with their length: `call` takes where the
// length goes.
template <class Call>
std::string bytesOf(Call call) {
    size_t length = 0;
    const unsigned char* data = call(&length);
    return data != nullptr ? std::string(reinterpret_cast<const char*>(data), length) : "";
}

std::string textOf(const tessoran_symbol* symbol) {
    const char* text = nullptr;
    size_t length = 0;
    EXPECT_EQ(tessoran_symbol_text(symbol, &text, &length), TESSORAN_OK);
    return text != nullptr ? std::string(text, length) : "";
}

Placement labelled(const std::string& data, Turn turn, int left, int top) {
    return {data, {"--cols=2"}, turn, left, top, 2};
}

TEST(Read, EverySymbolWithItsFieldsAsTheJsonGivesThem) {
    const TemporaryDirectory directory;
    const std::string path =
        pictureOf(directory, "three.png",
                  {labelled("Left", Turn::Upright, 20, 40), labelled("Middle", Turn::Half, 280, 40),
                   labelled("Right", Turn::Mirrored, 540, 40)},
                  800, 200);
    const Symbols symbols = readFile(path, nullptr, TESSORAN_OK);
    ASSERT_EQ(tessoran_symbols_count(symbols.get()), 3u);
    EXPECT_EQ(tessoran_symbols_at(symbols.get(), 3), nullptr);

    const RunOutcome run = runTessoran({"--json", path});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const json listed = json::parse(run.out).at("files").at(0).at("symbols");
    ASSERT_EQ(listed.size(), 3u);
    const char* names[] = {"top_left", "top_right", "bottom_right", "bottom_left"};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const tessoran_symbol* symbol = tessoran_symbols_at(symbols.get(), i);
        const json& expected = listed.at(i);
        EXPECT_EQ(tessoran_symbol_rows(symbol), expected.at("rows"));
        EXPECT_EQ(tessoran_symbol_columns(symbol), expected.at("columns"));
        EXPECT_EQ(tessoran_symbol_ec_level(symbol), expected.at("error_correction_level"));
        EXPECT_EQ(tessoran_symbol_mirrored(symbol) == 1, expected.at("mirrored").get<bool>());
        EXPECT_EQ(tessoran_symbol_errors_corrected(symbol), expected.at("errors_corrected"));
        EXPECT_EQ(tessoran_symbol_erasures_filled(symbol), expected.at("erasures_filled"));
        EXPECT_EQ(tessoran_symbol_check_codewords(symbol), expected.at("check_codewords"));
        EXPECT_EQ(tessoran_symbol_unused_check_codewords(symbol),
                  expected.at("unused_check_codewords"));
        EXPECT_EQ(textOf(symbol), expected.at("text"));
        const std::string data =
            bytesOf([&](size_t* out) { return tessoran_symbol_data(symbol, out); });
        EXPECT_EQ(data, textOf(symbol));  // no ECI, no Macro PDF417: the same bytes
        for (int corner = 0; corner < 4; ++corner) {
            double x = -1;
            double y = -1;
            ASSERT_EQ(tessoran_symbol_corner(symbol, corner, &x, &y), 1);
            EXPECT_NEAR(x, expected.at("corners").at(names[corner]).at(0).get<double>(), 0.01);
            EXPECT_NEAR(y, expected.at("corners").at(names[corner]).at(1).get<double>(), 0.01);
        }
        ASSERT_EQ(tessoran_symbol_segment_count(symbol), 1u);
        EXPECT_EQ(tessoran_segment_kind_at(symbol, 0), TESSORAN_SEGMENT_DATA);
        EXPECT_EQ(tessoran_segment_eci(symbol, 0), -1);
        EXPECT_EQ(bytesOf([&](size_t* out) { return tessoran_segment_bytes(symbol, 0, out); }),
                  data);
        EXPECT_EQ(tessoran_symbol_has_macro(symbol), 0);
    }
    EXPECT_EQ(textOf(tessoran_symbols_at(symbols.get(), 0)), "Left");
    EXPECT_EQ(tessoran_symbol_mirrored(tessoran_symbols_at(symbols.get(), 2)), 1);

    // The same from the file's bytes in memory.
    const std::string bytes = readFileBytes(path);
    tessoran_symbols* fromMemory = nullptr;
    ASSERT_EQ(tessoran_read_memory(bytes.data(), bytes.size(), nullptr, &fromMemory), TESSORAN_OK);
    const Symbols memory(fromMemory);
    EXPECT_EQ(tessoran_symbols_count(memory.get()), 3u);
}

TEST(Read, TheOptionsChooseHowMuchIsRead) {
    const TemporaryDirectory directory;
    const std::string path =
        pictureOf(directory, "two.png",
                  {labelled("One", Turn::Upright, 20, 20), labelled("Two", Turn::Quarter, 300, 20)},
                  500, 400);
    const Options options(tessoran_options_new());
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(tessoran_symbols_count(readFile(path, options.get(), TESSORAN_OK).get()), 2u);
    ASSERT_EQ(tessoran_options_set_max_symbols(options.get(), 1), TESSORAN_OK);
    EXPECT_EQ(tessoran_symbols_count(readFile(path, options.get(), TESSORAN_OK).get()), 1u);
    // The turned symbol is found only by the capture reader; the level one,
    // with the other beside it, by neither alone.
    const std::string turned =
        pictureOf(directory, "turned.png", {labelled("Two", Turn::Quarter, 40, 20)}, 300, 400);
    ASSERT_EQ(tessoran_options_set_try_capture(options.get(), 0), TESSORAN_OK);
    readFile(turned, options.get(), TESSORAN_NO_SYMBOL);
    ASSERT_EQ(tessoran_options_set_try_capture(options.get(), 1), TESSORAN_OK);
    readFile(turned, options.get(), TESSORAN_OK);

    EXPECT_EQ(tessoran_options_set_max_symbols(options.get(), -1), TESSORAN_BAD_INPUT);
    EXPECT_EQ(tessoran_options_set_default_eci(options.get(), 19), TESSORAN_BAD_INPUT);
    EXPECT_EQ(tessoran_options_set_default_eci(options.get(), 3), TESSORAN_OK);
    EXPECT_EQ(tessoran_options_set_max_symbols(nullptr, 1), TESSORAN_BAD_INPUT);
    EXPECT_EQ(tessoran_options_set_try_capture(nullptr, 1), TESSORAN_BAD_INPUT);
    EXPECT_EQ(tessoran_options_set_default_eci(nullptr, 3), TESSORAN_BAD_INPUT);
}

TEST(Read, TextInTheCharacterSetChosen) {
    const TemporaryDirectory directory;
    const std::string latin = pictureOf(
        directory, "latin.png", {{"caf\xE9", {"--cols=3"}, Turn::Upright, 20, 20, 2}}, 400, 200);
    const Options options(tessoran_options_new());
    ASSERT_EQ(tessoran_options_set_default_eci(options.get(), 3), TESSORAN_OK);
    EXPECT_EQ(textOf(tessoran_symbols_at(readFile(latin, options.get(), TESSORAN_OK).get(), 0)),
              "caf\xC3\xA9");
    EXPECT_EQ(textOf(tessoran_symbols_at(readFile(latin, nullptr, TESSORAN_OK).get(), 0)),
              "caf\xCE\x98");

    // ECI 899 marks binary data: bytes, never text.
    const std::string binary = pictureOf(
        directory, "binary.png",
        {{std::string("\x00\x01\xFE", 3), {"--cols=3", "--eci=899"}, Turn::Upright, 20, 20, 2}},
        400, 200);
    const Symbols symbols = readFile(binary, nullptr, TESSORAN_OK);
    const tessoran_symbol* symbol = tessoran_symbols_at(symbols.get(), 0);
    const char* text = "unchanged";
    size_t length = 99;
    EXPECT_EQ(tessoran_symbol_text(symbol, &text, &length), TESSORAN_NOT_TEXT);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(length, 0u);
    ASSERT_EQ(tessoran_symbol_segment_count(symbol), 2u);
    EXPECT_EQ(tessoran_segment_kind_at(symbol, 0), TESSORAN_SEGMENT_ECI);
    EXPECT_EQ(tessoran_segment_eci(symbol, 0), 899);
    EXPECT_EQ(tessoran_segment_bytes(symbol, 0, &length), nullptr);
    EXPECT_EQ(bytesOf([&](size_t* out) { return tessoran_segment_bytes(symbol, 1, out); }),
              std::string("\x00\x01\xFE", 3));
    EXPECT_EQ(tessoran_segment_eci(symbol, 1), 899);
    EXPECT_STREQ(tessoran_eci_charset(899), "binary");
    EXPECT_STREQ(tessoran_eci_charset(26), "UTF-8");
    EXPECT_EQ(tessoran_eci_charset(19), nullptr);
}

TEST(Read, AMacroFileJoined) {
    const TemporaryDirectory directory;
    const std::string parts[] = {"Alpha ", "beta ", "gamma."};
    std::vector<Symbols> lists;
    for (int i = 0; i < 3; ++i) {
        const std::string path =
            pictureOf(directory, "part" + std::to_string(i) + ".png",
                      {{parts[i],
                        {"--cols=4", "--structapp=" + std::to_string(i + 1) + ",3,777"},
                        Turn::Upright,
                        20,
                        20,
                        2}},
                      500, 250);
        lists.push_back(readFile(path, nullptr, TESSORAN_OK));
    }
    std::vector<const tessoran_symbol*> symbols;
    for (const int i : {2, 0, 1}) {
        symbols.push_back(tessoran_symbols_at(lists[static_cast<size_t>(i)].get(), 0));
    }
    const tessoran_symbol* first = symbols[1];
    ASSERT_EQ(tessoran_symbol_has_macro(first), 1);
    unsigned long index = 99;
    ASSERT_EQ(tessoran_macro_segment_index(first, &index), 1);
    EXPECT_EQ(index, 0u);
    unsigned long long count = 0;
    ASSERT_EQ(tessoran_macro_number_field(first, TESSORAN_MACRO_SEGMENT_COUNT, &count), 1);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(tessoran_macro_number_field(first, TESSORAN_MACRO_FILE_SIZE, &count), 0);
    EXPECT_EQ(tessoran_macro_text_field(first, TESSORAN_MACRO_FILE_NAME), nullptr);
    EXPECT_EQ(tessoran_macro_last_segment(first), 0);
    EXPECT_EQ(tessoran_macro_last_segment(symbols[0]), 1);
    EXPECT_STRNE(tessoran_macro_file_id(first), "");
    EXPECT_STREQ(tessoran_macro_file_id(first), tessoran_macro_file_id(symbols[0]));

    tessoran_joined* joined = nullptr;
    ASSERT_EQ(tessoran_join(symbols.data(), symbols.size(), &joined), TESSORAN_OK);
    const Joined whole(joined);
    size_t length = 0;
    EXPECT_EQ(bytesOf([&](size_t* out) { return tessoran_joined_data(whole.get(), out); }),
              parts[0] + parts[1] + parts[2]);
    EXPECT_STREQ(tessoran_joined_file_id(whole.get()), tessoran_macro_file_id(first));
    unsigned long segments = 0;
    ASSERT_EQ(tessoran_joined_segment_count(whole.get(), &segments), 1);
    EXPECT_EQ(segments, 3u);
    EXPECT_EQ(tessoran_joined_file_count(whole.get()), 1u);

    // Without the middle part: incomplete, and it is named.
    const tessoran_symbol* twoOfThree[] = {symbols[0], symbols[1]};
    ASSERT_EQ(tessoran_join(twoOfThree, 2, &joined), TESSORAN_INCOMPLETE);
    const Joined partial(joined);
    EXPECT_EQ(tessoran_joined_data(partial.get(), &length), nullptr);
    EXPECT_EQ(length, 0u);
    ASSERT_EQ(tessoran_joined_missing_count(partial.get()), 1u);
    EXPECT_EQ(tessoran_joined_missing_at(partial.get(), 0), 1u);
    EXPECT_EQ(tessoran_joined_conflict_count(partial.get()), 0u);

    // No Macro PDF417 symbol at all.
    ASSERT_EQ(tessoran_join(symbols.data(), 0, &joined), TESSORAN_NO_SYMBOL);
    EXPECT_EQ(joined, nullptr);
    EXPECT_EQ(tessoran_join(nullptr, 1, &joined), TESSORAN_BAD_INPUT);
    EXPECT_EQ(tessoran_join(symbols.data(), 1, nullptr), TESSORAN_BAD_INPUT);
}

TEST(Read, NullAndBadArgumentsAreSafe) {
    tessoran_symbols* symbols = reinterpret_cast<tessoran_symbols*>(1);
    EXPECT_EQ(tessoran_read_file(nullptr, nullptr, &symbols), TESSORAN_BAD_INPUT);
    EXPECT_EQ(symbols, nullptr);
    EXPECT_EQ(tessoran_read_file("/nonexistent/picture.png", nullptr, &symbols),
              TESSORAN_BAD_INPUT);
    EXPECT_EQ(tessoran_read_memory("text", 4, nullptr, &symbols), TESSORAN_BAD_INPUT);
    const unsigned char white[16] = {255, 255, 255, 255, 255, 255, 255, 255,
                                     255, 255, 255, 255, 255, 255, 255, 255};
    EXPECT_EQ(tessoran_read_pixels(white, 4, 4, 4, TESSORAN_GREY8, nullptr, &symbols),
              TESSORAN_NO_SYMBOL);
    EXPECT_EQ(tessoran_read_pixels(white, 4, 4, 3, TESSORAN_GREY8, nullptr, &symbols),
              TESSORAN_BAD_INPUT);
    EXPECT_EQ(tessoran_read_pixels(white, 4, 4, 4, TESSORAN_GREY8, nullptr, nullptr),
              TESSORAN_BAD_INPUT);
    EXPECT_EQ(tessoran_symbols_count(nullptr), 0u);
    EXPECT_EQ(tessoran_symbols_at(nullptr, 0), nullptr);
    tessoran_symbols_free(nullptr);
    EXPECT_EQ(tessoran_symbol_rows(nullptr), 0);
    double x = 7;
    EXPECT_EQ(tessoran_symbol_corner(nullptr, 0, &x, nullptr), 0);
    EXPECT_EQ(x, 7);
    size_t length = 5;
    EXPECT_EQ(tessoran_symbol_data(nullptr, &length), nullptr);
    EXPECT_EQ(length, 0u);
    const char* text = nullptr;
    EXPECT_EQ(tessoran_symbol_text(nullptr, &text, nullptr), TESSORAN_BAD_INPUT);
    EXPECT_EQ(tessoran_segment_kind_at(nullptr, 0), 0);
    EXPECT_EQ(tessoran_segment_eci(nullptr, 0), -1);
    EXPECT_EQ(tessoran_symbol_has_macro(nullptr), 0);
    EXPECT_STREQ(tessoran_macro_file_id(nullptr), "");
    EXPECT_EQ(tessoran_joined_file_count(nullptr), 0u);
    tessoran_joined_free(nullptr);
    tessoran_options_free(nullptr);
    EXPECT_STREQ(tessoran_status_message(TESSORAN_NOT_TEXT), "data not text in its character set");
    EXPECT_STREQ(tessoran_status_message(TESSORAN_INCOMPLETE), "Macro PDF417 file incomplete");
}

}  // namespace
}  // namespace tessoran_test
