// The load and save menus driven by a scripted user: sections and their order, loading and
// check marks, deleting after a question, unique names and refused ones, the default preset,
// the external file, and the remote forms of the load menu.
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/presets/preset_api.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/presets/presets_test_support.h"

#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {
namespace {

using test_support::TestAlgorithm;
using testing::ScriptedUser;
using testing::SettingsSandbox;
using Lines = std::vector<std::string>;

KorvaneComponentInfo CompInfo() {
    KorvaneComponentInfo info;
    info.componentType = KCFourCC("Comp");
    info.componentSubType = KCFourCC("ster");
    return info;
}

// A preset element for the test algorithm: gain and mode as real-world values.
std::string PresetXML(const std::string& name, int gain, int mode,
                      const std::string& type = "Comp") {
    return "<Preset Name='" + name + "' GenericType='" + type +
           "'><PresetData Setup='SETUP_A'><Parameters Type='RealWorld'>" + std::to_string(gain) +
           " " + std::to_string(mode) + " * * *</Parameters></PresetData></Preset>";
}

std::string PresetFile(const std::string& body) {
    return "<?xml version='1.0' encoding='UTF-8'?>\n<PresetXMLTree version='2'>" + body +
           "</PresetXMLTree>\n";
}

std::vector<std::string> NamesIn(const std::vector<CPresetInfo*>& presets) {
    std::vector<std::string> names;
    names.reserve(presets.size());
    for (const auto* p : presets) {
        names.emplace_back(p->GetPresetName().c_str());
    }
    return names;
}

class PresetMenus : public ::testing::Test {
protected:
    void SetUp() override {
        alg.SetAlgName("Comp");
        ASSERT_EQ(alg.FinishCreate(), 0);
        manager = &testing::ManagerOf(alg);
        pub = CPublicAlg(alg);
    }
    void TearDown() override { CPresetAPI::SetWriteProgressHook({}); }

    void WriteFactory() {
        sandbox.tmp.Write(
            "shared/Korvane Audio/Plug-In Settings/Comp Factory Settings.xps",
            PresetFile(PresetXML("Soft", 3, 0) + "<Separator/><Title Name=\"Loud\"/>" +
                       PresetXML("Hard", 12, 2)));
    }
    void AddUserPreset(const char* name, double gain) {
        alg.UpdateParamRealWorld(TestAlgorithm::kGain, gain);
        ASSERT_EQ(manager->AddPresetToFile(pub, FM::KCStPath(UserFile().c_str()),
                                           KCFixedString<127>(name)),
                  eNoErr);
    }
    std::string UserFile() const { return sandbox.SharedSettings("Comp Settings.xps"); }
    double Gain() { return alg.GetParam(TestAlgorithm::kGain).GetRealWorld(eSetupA); }
    std::vector<std::string> UserNames() {
        EXPECT_EQ(manager->ReadUserMenuPresets(pub), eNoErr);
        return NamesIn(manager->GetUserMenuPresets());
    }

    SettingsSandbox sandbox;
    ScriptedUser user;
    TestAlgorithm alg{CompInfo()};
    CPresetsManager* manager = nullptr;
    CPublicAlg pub;
    KCPoint2D<short> where{10, 20};
};

TEST_F(PresetMenus, WithNothingChosenTheSaveMenuHasNoDefaultSave) {
    EXPECT_EQ(manager->SavePresetMenu(pub, where, false), eUserCanceled);
    ASSERT_EQ(user.shown.size(), 1U);
    EXPECT_EQ(user.shown[0],
              (Lines{"Save To New File...", "Copy Preset", "Put Into Preset Menu As...", "-",
                     "(No Selected Preset)", "(No Open File)"}));
}

TEST_F(PresetMenus, LoadMenuShowsItsSectionsInOrderAndLoadsTheChosenPreset) {
    WriteFactory();
    AddUserPreset("Mine", -6);
    sandbox.tmp.Write("dyn/Drums/kick.xps", PresetFile(PresetXML("Kick", 9, 1)));
    sandbox.tmp.Write("dyn/Empty/readme.txt", "no presets here");
    manager->SetDynamicFactoryPresetsDirectories({FM::KCStPath(sandbox.tmp.Path("dyn").c_str())});

    user.choices = {"Hard"};
    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 12);
    EXPECT_EQ(alg.GetParam(TestAlgorithm::kMode).GetState(eSetupA), 2);
    ASSERT_EQ(user.shown.size(), 1U);
    EXPECT_EQ(user.shown[0],
              (Lines{"Open Preset File...", "(Paste Preset)", "-", "[Factory Presets:]", "Soft",
                     "-", "[Loud]", "Hard", "-", ">dyn", "  >Drums", "    Kick", "-",
                     "[User Presets:]", "Mine"}));
    EXPECT_EQ(user.messageLines, (Lines{"Populating Menu...", ""}));
    EXPECT_EQ(manager->GetCurrentPreset().GetMenuItemType(), eMenuItemFactory);

