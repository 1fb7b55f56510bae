// SPDX-License-Identifier: Apache-2.0
// The program's modes for scripts: --json reads every symbol of every file
// given, --join puts a Macro PDF417 file back together. Pictures are composed
// here from zint's symbols, so where each symbol lies is known exactly.

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/PhotoRenderer.h"
#include "support/ProgramRunner.h"
#include "support/SymbolPictures.h"
#include "support/Zint.h"

namespace tessoran_test {
namespace {

using nlohmann::json;

json runJson(const std::vector<std::string>& arguments, int expectedStatus) {
    const RunOutcome run = runTessoran(arguments);
    EXPECT_EQ(run.exitStatus, expectedStatus) << run.err;
    return json::parse(run.out);
}

void expectCorners(const json& symbol, const std::vector<Point2>& corners) {
    const char* names[] = {"top_left", "top_right", "bottom_right", "bottom_left"};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        const json& corner = symbol.at("corners").at(names[i]);
        EXPECT_NEAR(corner.at(0).get<double>(), corners[i].x, 1.0);
        EXPECT_NEAR(corner.at(1).get<double>(), corners[i].y, 1.0);
    }
}

TEST(EverySymbol, FiveSymbolsTurnedEveryWayInReadingOrder) {
    const TemporaryDirectory directory;
    ArgbImage picture = solidImage(1200, 900, kOpaqueWhite);
    // Two lines: three symbols whose middles lie at y = 150, two at y = 600.
    const std::vector<Placement> placements = {
        {"Top left, upright", {"--cols=3"}, Turn::Upright, 40, 105},
        {"Top middle, upside down", {"--cols=2"}, Turn::Half, 440, 114},
        {"Top right, mirrored", {"--cols=2"}, Turn::Mirrored, 790, 114},
        {"Bottom left, a quarter turn", {"--cols=2"}, Turn::Quarter, 60, 0},
        {"Bottom right, three quarters", {"--cols=2"}, Turn::ThreeQuarters, 600, 0},
    };
    std::vector<Placed> placed;
    for (Placement at : placements) {
        if (at.turn == Turn::Quarter || at.turn == Turn::ThreeQuarters) {
            // Turned, the symbol is as tall as it was wide: centre it on y = 600.
            const std::vector<std::string> rows = zintModuleRows(at.zintOptions, at.data);
            at.top = 600 - static_cast<int>(rows[0].size()) * at.module / 2;
        }
        placed.push_back(place(picture, at));
    }
    const std::string path = directory.path() + "/five.png";
    writePng(path, picture, PngLayout::Grey8);

    const json document = runJson({"--json", path}, 0);
    ASSERT_EQ(document.at("files").size(), 1u);
    const json& file = document.at("files").at(0);
    EXPECT_EQ(file.at("file"), path);
    EXPECT_EQ(file.at("status"), "decoded");
    EXPECT_FALSE(file.contains("error"));
    const json& symbols = file.at("symbols");
    ASSERT_EQ(symbols.size(), placements.size());
    for (std::size_t i = 0; i < placements.size(); ++i) {
        SCOPED_TRACE(placements[i].data);
        const json& symbol = symbols.at(i);
        EXPECT_EQ(symbol.at("text"), placements[i].data);
        EXPECT_EQ(symbol.at("mirrored"), placements[i].turn == Turn::Mirrored);
        EXPECT_EQ(symbol.at("errors_corrected"), 0);
        EXPECT_EQ(symbol.at("erasures_filled"), 0);
        EXPECT_EQ(symbol.at("unused_check_codewords"), symbol.at("check_codewords").get<int>() - 2);
        EXPECT_EQ(symbol.at("macro"), nullptr);
        expectCorners(symbol, placed[i].corners);
    }

    // One symbol only, when asked: the one the one-symbol form prints.
    const json first = runJson({"--json", "--max-symbols", "1", path}, 0);
    ASSERT_EQ(first.at("files").at(0).at("symbols").size(), 1u);
    const RunOutcome single = runTessoran({path});
    const std::string text = first.at("files").at(0).at("symbols").at(0).at("text");
    EXPECT_EQ(single.out.substr(single.out.find('\n') + 1), text);
}

Placement macroPart(int index, const std::string& data, Turn turn = Turn::Upright, int left = 30,
                    int top = 30) {
    return {data, {"--cols=4", "--structapp=" + std::to_string(index) + ",3,123456"},
            turn, left,
            top,  2};
}

TEST(EverySymbol, AMacroFileJoinedFromFilesOrOnePicture) {
    const TemporaryDirectory directory;
    const std::string parts[] = {"The first third, ", "the second, ", "and the last third."};
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i) {
        files.push_back(pictureOf(directory, "part" + std::to_string(i + 1) + ".png",
                                  {macroPart(i + 1, parts[i])}, 600, 300));
    }
    const std::string whole = parts[0] + parts[1] + parts[2];
    for (const auto& order : {std::vector<int>{0, 1, 2}, std::vector<int>{2, 0, 1}}) {
        std::vector<std::string> arguments = {"--join"};
        for (const int i : order) {
            arguments.push_back(files[static_cast<std::size_t>(i)]);
        }
        const RunOutcome run = runTessoran(arguments);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.out, whole);
        EXPECT_EQ(run.err, "");
    }
    const std::string together = pictureOf(
        directory, "together.png",
        {macroPart(3, parts[2], Turn::Half, 30, 30), macroPart(1, parts[0], Turn::Upright, 30, 330),
         macroPart(2, parts[1], Turn::Quarter, 700, 30)},
        1100, 700);
    const RunOutcome joined = runTessoran({"--join", together});
    EXPECT_EQ(joined.exitStatus, 0) << joined.err;
    EXPECT_EQ(joined.out, whole);

    // The fields as the JSON gives them.
    const json document = runJson({"--json", files[0], files[2]}, 0);
    const json& first = document.at("files").at(0).at("symbols").at(0).at("macro");
    EXPECT_EQ(first.at("segment_index"), 0);
    EXPECT_EQ(first.at("segment_count"), 3);
    EXPECT_EQ(first.at("last_segment"), false);
    const json& last = document.at("files").at(1).at("symbols").at(0).at("macro");
    EXPECT_EQ(last.at("segment_index"), 2);
    EXPECT_EQ(last.at("last_segment"), true);
    EXPECT_EQ(last.at("file_id"), first.at("file_id"));
    EXPECT_EQ(document.at("files").at(1).at("symbols").at(0).at("text"), parts[2]);

    // A segment missing is named, and nothing is written.
    const RunOutcome missing = runTessoran({"--join", files[0], files[2]});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "Missing segment indices (from 0): 1.\n");
    // Counts that disagree, and a long list of missing indices cut short.
    const std::string ofFive = pictureOf(
        directory, "of-five.png",
        {{parts[1], {"--cols=4", "--structapp=2,5,123456"}, Turn::Upright, 30, 30, 2}}, 600, 300);
    const RunOutcome disagreeing = runTessoran({"--join", files[0], ofFive});
    EXPECT_EQ(disagreeing.exitStatus, 1);
    EXPECT_EQ(disagreeing.err, "The symbols state different numbers of segments: 3, 5.\n");
    const std::string ofForty = pictureOf(
        directory, "of-forty.png",
        {{parts[0], {"--cols=4", "--structapp=1,40,123456"}, Turn::Upright, 30, 30, 2}}, 600, 300);
    const RunOutcome many = runTessoran({"--join", ofForty});
    EXPECT_EQ(many.exitStatus, 1);
    EXPECT_EQ(
        many.err,
        "Missing segment indices (from 0): 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, "
        "16, 17, 18, 19, 20 and 19 others.\n");
    const RunOutcome quiet = runTessoran({"--join", "--quiet", files[0]});
    EXPECT_EQ(quiet.exitStatus, 1);
    EXPECT_EQ(quiet.err, "");
}

