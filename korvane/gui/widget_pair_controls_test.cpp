// The dynamic popup, the multi-thumb slider and the left/right balance pair on a real
// algorithm, and the edit box a double click opens over a control's value.
#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/control_test_algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/dialogs.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/menu.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/widget_test_support.h"
#include "korvane/gui/widget_dynamic_popup.h"
#include "korvane/gui/widget_lrb.h"
#include "korvane/gui/widget_multi_thumb_slider.h"
#include "korvane/gui/widget_slider.h"

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
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

class PairControls : public testing::WidgetTest<ControlTestAlgorithm> {
protected:
    static constexpr unsigned int kSteps = ControlTestAlgorithm::kSteps;
    static constexpr unsigned int kGain = ControlTestAlgorithm::kGain;
    static constexpr unsigned int kPhase = ControlTestAlgorithm::kPhase;
    static constexpr unsigned int kFrequency = ControlTestAlgorithm::kDragged;

    void TearDown() override {
        PVM::SetPopupPresenter({});
        PVM::SetTextBoxResponder({});
    }
};

// ------------------------------------------------------------------ dynamic popup

// Plays the user: records what the menu showed and how, and picks an item.
struct MenuUser {
    int pick = -1;
    int shown = 0;
    bool touchFriendly = false;
    std::vector<std::string> texts;
    void Install() {
        PVM::SetPopupPresenter([this](const PVM::KSMenu& menu, PVM::KSPluginView*, KCPoint2D<short>,
                                      PVM::KCPopupMenuItemData& chosen) {
            ++shown;
            texts.clear();
            for (int i = 0; i < PVM::GetMenuItemCount(&menu); ++i) {
                PVM::KCMenuItemInfo info;
                EXPECT_EQ(PVM::GetMenuItemByIndex(&menu, i, info), eNoErr);
                texts.push_back(info.separator ? "-" : info.text);
            }
            const PVM::KCMenuCreationOptions* options = PVM::GetMenuCreationOptions(&menu);
            touchFriendly = options != nullptr && options->touchFriendly;
            chosen.menu = &menu;
            chosen.index = pick;
            return pick >= 0;
        });
    }
};

TEST_F(PairControls, DynamicPopupAsksItsHookAtEachOpenAndAnswersTouch) {
    MenuUser user;
    user.Install();
    auto popup = Make<KCDynamicPopup>("<Param Name='Steps'/>", "", "width='40' height='20'");
    int asked = 0;
    std::vector<CPopup_X::Item> items{{1, "One"}, {0, "", true}, {5, ""}};
    popup->SetItemsHook([&](const KCDynamicPopup&) {
        ++asked;
        return items;
    });
    Set(kSteps, 0);
    user.pick = 2;
    Down(*popup, 5, 5);
    Up(*popup);
    EXPECT_EQ(asked, 1);
    auto plain = Make<CPopup_X>("<Param Name='Steps'/>", "", "width='40' height='20'");
    ASSERT_EQ(user.texts.size(), 3U);
    EXPECT_EQ(user.texts[0], "One");
    EXPECT_EQ(user.texts[1], "-");
    EXPECT_EQ(user.texts[2], plain->GetMenuItems()[5].text) << "no text: the parameter's";
    EXPECT_DOUBLE_EQ(State(kSteps), 5);
    EXPECT_FALSE(user.touchFriendly) << "a mouse press gets the ordinary menu";

    // The items are made anew at each open.
    items = {{2, "Two"}, {7, "Seven"}};
    user.pick = 1;
    Free(popup->TouchDown(At(5, 5)));
    Free(popup->TouchUp(At(5, 5)));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(user.texts, (std::vector<std::string>{"Two", "Seven"}));
    EXPECT_TRUE(user.touchFriendly) << "a touch gets touch-friendly rows";
    EXPECT_DOUBLE_EQ(State(kSteps), 7);

    // Nothing to offer: no menu, no change.
    items.clear();
    Down(*popup, 5, 5);
    Up(*popup);
    EXPECT_EQ(user.shown, 2);
    EXPECT_DOUBLE_EQ(State(kSteps), 7);

    // A copy keeps the hook; without one it is a plain popup of the parameter's states.
    std::unique_ptr<KCBaseControl> copy(popup->Clone());
    EXPECT_TRUE(dynamic_cast<KCDynamicPopup&>(*copy).HasItemsHook());
    auto hookless = Make<KCDynamicPopup>("<Param Name='Steps'/>", "", "width='40' height='20'");
    EXPECT_EQ(hookless->GetMenuItems().size(), 8U);
}

// ------------------------------------------------------------------ multi-thumb slider

