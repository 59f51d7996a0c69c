// Automation controls without a host: the description, host values onto leads and followers,
// the info record and the notifications a recording callback receives.
#include "korvane/algorithm/automation_manager.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/utf8.h"
#include "korvane/process/host_callback.h"
#include "korvane/xml/xml_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::AutomationTestAlgorithm;
using test_support::ParseXML;
namespace PM = ProcessMemory;

struct Note {
    int selector = 0;
    std::intptr_t index = 0;
    double value = 0.0;
    bool operator==(const Note&) const = default;
};

// Records the automation selectors; refuses buffers, so only values change.
std::vector<Note>& Notes() {
    static std::vector<Note> notes;
    return notes;
}

int Recorder(int selector, int /*refcon*/, void* a, void* b, void* /*c*/) {
    if (selector == PM::eSelAutomationValue || selector == PM::eSelAutomationTouch ||
        selector == PM::eSelAutomationRelease) {
        Note note{selector, reinterpret_cast<std::intptr_t>(a), 0.0};
        if (b != nullptr) {
            std::memcpy(&note.value, b, sizeof note.value);
        }
        Notes().push_back(note);
        return 0;
    }
    return selector == PM::eSelSetupSwitchBracket || selector == PM::eSelShellListener ? 0 : -1;
}

std::vector<int> Selectors() {
    std::vector<int> out;
    for (const Note& n : Notes()) {
        out.push_back(n.selector);
    }
    return out;
}

class Automation : public ::testing::Test {
protected:
    void SetUp() override { Create(alg); }
    static void Create(AutomationTestAlgorithm& a) {
        a.SetExecCallBack(Recorder, 7);
        ASSERT_EQ(a.FinishCreate(), 0);
        Notes().clear();
    }
    double State(unsigned int i) const { return alg.GetParamState(i); }
    void Set(unsigned int i, double s) { alg.UpdateParamState(i, s); }

    AutomationTestAlgorithm alg;
    static constexpr unsigned int kA = AutomationTestAlgorithm::kA;
    static constexpr unsigned int kB = AutomationTestAlgorithm::kB;
    static constexpr unsigned int kC = AutomationTestAlgorithm::kC;
    static constexpr unsigned int kGroup = AutomationTestAlgorithm::kGroupControl;
};

TEST_F(Automation, FollowersKeepTheirOffsetUntilTheySaturate) {
    Set(kA, 400);
    Set(kB, 700);
    Set(kC, 100);
    EXPECT_EQ(alg.SetControllerValue(kGroup, 600), eNoErr);
    EXPECT_EQ(State(kA), 600);
    EXPECT_EQ(State(kB), 900);
    EXPECT_EQ(State(kC), 300);
    EXPECT_EQ(alg.SetControllerValue(kGroup, 900), eNoErr);
    EXPECT_EQ(State(kA), 900);
    EXPECT_EQ(State(kB), 1000) << "saturated";
    EXPECT_EQ(State(kC), 600);
    // Back down: the saturated follower moves by the same delta from where it stopped, so its
    // offset to the lead is now 100 instead of 300.
    EXPECT_EQ(alg.SetControllerValue(kGroup, 600), eNoErr);
    EXPECT_EQ(State(kA), 600);
    EXPECT_EQ(State(kB), 700);
    EXPECT_EQ(State(kC), 300);
}

TEST_F(Automation, HostValuesAreClampedAndNonFiniteOnesIgnored) {
    Set(kA, 500);
    Set(kB, 500);
    EXPECT_EQ(alg.SetControllerValue(kGroup, 1200), eNoErr);
    EXPECT_EQ(State(kA), 1000);
    EXPECT_EQ(State(kB), 1000) << "followers move by what the lead moved, not by the request";
    EXPECT_EQ(alg.SetControllerValue(kGroup, -5), eNoErr);
    EXPECT_EQ(State(kA), 0);
    for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(alg.SetControllerValue(kGroup, bad), eNotANumber);
        EXPECT_EQ(State(kA), 0);
        EXPECT_EQ(State(kB), 0);
        EXPECT_TRUE(std::isfinite(alg.GetAutomationControl(kGroup)->GetRegistrations()[0].value));
    }
    // The followers still follow afterwards.
    EXPECT_EQ(alg.SetControllerValue(kGroup, 250), eNoErr);
    EXPECT_EQ(State(kA), 250);
    EXPECT_EQ(State(kB), 250);
    EXPECT_EQ(alg.SetControllerValue(99, 1), kAutomationBadIndex);
    EXPECT_TRUE(Notes().empty()) << "the host is not told about values it set itself";
}

TEST_F(Automation, ADiscreteLeadTakesItsOwnStateUnits) {
    const unsigned int mode = AutomationTestAlgorithm::kModeControl;
    EXPECT_EQ(alg.SetControllerValue(mode, 2), eNoErr);
    EXPECT_EQ(State(AutomationTestAlgorithm::kMode), 2);
    EXPECT_EQ(alg.SetControllerValue(mode, 700), eNoErr);
    EXPECT_EQ(State(AutomationTestAlgorithm::kMode), 2) << "clamped to the last state";
    EXPECT_EQ(alg.SetControllerValue(mode, 0.6), eNoErr);
    EXPECT_EQ(State(AutomationTestAlgorithm::kMode), 1);

    ControllerAutomationInfoVer9 info;
    info.version = 9;
    ASSERT_EQ(alg.GetControlAutomationInfo(mode, &info), 0);
    EXPECT_EQ(info.numStates, 3);
    ASSERT_EQ(alg.GetControlAutomationInfo(kGroup, &info), 0);
    EXPECT_EQ(info.numStates, 0);
}

TEST_F(Automation, AChangeMadeElsewhereIsWhereTheNextHostDeltaStarts) {
    alg.SetControllerValue(kGroup, 400);
    Set(kB, 500);
    // The GUI moves the lead; the request variant tells the control.
    alg.UpdateParamRequestState(kA, 700);
    EXPECT_EQ(alg.GetAutomationControl(kGroup)->GetRegistrations()[0].value, 700);
    ASSERT_EQ(Notes().size(), 1U);
    EXPECT_EQ(Notes()[0], (Note{PM::eSelAutomationValue, kGroup, 700}));
    alg.SetControllerValue(kGroup, 800);
    EXPECT_EQ(State(kB), 600) << "the follower moves by 100, not by 400";
    // A follower moved elsewhere moves from where it is.
    Set(kC, 50);
    alg.SetControllerValue(kGroup, 900);
    EXPECT_EQ(State(kC), 150);
}

