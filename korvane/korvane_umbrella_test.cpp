// The umbrella header must compile on its own, before anything else is included.
#include "korvane/korvane.h"

#include <gtest/gtest.h>

TEST(Umbrella, CompilesAloneAndLinks) {
    korvane::KCFixedString<15> name("Korvane");
    EXPECT_EQ(name.length(), 7U);
    EXPECT_STREQ(korvane::KTErrName(korvane::eNoErr), "eNoErr");
}
