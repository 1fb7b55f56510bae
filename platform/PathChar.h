// SPDX-License-Identifier: Apache-2.0
#pragma once

namespace ostrel2::tessoran {

// Paths are kept in the platform's own form: UTF-16 on Windows, bytes
// elsewhere, never converted.
#ifdef _WIN32
using PathChar = wchar_t;
#else
using PathChar = char;
#endif

}  // namespace ostrel2::tessoran
