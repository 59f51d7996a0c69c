// The standard GUI read from its description: version, control types and arrays, the lists
// around the controls, lookups, skins and their generations.
#include "korvane/gui/standard_gui.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/gui_description.h"
#include "korvane/gui/testing/knob_control.h"
#include "korvane/rm/rm_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::ParseXML;
using test_support::TestAlgorithm;
using testing::Knob;
using testing::KnobTypes;

class StandardGUI : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(alg.FinishCreate(), 0);
        gui.AttachAlgorithm(&alg);
    }
    KTErr Read(const std::string& body, const char* version = "4") {
        return gui.ReadFromXML(
            ParseXML(std::string("<GUIXML version='") + version + "'>" + body + "</GUIXML>"));
    }

    KnobTypes types;
    TestAlgorithm alg;
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui{none};
};

TEST_F(StandardGUI, ControlsAreMadeByTypeInDescriptionOrder) {
    ASSERT_EQ(Read(R"(<Control_List>
      <cCONTROLLER Name="Gain"><Class Type="Knob"/>
        <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
      <cCONTROLLER Name="Mystery"><Class Type="NoSuchWidget"/></cCONTROLLER>
      <cCONTROLLER Name="Classless"/>
      <NotAController Name="Noise"/>
      <cCONTROLLER Name="Mode"><Class Type="Knob"/><Flags><Hidden/></Flags>
        <ParameterList><Param Name="Mode"/></ParameterList></cCONTROLLER>
    </Control_List>
    <Control_Template_List>
      <cCONTROLLER Name="Band"><Class Type="Knob"/></cCONTROLLER>
    </Control_Template_List>)"),
              eNoErr);
    ASSERT_EQ(gui.GetNumGUIControllers(), 2U) << "unknown and missing types are skipped";
    EXPECT_EQ(gui.GetControlIndexByName("Gain"), 0);
    EXPECT_EQ(gui.GetControlIndexByName("Mode"), 1);
    EXPECT_EQ(gui.GetControlIndexByName("Mystery"), -1);
    EXPECT_EQ(gui.GetControlPtrByName("Mystery"), nullptr);
    EXPECT_EQ(gui.GetControlPtrByIndex(2), nullptr);
    Knob* mode = dynamic_cast<Knob*>(gui.GetControlPtrByName("Mode"));
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->owner, &gui);
    EXPECT_EQ(mode->GetLeadParamID(), TestAlgorithm::kMode);
    EXPECT_TRUE(mode->GetControlFlag(eCtrlHidden));
    EXPECT_EQ(mode->updates, std::vector<bool>{false}) << "read once, as a new control";
    EXPECT_EQ(gui.GetNumTemplateControls(), 1U);
    EXPECT_NE(gui.GetTemplateControlPtrByName("Band"), nullptr);
    EXPECT_EQ(gui.GetControlPtrByName("Band"), nullptr) << "templates are not controls";

    char name[3] = {};
    EXPECT_EQ(gui.GetControlNameOfLength(0, 2, name), 0);
    EXPECT_STREQ(name, "Ga");
    EXPECT_EQ(gui.GetControlNameOfLength(5, 2, name), eControlOutOfRange);

    std::vector<std::string> byLead;
    gui.DoOnSomeControlsByLeadParam(
        TestAlgorithm::kGain, [&](KCGUIControl& c) { byLead.emplace_back(c.GetName().c_str()); });
    EXPECT_EQ(byLead, std::vector<std::string>{"Gain"});
    int visits = 0;
    gui.DoOnAllControls([&](KCGUIControl&) { ++visits; });
    EXPECT_EQ(visits, 2);
    gui.DoOnControlRegistrationsByControlName(
        "Gain", [](KCParamRegistrationData& reg) { reg.value = 321; });
    EXPECT_EQ(gui.GetControlPtrByName("Gain")->GetRegistrations()[0].value, 321);

    // The GUI owns its controls: deleting one is all it takes.
    EXPECT_TRUE(gui.DeleteControl(gui.GetControlPtrByName("Gain")));
    EXPECT_FALSE(gui.DeleteControl(mode, true)) << "not a template";
    EXPECT_EQ(gui.GetControlIndexByName("Mode"), 0);
}

