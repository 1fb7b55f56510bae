// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <functional>

namespace ostrel2::tessoran {

// Runs the program's whole run and turns whatever is thrown out of it into a
// message on standard error and an exit status, so that nothing thrown ends
// the program unexplained: running out of memory gives "Out of memory." and
// kExitInput, anything else (a fault of the program: its code throws nothing
// else) "Internal error." and kExitInternal. What the run held has been
// released on the way out.
int runGuarded(const std::function<int()>& run);

}  // namespace ostrel2::tessoran
