// A FIFO in place of the flags file: the scanner must answer with the default at once instead
// of waiting for a writer.
#include "korvane/fm/feature_flags.h"

#include "korvane/fm/fm_test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(FeatureFlagsFifo, FifoInPlaceOfTheFileGivesDefaultsWithoutBlocking) {
    FM::testing::TempFolder tmp;
    FM::testing::ScopedEnv home{"HOME", tmp.Path("home")};
    FM::testing::ScopedEnv config{"XDG_CONFIG_HOME", tmp.Path("config")};
    const std::string folder = tmp.Path("config/Korvane Audio/Preferences");
    std::filesystem::create_directories(folder);
    ASSERT_EQ(::mkfifo((folder + "/FeatureFlags.yaml").c_str(), 0600), 0);

    const KCFeatureFlagsScanner scanner;
    EXPECT_TRUE(scanner.FileExisted());
    EXPECT_TRUE(scanner.IsFeatureFlagEnabled("X", true));
    EXPECT_STREQ(scanner.GetFeatureValue("X", "d").c_str(), "d");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
