// Feature flags in a temporary home: the file's place, what counts as on and off, and every way
// the file can be missing or wrong, each answered with the caller's default.
#include "korvane/fm/feature_flags.h"

#include "korvane/fm/fm_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

using FM::testing::ScopedEnv;
using FM::testing::TempFolder;

class FeatureFlagsInATemporaryHome : public ::testing::Test {
protected:
    [[nodiscard]] std::string FlagsFile() const {
        return tmp.Path("config/Korvane Audio/Preferences/FeatureFlags.yaml");
    }
    void WriteFlags(const std::string& yaml) const {
        tmp.Write("config/Korvane Audio/Preferences/FeatureFlags.yaml", yaml);
    }

    TempFolder tmp;
    ScopedEnv home{"HOME", tmp.Path("home")};
    ScopedEnv config{"XDG_CONFIG_HOME", tmp.Path("config")};
};

TEST_F(FeatureFlagsInATemporaryHome, ReadsValuesFromTheUserPreferencesFile) {
    WriteFlags("FeatureFlags:\n  Fast: OFF\n  Slow: yes\n  Level: 2\n  Name: \"a b\"\n");
    const KCFeatureFlagsScanner scanner;
    EXPECT_TRUE(scanner.FileExisted());
    EXPECT_EQ(std::string(scanner.GetFilePath().GetPathString().c_str()), FlagsFile());

    EXPECT_FALSE(scanner.IsFeatureFlagEnabled("Fast", true));
    EXPECT_TRUE(scanner.IsFeatureFlagEnabled("Slow", false));
    EXPECT_TRUE(scanner.IsFeatureFlagEnabled("Level", true));  // "2" is neither: the default
    EXPECT_FALSE(scanner.IsFeatureFlagEnabled("Level", false));
    EXPECT_STREQ(scanner.GetFeatureValue("Level", "x").c_str(), "2");
    EXPECT_STREQ(scanner.GetFeatureValue("Name", "x").c_str(), "a b");
    EXPECT_STREQ(scanner.GetFeatureValue("Missing", "7").c_str(), "7");

    // Read afresh on every question.
    WriteFlags("FeatureFlags:\n  Fast: on\n");
    EXPECT_TRUE(scanner.IsFeatureFlagEnabled("Fast", false));
}

TEST_F(FeatureFlagsInATemporaryHome, MissingFileGivesDefaultsAndCreatesTheFolder) {
    const KCFeatureFlagsScanner scanner;
    EXPECT_FALSE(scanner.FileExisted());
    EXPECT_TRUE(std::filesystem::is_directory(tmp.Path("config/Korvane Audio/Preferences")));
    EXPECT_TRUE(scanner.IsFeatureFlagEnabled("X", true));
    EXPECT_STREQ(scanner.GetFeatureValue("X", "7").c_str(), "7");

    // A file that appears later is not seen by this scanner.
    WriteFlags("FeatureFlags:\n  X: off\n");
    EXPECT_TRUE(scanner.IsFeatureFlagEnabled("X", true));
    EXPECT_FALSE(KCFeatureFlagsScanner().IsFeatureFlagEnabled("X", true));
}

TEST_F(FeatureFlagsInATemporaryHome, FileDeletedAfterConstructionGivesDefaults) {
    WriteFlags("FeatureFlags:\n  X: off\n");
    const KCFeatureFlagsScanner scanner;
    ASSERT_FALSE(scanner.IsFeatureFlagEnabled("X", true));
    std::filesystem::remove(FlagsFile());
    EXPECT_TRUE(scanner.IsFeatureFlagEnabled("X", true));
    EXPECT_STREQ(scanner.GetFeatureValue("X", "d").c_str(), "d");
}

TEST_F(FeatureFlagsInATemporaryHome, FolderInPlaceOfTheFileGivesDefaults) {
    std::filesystem::create_directories(FlagsFile());
    const KCFeatureFlagsScanner scanner;
    EXPECT_TRUE(scanner.IsFeatureFlagEnabled("X", true));
    EXPECT_FALSE(scanner.IsFeatureFlagEnabled("X", false));
}

TEST_F(FeatureFlagsInATemporaryHome, OversizedFileGivesDefaults) {
    std::string yaml = "FeatureFlags:\n  X: off\n#";
    yaml.append(kFeatureFlagsMaxFileSize, 'x');
    WriteFlags(yaml);
    EXPECT_TRUE(KCFeatureFlagsScanner().IsFeatureFlagEnabled("X", true));
}

TEST_F(FeatureFlagsInATemporaryHome, MalformedOrMisshapenYamlGivesDefaults) {
    for (const char* yaml : {
             "FeatureFlags: [unclosed\n",        // parse error
             "- FeatureFlags\n- X: off\n",       // a list at the root
             "FeatureFlags: off\n",              // not a mapping
             "Other:\n  X: off\n",               // no FeatureFlags key
             "FeatureFlags:\n  X: [off]\n",      // not a scalar
             "FeatureFlags:\n  X: {a: off}\n",   // not a scalar
             "\xff\xfe\x00garbage: : :\n\t- [",  // bytes that are no YAML
         }) {
        WriteFlags(yaml);
        const KCFeatureFlagsScanner scanner;
        EXPECT_TRUE(scanner.IsFeatureFlagEnabled("X", true)) << yaml;
        EXPECT_STREQ(scanner.GetFeatureValue("X", "d").c_str(), "d") << yaml;
    }
}

TEST(FeatureFlagValue, LongValuesAreCutAtACharacterBoundary) {
    // 62 ASCII bytes then a two-byte character: the character does not fit in 63 bytes.
    const std::string value = std::string(62, 'a') + "\xc3\xa9" + "tail";
    const std::string yaml = "FeatureFlags:\n  X: " + value + "\n";
    KCFixedString<63> out("default");
    ASSERT_TRUE(FindFeatureFlagValue(yaml.data(), yaml.size(), "X", out));
    EXPECT_EQ(std::string(out.c_str()), std::string(62, 'a'));

    const std::string fits = std::string(61, 'a') + "\xc3\xa9";
    const std::string yaml2 = "FeatureFlags:\n  X: " + fits + "tail\n";
    ASSERT_TRUE(FindFeatureFlagValue(yaml2.data(), yaml2.size(), "X", out));
    EXPECT_EQ(std::string(out.c_str()), fits);

    KCFixedString<63> untouched("keep");
    EXPECT_FALSE(FindFeatureFlagValue(yaml.data(), yaml.size(), "Y", untouched));
    EXPECT_STREQ(untouched.c_str(), "keep");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
