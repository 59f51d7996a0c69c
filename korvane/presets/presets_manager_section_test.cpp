// The presets manager beyond its menus, on real settings folders: the current preset section
// (revert, setup copies, one setup updated or sent as a chunk), program numbers, cleaning a list,
// all presets as one file, and loading through the ids of the remote menu.
#include "korvane/algorithm/algorithm_broadcaster.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/presets/dynamic_factory_presets.h"
#include "korvane/presets/preset_alg.h"
#include "korvane/presets/preset_api.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/presets/presets_test_support.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>
#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {
namespace {

using test_support::TestAlgorithm;
using testing::ScriptedUser;
using testing::SettingsSandbox;

KorvaneComponentInfo CompInfo() {
    KorvaneComponentInfo info;
    info.componentType = KCFourCC("Comp");
    info.componentSubType = KCFourCC("ster");
    return info;
}

std::string PresetXML(const std::string& name, int gain, int mode) {
    return "<Preset Name='" + name +
           "' GenericType='Comp'><PresetData Setup='SETUP_A'><Parameters Type='RealWorld'>" +
           std::to_string(gain) + " " + std::to_string(mode) +
           " * * *</Parameters></PresetData></Preset>";
}

std::string PresetFile(const std::string& body) {
    return "<?xml version='1.0' encoding='UTF-8'?>\n<PresetXMLTree version='2'>" + body +
           "</PresetXMLTree>\n";
}

class ManagerSection : public ::testing::Test {
protected:
    void SetUp() override {
        alg.SetAlgName("Comp");
        ASSERT_EQ(alg.FinishCreate(), 0);
        manager = &testing::ManagerOf(alg);
        pub = CPublicAlg(alg);
    }

    void WriteFactory() {
        sandbox.tmp.Write(
            "shared/Korvane Audio/Plug-In Settings/Comp Factory Settings.xps",
            PresetFile(PresetXML("Soft", 3, 0) + "<Separator/><Title Name=\"Loud\"/>" +
                       PresetXML("Hard", 12, 2)));
    }
    void AddUserPreset(const char* name, double gain) {
        alg.UpdateParamRealWorld(TestAlgorithm::kGain, gain);
        ASSERT_EQ(manager->AddPresetToFile(
                      pub, FM::KCStPath(sandbox.SharedSettings("Comp Settings.xps").c_str()),
                      KCFixedString<127>(name)),
                  eNoErr);
    }
    static double GainOf(TestAlgorithm& plugin, EPluginSetup setup) {
        return plugin.GetParam(TestAlgorithm::kGain).GetRealWorld(setup);
    }
    double Gain(EPluginSetup setup = eSetupA) { return GainOf(alg, setup); }

    SettingsSandbox sandbox;
    ScriptedUser user;
    TestAlgorithm alg{CompInfo()};
    CPresetsManager* manager = nullptr;
    CPublicAlg pub;
    KCPoint2D<short> where{10, 20};
};

TEST_F(ManagerSection, TheCurrentPresetSectionRevertsEditsAndFollowsSetupCopies) {
    EXPECT_EQ(manager->LoadPresetFromCurrentPresetSection(pub, true), ePresetInfoNotFound)
        << "nothing loaded yet";
    WriteFactory();
    ASSERT_EQ(manager->LoadFactoryPresetToPluginByName(pub, "Hard", true), eNoErr);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 1);
    ASSERT_DOUBLE_EQ(Gain(), 1);
    ASSERT_EQ(manager->LoadPresetFromCurrentPresetSection(pub, true), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 12);

    // The plug-in copies A over B: the section's B is A's now, so a revert restores B too.
    alg.CopySetup();
    ASSERT_NE(manager->GetCurrentPresetSection().GetSetupPresetData(eSetupB), nullptr);
    alg.ChangeActiveSetup(eSetupB);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, -4);
    ASSERT_EQ(manager->LoadPresetFromCurrentPresetSection(pub, true), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(eSetupB), 12);

    // A state chunk applied is a load as well.
    alg.ChangeActiveSetup(eSetupA);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 6);
    Utils::KCStMemObj chunk;
    ASSERT_EQ(CPresetsManager::PreparePresetChunk(pub, chunk, false), eNoErr);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 2);
    ASSERT_EQ(CPresetsManager::SetPresetChunk(pub, Utils::KCStConstMemObj(chunk.ptr, chunk.size)),
              eNoErr);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, -1);
    ASSERT_EQ(manager->LoadPresetFromCurrentPresetSection(pub, true), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 6);
}

