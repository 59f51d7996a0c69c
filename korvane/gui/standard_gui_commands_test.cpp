// The system commands through a real algorithm: undo and redo, reset, the A/B setups with the
// switch button's title, presets stepped and loaded through the menus, help and about.
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/knob_control.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/presets/presets_test_support.h"
#include "korvane/xml/tree_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::TestAlgorithm;

XML::CXMLElement Parse(const std::string& text) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    static_cast<void>(
        builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())));
    return root;
}

KorvaneComponentInfo CompInfo() {
    KorvaneComponentInfo info;
    info.componentType = KCFourCC("Comp");
    info.componentSubType = KCFourCC("ster");
    return info;
}

// Keeps what it would have told the user.
struct TellingGUI : CStandardGUI_X {
    using CStandardGUI_X::CStandardGUI_X;
    std::vector<std::string> messages;
    std::vector<std::string> abouts;

protected:
    void ShowMessage(const char* text) override { messages.emplace_back(text); }
    void ShowAbout(const std::string& text) override { abouts.push_back(text); }
};

class SystemCommands : public ::testing::Test {
protected:
    void SetUp() override {
        alg.SetAlgName("Comp");
        ASSERT_EQ(alg.FinishCreate(), 0);
        gui.AttachAlgorithm(&alg);
        ASSERT_EQ(gui.ReadFromXML(Parse(R"(<GUIXML version="4"><ToolBarControl_List>
          <ToolButton Name="AB" type="Switch"><TextWin><TextString>?</TextString></TextWin></ToolButton>
          <ToolButton Name="Preset" type="PresetLoader"/>
          <ToolButton Name="Side" type="SideChain">
            <TextWin><TextString>SC off</TextString><TextString>SC on</TextString></TextWin>
            <ImageList><Image Type="Idle" ResID="400"/><Image Type="Disabled" ResID="402"/></ImageList>
            <Flags><Sticky/></Flags><ControlRect Top="1" Left="2" Bottom="3" Right="4"/>
          </ToolButton>
          <ToolButton Name="Nothing" type="Teleport"/>
          <ToolButton Name="Back" type="Undo"/><ToolButton Name="Again" type="Redo"/>
          <ToolButton Name="Zero" type="Reset"/><ToolButton Name="Next" type="NextPreset"/>
        </ToolBarControl_List></GUIXML>)")),
                  eNoErr);
    }
    double State(unsigned int param) { return alg.GetParamState(param); }
    X_CToolbarButton& Button(const char* name) { return *gui.GetToolbarButtonByName(name); }

    TestAlgorithm alg{CompInfo()};
    KTResContainerType* none = nullptr;
    TellingGUI gui{none};
};

TEST_F(SystemCommands, ToolbarButtonsAreReadByKind) {
    EXPECT_EQ(gui.GetNumToolbarButtons(), 7U) << "an unknown kind makes no button";
    EXPECT_EQ(gui.GetToolbarButtonByName("Nothing"), nullptr);
    X_CToolbarButton& side = Button("Side");
    EXPECT_NE(dynamic_cast<X_CSideChainButton*>(&side), nullptr);
    EXPECT_EQ(side.GetShownText(), "SC off");
    EXPECT_EQ(side.GetText(1), "SC on");
    EXPECT_EQ(side.GetText(2), "");
    EXPECT_EQ(side.GetImageResID(eToolImageIdle), 400);
    EXPECT_EQ(side.GetImageResID(eToolImageSelected), 0);
    EXPECT_EQ(side.GetImageResID(eToolImageDisabled), 402);
    EXPECT_TRUE(side.HasFlag("Sticky"));
    EXPECT_EQ(side.GetRect(), (KURect<short>(1, 2, 3, 4)));
    EXPECT_TRUE(gui.NotifyToolbar_updateIndex("Side", 1));
    EXPECT_EQ(side.GetShownText(), "SC on");
    EXPECT_FALSE(gui.NotifyToolbar_updateIndex("Side", 2));
    EXPECT_TRUE(gui.NotifyToolbar_update("Side", "custom"));
    EXPECT_EQ(side.GetShownText(), "custom");
    EXPECT_FALSE(gui.NotifyToolbar_update("Nobody", "x"));

    // The side-chain button follows the algorithm.
    EXPECT_EQ(side.Execute(gui, {}), eNoErr);
    EXPECT_EQ(alg.GetSideChainActive(), 1);
    EXPECT_EQ(side.GetShownText(), "SC on");
    EXPECT_EQ(side.Execute(gui, {}), eNoErr);
    EXPECT_EQ(alg.GetSideChainActive(), 0);
    EXPECT_EQ(side.GetShownText(), "SC off");
}

TEST_F(SystemCommands, SwitchShowsTheActiveSetupsTitle) {
    EXPECT_EQ(Button("AB").GetShownText(), "Setup A") << "the algorithm's setup, not the text";
    alg.UpdateParamState(TestAlgorithm::kGain, 800);
    ASSERT_EQ(Button("AB").Execute(gui, {}), eNoErr);
    EXPECT_EQ(alg.GetActiveSetup(), eSetupB);
    EXPECT_EQ(Button("AB").GetShownText(), "Setup B");
    EXPECT_NE(State(TestAlgorithm::kGain), 800) << "setup B has its own values";
    // A setup switched elsewhere shows too.
    alg.ToggleActiveSetup(eActiveSetup);
    EXPECT_EQ(Button("AB").GetShownText(), "Setup A");
    EXPECT_EQ(gui.System_ExecuteCopy(), eNoErr);
    ASSERT_EQ(gui.System_ExecuteSwitch(), eNoErr);
    EXPECT_EQ(State(TestAlgorithm::kGain), 800) << "copied over B";

    gui.SetupTitleChangedWithString(eActiveSetup, "Bright");
    EXPECT_EQ(Button("AB").GetShownText(), "Bright");
    gui.SetupTitleChangedWithString(eSetupA, "Dark");
    EXPECT_EQ(Button("AB").GetShownText(), "Bright") << "setup A is not shown";
    gui.SetupTitleChangedWithString(eSetupB, "");
    EXPECT_EQ(Button("AB").GetShownText(), "Setup B");
}

TEST_F(SystemCommands, UndoAndRedoWalkTheRecordedStates) {
    gui.GetUndoManager()->setUndoLevel(10);
    const double start = State(TestAlgorithm::kGain);
    alg.UpdateParamState(TestAlgorithm::kGain, 800);
    gui.RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypeParameters);
    alg.UpdateParamState(TestAlgorithm::kGain, 900);
    gui.RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypeParameters);

    EXPECT_EQ(Button("Back").Execute(gui, {}), 1);
    EXPECT_EQ(State(TestAlgorithm::kGain), 800);
    EXPECT_EQ(gui.System_ExecuteUndo(5), 1) << "only the state before the first change is left";
    EXPECT_EQ(State(TestAlgorithm::kGain), start);
    EXPECT_EQ(gui.System_ExecuteUndo(1), 0);
    EXPECT_EQ(gui.System_ExecuteRedo(2), 2);
    EXPECT_EQ(State(TestAlgorithm::kGain), 900);
    EXPECT_EQ(Button("Again").Execute(gui, {}), 0);
}

