// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdio>
#include <memory>

#include "platform/PathChar.h"

namespace ostrel2::tessoran {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenFile = std::unique_ptr<std::FILE, CloseFile>;

// `path` opened for reading as text, or null.
inline OpenFile openForReading(const PathChar* path) {
#ifdef _WIN32
    return OpenFile(_wfopen(path, L"r"));
#else
    return OpenFile(std::fopen(path, "r"));
#endif
}

}  // namespace ostrel2::tessoran
