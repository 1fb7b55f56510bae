// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "decoding/DecodeResult.h"
#include "objects/InterfaceIds.h"
#include "objects/InterfaceMap.h"
#include "pattern/BarStringMonoImage.h"

namespace ostrel2::tessoran {
namespace {

// An object answers its own interface and the root, each with the same
// pointer (the primary interface starts the object) and one reference more;
// it lives until the last reference is released.
TEST(ObjectModel, QueriesAndReferences) {
    const std::string text = "80\n";
    std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    auto* image = new BarStringMonoImage(stream);
    std::fclose(stream);
    EXPECT_EQ(image->refCount, 0u);
    void* asPattern = nullptr;
    void* asRoot = nullptr;
    ASSERT_EQ(image->QueryInterface(IID_I2DBitPattern, &asPattern), S_OK);
    ASSERT_EQ(image->QueryInterface(IID_IObjectBase, &asRoot), S_OK);
    EXPECT_EQ(image->refCount, 2u);
    EXPECT_EQ(asPattern, static_cast<void*>(image));
    EXPECT_EQ(asRoot, asPattern);
    auto* pattern = static_cast<I2DBitPattern*>(asPattern);
    EXPECT_EQ(pattern->AddRef(), 3u);
    EXPECT_EQ(pattern->Release(), 2u);
    EXPECT_EQ(pattern->Release(), 1u);
    EXPECT_EQ(pattern->GetWidth(), 2);  // still alive
    EXPECT_EQ(pattern->Release(), 0u);

    auto* result = new DecodeResult;
    EXPECT_EQ(static_cast<void*>(static_cast<ITessoranResult*>(result)),
              static_cast<void*>(result));
    // Failed queries leave the caller's pointer and the count alone.
    void* const sentinel = reinterpret_cast<void*>(0x1234);
    void* out = sentinel;
    EXPECT_EQ(result->QueryInterface(IID_I2DBitPattern, &out), E_NOINTERFACE);
    EXPECT_EQ(out, sentinel);
    EXPECT_EQ(result->QueryInterface(IID_ITessoranResult, nullptr), E_POINTER);
    EXPECT_EQ(
        QueryInterfaceFromMap(result, DecodeResult::interfaceMap, IID_ITessoranResult, nullptr),
        E_POINTER);
    EXPECT_EQ(result->refCount, 0u);
    void* handedOut = nullptr;
    ASSERT_EQ(result->QueryInterface(IID_ITessoranResult, &handedOut), S_OK);
    EXPECT_EQ(static_cast<ITessoranResult*>(handedOut)->Release(), 0u);
}

}  // namespace
}  // namespace ostrel2::tessoran
