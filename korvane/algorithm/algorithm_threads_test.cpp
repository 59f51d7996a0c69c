// cALGORITHM across threads: state the GUI reads without the lock while the host or automation
// changes it, and setup names written from one thread while another copies the setups. Each
// case fails under ThreadSanitizer when a write or read loses its lock or its atomicity.
#include "korvane/algorithm/algorithm.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/thread_mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::TestAlgorithm;

constexpr int kRounds = 2000;

class AlgorithmThreads : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(alg.FinishCreate(), 0); }

    // Runs `writer` kRounds times on a second thread while `reader` runs on this one until the
    // writer is done; the number of reads.
    template <typename Writer, typename Reader>
    int RaceReadsAgainst(Writer writer, Reader reader) {
        std::atomic<bool> done{false};
        std::thread thread([&] {
            for (int i = 0; i < kRounds; ++i) {
                writer(i);
            }
            done = true;
        });
        int reads = 0;
        while (!done) {
            reader();
            ++reads;
        }
        thread.join();
        return reads;
    }

    TestAlgorithm alg;
};

TEST_F(AlgorithmThreads, TheActiveSetupReadsAsOneOfTheTwoWhileAnotherThreadToggles) {
    bool consistent = true;
    RaceReadsAgainst([&](int) { alg.ToggleActiveSetup(eActiveSetup); },
                     [&] {
                         const EPluginSetup active = alg.GetActiveSetup();
                         const EPluginSetup passive = alg.GetPassiveSetup();
                         consistent = consistent && (active == eSetupA || active == eSetupB) &&
                                      (passive == eSetupA || passive == eSetupB);
                     });
    EXPECT_TRUE(consistent);
    // An even number of toggles ends where it started.
    EXPECT_EQ(alg.GetActiveSetup(), eSetupA);
}

TEST_F(AlgorithmThreads, SampleRateAndBypassReadWhileTheHostChangesThem) {
    alg.SetProcessActive(true);
    bool consistent = true;
    RaceReadsAgainst(
        [&](int i) {
            static_cast<void>(alg.ChangeSampleRate(i % 2 == 0 ? 48000 : 44100));
            static_cast<void>(alg.SetBypass(i % 2 == 0));
        },
        [&] {
            const int rate = alg.GetSampleRate();
            consistent = consistent && (rate == 44100 || rate == 48000);
            static_cast<void>(alg.GetBypass());
            static_cast<void>(alg.GetProcessActive());
        });
    EXPECT_TRUE(consistent);
    EXPECT_EQ(alg.GetSampleRate(), 44100);
    EXPECT_FALSE(alg.GetBypass());
}

TEST_F(AlgorithmThreads, SetupNamesWrittenWhileAnotherThreadCopiesTheSetups) {
    const std::string first(100, 'a');
    const std::string second(60, 'b');
    RaceReadsAgainst(
        [&](int i) {
            alg.SetSetupName(KCFixedString<127>(i % 2 == 0 ? first.c_str() : second.c_str()),
                             eSetupA);
            alg.ClearSetupName(eSetupB);
        },
        [&] { alg.CopySetup(); });
    // Whatever interleaving happened, each name is one that was written whole (or cleared).
    const kvThread::ThreadMutexLock lock(alg.AlgLock());
    for (const EPluginSetup setup : {eSetupA, eSetupB}) {
        const std::string name = alg.GetSetupName(setup).c_str();
        EXPECT_TRUE(name.empty() || name == first || name == second) << name;
    }
    EXPECT_EQ(std::string(alg.GetSetupName(eSetupA).c_str()), second);
}

// Records, per event, whether the algorithm lock was held while the listener ran.
struct LockCheckingListener : KCAlgorithmListener {
    explicit LockCheckingListener(const cALGORITHM& owner) : alg(owner) {}
    void Record(const char* event) {
        events.emplace_back(event);
        held.push_back(alg.AlgLock().is_locked_by_cur_thread());
    }
    void PresetModified(EPluginSetup /*setup*/) override { Record("modified"); }
    void SetupTitleChanged(EPluginSetup /*setup*/, const KCFixedStringBase& /*title*/) override {
        Record("title");
    }
    void ActiveSetupChanged(EPluginSetup /*setup*/) override { Record("active"); }
    void ActiveSideChainChanged(bool /*active*/) override { Record("side-chain"); }
    const cALGORITHM& alg;
    std::vector<std::string> events;
    std::vector<bool> held;
};

