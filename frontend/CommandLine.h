#pragma once

#include "platform/PathChar.h"

namespace ostrel2::tessoran {

// The whole run of the program: banner, input, decode, output. Returns the
// exit status (an invalid bar-string character ends the process from inside).
int runCommandLine(int argc, PathChar** argv);

}  // namespace ostrel2::tessoran
