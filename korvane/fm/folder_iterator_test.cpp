// Tests of folder enumeration: order, the end code, the filters (case-sensitive "zip",
// bundles), recursion that does not follow links, and refused folders.
#include "korvane/fm/folder_iterator.h"

#include "korvane/fm/fm_test_support.h"
#include "korvane/fm/path_ref.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::FM {
namespace {

using testing::TempFolder;

std::vector<std::string> Leaves(const std::vector<KCStPath>& paths) {
    std::vector<std::string> out;
    out.reserve(paths.size());
    for (const auto& p : paths) {
        out.emplace_back(p.GetLeaf().c_str());
    }
    return out;
}

TEST(FolderIterator, FlatLayerWalksInNameOrderAndEnds) {
    TempFolder tmp;
    tmp.Write("b.txt", "");
    tmp.Write("a.txt", "");
    std::filesystem::create_directories(tmp.Path("c"));
    const KCStPath folder(tmp.Path().c_str());

    void* it = nullptr;
    KTPathType* item = nullptr;
    std::vector<std::string> seen;
    for (KTErr err = FindFirstFolderItem(folder.GetPathRef(), it, item); err == eNoErr;
         err = FindNextFolderItem(it, item)) {
        KCStPath owned;
        owned.TakeOver(item);
        seen.emplace_back(owned.GetLeaf().c_str());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"a.txt", "b.txt", "c"}));
    EXPECT_EQ(FindNextFolderItem(it, item), eFMEndOfFolder);
    EXPECT_EQ(DisposeFolderIterator(it), eNoErr);
    EXPECT_EQ(it, nullptr);

    const KCStPath empty(tmp.Path("c").c_str());
    EXPECT_EQ(FindFirstFolderItem(empty.GetPathRef(), it, item), eFMEndOfFolder);
    EXPECT_EQ(it, nullptr);
    EXPECT_EQ(FindFirstFolderItem(KCStPath(tmp.Path("a.txt").c_str()).GetPathRef(), it, item),
              eFMIsNotAFolder);
    EXPECT_EQ(FindFirstFolderItem(KCStPath(tmp.Path("zz").c_str()).GetPathRef(), it, item),
              eFMFileNotFound);
    EXPECT_EQ(FindFirstFolderItem(nullptr, it, item), eMemNullPointer);
}

// Names are cut from the listed paths: dots, a backslash (no separator here) and the items
// of the root, whose path has no separator of its own to drop, come back whole.
TEST(FolderIterator, ItemNamesComeBackWhole) {
    TempFolder tmp;
    const std::vector<std::string> names{"...", ".hidden", "a.b.c", "back\\slash", "x"};
    for (const auto& name : names) {
        tmp.Write(name, "");
    }
    std::vector<KCStPath> items;
    ASSERT_EQ(KCStFolderIterator::GetFilePathVectorFromFolder(KCStPath(tmp.Path().c_str()),
                                                              EveryThing(), items, false),
              eNoErr);
    EXPECT_EQ(Leaves(items), names);

    items.clear();
    ASSERT_EQ(
        KCStFolderIterator::GetFilePathVectorFromFolder(KCStPath("/"), EveryThing(), items, false),
        eNoErr);
    const std::vector<std::string> root = Leaves(items);
    EXPECT_NE(std::find(root.begin(), root.end(), "tmp"), root.end());
    for (const auto& item : items) {
        EXPECT_EQ(std::string(item.GetPathString().c_str()),
                  "/" + std::string(item.GetLeaf().c_str()));
    }
}

TEST(FolderIterator, FiltersAndRecursion) {
    TempFolder tmp;
    tmp.Write("sounds.zip", "");
    tmp.Write("SHOUT.ZIP", "");
    tmp.Write("notes.txt", "");
    tmp.Write("sub/deep.zip", "");
    tmp.Write("Fx.bundle/Contents/Linux64/Fx.so", "");
    tmp.Write("Fake.bundle", "");  // a file, not a bundle
    std::filesystem::create_directory_symlink(tmp.Path("sub"), tmp.Path("sublink"));
    const KCStPath folder(tmp.Path().c_str());

    std::vector<KCStPath> out;
    EXPECT_EQ(KCStFolderIterator::GetFilePathVectorFromFolder(folder, FoldersOrZips(), out),
              eNoErr);
    EXPECT_EQ(Leaves(out), (std::vector<std::string>{"Fx.bundle", "sounds.zip", "sub", "sublink"}));
    out.clear();
    EXPECT_EQ(KCStFolderIterator::GetFilePathVectorFromFolder(folder, OnlyBundles(), out), eNoErr);
    EXPECT_EQ(Leaves(out), (std::vector<std::string>{"Fx.bundle"}));
    out.clear();
    EXPECT_EQ(KCStFolderIterator::GetFilePathVectorFromFolder(folder, OnlyFiles(), out), eNoErr);
    EXPECT_EQ(Leaves(out),
              (std::vector<std::string>{"Fake.bundle", "SHOUT.ZIP", "notes.txt", "sounds.zip"}));
    out.clear();
    // Recursion descends into sub but not through the link to it: deep.zip once.
    EXPECT_EQ(
        KCStFolderIterator::GetFilePathVectorFromFolder(KCStPath(folder, "sub"), EveryThing(), out),
        eNoErr);
    EXPECT_EQ(KCStFolderIterator::GetFilePathVectorFromFolder(folder, OnlyFiles(), out, true),
              eNoErr);
    int deep = 0;
    for (const auto& leaf : Leaves(out)) {
        deep += leaf == "deep.zip" ? 1 : 0;
    }
    EXPECT_EQ(deep, 2);  // one from the direct listing of sub, one from the recursion

    EXPECT_FALSE(KCStFolderIterator::IsFolderEmpty(folder, OnlyFolders()));
    EXPECT_TRUE(KCStFolderIterator::IsFolderEmpty(KCStPath(folder, "sub"), OnlyFolders()));
    EXPECT_TRUE(KCStFolderIterator::IsFolderEmpty(KCStPath(folder, "none"), EveryThing()));

    KCStFolderIterator missing(KCStPath(folder, "none"));
    EXPECT_EQ(missing.GetError(), eFMFileNotFound);
    KCStPath item;
    EXPECT_FALSE(missing.GetNextFolderItem(item));
    std::filesystem::create_directories(tmp.Path("empty"));
    KCStFolderIterator empty(KCStPath(folder, "empty"));
    EXPECT_TRUE(empty.IsValid());
    EXPECT_FALSE(empty.GetNextFolderItem(item));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::FM