// The broadcaster has no lock of its own: every event must come with the algorithm lock held,
// so that a registration (made under the same lock) never races with a notification.
TEST_F(AlgorithmThreads, ListenersHearEveryEventWithTheAlgorithmLockHeld) {
    LockCheckingListener listener(alg);
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        alg.Broadcaster()->AddListener(&listener);
    }
    static_cast<void>(alg.UpdateParamState(TestAlgorithm::kGain, 900));
    alg.SetSetupName(KCFixedString<127>("Bright"), eSetupA);
    static_cast<void>(alg.ToggleActiveSetup(eActiveSetup));
    alg.CopySetup();
    alg.ChangeSideChainActive(1);
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        alg.Broadcaster()->RemoveListener(&listener);
    }
    const std::vector<std::string> expected = {"modified", "title", "active", "modified",
                                               "side-chain"};
    EXPECT_EQ(listener.events, expected);
    for (std::size_t i = 0; i < listener.held.size(); ++i) {
        EXPECT_TRUE(listener.held[i]) << listener.events[i];
    }
}

// Records, per hook, whether the algorithm lock was held when the base called it.
class HookRecorder : public TestAlgorithm {
public:
    std::vector<std::string> hooks;
    std::vector<bool> held;

protected:
    void Record(const char* hook) {
        hooks.emplace_back(hook);
        held.push_back(AlgLock().is_locked_by_cur_thread());
    }
    BUFFER_HEADER* UpdateParamSelf(unsigned int index) override {
        Record("UpdateParamSelf");
        return TestAlgorithm::UpdateParamSelf(index);
    }
    BUFFER_HEADER* UpdateAlgSelf() override {
        Record("UpdateAlgSelf");
        return TestAlgorithm::UpdateAlgSelf();
    }
    BUFFER_HEADER* InitAlgSelf() override {
        Record("InitAlgSelf");
        return TestAlgorithm::InitAlgSelf();
    }
    BUFFER_HEADER* UpdateDSPCoefsSelf() override {
        Record("UpdateDSPCoefsSelf");
        return TestAlgorithm::UpdateDSPCoefsSelf();
    }
    void DragParamSelf(unsigned int /*index*/, double /*state*/) override {
        Record("DragParamSelf");
    }
    void CopySetupSelf(int /*from*/, int /*to*/) override { Record("CopySetupSelf"); }
    int ChangeSampleRateSelf() override {
        Record("ChangeSampleRateSelf");
        return 0;
    }
};

// The hooks that read or write values run with the lock held, whichever entry point calls them.
TEST(AlgorithmHooks, HooksThatTouchValuesRunUnderTheAlgorithmLock) {
    HookRecorder alg;
    ASSERT_EQ(alg.FinishCreate(), 0);
    static_cast<void>(alg.InitAlg(false));
    static_cast<void>(alg.UpdateParamState(TestAlgorithm::kGain, 700));
    static_cast<void>(alg.DragParam(TestAlgorithm::kDragged, 300));
    static_cast<void>(alg.UpdateAlg());
    static_cast<void>(alg.UpdateDSPCoefs(false));
    alg.CopySetup();
    static_cast<void>(alg.ChangeSampleRate(96000));
    const std::vector<std::string> expected = {
        "InitAlgSelf",        "UpdateParamSelf", "DragParamSelf",       "UpdateAlgSelf",
        "UpdateDSPCoefsSelf", "CopySetupSelf",   "ChangeSampleRateSelf"};
    EXPECT_EQ(alg.hooks, expected);
    for (std::size_t i = 0; i < alg.held.size(); ++i) {
        EXPECT_TRUE(alg.held[i]) << alg.hooks[i];
    }
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
