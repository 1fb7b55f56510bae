// SPDX-License-Identifier: Apache-2.0
#include "platform/CharsetConversion.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace ostrel2::tessoran {

namespace {

// The converter names that the platform's code pages serve. Sets without a
// code page that holds exactly them (ISO 8859-10, -11, -14 and -16) have no
// converter here rather than a near one.
struct CodePage {
    const char* converterName;
    UINT codePage;
};

constexpr CodePage kCodePages[] = {
    {"CP437", 437},        {"ISO-8859-1", 28591}, {"ISO-8859-2", 28592},  {"ISO-8859-3", 28593},
    {"ISO-8859-4", 28594}, {"ISO-8859-5", 28595}, {"ISO-8859-6", 28596},  {"ISO-8859-7", 28597},
    {"ISO-8859-8", 28598}, {"ISO-8859-9", 28599}, {"ISO-8859-13", 28603}, {"ISO-8859-15", 28605},
    {"SHIFT_JIS", 932},    {"CP1250", 1250},      {"CP1251", 1251},       {"CP1252", 1252},
    {"CP1256", 1256},      {"UTF-8", CP_UTF8},    {"BIG5", 950},          {"EUC-CN", 20936},
    {"EUC-KR", 51949},     {"GBK", 936},          {"GB18030", 54936},
};

std::optional<UINT> codePageOf(const char* converterName) {
    for (const CodePage& entry : kCodePages) {
        if (std::strcmp(entry.converterName, converterName) == 0) {
            return entry.codePage;
        }
    }
    return std::nullopt;
}

void appendUtf8(std::string& text, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        text += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        text += static_cast<char>(0xC0 | codePoint >> 6);
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        text += static_cast<char>(0xE0 | codePoint >> 12);
        text += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | codePoint >> 18);
        text += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// UTF-16 and UTF-32 in either byte order, decoded here: the code page
// functions take neither as input.
Utf8Conversion fromUnicodeUnits(std::string_view bytes, std::size_t unitBytes, bool bigEndian) {
    if (bytes.size() % unitBytes != 0) {
        return ConversionFailure::InvalidBytes;
    }
    const auto unitAt = [&](std::size_t index) {
        std::uint32_t unit = 0;
        for (std::size_t i = 0; i < unitBytes; ++i) {
            const std::size_t byte = bigEndian ? i : unitBytes - 1 - i;
            unit = unit << 8 | static_cast<std::uint8_t>(bytes[index * unitBytes + byte]);
        }
        return unit;
    };
    std::string text;
    const std::size_t units = bytes.size() / unitBytes;
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t codePoint = unitAt(i);
        if (unitBytes == 2 && codePoint >= 0xD800 && codePoint < 0xDC00 && i + 1 < units &&
            unitAt(i + 1) >= 0xDC00 && unitAt(i + 1) < 0xE000) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00);
            ++i;
        }
        if ((codePoint >= 0xD800 && codePoint < 0xE000) || codePoint > 0x10FFFF) {
            return ConversionFailure::InvalidBytes;
        }
        appendUtf8(text, codePoint);
    }
    return text;
}

Utf8Conversion fromAscii(std::string_view bytes) {
    for (const char byte : bytes) {
        if (static_cast<unsigned char>(byte) >= 0x80) {
            return ConversionFailure::InvalidBytes;
        }
    }
    return std::string(bytes);
}

// Through UTF-16: every byte must make a character of the code page, and
// every character a UTF-8 sequence.
Utf8Conversion fromCodePage(std::string_view bytes, UINT codePage) {
    if (bytes.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(bytes.size());
    const int wide =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (wide <= 0) {
        return ConversionFailure::InvalidBytes;
    }
    std::wstring units(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, units.data(), wide);
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, units.data(), wide, nullptr,
                                         0, nullptr, nullptr);
    if (size <= 0) {
        return ConversionFailure::InvalidBytes;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, units.data(), wide, text.data(), size,
                        nullptr, nullptr);
    return text;
}

}  // namespace

Utf8Conversion convertToUtf8(std::string_view bytes, const char* converterName) {
    const std::string name = converterName;
    if (name == "ASCII") {
        return fromAscii(bytes);
    }
    if (name == "UTF-16BE" || name == "UTF-16LE") {
        return fromUnicodeUnits(bytes, 2, name == "UTF-16BE");
    }
    if (name == "UTF-32BE" || name == "UTF-32LE") {
        return fromUnicodeUnits(bytes, 4, name == "UTF-32BE");
    }
    const std::optional<UINT> codePage = codePageOf(converterName);
    if (!codePage || !IsValidCodePage(*codePage)) {
        return ConversionFailure::NoConverter;
    }
    return fromCodePage(bytes, *codePage);
}

}  // namespace ostrel2::tessoran