TEST_F(ManagerSection, UpdatePluginSetupReplacesOnlyTheActiveSetupsValues) {
    WriteFactory();
    ASSERT_EQ(manager->ReadFactoryPresets(pub), eNoErr);
    CPresetInfo* listed = nullptr;
    ASSERT_EQ(manager->GetFactoryPreset(pub, &listed, 0), eNoErr);
    CPresetInfo preset(*listed);
    ASSERT_EQ(CPresetAPI::ReadPresetInfo(pub, preset), eNoErr);
    const unsigned char bytes[] = {1, 2, 3};
    ASSERT_EQ(preset.AddPluginSpecifcData(eSetupA, bytes, sizeof bytes, KCFixedString<63>("curve"),
                                          1, ePluginSpecificBufferString),
              eNoErr);

    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 7);
    ASSERT_EQ(manager->UpdatePluginSetup(preset), eNoErr);
    EXPECT_EQ(preset.GetNumPluginSpecificData(eSetupA), 1U) << "the plug-in's records stay";
    EXPECT_EQ(preset.GetSetupPresetData(eSetupB), nullptr) << "the other setup is not added";

    TestAlgorithm second(CompInfo());
    second.SetAlgName("Comp");
    ASSERT_EQ(second.FinishCreate(), 0);
    ASSERT_EQ(LoadPresetToAlg(CPublicAlg(second), preset, true), eNoErr);
    EXPECT_DOUBLE_EQ(GainOf(second, eSetupA), 7);

    // Working on B updates B.
    alg.ChangeActiveSetup(eSetupB);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, -9);
    ASSERT_EQ(manager->UpdatePluginSetup(preset), eNoErr);
    ASSERT_NE(preset.GetSetupPresetData(eSetupB), nullptr);
    ASSERT_EQ(LoadPresetToAlg(CPublicAlg(second), preset, true), eNoErr);
    EXPECT_DOUBLE_EQ(GainOf(second, eSetupA), 7);
    EXPECT_DOUBLE_EQ(GainOf(second, eSetupB), -9);
}

TEST_F(ManagerSection, TheActiveSetupChunkSetsTheReceiversActiveSetupOnly) {
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, -3);
    alg.ChangeActiveSetup(eSetupB);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 5);
    Utils::KCStMemObj chunk;
    ASSERT_EQ(manager->GetCurrentSetupPresetChunk(pub, chunk, false), eNoErr);

    TestAlgorithm second(CompInfo());
    second.SetAlgName("Comp");
    ASSERT_EQ(second.FinishCreate(), 0);
    second.ChangeActiveSetup(eSetupB);
    second.UpdateParamRealWorld(TestAlgorithm::kGain, 11);
    second.ChangeActiveSetup(eSetupA);
    ASSERT_EQ(CPresetsManager::SetPresetChunk(CPublicAlg(second),
                                              Utils::KCStConstMemObj(chunk.ptr, chunk.size)),
              eNoErr);
    EXPECT_EQ(second.GetActiveSetup(), eSetupA);
    EXPECT_DOUBLE_EQ(GainOf(second, eSetupA), 5);
    EXPECT_DOUBLE_EQ(GainOf(second, eSetupB), 11);
}

TEST_F(ManagerSection, ProgramNumbersCountFactoryPresetsOnly) {
    WriteFactory();
    AddUserPreset("Mine", 1);
    ASSERT_EQ(manager->LoadFactoryPresetToPluginByName(pub, "Hard", true), eNoErr);
    const int index = manager->ComputePresetIndex(pub, manager->GetCurrentPreset());
    EXPECT_EQ(index, 1) << "the separator and the title are no programs";
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 0);
    ASSERT_EQ(manager->LoadFactoryPresetToPluginByIndex(pub, static_cast<unsigned int>(index)),
              eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 12);

    ASSERT_EQ(manager->LoadUserMenuPresetToPluginByName(pub, "Mine", true), eNoErr);
    EXPECT_EQ(manager->ComputePresetIndex(pub, manager->GetCurrentPreset()),
              eFactoryPresetNotFound);
}

