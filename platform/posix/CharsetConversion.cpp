// SPDX-License-Identifier: Apache-2.0
#include "platform/CharsetConversion.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace ostrel2::tessoran {

namespace {

// One conversion descriptor, closed when it goes.
class IconvHandle {
  public:
    IconvHandle(const char* to, const char* from) : handle(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (isOpen()) {
            iconv_close(handle);
        }
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool isOpen() const { return handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle; }

  private:
    iconv_t handle;
};

}  // namespace

Utf8Conversion convertToUtf8(std::string_view bytes, const char* converterName) {
    const IconvHandle converter("UTF-8", converterName);
    if (!converter.isOpen()) {
        return ConversionFailure::NoConverter;
    }
    std::string text;
    // iconv takes a non-const input pointer but does not write through it.
    char* input = const_cast<char*>(bytes.data());
    std::size_t inputLeft = bytes.size();
    std::array<char, 1024> chunk{};
    while (inputLeft > 0) {
        char* output = chunk.data();
        std::size_t outputLeft = chunk.size();
        const std::size_t converted =
            iconv(converter.get(), &input, &inputLeft, &output, &outputLeft);
        const int error = errno;
        text.append(chunk.data(), chunk.size() - outputLeft);
        // A full chunk (E2BIG) only asks for another round; a bad sequence
        // (EILSEQ) or one cut off by the end (EINVAL) makes no text.
        if (converted == static_cast<std::size_t>(-1) && error != E2BIG) {
            return ConversionFailure::InvalidBytes;
        }
    }
    // A stateful set may still owe the characters of its shift state.
    char* output = chunk.data();
    std::size_t outputLeft = chunk.size();
    if (iconv(converter.get(), nullptr, nullptr, &output, &outputLeft) ==
        static_cast<std::size_t>(-1)) {
        return ConversionFailure::InvalidBytes;
    }
    text.append(chunk.data(), chunk.size() - outputLeft);
    return text;
}

}  // namespace ostrel2::tessoran
