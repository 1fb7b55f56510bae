// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>

#include "capture/CaptureTrace.h"
#include "platform/GdiPlus.h"
#include "platform/PathChar.h"

namespace ostrel2::tessoran {

// Where TESSORAN_TRACE asks for a picture of what the readers found, if it
// names a path.
std::optional<std::basic_string<PathChar>> tracePicturePath();

// Writes the picture of `bitmap` with `trace` drawn over it to `path`. A
// picture that cannot be written is left unwritten without a word: the run's
// output and status are the same with a trace as without.
void writeTracePicture(const PathChar* path, Gdiplus::Bitmap& bitmap,
                       const capture::CaptureTrace& trace);

}  // namespace ostrel2::tessoran
