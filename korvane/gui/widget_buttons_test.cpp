// Toggle, popup, rotation knob and digit display on a real algorithm: clicks step or choose
// states, and each draws what its state says.
#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/control_test_algorithm.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/param_extensions.h"
#include "korvane/gui/pvm/menu.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/pvm/pvm_test_support.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/widget_test_support.h"
#include "korvane/gui/widget_basic.h"
#include "korvane/gui/widget_digit_display.h"
#include "korvane/gui/widget_popup.h"
#include "korvane/gui/widget_rotation_knob.h"
#include "korvane/gui/widget_toggle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::ControlTestAlgorithm;
using test_support::ParseXML;
using testing::Yaml;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

class Widgets : public testing::WidgetTest<ControlTestAlgorithm> {
protected:
    static constexpr unsigned int kSteps = ControlTestAlgorithm::kSteps;
    static constexpr unsigned int kGain = ControlTestAlgorithm::kGain;

    void TearDown() override { PVM::SetPopupPresenter({}); }
    void ClickOn(KCGUIControl& control) {
        Down(control);
        Up(control);
    }
};

// "Steps" with a menu of its own: a named state, a separator and a state named by its value.
class MenuAlgorithm : public ControlTestAlgorithm {
protected:
    int BuildParameterList() override {
        const int result = ControlTestAlgorithm::BuildParameterList();
        XML::CXMLElement description = ParseXML(
            "<ExtensionClass Type='Menu'><MenuItem State='2' Text='Two'/>"
            "<MenuItem Separator='true'/><MenuItem State='7'/></ExtensionClass>");
        auto* menu = new KCParamExtensionMenu();
        menu->ReadFromXML(&description);
        GetParamVector()[kSteps].SetParamExtension(menu);
        return result;
    }
};

// "Steps" has 8 states and starts at 3.
TEST_F(Widgets, ToggleStepsMomentaryReturnsOppositeStepsBack) {
    const std::string steps = "<Param Name='Steps'><MouseUp/></Param>";
    auto toggle = Make<CToggle_X>(steps);
    ClickOn(*toggle);
    EXPECT_EQ(State(kSteps), 4);
    for (int i = 0; i < 4; ++i) {
        ClickOn(*toggle);
    }
    EXPECT_EQ(State(kSteps), 0) << "wraps after the last state";

    auto momentary = Make<CToggle_X>(steps, "<Flags><Momentary/></Flags>");
    Down(*momentary);
    EXPECT_EQ(State(kSteps), 1) << "on while held";
    Up(*momentary);
    EXPECT_EQ(State(kSteps), 0) << "back at release";

    auto opposite = Make<CToggle_X>(steps, "<Flags><SetOppositeNextState/></Flags>");
    ClickOn(*opposite);
    EXPECT_EQ(State(kSteps), 7);
    ClickOn(*opposite);
    EXPECT_EQ(State(kSteps), 6);
}

// With "NoMouseUpAfterDrag" a release after a drag steps neither by the base nor by the toggle:
// the dragged state stays, and a momentary button goes straight back to where it was.
TEST_F(Widgets, ToggleReleasedAfterADragWithNoMouseUpAfterDrag) {
    const std::string steps = "<Param Name='Steps'><MouseVertical/><MouseUp/></Param>";
    const std::string flag = "<Flags><NoMouseUpAfterDrag/>";
    auto opposite = Make<CToggle_X>(steps, flag + "<SetOppositeNextState/></Flags>");
    Down(*opposite);
    Drag(*opposite, 5, 5, 0, 1);
    ASSERT_EQ(State(kSteps), 4);
    Up(*opposite);
    EXPECT_EQ(State(kSteps), 4) << "the dragged state stays";
    ClickOn(*opposite);
    EXPECT_EQ(State(kSteps), 3) << "a click still steps back";

    auto momentary = Make<CToggle_X>(steps, flag + "<Momentary/></Flags>");
    Down(*momentary);
    ASSERT_EQ(State(kSteps), 4) << "on while held";
    Drag(*momentary, 5, 5, 0, 1);
    Up(*momentary);
    EXPECT_EQ(State(kSteps), 3) << "released, the button goes back";
}