TEST_F(StandardGUI, OnlyVersionFourIsRead) {
    const char* body =
        R"(<Control_List><cCONTROLLER Name="Gain"><Class Type="Knob"/></cCONTROLLER></Control_List>
           <Flag_List><NoImages/></Flag_List>)";
    EXPECT_EQ(Read(body, "3"), eNoErr);
    EXPECT_EQ(gui.GetNumGUIControllers(), 0U);
    EXPECT_FALSE(gui.GetGUIFlag(eGUIFlagNoImages));
    EXPECT_EQ(gui.ReadFromXML(ParseXML(std::string("<GUIXML>") + body + "</GUIXML>")), eNoErr);
    EXPECT_EQ(gui.GetNumGUIControllers(), 0U) << "no version at all";
    EXPECT_EQ(Read(body), eNoErr);
    EXPECT_EQ(gui.GetNumGUIControllers(), 1U);
}

TEST_F(StandardGUI, APluginsOwnTypesComeFirst) {
    struct OwnGUI : CStandardGUI_X {
        using CStandardGUI_X::CStandardGUI_X;
        std::vector<std::string> asked;
        std::unique_ptr<KCGUIControl> CreateSpecificControls(const char* type) override {
            asked.emplace_back(type);
            if (std::string(type) == "Dial") {
                auto knob = std::make_unique<Knob>(this);
                knob->special = true;
                return knob;
            }
            return nullptr;
        }
    } own(none);
    own.AttachAlgorithm(&alg);
    ASSERT_EQ(own.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
      <cCONTROLLER Name="A"><Class Type="Knob"/></cCONTROLLER>
      <cCONTROLLER Name="B"><Class Type="Dial"/></cCONTROLLER>
      <cCONTROLLER Name="C"><Class Type="Other"/></cCONTROLLER>
    </Control_List></GUIXML>)")),
              eNoErr);
    EXPECT_EQ(own.asked, (std::vector<std::string>{"Knob", "Dial", "Other"}));
    ASSERT_EQ(own.GetNumGUIControllers(), 2U);
    EXPECT_FALSE(dynamic_cast<Knob&>(*own.GetControlPtrByIndex(0)).special) << "from the table";
    EXPECT_TRUE(dynamic_cast<Knob&>(*own.GetControlPtrByIndex(1)).special);
}

TEST_F(StandardGUI, AnArrayElementMakesOneControlPerInstance) {
    ASSERT_EQ(Read(R"(<Control_List>
      <cCONTROLLER Name="Band[1:3]"><Class Type="Knob"/></cCONTROLLER>
      <cCONTROLLER Name="Huge[0:1025]"><Class Type="Knob"/></cCONTROLLER>
      <cCONTROLLER Name="Broken[x:2]"><Class Type="Knob"/></cCONTROLLER>
      <cCONTROLLER Name="After"><Class Type="Knob"/></cCONTROLLER>
    </Control_List>)"),
              eControlOutOfRange)
        << "the first skipped element's code";
    std::vector<std::string> names;
    gui.DoOnAllControls([&](KCGUIControl& c) { names.emplace_back(c.GetName().c_str()); });
    EXPECT_EQ(names, (std::vector<std::string>{"Band1", "Band2", "Band3", "After"}));

    std::vector<std::string> expanded;
    EXPECT_EQ(ExpandControlArrayName("Max[7:1024]", expanded), eNoErr);
    EXPECT_EQ(expanded.size(), kMaxControlArrayCount);
    EXPECT_EQ(expanded.back(), "Max1030");
    EXPECT_EQ(ExpandControlArrayName("Zero[0:0]", expanded), eNotJustANumber);
    EXPECT_EQ(ExpandControlArrayName("Plain [name]", expanded), eNotJustANumber);
    EXPECT_EQ(ExpandControlArrayName("Plain name", expanded), eNoErr);
    EXPECT_EQ(expanded, std::vector<std::string>{"Plain name"});
}

