// SPDX-License-Identifier: Apache-2.0
#include "frontend/RunGuard.h"

#include <cstdio>
#include <new>

#include "frontend/ExitStatus.h"

namespace ostrel2::tessoran {

int runGuarded(const std::function<int()>& run) {
    try {
        return run();
    } catch (const std::bad_alloc&) {
        std::fputs("Out of memory.\n", stderr);
        return kExitInput;
    } catch (...) {
        std::fputs("Internal error.\n", stderr);
        return kExitInternal;
    }
}

}  // namespace ostrel2::tessoran