TEST_F(Widgets, ToggleDrawsItsStateImageOrLamp) {
    auto toggle = Make<CToggle_X>("<Param Name='Steps'><MouseUp/></Param>");
    Free(alg.UpdateParamState(kSteps, 0));
    const std::string off = Yaml(*toggle);
    Free(alg.UpdateParamState(kSteps, 1));
    const std::string on = Yaml(*toggle);
    const auto color = [](const KCRGBAColor& c) {
        return "red: " + std::to_string(c.red) + ", green: " + std::to_string(c.green);
    };
    EXPECT_NE(off.find(color(kDefaultWidgetPalette.toggleOff)), std::string::npos) << off;
    EXPECT_EQ(off.find(color(kDefaultWidgetPalette.toggleOn)), std::string::npos);
    EXPECT_NE(on.find(color(kDefaultWidgetPalette.toggleOn)), std::string::npos) << on;
    EXPECT_NE(on.find("values: [10, 10, 30, 10, 30, 30, 10, 30]"), std::string::npos);

    auto imaged = Make<CToggle_X>("<Param Name='Steps'><MouseUp/></Param>",
                                  "<ImageList><Image Type='ForeGround' ResID='501'/>"
                                  "<Image Type='ForeGround' ResID='502'/></ImageList>");
    EXPECT_NE(Yaml(*imaged).find("502"), std::string::npos) << "state 1 shows the second image";
    Free(alg.UpdateParamState(kSteps, 0));
    const std::string first = Yaml(*imaged);
    EXPECT_NE(first.find("501"), std::string::npos);
    EXPECT_EQ(first.find("502"), std::string::npos);
}

// "Steps" with an "Image" extension the test describes.
class ImageAlgorithm : public ControlTestAlgorithm {
public:
    void AttachImages(const std::string& description) {
        XML::CXMLElement element = ParseXML(description);
        auto* images = new KCParamExtensionImage();
        images->ReadFromXML(&element);
        GetParamVector()[kSteps].SetParamExtension(images);
    }
};

std::string SolidPNG(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < 10 * 10; ++i) {
        rgba.insert(rgba.end(), {red, green, blue, 255});
    }
    return PVM::testing::EncodePNG(10, 10, rgba);
}

// A 30 x 10 GUI on "Steps", whose states 0 and 1 have a red and a green image in files: a
// toggle, a fixed-state toggle, and a toggle with a blue foreground image of its own.
class StateImages : public testing::WidgetTest<ImageAlgorithm> {
protected:
    static constexpr unsigned int kSteps = ImageAlgorithm::kSteps;
    static constexpr std::uint32_t kRed = 0xFFFF0000U;
    static constexpr std::uint32_t kGreen = 0xFF00FF00U;
    static constexpr std::uint32_t kBlue = 0xFF0000FFU;

    void SetUp() override {
        WidgetTest::SetUp();
        const std::string off = tmp.Write("off.png", SolidPNG(255, 0, 0));
        const std::string on = tmp.Write("on.png", SolidPNG(0, 255, 0));
        const std::string own = tmp.Write("own.png", SolidPNG(0, 0, 255));
        alg.AttachImages("<ExtensionClass Type='Image'><Image State='0' File='" + off +
                         "'/><Image State='1' File='" + on + "'/></ExtensionClass>");
        gui.AttachAlgorithm(&alg);
        const auto control = [](const char* name, const char* type, const char* left) {
            return std::string("<cCONTROLLER Name='") + name + "'><Class Type='" + type +
                   "'/><ControlRect left='" + left +
                   "' top='0' width='10' height='10'/>"
                   "<ParameterList><Param Name='Steps'><MouseUp/></Param></ParameterList>";
        };
        ASSERT_EQ(gui.ReadFromXML(ParseXML(
                      "<GUIXML version='4'><ViewRect_List><Rect Bottom='10' Right='30'/>"
                      "</ViewRect_List><Control_List>" +
                      control("T", "Toggle", "0") + "</cCONTROLLER>" +
                      control("F", "FixedStateToggleWithOff", "10") + "</cCONTROLLER>" +
                      control("O", "Toggle", "20") + "<ImageList><Image Type='ForeGround' File='" +
                      own + "'/></ImageList></cCONTROLLER></Control_List></GUIXML>")),
                  eNoErr);
        ASSERT_EQ(gui.FinishCreate(), 0);
    }
    PVM::KCImagePixels Render() { return testing::RenderGUI(gui); }

