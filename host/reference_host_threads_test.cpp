// The reference host under concurrent use: an audio thread applies posted chains while other
// threads post, execute and read back through the library's buffer operations.
#include "host/reference_host.h"

#include "korvane/process/process_buffers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace KorvaneHost {
namespace {

namespace pm = kvKorvaneV10_0_3::ProcessMemory;

TEST(ReferenceHostThreads, PostersExecutorsAndTheAudioThreadLeaveConsistentMemory) {
    for (const HostConfig& config : {Float32Config(), Fixed24Config()}) {
        SCOPED_TRACE(config.name);
        ReferenceHost host(config);
        constexpr int kPosters = 2;
        constexpr int kRegion = 4;  // states per thread
        constexpr int kRounds = 300;
        EXPECT_EQ(host.SizeSpace(pm::eStatesSpace, (kPosters + 1) * kRegion),
                  kvKorvaneV10_0_3::eNoErr);
        EXPECT_EQ(host.SizeSpace(pm::eExternalXSpace, 64), kvKorvaneV10_0_3::eNoErr);

        std::atomic<bool> stop{false};
        std::atomic<int> blocks{0};
        std::thread audio([&] {
            while (!stop.load()) {
                host.ProcessBlock();
                blocks.fetch_add(1);
                std::this_thread::yield();
            }
        });

        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        threads.reserve(kPosters + 1);
        for (int t = 0; t < kPosters; ++t) {
            threads.emplace_back([&, t] {
                pm::KCProcessBuffers pb;
                pb.SetExecCallBack(ReferenceHost::Callback(), host.Refcon());
                pb.SetProcessReady(true);
                pb.SetStatesOfs(t * kRegion);
                for (std::int32_t round = 1; round <= kRounds; ++round) {
                    const std::int32_t values[kRegion] = {round, round, round, round};
                    if (pb.InitStatesBuffer(0, values, kRegion) != 0) {
                        failures.fetch_add(1);
                    }
                }
            });
        }
        // The executor writes and reads back its own region at once, and fills X memory.
        threads.emplace_back([&] {
            pm::KCProcessBuffers pb;
            pb.SetExecCallBack(ReferenceHost::Callback(), host.Refcon());
            pb.SetProcessReady(true);
            pb.SetStatesOfs(kPosters * kRegion);
            const pm::sEXT_BUFF block{pm::kXMem, 64, 0, 0, 0};
            std::vector<std::int32_t> table(64);
            for (std::int32_t round = 1; round <= kRounds; ++round) {
                const std::int32_t written = pb.ReadVU(0, 1, round);
                if (written != round - 1) {
                    failures.fetch_add(1);
                }
                std::fill(table.begin(), table.end(), round);
                if (pb.SendFreeAndSplitIntoSmallBuffers(pm::eExternalXSpace, 64, &block,
                                                        table.data(), 0, 16) != 0) {
                    failures.fetch_add(1);
                }
            }
        });
        for (auto& t : threads) {
            t.join();
        }
        // On a loaded machine the audio thread may not have been scheduled yet: let it run at
        // least one block before stopping it.
        while (blocks.load() == 0) {
            std::this_thread::yield();
        }
        stop.store(true);
        audio.join();
        host.ProcessBlock();

        EXPECT_EQ(failures.load(), 0);
        EXPECT_GT(blocks.load(), 0);
        for (int s = 0; s < (kPosters + 1) * kRegion; ++s) {
            const int expected = s < kPosters * kRegion || s == kPosters * kRegion ? kRounds : 0;
            EXPECT_EQ(host.ReadInt(pm::eStatesSpace, s).value(), expected) << s;
        }
        for (int x = 0; x < 64; ++x) {
            EXPECT_EQ(host.ReadInt(pm::eExternalXSpace, x).value(), kRounds);
        }
        EXPECT_EQ(host.LiveBuffers(), 0U);
        EXPECT_EQ(host.PendingChains(), 0U);
        EXPECT_EQ(host.Misuse().Count(), 0U);
    }
}

}  // namespace
}  // namespace KorvaneHost
