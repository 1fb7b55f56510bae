// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "objects/IObjectBase.h"

namespace ostrel2 {

// Called once per segment, in order: the context given to EnumSegments, the
// tag byte (0 to 255), the text (followed by a 0 byte) and its length in bytes
// (the terminator not counted). The return value is ignored.
using SegmentCallback = std::int32_t (*)(void* context, std::int32_t tag, const char* text,
                                         std::int32_t length);

// What a successful decode hands out.
struct ITessoranResult : IObjectBase {
    virtual void Reserved1() = 0;
    virtual std::int32_t GetCorrectedCount() = 0;
    virtual std::int32_t GetRows() = 0;
    virtual std::int32_t GetColumns() = 0;
    virtual std::int32_t GetECLevel() = 0;
    virtual void EnumSegments(void* context, SegmentCallback callback) = 0;
    virtual void Reserved2() = 0;

  protected:
    ~ITessoranResult() = default;
};

}  // namespace ostrel2
