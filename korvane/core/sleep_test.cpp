// Tests of the microsecond rounding and of the sleep functions (lower bounds only).
#include "korvane/core/sleep.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>

namespace kvKorvaneV10_0_3::kvThread {
namespace {

using Clock = std::chrono::steady_clock;

TEST(Sleep, MicrosecondsRoundToTheNearestMillisecondWithHalvesDown) {
    EXPECT_EQ(MicrosecondsToMilliseconds(-5), 0U);
    EXPECT_EQ(MicrosecondsToMilliseconds(INT_MIN), 0U);
    EXPECT_EQ(MicrosecondsToMilliseconds(0), 0U);
    EXPECT_EQ(MicrosecondsToMilliseconds(1), 0U);
    EXPECT_EQ(MicrosecondsToMilliseconds(500), 0U);
    EXPECT_EQ(MicrosecondsToMilliseconds(501), 1U);
    EXPECT_EQ(MicrosecondsToMilliseconds(1500), 1U);
    EXPECT_EQ(MicrosecondsToMilliseconds(1501), 2U);
    // The sum must not overflow an int.
    EXPECT_EQ(MicrosecondsToMilliseconds(INT_MAX), 2147484U);
}

TEST(Sleep, SleepsAtLeastTheRoundedTime) {
    auto start = Clock::now();
    sleep(0);
    sleep(-5);
    sleep(500);
    // Nothing to wait for: far below any scheduler hiccup we could meet.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));

    start = Clock::now();
    sleep(1501);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(2));

    start = Clock::now();
    sleep_milliseconds(30);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30));

    start = Clock::now();
    Utils::Sleep(20);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(20));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvThread
