/* SPDX-License-Identifier: Apache-2.0 */
/*
 * Tessoran: reads PDF417 symbols from pictures.
 *
 * Each decode function reads one symbol from one picture: an image file, an
 * encoded image in memory (PNG, JPEG, GIF, TIFF or BMP bytes) or pixels the
 * caller holds. It returns a status; on TESSORAN_OK it also hands out a
 * result, which the caller frees with tessoran_result_free. On any other
 * status *result is set to NULL (when result itself is not NULL).
 *
 * A picture is read first with its symbol's rows taken as level and
 * horizontal, a pixel dark when its red, green and blue add up to 255 or
 * less; when that finds nothing, it is searched for a symbol at any angle,
 * in perspective, blurred or in poor light, transparent pixels counting as
 * paper. The data is what the command line program prints after its size
 * line: the symbol's bytes, any values, with ECI designators as six digits
 * and Macro PDF417 fields in brackets.
 *
 * Calls on different results and pictures may run on any threads at once:
 * the library keeps no state between calls. It never writes to the standard
 * streams, never ends the process and lets no exception out.
 */
#ifndef TESSORAN_TESSORAN_H
#define TESSORAN_TESSORAN_H

#include <stddef.h>

#if defined(__GNUC__) && !defined(_WIN32)
#define TESSORAN_API __attribute__((visibility("default")))
#else
#define TESSORAN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What a decode came to: one of the values below. */
typedef int tessoran_status;
enum {
    TESSORAN_OK = 0,
    TESSORAN_NO_SYMBOL = 1,      /* no symbol was found in the picture */
    TESSORAN_UNCORRECTABLE = 2,  /* a symbol more damaged than its error correction restores */
    TESSORAN_MALFORMED_DATA = 3, /* a symbol whose data breaks the encoding's rules */
    TESSORAN_BAD_INPUT = 4,      /* a null pointer, a bad size, stride or format, a file that
                                    cannot be read, bytes that are no image, or a picture too
                                    large to decode (more than about 1 GiB of work) */
    TESSORAN_OUT_OF_MEMORY = 5,  /* memory ran out */
    TESSORAN_INTERNAL_ERROR = 6, /* a fault of the library itself, which no input should cause */
    TESSORAN_NOT_TEXT = 7,  /* data that is not text in its character set (tessoran_symbol_text) */
    TESSORAN_INCOMPLETE = 8 /* a Macro PDF417 file with segments missing (tessoran_join) */
};

/* How a caller's pixels are laid out, byte by byte: one of the values below. */
typedef int tessoran_pixel_format;
enum {
    TESSORAN_GREY8 = 1,  /* 1 byte a pixel: 0 black to 255 white */
    TESSORAN_RGB24 = 2,  /* 3 bytes: red, green, blue */
    TESSORAN_RGBA32 = 3, /* 4 bytes: red, green, blue, alpha (not premultiplied) */
    TESSORAN_BGRA32 = 4  /* 4 bytes: blue, green, red, alpha (not premultiplied) */
};

/* A decoded symbol. */
typedef struct tessoran_result tessoran_result;

/* Decodes the image file at path (a file name in the system's own bytes). */
TESSORAN_API tessoran_status tessoran_decode_file(const char* path, tessoran_result** result);

/* Decodes size bytes of an encoded image file held in memory. */
TESSORAN_API tessoran_status tessoran_decode_memory(const void* bytes, size_t size,
                                                    tessoran_result** result);

/* Decodes height rows of width pixels in the given format; each row starts
   stride bytes after the one above it (at least a row's bytes). */
TESSORAN_API tessoran_status tessoran_decode_pixels(const void* pixels, int width, int height,
                                                    int stride, tessoran_pixel_format format,
                                                    tessoran_result** result);

/* The symbol's rows, data columns and error-correction level (0 to 8), as
   the size line states them; 0 for a NULL result. */
TESSORAN_API int tessoran_result_rows(const tessoran_result* result);
TESSORAN_API int tessoran_result_columns(const tessoran_result* result);
TESSORAN_API int tessoran_result_ec_level(const tessoran_result* result);

