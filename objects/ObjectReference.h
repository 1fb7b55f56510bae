// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <memory>

#include "objects/IObjectBase.h"

namespace ostrel2 {

struct ReleaseObject {
    void operator()(IObjectBase* object) const { object->Release(); }
};

// One reference to an object, released when the holder goes: a run that ends
// early, or by an exception, releases what it holds like one that ends well.
template <class Interface>
using ObjectReference = std::unique_ptr<Interface, ReleaseObject>;

}  // namespace ostrel2