TEST(PresetsSanityCheck, DropsWhatAMenuCannotShow) {
    auto make = [](const char* name, EPresetInfoFlags flag = ePresetFlagNone) {
        auto* preset = new CPresetInfo();
        preset->SetPresetName(name);
        if (flag != ePresetFlagNone) {
            preset->SetFlag(flag, true);
        }
        return preset;
    };
    std::vector<CPresetInfo*> presets{make("Separator", ePresetSeparator),
                                      make("Lead"),
                                      nullptr,
                                      make(""),
                                      make("Lead"),
                                      make("Separator", ePresetSeparator),
                                      make("Separator", ePresetSeparator),
                                      make("Pads", ePresetDummyTitle),
                                      make("Warm"),
                                      make("Separator", ePresetSeparator)};
    EXPECT_EQ(CPresetsManager::PresetsSanityCheck(presets), 6);
    std::vector<std::string> kept;
    kept.reserve(presets.size());
    for (const CPresetInfo* preset : presets) {
        kept.emplace_back(std::string(preset->IsSeperator() ? "-" : "") +
                          preset->GetPresetName().c_str());
    }
    EXPECT_EQ(kept, (std::vector<std::string>{"Lead", "-Separator", "Pads", "Warm"}));
    EXPECT_EQ(CPresetsManager::PresetsSanityCheck(presets), 0) << "a clean list stays";
    ClearPresetInfoPtrVec(presets);
}

TEST_F(ManagerSection, AllPresetsBecomeOneFileFactoryFirst) {
    WriteFactory();
    sandbox.tmp.Write("dyn/Drums/kick.xps", PresetFile(PresetXML("Kick", 9, 1)));
    manager->SetDynamicFactoryPresetsDirectories({FM::KCStPath(sandbox.tmp.Path("dyn").c_str())});
    AddUserPreset("Mine", -6);
    AddUserPreset("Soft", 4);  // the factory preset of that name wins

    XML::CXMLElement root("Anything", "text");
    ASSERT_EQ(manager->WriteAllPresetsToXML(&root), eNoErr);
    EXPECT_EQ(root.GetName(), "PresetXMLTree");
    std::vector<std::string> names;
    for (const XML::CXMLElement* child : root.GetSubElements()) {
        std::string name;
        child->GetAttrib("Name", name);
        names.push_back(name);
        EXPECT_NE(child->SubElement("PresetData"), nullptr) << name << " is read fully";
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Soft", "Hard", "Kick", "Mine"}));

    // The tree is a preset file another plug-in instance lists and loads.
    std::string text = "<?xml version='1.0' encoding='UTF-8'?>\n";
    XML::AppendXML(text, root, false, true, 0);
    const std::string path = sandbox.tmp.Write("all.xps", text);
    ASSERT_EQ(manager->UserExternalPresetFile_Open(pub, FM::KCStPath(path.c_str())), eNoErr);
    ASSERT_EQ(manager->LoadUserExternalPresetToPluginByName(pub, "Kick", true), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 9);
    ASSERT_EQ(manager->LoadUserExternalPresetToPluginByName(pub, "Soft", true), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 3);
}

TEST_F(ManagerSection, TheRemoteMenuIdsLoadTheirPresets) {
    WriteFactory();
    sandbox.tmp.Write("dyn/Drums/kick.xps", PresetFile(PresetXML("Kick", 9, 1)));
    sandbox.tmp.Write("dyn/Drums/Toms/floor.xps", PresetFile(PresetXML("Toms/Floor", 8, 0)));
    manager->SetDynamicFactoryPresetsDirectories({FM::KCStPath(sandbox.tmp.Path("dyn").c_str())});
    AddUserPreset("Mine", -6);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 2);
    ASSERT_EQ(manager->SaveAsDefaultPreset(pub), eNoErr);
    const std::string external =
        sandbox.tmp.Write("ext.xps", PresetFile(PresetXML("Outside", -2, 1)));
    ASSERT_EQ(manager->UserExternalPresetFile_Open(pub, FM::KCStPath(external.c_str())), eNoErr);

    std::string json;
    ASSERT_EQ(manager->PrepareJsonLoadMenu(pub, json), eNoErr);
    const auto results = nlohmann::json::parse(json).at("results");
    const auto drums = results.at("Dynamic")[0].at("groups")[0];
    const std::vector<std::pair<std::string, double>> cases{
        {results.at("Factory").at("Presets")[3].at("id"), 12},
        {results.at("User").at("Presets")[0].at("id"), -6},
        {results.at("External").at("Presets")[0].at("id"), -2},
        {drums.at("Presets")[0].at("id"), 9},
        {drums.at("groups")[0].at("Presets")[0].at("id"), 8},
        {results.at("Default").at("Presets")[0].at("id"), 2},
    };
    EXPECT_EQ(cases[3].first, "Dynamic/dyn/Drums/Kick");
    EXPECT_EQ(cases[4].first, "Dynamic/dyn/Drums/Toms/Toms/Floor")
        << "a preset name may hold the separator";
    for (const auto& [id, gain] : cases) {
        alg.UpdateParamRealWorld(TestAlgorithm::kGain, 0);
        ASSERT_EQ(manager->LoadPresetFromRemoteId(pub, id.c_str()), eNoErr) << id;
        EXPECT_DOUBLE_EQ(Gain(), gain) << id;
    }
    EXPECT_EQ(manager->GetCurrentPreset().GetMenuItemType(), eMenuItemDefault);

    // The YAML form carries the same ids.
    std::string yaml;
    ASSERT_EQ(manager->MakeYaml_FromPresetsTree(pub, yaml), eNoErr);
    EXPECT_EQ(YAML::Load(yaml)["results"]["Factory"]["Presets"][0]["id"].as<std::string>(),
              "Factory/Soft");
    // Each section alone carries the same entries as in the whole tree.
    std::string section;
    ASSERT_EQ(manager->MakeYaml_FactoryPresets(pub, section), eNoErr);
    EXPECT_EQ(YAML::Load(section)["Presets"][3]["id"].as<std::string>(), "Factory/Hard");
    ASSERT_EQ(manager->MakeYaml_UserMenuPresetFile(pub, section), eNoErr);
    EXPECT_EQ(YAML::Load(section)["Presets"][0]["id"].as<std::string>(), "User/Mine");
    ASSERT_EQ(manager->MakeYaml_UserExternalPresetFile(pub, section), eNoErr);
    EXPECT_EQ(YAML::Load(section)["title"].as<std::string>(), "ext.xps");
    ASSERT_EQ(manager->MakeYaml_DynamicPresets(pub, section), eNoErr);
    EXPECT_EQ(
        YAML::Load(section)[0]["groups"][0]["groups"][0]["Presets"][0]["id"].as<std::string>(),
        "Dynamic/dyn/Drums/Toms/Toms/Floor");

    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 1);
    for (const char* id : {"Factory/Nope", "Factory/Loud", "Factory/Separator", "Nope/Hard", "Hard",
                           "Dynamic/dyn/Kick", "Default/Mine", ""}) {
        EXPECT_EQ(manager->LoadPresetFromRemoteId(pub, id), ePresetInfoNotFound) << id;
    }
    EXPECT_EQ(manager->LoadPresetFromRemoteId(pub, nullptr), eFMWrongParameters);
    EXPECT_DOUBLE_EQ(Gain(), 1) << "a refused id loads nothing";
}