// Horizontal, 110 wide with 10-pixel thumbs: 100 pixels of travel, state s centred at 5 + s/10.
TEST_F(PairControls, MultiThumbSliderMovesTheNearestThumbOnlyWithoutAJump) {
    auto slider = Make<KCMultiThumbSlider>(
        "<Param Name='Gain'><MouseHorizontal/></Param><Param Name='Phase'><MouseHorizontal/>"
        "</Param>",
        "<ThumbLength Value='10'/>", "width='110' height='20'");
    ASSERT_FALSE(slider->IsVertical());
    Set(kGain, 200);
    Set(kPhase, 800);
    EXPECT_DOUBLE_EQ(slider->StateToPosition(200), 25);
    EXPECT_EQ(slider->GetThumbRect(1), KURect<short>(0, 80, 20, 90));
    EXPECT_EQ(slider->NearestThumb({30, 10}), 0);
    EXPECT_EQ(slider->NearestThumb({70, 10}), 1);
    EXPECT_EQ(slider->NearestThumb({55, 10}), 1) << "a tie goes to the thumb drawn on top";

    // Grabbed 3 pixels right of its centre: staying put moves nothing, 20 pixels move 200.
    Down(*slider, 28, 10);
    EXPECT_EQ(slider->GetGrabbedThumb(), 0);
    Drag(*slider, 28, 10);
    EXPECT_DOUBLE_EQ(State(kGain), 200) << "no jump by the grab offset";
    // The base logic moves every registration by the delta; only the grabbed one keeps it.
    Drag(*slider, 48, 10, 200);
    EXPECT_DOUBLE_EQ(State(kGain), 400);
    EXPECT_DOUBLE_EQ(State(kPhase), 800) << "the other thumb stays";
    Drag(*slider, 500, 10, 1000);
    EXPECT_DOUBLE_EQ(State(kGain), 1000) << "past the end the parameter clamps";
    EXPECT_DOUBLE_EQ(State(kPhase), 800);
    const PVM::KCImagePixels held = Render(*slider, 110, 20);
    EXPECT_EQ(held.At(104, 10), Argb(kDefaultWidgetPalette.active)) << "the grabbed thumb is lit";
    EXPECT_EQ(held.At(85, 10), Argb(kDefaultWidgetPalette.sliderThumb));
    Up(*slider);
    EXPECT_EQ(slider->GetGrabbedThumb(), -1);

    // Two thumbs at the same place: the one on top is taken, and can be pulled off the other.
    Set(kGain, 500);
    Set(kPhase, 500);
    Down(*slider, 55, 10);
    Drag(*slider, 35, 10, -200);
    EXPECT_DOUBLE_EQ(State(kPhase), 300);
    EXPECT_DOUBLE_EQ(State(kGain), 500);
    Up(*slider);

    EXPECT_EQ(RoundTrip(*slider)->GetThumbLength(), 10);
}

TEST_F(PairControls, MultiThumbSliderVerticalMappingAndNoTravel) {
    // The plain slider's geometry: 110 high, 10-pixel thumb: y 5, 105, 55 give 1000, 0, 500.
    auto vertical = Make<KCMultiThumbSlider>("<Param Name='Gain'><MouseVertical/></Param>", "",
                                             "width='20' height='110'");
    ASSERT_TRUE(vertical->IsVertical());
    EXPECT_DOUBLE_EQ(vertical->PositionToState(5), 1000);
    EXPECT_DOUBLE_EQ(vertical->PositionToState(105), 0);
    EXPECT_DOUBLE_EQ(vertical->PositionToState(55), 500);
    Set(kGain, 0);
    Down(*vertical, 10, 100);
    Drag(*vertical, 10, 50);
    EXPECT_DOUBLE_EQ(State(kGain), 500) << "up is more";
    Up(*vertical);

    // A thumb as long as the control cannot move, and nothing divides by zero.
    auto stuck = Make<KCMultiThumbSlider>("<Param Name='Gain'><MouseVertical/></Param>",
                                          "<ThumbLength Value='20'/>", "width='20' height='20'");
    EXPECT_FALSE(stuck->HasTravel());
    Set(kGain, 300);
    Down(*stuck, 10, 10);
    Drag(*stuck, 10, 0, 0, 50);
    EXPECT_DOUBLE_EQ(State(kGain), 300);
    Up(*stuck);
}

// ------------------------------------------------------------------ left/right balance

