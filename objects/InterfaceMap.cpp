// SPDX-License-Identifier: Apache-2.0
#include "objects/InterfaceMap.h"

#include "objects/IObjectBase.h"
#include "objects/InterfaceIds.h"

namespace ostrel2 {

namespace {

Status handOut(void* object, const InterfaceMapEntry& entry, void** out) {
    auto* interfacePointer =
        reinterpret_cast<IObjectBase*>(static_cast<char*>(object) + entry.offset);
    interfacePointer->AddRef();
    *out = interfacePointer;
    return S_OK;
}

}  // namespace

Status QueryInterfaceFromMap(void* object, const InterfaceMapEntry* map, const GUID& iid,
                             void** out) {
    if (object == nullptr || map == nullptr) {
        return E_INVALIDARG;
    }
    if (out == nullptr) {
        return E_POINTER;
    }
    if (sameGuid(iid, IID_IObjectBase)) {
        return handOut(object, map[0], out);
    }
    for (const InterfaceMapEntry* entry = map; entry->iid != nullptr; ++entry) {
        if (sameGuid(iid, *entry->iid)) {
            return handOut(object, *entry, out);
        }
    }
    return E_NOINTERFACE;
}

}  // namespace ostrel2
