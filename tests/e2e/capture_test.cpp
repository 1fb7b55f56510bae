// SPDX-License-Identifier: Apache-2.0
// Pictures that only the capture reader reads: symbols from zint drawn as a
// camera or a scanner sees them. The scan-line reader alone reads none; the
// real program prints exactly what a level, sharp picture of each gives.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "objects/ObjectReference.h"
#include "pattern/GdiPlusMonoImage.h"
#include "pipeline/SymbolDecoder.h"
#include "platform/posix/ImageFile.h"
#include "support/Homography.h"
#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/PhotoRenderer.h"
#include "support/ProgramRunner.h"
#include "support/Zint.h"

namespace tessoran_test {
namespace {

using namespace std::chrono_literals;

constexpr auto kTimeLimit = 60s;

// A symbol turned by `degrees`, with modules of `module` pixels, a quiet zone
// of 4, a little blur and noise, and then `change`.
struct Scene {
    const char* name;
    int columns;
    int level;
    std::string data;
    double degrees;
    double module = 3.0;
    void (*change)(PhotoSettings&) = [](PhotoSettings&) {};
    int jpegQuality = 0;  // 0 for PNG

    PhotoSettings settings() const {
        PhotoSettings s{.moduleSize = module, .quietZone = 4, .angleDegrees = degrees};
        s.blurModules = 0.15;
        s.noiseLevels = 2;
        change(s);
        return s;
    }
};

void noQuietZone(PhotoSettings& s) {
    s.quietZone = 0;
    s.blurModules = 0;
    s.noiseLevels = 0;
}

// A symbol of 5 columns (154 modules of 3 pixels) whose right end lies 70
// pixels beyond the picture's right edge.
void cutAtTheRight(PhotoSettings& s) {
    s.imageWidth = 500;
    s.imageHeight = 260;
    s.centre = {(500 + 70 - 154 * 3 / 2.0) / 500, 0.5};
}

const std::string kInvoice =
    "Invoice 8: pay 100 EUR to account DE44 5001 0517 5407 3249 31, reference ABC-8.";
const std::string kShort = "Tessoran 42";

const std::vector<Scene> kScenes = {
    {"seven_degrees", 4, 2, kInvoice, 7},
    {"thirty_three_degrees", 6, 3, kInvoice, 33},
    {"a_quarter_turn", 3, 2, kShort, 90},
    {"upside_down", 5, 3, kInvoice, 180},
    {"any_angle", 4, 4, kInvoice, 251},
    {"mirrored", 4, 2, kShort, 20, 3, [](auto& s) { s.mirrored = true; }},
    {"mirrored_upside_down", 6, 3, kInvoice, 200, 3, [](auto& s) { s.mirrored = true; }},
    {"keystone", 5, 3, kInvoice, 3, 4,
     [](auto& s) {
         s.keystone = {Point{0.07, 0}, {-0.07, 0}};
     }},
    {"keystone_from_the_side", 5, 3, kInvoice, -4, 4,
     [](auto& s) {
         s.keystone = {Point{0, 0.06}, {0, 0}, {0, 0}, {0, -0.06}};
     }},
    // Seen from well off the paper's normal: the far end's modules less than
    // half as wide as the near end's.
    {"steep_perspective", 4, 3, kInvoice, -6, 4,
     [](auto& s) {
         s.keystone = {Point{0, 0}, {0, 0.2}, {0, -0.2}, {0, 0}};
     }},
    {"bent_paper", 6, 3, kInvoice, 9, 3, [](auto& s) { s.bend = 1.2; }},
    // A label round a bottle: modules narrow towards both sides, and the rows
    // bow; one flat frame leaves bands of codewords unread.
    {"label_round_a_bottle", 6, 3, kInvoice, 4, 4,
     [](auto& s) {
         s.wrapDegrees = 100;
         s.bend = 2;
     }},
    // A wide-angle lens bends straight rows into curves towards the
    // picture's edges.
    {"wide_angle_lens", 6, 3, kInvoice, 3, 3,
     [](auto& s) {
         s.barrel = 0.05;
         s.imageWidth = 800;
         s.imageHeight = 500;
         s.centre = {0.5, 0.7};
     }},
    // 89 rows: the rows' spacing must hold all the way down.
    {"eighty_nine_rows", 2, 6, kInvoice, 5, 3,
     [](auto& s) {
         s.keystone = {Point{0.03, 0}, {-0.03, 0}, {0, 0}, {0, 0}};
     }},
    {"modules_of_one_and_a_half_pixels", 4, 3, kShort, 12, 1.5},
    {"rows_two_modules_high", 5, 2, kInvoice, 15, 3, [](auto& s) { s.rowHeight = 2; }},
    {"rows_six_modules_high", 3, 2, kShort, -25, 3, [](auto& s) { s.rowHeight = 6; }},
    {"blur_of_half_a_module", 4, 3, kInvoice, 40, 4, [](auto& s) { s.blurModules = 0.5; }},
    {"motion_blur_of_a_module", 4, 3, kInvoice, 10, 4,
     [](auto& s) {
         s.motionBlurModules = 1.0;
         s.motionBlurDegrees = 35;
     }},
    {"blur_of_seven_tenths_of_a_module", 4, 4, kInvoice, -7, 4,
     [](auto& s) { s.blurModules = 0.7; }},
    // Modules of three pixels under blur of four fifths of one: the guard
    // patterns' single-module bars and spaces run together into grey, and the
    // symbol is found in the picture sharpened. The page around it is wide
    // and light, so that it is not also looked at inverted.
    {"blur_of_four_fifths_of_a_module", 5, 3, kInvoice, 8, 3,
     [](auto& s) {
         s.blurModules = 0.8;
         s.imageWidth = 1000;
         s.imageHeight = 700;
     }},
    {"sensor_noise", 4, 3, kInvoice, -60, 3, [](auto& s) { s.noiseLevels = 10; }},
    {"jpeg_quality_30", 5, 3, kInvoice, 18, 3.5, [](auto&) {}, 30},
    {"light_falling_off", 4, 3, kInvoice, 110, 3,
     [](auto& s) {
         s.lightFalloff = 0.4;
         s.lightDirectionDegrees = 30;
     }},
    {"grey_on_grey", 4, 3, kInvoice, -13, 3,
     [](auto& s) {
         s.paperColour = 0xB8B8B8;
         s.inkColour = 0x6E6E6E;
     }},
    {"coloured_print", 4, 3, kInvoice, 145, 3,
     [](auto& s) {
         s.paperColour = 0xF0E6B4;
         s.inkColour = 0x1E3C8C;
     }},
    // Light print on a dark ground, as on screens and some cards.
    {"light_on_dark", 4, 3, kInvoice, 0, 3,
     [](auto& s) {
         s.paperColour = 0x141414;
         s.inkColour = 0xF0F0F0;
     }},
    {"light_on_dark_turned", 5, 3, kInvoice, 23, 3,
     [](auto& s) {
         s.paperColour = 0x202830;
         s.inkColour = 0xE0E0D0;
     }},
    // A thin symbol turned on a wide dark ground: the quick look's lines
    // cross its guard patterns too seldom, and a picture mostly dark is
    // looked at closely too.
    {"light_on_dark_thin_and_turned", 5, 2, kShort, 148, 4,
     [](auto& s) {
         s.paperColour = 0x373737;
         s.inkColour = 0xF0F0F0;
         s.rowHeight = 2;
         s.imageWidth = 1191;
         s.imageHeight = 824;
     }},
    {"light_on_dark_mirrored", 4, 2, kShort, 160, 3,
     [](auto& s) {
         s.mirrored = true;
         s.paperColour = 0x000000;
         s.inkColour = 0xFFFFFF;
     }},
    {"transparent_page", 4, 2, kShort, 28, 3,
     [](auto& s) {
         s.transparentBackground = true;
         s.blurModules = 0;
         s.noiseLevels = 0;
     }},
    {"print_around_a_narrow_quiet_zone", 5, 3, kInvoice, -8, 3,
     [](auto& s) {
         s.quietZone = 2;
         s.clutterMarks = 30;
         s.imageWidth = 900;
         s.imageHeight = 700;
     }},
    // Printed without a quiet zone, as some generators write symbols: the
    // picture's edge is all the quiet zone there is.
    {"no_quiet_zone_a_quarter_turn", 4, 3, kInvoice, 90, 2, [](auto& s) { noQuietZone(s); }},
    {"no_quiet_zone_mirrored_upside_down", 3, 2, kShort, 180, 3,
     [](auto& s) {
         noQuietZone(s);
         s.mirrored = true;
     }},
    // One guard pattern beyond the picture's edge, with a few modules of the
    // row indicator beside it: the symbol is read from its other side.
    {"stop_pattern_cut_off", 5, 4, kInvoice, 4, 3, [](auto& s) { cutAtTheRight(s); }},
    {"start_pattern_cut_off_upside_down", 5, 4, kInvoice, 183, 3,
     [](auto& s) { cutAtTheRight(s); }},
    {"a_thumb_over_the_stop_pattern", 5, 4, kInvoice, -12, 3,
     [](auto& s) {
         // Over the stop pattern and half of the right row indicator, in
         // modules of the symbol's own frame (154 across).
         s.occluders = {{.centre = {148, 15}, .radiusAcross = 15, .radiusDown = 40}};
     }},
    {"two_rows_cut_off_the_top", 4, 4, kInvoice, 6, 3, [](auto& s) { s.rowsCut = 2; }},
    {"a_row_cut_off_the_bottom", 4, 4, kInvoice, -170, 3, [](auto& s) { s.rowsCut = -1; }},
    {"everything_at_once", 5, 4, kInvoice, 223, 3.5,
     [](auto& s) {
         s.mirrored = true;
         s.keystone = {Point{0.03, 0.01}, Point{-0.02, 0}, Point{0, -0.02}, Point{0.01, 0}};
         s.bend = 0.6;
         s.blurModules = 0.35;
         s.noiseLevels = 5;
         s.lightFalloff = 0.3;
         s.paperColour = 0xE0D8C8;
         s.inkColour = 0x404858;
         s.quietZone = 2;
         s.clutterMarks = 20;
         s.imageWidth = 1000;
         s.imageHeight = 900;
     },
     45},
};

void PrintTo(const Scene& scene, std::ostream* out) {
    *out << scene.name;
}

using CaptureScene = ::testing::TestWithParam<Scene>;

TEST_P(CaptureScene, ReadExactlyAndOnlyByTheCaptureReader) {
    using namespace ostrel2;
    using namespace ostrel2::tessoran;
    const Scene& scene = GetParam();
    TemporaryDirectory directory;
    const std::vector<std::string> rows = zintModuleRows(
        {"--cols=" + std::to_string(scene.columns), "--secure=" + std::to_string(scene.level)},
        scene.data);
    const RenderedPhoto photo = renderPhoto(rows, scene.data, scene.settings());
    const std::string path =
        directory.path() + "/" + scene.name + (scene.jpegQuality > 0 ? ".jpg" : ".png");
    if (scene.jpegQuality > 0) {
        writeJpeg(path, photo.image, JpegLayout::Colour, scene.jpegQuality);
    } else {
        writePng(path, photo.image,
                 scene.settings().transparentBackground ? PngLayout::Rgba8 : PngLayout::Rgb8);
    }

    // The scan-line reader over the file's pixels, as the program loads them.
    Gdiplus::Bitmap bitmap(path.c_str());
    ASSERT_EQ(bitmap.GetLastStatus(), Gdiplus::Ok);
    I2DBitPattern* pattern = nullptr;
    ASSERT_EQ(CreateGdiPlusMonoImage(&bitmap, &pattern), S_OK);
    const DecodeOutcome lineOnly = decodePattern(*ObjectReference<I2DBitPattern>(pattern));
    EXPECT_FALSE(lineOnly.ok());

    const RunOutcome run = runTessoran({path}, std::nullopt, kTimeLimit);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, sizeLine({photo.rows, photo.columns, photo.ecLevel, {}, {}}) + scene.data);
    EXPECT_EQ(run.err, expectedBanner());
}

INSTANTIATE_TEST_SUITE_P(Pictures, CaptureScene, ::testing::ValuesIn(kScenes),
                         [](const auto& instance) { return std::string(instance.param.name); });

// A trace picture changes nothing of the run but the file it writes: the
// picture, at its size, with what was found drawn in colour over it.
TEST(Capture, TracePictureLeavesTheRunAsItIs) {
    TemporaryDirectory directory;
    const RenderedPhoto photo = renderPhoto(zintModuleRows({"--cols=3", "--secure=2"}, kShort),
                                            kShort, Scene{"", 3, 2, kShort, 30}.settings());
    const std::string path = directory.path() + "/turned.png";
    writePng(path, photo.image, PngLayout::Rgb8);
    const RunOutcome plain = runTessoran({path}, std::nullopt, kTimeLimit);
    EXPECT_EQ(plain.exitStatus, 0);
    EXPECT_FALSE(plain.out.empty());
    // A trace that cannot be written is no failure of the run either.
    const std::string trace = directory.path() + "/trace.png";
    for (const std::string& tracePath : {directory.path() + "/missing/trace.png", trace}) {
        SCOPED_TRACE(tracePath);
        setenv("TESSORAN_TRACE", tracePath.c_str(), 1);
        const RunOutcome traced = runTessoran({path}, std::nullopt, kTimeLimit);
        unsetenv("TESSORAN_TRACE");
        EXPECT_EQ(traced.exitStatus, plain.exitStatus);
        EXPECT_EQ(traced.out, plain.out);
        EXPECT_EQ(traced.err, plain.err);
    }

    Gdiplus::GpImage picture;
    ASSERT_TRUE(ostrel2::tessoran::platform::loadImageFile(trace.c_str(), picture));
    EXPECT_EQ(picture.width, photo.image.width);
    EXPECT_EQ(picture.height, photo.image.height);
    // The grey picture has no colour of its own: the lines are drawn in the
    // colours the README names.
    const auto isCyan = [](std::uint32_t pixel) {
        return ((pixel >> 16) & 0xFF) < 40 && ((pixel >> 8) & 0xFF) > 150 && (pixel & 0xFF) > 150;
    };
    const auto yellow =
        std::count_if(picture.pixels.begin(), picture.pixels.end(), [](std::uint32_t pixel) {
            return ((pixel >> 16) & 0xFF) > 200 && ((pixel >> 8) & 0xFF) > 170 &&
                   (pixel & 0xFF) < 60;
        });
    // Down the symbol's middle, from above its top edge to below its bottom
    // one, each row boundary is crossed once.
    const Homography symbol = Homography::rectangleToQuad(1, 1, photo.corners);
    int boundaries = 0;
    bool inLine = false;
    for (double t = -0.05; t <= 1.05; t += 0.0005) {
        const Point at = symbol.map({0.5, t});
        const bool onLine = isCyan(picture.pixels[static_cast<std::size_t>(
            std::lround(at.y) * picture.width + std::lround(at.x))]);
        boundaries += onLine && !inLine ? 1 : 0;
        inLine = onLine;
    }
    // The sides in yellow, the row boundaries in cyan.
    EXPECT_GT(yellow, 40);
    EXPECT_EQ(boundaries, photo.rows + 1);
}

}  // namespace
}  // namespace tessoran_test