TEST(EverySymbol, TextInTheCharacterSetOfItsEci) {
    const TemporaryDirectory directory;
    struct Case {
        std::string bytes;  // in the ECI's character set
        int eci;
        std::string charset;
        std::string text;  // UTF-8
    };
    const Case cases[] = {
        {"Gr\xFC\xDF"
         "e",
         3, "ISO-8859-1",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
        {"\xBF\xE0\xD8\xD2\xD5\xE2", 7, "ISO-8859-5",
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"\x93\xFA\x96\x7B\x8C\xEA", 20, "Shift_JIS", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
        {"\xCE\xB1\xCE\xB2 \xE2\x82\xAC", 26, "UTF-8", "\xCE\xB1\xCE\xB2 \xE2\x82\xAC"},
    };
    std::vector<std::string> arguments = {"--json"};
    for (const Case& c : cases) {
        const std::string path = pictureOf(
            directory, "eci" + std::to_string(c.eci) + ".png",
            {{c.bytes, {"--cols=4", "--eci=" + std::to_string(c.eci)}, Turn::Upright, 20, 20, 2}},
            500, 300);
        arguments.push_back(path);
    }
    const json document = runJson(arguments, 0);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].eci);
        const json& symbol = document.at("files").at(i).at("symbols").at(0);
        EXPECT_EQ(symbol.at("text"), cases[i].text);
        const json& segments = symbol.at("segments");
        ASSERT_EQ(segments.size(), 2u);
        EXPECT_EQ(segments.at(0), (json{{"type", "eci"}, {"eci", cases[i].eci}}));
        EXPECT_EQ(segments.at(1).at("type"), "data");
        EXPECT_EQ(segments.at(1).at("eci"), cases[i].eci);
        EXPECT_EQ(segments.at(1).at("charset"), cases[i].charset);
        EXPECT_EQ(segments.at(1).at("text"), cases[i].text);
    }
}

