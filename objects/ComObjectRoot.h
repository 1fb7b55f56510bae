// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

namespace ostrel2 {

// Second base of every object class: holds the reference count and gives the
// object a virtual destructor, so that deleting through this part destroys the
// complete object.
class ComObjectRoot {
  public:
    virtual ~ComObjectRoot() = default;

    ComObjectRoot(const ComObjectRoot&) = delete;
    ComObjectRoot& operator=(const ComObjectRoot&) = delete;

    std::uint32_t refCount = 0;

  protected:
    ComObjectRoot() = default;
};

}  // namespace ostrel2
