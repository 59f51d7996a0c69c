// Automation under real threads: the host's automation thread sets values while two gesture
// sources (a GUI drag, a MIDI controller) touch and release the same lead and the idle thread
// refreshes. The host must see every control's touches and releases alternate, none left open.
#include "host/reference_host.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

namespace {

using kvKorvaneV10_0_3::BUFFER_HEADER;
using kvKorvaneV10_0_3::eNoErr;
using kvKorvaneV10_0_3::test_support::AutomationTestAlgorithm;
namespace PM = kvKorvaneV10_0_3::ProcessMemory;
using KorvaneHost::ReferenceHost;

TEST(AutomationThreads, GesturesFromSeveralThreadsStayPaired) {
    ReferenceHost host;
    AutomationTestAlgorithm alg;
    ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, AutomationTestAlgorithm::kLinkCount), eNoErr);
    ASSERT_EQ(alg.SetExecCallBack(ReferenceHost::Callback(), host.Refcon()), 0);
    ASSERT_EQ(alg.FinishCreate(), 0);
    ASSERT_EQ(alg.InitData(), 0);
    ASSERT_EQ(alg.InitInstanceData(), 0);

    constexpr int kRounds = 5000;
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        while (!stop) {
            host.ProcessBlock();
            std::this_thread::yield();
        }
    });
    std::thread automation([&] {
        for (int n = 0; n < kRounds; ++n) {
            alg.SetControllerValue(AutomationTestAlgorithm::kGroupControl, n % 1000);
        }
    });
    const auto gestures = [&](double offset) {
        for (int n = 0; n < kRounds; ++n) {
            alg.Touch(AutomationTestAlgorithm::kA);
            BUFFER_HEADER* chain =
                alg.UpdateParamRequestState(AutomationTestAlgorithm::kA, offset + n % 500);
            alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true);
            alg.Release(AutomationTestAlgorithm::kA);
        }
    };
    std::thread gui(gestures, 0.0);
    std::thread midi(gestures, 500.0);
    std::thread idle([&] {
        while (!stop) {
            alg.DoIdle(1);
            alg.TouchAllPararms();
            alg.ReleaseAllParams();
        }
    });
    automation.join();
    gui.join();
    midi.join();
    stop = true;
    idle.join();
    audio.join();
    host.ProcessBlock();

    EXPECT_GE(host.Events().Of(PM::eSelAutomationTouch).size(), 2U);
    EXPECT_EQ(host.CloseGestures(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
    std::map<std::int64_t, int> last;
    for (const auto& e : host.Events().All()) {
        if (e.selector != PM::eSelAutomationTouch && e.selector != PM::eSelAutomationRelease) {
            continue;
        }
        const int expected = last[e.a] == PM::eSelAutomationTouch ? PM::eSelAutomationRelease
                                                                  : PM::eSelAutomationTouch;
        ASSERT_EQ(e.selector, expected) << "control " << e.a;
        last[e.a] = e.selector;
    }
    EXPECT_EQ(last[AutomationTestAlgorithm::kGroupControl], PM::eSelAutomationRelease);
    EXPECT_EQ(host.LiveBuffers(), 0U);
}

}  // namespace
