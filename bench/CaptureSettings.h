// SPDX-License-Identifier: Apache-2.0
#pragma once

// The choices the capture benchmark's classes share: print colours, row
// heights, keystone, where the symbol lies in how large a picture, and the
// light spoiling of a decent camera.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/PhotoRenderer.h"
#include "support/SeededRandom.h"

namespace tessoran_bench {

// The most pixels a picture may have: a 24 megapixel phone camera's.
inline constexpr double kMostPixels = 24e6;

// An opaque grey of `level` (0 to 255), as RGB.
std::uint32_t grey(double level);

// Paper and ink of level `paper` and print contrast `contrast` (the share of
// the paper's light that the ink takes away), tinted when `tinted`.
void choosePrint(tessoran_test::PhotoSettings& settings, tessoran_test::SeededRandom& random,
                 double paper, double contrast, bool tinted);

int chooseRowHeight(tessoran_test::SeededRandom& random);

// Keystone of `strength` (the far side shorter by that share) seen from
// direction `angle`, with the corners a little uneven.
std::array<tessoran_test::Point, 4> keystone(tessoran_test::SeededRandom& random, double strength,
                                             double angle);

// An image a little larger than the symbol (by `lowest` to `highest` times
// its extent), the symbol anywhere in it.
void frame(tessoran_test::PhotoSettings& settings, const std::vector<std::string>& rows,
           tessoran_test::SeededRandom& random, double lowest, double highest);

// A phone photo: the symbol somewhere in a 12 or 24 megapixel picture, its
// diagonal at most half the picture's height.
void phoneFrame(tessoran_test::PhotoSettings& settings, const std::vector<std::string>& rows,
                tessoran_test::SeededRandom& random);

// Light blur and noise, grey paper: a decent scanner or camera; JPEG at
// `jpegQuality` or PNG (0).
void mildEffects(tessoran_test::PhotoSettings& settings, tessoran_test::SeededRandom& random,
                 int& jpegQuality);

}  // namespace tessoran_bench
