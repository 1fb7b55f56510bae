// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "objects/Guid.h"
#include "objects/Status.h"

namespace ostrel2 {

// The root interface. Its three operations occupy the first three slots of
// every interface of the system, in this order.
struct IObjectBase {
    virtual Status QueryInterface(const GUID& iid, void** out) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

  protected:
    // Objects are destroyed through ComObjectRoot, never through an interface.
    ~IObjectBase() = default;
};

}  // namespace ostrel2
