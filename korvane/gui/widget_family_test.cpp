// The rest of the widget family on a real algorithm: text entry commits and cancels, IncDec
// steps and repeats until released or cancelled, the fixed-state toggle and radio buttons set
// their states, bars and arcs draw their value, the invisible controls stay out of the way, the
// impulse-response browser answers without a GUI, and every type is made by its name.
#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/control_test_algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/ir_file_browse.h"
#include "korvane/gui/pvm/dialogs.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/widget_test_support.h"
#include "korvane/gui/widget_bar_arc.h"
#include "korvane/gui/widget_basic.h"
#include "korvane/gui/widget_inc_dec.h"
#include "korvane/gui/widget_text_entry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::ControlTestAlgorithm;
using test_support::ParseXML;
using testing::Argb;
using testing::At;
using testing::Render;
using testing::Yaml;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

PVM::KCEventData KeyEvent(PVM::KEKeyCode code) {
    PVM::KCEventData event;
    event.SetKey(code, 0);
    return event;
}

class Family : public testing::WidgetTest<ControlTestAlgorithm> {
protected:
    static constexpr unsigned int kSteps = ControlTestAlgorithm::kSteps;
    static constexpr unsigned int kGain = ControlTestAlgorithm::kGain;

    void TearDown() override {
        SetTextEntryPresenter({});
        SetIRFileBrowser({});
    }
};

// ------------------------------------------------------------------ text entry

