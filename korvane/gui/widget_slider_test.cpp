// The slider on a real algorithm: the thumb and the state agree in both directions, a grab keeps
// its offset, and the slider is made by its type name and draws its track and thumb.
#include "korvane/gui/widget_slider.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/pvm/base_image.h"
#include "korvane/gui/pvm/pvm_test_support.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/widget_test_support.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::ParseXML;
using test_support::TestAlgorithm;
using testing::At;
using testing::Yaml;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

// A rectangle as the stream dump writes it.
std::string YamlRect(const KURect<short>& r) {
    return "{x: " + std::to_string(r.left) + ", y: " + std::to_string(r.top) +
           ", width: " + std::to_string(r.Width()) + ", height: " + std::to_string(r.Height()) +
           "}";
}

// Each of `parts` is in the drawing, in the order given.
void ExpectDrawnInOrder(const std::string& drawn, const std::vector<std::string>& parts) {
    std::size_t from = 0;
    for (const std::string& part : parts) {
        const auto at = drawn.find(part, from);
        ASSERT_NE(at, std::string::npos) << part << "\n" << drawn;
        from = at + part.size();
    }
}

class Slider : public ::testing::Test {
protected:
    static constexpr unsigned int kGain = TestAlgorithm::kGain;

    void SetUp() override { ASSERT_EQ(alg.FinishCreate(), 0); }

    // A slider on "Gain" whose movement area is 0 ... 110 along the travel and 20 across, with a
    // thumb 10 long, inside a 30 x 120 control.
    std::unique_ptr<CSlider_X> Make(const std::string& kind = "MouseVertical",
                                    const std::string& extra = "") {
        const bool vertical = kind == "MouseVertical" || kind == "MouseDrawHorizontal";
        const std::string area = vertical ? "width='20' height='110'" : "width='110' height='20'";
        const std::string size = vertical ? "width='20' height='10'" : "width='10' height='20'";
        auto slider = std::make_unique<CSlider_X>();
        slider->ReadFromXMLWithAlg(
            ParseXML("<cCONTROLLER Name='S'><ControlRect left='0' top='0' width='120' "
                     "height='120'/><Slit><ThumbMovementArea left='0' top='0' " +
                     area + "/><ThumbSize " + size + "/>" + extra +
                     "</Slit><ParameterList><Param Name='Gain'><" + kind +
                     "/></Param></ParameterList></cCONTROLLER>"),
            &alg, false);
        return slider;
    }
    void Free(BUFFER_HEADER* chain) { alg.FreeBuffers(chain); }
    void Set(CSlider_X& slider, double state) {
        Free(alg.UpdateParamState(kGain, state));
        slider.UpdatePointer(0);
    }
    // The slider written to its description and read back, its thumb placed for `state`.
    std::unique_ptr<CSlider_X> RoundTrip(const CSlider_X& slider, double state) {
        XML::CXMLElement parent("List", "");
        slider.WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
        auto back = std::make_unique<CSlider_X>();
        back->ReadFromXMLWithAlg(*parent.GetSubElements().back(), &alg, false);
        Set(*back, state);
        return back;
    }
    double State() const { return alg.GetParamState(kGain); }
    void Down(CSlider_X& slider, short x, short y) {
        KURect<double> range(1000, 1000, 0, 0);
        bool handled = true;
        Free(slider.MouseDown(At(x, y), &range, handled));
    }
    // A drag step whose pixel delta the slider must not add on top of the pointer's position.
    void DragTo(CSlider_X& slider, short x, short y) {
        Free(slider.MouseDrag(At(x, y), 37, 37, nullptr));
    }

    TestAlgorithm alg;
};

