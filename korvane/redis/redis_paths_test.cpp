// Paths named by text commands: spelled inside a root, entered without links, and the
// temporary folder as a root only when no one else can rename what is made there.
#include "korvane/redis/redis_paths.h"

#include "korvane/fm/fm_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Redis {
namespace {

namespace fs = std::filesystem;
using FM::testing::ReadAll;
using FM::testing::ScopedEnv;
using FM::testing::TempFolder;

bool IsDefaultRoot(const std::string& folder) {
    const std::vector<std::string> roots = DefaultTextCommandPathRoots();
    return std::find(roots.begin(), roots.end(), folder) != roots.end();
}

TEST(RedisTextCommandPaths, TemporaryFolderIsADefaultRootWhenNoOneElseCanRenameInIt) {
    TempFolder tmp;
    fs::create_directories(tmp.Path("private"));
    fs::create_directories(tmp.Path("shared"));
    fs::create_directories(tmp.Path("sticky"));
    fs::permissions(tmp.Path("private"), fs::perms::owner_all);
    fs::permissions(tmp.Path("shared"), fs::perms::all);
    fs::permissions(tmp.Path("sticky"), fs::perms::all | fs::perms::sticky_bit);
    {
        const ScopedEnv env("TMPDIR", tmp.Path("private"));
        EXPECT_TRUE(IsDefaultRoot(tmp.Path("private")));
    }
    {
        const ScopedEnv env("TMPDIR", tmp.Path("shared"));
        EXPECT_FALSE(IsDefaultRoot(tmp.Path("shared")));
    }
    {
        const ScopedEnv env("TMPDIR", tmp.Path("sticky"));
        EXPECT_TRUE(IsDefaultRoot(tmp.Path("sticky")));
    }
}

TEST(RedisTextCommandPaths, OnlyAbsolutePathsSpelledInsideTheRoots) {
    TempFolder tmp;
    fs::create_directories(tmp.Path("root/sub"));
    fs::create_directory_symlink(tmp.Path("root"), tmp.Path("alias"));
    const std::string root = tmp.Path("root");
    const std::vector<std::string> roots{tmp.Path("alias") + "/"};
    std::string found;
    std::string relative;
    // The root as configured (through its link) and as resolved both hold the path.
    for (const std::string& spelling : {tmp.Path("alias"), root}) {
        EXPECT_EQ(ConfineTextCommandPath(spelling + "/sub/a.xps", roots, found, relative), eNoErr)
            << spelling;
        EXPECT_EQ(found, spelling);
        EXPECT_EQ(relative, "sub/a.xps");
    }
    for (const std::string& bad :
         {root + "/sub/../a.xps", root + "/./a.xps", std::string("a.xps"), std::string("sub/a"),
          std::string("/etc/passwd"), root + "/missing/a.xps", root + "x/a", root, root + "/",
          root + "/sub/", std::string(), root + "/sub/a" + std::string(1, '\0') + "b",
          root + "/" + std::string(kMaxTextCommandPathLength, 'a')}) {
        EXPECT_EQ(ConfineTextCommandPath(bad, roots, found, relative), eFMPermissionErr) << bad;
    }
    // A folder link below the root is not entered, wherever it leads.
    fs::create_directory_symlink("/etc", tmp.Path("root/etc"));
    fs::create_directory_symlink(tmp.Path("root/sub"), tmp.Path("root/inner"));
    EXPECT_EQ(ConfineTextCommandPath(root + "/etc/x", roots, found, relative), eFMPermissionErr);
    EXPECT_EQ(ConfineTextCommandPath(root + "/inner/x", roots, found, relative), eFMPermissionErr);
    std::string text;
    fs::create_symlink("/etc/hostname", tmp.Path("root/host"));
    EXPECT_EQ(ReadTextCommandFile(root + "/host", roots, text), eFMPermissionErr);
}

TEST(RedisTextCommandPaths, FilesKeepTheirBytesAndSwappedFoldersLeadNowhere) {
    TempFolder tmp;
    fs::create_directories(tmp.Path("root/presets"));
    tmp.Write("outside/victim.xps", "keep");
    const std::string root = tmp.Path("root");
    const std::vector<std::string> roots{root};
    const std::string file = root + "/presets/a.xps";
    std::string bytes = "<preset>\r\n";
    bytes.push_back('\0');
    bytes += "\xff\xfe tail";
    ASSERT_EQ(WriteTextCommandFile(file, roots, bytes), eNoErr);
    std::string read;
    ASSERT_EQ(ReadTextCommandFile(file, roots, read), eNoErr);
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(ReadAll(file), bytes);

    // Checked, then the folder becomes a link out before the write.
    std::string found;
    std::string relative;
    ASSERT_EQ(ConfineTextCommandPath(root + "/presets/victim.xps", roots, found, relative), eNoErr);
    fs::rename(tmp.Path("root/presets"), tmp.Path("root/old"));
    fs::create_directory_symlink(tmp.Path("outside"), tmp.Path("root/presets"));
    EXPECT_EQ(WriteTextCommandFile(root + "/presets/victim.xps", roots, "overwritten"),
              eFMPermissionErr);
    EXPECT_EQ(ReadTextCommandFile(root + "/presets/victim.xps", roots, read), eFMPermissionErr);
    EXPECT_EQ(ReadAll(tmp.Path("outside/victim.xps")), "keep");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Redis