TEST_F(Automation, TheInfoRecordDescribesTheControl) {
    ControllerAutomationInfoVer9 info;
    info.version = 8;
    info.refCon1 = 1234;
    EXPECT_EQ(alg.GetControlAutomationInfo(kGroup, &info), kAutomationBadVersion);
    EXPECT_EQ(info.refCon1, 1234) << "nothing written";
    EXPECT_EQ(info.name[0], '\0');
    EXPECT_EQ(alg.GetControlAutomationInfo(kGroup, nullptr), kAutomationBadIndex);
    info.version = 9;
    EXPECT_EQ(alg.GetControlAutomationInfo(42, &info), kAutomationBadIndex);

    ASSERT_EQ(alg.SetAutomationRefCons(AutomationTestAlgorithm::kGainControl, 11, 22), eNoErr);
    alg.SetControllerValue(AutomationTestAlgorithm::kGainControl, 750);
    ASSERT_EQ(alg.GetControlAutomationInfo(AutomationTestAlgorithm::kGainControl, &info), 0);
    EXPECT_EQ(info.version, 9);
    EXPECT_EQ(info.numPositions, 1001);
    EXPECT_STREQ(info.name, "Gain");
    EXPECT_STREQ(info.valueString, "12.0 dB");
    EXPECT_EQ(info.refCon1, 11);
    EXPECT_EQ(info.refCon2, 22);
    EXPECT_EQ(alg.GetAutomationRefCon1(AutomationTestAlgorithm::kGainControl), 11);
    EXPECT_TRUE(info.automatable);
    EXPECT_FALSE(info.stickyTouch);
    EXPECT_EQ(info.currentValue, 750);
    EXPECT_DOUBLE_EQ(info.realWorld, 12.0);
    EXPECT_EQ(info.referenceValue, 0) << "the reset state";
    EXPECT_EQ(info.leadParamIndex, static_cast<std::int32_t>(AutomationTestAlgorithm::kGain));
    KCFixedString<31> text;
    EXPECT_EQ(alg.TranslateController(AutomationTestAlgorithm::kGainControl, 250, text), 0);
    EXPECT_EQ(text, "-12.0 dB");
}

TEST(AutomationDescription, ControlsAreReadOrderedAndCut) {
    AutomationTestAlgorithm alg(R"(<GUIXML>
  <ControlOrder_List><ControlOrder>
    <Dummy/><Control Name="Second"/><Control Name="Nobody"/><Control Name="A very long control name of more than thirty-one"/>
  </ControlOrder></ControlOrder_List>
  <Control_List>
    <cCONTROLLER Name="A very long control name of more than thirty-one" Class="Automation">
      <Flags><Automatable/><StickyTouch Value="OFF"/><CanAttachToMIDI/></Flags>
      <ParameterList><Param Name="Nothing"/></ParameterList>
      <MIDIGroup>3</MIDIGroup>
      <ControlSurface Type="Rotary" Orientation="BoostCut">
        <Display Name="HighShelf" Value="2"/><Display Name="Notch" Value="5"/>
      </ControlSurface>
    </cCONTROLLER>
    <cCONTROLLER Name="Second" Class="Automation">
      <Flags><StickyTouch/></Flags>
      <ParameterList><Param Name="B"/><Param Name="C" LeadParam="true"/></ParameterList>
    </cCONTROLLER>
    <cCONTROLLER Name="Second" Class="Automation">
      <ParameterList><Param Name="A" LeadParam="true"/><Param Name="B"/></ParameterList>
    </cCONTROLLER>
  </Control_List>
</GUIXML>)");
    alg.SetExecCallBack(Recorder, 7);
    ASSERT_EQ(alg.FinishCreate(), 0);
    ASSERT_EQ(alg.GetNumAutomationControllers(), 2U) << "a second element of a name reuses it";
    EXPECT_EQ(alg.GetAutomationControlIndexByName("Second"), 0);
    const KCAutomationControl* second = alg.GetAutomationControl(0);
    EXPECT_EQ(second->GetLeadParamID(), AutomationTestAlgorithm::kA);
    EXPECT_EQ(second->GetRegistrations().size(), 2U);
    EXPECT_TRUE(second->GetControlFlag(eCtrlStickyTouch)) << "kept from the first element";
    EXPECT_EQ(alg.GetAutomationControlByLeadParamID(AutomationTestAlgorithm::kA), second);
    EXPECT_EQ(alg.ControlLeadParamID(0), AutomationTestAlgorithm::kA);
    EXPECT_EQ(alg.GetNumRegisteredParamsForControl(0), 2U);

    const KCAutomationControl* cut = alg.GetAutomationControl(1);
    EXPECT_EQ(cut->GetHostIndex(), 1);
    EXPECT_FALSE(cut->GetControlFlag(eCtrlStickyTouch));
    EXPECT_TRUE(cut->CanAttachToMIDI());
    EXPECT_EQ(cut->GetMIDIGroup(), 3);
    EXPECT_EQ(cut->GetControlSurfaceDisplay().type, "Rotary");
    ASSERT_EQ(cut->GetControlSurfaceDisplay().displays.size(), 2U);
    EXPECT_EQ(cut->GetControlSurfaceDisplay().displays[1].value, 5);
    EXPECT_EQ(alg.ControlLeadParamID(1), kNoParamID);
    ControllerAutomationInfoVer9 info;
    info.version = 9;
    EXPECT_EQ(alg.GetControlAutomationInfo(1, &info), kAutomationNoLead);
    EXPECT_EQ(std::strlen(info.name), 31U);
    EXPECT_EQ(info.controlSurfaceDisplay, 2);
    EXPECT_FALSE(info.automatable);
    char name[8] = {};
    EXPECT_EQ(alg.GetControlNameOfLength(1, 5, name), 0);
    EXPECT_STREQ(name, "A ver");
    // A control without a lead parameter does nothing.
    EXPECT_EQ(alg.SetControllerValue(1, 300), eNoErr);
    KCFixedString<31> text;
    EXPECT_EQ(alg.TranslateController(1, 300, text), kAutomationNoLead);
}

// The window and the host read one control list: only elements with a "Class" attribute are
// the host's. A window-only element (its widget type in a "Class" child) is not, and one with
// both is; written back, a host control keeps the attribute and so reads back as the host's.
TEST(AutomationDescription, OnlyElementsWithAClassAttributeAreTheHosts) {
    AutomationTestAlgorithm alg(R"(<GUIXML>
  <ControlOrder_List><ControlOrder><Control Name="Knob"/></ControlOrder></ControlOrder_List>
  <Control_List>
    <cCONTROLLER Name="Level" Class="Automation"><Flags><Automatable/></Flags>
      <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
    <cCONTROLLER Name="Knob"><Class Type="RotationKnob"/>
      <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
    <cCONTROLLER Name="Display"><Class Type="DigitDisplay"/>
      <ParameterList><Param Name="Mode"/></ParameterList></cCONTROLLER>
    <cCONTROLLER Name="Both" Class="Automation"><Class Type="Toggle"/><Flags><Automatable/></Flags>
      <ParameterList><Param Name="Mode"/></ParameterList></cCONTROLLER>
  </Control_List>
</GUIXML>)");
    ASSERT_EQ(alg.FinishCreate(), 0);
    ASSERT_EQ(alg.GetNumAutomationControllers(), 2U);
    EXPECT_EQ(alg.GetAutomationControlIndexByName("Level"), 0);
    EXPECT_EQ(alg.GetAutomationControlIndexByName("Both"), 1);
    EXPECT_EQ(alg.GetAutomationControlIndexByName("Knob"), -1) << "ordered, but the window's";
    EXPECT_EQ(alg.GetAutomationControlIndexByName("Display"), -1);

    XML::CXMLElement parent;
    alg.WriteDefaultPageTablesToXML(parent);
    ASSERT_NE(parent.SubElement("GUIXML"), nullptr);
    std::string written;
    XML::AppendXML(written, *parent.SubElement("GUIXML"), false, false, 0);
    AutomationTestAlgorithm again(written);
    ASSERT_EQ(again.FinishCreate(), 0);
    EXPECT_EQ(again.GetNumAutomationControllers(), 2U) << "written back, still the host's";
    EXPECT_EQ(again.GetAutomationControlIndexByName("Both"), 1);
}

