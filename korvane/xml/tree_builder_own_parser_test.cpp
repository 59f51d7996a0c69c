// The builder's own parser against expat: for every document, the tree (or the error) must be
// the one expat alone gives, and the documents the library writes must not need expat at all.
#include "korvane/xml/tree_builder.h"

#include "korvane/xml/xml_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::XML {
namespace {

using testing::BuildBothWays;
using namespace std::string_literals;

void ExpectSame(const std::string& text, unsigned int parseLevel = 0) {
    const auto both = BuildBothWays(text.data(), text.size(), parseLevel);
    EXPECT_EQ(both.difference, "") << text;
}

void ExpectOwnBuildsSame(const std::string& text, unsigned int parseLevel = 0) {
    const auto both = BuildBothWays(text.data(), text.size(), parseLevel);
    EXPECT_TRUE(both.builtByOwn) << text;
    EXPECT_EQ(both.ownResult, eNoErr) << text;
    EXPECT_EQ(both.difference, "") << text;
}

void ExpectLeftToExpat(const std::string& text) {
    const auto both = BuildBothWays(text.data(), text.size());
    EXPECT_FALSE(both.builtByOwn) << text;
    EXPECT_EQ(both.difference, "") << text;
}

std::vector<std::string> RepositoryDocuments() {
    namespace fs = std::filesystem;
    std::vector<std::string> documents;
    const fs::path source(KORVANE_SOURCE_DIR);
    for (auto it = fs::recursive_directory_iterator(source);
         it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory() && (name == "build" || name.starts_with("."))) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file() && it->path().extension() == ".xml") {
            std::ifstream in(it->path(), std::ios::binary);
            documents.emplace_back(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
        }
    }
    return documents;
}

TEST(OwnParser, EveryDocumentInTheRepositoryAndItsCutsBuildAsWithExpat) {
    const auto documents = RepositoryDocuments();
    ASSERT_GE(documents.size(), 20U);
    int own = 0;
    for (const std::string& text : documents) {
        const auto both = BuildBothWays(text.data(), text.size());
        EXPECT_EQ(both.difference, "") << text.substr(0, 200);
        own += both.builtByOwn ? 1 : 0;
        // Cut anywhere, a document is refused the same way by both.
        const std::size_t step = std::max<std::size_t>(1, text.size() / 64);
        for (std::size_t cut = 4; cut < text.size(); cut += step) {
            ExpectSame(text.substr(0, cut));
        }
    }
    // The UTF-8 documents (all but the encoding samples) are the own parser's.
    EXPECT_GE(own, static_cast<int>(documents.size()) - 12);
}

