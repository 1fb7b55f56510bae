// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

#include "frontend/BatchReading.h"

namespace ostrel2::tessoran {

// One JSON document of every file read and every symbol in it, ended by a
// line end; the README and tessoran(1) give its fields. Strings that are not
// valid UTF-8 (a file name) have their invalid bytes replaced by U+FFFD;
// data always comes as base64 too, byte for byte. `defaultEci` names the
// character set of data before any ECI designator.
std::string jsonReport(const std::vector<FileReading>& files, std::int32_t defaultEci);

}  // namespace ostrel2::tessoran
