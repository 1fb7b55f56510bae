// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <list>
#include <string_view>

#include "decoding/ITessoranResult.h"
#include "decoding/Segment.h"
#include "objects/ComObject.h"
#include "objects/InterfaceIds.h"

namespace ostrel2::tessoran {

// The decode's working record and, once handed out, its result. The driver
// stores the codewords and erasure positions, error correction repairs them in
// place, and the data decoders append the segments.
class DecodeResult final : public ComObject<ITessoranResult, IID_ITessoranResult> {
  public:
    static constexpr std::int32_t kCapacity = 3060;

    DecodeResult() = default;

    void Reserved1() override {}
    std::int32_t GetCorrectedCount() override { return correctedCount; }
    std::int32_t GetRows() override { return rowCount; }
    // The number of data columns; 0 when no row was counted.
    std::int32_t GetColumns() override;
    // The error-correction level that the number of check codewords implies.
    std::int32_t GetECLevel() override;
    void EnumSegments(void* context, SegmentCallback callback) override;
    void Reserved2() override {}

    std::list<Segment> segments;
    // codewords[0] is the symbol length descriptor: the number of data
    // codewords counting itself; the check codewords follow the data.
    std::int32_t codewords[kCapacity] = {};
    // Indices into codewords of the codewords that could not be read.
    std::int32_t erasures[kCapacity] = {};
    std::int32_t rowCount = 0;
    std::int32_t codewordCount = 0;
    std::int32_t erasureCount = 0;
    std::int32_t correctedCount = 0;
};

}  // namespace ostrel2::tessoran
