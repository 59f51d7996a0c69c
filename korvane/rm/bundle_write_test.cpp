// Writing bundles: staged adds, replacements, updates and deletions reach the disk only when
// written, and never outside the resources folder.
#include "korvane/rm/resource_manager.h"

#include "korvane/rm/rm_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kvKorvaneV10_0_3::RM {
namespace {

using testing::RMTest;

class BundleWriteTest : public RMTest {
protected:
    void SetUp() override {
        RMTest::SetUp();
        bundle = MakeBundle();
        WriteFile(Res(bundle, "resource_config.yaml"), "Extensions: {TEXT: txt}\n");
        WriteFile(Res(bundle, "TEXT/old.txt"), "old");
        testing::WriteZip(Res(bundle, "TEXT.zip"), {{"zipped.txt", "in archive"}});
        ASSERT_EQ(OpenResContainer(FM::KCStPath(bundle.c_str()), FM::eReadWritePerm, c), eNoErr);
    }
    std::string bundle;
    KTResContainerType* c = nullptr;
};

TEST_F(BundleWriteTest, StagedChangesReachTheDiskWhenWritten) {
    const KCResKey added("TEXT", "new");
    ASSERT_EQ(AddResource(c, added, "fresh", 5), eNoErr);
    EXPECT_FALSE(std::filesystem::exists(Res(bundle, "TEXT/new.txt")));
    EXPECT_EQ(AddResource(c, added, "again", 5), eRMResExists);  // staged counts as existing
    EXPECT_EQ(AddResource(c, KCResKey("TEXT", "old"), "x", 1), eRMResExists);
    EXPECT_EQ(AddResource(c, KCResKey("TEXT", "zipped"), "x", 1), eRMResExists);
    EXPECT_EQ(UpdateResource(c, KCResKey("TEXT", "absent"), "x", 1), eRMResNotFound);
    ASSERT_EQ(UpdateResource(c, KCResKey("TEXT", "old"), "updated", 7), eNoErr);
    ASSERT_EQ(AddOrReplaceResource(c, KCResKey("TEXT", "zipped"), "loose now", 9), eNoErr);

    ASSERT_EQ(WriteResource(c, added), eNoErr);
    EXPECT_EQ(Read(c, added), "fresh");
    EXPECT_EQ(Read(c, KCResKey("TEXT", "old")), "old");  // not written yet
    ASSERT_EQ(WriteResContainer(c), eNoErr);
    EXPECT_EQ(Read(c, KCResKey("TEXT", "old")), "updated");
    EXPECT_EQ(Read(c, KCResKey("TEXT", "zipped")), "loose now");  // the loose file wins
    EXPECT_EQ(WriteResContainer(c), eNoErr);                      // nothing left to write

    // The identifier forms name the same files as the keys they build.
    ASSERT_EQ(AddResource(c, "TEXT", 5, "five", 4), eNoErr);
    ASSERT_EQ(WriteResource(c, "TEXT", 5), eNoErr);
    EXPECT_EQ(Read(c, KCResKey("TEXT", "5")), "five");
    FM::KCStPath path;
    ASSERT_EQ(GetPathToActualFile(c, "TEXT", 5, path), eNoErr);
    EXPECT_EQ(std::string(path.GetPathString().c_str()), Res(bundle, "TEXT/5.txt"));
}

TEST_F(BundleWriteTest, DeletionsAndWhatCannotBeWritten) {
    KTResourceType* loaded = nullptr;
    ASSERT_EQ(GetAResource(c, KCResKey("TEXT", "old"), loaded), eNoErr);
    ASSERT_EQ(MarkResourceForDelete(c, KCResKey("TEXT", "old")), eNoErr);
    EXPECT_EQ(MarkResourceForDelete(c, KCResKey("TEXT", "absent")), eRMResNotFound);
    ASSERT_EQ(WriteResource(c, KCResKey("TEXT", "old")), eNoErr);
    EXPECT_FALSE(std::filesystem::exists(Res(bundle, "TEXT/old.txt")));
    // The loaded copy stays readable until its last release.
    void* data = nullptr;
    ASSERT_EQ(GetResData(loaded, data), eNoErr);
    EXPECT_EQ(std::string(static_cast<char*>(data), 3), "old");
    EXPECT_EQ(ReleaseResource(loaded), eNoErr);

    // An add never written and then deleted leaves nothing behind.
    ASSERT_EQ(AddResource(c, KCResKey("TEXT", "temp"), "t", 1), eNoErr);
    ASSERT_EQ(MarkResourceForDelete(c, KCResKey("TEXT", "temp")), eNoErr);
    ASSERT_EQ(WriteResContainer(c), eNoErr);
    EXPECT_FALSE(std::filesystem::exists(Res(bundle, "TEXT/temp.txt")));

    // Archives are never rewritten: deleting an archived resource fails when written.
    ASSERT_EQ(MarkResourceForDelete(c, KCResKey("TEXT", "zipped")), eNoErr);
    EXPECT_EQ(WriteResContainer(c), eRMResUpdateFailed);
    EXPECT_EQ(Read(c, KCResKey("TEXT", "zipped")), "in archive");

    EXPECT_EQ(AddResource(c, KCResKey("TEXT", "../../escape"), "x", 1), eRMInvalidResID);
    EXPECT_EQ(AddResource(c, KCResKey("../..", "escape"), "x", 1), eRMInvalidResID);
    EXPECT_EQ(AddResource(c, KCResKey("TEXT", "null"), nullptr, 3), eMemNullPointer);
}

TEST_F(BundleWriteTest, ReadOnlyContainersRefuseWrites) {
    const std::string other = MakeBundle("ReadOnly");
    KTResContainerType* ro = nullptr;
    ASSERT_EQ(OpenResContainer(FM::KCStPath(other.c_str()), FM::eReadPerm, ro), eNoErr);
    EXPECT_EQ(AddResource(ro, KCResKey("TEXT", "x"), "x", 1), eFMPermissionErr);
    EXPECT_EQ(MarkResourceForDelete(ro, KCResKey("TEXT", "x")), eFMPermissionErr);
    EXPECT_EQ(WriteResContainer(ro), eFMPermissionErr);
    EXPECT_FALSE(std::filesystem::exists(Res(other, "TEXT")));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::RM
