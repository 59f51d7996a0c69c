// The meter on a real algorithm's meter manager: the drawn bar follows the meter's value in
// both orientations, peak and clip show, and UpdateMeter asks for a redraw only on a change.
#include "korvane/gui/widget_vu_meter.h"

#include "korvane/algorithm/meter_manager.h"
#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/meter_test_algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gs/gs_yaml.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/png_image.h"
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

using test_support::MeterTestAlgorithm;
using test_support::ParseXML;
using testing::Argb;
using testing::Render;
using testing::Yaml;
namespace PVM = PluginViewManager;

class VuMeter : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { ASSERT_EQ(alg->FinishCreate(), 0); }

    std::unique_ptr<CVuMeter_X> Make(int width, int height, const std::string& extra) {
        auto vu = std::make_unique<CVuMeter_X>();
        vu->ReadFromXMLWithAlg(
            ParseXML("<cCONTROLLER Name='VU'><ControlRect left='0' top='0' width='" +
                     std::to_string(width) + "' height='" + std::to_string(height) + "'/>" + extra +
                     "<ParameterList><Param Name='Level'><DisplayOnly/></Param></ParameterList>"
                     "</cCONTROLLER>"),
            alg.get(), false);
        return vu;
    }
    // A value read from the processing side, then the idle refresh of the displays.
    void Feed(double dB) {
        KCMeterManager& manager = alg->GetMeterManager();
        manager.GetExtensionMeter(0)->SetValueFromProcess(MeterDBToGain(dB), alg->nowMs);
        manager.UpdateDisplay();
    }
    // Bar pixels along the meter's axis through its middle.
    static int BarLength(const PVM::KCImagePixels& p, bool vertical) {
        int n = 0;
        const int length = vertical ? p.height : p.width;
        for (int i = 0; i < length; ++i) {
            const std::uint32_t c = vertical ? p.At(p.width / 2, i) : p.At(i, p.height / 2);
            n += c == Argb(kDefaultWidgetPalette.meterBar) ? 1 : 0;
        }
        return n;
    }

    std::unique_ptr<MeterTestAlgorithm> alg =
        std::make_unique<MeterTestAlgorithm>(std::vector<unsigned int>{0});
};

// The displayed range is -60 ... 0 dB: -30 dB fills half the bar, -15 dB three quarters, from
// the bottom (vertical) or the left (horizontal).
TEST_P(VuMeter, FilledBarLengthFollowsTheMeterValue) {
    const bool vertical = GetParam();
    const int w = vertical ? 10 : 100;
    const int h = vertical ? 100 : 10;
    auto vu = Make(w, h, "<UsedAsFillControl/>");
    ASSERT_TRUE(vu->IsUsedAsFillControl());
    EXPECT_EQ(vu->IsVertical(), vertical);

    Feed(-30.0);
    ASSERT_TRUE(vu->UpdateMeter());
    PVM::KCImagePixels p = Render(*vu, w, h);
    EXPECT_NEAR(BarLength(p, vertical), 50, 1);
    EXPECT_NE(Yaml(*vu).find(vertical ? "values: [0, 50, 10, 50, 10, 100, 0, 100]"
                                      : "values: [0, 0, 50, 0, 50, 10, 0, 10]"),
              std::string::npos)
        << Yaml(*vu);
    if (vertical) {
        EXPECT_EQ(p.At(5, 99), Argb(kDefaultWidgetPalette.meterBar)) << "grows from the bottom";
        EXPECT_NE(p.At(5, 47), Argb(kDefaultWidgetPalette.meterBar));
    } else {
        EXPECT_EQ(p.At(0, 5), Argb(kDefaultWidgetPalette.meterBar)) << "grows from the left";
        EXPECT_NE(p.At(52, 5), Argb(kDefaultWidgetPalette.meterBar));
    }

    Feed(-15.0);
    ASSERT_TRUE(vu->UpdateMeter());
    EXPECT_NEAR(BarLength(Render(*vu, w, h), vertical), 75, 1);
    Feed(-90.0);
    ASSERT_TRUE(vu->UpdateMeter());
    EXPECT_EQ(BarLength(Render(*vu, w, h), vertical), 0) << "below the range draws no bar";
}

INSTANTIATE_TEST_SUITE_P(Orientation, VuMeter, ::testing::Bool());