    // The loaded preset is checked, and the save menu offers to save it.
    EXPECT_EQ(manager->LoadPresetMenu(pub, where, false), eUserCanceled);
    EXPECT_EQ(user.shown[1][7], "*Hard");
    EXPECT_EQ(user.shown[1][4], "Soft");
    EXPECT_EQ(manager->SavePresetMenu(pub, where, false), eUserCanceled);
    EXPECT_EQ(user.shown[2],
              (Lines{"Save To New File...", "Copy Preset", "Put Into Preset Menu As...", "-",
                     "Save Factory Preset - \"Hard\"", "(No Open File)"}));

    // A dynamic preset loads from its folder.
    user.choices = {"Kick"};
    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 9);
    EXPECT_EQ(manager->GetCurrentPreset().GetMenuItemType(), eMenuItemDynamic);
    EXPECT_TRUE(user.missing.empty());
}

// A popup hook may re-read the lists (a remote view asking for the menus' YAML) before it
// answers: the chosen item must still carry its preset.
TEST_F(PresetMenus, TheChosenItemSurvivesTheListsBeingReReadDuringThePopup) {
    WriteFactory();
    AddUserPreset("Mine", -6);
    sandbox.tmp.Write("dyn/Drums/kick.xps", PresetFile(PresetXML("Kick", 9, 1)));
    manager->SetDynamicFactoryPresetsDirectories({FM::KCStPath(sandbox.tmp.Path("dyn").c_str())});
    KSPresetMenuHooks hooks = GetPresetMenuHooks();
    const auto answer = hooks.popup;
    hooks.popup = [&](const CPublicAlg& a, const KCPresetMenuModel& menu,
                      const KCPoint2D<short>& at) {
        std::string yaml;
        EXPECT_EQ(manager->MakeYaml_FactoryPresets(a, yaml), eNoErr);
        EXPECT_EQ(manager->MakeYaml_UserMenuPresetFile(a, yaml), eNoErr);
        EXPECT_EQ(manager->MakeYaml_DynamicPresets(a, yaml), eNoErr);
        return answer(a, menu, at);
    };
    SetPresetMenuHooks(hooks);

    for (const auto& [name, gain] : {std::pair{"Hard", 12.0}, {"Mine", -6.0}, {"Kick", 9.0}}) {
        alg.UpdateParamRealWorld(TestAlgorithm::kGain, 0);
        user.choices = {name};
        ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr) << name;
        EXPECT_DOUBLE_EQ(Gain(), gain) << name;
        EXPECT_EQ(manager->GetCurrentPreset().GetPresetName(), name);
    }
    EXPECT_TRUE(user.missing.empty());
}

TEST(PresetListNames, UniqueNamesSkipSeparatorsAndTitles) {
    std::vector<CPresetInfo*> presets;
    for (const char* name : {"Lead", "Lead 1", "Separator", "Title"}) {
        presets.push_back(new CPresetInfo());
        presets.back()->SetPresetName(name);
    }
    presets[2]->SetFlag(ePresetSeparator, true);
    presets[3]->SetFlag(ePresetDummyTitle, true);
    KCFixedString<255> out;
    ASSERT_EQ(CPresetsManager::CreateNextUniqueName(KCFixedString<255>("Lead"), presets, out),
              eNoErr);
    EXPECT_EQ(out, "Lead 2");
    EXPECT_TRUE(CPresetsManager::IsPresetNameUnique(KCFixedString<255>("Separator"), presets));
    EXPECT_FALSE(CPresetsManager::IsPresetNameUnique(KCFixedString<255>("Lead 1"), presets));
    ClearPresetInfoPtrVec(presets);
}