TEST_F(StandardGUI, TheListsAroundTheControlsAreKept) {
    struct DataGUI : CStandardGUI_X {
        using CStandardGUI_X::CStandardGUI_X;
        std::string pluginData;
        unsigned int controlsThen = 0;
        void ReadPluginSpecificData(const XML::CXMLElement& data) override {
            pluginData = data.SubElementText("Colour");
            controlsThen = GetNumGUIControllers();
        }
    } data(none);
    data.AttachAlgorithm(&alg);
    ASSERT_EQ(data.ReadFromXML(ParseXML(R"(<GUIXML version="4">
      <PluginSpecificData><Colour>teal</Colour></PluginSpecificData>
      <Pict_List><Image Type="Base" ResID="200"/><Image Type="About" ResID="201"/>
        <Image Type="Icon" ResID="202"/><Image Type="Other" ResID="203"/>
        <AdditionalImageList><Image ResID="210"/><Image ResID="211"/></AdditionalImageList>
      </Pict_List>
      <ViewRect_List><Rect Top="0" Left="0" Bottom="300" Right="500"/>
        <Rect Top="0" Left="0" Bottom="450" Right="750"/></ViewRect_List>
      <ControlOrder_List><Flags><IgnoreControlOrder/></Flags>
        <ControlOrder><Control Name="B"/><Dummy/><Control Name="A"/></ControlOrder>
      </ControlOrder_List>
      <TabOrder_List><TabHORIZ><Flags><Wrap/></Flags><Control Name="A"/><Control Name="B"/></TabHORIZ>
        <TabVERT><Control Name="B"/></TabVERT></TabOrder_List>
      <Flag_List><NoSelectRect/><DropBaseImage/><NoAutomatableImages/>
        <GraphicStreamDataPtrThreshold>4096</GraphicStreamDataPtrThreshold></Flag_List>
      <Control_List><cCONTROLLER Name="A"><Class Type="Knob"/></cCONTROLLER>
        <cCONTROLLER Name="B"><Class Type="Knob"/></cCONTROLLER></Control_List>
      <SubViewRect_List/>
    </GUIXML>)")),
              eNoErr);
    EXPECT_EQ(data.pluginData, "teal");
    EXPECT_EQ(data.controlsThen, 2U) << "plug-in data is read after everything else";
    EXPECT_EQ(data.GetPictures().base, (std::vector<short>{200, 210, 211}));
    EXPECT_EQ(data.GetPictures().about, 201);
    EXPECT_EQ(data.GetPictures().icon, 202);
    ASSERT_EQ(data.GetViewRects().size(), 2U);
    EXPECT_EQ(data.GetViewRects()[1], (KURect<short>(0, 0, 450, 750)));
    EXPECT_EQ(data.GetGUIRect(), (KURect<short>(0, 0, 300, 500)));
    ASSERT_EQ(data.GetControlOrder().size(), 1U);
    EXPECT_EQ(data.GetControlOrder()[0].names, (std::vector<std::string>{"B", "", "A"}));
    EXPECT_EQ(data.GetControlOrderFlags(), std::vector<std::string>{"IgnoreControlOrder"});
    EXPECT_EQ(data.GetTabOrderHorizontal().names, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(data.GetTabOrderHorizontal().flags, std::vector<std::string>{"Wrap"});
    EXPECT_EQ(data.GetTabOrderVertical().names, std::vector<std::string>{"B"});
    EXPECT_TRUE(data.GetGUIFlag(eGUIFlagNoSelectRect));
    EXPECT_FALSE(data.GetGUIFlag(eGUIFlagNoAlwaysDraw));
    EXPECT_TRUE(data.GetGUIFlag(eGUIFlagDropBaseImage));
    EXPECT_FALSE(data.GetGUIFlag(eGUIFlagNoImages));
    EXPECT_TRUE(data.GetGUIFlag(eGUIFlagNoAutomatableImages));
    EXPECT_EQ(data.GetGraphicStreamDataPtrThreshold(), 4096);
}

TEST_F(StandardGUI, ControlsShowTheirParametersUntilTheGuiGoes) {
    ASSERT_EQ(Read(R"(<Control_List><cCONTROLLER Name="Gain"><Class Type="Knob"/>
        <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER></Control_List>)"),
              eNoErr);
    ASSERT_EQ(gui.FinishCreate(), 0);
    auto* knob = dynamic_cast<Knob*>(gui.GetControlPtrByName("Gain"));
    ASSERT_NE(knob, nullptr);
    EXPECT_EQ(knob->finished, 1);
    EXPECT_EQ(alg.GetGUI(), &gui);
    alg.UpdateParamState(TestAlgorithm::kGain, 700);
    EXPECT_EQ(alg.UpdateDisplay(TestAlgorithm::kGain), 0);
    EXPECT_EQ(knob->refreshes, 1);
    gui.Dispose();
    EXPECT_EQ(alg.GetGUI(), nullptr);
    EXPECT_FALSE(alg.ControllerExists(TestAlgorithm::kGain, 0, knob));
    EXPECT_EQ(gui.GetNumGUIControllers(), 0U);
}

// A parameter names the registration that shows it: a change of the second parameter refreshes
// the second registration, and both registrations are let go.
TEST_F(StandardGUI, AParameterRefreshesItsOwnRegistration) {
    ASSERT_EQ(Read(R"(<Control_List><cCONTROLLER Name="Both"><Class Type="Knob"/>
        <ParameterList><Param Name="Gain"/><Param Name="Mode"/></ParameterList>
        </cCONTROLLER></Control_List>)"),
              eNoErr);
    ASSERT_EQ(gui.FinishCreate(), 0);
    auto* knob = dynamic_cast<Knob*>(gui.GetControlPtrByName("Both"));
    ASSERT_NE(knob, nullptr);
    alg.UpdateParamState(TestAlgorithm::kMode, 1);
    EXPECT_EQ(alg.UpdateDisplay(TestAlgorithm::kMode), 0);
    alg.UpdateParamState(TestAlgorithm::kGain, 700);
    EXPECT_EQ(alg.UpdateDisplay(TestAlgorithm::kGain), 0);
    EXPECT_EQ(knob->refreshedTags, (std::vector<unsigned int>{1, 0}));
    EXPECT_TRUE(alg.ControllerExists(TestAlgorithm::kMode, 1, knob));
    EXPECT_TRUE(gui.DeleteControl(knob, false));
    EXPECT_FALSE(alg.ControllerExists(TestAlgorithm::kGain, 0, knob));
    EXPECT_FALSE(alg.ControllerExists(TestAlgorithm::kMode, 1, knob));
}

TEST(StandardGUILifetime, AnAlgorithmThatGoesFirstLetsGo) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    {
        TestAlgorithm alg;
        ASSERT_EQ(alg.FinishCreate(), 0);
        gui.AttachAlgorithm(&alg);
    }
    EXPECT_EQ(gui.GetAlgorithm(), nullptr);
    EXPECT_EQ(gui.System_ExecuteSwitch(), eSomeThingNotInitailzed);
}

// Once the algorithm is gone, drawing, events and undo on the GUI touch nothing of it.
TEST(StandardGUILifetime, ControlsAndUndoForgetAGoneAlgorithm) {
    KnobTypes types;
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    Knob* knob = nullptr;
    {
        TestAlgorithm alg;
        ASSERT_EQ(alg.FinishCreate(), 0);
        gui.AttachAlgorithm(&alg);
        ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version='4'><Control_List>
          <cCONTROLLER Name="Gain"><Class Type="Knob"/><ParameterList>
          <Param Name="Gain"><MouseVertical/><MouseUp/></Param></ParameterList>
          </cCONTROLLER></Control_List></GUIXML>)")),
                  eNoErr);
        ASSERT_EQ(gui.FinishCreate(), 0);
        knob = dynamic_cast<Knob*>(gui.GetControlPtrByName("Gain"));
        ASSERT_NE(knob, nullptr);
        alg.UpdateParamState(TestAlgorithm::kGain, 700);
        gui.RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypeParameters);
    }
    EXPECT_EQ(gui.GetAlgorithm(), nullptr);
    for (const KCParamRegistrationData& reg : knob->GetRegistrations()) {
        EXPECT_EQ(reg.alg, nullptr);
    }
    kvGS::KCGraphicStreamBinaryWriter writer;
    knob->GetDrawInstructions(writer);
    PluginViewManager::KCEventData click;
    click.SetMouseButtonPressed(PluginViewManager::eLeftButton, true);
    KURect<double> range(1000, 1000, 0, 0);
    bool handled = true;
    EXPECT_EQ(knob->MouseDown(click, &range, handled), nullptr);
    EXPECT_EQ(knob->MouseDrag(click, 0, 5, nullptr), nullptr);
    EXPECT_EQ(knob->MouseUp(click), nullptr);
    EXPECT_EQ(gui.System_ExecuteUndo(1), 0) << "no undo step sets a gone algorithm";
    EXPECT_EQ(gui.System_ExecuteRedo(1), 0);
}