    FM::testing::TempFolder tmp;
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui{none};
};

TEST_F(StateImages, TogglesDrawTheImageTheParametersExtensionGivesTheState) {
    // The renderer takes the pixels the controls loaded: changed files do not show.
    tmp.Write("off.png", SolidPNG(0, 0, 0));
    tmp.Write("on.png", SolidPNG(0, 0, 0));
    Set(kSteps, 0);
    PVM::KCImagePixels pixels = Render();
    EXPECT_EQ(pixels.At(5, 5), kRed);
    EXPECT_EQ(pixels.At(15, 5), kRed);
    EXPECT_EQ(pixels.At(25, 5), kBlue) << "the control's own image comes first";
    Set(kSteps, 1);
    pixels = Render();
    EXPECT_EQ(pixels.At(5, 5), kGreen);
    EXPECT_EQ(pixels.At(15, 5), kGreen);
    Set(kSteps, 6);
    EXPECT_EQ(Render().At(5, 5), kGreen) << "a state past the images shows the last";

    // A copy keeps the loaded images; a toggle whose parameter has no images draws its lamp.
    std::unique_ptr<KCBaseControl> copy(gui.GetControlPtrByName("T")->Clone());
    std::vector<const PVM::KCBaseImage*> loaded;
    dynamic_cast<const KCGUIControl&>(*copy).GetLoadedImages(loaded);
    EXPECT_EQ(loaded.size(), 2U);
    auto plain = Make<CFixedStateToggleWithOff>("<Param Name='Gain'><MouseUp/></Param>");
    const KCRGBAColor& lamp = kDefaultWidgetPalette.toggleOff;
    EXPECT_NE(Yaml(*plain).find("red: " + std::to_string(lamp.red) +
                                ", green: " + std::to_string(lamp.green)),
              std::string::npos);
    EXPECT_EQ(plain->LoadImages(nullptr), eNoErr);
}

