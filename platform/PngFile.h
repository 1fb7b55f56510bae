// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "platform/PathChar.h"

namespace ostrel2::tessoran::platform {

// Writes opaque ARGB pixels (row by row from the top) as a PNG file at `path`,
// replacing any file there. False when the file cannot be written.
bool writePngFile(const PathChar* path, const std::uint32_t* argb, std::int32_t width,
                  std::int32_t height);

}  // namespace ostrel2::tessoran::platform