// ------------------------------------------------------------------ the resource

class StandardGUIResource : public RM::testing::RMTest {};

TEST_F(StandardGUIResource, TheDescriptionComesFromTheComponentsResource) {
    KnobTypes types;
    const std::string bundle = MakeBundle("Knobs");
    WriteFile(Res(bundle, "extensions.txt"), "GUIXML xml\n");
    WriteFile(Res(bundle, "GUIXML/128.xml"),
              R"(<GUIXML version="4"><Control_List>
                   <cCONTROLLER Name="Gain"><Class Type="Knob"/>
                     <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
                 </Control_List></GUIXML>)");
    KTResContainerType* container = nullptr;
    ASSERT_EQ(RM::OpenResContainer(FM::KCStPath(bundle.c_str()), 0, container), eNoErr);
    TestAlgorithm alg;
    ASSERT_EQ(alg.FinishCreate(), 0);
    {
        CStandardGUI_X gui(container);
        ASSERT_EQ(gui.InitDefaultGUI(&alg), eNoErr);
        ASSERT_EQ(gui.GetNumGUIControllers(), 1U);
        EXPECT_EQ(dynamic_cast<Knob&>(*gui.GetControlPtrByIndex(0)).finished, 1);
        EXPECT_EQ(gui.GetControlPtrByIndex(0)->GetLeadParamID(), TestAlgorithm::kGain);
    }
    WriteFile(Res(bundle, "GUIXML/128.xml"), "");
    {
        CStandardGUI_X gui(container);
        EXPECT_NE(gui.InitDefaultGUI(&alg), eNoErr);
        EXPECT_EQ(gui.GetNumGUIControllers(), 0U);
        EXPECT_EQ(alg.GetGUI(), &gui) << "a GUI without a description is still the GUI";
    }
    EXPECT_EQ(alg.GetGUI(), nullptr);
    ASSERT_EQ(RM::CloseResContainer(container), eNoErr);
}