TEST(OwnParser, EveryConstructBuildsTheSameTree) {
    const std::vector<std::string> documents = {
        "<a/>",
        "<a></a>",
        "<a>  x  </a>",
        "\xEF\xBB\xBF<a>bom</a>",
        "<?xml version=\"1.0\"?><a/>",
        "<?xml version='1.0' encoding='utf-8'?>\n<a/>",
        "\xEF\xBB\xBF<?xml version = \"1.0\"  encoding = \"UTF-8\" standalone=\"yes\" ?><a/>",
        "<?xml version=\"1.0\" standalone='no'?><a/>",
        " \r\n\t<a/> \n",
        "<!-- c --><?pi data?><a/><!--after--><?end?>\n",
        R"(<a b="1" c='2' d = "x'y" e='x"y'/>)",
        R"(<a b="&lt;&gt;&amp;&quot;&apos;" c="&#65;&#x42;&#x10FFFF;&#xe9;"/>)",
        "<a b=\" \t\n\r\n\r x \" c=\"&#9;&#10;&#13;\"/>",
        "<a b=\"> ]]> é 水 😀\"/>",
        "<a>Tom &amp; Jerry &lt;&gt; &#x20AC;&#8364; &#32;</a>",
        "<a>&#32; lead</a>",
        "<a>line\r\nbreak\rlone\n</a>",
        "<a>\r\n  <b>x</b>\r\n</a>",
        "<a><![CDATA[ x ]]></a>",
        "<a>  <![CDATA[<b>&amp;</b>]]>  tail</a>",
        "<a><![CDATA[]]></a>",
        "<a><![CDATA[a]b]]c]]]></a>",
        "<a><![CDATA[\r\n  x\r\n]]></a>",
        "<a>\n    <![CDATA[x]]>\n</a>",
        "<a>one<![CDATA[two]]>three<![CDATA[four]]>  </a>",
        "<a>text ] and ]] and > here</a>",
        "<a>é水😀\x7F</a>",
        "<a><b><c><d>deep</d></c></b><e/></a>",
        "<a>lead<b/>mid<c>in</c>tail</a>",
        "<a><!-- a comment - with dashes --><?target with ? inside?>t</a>",
        R"(<a:b x:y="1" _z.w-9="2"><c.d-e_f/></a:b>)",
        "<a\n\tb=\"1\"\r\n/>",
        "<a ></a >",
        "<a>'RGBA'</a>",
        std::string("<") + std::string(80, 'n') + " " + std::string(40, 'm') + "=\"v\"/>",
        "<?xml-stylesheet href=\"x\"?><a/>",
        "<?xm?><a/>",
        "<a><?xmlfoo?></a>",
    };
    for (const std::string& text : documents) {
        ExpectOwnBuildsSame(text);
    }
    // Depth limits skip the same elements.
    const std::string nested = "<a>r<b>1<c>2<d/></c></b><e><![CDATA[3]]></e></a>";
    for (unsigned int level = 1; level <= 4; ++level) {
        ExpectOwnBuildsSame(nested, level);
    }
}

TEST(OwnParser, WhatItDoesNotReadIsLeftToExpatWithExpatsResult) {
    const std::vector<std::string> documents = {
        // Errors.
        "<a>",
        "<a><b></a>",
        "<a></b>",
        "<a></ab>",
        "<ab></a>",
        "<a/><b/>",
        "<a/>text",
        "text<a/>",
        R"(<a b="1" b="2"/>)",
        R"(<a b="1"c="2"/>)",
        "<a b=\"<\"/>",
        "<a b=\"&\"/>",
        "<a b=1/>",
        "<a b/>",
        "<a>]]></a>",
        "<a>&unknown;</a>",
        "<a>&#0;</a>",
        "<a>&#xD800;</a>",
        "<a>&#xFFFE;</a>",
        "<a>&#x110000;</a>",
        "<a>&#X41;</a>",
        "<a>&#;</a>",
        "<a>&#x;</a>",
        "<a>&amp</a>",
        "<a>\x01</a>",
        "<a> \v\f </a>",
        "<a b=\"\x1F\"/>",
        "<a>\xC0\xAF</a>",
        "<a>\xED\xA0\x80</a>",
        "<a>\xEF\xBF\xBE</a>",
        "<a>\xF4\x90\x80\x80</a>",
        "<a>\x80</a>",
        "<a>\xE2\x82</a>",
        "<a><!-- -- --></a>",
        "<a><!-- x ---></a>",
        "<a><?xml version=\"1.0\"?></a>",
        "<a><?XmL x?></a>",
        "<a><?pi?x?></a>",
        "<a><![CDATA[x]]</a>",
        "<a><![CDATA[x</a>",
        "< a/>",
        "<1a/>",
        "<a></a ",
        "<a><!x></a>",
        " <?xml version=\"1.0\"?><a/>",
        R"(<?xml version="1.0"?><?xml version="1.0"?><a/>)",
        "<?xml encoding=\"UTF-8\"?><a/>",
        R"(<?xml version="1.0" standalone="maybe"?><a/>)",
        R"(<?xml version="1.0"encoding="UTF-8"?><a/>)",
        "<?xml version=\"\"?><a/>",
        "<a/>\x00"s,
        "<a>\x00</a>"s,
        "\xEF\xBB\xBF\xEF\xBB\xBF<a/>",
        // Valid, but not the own parser's.
        "<!DOCTYPE a><a/>",
        "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>",
        "<?xml version=\"1.1\"?><a/>",
        "<\xC3\xA9/>",
        "<a \xC3\xA9=\"1\"/>",
        "<:a/>",
        R"(<?xml version="1.0" encoding="US-ASCII"?><a/>)",
        std::string("\xFF\xFE<\0a\0/\0>\0", 10),
    };
    for (const std::string& text : documents) {
        ExpectLeftToExpat(text);
    }
}

