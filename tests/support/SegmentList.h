#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "decoding/DecodeResult.h"

namespace tessoran_test {

// One segment of a decode result as a value that tests can compare and print.
struct TaggedText {
    char tag = 0;
    std::string text;

    bool operator==(const TaggedText&) const = default;
};

// The segments of `result`, in order.
std::vector<TaggedText> segmentsOf(const ostrel2::tessoran::DecodeResult& result);

// Prints 't"AB"', with bytes outside printable ASCII as \xNN, so that a
// failed comparison shows every byte.
std::ostream& operator<<(std::ostream& out, const TaggedText& segment);

}  // namespace tessoran_test
