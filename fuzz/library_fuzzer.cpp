// SPDX-License-Identifier: Apache-2.0
// Image bytes of any format through both of the library's ways in: in memory
// (the image layer, then the pixel buffer to both readers) and as a file (the
// program's own way: the file reader, the bitmap and its pattern, both
// readers), with the result's accessors after each.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "tessoran/tessoran.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = memfd_create("image", 0);
    const bool inFile = fd >= 0 && write(fd, data, size) == static_cast<ssize_t>(size);
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    // From memory, then from the file (from memory again should it be unwritten).
    for (const bool fromFile : {false, inFile}) {
        tessoran_result* result = nullptr;
        const tessoran_status status = fromFile ? tessoran_decode_file(path.c_str(), &result)
                                                : tessoran_decode_memory(data, size, &result);
        std::size_t length = 0;
        const unsigned char* bytes = tessoran_result_data(result, &length);
        // Every byte the result states is readable, and the terminator too.
        volatile unsigned char sum = status == TESSORAN_OK ? bytes[length] : 0;
        for (std::size_t i = 0; i < length; ++i) {
            sum = static_cast<unsigned char>(sum + bytes[i]);
        }
        tessoran_result_free(result);
    }
    if (fd >= 0) {
        close(fd);
    }
    return 0;
}