TEST_F(ManagerSection, AFolderIsWalkedAloneAndItsGroupPathsRebuilt) {
    sandbox.tmp.Write("dyn/a.xps", PresetFile(PresetXML("Top", 1, 0)));
    sandbox.tmp.Write("dyn/Drums/Toms/floor.xps", PresetFile(PresetXML("Floor", 8, 0)));
    sandbox.tmp.Write("dyn/Drums/Empty/notes.txt", "none");
    sandbox.tmp.Write("dyn/bad.xps", "<PresetXMLTree");

    SPresetGroupDesc group;
    ASSERT_EQ(CPresetsManager::IterateFolderForXPSFiles(
                  pub, eFolderParseHeaders, FM::KCStPath(sandbox.tmp.Path("dyn").c_str()), group),
              eNoErr);
    EXPECT_EQ(group.name, "dyn");
    ASSERT_EQ(group.presets.size(), 1U) << "a file that does not parse adds nothing";
    ASSERT_EQ(group.subGroups.size(), 1U) << "an empty folder is no group";
    ASSERT_EQ(group.subGroups[0].subGroups.size(), 1U);
    const CPresetInfo* floor = group.subGroups[0].subGroups[0].presets.at(0);
    EXPECT_TRUE(floor->GetPresetData().empty()) << "headers only";

    std::string path;
    ASSERT_TRUE(CPresetsManager::GetGroupPathRecursively(group, floor, path));
    EXPECT_EQ(path, "Drums/Toms");
    ASSERT_TRUE(CPresetsManager::GetGroupPathRecursively(group, group.presets[0], path));
    EXPECT_EQ(path, "");
    const CPresetInfo copy(*floor);
    EXPECT_FALSE(CPresetsManager::GetGroupPathRecursively(group, &copy, path));

    // One more file, read fully this time; a missing one leaves the group as it was.
    const std::string extra = sandbox.tmp.Write("extra.xps", PresetFile(PresetXML("Extra", 2, 1)));
    ASSERT_EQ(
        CPresetsManager::AddPresetFile(pub, eFolderParseFull, FM::KCStPath(extra.c_str()), group),
        eNoErr);
    ASSERT_EQ(group.presets.size(), 2U);
    EXPECT_EQ(group.presets[1]->GetMenuItemType(), eMenuItemDynamic);
    EXPECT_FALSE(group.presets[1]->GetPresetData().empty()) << "read fully";
    EXPECT_NE(
        CPresetsManager::AddPresetFile(
            pub, eFolderParseHeaders, FM::KCStPath(sandbox.tmp.Path("missing.xps").c_str()), group),
        eNoErr);
    EXPECT_EQ(group.presets.size(), 2U);
    EXPECT_EQ(
        CPresetsManager::IterateFolderForXPSFiles(
            pub, eFolderParseHeaders, FM::KCStPath(sandbox.tmp.Path("nowhere").c_str()), group),
        eFMFileNotFound);
}

