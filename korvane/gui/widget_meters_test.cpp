// The widgets fed by the meter manager on a real algorithm: the knob's meter arc, the polygon
// meter's colour zones and wedge, its description written back, and the automatic-trim button
// applying the manager's proposal to its parameter once.
#include "korvane/gui/widget_meters.h"

#include "korvane/algorithm/meter_manager.h"
#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/meter_test_algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/widget_test_support.h"
#include "korvane/gui/widget_marker.h"
#include "korvane/gui/widget_text_knobs.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::MeterTestAlgorithm;
using test_support::ParseXML;
using testing::Argb;
using testing::At;
using testing::Render;
using testing::Yaml;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

class Meters : public ::testing::Test {
protected:
    static constexpr unsigned int kGain = MeterTestAlgorithm::kGain;

    void SetUp() override { ASSERT_EQ(alg.FinishCreate(), 0); }

    template <typename Widget>
    std::unique_ptr<Widget> Make(const std::string& params, const std::string& rest, int width = 40,
                                 int height = 40) {
        auto widget = std::make_unique<Widget>();
        widget->ReadFromXMLWithAlg(
            ParseXML("<cCONTROLLER Name='W'><ControlRect left='0' top='0' width='" +
                     std::to_string(width) + "' height='" + std::to_string(height) +
                     "'/><ParameterList>" + params + "</ParameterList>" + rest + "</cCONTROLLER>"),
            &alg, false);
        return widget;
    }
    // A value read from the processing side, then the idle refresh of the displays.
    void Feed(double dB) {
        KCMeterManager& manager = alg.GetMeterManager();
        manager.GetExtensionMeter(0)->SetValueFromProcess(MeterDBToGain(dB), alg.nowMs);
        manager.UpdateDisplay();
    }
    void Free(BUFFER_HEADER* chain) { alg.FreeBuffers(chain); }
    void ClickOn(KCGUIControl& control) {
        KURect<double> range(1000, 1000, 0, 0);
        bool handled = true;
        Free(control.MouseDown(At(5, 5), &range, handled));
        Free(control.MouseUp(At(5, 5)));
    }

    MeterTestAlgorithm alg{std::vector<unsigned int>{0}};
};

// ------------------------------------------------------------------ knob with a meter

// The arc inside the ring follows the other registration's meter; the knob's own value arc
// and pointer stay the lead parameter's.
TEST_F(Meters, TheKnobMeterArcFollowsTheMeterInsideTheRing) {
    auto knob = Make<CRotationKnobMeter>(
        "<Param Name='Gain'><MouseVertical/></Param><Param Name='Level'><DisplayOnly/></Param>",
        "");
    ASSERT_NE(knob->GetMeterRegistration(), nullptr);
    EXPECT_EQ(knob->GetMeterRegistration()->paramID, MeterTestAlgorithm::MeterParam(0));
    Free(alg.UpdateParamState(kGain, 1000));  // the value arc covers the whole travel

    Feed(-30.0);
    ASSERT_TRUE(knob->UpdateMeter());
    EXPECT_DOUBLE_EQ(knob->GetShownReading().level, 0.5);
    const std::string half = Yaml(*knob);
    EXPECT_EQ(Count(half, "sweep_angle: 135"), 1U) << "the meter, half of 270 degrees\n" << half;
    EXPECT_EQ(Count(half, "sweep_angle: 270"), 2U) << "the knob's track and value arc";

    // 40 × 40: the meter circle is centred at (20, 20) with radius 12. Half the travel runs
    // from 7:30 over 9 o'clock to 12 o'clock.
    const PVM::KCImagePixels p = Render(*knob, 40, 40);
    EXPECT_EQ(p.At(8, 20), Argb(kDefaultWidgetPalette.meterBar)) << "9 o'clock";
    EXPECT_NE(p.At(32, 20), Argb(kDefaultWidgetPalette.meterBar)) << "3 o'clock: not reached";

    Feed(-12.0);
    Feed(-42.0);
    ASSERT_TRUE(knob->UpdateMeter());
    const std::string withPeak = Yaml(*knob);
    EXPECT_EQ(Count(withPeak, "sweep_angle: 4\n"), 1U) << "the peak tick\n" << withPeak;
    EXPECT_FALSE(knob->UpdateMeter()) << "no change, no redraw";

    Feed(-90.0);
    alg.GetMeterManager().ResetAllPeak();
    ASSERT_TRUE(knob->UpdateMeter());
    EXPECT_EQ(Count(Yaml(*knob), "sweep_angle: 270"), 2U);
    EXPECT_EQ(Count(Yaml(*knob), "sweep_angle"), 2U) << "silence draws no meter arc";

    // The lead alone is never its own meter: a plain knob.
    auto plain = Make<CRotationKnobMeter>("<Param Name='Level'><DisplayOnly/></Param>", "");
    EXPECT_EQ(plain->GetMeterRegistration(), nullptr);
    Feed(-6.0);
    EXPECT_FALSE(plain->UpdateMeter());
}

