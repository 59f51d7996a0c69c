// Tests of the mapping from priority codes to Linux scheduling under different rights.
#include "korvane/core/thread_start.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3::kvThread {
namespace {

KSThreadSchedule Plan(int priority, const KSSchedulingLimits& limits) {
    KSThreadSchedule out{true, 99, 99};
    EXPECT_TRUE(PlanThreadSchedule(priority, limits, out)) << priority;
    return out;
}

TEST(ThreadPriority, UnprivilegedProcessCanOnlyLowerItsThreads) {
    const KSSchedulingLimits user{0, 0, 0};
    EXPECT_EQ(Plan(eThreadPriorityBelowNormal, user).nice, 5);
    EXPECT_EQ(Plan(eThreadPriorityNormal, user).nice, 0);
    EXPECT_EQ(Plan(7, user).nice, 0);
    EXPECT_EQ(Plan(-1, user).nice, 0);
    EXPECT_EQ(Plan(eThreadPriorityAboveNormal, user).nice, 0);
    const KSThreadSchedule critical = Plan(eThreadPriorityTimeCritical, user);
    EXPECT_FALSE(critical.realtime);
    EXPECT_EQ(critical.nice, 0);

    KSThreadSchedule untouched{true, 3, 4};
    EXPECT_FALSE(PlanThreadSchedule(eThreadPriorityAsCreated, user, untouched));
}

TEST(ThreadPriority, RightsAllowFavouredAndRealTimeThreads) {
    const KSSchedulingLimits rlimitNice{0, -8, 0};  // RLIMIT_NICE 28, no RLIMIT_RTPRIO
    EXPECT_EQ(Plan(eThreadPriorityAboveNormal, rlimitNice).nice, -5);
    const KSThreadSchedule noRt = Plan(eThreadPriorityTimeCritical, rlimitNice);
    EXPECT_FALSE(noRt.realtime);
    EXPECT_EQ(noRt.nice, -8);

    const KSSchedulingLimits root{0, -20, 99};
    const KSThreadSchedule rt = Plan(eThreadPriorityTimeCritical, root);
    EXPECT_TRUE(rt.realtime);
    EXPECT_EQ(rt.rtPriority, 10);
    EXPECT_FALSE(Plan(eThreadPriorityAboveNormal, root).realtime);

    const KSSchedulingLimits lowRt{0, 0, 3};
    EXPECT_EQ(Plan(eThreadPriorityTimeCritical, lowRt).rtPriority, 3);
}

TEST(ThreadPriority, NiceValuesAreRelativeToTheProcessAndStayInRange) {
    const KSSchedulingLimits niced{17, 17, 0};
    EXPECT_EQ(Plan(eThreadPriorityBelowNormal, niced).nice, 19);
    EXPECT_EQ(Plan(eThreadPriorityNormal, niced).nice, 17);
    EXPECT_EQ(Plan(eThreadPriorityAboveNormal, niced).nice, 17);

    // A process whose main thread sits below what may be asked for gets the allowed floor.
    const KSSchedulingLimits favoured{-10, -4, 0};
    EXPECT_EQ(Plan(eThreadPriorityNormal, favoured).nice, -4);
    EXPECT_EQ(Plan(eThreadPriorityBelowNormal, favoured).nice, -4);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvThread
