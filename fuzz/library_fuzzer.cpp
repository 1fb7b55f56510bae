// Encoded image bytes of any kind through the library's in-memory entry
// point: the image layer, both readers and the result's accessors.

#include <cstddef>
#include <cstdint>

#include "tessoran/tessoran.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tessoran_result* result = nullptr;
    if (tessoran_decode_memory(data, size, &result) == TESSORAN_OK) {
        std::size_t length = 0;
        const unsigned char* bytes = tessoran_result_data(result, &length);
        // Every byte the result states is readable, and the terminator too.
        volatile unsigned char sum = bytes[length];
        for (std::size_t i = 0; i < length; ++i) {
            sum = static_cast<unsigned char>(sum + bytes[i]);
        }
        tessoran_result_free(result);
    }
    return 0;
}
