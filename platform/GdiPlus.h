// SPDX-License-Identifier: Apache-2.0
#pragma once

// The image library. On Windows it is the platform's GDI+; elsewhere a small
// library of ours with the same names and shapes, backed by the usual format
// libraries, so that the code that loads and reads images is the same on both.
#ifdef _WIN32
// GDI+ needs the declarations of windows.h and objidl.h before its own, so
// each stands in an include block of its own.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>
#else
#include "platform/posix/GdiPlusPosix.h"
#endif

#include "platform/PathChar.h"
