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
    TESSORAN_INTERNAL_ERROR = 6  /* a fault of the library itself, which no input should cause */
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

/* A short English description of a status, such as "no symbol found". */
TESSORAN_API const char* tessoran_status_message(tessoran_status status);

/* The library's version, such as "0.5.0". */
TESSORAN_API const char* tessoran_version(void);

#ifdef __cplusplus
}
#endif

#endif /* TESSORAN_TESSORAN_H */