TEST_F(ManagerSection, FoldersAreAddedAsGroupsAndListedFileByFile) {
    sandbox.tmp.Write("one/a.xps",
                      PresetFile(PresetXML("A1", 1, 0) + "<Separator/>" + PresetXML("A2", 2, 0)));
    sandbox.tmp.Write("one/b.xps", PresetFile(PresetXML("B1", 3, 0)));
    sandbox.tmp.Write("empty/notes.txt", "none");

    SPresetGroupDesc root;
    const auto at = [&](const char* name) { return FM::KCStPath(sandbox.tmp.Path(name).c_str()); };
    ASSERT_EQ(CPresetsManager::ParseFolderContents(pub, eFolderParseHeaders, at("one"), root),
              eNoErr);
    EXPECT_EQ(CPresetsManager::ParseFolderContents(pub, eFolderParseHeaders, at("empty"), root),
              eNoErr);
    EXPECT_EQ(CPresetsManager::ParseFolderContents(pub, eFolderParseHeaders, at("none"), root),
              eFMFileNotFound);
    ASSERT_EQ(root.subGroups.size(), 1U) << "an empty or missing folder adds no group";
    const SPresetGroupDesc& one = root.subGroups[0];
    EXPECT_EQ(one.name, "one");
    ASSERT_EQ(one.presets.size(), 4U);

    const CPresetMenu items(pub, nullptr, false);
    KCPresetMenuModel menu;
    EXPECT_EQ(items.LoadMenu_IterateOneDynamicFactoryPresetsFile(
                  menu, one, one.presets[3]->GetPresetsFileInfo()),
              1U);
    EXPECT_EQ(testing::Lines(menu), (std::vector<std::string>{"B1"}));
    menu.Clear();
    EXPECT_EQ(items.LoadMenu_IterateOneDynamicFactoryPresetsFile(
                  menu, one, one.presets[0]->GetPresetsFileInfo()),
              3U);
    EXPECT_EQ(testing::Lines(menu), (std::vector<std::string>{"A1", "-", "A2"}));
    menu.Clear();
    items.CreateGroupPopupMenu(menu, one);
    EXPECT_EQ(testing::Lines(menu),
              (std::vector<std::string>{">one", "  A1", "  -", "  A2", "  B1"}));
}

struct PartListener : KCAlgorithmListener {
    void PresetLoaded(const CPresetInfo& preset) override {
        std::string tags;
        for (const sPresetData* data : preset.GetPresetData()) {
            for (const sPluginSpecific* record : data->pluginSpecific) {
                tags += std::string(record->tagName.c_str()) + ";";
            }
        }
        loaded.push_back(tags);
    }
    std::vector<std::string> loaded;
};

