// Tests of StartThread, the priorities new threads take, and thread naming.
#include "korvane/core/thread_start.h"

#include "korvane/core/fixed_string.h"
#include "korvane/core/thread_ref.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace kvKorvaneV10_0_3::kvThread {
namespace {

struct Probe {
    int runs = 0;  // read after the join
    KCThreadRef thread;
    KSThreadSchedule schedule;
    KTErr renamed = eGenericErr;
    KCFixedString<31> name;
    const char* newName = nullptr;
};

void Record(void* p) {
    auto* probe = static_cast<Probe*>(p);
    probe->thread = GetCurrentThreadRef();
    probe->schedule = GetCurrentThreadSchedule();
    if (probe->newName != nullptr) {
        probe->renamed = SetThreadName(GetCurrentThreadHandle(), probe->newName);
        EXPECT_EQ(GetThreadName(GetCurrentThreadHandle(), probe->name), eNoErr);
    }
    ++probe->runs;
}

Probe RunAt(int priority, const char* name = nullptr) {
    Probe probe;
    probe.newName = name;
    KTThreadHandle handle = kNullThreadHandle;
    EXPECT_EQ(StartThread(&Record, &probe, priority, handle), eNoErr);
    EXPECT_NE(handle, kNullThreadHandle);
    EXPECT_EQ(JoinThread(handle), eNoErr);
    EXPECT_EQ(probe.runs, 1);
    return probe;
}

TEST(ThreadStart, RunsTheEntryOnceOnANewThreadAndRejectsBadHandles) {
    const Probe probe = RunAt(eThreadPriorityNormal);
    EXPECT_FALSE(probe.thread.is_invalid());
    EXPECT_NE(probe.thread, GetCurrentThreadRef());

    KTThreadHandle handle = 12345;
    EXPECT_NE(StartThread(nullptr, nullptr, 0, handle), eNoErr);
    EXPECT_EQ(handle, kNullThreadHandle);
    EXPECT_EQ(JoinThread(kNullThreadHandle), eThreadSafeError);
    EXPECT_EQ(JoinThread(GetCurrentThreadHandle()), eThreadSafeError);  // would deadlock
    EXPECT_EQ(DetachThread(kNullThreadHandle), eThreadSafeError);

    std::atomic<bool> ran{false};
    ASSERT_EQ(StartThread([](void* p) { static_cast<std::atomic<bool>*>(p)->store(true); }, &ran,
                          eThreadPriorityAsCreated, handle),
              eNoErr);
    EXPECT_EQ(DetachThread(handle), eNoErr);
    while (!ran.load()) {
        std::this_thread::yield();
    }
}

TEST(ThreadStart, PriorityCodesMoveTheNewThreadAsFarAsTheProcessMay) {
    const KSThreadSchedule creator = GetCurrentThreadSchedule();
    const KSSchedulingLimits limits = GetSchedulingLimits();
    ASSERT_FALSE(creator.realtime) << "run the tests from a normal thread";

    // Lowering a thread is always allowed, so below normal is exact.
    const KSThreadSchedule below = RunAt(eThreadPriorityBelowNormal).schedule;
    EXPECT_FALSE(below.realtime);
    EXPECT_EQ(below.nice, std::min(limits.processNice + 5, 19));

    const KSThreadSchedule asCreated = RunAt(eThreadPriorityAsCreated).schedule;
    EXPECT_EQ(asCreated.realtime, creator.realtime);
    EXPECT_EQ(asCreated.nice, creator.nice);

    for (int code : {int{eThreadPriorityNormal}, 9, -3}) {
        const KSThreadSchedule normal = RunAt(code).schedule;
        EXPECT_FALSE(normal.realtime) << code;
        EXPECT_EQ(normal.nice, creator.nice) << code;
    }

    // Favoured threads get what the rights allow, and never less than normal.
    const KSThreadSchedule above = RunAt(eThreadPriorityAboveNormal).schedule;
    EXPECT_FALSE(above.realtime);
    EXPECT_LE(above.nice, creator.nice);
    const KSThreadSchedule critical = RunAt(eThreadPriorityTimeCritical).schedule;
    EXPECT_TRUE(critical.realtime || critical.nice <= above.nice);
    if (critical.realtime) {
        EXPECT_EQ(critical.rtPriority, std::min(limits.maxRtPriority, 10));
    }
}

TEST(ThreadStart, NamesAreCutToFifteenBytesWithoutSplittingCharacters) {
    EXPECT_STREQ(RunAt(0, "kv-worker").name.c_str(), "kv-worker");
    EXPECT_STREQ(RunAt(0, "korvane-messaging-worker").name.c_str(), "korvane-messagi");
    EXPECT_STREQ(RunAt(0, "exactly15bytes!").name.c_str(), "exactly15bytes!");
    // 14 ASCII bytes then a two-byte character: byte 15 would split it.
    EXPECT_STREQ(RunAt(0, "abcdefghijklmn\xC3\xA9xyz").name.c_str(), "abcdefghijklmn");
    EXPECT_EQ(RunAt(0, "kv").renamed, eNoErr);
    EXPECT_EQ(SetThreadName(GetCurrentThreadHandle(), nullptr), eMemNullPointer);
    EXPECT_EQ(SetThreadName(kNullThreadHandle, "x"), eThreadSafeError);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvThread
