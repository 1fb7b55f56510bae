// SPDX-License-Identifier: Apache-2.0
#include "bench/HostileImages.h"

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/PhotoRenderer.h"
#include "support/SeededRandom.h"

namespace tessoran_bench {

namespace {

using tessoran_test::ArgbImage;
using tessoran_test::SeededRandom;

constexpr int kHugeSide = 10000;
constexpr int kPngCompression = 6;

ArgbImage noise(std::uint64_t seed) {
    ArgbImage image = tessoran_test::solidImage(kHugeSide, kHugeSide, 0);
    SeededRandom random(seed);
    for (std::uint32_t& pixel : image.pixels) {
        const auto level = static_cast<std::uint32_t>(random.next() >> 56);
        pixel = 0xFF000000u | level << 16 | level << 8 | level;
    }
    return image;
}

// Every pixel row the same: a 30-column symbol row, start to stop pattern,
// three pixels a module, again and again with a two-module gap.
ArgbImage stripes(std::uint64_t seed) {
    SeededRandom random(seed);
    std::vector<int> data;
    for (int i = 0; i < 200; ++i) {
        data.push_back(random.uniformInt(0, 899));
    }
    const std::string modules =
        tessoran_test::moduleRowsOf(tessoran_test::encodeSymbol(data, 3, 30)).front();
    constexpr int kModulePixels = 3;
    const std::size_t period = modules.size() + 2;
    std::vector<std::uint32_t> row(kHugeSide);
    for (int x = 0; x < kHugeSide; ++x) {
        const std::size_t module = static_cast<std::size_t>(x / kModulePixels) % period;
        row[static_cast<std::size_t>(x)] = module < modules.size() && modules[module] == '1'
                                               ? tessoran_test::kOpaqueBlack
                                               : tessoran_test::kOpaqueWhite;
    }
    ArgbImage image = tessoran_test::solidImage(kHugeSide, kHugeSide, 0);
    for (int y = 0; y < kHugeSide; ++y) {
        std::copy(row.begin(), row.end(),
                  image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * kHugeSide);
    }
    return image;
}

}  // namespace

std::vector<HostileImage> writeHostileImages(const std::string& directory, std::uint64_t seed) {
    std::vector<HostileImage> images;
    const std::string page = directory + "/hostile-text-page.jpg";
    tessoran_test::writeJpeg(
        page, tessoran_test::renderTextPage(4000, 3000, tessoran_test::mixSeed(seed, 1)),
        tessoran_test::JpegLayout::Colour, 85);
    images.push_back({"text page 4000x3000 (JPEG)", page});
    const std::string noisy = directory + "/hostile-noise.png";
    tessoran_test::writePng(noisy, noise(tessoran_test::mixSeed(seed, 2)),
                            tessoran_test::PngLayout::Grey8, kPngCompression);
    images.push_back({"noise 10000x10000 (PNG)", noisy});
    const std::string striped = directory + "/hostile-stripes.png";
    tessoran_test::writePng(striped, stripes(tessoran_test::mixSeed(seed, 3)),
                            tessoran_test::PngLayout::Grey8, kPngCompression);
    images.push_back({"stripes 10000x10000 (PNG)", striped});
    return images;
}

}  // namespace tessoran_bench
