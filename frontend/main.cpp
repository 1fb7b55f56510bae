// SPDX-License-Identifier: Apache-2.0
#include "frontend/CommandLine.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    return ostrel2::tessoran::runCommandLine(argc, argv);
}
#else
int main(int argc, char** argv) {
    return ostrel2::tessoran::runCommandLine(argc, argv);
}
#endif