// ------------------------------------------------------------------ polygon meter

constexpr KCRGBAColor kRed{255, 0, 0, 255};
constexpr KCRGBAColor kGreen{0, 255, 0, 255};
constexpr KCRGBAColor kBlue{0, 0, 255, 255};
constexpr KCRGBAColor kDark{10, 10, 10, 255};
const std::string kZones =
    "<MeterColor1 R='255'/><MeterColor2 G='255'/><MeterColor3 B='255'/>"
    "<ColorSwitchValues Value1='-30' Value2='-15'/><BackgroundColor R='10' G='10' B='10'/>";

// With the range -60 ... 0 dB the switches at -30 and -15 dB fall at a half and three
// quarters; -6 dB fills nine tenths in three colours, and the wedge is narrow at the bottom.
TEST_F(Meters, PolygonMeterFillsItsZonesInAWedge) {
    auto vu = Make<KCPolygonMeter>("<Param Name='Level'><DisplayOnly/></Param>", kZones, 20, 100);
    EXPECT_DOUBLE_EQ(vu->GetSwitchFraction(0), 0.5);
    EXPECT_DOUBLE_EQ(vu->GetSwitchFraction(1), 0.75);
    Feed(-6.0);
    ASSERT_TRUE(vu->UpdateMeter());
    PVM::KCImagePixels p = Render(*vu, 20, 100);
    EXPECT_EQ(p.At(10, 97), Argb(kRed));
    EXPECT_EQ(p.At(10, 40), Argb(kGreen));
    EXPECT_EQ(p.At(10, 15), Argb(kBlue));
    EXPECT_EQ(p.At(10, 5), Argb(kDark)) << "above the level";
    EXPECT_EQ(p.At(2, 97), Argb(kDark)) << "the wedge is a quarter wide at the bottom";
    EXPECT_EQ(p.At(2, 15), Argb(kBlue)) << "and almost full width near the top";
    KCPoint2D<short> corners[4];
    vu->GetWedgeCorners(0.0, 1.0, corners);
    EXPECT_EQ(corners[0], KCPoint2D<short>(8, 100));
    EXPECT_EQ(corners[2], KCPoint2D<short>(20, 0));

    Feed(-45.0);
    alg.GetMeterManager().ResetAllPeak();
    ASSERT_TRUE(vu->UpdateMeter());
    p = Render(*vu, 20, 100);
    EXPECT_EQ(p.At(10, 80), Argb(kRed));
    EXPECT_EQ(p.At(10, 40), Argb(kDark)) << "the upper zones stay empty";
    EXPECT_EQ(Count(Yaml(*vu), "method: Polygon"), 2U) << "the background and one zone";

    // A peak above the level is a slice in its zone's colour.
    Feed(-3.0);
    Feed(-45.0);
    ASSERT_TRUE(vu->UpdateMeter());
    p = Render(*vu, 20, 100);
    EXPECT_EQ(p.At(10, 4), Argb(kBlue)) << "the peak at -3 dB";
    EXPECT_EQ(p.At(10, 10), Argb(kDark));

    // Lying down, the wedge grows to the right.
    auto wide = Make<KCPolygonMeter>("<Param Name='Level'><DisplayOnly/></Param>", kZones, 100, 20);
    Feed(-6.0);
    alg.GetMeterManager().ResetAllPeak();
    ASSERT_TRUE(wide->UpdateMeter());
    p = Render(*wide, 100, 20);
    EXPECT_EQ(p.At(3, 10), Argb(kRed));
    EXPECT_EQ(p.At(60, 10), Argb(kGreen));
    EXPECT_EQ(p.At(95, 10), Argb(kDark));
}

