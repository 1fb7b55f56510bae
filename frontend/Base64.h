// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace ostrel2::tessoran {

// `bytes` in base64 (the standard alphabet, with "=" padding).
std::string base64Of(std::string_view bytes);

}  // namespace ostrel2::tessoran