// Movement 0 ... 110, thumb 10 high, grabbed at its centre: the top of the travel is 1000, the
// bottom 0, the middle 500; and the thumb goes back where the state puts it.
TEST_F(Slider, VerticalThumbAndStateAgree) {
    auto slider = Make();
    ASSERT_TRUE(slider->IsVertical());
    const KCPoint2D<short> centre{};
    EXPECT_DOUBLE_EQ(slider->ThumbPositionToState(centre, {10, 5}), 1000);
    EXPECT_DOUBLE_EQ(slider->ThumbPositionToState(centre, {10, 105}), 0);
    EXPECT_DOUBLE_EQ(slider->ThumbPositionToState(centre, {10, 55}), 500);
    EXPECT_GT(slider->ThumbPositionToState(centre, {10, 0}), 1000) << "not clamped here";

    Set(*slider, 1000);
    EXPECT_EQ(slider->GetThumbRect(), KURect<short>(0, 0, 10, 20));
    Set(*slider, 0);
    EXPECT_EQ(slider->GetThumbRect(), KURect<short>(100, 0, 110, 20));
    Set(*slider, 500);
    EXPECT_EQ(slider->GetThumbRect(), KURect<short>(50, 0, 60, 20));
    EXPECT_EQ(slider->GetThumbCentre(), (KCPoint2D<short>{10, 55}));
    EXPECT_DOUBLE_EQ(slider->ThumbPositionToState(centre, slider->GetThumbCentre()), 500);
}

// Horizontal: the left end is 0 and the right 1000, in both directions.
TEST_F(Slider, HorizontalThumbAndStateAgree) {
    auto slider = Make("MouseHorizontal");
    ASSERT_FALSE(slider->IsVertical());
    EXPECT_DOUBLE_EQ(slider->ThumbPositionToState({}, {5, 10}), 0);
    EXPECT_DOUBLE_EQ(slider->ThumbPositionToState({}, {105, 10}), 1000);
    Set(*slider, 1000);
    EXPECT_EQ(slider->GetThumbRect(), KURect<short>(0, 100, 20, 110));
    Set(*slider, 250);
    EXPECT_DOUBLE_EQ(slider->ThumbPositionToState({}, slider->GetThumbCentre()), 250);

    Down(*slider, 30, 10);
    DragTo(*slider, 105, 10);
    EXPECT_DOUBLE_EQ(State(), 1000);
    Free(slider->MouseUp(At(105, 10)));
}

// A drag puts the state where the pointer is; the pixel delta of the base logic does not add.
TEST_F(Slider, DragFollowsThePointer) {
    auto slider = Make();
    Set(*slider, 500);
    Down(*slider, 10, 55);
    EXPECT_EQ(slider->GetHoldPoint(), (KCPoint2D<short>{0, 0}));
    DragTo(*slider, 10, 5);
    EXPECT_DOUBLE_EQ(State(), 1000);
    EXPECT_EQ(slider->GetThumbRect().top, 0);
    DragTo(*slider, 10, 105);
    EXPECT_DOUBLE_EQ(State(), 0);
    DragTo(*slider, 10, 300);
    EXPECT_DOUBLE_EQ(State(), 0) << "the parameter clamps";
    Free(slider->MouseUp(At(10, 300)));
}

// Grabbing the thumb 3 pixels below its centre: the thumb does not jump by the offset, and
// keeps it while dragged.
TEST_F(Slider, AnOffCentreGrabDoesNotJump) {
    auto slider = Make();
    Set(*slider, 500);
    Down(*slider, 12, 58);
    EXPECT_EQ(slider->GetHoldPoint(), (KCPoint2D<short>{2, 3}));
    DragTo(*slider, 12, 58);
    EXPECT_DOUBLE_EQ(State(), 500);
    EXPECT_EQ(slider->GetThumbCentre().y, 55);
    DragTo(*slider, 12, 38);
    EXPECT_DOUBLE_EQ(State(), 700);
    EXPECT_EQ(slider->GetThumbCentre().y, 35) << "the thumb moved as far as the pointer";
    Free(slider->MouseUp(At(12, 38)));
    slider->ResetHoldPoint();
    EXPECT_EQ(slider->GetHoldPoint(), (KCPoint2D<short>{0, 0}));
}