TEST_F(Family, TextEntryCommitsCancelsAndRejects) {
    auto field = Make<CTextEntry_X>("<Param Name='Gain'/>");
    Set(kGain, 1000);
    Down(*field);
    EXPECT_EQ(field->GetLastEntryResult(), eUserCanceled)
        << "no presenter and no display: the edit box's default responder cancels";
    EXPECT_DOUBLE_EQ(State(kGain), 1000);

    // Without a presenter the view manager's edit box takes the request.
    PluginViewManager::KCTextBoxOptions boxed;
    PluginViewManager::SetTextBoxResponder(
        [&](const PluginViewManager::KCTextBoxOptions& options, std::string& text) {
            boxed = options;
            text = "-12";
            return true;
        });
    Down(*field);
    PluginViewManager::SetTextBoxResponder({});
    EXPECT_EQ(field->GetLastEntryResult(), eNoErr);
    EXPECT_EQ(boxed.text, "24.0 dB");
    EXPECT_EQ(boxed.acceptable, "0123456789.+-");
    EXPECT_EQ(boxed.rect, KURect<short>(0, 0, 40, 40));
    EXPECT_DOUBLE_EQ(State(kGain), 250) << "-12 dB of -24 ... 24";
    Set(kGain, 1000);

    KSTextEntryRequest shown;
    std::string answer = "6";
    bool commit = true;
    SetTextEntryPresenter([&](const KSTextEntryRequest& request, std::string& entered) {
        shown = request;
        entered = answer;
        return commit;
    });
    Down(*field);
    EXPECT_EQ(field->GetLastEntryResult(), eNoErr);
    EXPECT_EQ(shown.text, "24.0 dB");
    EXPECT_EQ(shown.allowedCharacters, "0123456789.+-");
    EXPECT_EQ(shown.rect, KURect<short>(0, 0, 40, 40));
    EXPECT_DOUBLE_EQ(State(kGain), 625) << "6 dB of -24 ... 24";
    EXPECT_EQ(field->GetValueText(), "6.0 dB");

    commit = false;
    answer = "-6";
    Down(*field);
    EXPECT_EQ(field->GetLastEntryResult(), eUserCanceled);
    EXPECT_DOUBLE_EQ(State(kGain), 625);

    commit = true;
    answer = "12dB";  // a presenter that let a letter through
    Down(*field);
    EXPECT_EQ(field->GetLastEntryResult(), eNotJustANumber);
    EXPECT_DOUBLE_EQ(State(kGain), 625);

    answer = "";
    Down(*field);
    EXPECT_EQ(field->GetLastEntryResult(), eUserCanceled) << "empty text sets nothing";
    EXPECT_DOUBLE_EQ(State(kGain), 625);

    auto display = Make<CTextEntry_X>("<Param Name='Gain'><DisplayOnly/></Param>");
    answer = "0";
    Down(*display);
    EXPECT_EQ(display->GetLastEntryResult(), eWrongObjectState);
    EXPECT_DOUBLE_EQ(State(kGain), 625);

    const std::string drawn = Yaml(*field);
    EXPECT_NE(drawn.find("text: 6.0 dB"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("DrawVertices"), std::string::npos) << "the field's frame";
}

// ------------------------------------------------------------------ IncDec

class IncDecTest : public Family {
protected:
    std::unique_ptr<CIncDec> MakeIncDec(const std::string& params, const std::string& rest,
                                        const std::string& rect = "width='40' height='40'") {
        auto button = Make<CIncDec>(params, rest, rect);
        button->SetClock([this] { return now; });
        return button;
    }
    // Lets time pass and runs the GUI's idle pass on the button.
    bool Idle(CIncDec& button, std::uint64_t us) {
        now += us;
        return button.UpdateMeter();
    }
    std::uint64_t now = 1'000'000;
};

TEST_F(IncDecTest, APressStepsOnceThenRepeatsUntilReleased) {
    auto inc = MakeIncDec("<Param Name='Steps'/>", "<IncDec Value='Inc'/>");
    Set(kSteps, 0);
    Down(*inc);
    EXPECT_DOUBLE_EQ(State(kSteps), 1) << "the press itself steps";
    ASSERT_TRUE(inc->IsRepeating());
    EXPECT_FALSE(Idle(*inc, CIncDec::kRepeatDelayUs - 1));
    EXPECT_DOUBLE_EQ(State(kSteps), 1) << "no repeat before the delay";
    EXPECT_TRUE(Idle(*inc, 1));
    EXPECT_DOUBLE_EQ(State(kSteps), 2);
    EXPECT_FALSE(Idle(*inc, CIncDec::kRepeatIntervalUs - 1));
    EXPECT_TRUE(Idle(*inc, 1));
    EXPECT_DOUBLE_EQ(State(kSteps), 3) << "then at the shorter interval";
    Up(*inc);
    EXPECT_FALSE(inc->IsRepeating());
    EXPECT_FALSE(Idle(*inc, 10 * CIncDec::kRepeatDelayUs));
    EXPECT_DOUBLE_EQ(State(kSteps), 3) << "the release stopped the repeats";

    // A discrete parameter stops at its last state rather than wrapping.
    Set(kSteps, 6);
    Down(*inc);
    EXPECT_DOUBLE_EQ(State(kSteps), 7);
    EXPECT_FALSE(Idle(*inc, CIncDec::kRepeatDelayUs)) << "nothing moves at the end";
    EXPECT_DOUBLE_EQ(State(kSteps), 7);
    Up(*inc);
}

TEST_F(IncDecTest, CancelDisableAndTheGuiReleaseStopTheRepeat) {
    auto dec = MakeIncDec("<Param Name='Gain'/>", "<IncDec Value='Dec'/><Constant Value='10'/>");
    EXPECT_DOUBLE_EQ(dec->GetConstant(), 10);
    Set(kGain, 500);
    Down(*dec);
    EXPECT_DOUBLE_EQ(State(kGain), 490);
    dec->CancelRepeat();
    EXPECT_FALSE(Idle(*dec, CIncDec::kRepeatDelayUs));
    EXPECT_DOUBLE_EQ(State(kGain), 490);

    Down(*dec);
    dec->SetDisabled();
    EXPECT_FALSE(dec->IsRepeating());
    EXPECT_FALSE(Idle(*dec, CIncDec::kRepeatDelayUs));
    EXPECT_DOUBLE_EQ(State(kGain), 480);
    dec->ClearDisabled();

    // Through the standard GUI: its press starts the repeat, its idle pass runs it, and its
    // release (also what the view runs when a drag is cut short) stops it.
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    gui.AttachAlgorithm(&alg);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
      <cCONTROLLER Name="B"><Class Type="IncDec"/><ControlRect left="0" top="0" width="20"
        height="40"/><ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
    </Control_List></GUIXML>)")),
              eNoErr);
    auto* both = dynamic_cast<CIncDec*>(gui.GetControlPtrByName("B"));
    ASSERT_NE(both, nullptr);
    both->SetClock([this] { return now; });
    Set(kGain, 500);
    PVM::KCEventData press = At(10, 30);  // the lower half decrements
    gui.DoMouseDown(press);
    EXPECT_DOUBLE_EQ(State(kGain), 499);
    now += CIncDec::kRepeatDelayUs;
    gui.DoIdle();
    EXPECT_DOUBLE_EQ(State(kGain), 498);
    PVM::KCEventData release = At(10, 30);
    release.SetMouseButtonPressed(PVM::eLeftButton, false);
    gui.DoMouseUp(release);
    EXPECT_FALSE(both->IsRepeating());
    now += CIncDec::kRepeatDelayUs;
    gui.DoIdle();
    EXPECT_DOUBLE_EQ(State(kGain), 498);
    PVM::KCEventData upper = At(10, 5);
    gui.DoMouseDown(upper);
    EXPECT_DOUBLE_EQ(State(kGain), 499) << "the upper half increments";
    gui.DoMouseUp(release);
}

