// Tests of the thread-local holders: per-thread values, the destructor callback and the
// shared slot of the global holder.
#include "korvane/core/thread_local_data.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

std::atomic<int> g_destroyed{0};
std::atomic<long> g_destroyedSum{0};

void CountingDestructor(void* p) {
    auto* value = static_cast<long*>(p);
    ++g_destroyed;
    g_destroyedSum += *value;
    delete value;
}

TEST(ThreadLocalData, EachThreadSeesItsOwnValueAndItsValueIsDestroyedWithIt) {
    g_destroyed = 0;
    g_destroyedSum = 0;
    {
        KCThreadSpecificPrivateData data(&CountingDestructor);
        ASSERT_TRUE(data.IsValid());
        EXPECT_EQ(data.GetData(), nullptr);
        ASSERT_TRUE(data.SetData(new long(1000)));

        std::vector<std::thread> threads;
        threads.reserve(5);
        for (long i = 1; i <= 4; ++i) {
            threads.emplace_back([&data, i] {
                EXPECT_EQ(data.GetData(), nullptr);  // not the constructing thread's value
                auto* mine = new long(i);
                ASSERT_TRUE(data.SetData(mine));
                EXPECT_EQ(data.GetData(), mine);
            });
        }
        threads.emplace_back([&data] { EXPECT_EQ(data.GetData(), nullptr); });  // null: no call
        for (auto& t : threads) {
            t.join();
        }
        EXPECT_EQ(g_destroyed.load(), 4);
        EXPECT_EQ(g_destroyedSum.load(), 1 + 2 + 3 + 4);
        EXPECT_EQ(*static_cast<long*>(data.GetData()), 1000);
    }
    // The holder's end destroys the value of the thread that ends it.
    EXPECT_EQ(g_destroyed.load(), 5);
    EXPECT_EQ(g_destroyedSum.load(), 1010);

    KCThreadSpecificPrivateData plain;  // no callback: values are the caller's to free
    long local = 7;
    EXPECT_TRUE(plain.SetData(&local));
    EXPECT_EQ(plain.GetData(), &local);
}

TEST(ThreadLocalData, GlobalHoldersShareOneSlotAllocatedOnce) {
    unsigned int slot = kNoThreadSlot;
    constexpr int kThreads = 8;
    std::mutex seenMutex;
    std::set<unsigned int> seen;
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            KCThreadSpecificGlobalData holder(slot);
            int value = i;
            holder.SetData(&value);
            KCThreadSpecificGlobalData again(slot);
            EXPECT_EQ(again.GetData(), &value);
            const std::lock_guard lock(seenMutex);
            seen.insert(std::atomic_ref<unsigned int>(slot).load());
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_NE(*seen.begin(), kNoThreadSlot);

    KCThreadSpecificGlobalData here(slot);
    EXPECT_EQ(here.GetData(), nullptr);  // other threads' values stay theirs
    int mine = 1;
    here.SetData(&mine);
    EXPECT_EQ(KCThreadSpecificGlobalData(slot).GetData(), &mine);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