TEST_F(PresetMenus, FactoryPresetsByIndexAndNameCountPresetsOnly) {
    WriteFactory();
    ASSERT_EQ(manager->ReadFactoryPresets(pub), eNoErr);
    EXPECT_EQ(manager->GetNumFactoryPresets(), 2U);
    KCFixedString<255> name;
    ASSERT_EQ(manager->GetFactoryPresetName(1, name), eNoErr);
    EXPECT_EQ(name, "Hard");
    EXPECT_EQ(manager->GetFactoryPresetName(2, name), eFactoryPresetNumOutOfRange);
    ASSERT_EQ(manager->LoadFactoryPresetToPluginByIndex(pub, 0), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 3);
    EXPECT_EQ(manager->LoadFactoryPresetToPluginByName(pub, "Loud", true), eFactoryPresetNotFound);
    ASSERT_EQ(manager->LoadFactoryPresetToPluginByName(pub, "Hard", true), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 12);
}

TEST_F(PresetMenus, NoFactoryFileMeansNoFactoryPresets) {
    CPresetInfo* preset = nullptr;
    EXPECT_EQ(manager->GetFactoryPreset(pub, &preset, 0), eNoFactoryPresets);
    EXPECT_EQ(manager->LoadMenu_PrepareMenu(pub, *std::make_unique<KCPresetMenuModel>(), false),
              eNoErr);
}

TEST_F(PresetMenus, DeletingAUserPresetAsksFirst) {
    AddUserPreset("Mine", -6);
    AddUserPreset("Other", 1);
    user.choices = {"Mine", "Mine"};
    user.answers = {false, true};
    EXPECT_EQ(manager->LoadPresetMenu(pub, where, true), eUserCanceled);
    ASSERT_EQ(user.questions.size(), 1U);
    EXPECT_EQ(user.questions[0],
              "Delete Preset|Are you sure you want to delete \"Mine\"?|Delete|Cancel");
    EXPECT_EQ(UserNames(), (Lines{"Mine", "Other"}));

    EXPECT_EQ(manager->LoadPresetMenu(pub, where, true), eNoErr);
    EXPECT_EQ(UserNames(), (Lines{"Other"}));
    EXPECT_DOUBLE_EQ(Gain(), 1) << "deleting loads nothing";
}

TEST_F(PresetMenus, PutIntoMenuProposesAUniqueNameAndRefusesATakenOne) {
    AddUserPreset("Mine", -6);
    manager->SetCurrentPresetName(KCFixedString<255>("Mine"));
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 4);
    user.choices = {"Put Into Preset Menu As..."};
    user.names = {""};
    ASSERT_EQ(manager->SavePresetMenu(pub, where, false), eNoErr);
    EXPECT_EQ(user.proposedNames, (Lines{"Mine 1"}));
    EXPECT_EQ(UserNames(), (Lines{"Mine", "Mine 1"}));
    EXPECT_EQ(manager->GetCurrentPreset().GetMenuItemType(), eMenuItemUser);

    const std::string before = FM::testing::ReadAll(UserFile());
    user.choices = {"Put Into Preset Menu As..."};
    user.names = {"Mine"};
    EXPECT_EQ(manager->SavePresetMenu(pub, where, false), ePresetFileProblem);
    EXPECT_EQ(user.alerts, (Lines{"Preset name 'Mine' already exists."}));
    EXPECT_EQ(FM::testing::ReadAll(UserFile()), before);

    // Saving the selected user preset writes it back under its name.
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 7);
    user.choices = {"Save User Preset - \"Mine 1\""};
    ASSERT_EQ(manager->SavePresetMenu(pub, where, false), eNoErr);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 0);
    ASSERT_EQ(manager->LoadUserMenuPresetToPluginByName(pub, "Mine 1", true), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 7);
}

TEST_F(PresetMenus, SavingASelectedFactoryPresetLeavesTheFactoryFileAlone) {
    WriteFactory();
    const std::string factory = sandbox.SharedSettings("Comp Factory Settings.xps");
    const std::string before = FM::testing::ReadAll(factory);
    ASSERT_EQ(manager->LoadFactoryPresetToPluginByName(pub, "Soft", true), eNoErr);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 5);
    user.choices = {"Save Factory Preset - \"Soft\""};
    ASSERT_EQ(manager->SavePresetMenu(pub, where, false), eNoErr);
    EXPECT_EQ(FM::testing::ReadAll(factory), before);
    EXPECT_EQ(UserNames(), (Lines{"Soft"}));
}

