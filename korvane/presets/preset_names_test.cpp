// Unique preset names: the counting rule, names at full length, long runs of digits, a list
// where every name is taken, and the file names remote requests may give.
#include "korvane/presets/preset_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kvKorvaneV10_0_3::Preset {
namespace {

// The unique name after `base` among `taken`.
std::string Next(const std::string& base, const std::set<std::string>& taken) {
    KCFixedString<255> out;
    EXPECT_TRUE(MakeNextUniqueName(
        base.c_str(), [&](const KCFixedStringBase& name) { return taken.count(name.c_str()) > 0; },
        out));
    return out.c_str();
}

TEST(UniqueNames, CountOnFromTheNameOrItsTrailingNumber) {
    EXPECT_EQ(Next("Lead", {}), "Lead");
    EXPECT_EQ(Next("Lead", {"Lead", "Lead 1"}), "Lead 2");
    EXPECT_EQ(Next("", {"Untitled Preset"}), "Untitled Preset 1");
    EXPECT_EQ(Next("Take 5", {"Take 5"}), "Take 6");
    EXPECT_EQ(Next("Take5", {"Take5", "Take6"}), "Take7");
    EXPECT_EQ(Next("lead", {"Lead"}), "lead") << "names compare case-sensitively";
    EXPECT_EQ(Next("42", {"42"}), "43");
}

TEST(UniqueNames, AFullLengthNameIsShortenedSoTheNumberFits) {
    const std::string full(255, 'a');
    const std::string next = Next(full, {full});
    EXPECT_EQ(next, std::string(253, 'a') + " 1");
    const std::string after = Next(full, {full, next});
    EXPECT_EQ(after, std::string(253, 'a') + " 2");

    // A number that grows a digit takes one more character from the stem.
    const std::string nines = std::string(250, 'b') + " 9999";
    EXPECT_EQ(Next(nines, {nines}), std::string(249, 'b') + " 10000");
}

TEST(UniqueNames, ShorteningNeverSplitsACharacter) {
    // 252 ASCII bytes, a two-byte character, one more byte: the cut falls inside the character.
    const std::string name = std::string(252, 'c') + "\xC3\xA9" + "d";
    ASSERT_EQ(name.size(), 255U);
    EXPECT_EQ(Next(name, {name}), std::string(252, 'c') + " 1");
}

TEST(UniqueNames, ALongRunOfDigitsDoesNotOverflow) {
    const std::string digits = "Take " + std::string(40, '9');
    const std::string next = Next(digits, {digits});
    // The first 18 digits are read and counted up.
    EXPECT_EQ(next, "Take 1000000000000000000");
    const std::string huge = std::string(255, '7');
    EXPECT_EQ(Next(huge, {huge}), "777777777777777778");
}

TEST(UniqueNames, EveryNameTakenEndsWithAnError) {
    KCFixedString<255> out;
    int asked = 0;
    EXPECT_FALSE(MakeNextUniqueName(
        "Busy",
        [&](const KCFixedStringBase&) {
            ++asked;
            return true;
        },
        out));
    EXPECT_EQ(out, "Busy");
    EXPECT_EQ(asked, static_cast<int>(kMaxUniqueNameTries) + 1);

    // A small capacity: the number alone no longer fits.
    KCFixedString<3> tiny;
    EXPECT_FALSE(MakeNextUniqueName(
        "ab", [](const KCFixedStringBase&) { return true; }, tiny));
}

TEST(BareFileNames, OnlyAPlainNameOfAtMost255BytesPasses) {
    EXPECT_TRUE(IsBareFileName("Presets.xps"));
    EXPECT_TRUE(IsBareFileName(std::string(255, 'n').c_str()));
    EXPECT_TRUE(IsBareFileName(".hidden"));
    for (const std::string& bad :
         {std::string(), std::string(256, 'n'), std::string("a/b"), std::string("/abs"),
          std::string(".."), std::string("."), std::string("../up"), std::string("x..y"),
          std::string("dir\\file")}) {
        EXPECT_FALSE(IsBareFileName(bad.c_str())) << bad;
    }
    EXPECT_FALSE(IsBareFileName(nullptr));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
