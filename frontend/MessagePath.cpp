// SPDX-License-Identifier: Apache-2.0
#include "frontend/MessagePath.h"

#include "frontend/MessageText.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace ostrel2::tessoran {

#ifdef _WIN32
std::string pathText(const PathChar* path) {
    // An unpaired surrogate becomes U+FFFD rather than failing the message.
    const int size = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path, -1, text.data(), size, nullptr, nullptr);
    text.pop_back();  // the terminating zero
    return text;
}
#else
std::string pathText(const PathChar* path) {
    return path;
}
#endif

std::string messagePath(const PathChar* path) {
    return messageText(pathText(path));
}

}  // namespace ostrel2::tessoran
