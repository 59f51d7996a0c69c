// Module containers, here because attaching needs dlopen: the table korvane_embed_resources
// generated into a test plug-in, opened by path and attached through a loaded module handle.
#include "korvane/rm/resource_manager.h"

#include "korvane/rm/rm_test_support.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::RM {
namespace {

using testing::RMTest;

class ModuleTest : public RMTest {};

// The test plug-in's container, opened by path for each test and closed after it.
class OpenedModuleTest : public ModuleTest {
protected:
    void SetUp() override {
        ModuleTest::SetUp();
        ASSERT_EQ(OpenResContainer(FM::KCStPath(KORVANE_RM_TEST_PLUGIN), 0, c), eNoErr);
    }
    void TearDown() override {
        if (c != nullptr) {
            EXPECT_EQ(CloseResContainer(c), eNoErr);
        }
        ModuleTest::TearDown();
    }

    KTResContainerType* c = nullptr;
};

TEST_F(OpenedModuleTest, AModuleContainerIsNoBundleAndHoldsTheModule) {
    EXPECT_FALSE(IsBundleResContainer(c));
    EXPECT_NE(GetHMODULE(c), nullptr);
    EXPECT_EQ(GetOSRetainCount(c), 1);
}

TEST_F(OpenedModuleTest, TextReadsBackWithKeysMatchedLikeResourceIDs) {
    EXPECT_EQ(Read(c, KCResKey("TEXT", "hello")), "hello module");
    EXPECT_EQ(Read(c, KCResKey("text", "HELLO")), "hello module");  // case as resource ids
    EXPECT_EQ(Read(c, KCResKey("TEXT", "empty")), "");
}

TEST_F(OpenedModuleTest, AVariantIsServedBesideThePlainResource) {
    EXPECT_EQ(Read(c, KCResKey("XML_", "128")), "<Info name=\"plain\"/>\n");
    EXPECT_TRUE(DoesResourceExist(c, "XML_", 128));
    EXPECT_EQ(Read(c, KCResKey("XML_", "128", "abcd")), "<Info name=\"abcd\"/>\n");
    EXPECT_FALSE(DoesResourceExist(c, KCResKey("XML_", "128", "wxyz")));
}

TEST_F(OpenedModuleTest, BinaryDataKeepsEveryByteValue) {
    std::string all;
    for (int i = 0; i < 3; ++i) {
        for (int b = 0; b < 256; ++b) {
            all.push_back(static_cast<char>(b));
        }
    }
    EXPECT_EQ(Read(c, KCResKey("BIN_", "all")), all);
}

TEST_F(OpenedModuleTest, MissingAndEscapingKeysAreRefused) {
    EXPECT_EQ(Read(c, KCResKey("TEXT", "nothing")), "error " + std::to_string(eRMResNotFound));
    EXPECT_EQ(Read(c, KCResKey("TEXT", "../hello")), "error " + std::to_string(eRMInvalidResID));
}

TEST_F(OpenedModuleTest, TypeAndIDListsComeFromTheGeneratedTable) {
    std::vector<KCResType> types;
    ASSERT_EQ(GetResTypeList(c, types), eNoErr);
    ASSERT_EQ(types.size(), 3u);
    EXPECT_STREQ(types[0].c_str(), "BIN_");
    std::vector<short> ids;
    ASSERT_EQ(GetResIDList(c, "XML_", ids), eNoErr);
    EXPECT_EQ(ids, std::vector<short>{128});  // the variant is no identifier
}

TEST_F(OpenedModuleTest, TheModulesResourcesAreReadOnly) {
    EXPECT_EQ(AddResource(c, KCResKey("TEXT", "new"), "x", 1), eRMResUpdateFailed);
    EXPECT_EQ(WriteResContainer(c), eRMResUpdateFailed);
}

TEST_F(OpenedModuleTest, AResourcesFileAndTimeAreTheModules) {
    FM::KCStPath path;
    ASSERT_EQ(GetPathToActualFile(c, KCResKey("TEXT", "hello"), path), eNoErr);
    EXPECT_EQ(std::string(path.GetPathString().c_str()), KORVANE_RM_TEST_PLUGIN);
    std::int64_t seconds = 0;
    ASSERT_EQ(GetModificationTime(c, KCResKey("TEXT", "hello"), seconds), eNoErr);
    EXPECT_GT(seconds, 0);
}

TEST_F(ModuleTest, AttachSharesTheContainerOpenedByPath) {
    void* module = dlopen(KORVANE_RM_TEST_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr);
    KTResContainerType* attached = nullptr;
    ASSERT_EQ(AttachResContainer(static_cast<KTNativeDLLRefType*>(module), attached), eNoErr);
    KTResContainerType* opened = nullptr;
    ASSERT_EQ(OpenResContainer(FM::KCStPath(KORVANE_RM_TEST_PLUGIN), 0, opened), eNoErr);
    EXPECT_EQ(attached, opened);
    EXPECT_EQ(GetRetainCount(FM::KCStPath(KORVANE_RM_TEST_PLUGIN)), 2);

    // The container holds its own reference: the caller's unload does not pull the table away.
    dlclose(module);
    EXPECT_EQ(Read(opened, KCResKey("TEXT", "hello")), "hello module");
    EXPECT_EQ(DetachResContainer(attached), eNoErr);
    EXPECT_EQ(Read(opened, KCResKey("TEXT", "hello")), "hello module");
    EXPECT_EQ(CloseResContainer(opened), eNoErr);

    KTResContainerType* none = nullptr;
    EXPECT_EQ(AttachResContainer(nullptr, none), eMemNullPointer);
}

TEST_F(ModuleTest, ModuleWithoutTableIsNotAContainer) {
    KTResContainerType* c = nullptr;
    EXPECT_EQ(OpenResContainer(FM::KCStPath(KORVANE_RM_TEST_PLAIN_PLUGIN), 0, c),
              eRMInvalidNativeResContainer);
    EXPECT_EQ(c, nullptr);
    EXPECT_FALSE(IsOpenResContainer(FM::KCStPath(KORVANE_RM_TEST_PLAIN_PLUGIN)));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::RM