TEST_F(IncDecTest, DrawsTheHeldButtonLitAndRoundTrips) {
    auto both = MakeIncDec("<Param Name='Gain'/>", "", "width='20' height='40'");
    const PVM::KCImagePixels idle = Render(*both, 20, 40);
    EXPECT_EQ(idle.At(3, 3), Argb(kDefaultWidgetPalette.sliderThumb));
    EXPECT_EQ(idle.At(3, 36), Argb(kDefaultWidgetPalette.sliderThumb));
    Down(*both, 10, 35);
    const PVM::KCImagePixels held = Render(*both, 20, 40);
    EXPECT_EQ(held.At(3, 3), Argb(kDefaultWidgetPalette.sliderThumb));
    EXPECT_EQ(held.At(3, 36), Argb(kDefaultWidgetPalette.active)) << "the lower button is held";
    Up(*both);

    auto dec = MakeIncDec("<Param Name='Gain'/>", "<IncDec Value='Dec'/><Constant Value='2.5'/>");
    XML::CXMLElement parent("List", "");
    dec->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    ASSERT_FALSE(parent.GetSubElements().empty());
    CIncDec back;
    back.ReadFromXMLWithAlg(*parent.GetSubElements().back(), &alg, false);
    EXPECT_EQ(back.GetMode(), CIncDec::eDecrement);
    EXPECT_DOUBLE_EQ(back.GetConstant(), 2.5);
    auto bad = MakeIncDec("<Param Name='Gain'/>", "<Constant Value='-3'/>");
    EXPECT_DOUBLE_EQ(bad->GetConstant(), 1) << "a step that is not positive is ignored";
}

// ------------------------------------------------------------------ toggles and radio buttons

