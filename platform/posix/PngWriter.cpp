// SPDX-License-Identifier: Apache-2.0
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include "platform/PngFile.h"

namespace ostrel2::tessoran::platform {

namespace {

[[noreturn]] void stopWriting(png_structp png, png_const_charp /*message*/) {
    png_longjmp(png, 1);
}
void ignoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Every libpng call below this setjmp; nothing here needs destroying.
bool writeRows(png_structp png, png_infop info, std::FILE* file, const std::uint32_t* argb,
               std::int32_t width, std::int32_t height, std::vector<png_byte>& row) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint32_t* source =
            argb + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t pixel = source[x];
            row[3 * static_cast<std::size_t>(x)] = static_cast<png_byte>(pixel >> 16);
            row[3 * static_cast<std::size_t>(x) + 1] = static_cast<png_byte>(pixel >> 8);
            row[3 * static_cast<std::size_t>(x) + 2] = static_cast<png_byte>(pixel);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool writePngFile(const PathChar* path, const std::uint32_t* argb, std::int32_t width,
                  std::int32_t height) {
    if (path == nullptr || argb == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, stopWriting, ignoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (info != nullptr) {
        std::vector<png_byte> row(3 * static_cast<std::size_t>(width));
        written = writeRows(png, info, file, argb, width, height, row);
    }
    if (png != nullptr) {
        png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    }
    written = std::fclose(file) == 0 && written;
    return written;
}

}  // namespace ostrel2::tessoran::platform
