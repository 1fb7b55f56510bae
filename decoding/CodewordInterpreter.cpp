#include "decoding/CodewordInterpreter.h"

namespace ostrel2::tessoran {

// Placeholder until data decoding lands: adds no segments.
std::int32_t interpretCodewords(DecodeResult& /*result*/) { return kInterpretOk; }

}  // namespace ostrel2::tessoran
