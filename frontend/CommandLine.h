// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/PathChar.h"

namespace ostrel2::tessoran {

// The whole run of the program: banner, input, decode, output. Returns the
// exit status; nothing below it prints or exits.
int runCommandLine(int argc, PathChar** argv);

}  // namespace ostrel2::tessoran
