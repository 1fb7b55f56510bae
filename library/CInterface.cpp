// SPDX-License-Identifier: Apache-2.0
// The library's C interface over the decode pipeline the program uses. Every
// argument is checked before it is used, every failure is a status, and no
// exception leaves a call.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "generated/Version.h"
#include "library/Guarded.h"
#include "library/PictureInputs.h"
#include "pattern/PixelView.h"
#include "pipeline/SymbolDecoder.h"
#include "platform/GdiPlus.h"
#include "platform/posix/ImageFile.h"
#include "tessoran/tessoran.h"

struct tessoran_result {
    ostrel2::tessoran::DecodedSymbol symbol;
};

namespace {

using namespace ostrel2::tessoran;

// Runs `attempt` and hands its symbol out through `result`.
template <class Attempting>
tessoran_status answer(tessoran_result** result, Attempting&& attempt) noexcept {
    if (result == nullptr) {
        return TESSORAN_BAD_INPUT;
    }
    *result = nullptr;
    return library::guarded([&]() -> tessoran_status {
        DecodeOutcome outcome = attempt();
        if (!outcome.ok()) {
            return library::statusOf(outcome.failure());
        }
        *result = new tessoran_result{std::move(outcome).value()};
        return TESSORAN_OK;
    });
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
        return decodePixels(library::viewOfDecodedImage(image));
    });
}

tessoran_status tessoran_decode_pixels(const void* pixels, int width, int height, int stride,
                                       tessoran_pixel_format format, tessoran_result** result) {
    return answer(result, [=]() -> DecodeOutcome {
        const std::optional<PixelView> view =
            library::pixelViewOf(pixels, width, height, stride, format);
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
        case TESSORAN_NOT_TEXT:
            return "data not text in its character set";
        case TESSORAN_INCOMPLETE:
            return "Macro PDF417 file incomplete";
        default:
            return "unknown status";
    }
}

const char* tessoran_version(void) {
    return kVersion;
}

}  // extern "C"
