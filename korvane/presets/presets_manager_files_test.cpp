// The presets manager's files on real folders: where the settings files live and the fallback
// when the shared folder cannot be written, copy and paste between instances through the
// clipboard file, dynamic preset folders with link loops, and the file names remote save
// requests may give.
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/testing/unprivileged_run.h"
#include "korvane/presets/preset_api.h"
#include "korvane/presets/preset_names.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/presets/presets_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {
namespace {

namespace fs = std::filesystem;
using test_support::TestAlgorithm;
using testing::SettingsSandbox;

KorvaneComponentInfo InfoOf(KCFourCC type) {
    KorvaneComponentInfo info;
    info.componentType = type;
    info.componentSubType = KCFourCC("ster");
    return info;
}

std::string PathOf(const FM::KCStPath& path) {
    return path.GetPathString().c_str();
}

class ManagerFiles : public ::testing::Test {
protected:
    void SetUp() override {
        alg.SetAlgName("Comp");
        ASSERT_EQ(alg.FinishCreate(), 0);
        manager = &testing::ManagerOf(alg);
        pub = CPublicAlg(alg);
    }

    SettingsSandbox sandbox;
    TestAlgorithm alg{InfoOf(KCFourCC("Comp"))};
    CPresetsManager* manager = nullptr;
    CPublicAlg pub;
};

TEST_F(ManagerFiles, SettingsFilesLiveInTheSharedPlugInSettingsFolder) {
    FM::KCStPath path;
    ASSERT_EQ(manager->CreatePathToPluginSettingsFolder(path), eNoErr);
    EXPECT_EQ(PathOf(path), sandbox.SharedSettings());
    EXPECT_TRUE(fs::is_directory(sandbox.SharedSettings())) << "created when missing";
    EXPECT_FALSE(manager->UsesUserSettingsFolder());
    ASSERT_EQ(manager->CreatePathToUserMenuPresetFile(path), eNoErr);
    EXPECT_EQ(PathOf(path), sandbox.SharedSettings("Comp Settings.xps"));
    ASSERT_EQ(manager->CreatePathToFactoryPresetFile(path), eNoErr);
    EXPECT_EQ(PathOf(path), sandbox.SharedSettings("Comp Factory Settings.xps"));
    ASSERT_EQ(manager->CreatePathToDefaultPresetFile(path), eNoErr);
    EXPECT_EQ(PathOf(path), sandbox.SharedSettings("Comp Default Preset.xps"));
    ASSERT_EQ(manager->CreatePathToClipboardPresetFile(path), eNoErr);
    EXPECT_EQ(PathOf(path), sandbox.SharedSettings("Preset-Clipboard.yps"));
    EXPECT_EQ(manager->InitializePresetFileTemplate(), "Comp setups.xps");
}

TEST_F(ManagerFiles, ALinkedSettingsFolderIsResolved) {
    fs::create_directories(sandbox.tmp.Path("real"));
    fs::create_directories(sandbox.tmp.Path("shared/Korvane Audio"));
    fs::create_directory_symlink(sandbox.tmp.Path("real"), sandbox.SharedSettings());
    FM::KCStPath path;
    ASSERT_EQ(manager->CreatePathToPluginSettingsFolder(path), eNoErr);
    EXPECT_EQ(PathOf(path), fs::canonical(sandbox.tmp.Path("real")).string());
}

TEST_F(ManagerFiles, AReadOnlySharedFolderFallsBackToTheUsersOwnAndTheSaveLands) {
    // The shared base exists but an ordinary user may not write it; the user's data folder is
    // theirs.
    fs::create_directories(sandbox.tmp.Path("shared"));
    fs::create_directories(sandbox.tmp.Path("user"));
    fs::permissions(sandbox.tmp.Path("shared"),
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(sandbox.tmp.Path("user"), fs::perms::all);
    FM::testing::LetOthersThrough(sandbox.tmp);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 5);

    const auto outcome = test_support::RunUnprivileged([&] {
        std::string failures;
        FM::KCStPath folder;
        if (const int err = manager->CreatePathToPluginSettingsFolder(folder); err != eNoErr) {
            return "no settings folder: " + std::string(KTErrName(err));
        }
        if (PathOf(folder) != sandbox.UserSettings()) {
            failures += "settings folder is " + PathOf(folder) + "; ";
        }
        if (!manager->UsesUserSettingsFolder()) {
            failures += "the fallback is not reported; ";
        }
        FM::KCStPath file;
        if (manager->CreatePathToUserMenuPresetFile(file) != eNoErr ||
            manager->AddPresetToFile(pub, file, KCFixedString<127>("Kept")) != eNoErr) {
            failures += "the save failed; ";
        }
        if (!fs::is_regular_file(sandbox.UserSettings("Comp Settings.xps"))) {
            failures += "the user file is missing; ";
        }
        if (fs::exists(sandbox.SharedSettings())) {
            failures += "a shared folder was made; ";
        }
        return failures;
    });
    fs::permissions(sandbox.tmp.Path("shared"), fs::perms::owner_all);
    ASSERT_TRUE(outcome.ran) << outcome.failures;
    EXPECT_EQ(outcome.failures, "");
}

TEST_F(ManagerFiles, CopyAndPasteCarryTheStateBetweenInstances) {
    TestAlgorithm second(InfoOf(KCFourCC("Comp")));
    second.SetAlgName("Comp");
    ASSERT_EQ(second.FinishCreate(), 0);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 7.5);
    alg.UpdateParamState(TestAlgorithm::kMode, 2);
    ASSERT_EQ(manager->SaveMenu_CopyPreset(pub), eNoErr);
    EXPECT_TRUE(fs::is_regular_file(sandbox.SharedSettings("Preset-Clipboard.yps")));

