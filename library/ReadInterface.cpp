// SPDX-License-Identifier: Apache-2.0
// Reading every symbol of a picture through the C interface: the options,
// the reading and the list of symbols.

#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "decoding/CharacterSets.h"
#include "library/Guarded.h"
#include "library/LibraryObjects.h"
#include "library/PictureInputs.h"
#include "platform/GdiPlus.h"
#include "platform/posix/ImageFile.h"

namespace {

using namespace ostrel2::tessoran;

using SymbolsRead = Result<std::vector<LocatedSymbol>>;

// Runs `attempt` and hands the symbols it read out through `symbols`.
template <class Attempting>
tessoran_status answerSymbols(const tessoran_options* options, tessoran_symbols** symbols,
                              Attempting&& attempt) noexcept {
    if (symbols == nullptr) {
        return TESSORAN_BAD_INPUT;
    }
    *symbols = nullptr;
    return library::guarded([&]() -> tessoran_status {
        const tessoran_options chosen = options != nullptr ? *options : tessoran_options{};
        const SymbolsRead read = attempt(chosen.read);
        if (!read.ok()) {
            return library::statusOf(read.failure());
        }
        auto list = std::make_unique<tessoran_symbols>();
        for (const LocatedSymbol& symbol : read.value()) {
            list->symbols.push_back({reportOf(symbol, chosen.defaultEci)});
        }
        *symbols = list.release();
        return TESSORAN_OK;
    });
}

const ContentPiece* pieceAt(const tessoran_symbol* symbol, size_t index) {
    if (symbol == nullptr || index >= symbol->report.content.pieces.size()) {
        return nullptr;
    }
    return &symbol->report.content.pieces[index];
}

}  // namespace