TEST_F(SystemCommands, ResetSetsEveryParameterButDisplaysAndCanBeUndone) {
    gui.GetUndoManager()->setUndoLevel(10);
    alg.UpdateParamState(TestAlgorithm::kGain, 800);
    alg.UpdateParamState(TestAlgorithm::kMode, 1);
    alg.UpdateParamState(TestAlgorithm::kMeter, 300);
    gui.RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypeParameters);
    ASSERT_EQ(Button("Zero").Execute(gui, {}), eNoErr);
    EXPECT_EQ(State(TestAlgorithm::kGain), alg.GetParamResetState(TestAlgorithm::kGain));
    EXPECT_EQ(State(TestAlgorithm::kMode), alg.GetParamResetState(TestAlgorithm::kMode));
    EXPECT_NE(State(TestAlgorithm::kMode), 1);
    EXPECT_EQ(State(TestAlgorithm::kMeter), 300) << "a display is not a setting";
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_EQ(State(TestAlgorithm::kGain), 800);
    EXPECT_EQ(State(TestAlgorithm::kMode), 1);
}

TEST_F(SystemCommands, AboutNamesThePluginItsVersionAndItsCode) {
    ASSERT_EQ(gui.System_ExecuteAbout(), eNoErr);
    ASSERT_EQ(gui.abouts.size(), 1U);
    EXPECT_EQ(gui.abouts[0], std::string("About Comp\nVersion: ") + alg.GetVersNumString().c_str() +
                                 "\nProcess Type: [" + std::to_string(sizeof(void*) * 8) + "bit]");
}

TEST_F(SystemCommands, HelpTellsWhenTheDocumentationIsMissing) {
    alg.SetUserManualName("No Such Manual 8d1f");
    EXPECT_EQ(gui.System_ExecuteHelp(), eFMFileNotFound);
    EXPECT_EQ(gui.messages,
              std::vector<std::string>{
                  "The plug-in documentation file 'No Such Manual 8d1f.pdf' is missing."});
}