    CPresetsManager& other = testing::ManagerOf(second);
    ASSERT_EQ(other.LoadMenu_PastePreset(CPublicAlg(second)), eNoErr);
    EXPECT_DOUBLE_EQ(second.GetParam(TestAlgorithm::kGain).GetRealWorld(eSetupA), 7.5);
    EXPECT_EQ(second.GetParam(TestAlgorithm::kMode).GetState(eSetupA), 2);
    EXPECT_EQ(other.GetCurrentPreset().GetMenuItemType(), eMenuItemClipboard);
}

TEST_F(ManagerFiles, APasteFromAnotherPlugInTypeFailsAndChangesNothing) {
    TestAlgorithm foreign(InfoOf(KCFourCC("Othr")));
    foreign.SetAlgName("Other");
    ASSERT_EQ(foreign.FinishCreate(), 0);
    foreign.UpdateParamRealWorld(TestAlgorithm::kGain, 11);
    ASSERT_EQ(testing::ManagerOf(foreign).SaveMenu_CopyPreset(CPublicAlg(foreign)), eNoErr);

    alg.UpdateParamRealWorld(TestAlgorithm::kGain, -3);
    manager->SetCurrentPresetName(KCFixedString<255>("Before"));
    EXPECT_EQ(manager->LoadMenu_PastePreset(pub), eComponentTypeNotSupported);
    EXPECT_DOUBLE_EQ(alg.GetParam(TestAlgorithm::kGain).GetRealWorld(eSetupA), -3);
    EXPECT_EQ(manager->GetCurrentPreset().GetPresetName(), "Before");
}

TEST_F(ManagerFiles, DynamicFoldersAreWalkedWithoutFollowingLinkLoops) {
    const std::string xps =
        "<PresetXMLTree version='2'><Preset Name='P' GenericType='Comp'/></PresetXMLTree>";
    sandbox.tmp.Write("dyn/A/a.xps", xps);
    sandbox.tmp.Write("dyn/B/deeper/b.xps", xps);
    fs::create_directories(sandbox.tmp.Path("dyn/Empty/AlsoEmpty"));
    // A loop back to the root, one to the folder itself, and a second way into B.
    fs::create_directory_symlink(sandbox.tmp.Path("dyn"), sandbox.tmp.Path("dyn/A/up"));
    fs::create_directory_symlink(sandbox.tmp.Path("dyn/B/deeper"),
                                 sandbox.tmp.Path("dyn/B/deeper/self"));
    fs::create_directory_symlink(sandbox.tmp.Path("dyn/B"), sandbox.tmp.Path("dyn/C"));
    manager->SetDynamicFactoryPresetsDirectories(
        {FM::KCStPath(sandbox.tmp.Path("dyn").c_str()),
         FM::KCStPath(sandbox.tmp.Path("missing").c_str())});

    ASSERT_EQ(manager->ScanForDynamicFactoryPresets(pub), eNoErr);
    const SPresetGroupDesc& root = manager->GetDynamicPresets();
    ASSERT_EQ(root.subGroups.size(), 1U) << "the missing folder gives no group";
    const SPresetGroupDesc& dyn = root.subGroups[0];
    EXPECT_EQ(dyn.name, "dyn");
    std::vector<std::string> names;
    for (const auto& group : dyn.subGroups) {
        names.emplace_back(group.name.c_str());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"})) << "no group for empty folders";
    EXPECT_TRUE(dyn.subGroups[0].subGroups.empty()) << "the loop back to the root is cut";
    ASSERT_EQ(dyn.subGroups[1].subGroups.size(), 1U);
    EXPECT_TRUE(dyn.subGroups[1].subGroups[0].subGroups.empty());
    std::vector<CPresetInfo*> all;
    root.FillAllDynamicPresetsVectorRecursive(all);
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0]->GetMenuItemType(), eMenuItemDynamic);
}