TEST_F(Family, FixedStateToggleSetsItsStateOrOff) {
    auto toggle =
        Make<CFixedStateToggleWithOff>("<Param Name='Steps'/>", "<FixedState Value='5'/>");
    Set(kSteps, 2);
    EXPECT_FALSE(toggle->IsOn());
    Down(*toggle);
    Up(*toggle);
    EXPECT_DOUBLE_EQ(State(kSteps), 5);
    EXPECT_TRUE(toggle->IsOn());
    const PVM::KCImagePixels on = Render(*toggle, 40, 40);
    EXPECT_EQ(on.At(20, 20), Argb(kDefaultWidgetPalette.toggleOn));
    Down(*toggle);
    Up(*toggle);
    EXPECT_DOUBLE_EQ(State(kSteps), 0) << "a second click turns it off";
    EXPECT_EQ(Render(*toggle, 40, 40).At(20, 20), Argb(kDefaultWidgetPalette.toggleOff));
    // From another state the click goes to the fixed state, not off.
    Set(kSteps, 7);
    Down(*toggle);
    Up(*toggle);
    EXPECT_DOUBLE_EQ(State(kSteps), 5);

    // The registration's own fixed state wins over the description's.
    auto registered = Make<CFixedStateToggleWithOff>(
        "<Param Name='Steps'><FixedState Value='3'/></Param>", "<FixedState Value='5'/>");
    if (registered->GetLeadRegistration()->AnswersTo(eRegFixedState)) {
        EXPECT_DOUBLE_EQ(registered->GetFixedState(),
                         registered->GetLeadRegistration()->fixedStateValue);
    }
}

TEST_F(Family, RadioButtonsSelectByClickAndArrowKeys) {
    // Three divisions in a row: 0 | 1 | 2; the right neighbour of 2 is missing.
    auto radio =
        Make<CRadioButton_X>("<Param Name='Steps'/>",
                             "<RadioButtonDivision><Rect left='0' top='0' width='10' height='10'/>"
                             "<Neighbors right='1'/></RadioButtonDivision>"
                             "<RadioButtonDivision><Rect left='10' top='0' width='10' height='10'/>"
                             "<Neighbors left='0' right='2'/></RadioButtonDivision>"
                             "<RadioButtonDivision><Rect left='20' top='0' width='10' height='10'/>"
                             "<Neighbors left='1' right='9'/></RadioButtonDivision>",
                             "width='30' height='10'");
    ASSERT_EQ(radio->GetDivisions().size(), 3U);
    Down(*radio, 15, 5);
    Up(*radio);
    EXPECT_DOUBLE_EQ(State(kSteps), 1);
    EXPECT_EQ(radio->GetSelectedDivision(), 1);
    EXPECT_FALSE(radio->IsPointInside({15, 20}, nullptr)) << "outside every division";
    EXPECT_TRUE(radio->IsPointInside({25, 5}, nullptr));

    bool handled = false;
    Free(radio->Key(KeyEvent(PVM::eKeyRight), handled));
    EXPECT_TRUE(handled);
    EXPECT_DOUBLE_EQ(State(kSteps), 2);
    Free(radio->Key(KeyEvent(PVM::eKeyRight), handled));
    EXPECT_DOUBLE_EQ(State(kSteps), 2) << "a neighbour past the divisions goes nowhere";
    Free(radio->Key(KeyEvent(PVM::eKeyUp), handled));
    EXPECT_TRUE(handled) << "the arrows are the radio buttons' even without a neighbour";
    EXPECT_DOUBLE_EQ(State(kSteps), 2);
    Free(radio->Key(KeyEvent(PVM::eKeyLeft), handled));
    EXPECT_DOUBLE_EQ(State(kSteps), 1);

    const PVM::KCImagePixels pixels = Render(*radio, 30, 10);
    EXPECT_EQ(pixels.At(5, 5), Argb(kDefaultWidgetPalette.toggleOff));
    EXPECT_EQ(pixels.At(15, 5), Argb(kDefaultWidgetPalette.toggleOn));
    EXPECT_EQ(pixels.At(25, 5), Argb(kDefaultWidgetPalette.toggleOff));
    Set(kSteps, 6);
    EXPECT_EQ(radio->GetSelectedDivision(), -1) << "a state without a division selects none";
}