class PresetCommands : public SystemCommands {
protected:
    void SetUp() override {
        sandbox.tmp.Write("shared/Korvane Audio/Plug-In Settings/Comp Factory Settings.xps",
                          "<?xml version='1.0' encoding='UTF-8'?>\n<PresetXMLTree version='2'>" +
                              Preset("Soft", 3) + "<Separator/><Title Name='Loud'/>" +
                              Preset("Hard", 12) + Preset("Harder", 18) + "</PresetXMLTree>\n");
        SystemCommands::SetUp();
    }
    static std::string Preset(const std::string& name, int gain) {
        return "<Preset Name='" + name +
               "' GenericType='Comp'><PresetData Setup='SETUP_A'><Parameters "
               "Type='RealWorld'>" +
               std::to_string(gain) + " 0 * * *</Parameters></PresetData></Preset>";
    }
    double Gain() { return alg.GetParamRealWorld(TestAlgorithm::kGain); }

    Preset::testing::SettingsSandbox sandbox;
};

TEST_F(PresetCommands, NextAndPreviousStepThroughTheFactoryPresets) {
    gui.GetUndoManager()->setUndoLevel(10);
    ASSERT_EQ(Button("Next").Execute(gui, {}), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 3) << "from no preset, the first";
    EXPECT_EQ(Button("Preset").GetShownText(), "Soft");
    ASSERT_EQ(gui.System_ExecuteNextPrevPreset(true), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 12) << "the separator and title are passed over";
    ASSERT_EQ(gui.System_ExecuteNextPrevPreset(true), eNoErr);
    ASSERT_EQ(gui.System_ExecuteNextPrevPreset(true), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 3) << "wraps around";
    ASSERT_EQ(gui.System_ExecuteNextPrevPreset(false), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 18);
    EXPECT_EQ(Button("Preset").GetShownText(), "Harder");
    // Each load is an undo step.
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_DOUBLE_EQ(Gain(), 3);
}

TEST_F(PresetCommands, TheLoadMenuLoadsWhatTheUserPicks) {
    Preset::testing::ScriptedUser user;
    user.choices = {"Hard"};
    ASSERT_EQ(gui.System_ExecuteLoadPreset({10, 20}), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 12);
    ASSERT_FALSE(user.shown.empty());
    EXPECT_EQ(gui.System_ExecuteLoadPreset({10, 20}), eUserCanceled) << "dismissed";
    EXPECT_DOUBLE_EQ(Gain(), 12);
}

TEST_F(PresetCommands, TheOldLoadMenuListsOnlyTheFactoryPresetsFlat) {
    gui.GetUndoManager()->setUndoLevel(10);
    Preset::testing::ScriptedUser user;
    user.choices = {"Hard", "Harder"};
    const double before = Gain();
    ASSERT_EQ(gui.System_ExecuteOldLoadPresetMenu({10, 20}), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 12);
    ASSERT_EQ(user.shown.size(), 1U);
    EXPECT_EQ(user.shown[0], (std::vector<std::string>{"Soft", "Hard", "Harder"}))
        << "no separators, titles, files or commands";
    ASSERT_EQ(gui.System_ExecuteOldLoadPresetMenu({10, 20}), eNoErr);
    EXPECT_DOUBLE_EQ(Gain(), 18);
    EXPECT_EQ(user.shown[1], (std::vector<std::string>{"Soft", "*Hard", "Harder"}))
        << "the current preset is checked";
    EXPECT_EQ(gui.System_ExecuteOldLoadPresetMenu({10, 20}), eUserCanceled);
    EXPECT_DOUBLE_EQ(Gain(), 18) << "dismissed: nothing loaded";
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_DOUBLE_EQ(Gain(), 12) << "each load is one undo step";
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_DOUBLE_EQ(Gain(), before);
}

TEST(SystemCommandsWithoutPresets, NextPresetNeedsFactoryPresets) {
    Preset::testing::SettingsSandbox sandbox;
    TestAlgorithm alg;
    alg.SetAlgName("Empty");
    ASSERT_EQ(alg.FinishCreate(), 0);
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    gui.AttachAlgorithm(&alg);
    EXPECT_EQ(gui.System_ExecuteNextPrevPreset(true), eNoFactoryPresets);
    EXPECT_EQ(gui.System_ExecuteOldLoadPresetMenu({}), eNoFactoryPresets);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
