// What the host-level GUI tests share: the reference host with an algorithm connected and
// started, the automation controls whose indexes the host's gestures name, events made by hand
// and the checks that every gesture the host saw was paired.
#pragma once

#include "host/reference_host.h"
#include "host/testing/algorithm_start.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/gui/pvm/event_test_support.h"
#include "korvane/gui/standard_gui.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace KorvaneHost::testing {

namespace PM = kvKorvaneV10_0_3::ProcessMemory;
namespace PVM = kvKorvaneV10_0_3::PluginViewManager;
using kvKorvaneV10_0_3::test_support::AutomationTestAlgorithm;

// One automation control per parameter the tests move, in this order.
inline constexpr const char* kGUIHostAutomation = R"(<GUIXML><Control_List>
  <cCONTROLLER Name="Gain" Class="Automation"><Flags><Automatable/></Flags>
    <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Freq" Class="Automation"><Flags><Automatable/></Flags>
    <ParameterList><Param Name="Frequency"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Mode" Class="Automation"><Flags><Automatable/></Flags>
    <ParameterList><Param Name="Mode"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="A" Class="Automation"><Flags><Automatable/></Flags>
    <ParameterList><Param Name="A"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="B" Class="Automation"><Flags><Automatable/></Flags>
    <ParameterList><Param Name="B"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="C" Class="Automation"><Flags><Automatable/></Flags>
    <ParameterList><Param Name="C"/></ParameterList></cCONTROLLER>
</Control_List></GUIXML>)";
inline constexpr std::int64_t kGainAutomation = 0;
inline constexpr std::int64_t kFreqAutomation = 1;
inline constexpr std::int64_t kModeAutomation = 2;
inline constexpr std::int64_t kAAutomation = 3;
inline constexpr std::int64_t kBAutomation = 4;
inline constexpr std::int64_t kCAutomation = 5;

inline constexpr unsigned int kGain = AutomationTestAlgorithm::kGain;
inline constexpr unsigned int kFrequency = AutomationTestAlgorithm::kDragged;
inline constexpr unsigned int kMode = AutomationTestAlgorithm::kMode;

class GUIHostTest : public ::testing::Test {
protected:
    using Point = PVM::KCEventData::Point;

    explicit GUIHostTest(AutomationTestAlgorithm::Configure configure = {})
        : alg(kGUIHostAutomation, std::move(configure)) {}

    // The algorithm connected to the host and started; what starting sent is forgotten.
    void SetUp() override {
        ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, AutomationTestAlgorithm::kLinkCount),
                  kvKorvaneV10_0_3::eNoErr);
        ASSERT_TRUE(ConnectAndInit(host, alg));
        alg.InitAlg(true);
        Settle();
    }
    // `gui` attached, built from `window` and completed, on the test's clock.
    void BuildGUI(kvKorvaneV10_0_3::CStandardGUI_X& gui, const char* window,
                  unsigned int controls) {
        gui.AttachAlgorithm(&alg);
        ASSERT_EQ(gui.ReadFromXML(kvKorvaneV10_0_3::test_support::ParseXML(window)),
                  kvKorvaneV10_0_3::eNoErr);
        ASSERT_EQ(gui.FinishCreate(), 0);
        ASSERT_EQ(gui.GetNumGUIControllers(), controls);
        gui.SetMicrosecondClock([this] { return now; });
        Settle();
    }
    void Settle() {
        host.ProcessBlock();
        host.Events().Clear();
    }

    // A single click's event at `where` (also its press point), the left button as given.
    static PVM::KCEventData At(Point where, bool leftDown = false) {
        return PVM::testing::MouseEventAt(where, leftDown);
    }
    // `dy` pixels above `from`.
    static Point Up(Point from, int dy) { return {from.x, static_cast<short>(from.y - dy)}; }

    // The touches and releases the host saw for one automation control, in order.
    std::vector<int> Gestures(std::int64_t control) { return host.Events().Gestures(control); }
    // `times` touch-release pairs.
    static std::vector<int> Paired(int times) {
        std::vector<int> out;
        for (int i = 0; i < times; ++i) {
            out.push_back(PM::eSelAutomationTouch);
            out.push_back(PM::eSelAutomationRelease);
        }
        return out;
    }
    double Coefficient(unsigned int param) {
        const auto coef = host.ReadCoefficient(static_cast<int>(param));
        EXPECT_TRUE(coef.has_value());
        return coef.value_or(-1.0);
    }
    void ExpectCleanHost() {
        EXPECT_EQ(host.CloseGestures(), 0U) << "every gesture was released";
        EXPECT_EQ(host.LiveBuffers(), 0U);
        EXPECT_EQ(host.Misuse().Count(), 0U);
    }

    ReferenceHost host;
    AutomationTestAlgorithm alg;
    std::int64_t now = 10'000'000;  // the GUI's clock
};

}  // namespace KorvaneHost::testing
