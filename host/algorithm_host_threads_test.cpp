// The algorithm under its real threads: an audio thread applying posted chains, a GUI thread
// dragging and setting, an automation thread setting, an idle thread refreshing the display.
#include "host/reference_host.h"

#include "korvane/algorithm/testing/test_algorithm.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using kvKorvaneV10_0_3::BUFFER_HEADER;
using kvKorvaneV10_0_3::test_support::TestAlgorithm;
namespace PM = kvKorvaneV10_0_3::ProcessMemory;
using KorvaneHost::ReferenceHost;

void Post(TestAlgorithm& alg, BUFFER_HEADER* chain) {
    alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true);
}

TEST(AlgorithmThreads, ConcurrentChangesEndInConsistentProcessMemory) {
    ReferenceHost host;
    TestAlgorithm alg;
    ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, TestAlgorithm::kCount), 0);
    alg.SetExecCallBack(ReferenceHost::Callback(), host.Refcon());
    alg.FinishCreate();
    alg.InitData();
    alg.InitInstanceData();
    alg.InitAlg(true);

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::atomic<long> idles{0};
    std::thread audio([&] {
        while (!stop) {
            blocks += host.ProcessBlock();
            std::this_thread::yield();
        }
    });
    std::thread gui([&] {
        for (int round = 0; !stop; ++round) {
            // A drag, then the set that ends it, on two parameters.
            for (int step = 0; step < 5; ++step) {
                alg.DragParam(TestAlgorithm::kDragged, (round * 37 + step * 11) % 1001);
            }
            Post(alg, alg.UpdateParamState(TestAlgorithm::kDragged, (round * 37) % 1001));
            Post(alg, alg.UpdateParamState(TestAlgorithm::kGain, (round * 13) % 1001));
        }
    });
    std::thread automation([&] {
        for (int round = 0; !stop; ++round) {
            Post(alg, alg.UpdateParamRequestState(TestAlgorithm::kMode, round % 3));
            Post(alg, alg.UpdateParamState(TestAlgorithm::kAlways, round % 2));
        }
    });
    std::thread idle([&] {
        while (!stop) {
            alg.DoIdle(3);
            ++idles;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });

    std::this_thread::sleep_for(std::chrono::seconds(2));
    stop = true;
    gui.join();
    automation.join();
    idle.join();
    audio.join();
    host.ProcessBlock();

    EXPECT_GT(blocks.load(), 0);
    EXPECT_GT(idles.load(), 0);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
    for (unsigned int i = 0; i < TestAlgorithm::kCount; ++i) {
        const auto value = host.ReadCoefficient(static_cast<int>(i));
        ASSERT_TRUE(value.has_value());
        EXPECT_NEAR(*value, TestAlgorithm::CoefValue(alg.GetParamState(i)), 1e-6) << i;
    }
}

}  // namespace