TEST_F(Family, ARadioDivisionWithoutARectKeepsTheOthersInPlace) {
    // Division 1 has no place: it takes no click, yet division 2 still stands for state 2.
    auto radio =
        Make<CRadioButton_X>("<Param Name='Steps'/>",
                             "<RadioButtonDivision><Rect left='0' top='0' width='10' height='10'/>"
                             "<Neighbors right='2'/></RadioButtonDivision>"
                             "<RadioButtonDivision/>"
                             "<RadioButtonDivision><Rect left='20' top='0' width='10' height='10'/>"
                             "<Neighbors left='0'/></RadioButtonDivision>",
                             "width='30' height='10'");
    ASSERT_EQ(radio->GetDivisions().size(), 3U);
    EXPECT_EQ(radio->DivisionAt({25, 5}), 2);
    EXPECT_EQ(radio->DivisionAt({0, 0}), 0) << "the empty rect does not shadow division 0";
    Down(*radio, 25, 5);
    Up(*radio);
    EXPECT_DOUBLE_EQ(State(kSteps), 2);
    bool handled = false;
    Free(radio->Key(KeyEvent(PVM::eKeyLeft), handled));
    EXPECT_DOUBLE_EQ(State(kSteps), 0);
    Free(radio->Key(KeyEvent(PVM::eKeyRight), handled));
    EXPECT_DOUBLE_EQ(State(kSteps), 2) << "neighbour indices count the division without a rect";
}

// ------------------------------------------------------------------ invisible controls

TEST_F(Family, InvisibleControlsDrawNothingAndTakeNoClicks) {
    auto none = Make<CNoGUI>("<Param Name='Gain'/>");
    EXPECT_FALSE(none->IsPointInside({5, 5}, nullptr));
    EXPECT_FALSE(none->DoYouIntersect(KURect<short>(0, 0, 40, 40), nullptr));
    EXPECT_EQ(Yaml(*none).find("Draw"), std::string::npos) << Yaml(*none);
    auto automation = Make<CControlForAutomation_X>("<Param Name='Gain'/>");
    EXPECT_TRUE(automation->GetControlFlag(eCtrlAutomatable));
    EXPECT_FALSE(automation->IsPointInside({5, 5}, nullptr));
    // It still follows its parameter, so the host's automation reaches it.
    Set(kGain, 250);
    automation->UpdatePointer(0);
    EXPECT_DOUBLE_EQ(automation->GetLeadRegistration()->value, 250);
}

// ------------------------------------------------------------------ bars and arcs

TEST_F(Family, BarsFillOrMarkTheValueInBothOrientations) {
    auto tall =
        Make<CBar_X>("<Param Name='Gain'><MouseVertical/></Param>", "", "width='10' height='100'");
    Set(kGain, 250);
    EXPECT_TRUE(tall->IsVertical());
    EXPECT_EQ(tall->GetFilledRect(), KURect<short>(75, 0, 100, 10));
    const PVM::KCImagePixels p = Render(*tall, 10, 100);
    EXPECT_EQ(p.At(5, 80), Argb(kDefaultWidgetPalette.meterBar));
    EXPECT_EQ(p.At(5, 70), Argb(kDefaultWidgetPalette.sliderTrack));

    auto wide = Make<CBar_X>("<Param Name='Steps'/>", "", "width='70' height='10'");
    Set(kSteps, 7);
    EXPECT_FALSE(wide->IsVertical());
    EXPECT_DOUBLE_EQ(wide->GetValueFraction(), 1.0) << "the last of 8 states fills the bar";
    Set(kSteps, 2);
    EXPECT_EQ(wide->GetFilledRect(), KURect<short>(0, 0, 10, 20));
    Set(kSteps, 0);
    EXPECT_EQ(Yaml(*wide).find(std::to_string(kDefaultWidgetPalette.meterBar.green)),
              Yaml(*wide).find(std::to_string(kDefaultWidgetPalette.meterBar.green)));
    const PVM::KCImagePixels empty = Render(*wide, 70, 10);
    EXPECT_EQ(empty.At(1, 5), Argb(kDefaultWidgetPalette.sliderTrack)) << "nothing filled at 0";

    auto marker = Make<CBarMarker_X>("<Param Name='Gain'/>", "", "width='10' height='100'");
    Set(kGain, 1000);
    const PVM::KCImagePixels top = Render(*marker, 10, 100);
    EXPECT_EQ(top.At(5, 0), Argb(kDefaultWidgetPalette.knobPointer)) << "kept inside at the top";
    EXPECT_EQ(top.At(5, 50), Argb(kDefaultWidgetPalette.sliderTrack));
    Set(kGain, 500);
    const PVM::KCImagePixels middle = Render(*marker, 10, 100);
    EXPECT_EQ(middle.At(5, 50), Argb(kDefaultWidgetPalette.knobPointer));
    EXPECT_EQ(middle.At(5, 0), Argb(kDefaultWidgetPalette.sliderTrack));

    // Dragging goes through the base registration logic.
    Set(kGain, 500);
    Down(*tall);
    Free(tall->MouseDrag(At(5, 5), 0, 100, nullptr));
    Up(*tall);
    EXPECT_DOUBLE_EQ(State(kGain), 600);
}