// A thumb as long as its movement area (no travel) or longer (negative travel): a drag leaves
// the state where it was, in both orientations, and the thumb is drawn from the start of the
// area instead of upside down.
TEST_F(Slider, AThumbWithoutTravelKeepsTheState) {
    for (const char* kind : {"MouseVertical", "MouseHorizontal"}) {
        for (const short length : {110, 130}) {
            SCOPED_TRACE(std::string(kind) + " " + std::to_string(length));
            auto slider = Make(kind);
            const bool vertical = slider->IsVertical();
            if (vertical) {
                slider->SetThumbSize(20, length);
            } else {
                slider->SetThumbSize(length, 20);
            }
            Set(*slider, 300);
            EXPECT_DOUBLE_EQ(slider->ThumbPositionToState({}, {5, 5}), 300);
            Down(*slider, 10, 10);
            DragTo(*slider, 100, 100);
            EXPECT_DOUBLE_EQ(State(), 300);
            DragTo(*slider, 1, 1);
            EXPECT_DOUBLE_EQ(State(), 300);
            Free(slider->MouseUp(At(1, 1)));
            const KURect<short>& thumb = slider->GetThumbRect();
            EXPECT_EQ(vertical ? thumb.top : thumb.left, 0) << "drawn from the start of the area";
            EXPECT_EQ(vertical ? thumb.bottom : thumb.right, length);
        }
    }
}

// Drawing across the slider sets the state at the pointer, without a hold point.
TEST_F(Slider, DrawingSetsTheStateAtThePointer) {
    auto slider = Make("MouseDrawHorizontal");
    ASSERT_TRUE(slider->IsVertical());
    Free(slider->MouseDraw(At(10, 30), 0, 0, nullptr));
    EXPECT_DOUBLE_EQ(State(), 750);
}

TEST_F(Slider, AClickInTheResetRectangleResets) {
    auto slider =
        Make("MouseVertical", "<ResetFromRect left='100' top='0' width='20' height='20'/>");
    Set(*slider, 900);
    Down(*slider, 10, 15);
    EXPECT_DOUBLE_EQ(State(), 900) << "a click outside the rectangle keeps the value";
    Free(slider->MouseUp(At(10, 15)));
    Down(*slider, 110, 10);
    ASSERT_DOUBLE_EQ(alg.GetParamResetState(kGain), 0);
    EXPECT_DOUBLE_EQ(State(), 0);
    EXPECT_EQ(slider->GetThumbCentre().y, 105) << "the thumb follows the reset";
    Free(slider->MouseUp(At(110, 10)));
}

TEST_F(Slider, HitTestsTouchAndTextFollow) {
    auto slider = Make("MouseVertical",
                       "<TextWindowRelativeToThumb left='25' top='-2' width='0' height='0'/>");
    Set(*slider, 500);
    EXPECT_TRUE(slider->IsPointInside({10, 100}, nullptr)) << "on the slit";
    EXPECT_FALSE(slider->IsPointInside({100, 100}, nullptr)) << "in the control, off the slit";
    EXPECT_TRUE(slider->DoYouIntersect(KURect<short>(52, 0, 58, 30), nullptr));
    EXPECT_FALSE(slider->DoYouIntersect(KURect<short>(0, 0, 20, 30), nullptr))
        << "rubber-band selection takes the thumb only";

    slider->SetTouchFactors(2.0, 3.0);
    const KCPoint2D<double> delta = slider->GetTouchDelta({10, 10}, {14, 20});
    EXPECT_DOUBLE_EQ(delta.x, 8.0);
    EXPECT_DOUBLE_EQ(delta.y, -30.0) << "down the screen is down the range";

    EXPECT_EQ(slider->GetTextWindowOrigin(), (KCPoint2D<short>{25, -2}));
    slider->SetControlFlag(eCtrlSliderTextFollowKnob, true);
    EXPECT_EQ(slider->GetTextWindowOrigin(), (KCPoint2D<short>{25, 48}));
    EXPECT_EQ(slider->GetValueRect(), slider->GetControlRect())
        << "a text window without a size: the edit box covers the control";

    // A text window with a size is where the value is edited, and it rides on the thumb.
    auto sized = Make("MouseVertical",
                      "<TextWindowRelativeToThumb left='25' top='-2' width='30' height='12'/>");
    sized->SetControlFlag(eCtrlSliderTextFollowKnob, true);
    Set(*sized, 500);
    EXPECT_EQ(sized->GetValueRect(), KURect<short>(48, 25, 60, 55));
    Set(*sized, 1000);
    EXPECT_EQ(sized->GetValueRect(), KURect<short>(-2, 25, 10, 55));
    EXPECT_EQ(RoundTrip(*sized, 1000)->GetValueRect(), sized->GetValueRect())
        << "the size is written back";
}