// ------------------------------------------------------------------ skins

// Skins C -> B -> A -> (none), and a loop X -> Y -> Z -> Y. Each skin's part marks the knob
// with its own name.
constexpr const char* kSkins = R"(<SkinXML>
  <Skins>
    <Skin Name="A"><ViewRect_List><Rect Bottom="100" Right="200"/></ViewRect_List></Skin>
    <Skin Name="B" FatherName="A"/>
    <Skin Name="C" FatherName="B"><ViewRect_List><Rect Bottom="300" Right="400"/></ViewRect_List></Skin>
    <Skin Name="X" FatherName="Y"/><Skin Name="Y" FatherName="Z"/><Skin Name="Z" FatherName="Y"/>
    <Skin Name="Orphan" FatherName="Nobody"/>
    <Skin Name="A"/><Skin FatherName="A"/>
  </Skins>
  <GUITree>
    <Skin Name="A"><Control_List><cCONTROLLER Name="Knob"><Skin Value="A"/></cCONTROLLER>
      <cCONTROLLER Name="Ghost"><Skin Value="A"/></cCONTROLLER></Control_List>
      <ToolBarControl_List><ToolButton Name="Switcher"><ControlRect Bottom="9" Right="9"/></ToolButton></ToolBarControl_List>
    </Skin>
    <Skin Name="B"><Control_List><cCONTROLLER Name="Knob"><Skin Value="B"/></cCONTROLLER></Control_List></Skin>
    <Skin Name="C"><Control_List><cCONTROLLER Name="Knob"><Skin Value="C"/></cCONTROLLER></Control_List>
      <Pict_List><Image Type="Base" ResID="333"/></Pict_List></Skin>
    <Skin Name="X"><Control_List><cCONTROLLER Name="Knob"><Skin Value="X"/></cCONTROLLER></Control_List></Skin>
    <Skin Name="Y"><Control_List><cCONTROLLER Name="Knob"><Skin Value="Y"/></cCONTROLLER></Control_List></Skin>
    <Skin Name="Z"><Control_List><cCONTROLLER Name="Knob"><Skin Value="Z"/></cCONTROLLER></Control_List></Skin>
  </GUITree>
</SkinXML>)";