TEST(OwnParser, RandomMutationsOfRealDocumentsBuildAsWithExpat) {
    const std::vector<std::string> seeds = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<p n=\"a &amp; b\" v='1'>\n  <c id=\"1\">"
        "text &#233; &lt;x&gt;</c>\n  <d><![CDATA[ raw <&> ]]></d><!-- note --><?pi x?>\n  "
        "<e a=\"\t\"/>\xC3\xA9\xE6\xB0\xB4</p>\n",
        "<a>\r\n<b x=\"&#x41;\">y]z</b>\r<c/></a>",
    };
    std::mt19937 random(1234);
    const std::string alphabet = "<>/!?-[]&;#x=\"' \t\r\nabAB01:._\xC3\xA9\x80\xEF\xBF\xBE\x00"s;
    int own = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text = seeds[static_cast<std::size_t>(round) % seeds.size()];
        const int edits = 1 + static_cast<int>(random() % 3);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const std::size_t at = random() % text.size();
            const char c = alphabet[random() % alphabet.size()];
            switch (random() % 3) {
                case 0:
                    text[at] = c;
                    break;
                case 1:
                    text.insert(at, 1, c);
                    break;
                default:
                    text.erase(at, 1);
                    break;
            }
        }
        const auto both = BuildBothWays(text.data(), text.size());
        ASSERT_EQ(both.difference, "") << text;
        own += both.builtByOwn ? 1 : 0;
    }
    // Many mutants stay well-formed and are read by the own parser, so both paths are compared.
    EXPECT_GT(own, 1000);
}

TEST(OwnParser, ARootWithContentAndRepeatedBuildsBehaveAsWithExpat) {
    // A root's own text and attributes come first, with either parser; a failed attempt gives
    // them back untouched before expat reads the document.
    for (const std::string text : {"<a k=\"v\">t</a>", "<a k=\"v\">t<b/></c>"}) {
        CXMLElement own("pre", "old");
        own.AddAttrib("x", "1");
        CXMLElement expat("pre", "old");
        expat.AddAttrib("x", "1");
        CXMLTreeBuilder ownBuilder(own);
        CXMLTreeBuilder expatBuilder(expat);
        expatBuilder.SetOwnParserEnabled(false);
        EXPECT_EQ(
            ownBuilder.BuildFromSingleBuffer(text.data(), static_cast<unsigned>(text.size())),
            expatBuilder.BuildFromSingleBuffer(text.data(), static_cast<unsigned>(text.size())));
        EXPECT_EQ(testing::TreeDifference(own, expat), "") << text;
        // One document per builder, whichever parser read it.
        EXPECT_EQ(ownBuilder.BuildFromSingleBuffer("<b/>", 4), eXMLParserFailed);
        bool finished = false;
        EXPECT_EQ(ownBuilder.BuildFromBuffer("<b/>", 4, finished), eXMLParserFailed);
    }
    // A root that already has children is built by expat.
    CXMLElement parent("p", "");
    parent.AddSubElement("old");
    CXMLTreeBuilder builder(parent);
    ASSERT_EQ(builder.BuildFromSingleBuffer("<a><b/></a>", 11), eNoErr);
    EXPECT_FALSE(builder.BuiltByOwnParser());
    EXPECT_EQ(parent.GetSubElements().size(), 2U);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::XML