/* The decoded bytes (any values, 0 included), followed by a 0 byte that is
   not counted; their count goes to *length unless length is NULL. Valid
   until the result is freed. NULL, and a length of 0, for a NULL result. */
TESSORAN_API const unsigned char* tessoran_result_data(const tessoran_result* result,
                                                       size_t* length);

/* Frees a result; NULL is allowed. */
TESSORAN_API void tessoran_result_free(tessoran_result* result);

/*
 * Every symbol in a picture, as data.
 *
 * The read functions below find every symbol in a picture (up to a maximum
 * that the options set) and give each one's size, its place in the picture,
 * what error correction did, its bytes as the decode functions give them,
 * its content as segments (data in its character set, ECI designators) with
 * any Macro PDF417 control block as fields, and its text as UTF-8. A picture
 * is read as the decode functions read it; the symbol found is then covered
 * and the picture read again, until nothing more is found. The first symbol
 * read is the one tessoran_decode_* gives; the list is in reading order
 * (top to bottom, and left to right where symbols lie beside each other).
 *
 * Every object below is opaque and read through functions, so that later
 * versions can add to it without breaking programs built against this one.
 */

/* How to read: made by tessoran_options_new, freed by tessoran_options_free.
   A NULL options pointer means the defaults. */
typedef struct tessoran_options tessoran_options;

/* Options with the defaults: every symbol (up to 64), the capture reader
   tried where the first reading finds nothing, and code page 437 (ECI 2) for
   data that no ECI designator governs. NULL when memory ran out. */
TESSORAN_API tessoran_options* tessoran_options_new(void);
TESSORAN_API void tessoran_options_free(tessoran_options* options);

/* The most symbols to read from one picture: 1 for the first only, 0 for
   every one (up to 64, which is also the most any value gives). Negative
   values are a bad input. */
TESSORAN_API tessoran_status tessoran_options_set_max_symbols(tessoran_options* options,
                                                              int max_symbols);

/* Whether a picture that the first reading (level symbols only) finds
   nothing in is searched for symbols at any angle: nonzero yes (the
   default), 0 no. */
TESSORAN_API tessoran_status tessoran_options_set_try_capture(tessoran_options* options,
                                                              int try_capture);

/* The ECI whose character set is taken for data before any ECI designator:
   2 (code page 437) by default. Many encoders write ISO 8859-1 bytes without
   a designator; 3 reads those. An ECI that tessoran_eci_charset does not know
   is a bad input. */
TESSORAN_API tessoran_status tessoran_options_set_default_eci(tessoran_options* options, int eci);

/* The symbols read from one picture: freed by tessoran_symbols_free. */
typedef struct tessoran_symbols tessoran_symbols;

/* One symbol of a list: valid as long as its list. */
typedef struct tessoran_symbol tessoran_symbol;

/* Reads every symbol of an image file, an encoded image in memory, or a
   caller's pixels (the arguments as for tessoran_decode_*). On TESSORAN_OK
   *symbols holds at least one symbol; on any other status *symbols is NULL
   and the status is the first reading's (TESSORAN_NO_SYMBOL for a picture
   without a symbol). */
TESSORAN_API tessoran_status tessoran_read_file(const char* path, const tessoran_options* options,
                                                tessoran_symbols** symbols);
TESSORAN_API tessoran_status tessoran_read_memory(const void* bytes, size_t size,
                                                  const tessoran_options* options,
                                                  tessoran_symbols** symbols);
TESSORAN_API tessoran_status tessoran_read_pixels(const void* pixels, int width, int height,
                                                  int stride, tessoran_pixel_format format,
                                                  const tessoran_options* options,
                                                  tessoran_symbols** symbols);

/* The number of symbols in a list (0 for NULL), and symbol `index` of it
   (NULL for NULL or an index past the end). */
TESSORAN_API size_t tessoran_symbols_count(const tessoran_symbols* symbols);
TESSORAN_API const tessoran_symbol* tessoran_symbols_at(const tessoran_symbols* symbols,
                                                        size_t index);

/* Frees a list and its symbols; NULL is allowed. */
TESSORAN_API void tessoran_symbols_free(tessoran_symbols* symbols);

