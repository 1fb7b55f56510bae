// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "objects/ComObjectRoot.h"
#include "objects/Guid.h"
#include "objects/InterfaceMap.h"

namespace ostrel2 {

// The boilerplate every object class shares, written once. A class derives
// from ComObject<Interface, iid>: its primary base is then the one interface
// it answers (at the object's start), its second base ComObjectRoot, and its
// interface map has that single entry.
//
// An object is created with refCount 0, handed out by exactly one
// QueryInterface, and destroyed by the Release that brings the count back to 0.
// An object never handed out is deleted by its creator through its
// ComObjectRoot part.
template <class Interface, const GUID& InterfaceId>
class ComObject : public Interface, public ComObjectRoot {
  public:
    static constexpr InterfaceMapEntry interfaceMap[] = {
        {&InterfaceId, 0},
        {nullptr, 0},
    };

    Status QueryInterface(const GUID& iid, void** out) override {
        return QueryInterfaceFromMap(objectStart(), interfaceMap, iid, out);
    }

    std::uint32_t AddRef() override { return ++refCount; }

    std::uint32_t Release() override {
        const std::uint32_t remaining = --refCount;
        if (remaining == 0) {
            delete static_cast<ComObjectRoot*>(this);
        }
        return remaining;
    }

  protected:
    ComObject() = default;
    ~ComObject() override = default;

  private:
    // The start of the complete object; the interface is the primary base, so
    // its part lies there and the map's offset is 0.
    void* objectStart() { return dynamic_cast<void*>(static_cast<ComObjectRoot*>(this)); }
};

}  // namespace ostrel2