TEST(EverySymbol, TheDefaultCharacterSetCanBeChosen) {
    const TemporaryDirectory directory;
    // The byte E9 with no ECI: code page 437 reads it as a capital theta,
    // ISO 8859-1 as e with an acute accent.
    const std::string path = pictureOf(
        directory, "e9.png", {{"caf\xE9", {"--cols=3"}, Turn::Upright, 20, 20, 2}}, 400, 200);
    const json byDefault = runJson({"--json", path}, 0);
    const json& symbol = byDefault.at("files").at(0).at("symbols").at(0);
    EXPECT_EQ(symbol.at("text"), "caf\xCE\x98");
    EXPECT_EQ(symbol.at("segments").at(0).at("eci"), nullptr);
    EXPECT_EQ(symbol.at("segments").at(0).at("charset"), "CP437");
    EXPECT_EQ(symbol.at("data_base64"), "Y2Fm6Q==");
    const json latin = runJson({"--json", "--default-eci", "3", path}, 0);
    EXPECT_EQ(latin.at("files").at(0).at("symbols").at(0).at("text"), "caf\xC3\xA9");
}

TEST(EverySymbol, EachFileGetsItsOwnError) {
    const TemporaryDirectory directory;
    const std::string good = pictureOf(
        directory, "good.png", {{"Good", {"--cols=2"}, Turn::Upright, 20, 20, 2}}, 300, 150);
    const std::string blank = pictureOf(directory, "blank.png", {}, 50, 50);
    const std::string text = directory.write("text.png", "not a picture\n");
    const std::string badBarString = directory.write("bad.txt", "FF0x\n");
    const std::string missing = directory.path() + "/missing.png";
    const std::vector<std::string> files = {good, missing, text, badBarString, blank, good};
    std::vector<std::string> arguments = {"--json"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const RunOutcome run = runTessoran(arguments);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.err, missing + ": file does not exist or is invalid.\n" + text +
                           ": file does not exist or is invalid.\n" + badBarString +
                           ": Invalid character(x) is encountered.\n" + blank +
                           ": no symbol found.\n");
    const json document = json::parse(run.out);
    const json& entries = document.at("files");
    ASSERT_EQ(entries.size(), files.size());
    const char* statuses[] = {"decoded",    "unreadable", "unreadable",
                              "unreadable", "no_symbol",  "decoded"};
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        EXPECT_EQ(entries.at(i).at("file"), files[i]);
        EXPECT_EQ(entries.at(i).at("status"), statuses[i]);
        EXPECT_EQ(entries.at(i).contains("error"), i != 0 && i != 5);
        EXPECT_EQ(entries.at(i).at("symbols").size(), i == 0 || i == 5 ? 1u : 0u);
    }

    // Without an unreadable file, a file without a symbol is status 1.
    const RunOutcome noSymbol = runTessoran({"--json", "--quiet", good, blank});
    EXPECT_EQ(noSymbol.exitStatus, 1);
    EXPECT_EQ(noSymbol.err, "");

    const struct {
        std::vector<std::string> arguments;
        std::string firstLine;
    } usages[] = {
        {{"--json"}, "No file to read."},
        {{"--join", "--bogus", good}, "Unknown option --bogus."},
        {{"--json", "--max-symbols", "many", good}, "--max-symbols needs a number."},
        {{"--json", "--default-eci", "19", good}, "No character set is known for ECI 19."},
    };
    for (const auto& usage : usages) {
        const RunOutcome refused = runTessoran(usage.arguments);
        EXPECT_EQ(refused.exitStatus, 64);
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err.substr(0, refused.err.find('\n')), usage.firstLine);
    }
}