TEST(AutomationDescription, ParamArraysAndIgnoredOrder) {
    AutomationTestAlgorithm alg(R"(<GUIXML>
  <ControlOrder_List><Flags><IgnoreControlOrder/></Flags>
    <ControlOrder><Control Name="Two"/></ControlOrder></ControlOrder_List>
  <Control_List>
    <cCONTROLLER Name="One" Class="Automation"><ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
    <cCONTROLLER Name="Two" Class="Automation"><ParameterList><Param Name="Missing" ParamArray="true"/>
      <Param Name="Mode" Modifiers="Shift Alt"><MouseVertical/><FixedState Value="2"/></Param>
    </ParameterList></cCONTROLLER>
  </Control_List>
</GUIXML>)");
    ASSERT_EQ(alg.FinishCreate(), 0);
    ASSERT_EQ(alg.GetNumAutomationControllers(), 2U);
    EXPECT_EQ(alg.GetAutomationControlIndexByName("One"), 0) << "the order is ignored";
    const auto& regs = alg.GetAutomationControl(1)->GetRegistrations();
    ASSERT_EQ(regs.size(), 2U);
    EXPECT_EQ(regs[0].paramID, kNoParamID);
    EXPECT_TRUE(regs[1].modifiers[eModAlt]) << "Alt is searched first";
    EXPECT_FALSE(regs[1].modifiers[eModShift]);
    EXPECT_TRUE(regs[1].AnswersTo(eRegMouseVertical));
    EXPECT_EQ(regs[1].fixedStateValue, 2);

    // Written back, the control reads into an equal one.
    XML::CXMLElement parent;
    alg.GetAutomationControl(1)->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    KCAutomationControl copy;
    copy.ReadFromXMLWithAlg(*parent.GetSubElements()[0], &alg, false);
    EXPECT_EQ(copy.GetRegistrations()[1], regs[1]);
    EXPECT_EQ(copy.GetName(), "Two");
}

TEST(AutomationDescription, FlagNamesAndSynonyms) {
    KCAutomationControl control;
    control.ReadFromXMLFlags(
        ParseXML("<Flags><SliderCopyFromBackground/><ClippingRect/><Momentary value='off'/>"
                 "<Hidden Value='Off'/><NoSuchFlag/></Flags>"));
    EXPECT_TRUE(control.GetControlFlag(eCtrlEraseWithBackground));
    EXPECT_TRUE(control.GetControlFlag(eCtrlShouldClip));
    EXPECT_TRUE(control.GetControlFlag(eCtrlMomentary)) << "only \"Value\" turns a flag off";
    EXPECT_FALSE(control.GetControlFlag(eCtrlHidden));
    KCFixedString<63> name;
    ControlFlag2String(eCtrlEraseWithBackground, name);
    EXPECT_EQ(name, "EraseWithBackground");
    ControlFlag2String(static_cast<EControlFlags>(32), name);
    EXPECT_EQ(name, "");
    XML::CXMLElement parent;
    control.WriteToXMLWithAlg(parent, nullptr, "cCONTROLLER");
    const XML::CXMLElement* flags = parent.GetSubElements()[0]->SubElement("Flags");
    ASSERT_NE(flags, nullptr);
    EXPECT_NE(flags->SubElement("EraseWithBackground"), nullptr);
    EXPECT_NE(flags->SubElement("ShouldClip"), nullptr);
}