TEST_F(Slider, DescriptionRoundTrips) {
    auto slider = Make("MouseVertical",
                       "<BackGroundPictRect left='1' top='2' width='3' height='4'/>"
                       "<ResetFromRect left='5' top='6' width='7' height='8'/>");
    XML::CXMLElement parent("Control_List", "");
    slider->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    ASSERT_EQ(parent.GetSubElements().size(), 1U);
    CSlider_X copy;
    copy.ReadFromXMLWithAlg(*parent.GetSubElements().front(), &alg, false);
    EXPECT_EQ(copy.GetMovementRect(), slider->GetMovementRect());
    EXPECT_EQ(copy.GetBackgroundPictRect(), KURect<short>(2, 1, 6, 4));
    EXPECT_EQ(copy.GetResetFromRect(), KURect<short>(6, 5, 14, 12));
    EXPECT_EQ(copy.GetThumbRect(), slider->GetThumbRect());
}

// The lead registration's icon rectangle rides on the thumb, centred on it, with
// "SliderIconFollowKnob"; without the flag it stays where the description put it. The slider
// draws its first additional image there, and the rectangle is written back.
TEST_F(Slider, TheIconRectangleFollowsTheThumbWithTheFlag) {
    const auto make = [&](const std::string& flags, const std::string& rect) {
        auto slider = std::make_unique<CSlider_X>();
        slider->ReadFromXMLWithAlg(
            ParseXML("<cCONTROLLER Name='S'><ControlRect left='0' top='0' width='120' "
                     "height='120'/>" +
                     flags +
                     "<Slit><ThumbMovementArea left='0' top='0' width='20' height='110'/>"
                     "<ThumbSize width='20' height='10'/></Slit>"
                     "<ImageList><Image Type='AdditionalImages' ResID='640'/></ImageList>"
                     "<ParameterList><Param Name='Gain'><MouseVertical/>" +
                     rect + "</Param></ParameterList></cCONTROLLER>"),
            &alg, false);
        return slider;
    };
    const std::string icon = "<ImageRect left='40' top='50' width='6' height='4'/>";
    auto follows = make("<Flags><SliderIconFollowKnob/></Flags>", icon);
    Set(*follows, 1000);
    EXPECT_EQ(follows->GetLeadRegistration()->imageRect, KURect<short>(3, 7, 7, 13))
        << "centred on the thumb's centre (10, 5)";
    Set(*follows, 0);
    EXPECT_EQ(follows->GetLeadRegistration()->imageRect, KURect<short>(103, 7, 107, 13));
    EXPECT_NE(Yaml(*follows).find("640"), std::string::npos) << "the icon is drawn";

    auto stays = make("", icon);
    Set(*stays, 0);
    EXPECT_EQ(stays->GetLeadRegistration()->imageRect, KURect<short>(50, 40, 54, 46));
    XML::CXMLElement parent("Control_List", "");
    stays->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    ASSERT_EQ(parent.GetSubElements().size(), 1U);
    CSlider_X copy;
    copy.ReadFromXMLWithAlg(*parent.GetSubElements().front(), &alg, false);
    ASSERT_NE(copy.GetLeadRegistration(), nullptr);
    EXPECT_EQ(copy.GetLeadRegistration()->imageRect, KURect<short>(50, 40, 54, 46));

    // A rectangle that does not read is no rectangle: nothing follows and nothing is drawn.
    auto broken = make("<Flags><SliderIconFollowKnob/></Flags>", "<ImageRect left='4'/>");
    Set(*broken, 500);
    EXPECT_EQ(broken->GetLeadRegistration()->imageRect, KURect<short>());
    EXPECT_EQ(Yaml(*broken).find("640"), std::string::npos);
}