TEST_F(PairControls, BalancePairMovesOneSideOrBothKeepingTheBalance) {
    auto lrb = Make<CLRB_X>("<Param Name='Gain'/><Param Name='Frequency'/>", "",
                            "width='40' height='100'");
    Set(kGain, 300);
    Set(kFrequency, 600);
    EXPECT_FALSE(lrb->IsLinked());
    Down(*lrb, 5, 50);
    Drag(*lrb, 5, 40, 0, 60);
    Drag(*lrb, 5, 30, 0, 40);
    EXPECT_DOUBLE_EQ(State(kGain), 400) << "the drags add up";
    EXPECT_DOUBLE_EQ(State(kFrequency), 600);
    Up(*lrb);
    Down(*lrb, 35, 50);
    Drag(*lrb, 35, 60, 0, -50);
    EXPECT_DOUBLE_EQ(State(kFrequency), 550);
    EXPECT_DOUBLE_EQ(State(kGain), 400);
    Up(*lrb);

    // Linked: both move, and the pair stops together at an end, the difference kept.
    Set(kGain, 300);
    Set(kFrequency, 600);
    lrb->ChangeLinkLR();
    ASSERT_TRUE(lrb->IsLinked());
    Down(*lrb, 5, 50);
    Drag(*lrb, 5, 40, 0, 200);
    EXPECT_DOUBLE_EQ(State(kGain), 500);
    EXPECT_DOUBLE_EQ(State(kFrequency), 800);
    Drag(*lrb, 5, 30, 0, 300);
    EXPECT_DOUBLE_EQ(State(kFrequency), 1000);
    EXPECT_DOUBLE_EQ(State(kGain), 700) << "the right side's end stops the left too";
    Drag(*lrb, 5, 90, 0, -2000);
    EXPECT_DOUBLE_EQ(State(kGain), 0);
    EXPECT_DOUBLE_EQ(State(kFrequency), 300);
    Up(*lrb);

    // Gain bars: the left at 0, the right at 300 of the 100-pixel height; the link bar on top.
    const PVM::KCImagePixels bars = Render(*lrb, 40, 100);
    EXPECT_EQ(bars.At(30, 80), Argb(kDefaultWidgetPalette.knobValue));
    EXPECT_NE(bars.At(30, 60), Argb(kDefaultWidgetPalette.knobValue));
    EXPECT_NE(bars.At(10, 95), Argb(kDefaultWidgetPalette.knobValue)) << "the left side is at 0";
    EXPECT_EQ(bars.At(20, 0), Argb(kDefaultWidgetPalette.toggleOn));

    auto graph =
        Make<CLRB_X>("<Param Name='Gain'/><Param Name='Frequency'/>",
                     "<Graph Value='true'/><Link Value='true'/>", "width='40' height='100'");
    const auto back = RoundTrip(*graph);
    EXPECT_EQ(back->GetStyle(), CLRB_X::eGraph);
    EXPECT_TRUE(back->IsLinked());
    EXPECT_EQ(RoundTrip(*lrb)->GetStyle(), CLRB_X::eGainBars);
}

// ------------------------------------------------------------------ double click

TEST_F(PairControls, DoubleClickOpensTheEditBoxOverTheValue) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    gui.AttachAlgorithm(&alg);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
      <cCONTROLLER Name="S"><Class Type="Slider"/><Flags><ReciveTextEntery/></Flags>
        <ControlRect left="10" top="0" width="20" height="110"/>
        <ParameterList><Param Name="Gain"><MouseVertical/></Param></ParameterList></cCONTROLLER>
      <cCONTROLLER Name="N"><Class Type="Slider"/>
        <ControlRect left="50" top="0" width="20" height="110"/>
        <ParameterList><Param Name="Gain"><MouseVertical/></Param></ParameterList></cCONTROLLER>
    </Control_List></GUIXML>)")),
              eNoErr);
    int asked = 0;
    PVM::KCTextBoxOptions shown;
    std::string answer = "6";
    bool commit = true;
    PVM::SetTextBoxResponder([&](const PVM::KCTextBoxOptions& options, std::string& text) {
        ++asked;
        shown = options;
        text = answer;
        return commit;
    });
    const auto click = [&](short x, PVM::KEClickCount clicks) {
        PVM::KCEventData down = At(x, 60, clicks);
        gui.DoMouseDown(down);
        PVM::KCEventData up = At(x, 60, clicks);
        up.SetMouseButtonPressed(PVM::eLeftButton, false);
        gui.DoMouseUp(up);
    };
    Set(kGain, 1000);
    click(20, PVM::eSingleClick);
    EXPECT_EQ(asked, 0) << "a single click only presses";
    Set(kGain, 1000);
    click(20, PVM::eDoubleClick);
    ASSERT_EQ(asked, 1);
    EXPECT_EQ(shown.text, "24.0 dB");
    EXPECT_EQ(shown.acceptable, "0123456789.+-");
    EXPECT_EQ(shown.rect, KURect<short>(0, 10, 110, 30));
    EXPECT_DOUBLE_EQ(State(kGain), 625) << "Enter: 6 dB through the parameter's text";

    commit = false;  // Escape
    answer = "-6";
    click(20, PVM::eDoubleClick);
    EXPECT_EQ(asked, 2);
    EXPECT_DOUBLE_EQ(State(kGain), 625);

    commit = true;
    answer = "x";  // a character the control does not take
    click(20, PVM::eDoubleClick);
    EXPECT_DOUBLE_EQ(State(kGain), 625);

    click(60, PVM::eDoubleClick);
    EXPECT_EQ(asked, 3) << "a control without text entry opens nothing";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