TEST_F(ManagerFiles, RemoteSavesTakeABareFileNameOnly) {
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 2);
    const std::string tooLong(256, 'n');
    for (const std::string& bad :
         {std::string("../escape"), std::string("a/b"), std::string("/etc/x"), std::string(".."),
          std::string("x..y"), std::string(""), tooLong, std::string(252, 'n'),
          std::string("file.so")}) {
        EXPECT_EQ(manager->SavePresetFromHTML(pub, bad.c_str(), "P"), eFMWrongParameters) << bad;
        EXPECT_EQ(manager->SaveToNewFileHTML(pub, bad.c_str(), "P"), eFMWrongParameters) << bad;
    }
    EXPECT_EQ(manager->SavePresetFromHTML(pub, nullptr, "P"), eFMWrongParameters);
    EXPECT_FALSE(fs::exists(sandbox.tmp.Path("escape.xps")));
    EXPECT_FALSE(fs::exists(sandbox.tmp.Path("shared/Korvane Audio/escape.xps")));

    EXPECT_EQ(manager->SavePresetFromHTML(pub, "Comp Factory Settings.xps", "P"), eFMPermissionErr);
    EXPECT_FALSE(fs::exists(sandbox.SharedSettings("Comp Factory Settings.xps")));

    ASSERT_EQ(manager->SaveToNewFileHTML(pub, "Remote", "First"), eNoErr);
    EXPECT_TRUE(fs::is_regular_file(sandbox.SharedSettings("Remote.xps")));
    EXPECT_EQ(manager->SaveToNewFileHTML(pub, "Remote.xps", "Again"), eFMFileAllreadyExists);
    ASSERT_EQ(manager->SavePresetFromHTML(pub, "Remote.xps", "Second"), eNoErr);
    ASSERT_EQ(manager->SavePresetFromHTML(pub, std::string(251, 'n').c_str(), "P"), eNoErr)
        << "255 bytes with the extension added";

    CPresetsFileInfo file(FM::KCStPath(sandbox.SharedSettings("Remote.xps").c_str()),
                          ePresetsFormatXPS, true);
    std::vector<CPresetInfo*> presets;
    ASSERT_EQ(CPresetAPI::GetPresetList(pub, file, presets), eNoErr);
    ASSERT_EQ(presets.size(), 2U);
    EXPECT_EQ(presets[0]->GetPresetName(), "First");
    EXPECT_EQ(presets[1]->GetPresetName(), "Second");
    ClearPresetInfoPtrVec(presets);
}

TEST_F(ManagerFiles, PresetsAreRenamedAndRemovedInAFileByName) {
    const FM::KCStPath file(sandbox.tmp.Path("edit.xps").c_str());
    ASSERT_EQ(manager->AddPresetToFile(pub, file, KCFixedString<127>("One")), eNoErr);
    ASSERT_EQ(manager->AddPresetToFile(pub, file, KCFixedString<127>("Two")), eNoErr);
    EXPECT_EQ(manager->RenamePresetInFile(pub, file, KCFixedString<127>("One"),
                                          KCFixedString<127>("Two")),
              ePresetFileProblem);
    EXPECT_EQ(
        manager->RenamePresetInFile(pub, file, KCFixedString<127>("None"), KCFixedString<127>("X")),
        ePresetInfoNotFound);
    ASSERT_EQ(manager->RenamePresetInFile(pub, file, KCFixedString<127>("One"),
                                          KCFixedString<127>("Uno")),
              eNoErr);
    ASSERT_EQ(manager->RemovePresetFromFile(pub, file, KCFixedString<127>("Two")), eNoErr);
    CPresetsFileInfo info(file, ePresetsFormatXPS, true);
    std::vector<CPresetInfo*> presets;
    ASSERT_EQ(CPresetAPI::GetPresetList(pub, info, presets), eNoErr);
    ASSERT_EQ(presets.size(), 1U);
    EXPECT_EQ(presets[0]->GetPresetName(), "Uno");
    ClearPresetInfoPtrVec(presets);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