TEST_F(ManagerSection, TheLoadedPresetsPartsAreOfferedAndLoadAlone) {
    // A user preset carrying two parts with menu texts and one private record.
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 10);
    CPresetInfo verb;
    verb.SetPresetName("Verb");
    ASSERT_EQ(SavePresetFromAlg(pub, verb), eNoErr);
    const unsigned char hall[] = {'h', 'a', 'l', 'l'};
    const unsigned char plate[] = {'p', 'l'};
    ASSERT_EQ(verb.AddPluginSpecifcData(eSetupA, hall, sizeof hall, KCFixedString<63>("Hall"), 1,
                                        ePluginSpecificBufferString, "Hall IR"),
              eNoErr);
    ASSERT_EQ(verb.AddPluginSpecifcData(eSetupA, hall, 1, KCFixedString<63>("private"), 2,
                                        ePluginSpecificBufferString),
              eNoErr);
    ASSERT_EQ(verb.AddPluginSpecifcData(eSetupA, plate, sizeof plate, KCFixedString<63>("Plate"), 3,
                                        ePluginSpecificBufferString, "Plate IR",
                                        ePluginSpecificLoadWithParams),
              eNoErr);
    const std::string file = sandbox.SharedSettings("Comp Settings.xps");
    ASSERT_EQ(manager->OpenOrCreateUserMenuSettingsFile(FM::KCStPath(file.c_str())), eNoErr);
    verb.SetPresetsFileInfo(CPresetsFileInfo(FM::KCStPath(file.c_str()), ePresetsFormatXPS, true));
    ASSERT_EQ(CPresetAPI::WritePresetInfo(pub, verb), eNoErr);

    // Nothing loaded: no parts.
    EXPECT_EQ(manager->LoadPresetMenu(pub, where, false), eUserCanceled);
    ASSERT_EQ(user.shown.size(), 1U);
    EXPECT_EQ(user.shown[0].back(), "Verb");

    ASSERT_EQ(manager->LoadUserMenuPresetToPluginByName(pub, "Verb", true), eNoErr);
    PartListener listener;
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        alg.Broadcaster()->AddListener(&listener);
    }
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 1);
    user.choices = {"Hall IR", "Plate IR"};
    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);
    EXPECT_EQ(
        std::vector<std::string>(user.shown[1].end() - 5, user.shown[1].end()),
        (std::vector<std::string>{"*Verb", "-", "[Parts of \"Verb\":]", "Hall IR", "Plate IR"}));
    EXPECT_DOUBLE_EQ(Gain(), 1) << "a part alone leaves the parameters";
    EXPECT_EQ(manager->GetCurrentPreset().GetPresetName(), "Verb");

    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 10) << "this part comes with the parameters";
    EXPECT_EQ(listener.loaded, (std::vector<std::string>{"Hall;", "Plate;"}));
    EXPECT_TRUE(user.missing.empty());

    EXPECT_EQ(manager->LoadMenu_LoadPluginSpecificPreset(pub, manager->GetCurrentPresetSection(),
                                                         eSetupA, 7),
              ePluginSpecifcNotExisting);
    const kvThread::ThreadMutexLock lock(alg.AlgLock());
    alg.Broadcaster()->RemoveListener(&listener);
}

TEST_F(ManagerSection, DynamicPresetsAreListedByHeaderAndReadWhenLoaded) {
    sandbox.tmp.Write("dyn/Drums/kick.xps", PresetFile(PresetXML("Kick", 9, 1)));
    manager->SetDynamicFactoryPresetsDirectories({FM::KCStPath(sandbox.tmp.Path("dyn").c_str())});
    ASSERT_EQ(manager->ScanForDynamicFactoryPresets(pub), eNoErr);
    std::vector<CPresetInfo*> listed;
    manager->GetDynamicPresetsLoader().Tree().FillAllDynamicPresetsVectorRecursive(listed);
    ASSERT_EQ(listed.size(), 1U);
    EXPECT_TRUE(listed[0]->GetPresetData().empty()) << "the scan reads headers only";

    // The file changes after the scan: the load reads it as it is now.
    sandbox.tmp.Write("dyn/Drums/kick.xps", PresetFile(PresetXML("Kick", -7, 0)));
    CPresetInfo read;
    ASSERT_EQ(KCDynamicFactoryPresetsJustInTime::ReadPreset(pub, *listed[0], read), eNoErr);
    EXPECT_FALSE(read.GetPresetData().empty());
    EXPECT_EQ(read.GetMenuItemType(), eMenuItemDynamic);
    ASSERT_EQ(manager->LoadMenu_LoadPreset(pub, *listed[0]), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), -7);

    sandbox.tmp.Write("dyn/Drums/kick.xps", PresetFile(PresetXML("Snare", 1, 0)));
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 3);
    EXPECT_EQ(manager->LoadMenu_LoadPreset(pub, *listed[0]), ePresetInfoNotFound);
    EXPECT_DOUBLE_EQ(Gain(), 3);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