TEST_F(Family, ArcsSweepToTheValueOrMarkIt) {
    auto arc = Make<CArc_X>("<Param Name='Gain'/>");
    Set(kGain, 500);
    EXPECT_DOUBLE_EQ(arc->GetValueAngle(), 0);
    const std::string half = Yaml(*arc);
    EXPECT_NE(half.find("sweep_angle: 270"), std::string::npos) << half;
    EXPECT_NE(half.find("sweep_angle: 135"), std::string::npos) << "half the arc";
    Set(kGain, 0);
    EXPECT_DOUBLE_EQ(arc->GetValueAngle(), -135);
    const std::string none = Yaml(*arc);
    EXPECT_EQ(none.find("sweep_angle: 0"), std::string::npos) << "no empty value arc";

    auto marker = Make<CArcMarker_X>("<Param Name='Gain'/>");
    Set(kGain, 1000);
    EXPECT_DOUBLE_EQ(marker->GetValueAngle(), 135);
    const std::string marked = Yaml(*marker);
    Set(kGain, 0);
    EXPECT_NE(Yaml(*marker), marked) << "the marker line moves with the value";
    EXPECT_EQ(marked.find("sweep_angle: 270", marked.find("sweep_angle: 270") + 1),
              std::string::npos)
        << "only the track, no value arc";
}

// ------------------------------------------------------------------ browser and type names

TEST_F(Family, TheImpulseResponseBrowserAnswersCancelledWithoutAGui) {
    KCFixedString<1023> chosen("kept");
    EXPECT_EQ(CustomBrowseIRFile(chosen), eUserCanceled);
    EXPECT_STREQ(chosen.c_str(), "kept");

    KSIRFileBrowseRequest seen;
    SetIRFileBrowser([&](const KSIRFileBrowseRequest& request, KCFixedString<1023>& file) {
        seen = request;
        file = "/irs/hall.wav";
        return true;
    });
    EXPECT_EQ(CustomBrowseIRFile(chosen, "/irs"), eNoErr);
    EXPECT_STREQ(chosen.c_str(), "/irs/hall.wav");
    EXPECT_EQ(seen.title, "Select Impulse Response");
    ASSERT_FALSE(seen.filters.empty());
    EXPECT_EQ(seen.filters.front().name, "Wave files");
    EXPECT_STREQ(seen.startFolder.c_str(), "/irs");
    SetIRFileBrowser([](const KSIRFileBrowseRequest&, KCFixedString<1023>&) { return false; });
    EXPECT_EQ(CustomBrowseIRFile(chosen), eUserCanceled);
}

// Set when the state a callback holds is freed; read outside the callback's own storage.
std::weak_ptr<int> g_heldByCallback;
bool g_freedWhileRunning = false;

