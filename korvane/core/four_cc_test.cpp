// Tests of four-character codes as text: single codes, lists, formatting and the round trip.
#include "korvane/core/four_cc.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(FourCC, ParsesBareAndQuotedCodesAndRejectsEverythingElse) {
    struct Case {
        std::string text;
        std::optional<std::uint32_t> code;
    };
    const Case cases[] = {
        {"XPst", 0x58507374U},
        {"'XPst'", 0x58507374U},
        {"????", 0x3F3F3F3FU},
        {"ab c", 0x61622063U},    // a blank inside is a character
        {"' ab '", 0x20616220U},  // quotes keep the blanks they enclose
        {std::string("a\0bc", 4), 0x61006263U},
        {"\xFF\x80\x01z", 0xFF80017AU},  // bytes above 0x7F stay unsigned
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"abcde", std::nullopt},
        {" abcd", std::nullopt},  // no trimming of a single code
        {"'abc'", std::nullopt},
        {"'abcde'", std::nullopt},
        {"'abcd", std::nullopt},
        {"abcd'", std::nullopt},
        {"\"abcd\"", std::nullopt},  // only single quotes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = ParseFourCC(c.text);
        ASSERT_EQ(parsed.has_value(), c.code.has_value());
        if (parsed) {
            EXPECT_EQ(parsed->Value(), *c.code);
        }
    }
}

TEST(FourCC, ParsesListsSeparatedByCommasOrBlanks) {
    struct Case {
        std::string text;
        std::vector<std::string> codes;
    };
    const Case cases[] = {
        {"", {}},
        {" , ,", {}},
        {"ABCD", {"ABCD"}},
        {"ABCD,EFGH", {"ABCD", "EFGH"}},
        {" ABCD ,\tEFGH\n", {"ABCD", "EFGH"}},                        // preset files: comma lists
        {"ABCD EFGH\tIJKL\nMNOP", {"ABCD", "EFGH", "IJKL", "MNOP"}},  // environment lists
        {"ABCD EFGH, IJKL", {"ABCD", "EFGH", "IJKL"}},
        {"AB D, EFGH", {"AB D", "EFGH"}},  // a four-character item keeps its blank
        {"'ABCD', EFGH", {"ABCD", "EFGH"}},
        {"ABC, ABCDE, EFGH,", {"EFGH"}},  // wrong lengths are skipped
        {"ABC DEFGH IJKL", {"IJKL"}},
        {"????,Abcd", {"????", "Abcd"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> got;
        for (const KCFourCC code : ParseFourCCList(c.text)) {
            got.push_back(FormatFourCC(code));
        }
        EXPECT_EQ(got, c.codes);
    }
}

TEST(FourCC, FormatsBareAndQuotedAndRoundTrips) {
    const KCFourCC codes[] = {KCFourCC("XPst"), KCFourCC("????"), KCFourCC("ab c"),
                              KCFourCC(0x00FF7F01U)};
    for (const KCFourCC code : codes) {
        const std::string bare = FormatFourCC(code);
        const std::string quoted = FormatFourCC(code, EFourCCText::eQuoted);
        ASSERT_EQ(bare.size(), 4U);
        EXPECT_EQ(quoted, "'" + bare + "'");
        EXPECT_EQ(ParseFourCC(bare), code);
        EXPECT_EQ(ParseFourCC(quoted), code);
    }
    EXPECT_EQ(FormatFourCC(KCFourCC(0x58507374U)), "XPst");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
