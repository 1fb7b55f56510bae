// SPDX-License-Identifier: Apache-2.0
#pragma once

// A random source for test images whose numbers depend on the seed alone: the
// generator (SplitMix64) and every distribution are written out here, because
// the standard library's distributions differ from one library to another.

#include <cstdint>

namespace tessoran_test {

class SeededRandom {
  public:
    explicit SeededRandom(std::uint64_t seed) : state(seed) {}

    std::uint64_t next();
    // Uniform in [low, high).
    double uniform(double low, double high);
    // Uniform over low..high, both included.
    int uniformInt(int low, int high);
    // True with probability `probability`.
    bool chance(double probability);
    // Normally distributed (Marsaglia's polar method).
    double normal(double mean, double deviation);

  private:
    std::uint64_t state;
    double spareNormal = 0.0;
    bool hasSpare = false;
};

// A seed for one item of a set, mixed from the set's seed and the item's
// place in it, so that neighbouring items do not get related sequences.
std::uint64_t mixSeed(std::uint64_t seed, std::uint64_t first, std::uint64_t second = 0);

}  // namespace tessoran_test
