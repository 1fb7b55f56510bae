// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "objects/Guid.h"
#include "objects/Status.h"

namespace ostrel2 {

// One interface that a class answers: its identifier and where that interface
// lies within the object, as a byte distance from the object's start. A map is
// a static array of entries closed by an entry whose identifier is null.
struct InterfaceMapEntry {
    const GUID* iid;
    std::intptr_t offset;
};

// The query behind every QueryInterface: checks, in order, a null object or
// map (E_INVALIDARG), a null place for the result (E_POINTER), the root
// identifier (first entry), then the entries in map order (E_NOINTERFACE when
// none matches). `out` is written only on success, after one AddRef.
Status QueryInterfaceFromMap(void* object, const InterfaceMapEntry* map, const GUID& iid,
                             void** out);

}  // namespace ostrel2