// The peak stays where the loudest value was and the clip lamp lights over the clip level;
// the clip lamp takes the top pixels of a vertical meter that detects clipping.
TEST_F(VuMeter, PeakHoldAndClipShow) {
    alg = std::make_unique<MeterTestAlgorithm>(std::vector<unsigned int>{0}, true);
    ASSERT_EQ(alg->FinishCreate(), 0);
    auto* meter =
        dynamic_cast<KCParamExtensionMeterWithClip*>(alg->GetMeterManager().GetExtensionMeter(0));
    ASSERT_NE(meter, nullptr);
    meter->SetClipDetectionEnabled(true);
    meter->SetClipLevel(1.0);
    auto vu = Make(10, 104, "<UsedAsFillControl/>");

    Feed(-12.0);
    Feed(-36.0);
    ASSERT_TRUE(vu->UpdateMeter());
    EXPECT_TRUE(vu->GetShownReading().hasClip);
    EXPECT_FALSE(vu->GetShownReading().clipped);
    EXPECT_EQ(vu->GetBarArea(), KURect<short>(4, 0, 104, 10));
    PVM::KCImagePixels p = Render(*vu, 10, 104);
    EXPECT_NEAR(BarLength(p, true), 40, 1) << "-36 dB of a 100-pixel bar";
    EXPECT_NE(Yaml(*vu).find("values: [0, 64, 10, 64, 10, 104, 0, 104]"), std::string::npos);
    EXPECT_EQ(p.At(5, 24), Argb(kDefaultWidgetPalette.meterPeak)) << "peak line at -12 dB";
    EXPECT_EQ(p.At(5, 1), Argb(kDefaultWidgetPalette.meterClipOff));

    Feed(6.0);
    ASSERT_TRUE(vu->UpdateMeter());
    EXPECT_TRUE(vu->GetShownReading().clipped);
    p = Render(*vu, 10, 104);
    EXPECT_EQ(p.At(5, 1), Argb(kDefaultWidgetPalette.meterClip));
    EXPECT_NEAR(BarLength(p, true), 100, 1) << "over the range fills the bar";

    Feed(-36.0);
    ASSERT_TRUE(vu->UpdateMeter());
    EXPECT_TRUE(vu->GetShownReading().clipped) << "the clip stays until it is reset";

    // A click on the meter resets the clip and the peak hold.
    KURect<double> range(1000, 1000, 0, 0);
    bool handled = true;
    KPAPI_PROCESS_MEMORY::BUFFER_HEADER* chain = vu->MouseDown(testing::At(5, 50), &range, handled);
    alg->FreeBuffers(chain);
    chain = vu->MouseUp(testing::At(5, 50));
    alg->FreeBuffers(chain);
    EXPECT_FALSE(vu->GetShownReading().clipped);
    EXPECT_LE(vu->GetShownReading().peak, vu->GetShownReading().level);
    p = Render(*vu, 10, 104);
    EXPECT_EQ(p.At(5, 1), Argb(kDefaultWidgetPalette.meterClipOff));
    EXPECT_NE(p.At(5, 24), Argb(kDefaultWidgetPalette.meterPeak)) << "no peak line left above";
}

// Without "UsedAsFillControl" the level is a line at the value, not a filled bar.
TEST_F(VuMeter, WithoutFillTheLevelIsALine) {
    auto vu = Make(10, 100, "");
    EXPECT_FALSE(vu->IsUsedAsFillControl());
    Feed(-30.0);
    vu->UpdateMeter();
    const PVM::KCImagePixels p = Render(*vu, 10, 100);
    EXPECT_NEAR(BarLength(p, true), CVuMeter_X::kLineSize, 1);
    EXPECT_NE(Yaml(*vu).find("values: [0, 50, 10, 50, 10, 52, 0, 52]"), std::string::npos);
    EXPECT_EQ(p.At(5, 50), Argb(kDefaultWidgetPalette.meterBar));
}

// UpdateMeter asks for a redraw when the reading changed and only then.
TEST_F(VuMeter, UpdateMeterAsksForARedrawOnlyOnAChange) {
    auto vu = Make(10, 100, "<UsedAsFillControl/>");
    Feed(-20.0);
    EXPECT_TRUE(vu->UpdateMeter());
    EXPECT_TRUE(vu->NeedToRedrawControl());
    vu->UpdateRedrawControl();
    EXPECT_FALSE(vu->UpdateMeter());
    EXPECT_FALSE(vu->NeedToRedrawControl());
    Feed(-20.0);
    EXPECT_FALSE(vu->UpdateMeter()) << "the same value again";
    Feed(-10.0);
    EXPECT_TRUE(vu->UpdateMeter());
    EXPECT_TRUE(vu->NeedToRedrawControl());

    // A control on a parameter without a meter reads nothing and never redraws.
    auto plain = std::make_unique<CVuMeter_X>();
    plain->ReadFromXMLWithAlg(
        ParseXML("<cCONTROLLER Name='P'><ControlRect left='0' top='0' width='10' height='10'/>"
                 "<ParameterList><Param Name='Gain'/></ParameterList></cCONTROLLER>"),
        alg.get(), false);
    EXPECT_EQ(plain->GetMeter(), nullptr);
    EXPECT_FALSE(plain->UpdateMeter());
}

// Made by its type name; the fill setting survives writing and reading back.
TEST_F(VuMeter, MadeByTypeNameAndRoundTrips) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    gui.AttachAlgorithm(alg.get());
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
      <cCONTROLLER Name="Meter"><Class Type="VU"/><UsedAsFillControl/>
        <ControlRect left="0" top="0" width="10" height="100"/>
        <ParameterList><Param Name="Level"><DisplayOnly/></Param></ParameterList>
      </cCONTROLLER></Control_List></GUIXML>)")),
              eNoErr);
    auto* vu = dynamic_cast<CVuMeter_X*>(gui.GetControlPtrByName("Meter"));
    ASSERT_NE(vu, nullptr);
    EXPECT_NE(vu->GetMeter(), nullptr);
    XML::CXMLElement parent("Control_List", "");
    vu->WriteToXMLWithAlg(parent, alg.get(), "cCONTROLLER");
    ASSERT_EQ(parent.GetSubElements().size(), 1U);
    CVuMeter_X back;
    back.ReadFromXMLWithAlg(*parent.GetSubElements()[0], alg.get(), false);
    EXPECT_TRUE(back.IsUsedAsFillControl());
    back.ReadFromXMLWithAlg(ParseXML("<cCONTROLLER Name='V'><UsedAsFillControl Value='Off'/>"
                                     "</cCONTROLLER>"),
                            alg.get(), true);
    EXPECT_FALSE(back.IsUsedAsFillControl());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
