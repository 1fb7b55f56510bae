#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "decoding/DecodeResult.h"
#include "objects/InterfaceIds.h"
#include "objects/InterfaceMap.h"
#include "pattern/BarStringMonoImage.h"

namespace ostrel2::tessoran {
namespace {

// A bar-string object over a small text, as the front end makes one.
BarStringMonoImage* newBarStringImage(const std::string& text) {
    std::FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    auto* image = new BarStringMonoImage(stream);
    std::fclose(stream);
    return image;
}

TEST(Guid, EqualOnlyWhenAllSixteenBytesAgree) {
    EXPECT_TRUE(sameGuid(IID_I2DBitPattern, IID_I2DBitPattern));
    EXPECT_FALSE(sameGuid(IID_I2DBitPattern, IID_ITessoranResult));
    for (int byte = 0; byte < 16; ++byte) {
        GUID changed = IID_ITessoranResult;
        reinterpret_cast<unsigned char*>(&changed)[byte] ^= 0x01;
        EXPECT_FALSE(sameGuid(changed, IID_ITessoranResult)) << "byte " << byte;
    }
}

TEST(Guid, IdentifiersHaveTheirPublishedValues) {
    const GUID root = IID_IObjectBase;
    EXPECT_EQ(root.Data1, 0u);
    EXPECT_EQ(root.Data4[0], 0xC0);
    EXPECT_EQ(root.Data4[7], 0x46);
    EXPECT_EQ(IID_I2DBitPattern.Data1, 0xB574D7E9u);
    EXPECT_EQ(IID_I2DBitPattern.Data3, 0x43F3);
    EXPECT_EQ(IID_ITessoranResult.Data2, 0x831E);
    EXPECT_EQ(IID_ITessoranResult.Data4[7], 0x5C);
}

TEST(Status, ValuesAreTheSystemOnesAndFailuresAreNegative) {
    EXPECT_EQ(S_OK, 0);
    EXPECT_EQ(static_cast<std::uint32_t>(E_INVALIDARG), 0x80070057u);
    EXPECT_EQ(static_cast<std::uint32_t>(E_POINTER), 0x80004003u);
    EXPECT_EQ(static_cast<std::uint32_t>(E_NOINTERFACE), 0x80004002u);
    EXPECT_TRUE(failed(E_NOINTERFACE));
    EXPECT_FALSE(failed(S_OK));
}

TEST(ObjectModel, PrimaryInterfaceStartsTheObject) {
    BarStringMonoImage* image = newBarStringImage("80\n");
    EXPECT_EQ(static_cast<void*>(static_cast<I2DBitPattern*>(image)), static_cast<void*>(image));
    delete static_cast<ComObjectRoot*>(image);

    auto* result = new DecodeResult;
    EXPECT_EQ(static_cast<void*>(static_cast<ITessoranResult*>(result)),
              static_cast<void*>(result));
    delete static_cast<ComObjectRoot*>(result);
}

TEST(ObjectModel, RootAndOwnIdentifierGiveTheSamePointerAndOneReferenceEach) {
    BarStringMonoImage* image = newBarStringImage("80\n");
    EXPECT_EQ(image->refCount, 0u);

    void* asPattern = nullptr;
    ASSERT_EQ(image->QueryInterface(IID_I2DBitPattern, &asPattern), S_OK);
    EXPECT_EQ(image->refCount, 1u);
    void* asRoot = nullptr;
    ASSERT_EQ(image->QueryInterface(IID_IObjectBase, &asRoot), S_OK);
    EXPECT_EQ(image->refCount, 2u);
    EXPECT_EQ(asRoot, asPattern);
    EXPECT_EQ(asPattern, static_cast<void*>(static_cast<I2DBitPattern*>(image)));

    EXPECT_EQ(static_cast<I2DBitPattern*>(asPattern)->Release(), 1u);
    EXPECT_EQ(static_cast<I2DBitPattern*>(asRoot)->Release(), 0u);
}

TEST(ObjectModel, FailedQueriesLeaveTheCallersPointerAndTheCountAlone) {
    auto* result = new DecodeResult;
    void* const sentinel = reinterpret_cast<void*>(0x1234);

    void* out = sentinel;
    EXPECT_EQ(result->QueryInterface(IID_I2DBitPattern, &out), E_NOINTERFACE);
    EXPECT_EQ(out, sentinel);
    EXPECT_EQ(result->QueryInterface(IID_ITessoranResult, nullptr), E_POINTER);
    EXPECT_EQ(result->refCount, 0u);

    // A never handed-out object is deleted by its creator directly.
    delete static_cast<ComObjectRoot*>(result);
}

TEST(ObjectModel, QueryFromMapChecksArgumentsInOrder) {
    DecodeResult result;
    void* out = nullptr;
    const auto* map = DecodeResult::interfaceMap;
    EXPECT_EQ(QueryInterfaceFromMap(nullptr, map, IID_ITessoranResult, nullptr), E_INVALIDARG);
    EXPECT_EQ(QueryInterfaceFromMap(&result, nullptr, IID_ITessoranResult, &out), E_INVALIDARG);
    EXPECT_EQ(QueryInterfaceFromMap(&result, map, IID_ITessoranResult, nullptr), E_POINTER);
    EXPECT_EQ(QueryInterfaceFromMap(&result, map, IID_I2DBitPattern, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(result.refCount, 0u);
}

TEST(ObjectModel, ExtraAddRefKeepsTheObjectUntilTheLastRelease) {
    auto* result = new DecodeResult;
    ITessoranResult* handedOut = nullptr;
    ASSERT_EQ(result->QueryInterface(IID_ITessoranResult, reinterpret_cast<void**>(&handedOut)),
              S_OK);
    EXPECT_EQ(handedOut->AddRef(), 2u);
    EXPECT_EQ(handedOut->Release(), 1u);
    EXPECT_EQ(result->GetRows(), 0);  // still alive
    EXPECT_EQ(handedOut->Release(), 0u);
}

TEST(ObjectModel, MapsListExactlyTheirOwnInterface) {
    EXPECT_TRUE(sameGuid(*BarStringMonoImage::interfaceMap[0].iid, IID_I2DBitPattern));
    EXPECT_EQ(BarStringMonoImage::interfaceMap[0].offset, 0);
    EXPECT_EQ(BarStringMonoImage::interfaceMap[1].iid, nullptr);
    EXPECT_TRUE(sameGuid(*DecodeResult::interfaceMap[0].iid, IID_ITessoranResult));
    EXPECT_EQ(DecodeResult::interfaceMap[1].iid, nullptr);
}

}  // namespace
}  // namespace ostrel2::tessoran