/* The symbol's rows, data columns and error-correction level; 0 for NULL. */
TESSORAN_API int tessoran_symbol_rows(const tessoran_symbol* symbol);
TESSORAN_API int tessoran_symbol_columns(const tessoran_symbol* symbol);
TESSORAN_API int tessoran_symbol_ec_level(const tessoran_symbol* symbol);

/* Corner `corner` of the symbol in picture pixels, as printed: 0 top-left,
   1 top-right, 2 bottom-right, 3 bottom-left, where left is the start
   pattern's side and top the first row's (so an upside-down symbol's corner
   0 lies at the bottom right). (0, 0) is the picture's top-left corner and
   pixel (i, j) covers x from i to i + 1, y from j to j + 1. Returns 0 and
   writes nothing for NULL or a corner outside 0 to 3. */
TESSORAN_API int tessoran_symbol_corner(const tessoran_symbol* symbol, int corner, double* x,
                                        double* y);

/* 1 when the symbol was seen mirrored, else 0. */
TESSORAN_API int tessoran_symbol_mirrored(const tessoran_symbol* symbol);

/* What error correction did: codewords it corrected that were read wrong,
   unreadable codewords it filled in, the symbol's check codewords, and how
   many of those were left unused (the margin: another error uses two, another
   unreadable codeword one; two are always kept to verify the result). */
TESSORAN_API int tessoran_symbol_errors_corrected(const tessoran_symbol* symbol);
TESSORAN_API int tessoran_symbol_erasures_filled(const tessoran_symbol* symbol);
TESSORAN_API int tessoran_symbol_check_codewords(const tessoran_symbol* symbol);
TESSORAN_API int tessoran_symbol_unused_check_codewords(const tessoran_symbol* symbol);

/* The decoded bytes exactly as tessoran_result_data gives them (ECI
   designators as six digits, Macro PDF417 fields in brackets), followed by
   a 0 byte that is not counted. NULL and a length of 0 for NULL. */
TESSORAN_API const unsigned char* tessoran_symbol_data(const tessoran_symbol* symbol,
                                                       size_t* length);

/* The symbol's data as UTF-8 text: every data segment converted from the
   character set in force, the ECI designators and the Macro PDF417 control
   block left out. TESSORAN_OK with *text (0-terminated; its length, without
   the 0, in *length unless length is NULL) valid as long as the list; or
   TESSORAN_NOT_TEXT, with *text NULL, when an ECI has no character set known
   here (899 is binary data) or bytes are invalid in their set. */
TESSORAN_API tessoran_status tessoran_symbol_text(const tessoran_symbol* symbol, const char** text,
                                                  size_t* length);

/* The symbol's content as segments, in order: data bytes and the ECI
   designators between them. */
typedef int tessoran_segment_kind;
enum {
    TESSORAN_SEGMENT_DATA = 1, /* bytes of data */
    TESSORAN_SEGMENT_ECI = 2   /* an ECI designator */
};
TESSORAN_API size_t tessoran_symbol_segment_count(const tessoran_symbol* symbol);
/* The kind of segment `index`; 0 for NULL or an index past the end. */
TESSORAN_API tessoran_segment_kind tessoran_segment_kind_at(const tessoran_symbol* symbol,
                                                            size_t index);
/* A data segment's bytes (any values; a 0 byte follows, not counted); NULL
   and a length of 0 for an ECI segment, NULL or an index past the end. */
TESSORAN_API const unsigned char* tessoran_segment_bytes(const tessoran_symbol* symbol,
                                                         size_t index, size_t* length);
/* An ECI segment's number, or the ECI in force for a data segment: -1 when
   no designator came before it (the default ECI of the options applies). -1
   too for NULL or an index past the end. */
TESSORAN_API int tessoran_segment_eci(const tessoran_symbol* symbol, size_t index);

/* The name of the character set of an ECI ("CP437", "ISO-8859-1", "UTF-8",
   "Shift_JIS", ...), or NULL for an ECI without one known here. A static
   string. */
TESSORAN_API const char* tessoran_eci_charset(int eci);

/* A Macro PDF417 control block, when the symbol has one. */
TESSORAN_API int tessoran_symbol_has_macro(const tessoran_symbol* symbol);