// A symbol that fills its picture or bar string to every edge: the
// picture's edges end its outer bars.
TEST(EverySymbol, CornersAtThePicturesEdges) {
    const TemporaryDirectory directory;
    const std::vector<std::string> rows = zintModuleRows({"--cols=2"}, "Edge to edge");
    const double width = static_cast<double>(rows[0].size());
    const double height = 3.0 * static_cast<double>(rows.size());
    const std::string barString = directory.write("edges.txt", moduleRowsToBarString(rows));
    // Two pixels a module across, six a row down: the picture is the symbol.
    ArgbImage picture =
        solidImage(static_cast<int>(2 * width), static_cast<int>(2 * height), kOpaqueWhite);
    place(picture, {"Edge to edge", {"--cols=2"}, Turn::Upright, 0, 0, 2});
    const std::string png = directory.path() + "/edges.png";
    writePng(png, picture, PngLayout::Grey8);

    const json document = runJson({"--json", barString, png}, 0);
    const double scales[] = {1, 2};
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "bar string" : "picture");
        const json& symbol = document.at("files").at(i).at("symbols").at(0);
        EXPECT_EQ(symbol.at("text"), "Edge to edge");
        const double w = width * scales[i];
        const double h = height * scales[i];
        const json expected = {{"top_left", {0.0, 0.0}},
                               {"top_right", {w, 0.0}},
                               {"bottom_right", {w, h}},
                               {"bottom_left", {0.0, h}}};
        EXPECT_EQ(symbol.at("corners"), expected);
    }
}

TEST(EverySymbol, CornersOfPhotographedSymbols) {
    const TemporaryDirectory directory;
    const std::vector<std::string> rows = zintModuleRows({"--cols=3", "--secure=3"}, "Corners");
    struct Case {
        const char* name;
        PhotoSettings settings;
    };
    PhotoSettings turned;
    turned.angleDegrees = 30;
    PhotoSettings steep;
    steep.angleDegrees = -12;
    steep.keystone = {Point{0.06, 0.02}, Point{-0.04, 0.05}, Point{0.03, -0.04}, Point{-0.05, 0.0}};
    PhotoSettings mirrored;
    mirrored.mirrored = true;
    mirrored.angleDegrees = 200;
    mirrored.keystone = {Point{0.0, 0.05}, Point{0.0, -0.05}, Point{0.0, 0.05}, Point{0.0, -0.05}};
    const Case cases[] = {{"turned by 30 degrees", turned},
                          {"in perspective", steep},
                          {"mirrored, upside down, in perspective", mirrored}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PhotoSettings settings = c.settings;
        settings.imageWidth = 700;
        settings.imageHeight = 600;
        settings.moduleSize = 3;
        const RenderedPhoto photo = renderPhoto(rows, "Corners", settings);
        const std::string path = directory.path() + "/photo.png";
        writePng(path, photo.image, PngLayout::Rgb8);
        const json document = runJson({"--json", path}, 0);
        const json& symbol = document.at("files").at(0).at("symbols").at(0);
        EXPECT_EQ(symbol.at("text"), "Corners");
        EXPECT_EQ(symbol.at("mirrored"), settings.mirrored);
        std::vector<Point2> corners;
        for (const Point& corner : photo.corners) {
            corners.push_back({corner.x, corner.y});
        }
        expectCorners(symbol, corners);
    }
}

}  // namespace
}  // namespace tessoran_test