// A state with several frames and a duration plays them in turn on the GUI's idle pass, timed by
// the toggles' clock; a new state starts from its first frame, a state of one frame stays.
TEST_F(StateImages, TogglesPlayTheStatesAnimationFrames) {
    const std::string off = tmp.Path("off.png");
    const std::string on = tmp.Path("on.png");
    const std::string blue = tmp.Write("blue.png", SolidPNG(0, 0, 255));
    alg.AttachImages("<ExtensionClass Type='Image' Duration='100'><Image State='0' File='" + off +
                     "'/><Image State='1' File='" + on + "'/><Image State='1' Frame='1' File='" +
                     blue + "'/></ExtensionClass>");
    std::uint64_t now = 0;
    auto* toggle = dynamic_cast<CToggle_X*>(gui.GetControlPtrByName("T"));
    auto* fixed = dynamic_cast<CFixedStateToggleWithOff*>(gui.GetControlPtrByName("F"));
    ASSERT_NE(toggle, nullptr);
    ASSERT_NE(fixed, nullptr);
    toggle->SetAnimationClock([&now] { return now; });
    fixed->SetAnimationClock([&now] { return now; });
    const auto shows = [](KCGUIControl& control, const std::string& file) {
        return Yaml(control).find(file) != std::string::npos;
    };
    const auto idleAt = [&](std::uint64_t microseconds) {
        now = microseconds;
        gui.DoIdle();
    };

    Set(kSteps, 1);
    idleAt(0);
    EXPECT_TRUE(shows(*toggle, on));
    toggle->UpdateRedrawControl();
    idleAt(60'000);
    EXPECT_TRUE(shows(*toggle, blue)) << "past half the duration: the second frame";
    EXPECT_TRUE(shows(*fixed, blue));
    EXPECT_TRUE(toggle->NeedToRedrawControl()) << "a new frame asks for a redraw";
    idleAt(110'000);
    EXPECT_TRUE(shows(*toggle, on)) << "round again";
    idleAt(170'000);
    EXPECT_TRUE(shows(*toggle, blue));

    Set(kSteps, 0);
    idleAt(180'000);
    EXPECT_TRUE(shows(*toggle, off)) << "a state of one frame";
    idleAt(240'000);
    EXPECT_TRUE(shows(*toggle, off));
    Set(kSteps, 1);
    idleAt(250'000);
    EXPECT_TRUE(shows(*toggle, on)) << "a new state starts from its first frame";
}

// The presenter plays the user: it records what it was shown and picks an item.
struct ScriptedUser {
    int pick = -1;
    std::vector<std::string> texts;
    std::vector<bool> checked;
    void Install() {
        PVM::SetPopupPresenter([this](const PVM::KSMenu& menu, PVM::KSPluginView*, KCPoint2D<short>,
                                      PVM::KCPopupMenuItemData& chosen) {
            texts.clear();
            checked.clear();
            for (int i = 0; i < PVM::GetMenuItemCount(&menu); ++i) {
                PVM::KCMenuItemInfo info;
                EXPECT_EQ(PVM::GetMenuItemByIndex(&menu, i, info), eNoErr);
                texts.push_back(info.separator ? "-" : info.text);
                checked.push_back(info.IsChecked());
            }
            chosen.menu = &menu;
            chosen.index = pick;
            return pick >= 0;
        });
    }
};

TEST_F(Widgets, PopupOffersTheParametersStatesAndSetsTheChoice) {
    ScriptedUser user;
    user.Install();
    auto popup = Make<CPopup_X>("<Param Name='Steps'><PopUp/></Param>");
    user.pick = 6;
    ClickOn(*popup);
    ASSERT_EQ(user.texts.size(), 8U);
    EXPECT_EQ(user.texts[0], "0");
    EXPECT_TRUE(user.checked[3]) << "the current state is checked";
    EXPECT_EQ(State(kSteps), 6);

    user.pick = -1;
    ClickOn(*popup);
    EXPECT_EQ(State(kSteps), 6) << "dismissing changes nothing";
}

TEST_F(Widgets, PopupListedItemsAndNoCheckmark) {
    ScriptedUser user;
    user.Install();
    auto popup = Make<CPopup_X>("<Param Name='Steps'><PopUp/></Param>",
                                "<Flags><PopupNoCheckmark/></Flags><MenuItemList>"
                                "<MenuItem><State>5</State><Text>Five</Text></MenuItem>"
                                "<MenuItem><Separator>true</Separator></MenuItem>"
                                "<MenuItem><State>3</State><Text>Three</Text>"
                                "<Image Type='SelectBitmap' ResID='77'/></MenuItem>"
                                "</MenuItemList>");
    ASSERT_EQ(popup->GetListedItems().size(), 3U);
    EXPECT_EQ(popup->GetListedItems()[2].selectImage, 77);
    user.pick = 0;
    ClickOn(*popup);
    EXPECT_EQ(user.texts, (std::vector<std::string>{"Five", "-", "Three"}));
    EXPECT_EQ(user.checked, (std::vector<bool>{false, false, false}))
        << "no check marks, though Three is the current state";
    EXPECT_EQ(State(kSteps), 5);
    EXPECT_NE(Yaml(*popup).find("Five"), std::string::npos) << "shows the chosen item's text";

    user.pick = 1;
    ClickOn(*popup);
    EXPECT_EQ(State(kSteps), 5) << "a separator cannot be chosen";
}

TEST_F(Widgets, PopupWithoutAListShowsTheParametersMenu) {
    MenuAlgorithm withMenu;
    ASSERT_EQ(withMenu.FinishCreate(), 0);
    CPopup_X popup;
    popup.ReadFromXMLWithAlg(
        ParseXML("<cCONTROLLER Name='P'><ControlRect left='0' top='0' width='40' height='40'/>"
                 "<ParameterList><Param Name='Steps'><PopUp/></Param></ParameterList>"
                 "</cCONTROLLER>"),
        &withMenu, false);
    ScriptedUser user;
    user.Install();
    user.pick = 2;
    KURect<double> range(1000, 1000, 0, 0);
    bool handled = true;
    BUFFER_HEADER* chain = popup.MouseDown(testing::At(5, 5), &range, handled);
    withMenu.FreeBuffers(chain);
    EXPECT_EQ(user.texts, (std::vector<std::string>{"Two", "-", "7"}));
    EXPECT_DOUBLE_EQ(withMenu.GetParamState(kSteps), 7);

    // A list of the popup's own wins over the parameter's menu.
    CPopup_X own;
    own.ReadFromXMLWithAlg(
        ParseXML("<cCONTROLLER Name='P'><ControlRect left='0' top='0' width='40' height='40'/>"
                 "<ParameterList><Param Name='Steps'><PopUp/></Param></ParameterList>"
                 "<MenuItemList><MenuItem><State>5</State><Text>Five</Text></MenuItem>"
                 "</MenuItemList></cCONTROLLER>"),
        &withMenu, false);
    ASSERT_EQ(own.GetMenuItems().size(), 1U);
    EXPECT_EQ(own.GetMenuItems()[0].text, "Five");
}

TEST_F(Widgets, RotationKnobDragsThroughTheBaseAndDrawsARing) {
    auto knob = Make<CRotationKnob>("<Param Name='Gain'><MouseVertical/></Param>");
    Free(alg.UpdateParamState(kGain, 500));
    Down(*knob);
    Free(knob->MouseDrag(testing::At(5, 5), 0, 100, nullptr));
    Up(*knob);
    EXPECT_DOUBLE_EQ(State(kGain), 600);

    EXPECT_DOUBLE_EQ(CRotationKnob::StateToAngle(0), -135);
    EXPECT_DOUBLE_EQ(CRotationKnob::StateToAngle(500), 0);
    EXPECT_DOUBLE_EQ(CRotationKnob::StateToAngle(1000), 135);
    const std::string ring = Yaml(*knob);
    EXPECT_NE(ring.find("sweep_angle: 270"), std::string::npos) << ring;
    EXPECT_NE(ring.find("sweep_angle: 162"), std::string::npos) << "the value arc: 60 %";

    auto strip = Make<CRotationKnob>("<Param Name='Gain'><MouseVertical/></Param>",
                                     "<ImageStrip ResID='900' Frames='11'/>");
    EXPECT_EQ(strip->StateToFrame(600), 6);
    const std::string frames = Yaml(*strip);
    EXPECT_NE(frames.find("900"), std::string::npos) << frames;
    EXPECT_NE(frames.find("-240"), std::string::npos) << "frame 6 of 40 pixels is moved up";
    EXPECT_EQ(frames.find("sweep_angle"), std::string::npos) << "no ring under a strip";
}

TEST_F(Widgets, DigitDisplayShowsTheFormattedValue) {
    auto display = Make<CDigitDisplay_X>("<Param Name='Gain'/>");
    Free(alg.UpdateParamState(kGain, 1000));
    const std::string text = display->GetValueText();
    EXPECT_EQ(text, "24.0 dB");
    const std::string drawn = Yaml(*display);
    // Centred in a frame over the control's own rectangle, not in the window.
    EXPECT_NE(drawn.find("- frame:\n        rect: {x: 0, y: 0, width: 40, height: 40}"),
              std::string::npos)
        << drawn;
    EXPECT_NE(drawn.find("  - DrawText:\n              text: 24.0 dB"), std::string::npos) << drawn;
    Free(alg.UpdateParamState(kGain, 0));
    EXPECT_EQ(display->GetValueText(), "-24.0 dB");
}

TEST_F(Widgets, TheStandardTypeNamesMakeTheWidgets) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    gui.AttachAlgorithm(&alg);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
      <cCONTROLLER Name="A"><Class Type="RotationKnob"/></cCONTROLLER>
      <cCONTROLLER Name="B"><Class Type="Toggle"/></cCONTROLLER>
      <cCONTROLLER Name="C"><Class Type="Popup"/></cCONTROLLER>
      <cCONTROLLER Name="D"><Class Type="DigitDisplay"/></cCONTROLLER>
    </Control_List></GUIXML>)")),
              eNoErr);
    EXPECT_NE(dynamic_cast<CRotationKnob*>(gui.GetControlPtrByName("A")), nullptr);
    EXPECT_NE(dynamic_cast<CToggle_X*>(gui.GetControlPtrByName("B")), nullptr);
    EXPECT_NE(dynamic_cast<CPopup_X*>(gui.GetControlPtrByName("C")), nullptr);
    EXPECT_NE(dynamic_cast<CDigitDisplay_X*>(gui.GetControlPtrByName("D")), nullptr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