/* The segment index (from 0); returns 0 and writes nothing when the symbol
   has no control block or its index is no valid number. */
TESSORAN_API int tessoran_macro_segment_index(const tessoran_symbol* symbol, unsigned long* index);

/* The file ID: its codewords as 3 decimal digits each (as encoders take it,
   "017053"), or read as text the way the decoded data's brackets show it.
   Static empty strings when there is no control block. */
TESSORAN_API const char* tessoran_macro_file_id(const tessoran_symbol* symbol);
TESSORAN_API const char* tessoran_macro_file_id_text(const tessoran_symbol* symbol);

/* The optional fields. Text fields: NULL when absent. Number fields: 1 and
   the value written when present and a valid number, else 0. */
typedef int tessoran_macro_field;
enum {
    TESSORAN_MACRO_FILE_NAME = 0,
    TESSORAN_MACRO_SEGMENT_COUNT = 1,
    TESSORAN_MACRO_TIME_STAMP = 2,
    TESSORAN_MACRO_SENDER = 3,
    TESSORAN_MACRO_ADDRESSEE = 4,
    TESSORAN_MACRO_FILE_SIZE = 5,
    TESSORAN_MACRO_CHECKSUM = 6
};
TESSORAN_API const char* tessoran_macro_text_field(const tessoran_symbol* symbol,
                                                   tessoran_macro_field field);
TESSORAN_API int tessoran_macro_number_field(const tessoran_symbol* symbol,
                                             tessoran_macro_field field, unsigned long long* value);

/* 1 when the symbol is marked as its file's last segment, else 0. */
TESSORAN_API int tessoran_macro_last_segment(const tessoran_symbol* symbol);

/* A Macro PDF417 file put back together from its symbols: freed by
   tessoran_joined_free. */
typedef struct tessoran_joined tessoran_joined;

/* Joins the symbols of one Macro PDF417 file, from any number of lists, in
   segment index order. Symbols without a control block are left out; the
   same segment read twice counts once. TESSORAN_OK when the symbols hold
   exactly one file and all of its segments; TESSORAN_INCOMPLETE when
   segments are missing, their count is unknown, an index comes with
   different data, or the symbols belong to several files; *joined describes
   what was found in both cases, and is NULL on any other status (no Macro
   PDF417 symbol among them is TESSORAN_NO_SYMBOL). */
TESSORAN_API tessoran_status tessoran_join(const tessoran_symbol* const* symbols, size_t count,
                                           tessoran_joined** joined);

/* The joined file's bytes (a 0 byte follows, not counted), when complete;
   NULL and 0 otherwise. */
TESSORAN_API const unsigned char* tessoran_joined_data(const tessoran_joined* joined,
                                                       size_t* length);
/* The file ID (3 digits a codeword) of the file joined, or of the first
   file found. */
TESSORAN_API const char* tessoran_joined_file_id(const tessoran_joined* joined);
/* The number of segments the file has, when known (1 and *count written),
   else 0. */
TESSORAN_API int tessoran_joined_segment_count(const tessoran_joined* joined, unsigned long* count);
/* The segment indices that are missing, and those read twice with different
   data: how many, and the one at `index` of them. */
TESSORAN_API size_t tessoran_joined_missing_count(const tessoran_joined* joined);
TESSORAN_API unsigned long tessoran_joined_missing_at(const tessoran_joined* joined, size_t index);
TESSORAN_API size_t tessoran_joined_conflict_count(const tessoran_joined* joined);
TESSORAN_API unsigned long tessoran_joined_conflict_at(const tessoran_joined* joined, size_t index);
/* The number of different file IDs among the symbols (more than 1 is
   TESSORAN_INCOMPLETE). */
TESSORAN_API size_t tessoran_joined_file_count(const tessoran_joined* joined);
TESSORAN_API void tessoran_joined_free(tessoran_joined* joined);

/* A short English description of a status, such as "no symbol found". */
TESSORAN_API const char* tessoran_status_message(tessoran_status status);

/* The library's version, such as "0.6.0". */
TESSORAN_API const char* tessoran_version(void);

#ifdef __cplusplus
}
#endif

#endif /* TESSORAN_TESSORAN_H */
