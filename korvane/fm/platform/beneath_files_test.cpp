// Reads and replacements below a folder, walked from its open descriptor: links swapped in,
// special files, other users' files and odd names are refused; what succeeds keeps every byte.
#include "korvane/core/mem_obj.h"
#include "korvane/core/testing/special_files.h"
#include "korvane/fm/file_io.h"
#include "korvane/fm/fm_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace kvKorvaneV10_0_3::FM {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempFolder;

std::string AsText(const Utils::KCStMemObj& bytes) {
    return bytes.Empty() ? std::string()
                         : std::string(static_cast<const char*>(bytes.ptr), bytes.size);
}

// Every byte value, NULs and line ends included.
std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 512; ++i) {
        bytes.push_back(static_cast<char>(i & 0xff));
    }
    return bytes;
}

TEST(FileBeneath, WhatIsWrittenIsReadBackExactly) {
    TempFolder tmp;
    fs::create_directories(tmp.Path("a/b"));
    const std::string root = tmp.Path();
    for (const std::string& bytes : {AllBytes(), std::string()}) {
        ASSERT_EQ(ReplaceFileBeneathFolder(root.c_str(), "a/b/f.bin", bytes.data(), bytes.size()),
                  eNoErr);
        EXPECT_EQ(ReadAll(tmp.Path("a/b/f.bin")), bytes);
        Utils::KCStMemObj out;
        ASSERT_EQ(ReadFileBeneathFolder(root.c_str(), "a//b/f.bin", 1024, out), eNoErr);
        EXPECT_EQ(AsText(out), bytes);
    }
    EXPECT_EQ(fs::status(tmp.Path("a/b/f.bin")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(tmp.Path("a/b"))) {
        EXPECT_EQ(entry.path().filename(), "f.bin") << "no temporary file is left";
        ++entries;
    }
    EXPECT_EQ(entries, 1U);
    Utils::KCStMemObj out;
    EXPECT_EQ(ReadFileBeneathFolder(root.c_str(), "a/b/f.bin", 0, out), eNoErr);
    tmp.Write("a/b/g.bin", "12345");
    EXPECT_EQ(ReadFileBeneathFolder(root.c_str(), "a/b/g.bin", 4, out), eFMFileSizeTooBig);
    EXPECT_EQ(CheckFolderBeneath(root.c_str(), ""), eNoErr);
    EXPECT_EQ(CheckFolderBeneath(root.c_str(), "a/b"), eNoErr);
}

TEST(FileBeneath, AFolderSwappedForALinkAfterTheCheckIsNotFollowed) {
    TempFolder tmp;
    fs::create_directories(tmp.Path("root/a/b"));
    tmp.Write("outside/b/f.bin", "keep");
    const std::string root = tmp.Path("root");
    ASSERT_EQ(CheckFolderBeneath(root.c_str(), "a/b"), eNoErr);
    // What another user could do between a check by name and the use.
    fs::rename(tmp.Path("root/a"), tmp.Path("root/old"));
    fs::create_directory_symlink(tmp.Path("outside"), tmp.Path("root/a"));
    EXPECT_EQ(CheckFolderBeneath(root.c_str(), "a/b"), eFMPermissionErr);
    Utils::KCStMemObj out;
    EXPECT_EQ(ReadFileBeneathFolder(root.c_str(), "a/b/f.bin", 100, out), eFMPermissionErr);
    EXPECT_TRUE(out.Empty());
    const std::string bytes = "overwritten";
    EXPECT_EQ(ReplaceFileBeneathFolder(root.c_str(), "a/b/f.bin", bytes.data(), bytes.size()),
              eFMPermissionErr);
    EXPECT_EQ(ReadAll(tmp.Path("outside/b/f.bin")), "keep");
    EXPECT_EQ(fs::directory_iterator(tmp.Path("outside/b"))->path().filename(), "f.bin");
}

TEST(FileBeneath, AFinalLinkIsReplacedNeverFollowed) {
    TempFolder tmp;
    tmp.Write("outside.txt", "keep");
    fs::create_directories(tmp.Path("root"));
    fs::create_symlink(tmp.Path("outside.txt"), tmp.Path("root/link.txt"));
    const std::string root = tmp.Path("root");
    Utils::KCStMemObj out;
    EXPECT_EQ(ReadFileBeneathFolder(root.c_str(), "link.txt", 100, out), eFMPermissionErr);
    const std::string bytes = "new";
    ASSERT_EQ(ReplaceFileBeneathFolder(root.c_str(), "link.txt", bytes.data(), bytes.size()),
              eNoErr);
    EXPECT_FALSE(fs::is_symlink(tmp.Path("root/link.txt")));
    EXPECT_EQ(ReadAll(tmp.Path("root/link.txt")), "new");
    EXPECT_EQ(ReadAll(tmp.Path("outside.txt")), "keep");
}

TEST(FileBeneath, FifosDevicesAndFoldersAreRefusedWithoutBlocking) {
    TempFolder tmp;
    ASSERT_TRUE(test_support::MakeFifo(tmp.Path("pipe").c_str()));
    fs::create_directories(tmp.Path("folder"));
    const std::string root = tmp.Path();
    const std::string bytes = "x";
    Utils::KCStMemObj out;
    // A reader that waited for a writer would hang here.
    EXPECT_EQ(ReadFileBeneathFolder(root.c_str(), "pipe", 100, out), eFMPermissionErr);
    EXPECT_EQ(ReplaceFileBeneathFolder(root.c_str(), "pipe", bytes.data(), bytes.size()),
              eFMIsNotAFile);
    EXPECT_EQ(fs::status(tmp.Path("pipe")).type(), fs::file_type::fifo);
    EXPECT_EQ(ReadFileBeneathFolder(root.c_str(), "folder", 100, out), eFMPermissionErr);
    EXPECT_EQ(ReplaceFileBeneathFolder(root.c_str(), "folder", bytes.data(), bytes.size()),
              eFMIsNotAFile);
    EXPECT_EQ(ReadFileBeneathFolder("/dev", "zero", 100, out), eFMPermissionErr);
    EXPECT_EQ(ReplaceFileBeneathFolder("/dev", "null", bytes.data(), bytes.size()), eFMIsNotAFile);
    EXPECT_TRUE(out.Empty());
}

TEST(FileBeneath, NamesThatLeaveOrNameNoFileAreRefused) {
    TempFolder tmp;
    tmp.Write("root/a/f.txt", "inside");
    tmp.Write("secret.txt", "secret");
    const std::string root = tmp.Path("root");
    const std::string bytes = "x";
    for (const char* name : {"../secret.txt", "a/../../secret.txt", "./a/f.txt", "a/./f.txt", "",
                             "a/", "/etc/hostname", ".", ".."}) {
        Utils::KCStMemObj out;
        EXPECT_EQ(ReadFileBeneathFolder(root.c_str(), name, 100, out), eFMPermissionErr) << name;
        EXPECT_EQ(ReplaceFileBeneathFolder(root.c_str(), name, bytes.data(), bytes.size()),
                  eFMPermissionErr)
            << name;
    }
    EXPECT_EQ(ReadAll(tmp.Path("secret.txt")), "secret");
    EXPECT_EQ(CheckFolderBeneath(root.c_str(), "a/.."), eFMPermissionErr);
    Utils::KCStMemObj out;
    EXPECT_NE(ReadFileBeneathFolder(root.c_str(), "missing/f.txt", 100, out), eNoErr);
    EXPECT_NE(ReplaceFileBeneathFolder(root.c_str(), "missing/f.txt", bytes.data(), bytes.size()),
              eNoErr);
    EXPECT_FALSE(fs::exists(tmp.Path("root/missing")));
    EXPECT_EQ(ReadFileBeneathFolder(nullptr, "a/f.txt", 100, out), eMemNullPointer);
    EXPECT_EQ(ReplaceFileBeneathFolder(root.c_str(), nullptr, bytes.data(), 1), eMemNullPointer);
}

TEST(FileBeneath, LongPathsAndNames) {
    TempFolder tmp;
    // Thirty folders of a hundred characters: far deeper than any real preset folder.
    std::string relative;
    for (int i = 0; i < 30; ++i) {
        relative += std::string(99, static_cast<char>('a' + i % 26)) + "/";
    }
    fs::create_directories(tmp.Path(relative));
    relative += "f.bin";
    const std::string root = tmp.Path();
    const std::string bytes = AllBytes();
    ASSERT_EQ(ReplaceFileBeneathFolder(root.c_str(), relative.c_str(), bytes.data(), bytes.size()),
              eNoErr);
    Utils::KCStMemObj out;
    ASSERT_EQ(ReadFileBeneathFolder(root.c_str(), relative.c_str(), 1024, out), eNoErr);
    EXPECT_EQ(AsText(out), bytes);
    // A name longer than a folder entry can hold gives an error, nothing else.
    const std::string tooLong(300, 'n');
    EXPECT_NE(ReadFileBeneathFolder(root.c_str(), tooLong.c_str(), 1024, out), eNoErr);
    EXPECT_NE(ReplaceFileBeneathFolder(root.c_str(), tooLong.c_str(), bytes.data(), bytes.size()),
              eNoErr);
    // The longest name a folder takes still gets its temporary file beside it.
    const std::string longest(255, 'm');
    EXPECT_EQ(ReplaceFileBeneathFolder(root.c_str(), longest.c_str(), bytes.data(), bytes.size()),
              eNoErr);
    EXPECT_EQ(ReadAll(tmp.Path(longest)), bytes);
}

TEST(FileBeneath, OtherUsersFoldersAndFilesAndSecondNamesAreNotRead) {
    TempFolder tmp;
    tmp.Write("root/mine.txt", "mine");
    const std::string root = tmp.Path("root");
    // A second name could be a hard link someone made to a file of ours elsewhere.
    fs::create_hard_link(tmp.Path("root/mine.txt"), tmp.Path("root/second.txt"));
    Utils::KCStMemObj out;
    EXPECT_EQ(ReadFileBeneathFolder(root.c_str(), "second.txt", 100, out), eFMPermissionErr);
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving files to another user needs the superuser";
    }
    tmp.Write("root/theirs/f.txt", "theirs");
    tmp.Write("root/theirs.txt", "theirs");
    const uid_t nobody = 65534;
    ASSERT_EQ(::chown(tmp.Path("root/theirs").c_str(), nobody, nobody), 0);
    ASSERT_EQ(::chown(tmp.Path("root/theirs.txt").c_str(), nobody, nobody), 0);
    EXPECT_EQ(ReadFileBeneathFolder(root.c_str(), "theirs/f.txt", 100, out), eFMPermissionErr);
    EXPECT_EQ(ReadFileBeneathFolder(root.c_str(), "theirs.txt", 100, out), eFMPermissionErr);
    const std::string bytes = "x";
    EXPECT_EQ(ReplaceFileBeneathFolder(root.c_str(), "theirs/f.txt", bytes.data(), bytes.size()),
              eFMPermissionErr);
    EXPECT_EQ(ReadAll(tmp.Path("root/theirs/f.txt")), "theirs");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::FM