TEST(SkinsData, SkinsAndTheirGenerations) {
    KCSkinsData skins;
    skins.InitSkinsFromXML(ParseXML(kSkins), KURect<short>(0, 0, 10, 20));
    EXPECT_EQ(skins.GetNumSkins(), 7U) << "a second 'A' and a nameless skin are skipped";
    EXPECT_EQ(skins.GetCurrentSkinName(), "Default");
    KCFixedString<31> father;
    ASSERT_EQ(skins.GetSkinFatherName("C", father), eNoErr);
    EXPECT_EQ(father, "B");
    EXPECT_EQ(skins.GetSkinFatherName("Q", father), eGUISkinNotFound);
    KURect<short> rect;
    ASSERT_EQ(skins.GetSkinViewRect("B", rect), eNoErr);
    EXPECT_EQ(rect, (KURect<short>(0, 0, 10, 20))) << "no rectangle of its own";
    ASSERT_EQ(skins.GetSkinViewRect("C", rect), eNoErr);
    EXPECT_EQ(rect, (KURect<short>(0, 0, 300, 400)));
    ASSERT_NE(skins.GetSkinXML("C"), nullptr);
    EXPECT_NE(skins.GetSkinXML("C")->SubElement("Pict_List"), nullptr);
    EXPECT_EQ(skins.GetSkinXML("Q"), nullptr);

    std::vector<const XML::CXMLElement*> chain;
    ASSERT_EQ(skins.GetGenerationsSkinXMLs("C", chain), eNoErr);
    ASSERT_EQ(chain.size(), 3U);
    EXPECT_EQ(chain[0], skins.GetSkinXML("C"));
    EXPECT_EQ(chain[2], skins.GetSkinXML("A"));
    chain.clear();
    EXPECT_EQ(skins.GetGenerationsSkinXMLs("Orphan", chain), eNoErr);
    EXPECT_EQ(chain.size(), 1U) << "an unknown father ends the chain";
    chain.clear();
    EXPECT_EQ(skins.GetGenerationsSkinXMLs("Q", chain), eGUISkinNotFound);
    EXPECT_TRUE(chain.empty());
    EXPECT_EQ(skins.GetGenerationsSkinXMLs("X", chain), kSkinFatherCycle);
    EXPECT_EQ(chain.size(), 3U) << "X, Y and Z once each";
}

class Skins : public StandardGUI {
protected:
    void SetUp() override {
        StandardGUI::SetUp();
        ASSERT_EQ(Read(R"(<ViewRect_List><Rect Bottom="10" Right="20"/></ViewRect_List>
          <ToolBarControl_List><ToolButton Name="Switcher" type="Switch"/></ToolBarControl_List>
          <Control_List><cCONTROLLER Name="Knob"><Class Type="Knob"/></cCONTROLLER></Control_List>)"),
                  eNoErr);
        gui.GetSkinsData().InitSkinsFromXML(ParseXML(kSkins), gui.GetGUIRect());
        knob = dynamic_cast<Knob*>(gui.GetControlPtrByName("Knob"));
        ASSERT_NE(knob, nullptr);
    }
    Knob* knob = nullptr;
};

TEST_F(Skins, ASkinAppliesItsAncestorsFirst) {
    EXPECT_TRUE(gui.HasSkins());
    ASSERT_EQ(gui.UpdateSkin("C"), eNoErr);
    EXPECT_EQ(knob->skins, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(knob->updates, (std::vector<bool>{false, true, true, true}));
    EXPECT_EQ(knob->skinUpdates, 3) << "each skin goes through the control's skin entry";
    EXPECT_EQ(knob->GetOwner(), &gui) << "made with its GUI as the owner";
    EXPECT_EQ(gui.GetSkinsData().GetCurrentSkinName(), "C");
    EXPECT_EQ(gui.GetGUIRect(), (KURect<short>(0, 0, 300, 400)));
    EXPECT_EQ(gui.GetPictures().base, std::vector<short>{333});
    EXPECT_EQ(gui.GetToolbarButtonByName("Switcher")->GetRect(), (KURect<short>(0, 0, 9, 9)));
    EXPECT_EQ(gui.GetToolbarButtonByName("Switcher")->GetType(), "Switch") << "kept";

    // The current skin again, or an unknown one, changes nothing.
    ASSERT_EQ(gui.UpdateSkin("C"), eNoErr);
    EXPECT_EQ(gui.UpdateSkin("Nobody"), eGUISkinNotFound);
    EXPECT_EQ(knob->skins.size(), 3U);
    EXPECT_EQ(gui.GetSkinsData().GetCurrentSkinName(), "C");
}

TEST_F(Skins, ALoopOfFathersEnds) {
    EXPECT_EQ(gui.UpdateSkin("X"), kSkinFatherCycle);
    EXPECT_EQ(knob->skins, (std::vector<std::string>{"Z", "Y", "X"}));
    EXPECT_EQ(gui.GetSkinsData().GetCurrentSkinName(), "X");
}

TEST_F(Skins, OneSkinIsNoChoice) {
    gui.GetSkinsData().InitSkinsFromXML(ParseXML(R"(<Skins><Skin Name="Only"/></Skins>)"),
                                        gui.GetGUIRect());
    EXPECT_FALSE(gui.HasSkins());
    gui.GetSkinsData().SetCurrentSkinName("Only");
    EXPECT_EQ(gui.SetSkin(), eNoErr);
    EXPECT_TRUE(knob->skins.empty());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
