// A GUI control driven by synthetic mouse events on an algorithm connected to the reference
// host: its changes arrive as coefficients, and the gesture the host sees begins at mouse-down
// and ends once at release.
#include "host/reference_host.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/gui/gui_control.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using kvKorvaneV10_0_3::eNoErr;
using kvKorvaneV10_0_3::KCGUIControl;
using kvKorvaneV10_0_3::KURect;
using kvKorvaneV10_0_3::test_support::AutomationTestAlgorithm;
using kvKorvaneV10_0_3::test_support::ParseXML;
namespace PM = kvKorvaneV10_0_3::ProcessMemory;
namespace PVM = kvKorvaneV10_0_3::PluginViewManager;
using KorvaneHost::MisuseKind;
using KorvaneHost::ReferenceHost;

constexpr const char* kDescription = R"(<GUIXML><Control_List>
  <cCONTROLLER Name="Gain" Class="Automation"><Flags><Automatable/></Flags>
    <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Freq" Class="Automation"><Flags><Automatable/></Flags>
    <ParameterList><Param Name="Frequency"/></ParameterList></cCONTROLLER>
</Control_List></GUIXML>)";
constexpr std::int64_t kGainControl = 0;
constexpr std::int64_t kFreqControl = 1;
constexpr unsigned int kGain = AutomationTestAlgorithm::kGain;
constexpr unsigned int kFrequency = AutomationTestAlgorithm::kDragged;

struct Knob : KCGUIControl {
    [[nodiscard]] KCBaseControl* Clone() const override { return new Knob(*this); }
};

class GUIControlOnHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, AutomationTestAlgorithm::kLinkCount), eNoErr);
        ASSERT_EQ(alg.SetExecCallBack(ReferenceHost::Callback(), host.Refcon()), 0);
        ASSERT_EQ(alg.FinishCreate(), 0);
        ASSERT_EQ(alg.InitProcessCode(), 0);
        ASSERT_EQ(alg.InitData(), 0);
        ASSERT_EQ(alg.InitInstanceData(), 0);
        alg.InitAlg(true);
        host.ProcessBlock();
        host.Events().Clear();
    }

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
    std::vector<int> Gestures(std::int64_t control) {
        std::vector<int> out;
        for (const auto& e : host.Events().All()) {
            if ((e.selector == PM::eSelAutomationTouch ||
                 e.selector == PM::eSelAutomationRelease) &&
                e.a == control) {
                out.push_back(e.selector);
            }
        }
        return out;
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
    double Coefficient(unsigned int param) {
        const auto coef = host.ReadCoefficient(static_cast<int>(param));
        EXPECT_TRUE(coef.has_value());
        return coef.value_or(-1.0);
    }

    ReferenceHost host;
    AutomationTestAlgorithm alg{kDescription};
};

TEST_F(GUIControlOnHost, ADragReachesTheCoefficientsInsideOneGesture) {
    Knob knob;
    Bind(knob, "Gain");
    Gesture(knob, {100, 50, 50});
    EXPECT_EQ(alg.GetParamState(kGain), 700);
    EXPECT_NEAR(Coefficient(kGain), AutomationTestAlgorithm::CoefValue(700), 1e-6);
    EXPECT_EQ(Gestures(kGainControl),
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
    EXPECT_EQ(Gestures(kFreqControl),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease}));
    EXPECT_EQ(host.CloseGestures(), 0U);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

}  // namespace