extern "C" {

tessoran_options* tessoran_options_new(void) {
    return new (std::nothrow) tessoran_options;
}

void tessoran_options_free(tessoran_options* options) {
    delete options;
}

tessoran_status tessoran_options_set_max_symbols(tessoran_options* options, int max_symbols) {
    if (options == nullptr || max_symbols < 0) {
        return TESSORAN_BAD_INPUT;
    }
    options->read.maxSymbols = max_symbols;
    return TESSORAN_OK;
}

tessoran_status tessoran_options_set_try_capture(tessoran_options* options, int try_capture) {
    if (options == nullptr) {
        return TESSORAN_BAD_INPUT;
    }
    options->read.tryCapture = try_capture != 0;
    return TESSORAN_OK;
}

tessoran_status tessoran_options_set_default_eci(tessoran_options* options, int eci) {
    if (options == nullptr || charsetNameOfEci(eci) == nullptr) {
        return TESSORAN_BAD_INPUT;
    }
    options->defaultEci = eci;
    return TESSORAN_OK;
}

tessoran_status tessoran_read_file(const char* path, const tessoran_options* options,
                                   tessoran_symbols** symbols) {
    return answerSymbols(options, symbols, [path](const ReadOptions& read) -> SymbolsRead {
        if (path == nullptr) {
            return DecodeFailure::BadInput;
        }
        Gdiplus::Bitmap bitmap(path);
        if (bitmap.GetLastStatus() != Gdiplus::Ok) {
            return DecodeFailure::BadInput;
        }
        return readEverySymbol(bitmap, read);
    });
}

tessoran_status tessoran_read_memory(const void* bytes, size_t size,
                                     const tessoran_options* options, tessoran_symbols** symbols) {
    return answerSymbols(options, symbols, [bytes, size](const ReadOptions& read) -> SymbolsRead {
        Gdiplus::GpImage image;
        if (bytes == nullptr ||
            !platform::loadImageFromMemory(static_cast<const unsigned char*>(bytes), size, image)) {
            return DecodeFailure::BadInput;
        }
        return readEverySymbol(library::viewOfDecodedImage(image), read);
    });
}

tessoran_status tessoran_read_pixels(const void* pixels, int width, int height, int stride,
                                     tessoran_pixel_format format, const tessoran_options* options,
                                     tessoran_symbols** symbols) {
    return answerSymbols(options, symbols, [=](const ReadOptions& read) -> SymbolsRead {
        const std::optional<PixelView> view =
            library::pixelViewOf(pixels, width, height, stride, format);
        if (!view) {
            return DecodeFailure::BadInput;
        }
        return readEverySymbol(*view, read);
    });
}

size_t tessoran_symbols_count(const tessoran_symbols* symbols) {
    return symbols != nullptr ? symbols->symbols.size() : 0;
}

const tessoran_symbol* tessoran_symbols_at(const tessoran_symbols* symbols, size_t index) {
    if (symbols == nullptr || index >= symbols->symbols.size()) {
        return nullptr;
    }
    return &symbols->symbols[index];
}

void tessoran_symbols_free(tessoran_symbols* symbols) {
    delete symbols;
}

int tessoran_symbol_rows(const tessoran_symbol* symbol) {
    return symbol != nullptr ? symbol->report.rows : 0;
}

int tessoran_symbol_columns(const tessoran_symbol* symbol) {
    return symbol != nullptr ? symbol->report.columns : 0;
}

int tessoran_symbol_ec_level(const tessoran_symbol* symbol) {
    return symbol != nullptr ? symbol->report.ecLevel : 0;
}

int tessoran_symbol_corner(const tessoran_symbol* symbol, int corner, double* x, double* y) {
    if (symbol == nullptr || corner < 0 || corner > 3) {
        return 0;
    }
    const PicturePoint point = symbol->report.place.corners[static_cast<std::size_t>(corner)];
    if (x != nullptr) {
        *x = point.x;
    }
    if (y != nullptr) {
        *y = point.y;
    }
    return 1;
}

int tessoran_symbol_mirrored(const tessoran_symbol* symbol) {
    return symbol != nullptr && symbol->report.place.mirrored() ? 1 : 0;
}

int tessoran_symbol_errors_corrected(const tessoran_symbol* symbol) {
    return symbol != nullptr ? symbol->report.correction.errorsCorrected : 0;
}

int tessoran_symbol_erasures_filled(const tessoran_symbol* symbol) {
    return symbol != nullptr ? symbol->report.correction.erasuresFilled : 0;
}

int tessoran_symbol_check_codewords(const tessoran_symbol* symbol) {
    return symbol != nullptr ? symbol->report.correction.checkCodewords : 0;
}

int tessoran_symbol_unused_check_codewords(const tessoran_symbol* symbol) {
    return symbol != nullptr ? symbol->report.correction.unusedCheckCodewords : 0;
}

const unsigned char* tessoran_symbol_data(const tessoran_symbol* symbol, size_t* length) {
    if (length != nullptr) {
        *length = symbol != nullptr ? symbol->report.data.size() : 0;
    }
    return symbol != nullptr ? reinterpret_cast<const unsigned char*>(symbol->report.data.c_str())
                             : nullptr;
}

tessoran_status tessoran_symbol_text(const tessoran_symbol* symbol, const char** text,
                                     size_t* length) {
    if (text != nullptr) {
        *text = nullptr;
    }
    if (length != nullptr) {
        *length = 0;
    }
    if (symbol == nullptr || text == nullptr) {
        return TESSORAN_BAD_INPUT;
    }
    const TextResult& result = symbol->report.text;
    if (!result.ok()) {
        return TESSORAN_NOT_TEXT;
    }
    *text = result.utf8.c_str();
    if (length != nullptr) {
        *length = result.utf8.size();
    }
    return TESSORAN_OK;
}

size_t tessoran_symbol_segment_count(const tessoran_symbol* symbol) {
    return symbol != nullptr ? symbol->report.content.pieces.size() : 0;
}

tessoran_segment_kind tessoran_segment_kind_at(const tessoran_symbol* symbol, size_t index) {
    const ContentPiece* piece = pieceAt(symbol, index);
    if (piece == nullptr) {
        return 0;
    }
    return piece->kind == ContentPiece::Kind::Eci ? TESSORAN_SEGMENT_ECI : TESSORAN_SEGMENT_DATA;
}

const unsigned char* tessoran_segment_bytes(const tessoran_symbol* symbol, size_t index,
                                            size_t* length) {
    const ContentPiece* piece = pieceAt(symbol, index);
    const bool data = piece != nullptr && piece->kind == ContentPiece::Kind::Data;
    if (length != nullptr) {
        *length = data ? piece->bytes.size() : 0;
    }
    return data ? reinterpret_cast<const unsigned char*>(piece->bytes.c_str()) : nullptr;
}

int tessoran_segment_eci(const tessoran_symbol* symbol, size_t index) {
    const ContentPiece* piece = pieceAt(symbol, index);
    return piece != nullptr ? piece->eci : -1;
}

const char* tessoran_eci_charset(int eci) {
    return charsetNameOfEci(eci);
}

}  // extern "C"
