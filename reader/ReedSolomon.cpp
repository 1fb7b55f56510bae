#include "reader/ReedSolomon.h"

namespace ostrel2::tessoran {

// Placeholder until error correction lands: corrects nothing.
std::int32_t correctErrors(std::int32_t* /*codewords*/, const std::int32_t* /*erasures*/,
                           std::int32_t /*erasureCount*/, std::int32_t /*codewordCount*/,
                           std::int32_t /*ecCount*/) {
    return 0;
}

}  // namespace ostrel2::tessoran
