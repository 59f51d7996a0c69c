// Tests of the special folders inside a temporary home (every base set through the
// environment), the cache-file location, and the indicator folders of the locations files.
#include "korvane/fm/special_folders.h"

#include "korvane/fm/fm_test_support.h"
#include "korvane/fm/path.h"
#include "korvane/fm/path_ref.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace kvKorvaneV10_0_3::FM {
namespace {

using testing::ScopedEnv;
using testing::TempFolder;

std::string Folder(KEFoldersDomain domain, KESystemFolders folder, KTErr* error = nullptr) {
    KTPathType* ref = nullptr;
    const KTErr err = CreateSystemFolderPathRef(domain, folder, ref);
    if (error != nullptr) {
        *error = err;
    }
    KCStPath path;
    path.TakeOver(ref);
    return path.GetPathString().c_str();
}

// A temporary home with every base variable pointing into it.
struct TempHome {
    TempFolder tmp;
    ScopedEnv home{"HOME", tmp.Path("home")};
    ScopedEnv config{"XDG_CONFIG_HOME", tmp.Path("config")};
    ScopedEnv data{"XDG_DATA_HOME", tmp.Path("data")};
    ScopedEnv cache{"XDG_CACHE_HOME", tmp.Path("cache")};
    ScopedEnv desktop{"XDG_DESKTOP_DIR", std::nullopt};
    ScopedEnv system{"KORVANE_SYSTEM_DATA_DIR", tmp.Path("system")};
    ScopedEnv shared{"KORVANE_SHARED_DATA_DIR", tmp.Path("shared")};
    ScopedEnv tmpdir{"TMPDIR", tmp.Path("t")};
};

class SpecialFoldersInATemporaryHome : public ::testing::Test {
protected:
    TempHome h;
    const TempFolder& t = h.tmp;
};

TEST_F(SpecialFoldersInATemporaryHome, EveryKindMapsIntoItsBaseFolder) {
    const struct {
        KEFoldersDomain domain;
        KESystemFolders folder;
        std::string expected;
    } rows[] = {
        {eUserDomain, eKorvanePreferencesFolder, t.Path("config/Korvane Audio/Preferences")},
        {eUserDomain, eKorvanePreferencesFolder2, t.Path("config/Korvane Audio/Preferences")},
        {eUserDomain, ePreferencesFolder, t.Path("config")},
        {eUserDomain, eAppDataFolder, t.Path("config")},
        {eUserLocalDomain, eKorvaneAppDataFolder, t.Path("data/Korvane Audio")},
        {eUserDomain, eKorvaneCacheFolder, t.Path("cache/Korvane Audio/Caches")},
        {eUserLocalDomain, eCacheFolder, t.Path("cache")},
        {eUserDomain, eKorvaneScanViewFolder, t.Path("config/Korvane Audio/ScanView")},
        {eUserDomain, eKorvaneFulcrixConfigFolder, t.Path("config/Korvane Audio/Fulcrix")},
        {eUserLocalDomain, eKorvaneUserLogsFolder, t.Path("data/Korvane Audio/Logs")},
        {eLocalDomain, eKorvaneAppDataFolder, t.Path("system/Korvane Audio")},
        {eLocalDomain, eKorvaneCacheFolder, t.Path("system/Korvane Audio/Caches")},
        {eUserDomain, eRootFolder, t.Path("home")},
        {eLocalDomain, eRootFolder, "/"},
        {eUserDomain, eTemporaryFolder, t.Path("t")},
        {eUserDomain, eCurrentFolder, std::filesystem::current_path().string()},
        {eSystemDomain, eSystemFolder, "/usr/lib"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(KEFoldersDomainName(row.domain)) + " " +
                     KESystemFoldersName(row.folder));
        EXPECT_EQ(Folder(row.domain, row.folder), row.expected);
    }
}

TEST_F(SpecialFoldersInATemporaryHome, AKorvaneFolderIsCreatedWhenAskedFor) {
    EXPECT_EQ(Folder(eUserDomain, eKorvanePreferencesFolder),
              t.Path("config/Korvane Audio/Preferences"));
    EXPECT_TRUE(std::filesystem::is_directory(t.Path("config/Korvane Audio/Preferences")));
}

TEST_F(SpecialFoldersInATemporaryHome, TheSharedFolderIgnoresTheDomain) {
    for (const auto domain : {eSystemDomain, eLocalDomain, eUserDomain, eUserLocalDomain}) {
        EXPECT_EQ(Folder(domain, eKorvaneSharedUserDataFolder), t.Path("shared/Korvane Audio"));
        EXPECT_EQ(Folder(domain, eSharedUserDataFolder), t.Path("shared"));
    }
}

TEST_F(SpecialFoldersInATemporaryHome, TheDesktopFollowsItsVariableElseLivesInHome) {
    EXPECT_EQ(Folder(eUserDomain, eDesktopFolder), t.Path("home/Desktop"));
    ScopedEnv desk("XDG_DESKTOP_DIR", t.Path("desk"));
    EXPECT_EQ(Folder(eUserDomain, eDesktopFolder), t.Path("desk"));
}

TEST_F(SpecialFoldersInATemporaryHome, FoldersThisSystemHasNotAreRefused) {
    KTErr err = eNoErr;
    for (const auto folder : {eTrashFolder, eLibrariesFolder, eAudioComponentsFolder}) {
        for (const auto domain : {eSystemDomain, eLocalDomain, eUserDomain, eUserLocalDomain}) {
            EXPECT_EQ(Folder(domain, folder, &err), "");
            EXPECT_EQ(err, eFMNoSuchSystemFolder) << KESystemFoldersName(folder);
        }
    }
    Folder(eSystemDomain, eKorvanePreferencesFolder, &err);
    EXPECT_EQ(err, eFMNoSuchSystemFolder);
    Folder(eLocalDomain, eDesktopFolder, &err);
    EXPECT_EQ(err, eFMNoSuchSystemFolder);
    Folder(eUserDomain, static_cast<KESystemFolders>(20), &err);
    EXPECT_EQ(err, eFMNoSuchSystemFolder);
    Folder(static_cast<KEFoldersDomain>(9), eAppDataFolder, &err);
    EXPECT_EQ(err, eFMNoSuchSystemFolder);
}

TEST_F(SpecialFoldersInATemporaryHome, APathObjectMadeFromAKindIsThatFolder) {
    const KCStPath viaObject(eUserDomain, eKorvaneCacheFolder);
    EXPECT_TRUE(viaObject.IsFolder());
}

TEST_F(SpecialFoldersInATemporaryHome, ACachePathMirrorsTheFileInTheCacheFolder) {
    const KCStCachePath cache(KCStPath("/music/song.wav"));
    EXPECT_EQ(std::string(cache.GetPathString().c_str()),
              t.Path("cache/Korvane Audio/Caches/music/song.wav"));
    EXPECT_FALSE(KCStCachePath(KCStPath()).IsValid());
}

TEST(SpecialFolders, KindAndDomainNamesFallBackForUnknownValues) {
    EXPECT_STREQ(KESystemFoldersName(15), "eKorvaneSharedUserDataFolder");
    EXPECT_STREQ(KESystemFoldersName(20), "Unknown System Folder");
    EXPECT_STREQ(KEFoldersDomainName(3), "eUserLocalDomain");
    EXPECT_STREQ(KEFoldersDomainName(-1), "Unknown Folder Domain");
}

TEST(SpecialFolders, MissingOrRelativeVariablesFallBackToHome) {
    TempHome h;
    ScopedEnv relative("XDG_CONFIG_HOME", std::string("relative/config"));
    ScopedEnv unset("XDG_CACHE_HOME", std::nullopt);
    EXPECT_EQ(Folder(eUserDomain, eAppDataFolder), h.tmp.Path("home/.config"));
    EXPECT_EQ(Folder(eUserDomain, eCacheFolder), h.tmp.Path("home/.cache"));
    ScopedEnv noData("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(Folder(eUserLocalDomain, eAppDataFolder), h.tmp.Path("home/.local/share"));
}

TEST(SpecialFolders, IndicatorsReadTheUserFileBeforeTheSystemFile) {
    TempHome h;
    EXPECT_TRUE(IsValidIndicator("V10PluginFolder"));
    EXPECT_FALSE(IsValidIndicator("NoSuchFolder"));
    EXPECT_FALSE(IsValidIndicator(nullptr));
    KCStPath out;
    EXPECT_EQ(GetPathFromIndicator("NoSuchFolder", out), eFMWrongParameters);
    EXPECT_EQ(GetPathFromIndicator("MainPluginFolder", out), eValueNotFound);  // no files

    h.tmp.Write("system/Korvane Audio/Preferences/Locations.conf",
                "# machine-wide\n"
                "Location = /opt/korvane/plugins\n"
                "LocationV10 = /opt/korvane/v10\n"
                "LocationV9 = /v9\n"
                "LocationKPAPI = shells/relative\n");
    h.tmp.Write("config/Korvane Audio/Preferences/Locations.conf",
                "LocationV10 = \"/home/me/My Plugins\"  \n"
                "LocationKorvane =\n");
    EXPECT_EQ(GetPathFromIndicator("V10PluginFolder", out), eNoErr);
    EXPECT_EQ(out.GetPathString(), "/home/me/My Plugins");  // the user's file wins
    EXPECT_EQ(GetPathFromIndicator("MainPluginFolder", out), eNoErr);
    EXPECT_EQ(out.GetPathString(), "/opt/korvane/plugins");
    EXPECT_EQ(GetPathFromIndicator("V9PluginFolder", out), eMemNullPointer);  // under 4 chars
    EXPECT_EQ(GetPathFromIndicator("KPAPIShellsFolder", out), eFMIncompletePath);
    EXPECT_FALSE(out.IsValid());
    EXPECT_EQ(GetPathFromIndicator("MainInstallationFolder", out), eValueNotFound);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::FM