TEST_F(PresetMenus, TheFactoryFileOpenedAsAnExternalFileIsNeverSavedInto) {
    WriteFactory();
    const std::string factory = sandbox.SharedSettings("Comp Factory Settings.xps");
    const std::string before = FM::testing::ReadAll(factory);
    // Reached through a link, so only an equivalence check catches it.
    const std::string link = sandbox.tmp.Path("factory-link.xps");
    std::filesystem::create_symlink(factory, link);
    user.choices = {"Open Preset File..."};
    user.files = {link};
    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);
    user.choices = {"Soft"};
    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);
    ASSERT_EQ(manager->GetCurrentPreset().GetMenuItemType(), eMenuItemUserExternal);

    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 5);
    user.choices = {"Save - \"Soft\""};
    EXPECT_EQ(manager->SavePresetMenu(pub, where, false), eFMPermissionErr);
    EXPECT_EQ(FM::testing::ReadAll(factory), before);

    user.choices = {"Save To factory-link.xps As..."};
    user.names = {"Other"};
    EXPECT_EQ(manager->SavePresetMenu(pub, where, false), eFMPermissionErr);
    EXPECT_EQ(FM::testing::ReadAll(factory), before);
    EXPECT_TRUE(user.missing.empty());
}

TEST_F(PresetMenus, TheDefaultPresetIsReplacedOnlyWhenTheUserAgrees) {
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 2);
    ASSERT_EQ(manager->SaveAsDefaultPreset(pub), eNoErr);
    EXPECT_TRUE(user.questions.empty());

    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 8);
    user.answers = {false};
    EXPECT_EQ(manager->SaveAsDefaultPreset(pub), eUserCanceled);
    ASSERT_EQ(user.questions.size(), 1U);
    EXPECT_EQ(user.questions[0],
              "Save Default Preset|Preset already exists! Would you like to override?|"
              "Save My Default Preset|Cancel");
    ASSERT_EQ(manager->LoadDefaultPreset(pub), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 2);

    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 8);
    user.answers = {true};
    ASSERT_EQ(manager->SaveAsDefaultPreset(pub), eNoErr);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 0);
    ASSERT_EQ(manager->LoadDefaultPreset(pub), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 8);
    EXPECT_EQ(manager->GetCurrentPreset().GetPresetName(), "My Default Preset");
}

TEST_F(PresetMenus, AnExternalFileIsOpenedSavedIntoAndClosed) {
    const std::string ext = sandbox.tmp.Write(
        "elsewhere/ext.xps", PresetFile(PresetXML("Ext", 5, 1) + PresetXML("Alien", 1, 1, "Othr")));
    user.choices = {"Open Preset File..."};
    user.files = {ext};
    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);

    user.choices = {"Ext"};
    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 5);
    EXPECT_EQ(user.shown[1],
              (Lines{"Open Preset File...", "Close ext.xps", "(Paste Preset)", "-", "Ext"}))
        << "another plug-in's preset is not listed";

    alg.UpdateParamRealWorld(TestAlgorithm::kGain, -2);
    user.choices = {"Save To ext.xps As..."};
    user.names = {"Second"};
    ASSERT_EQ(manager->SavePresetMenu(pub, where, false), eNoErr);
    EXPECT_EQ(NamesIn(manager->GetUserExternalPresets()), (Lines{"Ext", "Second"}));
    EXPECT_NE(FM::testing::ReadAll(ext).find("Alien"), std::string::npos)
        << "the other plug-in's preset stays in the file";

    user.choices = {"Close ext.xps"};
    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);
    EXPECT_FALSE(manager->GetUserExternalPresetsFile().IsValid());
}

TEST_F(PresetMenus, AnExternalFileWithoutCompatiblePresetsSaysSo) {
    const std::string ext =
        sandbox.tmp.Write("alien.xps", PresetFile(PresetXML("Alien", 1, 1, "Othr")));
    ASSERT_EQ(manager->UserExternalPresetFile_Open(pub, FM::KCStPath(ext.c_str())), eNoErr);
    KCPresetMenuModel menu;
    ASSERT_EQ(manager->LoadMenu_PrepareMenu(pub, menu, false), eNoErr);
    EXPECT_EQ(testing::Lines(menu), (Lines{"Open Preset File...", "Close alien.xps",
                                           "(Paste Preset)", "-", "[No relevant setups in file]"}));
}

TEST_F(PresetMenus, SaveToNewFileCreatesItAndOpensIt) {
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 6);
    const std::string target = sandbox.tmp.Path("new.xps");
    user.choices = {"Save To New File..."};
    user.files = {target};
    ASSERT_EQ(manager->SavePresetMenu(pub, where, false), eNoErr);
    EXPECT_EQ(NamesIn(manager->GetUserExternalPresets()), (Lines{"Untitled Preset"}));
    EXPECT_EQ(std::string(manager->GetUserExternalPresetsFile().GetPathString().c_str()), target);
}

