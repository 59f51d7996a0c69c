// The interval accumulator: counting, a Stop without a Start, merging and averages.
#include "korvane/dsp/microseconds.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(MicrosecondsAccumulator, StopWithoutStartDoesNothing) {
    UMicrosecondsAccumulator acc;
    acc.Stop();
    EXPECT_EQ(acc.GetNumIntervals(), 0U);
    EXPECT_EQ(acc.GetAccumulatedTime().MicroSeconds(), 0U);
    EXPECT_EQ(acc.AverageMicroSeconds(), 0.0);
    EXPECT_EQ(acc.AverageSeconds(), 0.0);

    acc.Start();
    acc.Stop();
    acc.Stop();  // the interval is already closed
    EXPECT_EQ(acc.GetNumIntervals(), 1U);
}

TEST(MicrosecondsAccumulator, SumsIntervalsAndMergesTimeOnly) {
    UMicrosecondsAccumulator a;
    for (int i = 0; i < 3; ++i) {
        a.Start();
        a.Stop();
    }
    EXPECT_EQ(a.GetNumIntervals(), 3U);
    EXPECT_DOUBLE_EQ(a.AverageMicroSeconds(),
                     static_cast<double>(a.GetAccumulatedTime().MicroSeconds()) / 3);

    UMicrosecondsAccumulator b;
    b.Start();
    b.Stop();
    const auto before = a.GetAccumulatedTime().MicroSeconds();
    a += b;
    EXPECT_EQ(a.GetAccumulatedTime().MicroSeconds(),
              before + b.GetAccumulatedTime().MicroSeconds());
    EXPECT_EQ(a.GetNumIntervals(), 3U);

    a.Restart();
    EXPECT_TRUE(a.IsRunning());
    EXPECT_EQ(a.GetNumIntervals(), 0U);
    a.Clear();
    EXPECT_FALSE(a.IsRunning());
}

TEST(Microseconds, ClockNeverRunsBackwardAndUnitsAgree) {
    const UMicroseconds first = UMicroseconds::Now();
    UMicroseconds second;
    second.ReadTime();
    EXPECT_GE(second.MicroSeconds(), first.MicroSeconds());

    UMicroseconds d(1500000);
    d += 500;
    EXPECT_EQ(static_cast<std::uint64_t>(d), 1500500U);
    EXPECT_DOUBLE_EQ(d.MilliSeconds(), 1500.5);
    EXPECT_DOUBLE_EQ(d.Seconds(), 1.5005);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
