// SPDX-License-Identifier: Apache-2.0
// A symbol's Macro PDF417 control block through the C interface, and the
// joining of a file's segments.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library/Guarded.h"
#include "library/LibraryObjects.h"

namespace {

using namespace ostrel2::tessoran;

const MacroControl* macroOf(const tessoran_symbol* symbol) {
    if (symbol == nullptr || !symbol->report.content.macro) {
        return nullptr;
    }
    return &*symbol->report.content.macro;
}

const std::optional<std::string>* textFieldOf(const MacroControl& macro,
                                              tessoran_macro_field field) {
    switch (field) {
        case TESSORAN_MACRO_FILE_NAME:
            return &macro.fileName;
        case TESSORAN_MACRO_SENDER:
            return &macro.sender;
        case TESSORAN_MACRO_ADDRESSEE:
            return &macro.addressee;
        default:
            return nullptr;
    }
}

const std::optional<std::uint64_t>* numberFieldOf(const MacroControl& macro,
                                                  tessoran_macro_field field) {
    switch (field) {
        case TESSORAN_MACRO_SEGMENT_COUNT:
            return &macro.segmentCount;
        case TESSORAN_MACRO_TIME_STAMP:
            return &macro.timeStamp;
        case TESSORAN_MACRO_FILE_SIZE:
            return &macro.fileSize;
        case TESSORAN_MACRO_CHECKSUM:
            return &macro.checksum;
        default:
            return nullptr;
    }
}

const JoinedFile* firstFile(const tessoran_joined* joined) {
    return joined != nullptr && !joined->files.empty() ? &joined->files.front() : nullptr;
}

// Whether the parts make exactly one file with all of its segments.
bool isWhole(const tessoran_joined& joined) {
    return joined.files.size() == 1 && joined.files.front().complete();
}

}  // namespace

extern "C" {

int tessoran_symbol_has_macro(const tessoran_symbol* symbol) {
    return macroOf(symbol) != nullptr ? 1 : 0;
}

int tessoran_macro_segment_index(const tessoran_symbol* symbol, unsigned long* index) {
    const MacroControl* macro = macroOf(symbol);
    if (macro == nullptr || !macro->segmentIndex) {
        return 0;
    }
    if (index != nullptr) {
        *index = *macro->segmentIndex;
    }
    return 1;
}

const char* tessoran_macro_file_id(const tessoran_symbol* symbol) {
    const MacroControl* macro = macroOf(symbol);
    return macro != nullptr ? macro->fileId.c_str() : "";
}

const char* tessoran_macro_file_id_text(const tessoran_symbol* symbol) {
    const MacroControl* macro = macroOf(symbol);
    return macro != nullptr ? macro->fileIdText.c_str() : "";
}

const char* tessoran_macro_text_field(const tessoran_symbol* symbol, tessoran_macro_field field) {
    const MacroControl* macro = macroOf(symbol);
    const std::optional<std::string>* text =
        macro != nullptr ? textFieldOf(*macro, field) : nullptr;
    return text != nullptr && *text ? (*text)->c_str() : nullptr;
}

int tessoran_macro_number_field(const tessoran_symbol* symbol, tessoran_macro_field field,
                                unsigned long long* value) {
    const MacroControl* macro = macroOf(symbol);
    const std::optional<std::uint64_t>* number =
        macro != nullptr ? numberFieldOf(*macro, field) : nullptr;
    if (number == nullptr || !*number) {
        return 0;
    }
    if (value != nullptr) {
        *value = **number;
    }
    return 1;
}

int tessoran_macro_last_segment(const tessoran_symbol* symbol) {
    const MacroControl* macro = macroOf(symbol);
    return macro != nullptr && macro->lastSegment ? 1 : 0;
}

tessoran_status tessoran_join(const tessoran_symbol* const* symbols, size_t count,
                              tessoran_joined** joined) {
    if (joined == nullptr || (symbols == nullptr && count > 0)) {
        return TESSORAN_BAD_INPUT;
    }
    *joined = nullptr;
    return library::guarded([&]() -> tessoran_status {
        std::vector<MacroPart> parts;
        for (size_t i = 0; i < count; ++i) {
            const MacroControl* macro = macroOf(symbols[i]);
            if (macro != nullptr) {
                parts.push_back({*macro, symbols[i]->report.content.data()});
            }
        }
        auto result = std::make_unique<tessoran_joined>();
        result->files = joinMacroParts(parts);
        if (result->files.empty()) {
            return TESSORAN_NO_SYMBOL;
        }
        const bool whole = isWhole(*result);
        *joined = result.release();
        return whole ? TESSORAN_OK : TESSORAN_INCOMPLETE;
    });
}

const unsigned char* tessoran_joined_data(const tessoran_joined* joined, size_t* length) {
    const bool whole = joined != nullptr && isWhole(*joined);
    if (length != nullptr) {
        *length = whole ? joined->files.front().data.size() : 0;
    }
    return whole ? reinterpret_cast<const unsigned char*>(joined->files.front().data.c_str())
                 : nullptr;
}

const char* tessoran_joined_file_id(const tessoran_joined* joined) {
    const JoinedFile* file = firstFile(joined);
    return file != nullptr ? file->fileId.c_str() : "";
}

int tessoran_joined_segment_count(const tessoran_joined* joined, unsigned long* count) {
    const JoinedFile* file = firstFile(joined);
    if (file == nullptr || !file->segmentCount) {
        return 0;
    }
    if (count != nullptr) {
        *count = static_cast<unsigned long>(*file->segmentCount);
    }
    return 1;
}

size_t tessoran_joined_missing_count(const tessoran_joined* joined) {
    const JoinedFile* file = firstFile(joined);
    return file != nullptr ? file->missing.size() : 0;
}

unsigned long tessoran_joined_missing_at(const tessoran_joined* joined, size_t index) {
    const JoinedFile* file = firstFile(joined);
    return file != nullptr && index < file->missing.size() ? file->missing[index] : 0;
}

size_t tessoran_joined_conflict_count(const tessoran_joined* joined) {
    const JoinedFile* file = firstFile(joined);
    return file != nullptr ? file->conflicting.size() : 0;
}

unsigned long tessoran_joined_conflict_at(const tessoran_joined* joined, size_t index) {
    const JoinedFile* file = firstFile(joined);
    return file != nullptr && index < file->conflicting.size() ? file->conflicting[index] : 0;
}

size_t tessoran_joined_file_count(const tessoran_joined* joined) {
    return joined != nullptr ? joined->files.size() : 0;
}

void tessoran_joined_free(tessoran_joined* joined) {
    delete joined;
}

}  // extern "C"
