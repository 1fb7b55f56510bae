// SPDX-License-Identifier: Apache-2.0
// The library's C interface over the decode pipeline the program uses. Every
// argument is checked before it is used, every failure is a status, and no
// exception leaves a call.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "generated/Version.h"
#include "pattern/PixelView.h"
#include "pipeline/SymbolDecoder.h"
#include "platform/DecodeBudget.h"
#include "platform/GdiPlus.h"
#include "platform/posix/ImageFile.h"
#include "tessoran/tessoran.h"

struct tessoran_result {
    ostrel2::tessoran::DecodedSymbol symbol;
};

namespace {

using namespace ostrel2::tessoran;

tessoran_status statusOf(DecodeFailure failure) {
    switch (failure) {
        case DecodeFailure::NoSymbol:
            return TESSORAN_NO_SYMBOL;
        case DecodeFailure::Uncorrectable:
            return TESSORAN_UNCORRECTABLE;
        case DecodeFailure::EciPastEnd:
        case DecodeFailure::ZeroLengthDescriptor:
        case DecodeFailure::TerminatorNotLast:
            return TESSORAN_MALFORMED_DATA;
        case DecodeFailure::BadInput:
            break;
    }
    return TESSORAN_BAD_INPUT;
}

// Runs `attempt` and hands its symbol out through `result`. Nothing thrown
// leaves the library: running out of memory is a status like any other
// failure (a size the standard library cannot hold is one more way of
// running out), and anything else thrown, which the decoders never do, is
// an internal error.
template <class Attempting>
tessoran_status answer(tessoran_result** result, Attempting&& attempt) noexcept {
    if (result == nullptr) {
        return TESSORAN_BAD_INPUT;
    }
    *result = nullptr;
    try {
        DecodeOutcome outcome = attempt();
        if (!outcome.ok()) {
            return statusOf(outcome.failure());
        }
        *result = new tessoran_result{std::move(outcome).value()};
        return TESSORAN_OK;
    } catch (const std::bad_alloc&) {
        return TESSORAN_OUT_OF_MEMORY;
    } catch (const std::length_error&) {
        return TESSORAN_OUT_OF_MEMORY;
    } catch (...) {
        return TESSORAN_INTERNAL_ERROR;
    }
}

std::optional<PixelLayout> layoutOf(tessoran_pixel_format format) {
    switch (format) {
        case TESSORAN_GREY8:
            return PixelLayout::Grey8;
        case TESSORAN_RGB24:
            return PixelLayout::Rgb24;
        case TESSORAN_RGBA32:
            return PixelLayout::Rgba32;
        case TESSORAN_BGRA32:
            return PixelLayout::Bgra32;
        default:
            return std::nullopt;
    }
}

// A view of the caller's pixels, or none when the arguments cannot describe
// a picture that may be decoded: rows that overlap, or more pixels than a
// decode may take.
std::optional<PixelView> pixelViewOf(const void* pixels, int width, int height, int stride,
                                     tessoran_pixel_format format) {
    const std::optional<PixelLayout> layout = layoutOf(format);
    if (pixels == nullptr || !layout || width <= 0 || height <= 0 ||
        !platform::fitsDecodeBudget(static_cast<std::uint64_t>(width),
                                    static_cast<std::uint64_t>(height)) ||
        static_cast<std::int64_t>(stride) <
            static_cast<std::int64_t>(width) * bytesPerPixel(*layout)) {
        return std::nullopt;
    }
    return PixelView{static_cast<const std::uint8_t*>(pixels), width, height, stride, *layout};
}

// A decoded image's pixels, ARGB words, are blue, green, red and alpha bytes
// on the machines the library is built for.
static_assert(std::endian::native == std::endian::little);

DecodeOutcome decodeDecodedImage(const Gdiplus::GpImage& image) {
    const PixelView view{reinterpret_cast<const std::uint8_t*>(image.pixels.data()), image.width,
                         image.height, static_cast<std::ptrdiff_t>(4) * image.width,
                         PixelLayout::Bgra32};
    return decodePixels(view);
}

}  // namespace

extern "C" {

tessoran_status tessoran_decode_file(const char* path, tessoran_result** result) {
    return answer(result, [path]() -> DecodeOutcome {
        if (path == nullptr) {
            return DecodeFailure::BadInput;
        }
        // The image library needs no start-up on the platforms the library
        // is built for.
        Gdiplus::Bitmap bitmap(path);
        if (bitmap.GetLastStatus() != Gdiplus::Ok) {
            return DecodeFailure::BadInput;
        }
        return decodeBitmap(bitmap, nullptr);
    });
}

tessoran_status tessoran_decode_memory(const void* bytes, size_t size, tessoran_result** result) {
    return answer(result, [bytes, size]() -> DecodeOutcome {
        Gdiplus::GpImage image;
        if (bytes == nullptr ||
            !platform::loadImageFromMemory(static_cast<const unsigned char*>(bytes), size, image)) {
            return DecodeFailure::BadInput;
        }
        return decodeDecodedImage(image);
    });
}

tessoran_status tessoran_decode_pixels(const void* pixels, int width, int height, int stride,
                                       tessoran_pixel_format format, tessoran_result** result) {
    return answer(result, [=]() -> DecodeOutcome {
        const std::optional<PixelView> view = pixelViewOf(pixels, width, height, stride, format);
        if (!view) {
            return DecodeFailure::BadInput;
        }
        return decodePixels(*view);
    });
}

int tessoran_result_rows(const tessoran_result* result) {
    return result != nullptr ? result->symbol.rows : 0;
}

int tessoran_result_columns(const tessoran_result* result) {
    return result != nullptr ? result->symbol.columns : 0;
}

int tessoran_result_ec_level(const tessoran_result* result) {
    return result != nullptr ? result->symbol.ecLevel : 0;
}

const unsigned char* tessoran_result_data(const tessoran_result* result, size_t* length) {
    if (length != nullptr) {
        *length = result != nullptr ? result->symbol.data.size() : 0;
    }
    return result != nullptr ? reinterpret_cast<const unsigned char*>(result->symbol.data.c_str())
                             : nullptr;
}

void tessoran_result_free(tessoran_result* result) {
    delete result;
}

const char* tessoran_status_message(tessoran_status status) {
    switch (status) {
        case TESSORAN_OK:
            return "decoded";
        case TESSORAN_NO_SYMBOL:
            return "no symbol found";
        case TESSORAN_UNCORRECTABLE:
            return "symbol too damaged to correct";
        case TESSORAN_MALFORMED_DATA:
            return "symbol data malformed";
        case TESSORAN_BAD_INPUT:
            return "bad input: not a readable image, or a bad argument";
        case TESSORAN_OUT_OF_MEMORY:
            return "out of memory";
        case TESSORAN_INTERNAL_ERROR:
            return "internal error";
        default:
            return "unknown status";
    }
}

const char* tessoran_version(void) {
    return kVersion;
}

}  // extern "C"
