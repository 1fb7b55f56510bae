// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace ostrel2::tessoran {

// Text from outside (a path, a character of the input) as a message on a
// terminal may show it: control characters (0 to 31 and 127) and bytes that
// are not part of valid UTF-8 become "\x" and two lower-case hexadecimal
// digits per byte, so that no input can drive the terminal or garble the
// message. Printable text and valid UTF-8 stay as they are, backslashes too.
std::string messageText(std::string_view text);

}  // namespace ostrel2::tessoran
