// Tests of path references and KCStPath: refused input, the normal form, the string views,
// copies and moves, ordering, links, bundles, and reading a whole file into a memory object.
#include "korvane/fm/path.h"

#include "korvane/core/testing/unprivileged_run.h"
#include "korvane/fm/file_read_mem_obj.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/fm/path_ref.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::FM {
namespace {

using testing::TempFolder;

TEST(PathRef, RefusesBadInputWithItsOwnCode) {
    KTPathType* ref = nullptr;
    EXPECT_EQ(CreatePathRefFromString(nullptr, ref), eMemNullPointer);
    EXPECT_EQ(CreatePathRefFromString("", ref), eFMPathTooShort);
    EXPECT_EQ(CreatePathRefFromString("relative/x.txt", ref), eFMIncompletePath);
    EXPECT_EQ(ref, nullptr);
    EXPECT_EQ(CreatePathRefFromString("/a/\xC3\x28", ref), eFMTranslateFileNameFailed);
    EXPECT_EQ(CreatePathRefFromString("/a/\xC0\xAF", ref), eFMTranslateFileNameFailed);  // overlong
    EXPECT_EQ(CreatePathRefFromString("/a/\xED\xA0\x80", ref), eFMTranslateFileNameFailed);
    EXPECT_EQ(CreatePathRefFromString("/a\xE2\x82", ref), eFMTranslateFileNameFailed);  // cut
    EXPECT_EQ(CreatePathRefFromString(("/" + std::string(256, 'n')).c_str(), ref), eFMPathTooLong);
    std::string deep;
    for (int i = 0; i < 200; ++i) {
        deep += "/level";
    }
    EXPECT_EQ(CreatePathRefFromString(deep.c_str(), ref), eFMPathTooLong);
    EXPECT_EQ(ref, nullptr);

    ASSERT_EQ(CreatePathRefFromString("/caf\xC3\xA9/\xE2\x82\xAC.txt", ref), eNoErr);
    KCFixedString<255> leaf;
    EXPECT_EQ(GetLeaf(ref, leaf), 7U);
    EXPECT_EQ(leaf, "\xE2\x82\xAC.txt");
    KTPathType* joined = nullptr;
    EXPECT_EQ(CreatePathRef(ref, "/absolute", joined), eFMWrongParameters);
    EXPECT_EQ(CreatePathRef(nullptr, "x", joined), eMemNullPointer);
    EXPECT_EQ(joined, nullptr);
    EXPECT_EQ(DisposePathRef(ref), eNoErr);
    EXPECT_EQ(ref, nullptr);
    EXPECT_EQ(DisposePathRef(ref), eNoErr);  // null is a no-op
}

TEST(PathRef, NormalizeDropsEmptyDotAndDotDotParts) {
    KCFixedString<1023> out;
    EXPECT_EQ(NormalizePathString("/a//b/./c/../d/", out), eNoErr);
    EXPECT_EQ(out, "/a/b/d");
    EXPECT_EQ(NormalizePathString("/../..", out), eNoErr);
    EXPECT_EQ(out, "/");
    EXPECT_EQ(NormalizePathString("../x/./y", out), eNoErr);
    EXPECT_EQ(out, "../x/y");
}

// Plain names are appended as they stand and anything else is normalised: both must give what
// the whole text gives, errors included, from the root and from a folder.
TEST(PathRef, AJoinGivesWhatTheWholeTextGives) {
    const std::string longName(256, 'n');
    std::string nearLimit;
    while (nearLimit.size() < 1000) {
        nearLimit += "/level";
    }
    const char* const relatives[] = {
        "a",  "a/b.txt", "a//b",        "a/./b",      "a/../b", "../../x",   ".",
        "a/", "..",      "caf\xC3\xA9", "a/\xC3\x28", "x/y/z",  "a/.hidden", "...",
    };
    for (const std::string& base : {std::string("/"), std::string("/top/folder"), nearLimit}) {
        std::vector<std::string> cases(std::begin(relatives), std::end(relatives));
        cases.push_back(longName);
        cases.push_back("a/" + longName);
        cases.emplace_back(30, 'q');  // past the length limit from nearLimit
        KTPathType* folder = nullptr;
        ASSERT_EQ(CreatePathRefFromString(base.c_str(), folder), eNoErr);
        for (const std::string& relative : cases) {
            SCOPED_TRACE(std::string(base).append(" + ").append(relative));
            KTPathType* joined = nullptr;
            KTPathType* whole = nullptr;
            const KTErr joinErr = CreatePathRef(folder, relative.c_str(), joined);
            const KTErr wholeErr = CreatePathRefFromString(
                std::string(base).append("/").append(relative).c_str(), whole);
            EXPECT_EQ(joinErr, wholeErr);
            if (joinErr == eNoErr && wholeErr == eNoErr) {
                EXPECT_TRUE(IsSamePath(joined, whole));
                KCFixedString<1023> a;
                KCFixedString<1023> b;
                GetPathAsString(joined, a);
                GetPathAsString(whole, b);
                EXPECT_EQ(a, b);
            }
            (void)DisposePathRef(joined);
            (void)DisposePathRef(whole);
        }
        (void)DisposePathRef(folder);
    }
}

TEST(PathRef, UnNormalizeStripsLongPathPrefixes) {
    KCFixedString<31> prefixed(R"(\\?\//?/C:/x)");
    UnNormalizePathString(prefixed);
    EXPECT_EQ(prefixed, "C:/x");
}

TEST(Path, LeafBaseExtensionAndParentAreViewsOfThePath) {
    const KCStPath path("/music/sets/b.tar.gz");
    EXPECT_EQ(path.GetExtension(), "gz");
    EXPECT_EQ(path.GetBase(), "b.tar");
    EXPECT_EQ(path.GetLeaf(), "b.tar.gz");
    EXPECT_EQ(path.GetParentDirectory(), "/music/sets");
    EXPECT_EQ(KCStPath("/music/README").GetExtension(), "");
    EXPECT_EQ(KCStPath("/home/.bashrc").GetExtension(), "");
    EXPECT_EQ(KCStPath("/home/.bashrc").GetBase(), ".bashrc");
    EXPECT_EQ(KCStPath("/top").GetParentDirectory(), "/");
    EXPECT_EQ(KCStPath("/").GetLeaf(), "");
}

TEST(PathRef, ExtensionsCompareWithoutCaseUpToFifteenCharacters) {
    EXPECT_TRUE(IsSameExtension("ZIP", "zip"));
    EXPECT_TRUE(IsSameExtension("abcdefghijklmnoX", "ABCDEFGHIJKLMNOY"));  // cut to 15
    EXPECT_FALSE(IsSameExtension("zip", "zi"));
}

TEST(Path, SplitPathGivesOnePartPerLevel) {
    const KCStPath path("/music/sets/b.tar.gz");
    std::vector<KCFixedString<255>> parts;
    path.SplitPath(parts);
    ASSERT_EQ(parts.size(), 3U);
    EXPECT_EQ(parts[0], "music");
    EXPECT_EQ(parts[2], "b.tar.gz");
}

TEST(Path, StringToLevelKeepsThatManyLevels) {
    const KCStPath path("/music/sets/b.tar.gz");
    EXPECT_EQ(path.GetStringFromPathToLevel(0), "/");
    EXPECT_EQ(path.GetStringFromPathToLevel(2), "/music/sets");
    EXPECT_EQ(path.GetStringFromPathToLevel(9), "/music/sets/b.tar.gz");
}

TEST(Path, RelativeDifferenceWalksDownOrUp) {
    const KCStPath path("/music/sets/b.tar.gz");
    EXPECT_EQ(path.GetRelativeDifference(KCStPath("/music")), "sets/b.tar.gz");
    EXPECT_EQ(KCStPath("/music").GetRelativeDifference(path), "../..");
}

TEST(Path, AnEmptyOrRelativePathIsInvalidWithItsCode) {
    KCStPath empty;
    EXPECT_FALSE(empty.IsValid());
    EXPECT_EQ(empty.GetError(), eFMIllegalPathRef);
    EXPECT_EQ(empty.GetPathString(), "");

    KCStPath bad("not/absolute");
    EXPECT_FALSE(bad.IsValid());
    EXPECT_EQ(bad.GetError(), eFMIncompletePath);
}

TEST(Path, AChildIsJoinedToItsBase) {
    KCStPath base("/data");
    ASSERT_TRUE(base.IsValid());
    KCStPath child(base, "presets/a/b.xps");
    EXPECT_EQ(child.GetPathString(), "/data/presets/a/b.xps");
    EXPECT_EQ(KCStPath(base.GetPathRef(), "x").GetPathString(), "/data/x");
}

TEST(Path, ACopyDuplicatesTheReferenceAndAMoveEmptiesTheSource) {
    const KCStPath child("/data/presets/a/b.xps");
    KCStPath copy(child);
    EXPECT_EQ(copy, child);
    EXPECT_NE(copy.GetPathRef(), child.GetPathRef());  // a duplicate, not a shared reference
    KCStPath moved(std::move(copy));
    EXPECT_EQ(moved, child);
    EXPECT_FALSE(copy.IsValid());  // NOLINT(bugprone-use-after-move): moved-from is empty
}

TEST(Path, AppendResolvesRelativePartsAndAFailureChangesNothing) {
    KCStPath path("/data/presets/a/b.xps");
    EXPECT_EQ(path.Append("../c.xps"), eNoErr);
    EXPECT_EQ(path.GetPathString(), "/data/presets/a/c.xps");
    EXPECT_EQ(path.Append("/abs"), eFMWrongParameters);
    EXPECT_EQ(path.GetPathString(), "/data/presets/a/c.xps");  // unchanged by the failure
}

TEST(Path, ExtendLeafNameAddsToTheLeafButNoFolder) {
    KCStPath path("/data/presets/a/c.xps");
    EXPECT_EQ(path.ExtendLeafName(".bak"), eNoErr);
    EXPECT_EQ(path.GetLeaf(), "c.xps.bak");
    EXPECT_EQ(path.ExtendLeafName("x/y"), eFMWrongParameters);
}

TEST(Path, AssignmentCopiesAReferenceAndTakeOverAdoptsIt) {
    const KCStPath child("/data/presets/a/b.xps");
    KCStPath assigned;
    assigned = child.GetPathRef();
    EXPECT_TRUE(assigned.IsValid());
    EXPECT_EQ(assigned, child.GetPathRef());
    KTPathType* owned = child.CreatePathRefCopy();
    KCStPath adopted;
    adopted.TakeOver(owned);
    EXPECT_EQ(adopted.GetPathRef(), owned);
    adopted.Clear();
    EXPECT_FALSE(adopted.IsValid());
}

TEST(Path, MapKeysOrderByTheNormalFormWithTheEmptyPathFirst) {
    std::map<KCStPath, int> ordered;
    ordered[KCStPath("/b")] = 2;
    ordered[KCStPath("/a/z")] = 1;
    ordered[KCStPath("/b/")] = 3;  // same path as /b
    ordered[KCStPath()] = 0;
    ASSERT_EQ(ordered.size(), 3U);
    EXPECT_EQ(ordered.begin()->second, 0);
    EXPECT_EQ(ordered.rbegin()->second, 3);
}

// A file, its folder and a path to nothing, in a private temporary folder.
class PathOnDisk : public ::testing::Test {
protected:
    TempFolder tmp;
    const KCStPath file{tmp.Write("dir/song.txt", "tempo 120").c_str()};
    const KCStPath folder{tmp.Path("dir").c_str()};
    const KCStPath missing{tmp.Path("none").c_str()};
};

TEST_F(PathOnDisk, StatusTellsFilesFoldersAndMissingPathsApart) {
    EXPECT_TRUE(file.IsExist());
    EXPECT_TRUE(file.IsFile());
    EXPECT_FALSE(file.IsFolder());
    EXPECT_TRUE(folder.IsFolder());
    EXPECT_FALSE(missing.IsExist());
    EXPECT_EQ(file.GetFileSize(), 9);
    EXPECT_GT(file.GetFileLastWriteTime(), 1500000000);
    EXPECT_FALSE(file.IsLocked());
    EXPECT_TRUE(missing.IsValid());  // a path need not exist to be valid
}

TEST_F(PathOnDisk, ALinkIsTheSameFileButNotTheSamePath) {
    KCStPath link(tmp.Path("link.txt").c_str());
    ASSERT_EQ(CreateFileSystemLink(file.GetPathRef(), link.GetPathRef()), eNoErr);
    EXPECT_TRUE(link.IsFileSystemLink());
    EXPECT_TRUE(link.IsFile());
    EXPECT_FALSE(link.IsFile(false));
    EXPECT_TRUE(IsSameFile(link.GetPathRef(), file.GetPathRef()));
    EXPECT_FALSE(IsSamePath(link.GetPathRef(), file.GetPathRef()));
    EXPECT_EQ(link.ResolveFileSystemLink(), eNoErr);
    EXPECT_EQ(link, file);
}

TEST_F(PathOnDisk, ResolvingFollowsARelativeTargetAndRefusesAPlainFile) {
    KCStPath notLink(file);
    EXPECT_EQ(notLink.ResolveFileSystemLink(), eFMIsNoAFileSystemLink);
    std::filesystem::create_symlink("dir/song.txt", tmp.Path("rel-link"));  // relative target
    KCStPath relLink(tmp.Path("rel-link").c_str());
    EXPECT_EQ(relLink.ResolveFileSystemLink(), eNoErr);
    EXPECT_EQ(relLink, file);
}

TEST_F(PathOnDisk, ABrokenLinkExistsButIsNoFile) {
    std::filesystem::create_symlink(tmp.Path("gone"), tmp.Path("broken"));
    EXPECT_TRUE(KCStPath(tmp.Path("broken").c_str()).IsExist());  // the link itself exists
    EXPECT_FALSE(KCStPath(tmp.Path("broken").c_str()).IsFile());
}

TEST_F(PathOnDisk, APlainFileIsNoShortcut) {
    EXPECT_FALSE(IsWinShortcut(file.GetPathRef()));
}

TEST_F(PathOnDisk, AWholeFileReadHoldsTheBytes) {
    Utils::KCStFileReadMemObj bytes(file);
    ASSERT_TRUE(bytes.IsValid());
    EXPECT_EQ(std::string(bytes.data(), bytes.size), "tempo 120");
}

TEST_F(PathOnDisk, AWholeFileReadReportsWhyItFailed) {
    Utils::KCStFileReadMemObj none(missing);
    EXPECT_EQ(none.GetError(), eFMFileNotFound);
    EXPECT_TRUE(none.Empty());
    EXPECT_EQ(Utils::KCStFileReadMemObj(folder).GetError(), eFMIsAFolder);
    EXPECT_EQ(Utils::KCStFileReadMemObj(KCStPath("rel")).GetError(), eFMIncompletePath);
}

TEST_F(PathOnDisk, AWholeFileReadOfAnEmptyFileIsValidAndEmpty) {
    Utils::KCStFileReadMemObj empty(KCStPath(tmp.Write("empty", "").c_str()));
    EXPECT_TRUE(empty.IsValid());
    EXPECT_EQ(empty.size, 0U);
}

// As root (CI) the check runs as "nobody", whom the permission bits stop.
TEST(Path, PermissionDeniedReadsReportThePermissionError) {
    TempFolder tmp;
    const std::string secret = tmp.Write("secret", "x");
    std::filesystem::permissions(secret, std::filesystem::perms::none);
    testing::LetOthersThrough(tmp);
    const auto outcome = test_support::RunUnprivileged([&] {
        std::string failures = testing::VisibleButUnreadable(secret, true);
        const KCStPath path(secret.c_str());
        if (const KTErr err = Utils::KCStFileReadMemObj(path).GetError(); err != eFMPermissionErr) {
            failures += "reading gave " + std::string(KTErrName(err)) + "; ";
        }
        if (path.IsWritable()) {
            failures += "IsWritable is true; ";
        }
        return failures;
    });
    ASSERT_TRUE(outcome.ran) << outcome.failures;
    EXPECT_EQ(outcome.failures, "");
}

TEST(PathRef, BundleLayout) {
    TempFolder tmp;
    const std::string so = tmp.Write("Synth.bundle/Contents/Linux64/Synth.so", "elf");
    const KCStPath bundle(tmp.Path("Synth.bundle").c_str());
    EXPECT_TRUE(IsBundleExtension("BUNDLE"));
    EXPECT_TRUE(IsExistingBundle(bundle.GetPathRef()));
    EXPECT_FALSE(IsExistingBundle(KCStPath(tmp.Path("Other.bundle").c_str()).GetPathRef()));

    KCStPath sub;
    KTPathType* ref = nullptr;
    ASSERT_EQ(GetPathToBundleDLLFolder(bundle.GetPathRef(), ref), eNoErr);
    sub.TakeOver(ref);
    EXPECT_EQ(sub.GetRelativeDifference(bundle), "Contents/Win32");
    ASSERT_EQ(GetPathToBundleResourcesFolder(bundle.GetPathRef(), ref), eNoErr);
    sub.TakeOver(ref);
    EXPECT_EQ(sub.GetRelativeDifference(bundle), "Contents/Resources");
    ASSERT_EQ(GetPathToBundleLinux32Folder(bundle.GetPathRef(), ref), eNoErr);
    sub.TakeOver(ref);
    EXPECT_EQ(sub.GetRelativeDifference(bundle), "Contents/Linux32");

    ASSERT_EQ(GetPathToBundleMainExecutable(bundle.GetPathRef(), ref), eNoErr);
    sub.TakeOver(ref);
    EXPECT_EQ(sub.GetPathString(), so.c_str());
    ASSERT_EQ(GetPathToBundleGivenMainExecutable(sub.GetPathRef(), ref), eNoErr);
    sub.TakeOver(ref);
    EXPECT_EQ(sub, bundle);

    // Not a bundle: wrong extension, a file, a link to a bundle.
    const KCStPath plain(tmp.Write("Plain/Contents/Linux64/Plain.so", "elf").c_str());
    EXPECT_EQ(GetPathToBundleMainExecutable(KCStPath(tmp.Path("Plain").c_str()).GetPathRef(), ref),
              kNotABundle);
    EXPECT_EQ(GetPathToBundleGivenMainExecutable(plain.GetPathRef(), ref), kNotABundle);
    std::filesystem::create_directory_symlink(bundle.GetPathString().c_str(),
                                              tmp.Path("Alias.bundle"));
    EXPECT_EQ(
        GetPathToBundleMainExecutable(KCStPath(tmp.Path("Alias.bundle").c_str()).GetPathRef(), ref),
        kNotABundle);
    // A bundle whose executable is missing or is a link.
    std::filesystem::create_directories(tmp.Path("Empty.bundle"));
    EXPECT_EQ(
        GetPathToBundleMainExecutable(KCStPath(tmp.Path("Empty.bundle").c_str()).GetPathRef(), ref),
        eBundleExecutableNotFound);
    std::filesystem::create_directories(tmp.Path("Linked.bundle/Contents/Linux64"));
    std::filesystem::create_symlink(so, tmp.Path("Linked.bundle/Contents/Linux64/Linked.so"));
    EXPECT_EQ(GetPathToBundleMainExecutable(
                  KCStPath(tmp.Path("Linked.bundle").c_str()).GetPathRef(), ref),
              eBundleExecutableNotFound);
    EXPECT_EQ(ref, nullptr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::FM
