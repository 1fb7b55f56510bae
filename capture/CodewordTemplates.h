// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ostrel2::tessoran::capture {

// A second way to read a codeword, for where blur has run its narrow elements
// together so that their edges cannot be found: the grey profile across the
// codeword is compared with every codeword of the row's cluster as it would
// look under such blur, a little to either side of where the frame puts it,
// and the one that it resembles clearly best is taken.
class CodewordTemplates {
  public:
    // Profiles are sampled this many times a module, from 1.5 modules before
    // a codeword's place to 0.5 module after its end.
    static constexpr int kSamplesPerModule = 4;
    static constexpr double kBefore = 1.5;
    static constexpr double kAfter = 0.5;
    static constexpr int kSampleCount =
        static_cast<int>((kBefore + 17 + kAfter) * kSamplesPerModule);

    // The templates of `cluster`'s codewords under Gaussian blur of `blur`
    // modules, at each shift from -1 to +1 module in quarters.
    CodewordTemplates(std::int32_t cluster, double blur);

    struct Match {
        std::int32_t value;
        double shift;       // modules from where the codeword was looked for
        double similarity;  // correlation, up to 1
    };
    // The codeword that `profile` (kSampleCount samples, brightness) shows,
    // if it resembles it clearly better than any other codeword.
    std::optional<Match> identify(std::span<const float> profile) const;

  private:
    // A shift is a quarter module, one sample: each codeword's darkness is
    // kept once over the samples of every shift, and a shift is a window
    // into it.
    static constexpr int kShifts = 9;
    static constexpr int kSpan = kSampleCount + kShifts - 1;
    // Per codeword: kSpan values of darkness; per codeword and shift: one
    // over the length of the window's values less their mean, 0 where they
    // are flat.
    std::vector<float> darkness;
    std::vector<std::array<float, kShifts>> scale;
};

// The templates of every reading, each made when first needed (most symbols
// never need them, and they are too costly to make for every frame), and what
// one picture's reading may still spend on them: a comparison with every codeword of a
// cluster costs hundreds of times what reading a codeword's edges does, and a
// picture of noise could otherwise offer frames without end.
class CodewordTemplateSet {
  public:
    // Blurs (sigma, in modules) under which codewords are looked for.
    static constexpr double kBlurs[] = {0.3, 0.5, 0.7};
    // Profiles that a picture may have compared: blurred symbols that decode
    // take up to about 200, and 512 hold a picture's work on frames that lead
    // nowhere to a fraction of a second.
#ifndef TESSORAN_FUZZ_BUDGETS
    static constexpr int kProfileBudget = 512;
#else
    // Under the fuzzer's instrumentation a comparison costs over a millisecond,
    // and 512 of them took whole seconds of a short fuzzing run. Four still
    // make the templates, compare, pick a cluster and run out of budget.
    static constexpr int kProfileBudget = 4;
#endif

    // The best match of `profile` under any blur, if the budget allows.
    std::optional<CodewordTemplates::Match> identify(std::int32_t cluster,
                                                     std::span<const float> profile);

  private:
    // The templates of `cluster` under blur kBlurs[`blur`], shared by every
    // reading of the process.
    static const CodewordTemplates& sharedTemplates(std::int32_t cluster, std::size_t blur);

    int profilesLeft = kProfileBudget;
};

}  // namespace ostrel2::tessoran::capture
