// SPDX-License-Identifier: Apache-2.0
// The object model as callers see it: each query that succeeds hands out a
// reference, and an object lives until the last one is released.
#include <gtest/gtest.h>

#include <cstdint>

#include "objects/ComObject.h"
#include "objects/InterfaceIds.h"
#include "objects/ObjectReference.h"
#include "pattern/I2DBitPattern.h"

namespace ostrel2 {
namespace {

// A pixel grid that tells the test when it is destroyed.
class WatchedGrid final : public ComObject<I2DBitPattern, IID_I2DBitPattern> {
  public:
    explicit WatchedGrid(bool& flag) : alive(flag) { alive = true; }
    ~WatchedGrid() override { alive = false; }
    std::int32_t GetHeight() override { return 1; }
    std::int32_t GetWidth() override { return 1; }
    bool GetPixel(std::int32_t, std::int32_t) override { return true; }

  private:
    bool& alive;
};

TEST(ObjectModel, LivesUntilTheLastReferenceIsReleased) {
    bool alive = false;
    void* out = nullptr;
    ASSERT_EQ((new WatchedGrid(alive))->QueryInterface(IID_I2DBitPattern, &out), S_OK);
    ObjectReference<I2DBitPattern> grid(static_cast<I2DBitPattern*>(out));
    void* root = nullptr;
    ASSERT_EQ(grid->QueryInterface(IID_IObjectBase, &root), S_OK);
    EXPECT_EQ(root, out);  // the root is the object's identity
    // Refused queries write nothing and take no reference.
    void* refused = &alive;
    EXPECT_EQ(grid->QueryInterface(IID_ITessoranResult, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, &alive);
    EXPECT_EQ(grid->QueryInterface(IID_I2DBitPattern, nullptr), E_POINTER);

    grid.reset();
    EXPECT_TRUE(alive);  // the root's reference still holds it
    static_cast<IObjectBase*>(root)->Release();
    EXPECT_FALSE(alive);
}

}  // namespace
}  // namespace ostrel2
