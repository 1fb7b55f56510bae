#pragma once

#include "platform/PathChar.h"

namespace ostrel2::tessoran {

enum class InputMode {
    StandardInput,  // the argument is exactly "-i"
    BarStringFile,  // the argument ends in ".txt", in any case
    ImageFile,      // anything else
};

InputMode chooseInputMode(const PathChar* argument);

}  // namespace ostrel2::tessoran
