// SPDX-License-Identifier: Apache-2.0
// Image bytes of any format through one of the library's ways in: in memory
// (the image layer, then the pixel buffer to both readers) or as a file (the
// program's own way: the file reader, the bitmap and its pattern, both
// readers), with the result's accessors after it.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "tessoran/tessoran.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The way in is the parity of the sum of all the bytes, which a mutation
    // anywhere flips as often as not: each input is read once, and the
    // readers' work on a picture, most of an input's time, is not done twice.
    unsigned parity = 0;
    for (std::size_t i = 0; i < size; ++i) {
        parity += data[i];
    }
    const bool fromFile = parity % 2 != 0;
    tessoran_result* result = nullptr;
    tessoran_status status = TESSORAN_OK;
    if (fromFile) {
        const int fd = memfd_create("image", 0);
        if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size)) {
            if (fd >= 0) {
                close(fd);
            }
            return 0;
        }
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        status = tessoran_decode_file(path.c_str(), &result);
        close(fd);
    } else {
        status = tessoran_decode_memory(data, size, &result);
    }
    std::size_t length = 0;
    const unsigned char* bytes = tessoran_result_data(result, &length);
    // Every byte the result states is readable, and the terminator too.
    volatile unsigned char sum = status == TESSORAN_OK ? bytes[length] : 0;
    for (std::size_t i = 0; i < length; ++i) {
        sum = static_cast<unsigned char>(sum + bytes[i]);
    }
    tessoran_result_free(result);
    return 0;
}