TEST_F(Meters, PolygonMeterDefaultsAndDescriptionRoundTrip) {
    auto plain = Make<KCPolygonMeter>("<Param Name='Level'><DisplayOnly/></Param>", "");
    EXPECT_EQ(plain->GetZoneColor(0), kDefaultWidgetPalette.meterBar);
    EXPECT_EQ(plain->GetZoneColor(2), kDefaultWidgetPalette.meterClip);
    EXPECT_EQ(plain->GetBackgroundColor(), kDefaultWidgetPalette.background);
    EXPECT_DOUBLE_EQ(plain->GetSwitchValue(0), -18.0);
    EXPECT_DOUBLE_EQ(plain->GetSwitchValue(1), -6.0);
    XML::CXMLElement none("Control_List", "");
    plain->WriteToXMLWithAlg(none, &alg, "cCONTROLLER");
    ASSERT_EQ(none.GetSubElements().size(), 1U);
    EXPECT_EQ(none.GetSubElements()[0]->SubElement("MeterColor1"), nullptr)
        << "defaults are not written";
    EXPECT_EQ(none.GetSubElements()[0]->SubElement("ColorSwitchValues"), nullptr);

    auto vu = Make<KCPolygonMeter>("<Param Name='Level'><DisplayOnly/></Param>",
                                   kZones + "<UsedAsFillControl/>");
    XML::CXMLElement parent("Control_List", "");
    vu->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    ASSERT_EQ(parent.GetSubElements().size(), 1U);
    KCPolygonMeter back;
    back.ReadFromXMLWithAlg(*parent.GetSubElements()[0], &alg, false);
    EXPECT_EQ(back.GetZoneColor(0), kRed);
    EXPECT_EQ(back.GetZoneColor(1), kGreen);
    EXPECT_EQ(back.GetZoneColor(2), kBlue);
    EXPECT_EQ(back.GetBackgroundColor(), kDark);
    EXPECT_DOUBLE_EQ(back.GetSwitchValue(0), -30.0);
    EXPECT_DOUBLE_EQ(back.GetSwitchValue(1), -15.0);
    EXPECT_TRUE(back.IsUsedAsFillControl()) << "the VU meter's own setting stays";
    EXPECT_NE(back.GetMeter(), nullptr);

    // A skin that changes one colour keeps the rest.
    back.ReadFromXMLWithAlg(ParseXML("<cCONTROLLER Name='W'><MeterColor2 R='1' G='2' B='3'/>"
                                     "</cCONTROLLER>"),
                            &alg, true);
    EXPECT_EQ(back.GetZoneColor(1), (KCRGBAColor{1, 2, 3, 255}));
    EXPECT_EQ(back.GetZoneColor(0), kRed);
    EXPECT_DOUBLE_EQ(back.GetSwitchValue(1), -15.0);
}

// ------------------------------------------------------------------ automatic trim

class AutoTrim : public Meters {
protected:
    void SetUp() override {
        Meters::SetUp();
        ASSERT_EQ(alg.GetMeterManager().AutoTrimRegister(0, 12.0), 0);
    }
};

