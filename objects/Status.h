// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#ifdef _WIN32
// winerror.h types its values as HRESULT, which windows.h declares first.
#include <windows.h>
#endif

namespace ostrel2 {

// Operations that can fail return a signed 32-bit status; below 0 is failure.
using Status = std::int32_t;

inline constexpr bool failed(Status status) {
    return status < 0;
}

#ifndef _WIN32
// The system status values, with the numbers Windows gives them, so that code
// reads the same on both platforms (winerror.h supplies them there).
inline constexpr Status S_OK = 0;
inline constexpr Status E_INVALIDARG = static_cast<Status>(0x80070057u);
inline constexpr Status E_POINTER = static_cast<Status>(0x80004003u);
inline constexpr Status E_NOINTERFACE = static_cast<Status>(0x80004002u);
#endif

}  // namespace ostrel2
