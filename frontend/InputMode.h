// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/PathChar.h"

namespace ostrel2::tessoran {

enum class InputMode {
    Help,           // the argument is exactly "--help" or "-h"
    Version,        // the argument is exactly "--version"
    StandardInput,  // the argument is exactly "-i"
    BarStringFile,  // the argument ends in ".txt", in any case
    ImageFile,      // anything else
};

InputMode chooseInputMode(const PathChar* argument);

// Whether `argument` is spelled exactly `option`.
bool isExactly(const PathChar* argument, const char* option);

}  // namespace ostrel2::tessoran