// Made by its type name in a description, the slider draws the control background, the track,
// then the thumb where the state puts it; a thumb image replaces the plain thumb.
TEST_F(Slider, MadeByTypeNameAndDrawsTrackThenThumb) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    gui.AttachAlgorithm(&alg);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
      <cCONTROLLER Name="Level"><Class Type="Slider"/>
        <ControlRect left="0" top="0" width="30" height="120"/>
        <Slit><ThumbMovementArea left="0" top="0" width="20" height="110"/>
          <ThumbSize width="20" height="10"/></Slit>
        <ParameterList><Param Name="Gain"><MouseVertical/></Param></ParameterList>
      </cCONTROLLER></Control_List></GUIXML>)")),
              eNoErr);
    auto* slider = dynamic_cast<CSlider_X*>(gui.GetControlPtrByName("Level"));
    ASSERT_NE(slider, nullptr);
    Free(alg.UpdateParamState(kGain, 1000));
    slider->UpdatePointer(0);

    const std::string drawn = Yaml(*slider);
    ExpectDrawnInOrder(
        drawn, {"values: [0, 0, 30, 0, 30, 120, 0, 120]", "values: [0, 0, 20, 0, 20, 110, 0, 110]",
                "values: [0, 0, 20, 0, 20, 10, 0, 10]"});
    EXPECT_NE(drawn.find("State: 1000"), std::string::npos);

    CSlider_X imaged;
    imaged.ReadFromXMLWithAlg(
        ParseXML("<cCONTROLLER Name='I'><ControlRect left='0' top='0' width='20' height='110'/>"
                 "<ForeGroundImageList><ImageList><Image Type='ForeGround' ResID='321'/>"
                 "</ImageList></ForeGroundImageList><ParameterList><Param Name='Gain'>"
                 "<MouseVertical/></Param></ParameterList></cCONTROLLER>"),
        &alg, false);
    const std::string withImage = Yaml(imaged);
    EXPECT_NE(withImage.find("321"), std::string::npos) << withImage;
    EXPECT_EQ(withImage.find("values: [0, 0, 20, 0, 20, 10, 0, 10]"), std::string::npos)
        << "no plain thumb under the image";
}

// With a text window that has a size the slider shows its value there, and with
// "SliderTextFollowKnob" the text rides on the thumb; a window without a size shows no text.
TEST_F(Slider, DrawsItsValueTextInItsTextWindow) {
    auto slider = Make("MouseVertical",
                       "<TextWindowRelativeToThumb left='25' top='-2' width='30' height='12'/>");
    slider->SetControlFlag(eCtrlSliderTextFollowKnob, true);
    const auto textAt = [&](double state) {
        Set(*slider, state);
        const std::string value = slider->GetValueText();
        EXPECT_FALSE(value.empty());
        const std::string drawn = Yaml(*slider);
        const KURect<short> window = slider->GetValueRect();
        const auto framed = drawn.find("frame:\n        rect: " + YamlRect(window));
        const auto text = drawn.find("DrawText:\n              text: " + value);
        EXPECT_NE(framed, std::string::npos) << drawn;
        EXPECT_NE(text, std::string::npos) << drawn;
        EXPECT_LT(framed, text) << "the text is drawn inside the window's frame";
        return window;
    };
    EXPECT_EQ(textAt(500), KURect<short>(48, 25, 60, 55));
    EXPECT_EQ(textAt(1000), KURect<short>(-2, 25, 10, 55)) << "the window follows the thumb";

    auto unsized = Make("MouseVertical",
                        "<TextWindowRelativeToThumb left='25' top='-2' width='0' height='0'/>");
    Set(*unsized, 500);
    EXPECT_EQ(Yaml(*unsized).find("DrawText"), std::string::npos);
}

// A "Shadow" image of the thumb's list is drawn under the thumb, moved by its offset, and one of
// the track's list under the track; both are written back with their offsets.
TEST_F(Slider, DrawsTheShadowsUnderTheThumbAndTheTrack) {
    auto slider =
        Make("MouseVertical",
             "</Slit><ForeGroundImageList><ImageList><Image Type='ForeGround' "
             "ResID='321'/><Image Type='Shadow' ResID='322' OffsetX='2' OffsetY='3'/>"
             "</ImageList></ForeGroundImageList><BackGroundImageList><ImageList>"
             "<Image Type='Shadow' ResID='323'/></ImageList></BackGroundImageList><Slit>");
    Set(*slider, 1000);
    const std::string drawn = Yaml(*slider);
    KURect<short> moved = slider->GetThumbRect();
    moved.Offset(2, 3);
    // The track's shadow, the track, the thumb's shadow moved by its offset, then the thumb.
    ExpectDrawnInOrder(drawn, {"ResID: 323", "values: [0, 0, 20, 0, 20, 110, 0, 110]",
                               "ResID: 322\n        draw_rect: " + YamlRect(moved), "ResID: 321"});

    EXPECT_EQ(Yaml(*RoundTrip(*slider, 1000)), drawn);
}

