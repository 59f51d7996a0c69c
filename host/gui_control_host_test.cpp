// A GUI control driven by synthetic mouse events on an algorithm connected to the reference
// host: its changes arrive as coefficients, and the gesture the host sees begins at mouse-down
// and ends once at release.
#include "host/gui_host_fixture.h"

#include "korvane/gui/gui_control.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace KorvaneHost::testing;  // the shared fixture and its names
using KorvaneHost::MisuseKind;
using kvKorvaneV10_0_3::KCGUIControl;
using kvKorvaneV10_0_3::KURect;
using kvKorvaneV10_0_3::test_support::ParseXML;

struct Knob : KCGUIControl {
    [[nodiscard]] KCBaseControl* Clone() const override { return new Knob(*this); }
};

class GUIControlOnHost : public GUIHostTest {
protected:
    void Bind(Knob& knob, const char* param) {
        knob.ReadFromXMLWithAlg(ParseXML(std::string("<cCONTROLLER Name='K'><ParameterList>"
                                                     "<Param Name='") +
                                         param +
                                         "'><MouseVertical/></Param></ParameterList>"
                                         "</cCONTROLLER>"),
                                &alg, false);
    }
    // What the GUI does with a handler's chain.
    void Send(PM::BUFFER_HEADER* chain) {
        ASSERT_EQ(alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true), 0);
    }
    // A press, drags of `dy` states each, a release; the GUI releases the control after it.
    void Gesture(Knob& knob, const std::vector<double>& drags, bool processEachDrag = true) {
        PVM::KCEventData event;
        event.SetMouseClickCount(PVM::eSingleClick);
        KURect<double> range(1000, 1000, 0, 0);
        bool handled = true;
        Send(knob.MouseDown(event, &range, handled));
        for (const double dy : drags) {
            Send(knob.MouseDrag(event, 0, dy, nullptr));
            if (processEachDrag) {
                host.ProcessBlock();
            }
        }
        Send(knob.MouseUp(event));
        knob.Release();
        host.ProcessBlock();
    }
};

TEST_F(GUIControlOnHost, ADragReachesTheCoefficientsInsideOneGesture) {
    Knob knob;
    Bind(knob, "Gain");
    Gesture(knob, {100, 50, 50});
    EXPECT_EQ(alg.GetParamState(kGain), 700);
    EXPECT_NEAR(Coefficient(kGain), AutomationTestAlgorithm::CoefValue(700), 1e-6);
    EXPECT_EQ(Gestures(kGainAutomation),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease}));
    EXPECT_EQ(host.Events().Of(PM::eSelAutomationValue).size(), 3U) << "one value per drag step";
    EXPECT_EQ(host.CloseGestures(), 0U);
    EXPECT_EQ(host.Misuse().Count(MisuseKind::UnpairedTouch), 0U);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

// A parameter that does not update while dragged reaches the processing once, at mouse-up.
TEST_F(GUIControlOnHost, ADraggedParameterReachesTheProcessingAtMouseUp) {
    Knob knob;
    Bind(knob, "Frequency");
    const double before = Coefficient(kFrequency);
    PVM::KCEventData event;
    KURect<double> range(1000, 1000, 0, 0);
    bool handled = true;
    Send(knob.MouseDown(event, &range, handled));
    Send(knob.MouseDrag(event, 0, 100, nullptr));
    Send(knob.MouseDrag(event, 0, 100, nullptr));
    EXPECT_EQ(host.PendingChains(), 0U) << "nothing for the processing while dragged";
    host.ProcessBlock();
    EXPECT_EQ(Coefficient(kFrequency), before);
    Send(knob.MouseUp(event));
    knob.Release();
    EXPECT_EQ(host.PendingChains(), 1U);
    host.ProcessBlock();
    EXPECT_NEAR(Coefficient(kFrequency), AutomationTestAlgorithm::CoefValue(700), 1e-6);
    EXPECT_EQ(Gestures(kFreqAutomation),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease}));
    EXPECT_EQ(host.CloseGestures(), 0U);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

}  // namespace