TEST_F(Family, ACallbackThatReplacesItselfRunsToItsEnd) {
    auto held = std::make_shared<int>(1);
    g_heldByCallback = held;
    g_freedWhileRunning = false;
    SetTextEntryPresenter([held](const KSTextEntryRequest&, std::string& entered) {
        SetTextEntryPresenter({});
        g_freedWhileRunning = g_heldByCallback.expired();
        entered = "1";
        return true;
    });
    held.reset();
    std::string entered;
    EXPECT_EQ(RunTextEntry(KSTextEntryRequest{}, entered), eNoErr);
    EXPECT_FALSE(g_freedWhileRunning) << "the presenter outlives its own replacement";
    EXPECT_TRUE(g_heldByCallback.expired()) << "and is freed once it returns";

    held = std::make_shared<int>(2);
    g_heldByCallback = held;
    g_freedWhileRunning = false;
    SetIRFileBrowser([held](const KSIRFileBrowseRequest&, KCFixedString<1023>& file) {
        SetIRFileBrowser({});
        g_freedWhileRunning = g_heldByCallback.expired();
        file = "/irs/room.wav";
        return true;
    });
    held.reset();
    KCFixedString<1023> chosen;
    EXPECT_EQ(CustomBrowseIRFile(chosen), eNoErr);
    EXPECT_FALSE(g_freedWhileRunning) << "the browser outlives its own replacement";
    EXPECT_TRUE(g_heldByCallback.expired());
}

TEST_F(Family, TheTypeNamesMakeTheWidgets) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    gui.AttachAlgorithm(&alg);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
      <cCONTROLLER Name="A"><Class Type="TextEntry"/></cCONTROLLER>
      <cCONTROLLER Name="B"><Class Type="NoGUI"/></cCONTROLLER>
      <cCONTROLLER Name="C"><Class Type="ControlForAutomation"/></cCONTROLLER>
      <cCONTROLLER Name="D"><Class Type="FixedStateToggleWithOff"/></cCONTROLLER>
      <cCONTROLLER Name="E"><Class Type="RadioButton"/></cCONTROLLER>
      <cCONTROLLER Name="F"><Class Type="Bar"/></cCONTROLLER>
      <cCONTROLLER Name="G"><Class Type="BarMarker"/></cCONTROLLER>
      <cCONTROLLER Name="H"><Class Type="Arc"/></cCONTROLLER>
      <cCONTROLLER Name="I"><Class Type="ArcMarker"/></cCONTROLLER>
      <cCONTROLLER Name="J"><Class Type="IncDec"/></cCONTROLLER>
    </Control_List></GUIXML>)")),
              eNoErr);
    EXPECT_NE(dynamic_cast<CTextEntry_X*>(gui.GetControlPtrByName("A")), nullptr);
    EXPECT_NE(dynamic_cast<CNoGUI*>(gui.GetControlPtrByName("B")), nullptr);
    EXPECT_NE(dynamic_cast<CControlForAutomation_X*>(gui.GetControlPtrByName("C")), nullptr);
    EXPECT_NE(dynamic_cast<CFixedStateToggleWithOff*>(gui.GetControlPtrByName("D")), nullptr);
    EXPECT_NE(dynamic_cast<CRadioButton_X*>(gui.GetControlPtrByName("E")), nullptr);
    EXPECT_NE(dynamic_cast<CBar_X*>(gui.GetControlPtrByName("F")), nullptr);
    EXPECT_NE(dynamic_cast<CBarMarker_X*>(gui.GetControlPtrByName("G")), nullptr);
    EXPECT_NE(dynamic_cast<CArc_X*>(gui.GetControlPtrByName("H")), nullptr);
    EXPECT_NE(dynamic_cast<CArcMarker_X*>(gui.GetControlPtrByName("I")), nullptr);
    EXPECT_NE(dynamic_cast<CIncDec*>(gui.GetControlPtrByName("J")), nullptr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
