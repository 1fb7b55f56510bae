// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

#include "platform/PathChar.h"

namespace ostrel2::tessoran {

// A path as the messages show it, escaped like any outside text (see
// messageText). Elsewhere the bytes given on the command line; on Windows the
// UTF-16 path in UTF-8 first, so that every character survives (the C
// library's own wide conversion drops whatever its locale cannot show) and a
// message is the same bytes on every platform.
std::string messagePath(const PathChar* path);

// A path's text unescaped: the bytes given on the command line, or on
// Windows the UTF-16 path in UTF-8.
std::string pathText(const PathChar* path);

}  // namespace ostrel2::tessoran