// A click applies the proposal less 0.1 dB to the trim parameter and tells the algorithm;
// a second click before the next read changes nothing.
TEST_F(AutoTrim, AClickAppliesTheProposalOnceToTheParameter) {
    auto button = Make<KCAutoTrimButton>("<Param Name='Gain'/>", "", 60, 20);
    ASSERT_DOUBLE_EQ(alg.GetParamRealWorld(kGain), 0.0);
    ClickOn(*button);
    EXPECT_TRUE(alg.trims.empty()) << "no proposal yet";
    EXPECT_DOUBLE_EQ(alg.GetParamRealWorld(kGain), 0.0);
    EXPECT_EQ(button->GetLabel(), "Trim");
    EXPECT_EQ(Render(*button, 60, 20).At(2, 2), Argb(kDefaultWidgetPalette.toggleOff));

    Feed(20.0 * std::log10(2.0));  // a peak of +6.02 dB
    ASSERT_TRUE(button->UpdateMeter());
    EXPECT_NEAR(button->GetPendingTrim(), -6.0206, 1e-3);
    EXPECT_EQ(button->GetLabel(), "Trim -6.0 dB");
    EXPECT_EQ(Render(*button, 60, 20).At(2, 2), Argb(kDefaultWidgetPalette.toggleOn));
    EXPECT_NE(Yaml(*button).find("text: Trim -6.0 dB"), std::string::npos);

    ClickOn(*button);
    ASSERT_EQ(alg.trims.size(), 1U);
    EXPECT_NEAR(alg.trims[0], -6.1206, 1e-3);
    EXPECT_NEAR(alg.GetParamRealWorld(kGain), -6.1, 1e-9) << "on the parameter's 0.1 dB grid";
    EXPECT_EQ(button->GetLabel(), "Trim") << "nothing waits any more";
    ClickOn(*button);
    EXPECT_EQ(alg.trims.size(), 1U);
    EXPECT_NEAR(alg.GetParamRealWorld(kGain), -6.1, 1e-9);
}

TEST_F(AutoTrim, TheParameterClampsAndADisplayOnlyButtonOnlyTellsTheAlgorithm) {
    auto button = Make<KCAutoTrimButton>("<Param Name='Gain'/>", "", 60, 20);
    Free(alg.UpdateParamRealWorld(kGain, 20.0));
    Feed(-40.0);  // proposes the bound, +12 dB
    ClickOn(*button);
    ASSERT_EQ(alg.trims.size(), 1U);
    EXPECT_DOUBLE_EQ(alg.GetParamRealWorld(kGain), 24.0) << "held at the top of the range";

    alg.GetMeterManager().ReadFromDSP();  // the next read allows the next trim
    auto display = Make<KCAutoTrimButton>("<Param Name='Gain'><DisplayOnly/></Param>", "", 60, 20);
    Feed(-40.0);
    ClickOn(*display);
    ASSERT_EQ(alg.trims.size(), 2U);
    EXPECT_DOUBLE_EQ(alg.GetParamRealWorld(kGain), 24.0);
}

// ------------------------------------------------------------------ type names

TEST_F(Meters, TheTypeNamesMakeTheWidgets) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    gui.AttachAlgorithm(&alg);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
      <cCONTROLLER Name="A"><Class Type="RotationKnobMeter"/></cCONTROLLER>
      <cCONTROLLER Name="B"><Class Type="PolygonVU"/>
        <MeterColor3 R="1" G="2" B="3"/></cCONTROLLER>
      <cCONTROLLER Name="C"><Class Type="TextKnob"/></cCONTROLLER>
      <cCONTROLLER Name="D"><Class Type="MFTextKnob"/></cCONTROLLER>
      <cCONTROLLER Name="E"><Class Type="Marker"/></cCONTROLLER>
      <cCONTROLLER Name="F"><Class Type="AutoTrim"/></cCONTROLLER>
    </Control_List></GUIXML>)")),
              eNoErr);
    EXPECT_NE(dynamic_cast<CRotationKnobMeter*>(gui.GetControlPtrByName("A")), nullptr);
    const auto* polygon = dynamic_cast<KCPolygonMeter*>(gui.GetControlPtrByName("B"));
    ASSERT_NE(polygon, nullptr);
    EXPECT_EQ(polygon->GetZoneColor(2), (KCRGBAColor{1, 2, 3, 255})) << "read through the GUI";
    EXPECT_NE(dynamic_cast<CButton_X*>(gui.GetControlPtrByName("C")), nullptr);
    EXPECT_NE(dynamic_cast<X_CMultiField*>(gui.GetControlPtrByName("D")), nullptr);
    EXPECT_NE(dynamic_cast<CMarker_X*>(gui.GetControlPtrByName("E")), nullptr);
    EXPECT_NE(dynamic_cast<KCAutoTrimButton*>(gui.GetControlPtrByName("F")), nullptr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
