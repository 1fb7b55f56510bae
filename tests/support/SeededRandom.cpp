// SPDX-License-Identifier: Apache-2.0
#include "support/SeededRandom.h"

#include <cmath>

namespace tessoran_test {

namespace {

std::uint64_t splitMix(std::uint64_t& state) {
    state += 0x9E3779B97F4A7C15u;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

}  // namespace

std::uint64_t SeededRandom::next() {
    return splitMix(state);
}

double SeededRandom::uniform(double low, double high) {
    // The top 53 bits as a fraction in [0, 1): exact in a double.
    const double fraction = static_cast<double>(next() >> 11) * 0x1.0p-53;
    return low + (high - low) * fraction;
}

int SeededRandom::uniformInt(int low, int high) {
    const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low + 1);
    // The slight bias of a plain remainder is far below what a test image
    // could show.
    return static_cast<int>(low + static_cast<std::int64_t>(next() % span));
}

bool SeededRandom::chance(double probability) {
    return uniform(0.0, 1.0) < probability;
}

double SeededRandom::normal(double mean, double deviation) {
    if (hasSpare) {
        hasSpare = false;
        return mean + deviation * spareNormal;
    }
    double x = 0.0;
    double y = 0.0;
    double square = 0.0;
    do {
        x = uniform(-1.0, 1.0);
        y = uniform(-1.0, 1.0);
        square = x * x + y * y;
    } while (square >= 1.0 || square == 0.0);
    const double factor = std::sqrt(-2.0 * std::log(square) / square);
    spareNormal = y * factor;
    hasSpare = true;
    return mean + deviation * x * factor;
}

std::uint64_t mixSeed(std::uint64_t seed, std::uint64_t first, std::uint64_t second) {
    std::uint64_t state = seed;
    std::uint64_t mixed = splitMix(state) ^ first;
    mixed = splitMix(mixed) ^ second;
    return splitMix(mixed);
}

}  // namespace tessoran_test