TEST_F(PresetMenus, TheRemoteFormsCarryTheLoadMenusContent) {
    WriteFactory();
    AddUserPreset("Mine", -6);
    ASSERT_EQ(manager->SaveAsDefaultPreset(pub), eNoErr);
    ASSERT_EQ(manager->LoadFactoryPresetToPluginByName(pub, "Hard", true), eNoErr);

    std::string json;
    ASSERT_EQ(manager->PrepareJsonLoadMenu(pub, json), eNoErr);
    const auto tree = nlohmann::json::parse(json);
    const auto& results = tree.at("results");
    EXPECT_EQ(results.at("Factory").at("title"), "Factory Presets");
    const auto& factory = results.at("Factory").at("Presets");
    ASSERT_EQ(factory.size(), 4U);
    EXPECT_EQ(factory[0].at("name"), "Soft");
    EXPECT_EQ(factory[0].at("selected"), false);
    EXPECT_EQ(factory[1].at("kind"), "separator");
    EXPECT_EQ(factory[2].at("kind"), "title");
    EXPECT_EQ(factory[3].at("name"), "Hard");
    EXPECT_EQ(factory[3].at("selected"), true);
    EXPECT_EQ(results.at("User").at("title"), "User Presets");
    EXPECT_EQ(results.at("User").at("Presets")[0].at("name"), "Mine");
    EXPECT_EQ(results.at("Default").at("title"), "Default Presets");
    EXPECT_EQ(results.at("Default").at("Presets")[0].at("marker"), "DEFAULT");

    std::string yaml;
    ASSERT_EQ(manager->MakeYaml_FromPresetsTree(pub, yaml), eNoErr);
    const YAML::Node doc = YAML::Load(yaml);
    EXPECT_EQ(doc["results"]["Factory"]["Presets"][3]["name"].as<std::string>(), "Hard");
    EXPECT_TRUE(doc["results"]["Factory"]["Presets"][3]["selected"].as<bool>());
    EXPECT_EQ(doc["results"]["Default"]["Presets"][0]["marker"].as<std::string>(), "DEFAULT");
    EXPECT_EQ(doc["results"]["User"]["title"].as<std::string>(), "User Presets");
}

TEST_F(PresetMenus, AnInterruptedSaveLeavesThePreviousFileReadable) {
    AddUserPreset("Mine", -6);
    const std::string before = FM::testing::ReadAll(UserFile());
    int calls = 0;
    // Let the first piece go out, then fail the write before it is complete.
    CPresetAPI::SetWriteProgressHook([&](std::uint64_t, std::uint64_t) { return ++calls < 2; });
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 9);
    user.choices = {"Put Into Preset Menu As..."};
    user.names = {"Another"};
    EXPECT_NE(manager->SavePresetMenu(pub, where, false), eNoErr);
    EXPECT_GE(calls, 2);
    CPresetAPI::SetWriteProgressHook({});
    EXPECT_EQ(FM::testing::ReadAll(UserFile()), before);
    EXPECT_EQ(UserNames(), (Lines{"Mine"}));
    ASSERT_EQ(manager->LoadUserMenuPresetToPluginByName(pub, "Mine", true), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), -6);
}

TEST_F(PresetMenus, AFullLengthNameGetsAUniqueNameThatFits) {
    const std::string longName(255, 'x');
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 1);
    ASSERT_EQ(manager->AddPresetToFile(pub, FM::KCStPath(UserFile().c_str()),
                                       KCFixedString<127>("short")),
              eNoErr);
    // A 255-character name, written straight into the file.
    sandbox.tmp.Write("shared/Korvane Audio/Plug-In Settings/Comp Settings.xps",
                      PresetFile(PresetXML(longName, 1, 0)));
    ASSERT_EQ(manager->LoadUserMenuPresetToPluginByName(pub, longName.c_str(), true), eNoErr);
    user.choices = {"Put Into Preset Menu As..."};
    user.names = {""};
    ASSERT_EQ(manager->SavePresetMenu(pub, where, false), eNoErr);
    const std::string expected = std::string(253, 'x') + " 1";
    EXPECT_EQ(user.proposedNames, (Lines{expected}));
    EXPECT_EQ(UserNames(), (Lines{longName, expected}));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
