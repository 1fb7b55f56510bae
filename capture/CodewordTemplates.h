#pragma once

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
    static constexpr int kShifts = 9;
    // Per shift, per codeword: kSampleCount values of darkness, centred and
    // scaled to unit length.
    std::vector<float> templates;
};

}  // namespace ostrel2::tessoran::capture