TEST_F(Automation, PageTablesListTheControlsAndReadBack) {
    XML::CXMLElement parent;
    alg.WriteDefaultPageTablesToXML(parent);
    ASSERT_EQ(parent.GetSubElements().size(), 1U);
    const XML::CXMLElement& gui = *parent.GetSubElements()[0];
    const XML::CXMLElement* table = gui.SubElement("PTLayout")->SubElement("PageTable");
    ASSERT_NE(table, nullptr);
    std::string name;
    EXPECT_TRUE(table->GetAttrib("name", name));
    EXPECT_EQ(name, "PageTable 1");
    const XML::CXMLElement* page = table->SubElement("Page");
    ASSERT_EQ(page->GetSubElements().size(), 3U);
    EXPECT_TRUE(page->GetSubElements()[2]->GetAttrib("Name", name));
    EXPECT_EQ(name, "Mode");

    // The control list reads back into the same controls when a new plug-in is described by it.
    std::string text;
    XML::AppendXML(text, gui, false, true, 0);
    AutomationTestAlgorithm copy(text);
    ASSERT_EQ(copy.FinishCreate(), 0);
    EXPECT_EQ(copy.GetAutomationManager().GetDescriptionResult(), eNoErr);
    ASSERT_EQ(copy.GetNumAutomationControllers(), alg.GetNumAutomationControllers());
    for (unsigned int i = 0; i < copy.GetNumAutomationControllers(); ++i) {
        EXPECT_EQ(copy.GetAutomationControl(i)->GetName(), alg.GetAutomationControl(i)->GetName());
        auto regs = copy.GetAutomationControl(i)->GetRegistrations();
        for (auto& r : regs) {
            r.alg = &alg;  // the same parameters, of the other plug-in
        }
        EXPECT_EQ(regs, alg.GetAutomationControl(i)->GetRegistrations());
        EXPECT_EQ(copy.GetAutomationControl(i)->GetControlFlags(),
                  alg.GetAutomationControl(i)->GetControlFlags());
    }
    // Once created, the list takes no more controls, not even from a description.
    EXPECT_EQ(alg.GetAutomationManager().ReadFromXML(gui), eWrongObjectState);
    EXPECT_EQ(alg.GetNumAutomationControllers(), 3U);

    XML::CXMLElement disc;
    alg.WriteDefaultPageTablesDiscCtrlsToXML(disc);
    const XML::CXMLElement* ids = disc.GetSubElements()[0]->SubElement("DiscCtrls");
    ASSERT_NE(ids, nullptr);
    std::vector<std::string> names;
    for (const XML::CXMLElement* id : ids->GetSubElements()) {
        names.push_back(id->GetText());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Mode", "Master Bypass"}));
}

std::unique_ptr<KCAutomationControl> NamedControl(const char* name) {
    auto control = std::make_unique<KCAutomationControl>();
    control->SetName(name);
    return control;
}

TEST(AutomationEditing, ControlsAddedAndDeletedBeforeCreationKeepHostIndices) {
    KCAutomationManager manager;
    EXPECT_EQ(manager.AddNewAutomationControl(NamedControl("One")), eNoErr);
    EXPECT_EQ(manager.AddNewAutomationControl(NamedControl("Two")), eNoErr);
    EXPECT_EQ(manager.AddNewAutomationControlForIndex(NamedControl("Extra"), 1), eNoErr);
    EXPECT_EQ(manager.AddNewAutomationControlForIndex(NamedControl("Last"), 99), eNoErr);
    EXPECT_EQ(manager.AddNewAutomationControl(nullptr), kAutomationBadIndex);
    ASSERT_EQ(manager.GetNumAutomationControllers(), 4U);
    EXPECT_EQ(manager.GetControlIndexByName("Extra"), 1);
    EXPECT_EQ(manager.GetAutomationControl(2)->GetName(), "Two");
    EXPECT_EQ(manager.GetAutomationControl(2)->GetHostIndex(), 2) << "moved up one";
    EXPECT_EQ(manager.GetAutomationControl(3)->GetHostIndex(), 3);

    EXPECT_EQ(manager.DeleteAutomationControl(manager.GetAutomationControl(1)), eNoErr);
    EXPECT_EQ(manager.DeleteAutomationControl(nullptr), kAutomationBadIndex);
    ASSERT_EQ(manager.GetNumAutomationControllers(), 3U);
    EXPECT_EQ(manager.GetAutomationControl(1)->GetName(), "Two");
    EXPECT_EQ(manager.GetAutomationControl(1)->GetHostIndex(), 1);
    EXPECT_EQ(manager.RenameAutomationControl(manager.GetAutomationControl(1), "Shape"), eNoErr);
    EXPECT_EQ(manager.GetControlIndexByName("Shape"), 1);
    EXPECT_EQ(manager.RenameAutomationControl(nullptr, "Nobody"), kAutomationBadIndex);
}

TEST_F(Automation, TheControlListIsFixedOnceTheAlgorithmIsCreated) {
    KCAutomationManager& manager = alg.GetAutomationManager();
    KCAutomationControl* gain = alg.GetAutomationControl(AutomationTestAlgorithm::kGainControl);
    EXPECT_EQ(manager.AddNewAutomationControlForIndex(NamedControl("Extra"), 0), eWrongObjectState);
    EXPECT_EQ(manager.AddNewAutomationControl(NamedControl("Extra")), eWrongObjectState);
    alg.Touch(AutomationTestAlgorithm::kGain);
    EXPECT_EQ(manager.DeleteAutomationControl(alg.GetAutomationControl(kGroup)), eWrongObjectState);
    EXPECT_EQ(manager.RenameAutomationControl(gain, "Shape"), eWrongObjectState);
    ASSERT_EQ(alg.GetNumAutomationControllers(), 3U);
    EXPECT_EQ(alg.GetAutomationControl(AutomationTestAlgorithm::kGainControl), gain);
    EXPECT_EQ(gain->GetName(), "Gain");
    EXPECT_EQ(gain->GetHostIndex(), static_cast<int>(AutomationTestAlgorithm::kGainControl));
    // The open gesture ends at the index where it began.
    alg.Release(AutomationTestAlgorithm::kGain);
    const std::intptr_t at = AutomationTestAlgorithm::kGainControl;
    EXPECT_EQ(Notes(), (std::vector<Note>{{PM::eSelAutomationTouch, at, 0},
                                          {PM::eSelAutomationRelease, at, 0}}));
}

TEST(AutomationLead, RemovingTheLeadMakesTheFirstRegistrationLead) {
    KCAutomationControl control;
    KCParamRegistrationData r;
    for (const unsigned int id : {10U, 11U, 12U, 13U}) {
        r.paramID = id;
        control.Register(r);
    }
    control.SetLeadParamIndex(2);
    control.UnRegister(0);
    EXPECT_EQ(control.GetLeadParamID(), 12U) << "the lead follows its registration";
    EXPECT_EQ(control.GetLeadParamIndex(), 1U);
    control.UnRegister(1);
    EXPECT_EQ(control.GetLeadParamIndex(), 0U);
    EXPECT_EQ(control.GetLeadParamID(), 11U) << "not the registration that took its place";
    control.SetLeadParamIndex(1);
    control.UnRegisterParam(13);
    EXPECT_EQ(control.GetLeadParamID(), 11U);
    // A lead index past the registrations falls back to the first.
    control.SetLeadParamIndex(7);
    EXPECT_EQ(control.GetLeadParamIndex(), 0U);
    ASSERT_NE(control.GetLeadRegistration(), nullptr);
    EXPECT_EQ(control.GetLeadRegistration()->paramID, 11U);
    control.UnRegisterAll();
    EXPECT_EQ(control.GetLeadRegistration(), nullptr);
    EXPECT_EQ(control.GetLeadParamID(), kNoParamID);
}

TEST_F(Automation, AControlWhoseLeadWasRemovedIsLedByItsFirstRegistration) {
    // "Group" registers A, B, C; B leads, then goes away.
    KCAutomationControl* group = alg.GetAutomationControl(kGroup);
    group->SetLeadParamIndex(1);
    group->UnRegister(1);
    EXPECT_EQ(group->GetLeadParamID(), kA);
    Set(kA, 100);
    Set(kC, 300);
    EXPECT_EQ(alg.SetControllerValue(kGroup, 400), eNoErr);
    EXPECT_EQ(State(kA), 400);
    EXPECT_EQ(State(kC), 600);
}

// A plug-in's own control replaces the library's at the same index.
class CustomControl : public KCAutomationControl {
public:
    [[nodiscard]] bool ReinterpretMidiValue() const override { return true; }
};

class CustomAlgorithm : public AutomationTestAlgorithm {
public:
    using AutomationTestAlgorithm::AutomationTestAlgorithm;
    std::string askedFor;

protected:
    std::unique_ptr<KCAutomationControl> CreateSpecificAutomationControls(
        const char* type) override {
        askedFor = type;
        return std::make_unique<CustomControl>();
    }
};

TEST(AutomationDescription, APlugInMakesItsOwnControls) {
    CustomAlgorithm alg(R"(<GUIXML><Control_List>
    <cCONTROLLER Name="Plain" Class="Automation"><ParameterList><Param Name="A"/></ParameterList></cCONTROLLER>
    <cCONTROLLER Name="Own" Class="Automation" AutomationType="Sweep" Custom="true">
      <ParameterList><Param Name="B"/></ParameterList></cCONTROLLER>
    <cCONTROLLER Name="NotOwn" Class="Automation" AutomationType="Sweep"/>
  </Control_List></GUIXML>)");
    ASSERT_EQ(alg.FinishCreate(), 0);
    ASSERT_EQ(alg.GetNumAutomationControllers(), 3U);
    EXPECT_EQ(alg.askedFor, "Sweep");
    EXPECT_FALSE(alg.GetAutomationControl(0)->ReinterpretMidiValue());
    EXPECT_TRUE(alg.GetAutomationControl(1)->ReinterpretMidiValue());
    EXPECT_EQ(alg.GetAutomationControl(1)->GetLeadParamID(), AutomationTestAlgorithm::kB);
    EXPECT_FALSE(alg.GetAutomationControl(2)->ReinterpretMidiValue());
}

TEST_F(Automation, TheInfoRecordCutsTextAtACharacter) {
    KCAutomationControl* gain = alg.GetAutomationControl(AutomationTestAlgorithm::kGainControl);
    ControllerAutomationInfoVer9 info;
    info.version = 9;
    // 30 bytes and a two-byte character: the character does not fit in 31 bytes.
    const std::string split = std::string(30, 'x') + "\xC3\xA9";
    gain->SetName(split.c_str());
    ASSERT_EQ(alg.GetControlAutomationInfo(AutomationTestAlgorithm::kGainControl, &info), 0);
    EXPECT_EQ(std::string(info.name), std::string(30, 'x'));
    // 29 bytes and the same character fit whole.
    const std::string whole = std::string(29, 'x') + "\xC3\xA9";
    gain->SetName(whole.c_str());
    ASSERT_EQ(alg.GetControlAutomationInfo(AutomationTestAlgorithm::kGainControl, &info), 0);
    EXPECT_EQ(std::string(info.name), whole);
    EXPECT_TRUE(KUIsValidUtf8(info.units));
    EXPECT_TRUE(KUIsValidUtf8(info.valueString));
}

TEST_F(Automation, TheLastValueReportedIsTheParametersLatest) {
    // Two threads set the lead at once, many times over: whichever order they run in, the host
    // must hear the value that stays last, and the control must store it.
    constexpr int kRounds = 400;
    for (int round = 0; round < kRounds; ++round) {
        std::atomic<int> ready{0};
        auto setter = [&](double value) {
            ready.fetch_add(1);
            while (ready.load() < 2) {
            }
            for (int i = 0; i < 4; ++i) {
                alg.UpdateParamRequestState(kA, value + i);
            }
        };
        const double base = 10.0 * (round % 40);
        std::thread first(setter, base);
        std::thread second(setter, base + 500.0);
        first.join();
        second.join();
        ASSERT_FALSE(Notes().empty());
        const double state = State(kA);
        ASSERT_EQ(Notes().back(), (Note{PM::eSelAutomationValue, kGroup, state}))
            << "round " << round;
        ASSERT_EQ(alg.GetAutomationControl(kGroup)->GetRegistrations()[0].value, state);
        Notes().clear();
    }
}

TEST_F(Automation, NotificationsReachOnlyTheControlsAParameterLeads) {
    alg.NotifyParamValue(kB);  // a follower leads nothing
    alg.Touch(kB);
    alg.Release(kB);
    alg.NotifyParamValue(999);
    EXPECT_TRUE(Notes().empty());
    Set(kA, 321);
    alg.NotifyParamValue(kA);
    ASSERT_EQ(Notes().size(), 1U);
    EXPECT_EQ(Notes()[0], (Note{PM::eSelAutomationValue, kGroup, 321}));
    // Unpublished controls stay silent.
    alg.GetAutomationControl(kGroup)->SetPublished(false);
    Notes().clear();
    alg.NotifyParamValue(kA);
    alg.Touch(kA);
    alg.Release(kA);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(Automation, GesturesNestAndEveryTouchHasOneRelease) {
    const int touch = PM::eSelAutomationTouch;
    const int release = PM::eSelAutomationRelease;
    alg.Release(kA);  // nothing to release
    EXPECT_TRUE(Notes().empty());
    alg.Touch(kA);  // a GUI drag
    alg.Touch(kA);  // and a second source on the same parameter
    EXPECT_EQ(Selectors(), (std::vector<int>{touch}));
    EXPECT_TRUE(alg.GetAutomationControl(kGroup)->GetTouched());
    alg.Release(kA);
    EXPECT_EQ(Selectors(), (std::vector<int>{touch}));
    alg.Release(kA);
    alg.Release(kA);
    EXPECT_EQ(Selectors(), (std::vector<int>{touch, release}));

    // Touching everything while one gesture runs: the running one is not touched again, and
    // releasing everything leaves it open until its own release.
    Notes().clear();
    alg.Touch(kA);
    alg.TouchAllPararms();
    alg.ReleaseAllParams();
    std::vector<Note> expected = {{touch, kGroup, 0},
                                  {touch, AutomationTestAlgorithm::kGainControl, 0},
                                  {touch, AutomationTestAlgorithm::kModeControl, 0},
                                  {release, AutomationTestAlgorithm::kGainControl, 0},
                                  {release, AutomationTestAlgorithm::kModeControl, 0}};
    EXPECT_EQ(Notes(), expected);
    alg.Release(kA);
    expected.push_back({release, kGroup, 0});
    EXPECT_EQ(Notes(), expected);

    // Disposing ends what is still open, once.
    alg.Touch(kA);
    alg.Touch(kA);
    alg.Dispose();
    expected.push_back({touch, kGroup, 0});
    expected.push_back({release, kGroup, 0});
    EXPECT_EQ(Notes(), expected);
    alg.Release(kA);
    EXPECT_EQ(Notes(), expected);
}

TEST_F(Automation, ACancelledDragGoesBackAndReleases) {
    const unsigned int f = AutomationTestAlgorithm::kDragged;  // not linked to a control
    const unsigned int a = kA;
    Set(a, 200);
    alg.Touch(a);
    alg.DragParam(a, 300);
    alg.DragParam(a, 350);
    EXPECT_EQ(State(a), 350);
    alg.CancelDragParam(a);
    EXPECT_EQ(State(a), 200);
    EXPECT_EQ(Notes(), (std::vector<Note>{{PM::eSelAutomationTouch, kGroup, 0},
                                          {PM::eSelAutomationValue, kGroup, 200},
                                          {PM::eSelAutomationRelease, kGroup, 0}}));
    // A finished drag leaves no start behind: cancelling the next one goes back to where that
    // one began.
    alg.DragParam(a, 400);
    alg.UpdateParamState(a, 400);
    alg.DragParam(a, 600);
    alg.CancelDragParam(a);
    EXPECT_EQ(State(a), 400);
    alg.DragParam(f, 700);
    alg.CancelDragParam(f);
    EXPECT_EQ(State(f), 500);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3

namespace kvKorvaneV10_0_3 {
namespace {

// A, B and C renamed as the elements of a numbered family.
void NumberedParams(std::vector<sCONTROL_PARAM>& params) {
    params[AutomationTestAlgorithm::kA].SetName("Band_0");
    params[AutomationTestAlgorithm::kB].SetName("Band_1");
    params[AutomationTestAlgorithm::kC].SetName("Band_2");
}

std::vector<std::string> ControlNames(const cALGORITHM& alg) {
    std::vector<std::string> names;
    for (unsigned int i = 0; i < alg.GetNumAutomationControllers(); ++i) {
        names.emplace_back(alg.GetAutomationControl(i)->GetName().c_str());
    }
    return names;
}

TEST(AutomationNumberedNames, OneElementDescribesAFamilyOfControls) {
    AutomationTestAlgorithm alg(R"(<GUIXML>
  <ControlOrder_List><ControlOrder>
    <Control Name="Send" Num="2" InitIndex="0" ReplaceByIndex="%"/>
  </ControlOrder></ControlOrder_List>
  <Control_List>
    <cCONTROLLER Name="Band # Gain" Class="Automation" Num="3" InitIndex="1" ReplaceByIndex="#">
      <ParameterList><Param Name="Band_#" InitIndex="0"/><Param Name="Gain"/></ParameterList>
    </cCONTROLLER>
    <cCONTROLLER Name="Send" Class="Automation" Num="2" InitIndex="0" ReplaceByIndex="%">
      <ParameterList><Param Name="Band_%"/></ParameterList>
    </cCONTROLLER>
    <cCONTROLLER Name="Band 2 Gain" Class="Automation"><Flags><StickyTouch/></Flags></cCONTROLLER>
  </Control_List>
</GUIXML>)",
                                NumberedParams);
    ASSERT_EQ(alg.FinishCreate(), 0);
    EXPECT_EQ(alg.GetAutomationManager().GetDescriptionResult(), eNoErr);
    // Without the marker in its name the number is appended; the order list names the family
    // the same way.
    EXPECT_EQ(ControlNames(alg), (std::vector<std::string>{"Send 0", "Send 1", "Band 1 Gain",
                                                           "Band 2 Gain", "Band 3 Gain"}));
    // Each control's parameters carry its number; a "Param" counts from its own InitIndex.
    const unsigned int bands[] = {AutomationTestAlgorithm::kA, AutomationTestAlgorithm::kB,
                                  AutomationTestAlgorithm::kC};
    for (unsigned int k = 0; k < 3; ++k) {
        const KCAutomationControl* band = alg.GetAutomationControl(2 + k);
        ASSERT_EQ(band->GetRegistrations().size(), 2U);
        EXPECT_EQ(band->GetLeadParamID(), bands[k]) << k;
        EXPECT_EQ(band->GetRegistrations()[1].paramID, AutomationTestAlgorithm::kGain);
        // Only the control the plain element names was updated.
        EXPECT_EQ(band->GetControlFlag(eCtrlStickyTouch), k == 1) << k;
    }
    EXPECT_EQ(alg.GetAutomationControl(0)->GetLeadParamID(), AutomationTestAlgorithm::kA);
    EXPECT_EQ(alg.GetAutomationControl(1)->GetLeadParamID(), AutomationTestAlgorithm::kB);
    // The families drive their own parameters.
    EXPECT_EQ(alg.SetControllerValue(3, 250), eNoErr);
    EXPECT_EQ(alg.GetParamState(AutomationTestAlgorithm::kB), 250);
    EXPECT_EQ(alg.GetParamState(AutomationTestAlgorithm::kA), 0);
}

TEST(AutomationNumberedNames, BadCountsMakeNoControlOrAreCapped) {
    AutomationTestAlgorithm alg(R"(<GUIXML><Control_List>
    <cCONTROLLER Name="Zero #" Class="Automation" Num="0"><ParameterList><Param Name="A"/></ParameterList></cCONTROLLER>
    <cCONTROLLER Name="Less #" Class="Automation" Num="-3"><ParameterList><Param Name="A"/></ParameterList></cCONTROLLER>
    <cCONTROLLER Name="Word #" Class="Automation" Num="four"><ParameterList><Param Name="A"/></ParameterList></cCONTROLLER>
    <cCONTROLLER Name="Wide #" Class="Automation" Num="99999999999999999999999"/>
    <cCONTROLLER Name="Many #" Class="Automation" Num="100000" InitIndex="x"/>
    <cCONTROLLER Name="Plain" Class="Automation"><ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
  </Control_List></GUIXML>)");
    ASSERT_EQ(alg.FinishCreate(), 0);
    EXPECT_EQ(alg.GetAutomationManager().GetDescriptionResult(), eOutOfRangeNumber);
    // Only the huge counts made controls, capped; a bad InitIndex counts from 1; the rest of
    // the description was read.
    const auto max = static_cast<unsigned int>(KCAutomationManager::kMaxNumberedControls);
    ASSERT_EQ(alg.GetNumAutomationControllers(), 2 * max + 1);
    EXPECT_EQ(alg.GetAutomationControl(0)->GetName(), "Wide 1");
    EXPECT_EQ(alg.GetAutomationControl(max)->GetName(), "Many 1");
    EXPECT_EQ(alg.GetAutomationControl(2 * max - 1)->GetName(),
              ("Many " + std::to_string(max)).c_str());
    EXPECT_EQ(alg.GetAutomationControl(2 * max)->GetName(), "Plain");
    EXPECT_EQ(alg.GetAutomationControl(2 * max)->GetLeadParamID(), AutomationTestAlgorithm::kGain);
}

TEST(AutomationNumberedNames, EveryMarkerIsReplacedOnce) {
    EXPECT_EQ(KCAutomationManager::ReplaceIndexMarker("#-#", "#", 12), "12-12");
    // The number may contain the marker: it is not replaced again.
    EXPECT_EQ(KCAutomationManager::ReplaceIndexMarker("x1y1", "1", 11), "x11y11");
    EXPECT_EQ(KCAutomationManager::ReplaceIndexMarker("Band", "", 3), "Band");
    EXPECT_EQ(KCAutomationManager::ReplaceIndexMarker("N#", "#", -2), "N-2");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3

namespace kvKorvaneV10_0_3 {
namespace {

// Eleven controls: two pages of the default table.
std::string ElevenControls() {
    std::string text = "<GUIXML><Control_List>";
    text +=
        R"(<cCONTROLLER Name="K" Class="Automation" Num="11"><ParameterList><Param Name="A"/></ParameterList>)";
    text += "</cCONTROLLER></Control_List></GUIXML>";
    return text;
}

TEST(AutomationPageTables, TheDefaultTableReadsBackAsWritten) {
    AutomationTestAlgorithm alg(ElevenControls());
    ASSERT_EQ(alg.FinishCreate(), 0);
    const KCAutomationManager& manager = alg.GetAutomationManager();
    XML::CXMLElement parent;
    manager.WriteDefaultPageTablesToXML(parent);
    KCAutomationManager::KCPageTable table;
    ASSERT_EQ(manager.ReadXMLControlsListForSavedPageTable(parent, table), eNoErr);
    EXPECT_EQ(table, manager.GetDefaultPageTable());
    ASSERT_EQ(table.pages.size(), 2U);
    EXPECT_EQ(table.pages[1], (std::vector<unsigned int>{8, 9, 10}));
    EXPECT_EQ(table.name, "PageTable 1");

    // Without a table: the default one and an error.
    KCAutomationManager::KCPageTable none;
    EXPECT_EQ(manager.ReadXMLControlsListForSavedPageTable(XML::CXMLElement(), none),
              eValueNotFound);
    EXPECT_EQ(none, manager.GetDefaultPageTable());
}

TEST(AutomationPageTables, ASavedTableKeepsItsArrangement) {
    AutomationTestAlgorithm alg(ElevenControls());
    ASSERT_EQ(alg.FinishCreate(), 0);
    const XML::CXMLElement gui = ParseXML(R"(<GUIXML>
  <Control_List><cCONTROLLER Name="Intruder" Class="Automation"/></Control_List>
  <PTLayout>
    <PageTable name="Other" pageSize="8"><Page><Control Name="K 1"/></Page></PageTable>
    <PageTable name="Mine" pageSize="3">
      <Page><Control Name="K 5"/><Dummy/><Control Name="Gone"/><Control Name="K 6"/></Page>
      <Page><Control Name="K 1"/><Control Name="K 5"/><Control Name="K 2"/></Page>
    </PageTable>
  </PTLayout>
</GUIXML>)");
    const KCAutomationManager& manager = alg.GetAutomationManager();
    KCAutomationManager::KCPageTable table;
    ASSERT_EQ(manager.ReadXMLControlsListForSavedPageTable(gui, table, "Mine"), eNoErr);
    constexpr unsigned int kEmpty = KCAutomationManager::kEmptySlot;
    EXPECT_EQ(table.name, "Mine");
    EXPECT_EQ(table.pageSize, 3U);
    // Slots past the page size are dropped (K 6), a control listed twice stays where it first
    // was, and the unlisted controls follow on pages of their own.
    EXPECT_EQ(table.pages, (std::vector<std::vector<unsigned int>>{
                               {4, kEmpty, kEmpty}, {0, 1}, {2, 3, 5}, {6, 7, 8}, {9, 10}}));
    // The saved control list added nothing.
    EXPECT_EQ(alg.GetNumAutomationControllers(), 11U);
    // An unknown table name reads the first table.
    ASSERT_EQ(manager.ReadXMLControlsListForSavedPageTable(gui, table, "Missing"), eNoErr);
    EXPECT_EQ(table.name, "Other");
    EXPECT_EQ(table.pages.front(), (std::vector<unsigned int>{0}));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3

namespace kvKorvaneV10_0_3 {
namespace {

// "Group" and "Gain" share MIDI group 2; "Fixed" cannot attach to MIDI.
constexpr const char* kMidiDescription = R"(<GUIXML><Control_List>
  <cCONTROLLER Name="Group" Class="Automation"><Flags><CanAttachToMIDI/></Flags><MIDIGroup>2</MIDIGroup>
    <ParameterList><Param Name="A"/><Param Name="B"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Gain" Class="Automation"><Flags><CanAttachToMIDI/></Flags><MIDIGroup Value="2"/>
    <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Mode" Class="Automation"><Flags><CanAttachToMIDI/></Flags>
    <ParameterList><Param Name="Mode"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Fixed" Class="Automation"><ParameterList><Param Name="C"/></ParameterList></cCONTROLLER>
</Control_List></GUIXML>)";

class AutomationMidi : public ::testing::Test {
protected:
    enum : unsigned int { kGroupCtl, kGainCtl, kModeCtl, kFixedCtl };
    static constexpr int kCC = 4;
    void SetUp() override {
        alg.SetExecCallBack(Recorder, 7);
        ASSERT_EQ(alg.FinishCreate(), 0);
        Notes().clear();
    }
    KCAutomationManager& Manager() { return alg.GetAutomationManager(); }
    void Attach(unsigned int index, int channel, int number, int type, bool keySwitch = false) {
        KCAutomationControl* c = alg.GetAutomationControl(index);
        c->SetMIDIChannel(channel);
        c->SetMIDIControlID(number);
        c->SetMIDIEventType(type);
        c->SetMIDIKeySwitch(keySwitch);
    }
    double State(unsigned int i) const { return alg.GetParamState(i); }

    AutomationTestAlgorithm alg{kMidiDescription};
};

TEST_F(AutomationMidi, LearningAttachesTheNextEventAndTheGroupFollows) {
    EXPECT_FALSE(Manager().AttachMIDIToLearnMode(kFixedCtl, true)) << "no CanAttachToMIDI";
    EXPECT_FALSE(Manager().AttachMIDIToLearnMode(99, true));
    EXPECT_EQ(Manager().WhichControlInMIDILearn(), -1);
    ASSERT_TRUE(Manager().AttachMIDIToLearnMode(kGroupCtl, true));
    EXPECT_EQ(Manager().WhichControlInMIDILearn(), static_cast<int>(kGroupCtl));
    const double a = State(AutomationTestAlgorithm::kA);

    // The learning event attaches and moves nothing.
    EXPECT_EQ(alg.MidiProcessControlChange(3, 74, kCC, 100), 1);
    EXPECT_EQ(State(AutomationTestAlgorithm::kA), a);
    EXPECT_TRUE(Notes().empty());
    EXPECT_EQ(Manager().WhichControlInMIDILearn(), -1);
    EXPECT_EQ(alg.GetMIDIEventControls(3, 74, kCC),
              (std::vector<unsigned int>{kGroupCtl, kGainCtl}))
        << "the group's other control follows";
    EXPECT_TRUE(alg.GetMIDIEventControls(2, 74, kCC).empty()) << "another channel";
    EXPECT_FALSE(alg.GetAutomationControl(kGroupCtl)->GetMIDIKeySwitch());
    EXPECT_FALSE(alg.GetAutomationControl(kModeCtl)->GetMIDIAttachment().IsAttached());

    // A note learns as a key switch, and its release finds it too.
    ASSERT_TRUE(Manager().AttachMIDIToLearnMode(kModeCtl, true));
    EXPECT_EQ(alg.MidiProcessControlChange(0, 60, KCAutomationManager::kMidiNoteOn, 127), 1);
    EXPECT_TRUE(alg.GetAutomationControl(kModeCtl)->GetMIDIKeySwitch());
    EXPECT_EQ(alg.GetMIDIEventControls(0, 60, KCAutomationManager::kMidiNoteOff),
              (std::vector<unsigned int>{kModeCtl}));

    // Learning ends on request too; clearing detaches everything.
    ASSERT_TRUE(Manager().AttachMIDIToLearnMode(kGainCtl, true));
    EXPECT_TRUE(Manager().AttachMIDIToLearnMode(kGainCtl, false));
    EXPECT_EQ(Manager().WhichControlInMIDILearn(), -1);
    alg.ClearMidiControlsAttachment();
    EXPECT_TRUE(alg.GetMIDIEventControls(3, 74, kCC).empty());
    EXPECT_TRUE(alg.GetMIDIEventControls(0, 60, KCAutomationManager::kMidiNoteOn).empty());
    EXPECT_EQ(alg.MidiProcessControlChange(3, 74, kCC, 100), 0);
}

TEST_F(AutomationMidi, AnEventMovesEachAttachedControlInAGestureOfItsOwn) {
    Attach(kGroupCtl, 0, 74, kCC);
    alg.UpdateParamState(AutomationTestAlgorithm::kB, 300);
    Notes().clear();
    EXPECT_EQ(alg.MidiProcessControlChange(0, 74, kCC, 127), 1);
    EXPECT_EQ(State(AutomationTestAlgorithm::kA), 1000);
    EXPECT_EQ(State(AutomationTestAlgorithm::kB), 1000) << "the follower moved by the delta";
    const std::intptr_t at = kGroupCtl;
    EXPECT_EQ(Notes(), (std::vector<Note>{{PM::eSelAutomationTouch, at, 0},
                                          {PM::eSelAutomationValue, at, 1000},
                                          {PM::eSelAutomationRelease, at, 0}}));
    EXPECT_EQ(alg.MidiProcessControlChange(0, 74, kCC, 0), 1);
    EXPECT_EQ(State(AutomationTestAlgorithm::kA), 0);
    EXPECT_EQ(alg.MidiProcessControlChange(16, 74, kCC, 127), 0) << "no such channel";
    EXPECT_EQ(alg.MidiProcessControlChange(0, 75, kCC, 127), 0) << "nothing attached";
    EXPECT_EQ(State(AutomationTestAlgorithm::kA), 0);

    // Pitch bend spans its whole range; a discrete lead takes whole states.
    Attach(kGainCtl, 1, 0, KCAutomationManager::kMidiPitchBend);
    alg.MidiProcessControlChange(1, 0, KCAutomationManager::kMidiPitchBend, 8191);
    EXPECT_EQ(State(AutomationTestAlgorithm::kGain), 1000);
    alg.MidiProcessControlChange(1, 0, KCAutomationManager::kMidiPitchBend, -8192);
    EXPECT_EQ(State(AutomationTestAlgorithm::kGain), 0);
    alg.MidiProcessControlChange(1, 0, KCAutomationManager::kMidiPitchBend, 0);
    EXPECT_NEAR(State(AutomationTestAlgorithm::kGain), 500, 0.1);
    Attach(kModeCtl, 0, 7, kCC);
    alg.MidiProcessControlChange(0, 7, kCC, 64);
    EXPECT_EQ(State(AutomationTestAlgorithm::kMode), 1);
    alg.MidiProcessControlChange(0, 7, kCC, 127);
    EXPECT_EQ(State(AutomationTestAlgorithm::kMode), 2);
}

TEST_F(AutomationMidi, ARealWorldValueGivesTheLeadsState) {
    // Gain is linear from -24 to 24: 0 is the middle, beyond the range the end.
    EXPECT_NEAR(alg.ControlStateFromRealWorldValue(kGainCtl, 0.0), 500, 1e-9);
    EXPECT_NEAR(alg.ControlStateFromRealWorldValue(kGainCtl, 12.0), 750, 1e-9);
    EXPECT_EQ(alg.ControlStateFromRealWorldValue(kGainCtl, 100.0), 1000);
    EXPECT_EQ(alg.ControlStateFromRealWorldValue(kGainCtl, -100.0), 0);
    EXPECT_EQ(alg.ControlStateFromRealWorldValue(kGainCtl, std::nan("")), -1);
    EXPECT_EQ(alg.ControlStateFromRealWorldValue(99, 0.0), -1);
    // A discrete lead gets a whole state.
    const double mode = alg.ControlStateFromRealWorldValue(kModeCtl, 0.6);
    EXPECT_EQ(mode, std::round(mode));
    EXPECT_GE(mode, 0);
    EXPECT_LE(mode, 2);
    EXPECT_EQ(alg.GetParamState(AutomationTestAlgorithm::kGain), 500) << "nothing moved";
}

TEST_F(AutomationMidi, KeySwitchesStepOnPressAndSurfacesShowTheState) {
    Attach(kModeCtl, 0, 60, KCAutomationManager::kMidiNoteOn, true);
    alg.UpdateParamState(AutomationTestAlgorithm::kMode, 1);
    EXPECT_EQ(alg.MidiProcessControlChange(0, 60, KCAutomationManager::kMidiNoteOn, 127), 1);
    EXPECT_EQ(State(AutomationTestAlgorithm::kMode), 2);
    EXPECT_EQ(alg.MidiProcessControlChange(0, 60, KCAutomationManager::kMidiNoteOff, 0), 0);
    EXPECT_EQ(alg.MidiProcessControlChange(0, 60, KCAutomationManager::kMidiNoteOn, 0), 0)
        << "a note on without velocity is a release";
    EXPECT_EQ(State(AutomationTestAlgorithm::kMode), 2);
    alg.MidiProcessControlChange(0, 60, KCAutomationManager::kMidiNoteOn, 90);
    EXPECT_EQ(State(AutomationTestAlgorithm::kMode), 0) << "after the last state, the first";

    // With "SetOppositeNextState" a discrete lead jumps between its ends.
    KCAutomationControl* mode = alg.GetAutomationControl(kModeCtl);
    mode->SetControlFlag(eCtrlSetOppositeNextState, true);
    EXPECT_EQ(Manager().CalculateNextState(kModeCtl), 2);
    alg.UpdateParamState(AutomationTestAlgorithm::kMode, 1);
    EXPECT_EQ(Manager().CalculateNextState(kModeCtl), 0);
    // A continuous lead toggles between its ends.
    alg.UpdateParamState(AutomationTestAlgorithm::kGain, 100);
    EXPECT_EQ(Manager().CalculateNextState(kGainCtl), 1000);
    alg.UpdateParamState(AutomationTestAlgorithm::kGain, 700);
    EXPECT_EQ(Manager().CalculateNextState(kGainCtl), 0);
    EXPECT_EQ(Manager().CalculateNextState(99), -1);

    // The surface shows the state as a MIDI value, or the display entry the value names.
    EXPECT_EQ(alg.ControlLedStateFromMap(kModeCtl), 64);
    EXPECT_EQ(alg.ControlLedStateFromMap(kGainCtl), 89);
    EXPECT_EQ(alg.ControlLedStateFromMap(99), -1);
    const std::string shown = alg.GetParam(AutomationTestAlgorithm::kGain).GetValueString().c_str();
    ASSERT_FALSE(shown.empty());
    const XML::CXMLElement surface = ParseXML(
        R"(<ControlSurface Type="Rotary"><Display Name="Other" Value="3"/><Display Name=")" +
        shown + R"(" Value="9"/></ControlSurface>)");
    alg.GetAutomationControl(kGainCtl)->ReadFromXMLControlSurfaceDisplay(surface);
    EXPECT_EQ(alg.ControlLedStateFromMap(kGainCtl), 9);
    alg.UpdateParamState(AutomationTestAlgorithm::kGain, 100);
    EXPECT_EQ(alg.ControlLedStateFromMap(kGainCtl), 13) << "a value the map does not name";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
