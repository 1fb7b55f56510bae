/* SPDX-License-Identifier: Apache-2.0 */
/*
 * decode: writes the data of the PDF417 symbol in an image file to standard
 * output, exactly as the symbol holds it, using the Tessoran library.
 *
 *     decode FILE
 *
 * Exit status 0 when the symbol was decoded and written; otherwise a message
 * on standard error and status 1.
 *
 * Build against an installed library with either of
 *     cc decode.c -o decode $(pkg-config --cflags --libs tessoran)
 *     find_package(Tessoran) and target_link_libraries(decode Tessoran::tessoran)
 */
#include <stdio.h>

#include <tessoran/tessoran.h>

int main(int argc, char** argv) {
    tessoran_result* result = NULL;
    tessoran_status status;
    const unsigned char* data;
    size_t length = 0;

    if (argc != 2) {
        fprintf(stderr, "usage: decode FILE\n");
        return 1;
    }
    status = tessoran_decode_file(argv[1], &result);
    if (status != TESSORAN_OK) {
        fprintf(stderr, "%s: %s\n", argv[1], tessoran_status_message(status));
        return 1;
    }
    data = tessoran_result_data(result, &length);
    if (fwrite(data, 1, length, stdout) != length || fflush(stdout) != 0) {
        fprintf(stderr, "decode: cannot write the data\n");
        tessoran_result_free(result);
        return 1;
    }
    tessoran_result_free(result);
    return 0;
}