// Without a "ThumbSize" the thumb takes the loaded thumb image's size; a side the description
// gives keeps it; a thumb image that does not load leaves the default thumb.
TEST_F(Slider, TheThumbTakesItsSizeFromTheThumbImage) {
    FM::testing::TempFolder tmp;
    const std::string file = tmp.Write(
        "thumb.png",
        PVM::testing::EncodePNG(14, 6, std::vector<std::uint8_t>(std::size_t{14} * 6 * 4, 200)));
    const auto make = [&](const std::string& size, const std::string& image) {
        auto slider = std::make_unique<CSlider_X>();
        slider->ReadFromXMLWithAlg(
            ParseXML("<cCONTROLLER Name='S'><ControlRect left='0' top='0' width='30' "
                     "height='120'/><Slit><ThumbMovementArea left='0' top='0' width='20' "
                     "height='110'/>" +
                     size +
                     "</Slit><ForeGroundImageList><ImageList><Image Type='ForeGround' File='" +
                     image +
                     "'/></ImageList></ForeGroundImageList><ParameterList><Param Name='Gain'>"
                     "<MouseVertical/></Param></ParameterList></cCONTROLLER>"),
            &alg, false);
        Set(*slider, 1000);
        return slider;
    };
    auto sized = make("", file);
    EXPECT_EQ(sized->GetThumbRect().Height(), 10) << "nothing loaded yet";
    EXPECT_EQ(sized->LoadImages(nullptr), eNoErr);
    EXPECT_EQ(sized->GetThumbRect(), KURect<short>(0, 3, 6, 17)) << "14 x 6, at the top";
    std::vector<const PVM::KCBaseImage*> loaded;
    sized->GetLoadedImages(loaded);
    EXPECT_EQ(loaded.size(), 1U) << "the renderer takes the thumb's pixels";
    Set(*sized, 0);
    EXPECT_EQ(sized->GetThumbRect().bottom, 110) << "the travel is the image's";

    auto described = make("<ThumbSize width='0' height='8'/>", file);
    EXPECT_EQ(described->LoadImages(nullptr), eNoErr);
    EXPECT_EQ(described->GetThumbRect(), KURect<short>(0, 3, 8, 17)) << "the height is given";

    auto missing = make("", tmp.Path("none.png"));
    EXPECT_NE(missing->LoadImages(nullptr), eNoErr);
    EXPECT_EQ(missing->GetThumbRect(), KURect<short>(0, 0, 10, 20));
}

// A selection image given as a file is loaded with the others, so a render draws its pixels.
TEST_F(Slider, LoadsItsSelectionImagesForTheRenderer) {
    FM::testing::TempFolder tmp;
    const std::string file = tmp.Write(
        "hover.png",
        PVM::testing::EncodePNG(4, 4, std::vector<std::uint8_t>(std::size_t{4} * 4 * 4, 90)));
    CSlider_X slider;
    slider.ReadFromXMLWithAlg(
        ParseXML("<cCONTROLLER Name='S'><ControlRect left='0' top='0' width='30' height='120'/>"
                 "<SelectionImageList><ImageList><Image Type='Selection' Level='Hover' File='" +
                 file +
                 "'/></ImageList></SelectionImageList><ParameterList><Param Name='Gain'>"
                 "<MouseVertical/></Param></ParameterList></cCONTROLLER>"),
        &alg, false);
    EXPECT_EQ(slider.LoadImages(nullptr), eNoErr);
    std::vector<const PVM::KCBaseImage*> loaded;
    slider.GetLoadedImages(loaded);
    ASSERT_EQ(loaded.size(), 1U);
    EXPECT_EQ(loaded.front()->GetWidth(), 4);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
