// Tests of the tree builder and the writer: handler rules, truncated documents, text that
// arrives in pieces, and write -> read -> write round trips.
#include "korvane/xml/tree_builder.h"

#include "korvane/xml/xml_test_support.h"
#include "korvane/xml/xml_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>

namespace kvKorvaneV10_0_3::XML {
namespace {

using testing::Build;

std::string Write(const CXMLElement& root) {
    CXMLTreeBuilder builder(const_cast<CXMLElement&>(root));
    std::string out;
    EXPECT_EQ(builder.WriteToString(out), eNoErr);
    return out;
}

// Writes, reads the text back, writes again: both texts must be the same bytes.
void ExpectRoundTrip(const CXMLElement& tree) {
    const std::string first = Write(tree);
    CXMLElement read;
    ASSERT_EQ(Build(read, first), eNoErr) << first;
    const std::string second = Write(read);
    EXPECT_EQ(first, second);
}

TEST(TreeBuilder, TextRules) {
    CXMLElement a;
    ASSERT_EQ(Build(a, "<a>  x  </a>"), eNoErr);
    EXPECT_EQ(a.GetText(), "x");
    EXPECT_EQ(a.GetError(), eNoErr);

    CXMLElement blank;
    ASSERT_EQ(Build(blank, "<a> \t\n </a>"), eNoErr);
    EXPECT_EQ(blank.GetText(), "");
    EXPECT_EQ(Write(blank), "<a/>\n");

    CXMLElement code;
    ASSERT_EQ(Build(code, "<a> 'RGBA' </a>"), eNoErr);
    EXPECT_EQ(code.GetText(), "RGBA");
    CXMLElement notCode;
    ASSERT_EQ(Build(notCode, "<a>'RGB'</a>"), eNoErr);
    EXPECT_EQ(notCode.GetText(), "'RGB'");

    // Entity references and line breaks split the text into pieces: none may lose a space.
    CXMLElement entity;
    ASSERT_EQ(Build(entity, "<a>Tom &amp; Jerry</a>"), eNoErr);
    EXPECT_EQ(entity.GetText(), "Tom & Jerry");
    CXMLElement lines;
    ASSERT_EQ(Build(lines, "<a>\n    first line\n    second &lt;line&gt;\n</a>"), eNoErr);
    EXPECT_EQ(lines.GetText(), "first line\n    second <line>");

    // Indentation around children never becomes text; text before them stays.
    CXMLElement mixed;
    ASSERT_EQ(Build(mixed, "<a>\n  lead\n  <b/>\n  <c>in</c>\n</a>"), eNoErr);
    EXPECT_EQ(mixed.GetText(), "lead");
    ASSERT_EQ(mixed.GetSubElements().size(), 2U);
    EXPECT_EQ(mixed.GetSubElements()[1]->GetText(), "in");
    EXPECT_EQ(mixed.GetSubElements()[1]->GetParent(), nullptr);

    const std::string longName(70, 'n');
    CXMLElement named;
    ASSERT_EQ(Build(named, "<" + longName + "/>"), eNoErr);
    EXPECT_EQ(std::string(named.GetName().c_str()), std::string(63, 'n'));
}

TEST(TreeBuilder, CdataAndAttributes) {
    CXMLElement a;
    ASSERT_EQ(Build(a, "<a><![CDATA[ x ]]></a>"), eNoErr);
    EXPECT_TRUE(a.IsCDATA());
    EXPECT_EQ(a.GetText(), " x ");
    EXPECT_EQ(Write(a), "<a>\n    <![CDATA[\n     x \n    ]]>\n</a>\n");

    CXMLElement attribs;
    ASSERT_EQ(Build(attribs, "<a v=\"1 &lt; 2 &quot;q&quot;\" w='&apos;'/>"), eNoErr);
    std::string v;
    ASSERT_TRUE(attribs.GetAttrib("v", v));
    EXPECT_EQ(v, "1 < 2 \"q\"");
    EXPECT_EQ(Write(attribs), "<a v=\"1 &lt; 2 &quot;q&quot;\" w=\"&apos;\"/>\n");
}

TEST(TreeBuilder, WriterLayout) {
    CXMLElement root("root", "");
    root.AddAttrib("version", "2");
    auto* item = new CXMLElement("item", "a > b");
    item->AddAttrib("id", "1");
    root.push_back(item);
    auto* group = new CXMLElement("group", "lead");
    group->push_back(new CXMLElement("leaf", ""));
    root.push_back(group);
    std::ostringstream out;
    out << root;
    EXPECT_EQ(out.str(),
              "<root version=\"2\">\n"
              "    <item id=\"1\">a &gt; b</item>\n"
              "    <group>lead\n"
              "        <leaf/>\n"
              "    </group>\n"
              "</root>\n");

    std::ostringstream flat;
    WriteXMLToStream(flat, root, false, false, 3);
    EXPECT_EQ(flat.str().find(' ' + std::string("<")), std::string::npos);

    std::ostringstream checked;
    const CXMLElement invalid;
    WriteXMLToStream(checked, invalid, true, true, 0);
    EXPECT_EQ(checked.str(), "XML not valid\n");
}

TEST(TreeBuilder, RoundTripsAreByteIdentical) {
    CXMLElement root("Preset", "");
    root.AddAttrib("name", "A \"quoted\" <name> & 'more'");
    root.AddAttrib("multi", "tab\there\nnew line\r\nwindows");
    auto* text = new CXMLElement("Text", "Tom & Jerry\nsecond line\n\tindented <tag>");
    root.push_back(text);
    auto* cdata = new CXMLElement("Script", "  if (a[1] < b) { x = ']]>'; }\n  done  ");
    cdata->SetCDATA(true);
    root.push_back(cdata);
    auto* nested = new CXMLElement("Outer", "outer text");
    auto* inner = new CXMLElement("Inner", "");
    inner->AddAttrib("k", "v");
    auto* deep = new CXMLElement("Deep", "");
    deep->SetCDATA(true);
    deep->SetText("\n leading line break and spaces ");
    inner->push_back(deep);
    inner->push_back(new CXMLElement("Empty", ""));
    nested->push_back(inner);
    root.push_back(nested);
    root.push_back(new CXMLElement("CR", "carriage\rreturn"));
    ExpectRoundTrip(root);

    // Reading gives back exactly what was written.
    CXMLElement read;
    ASSERT_EQ(Build(read, Write(root)), eNoErr);
    std::string value;
    ASSERT_TRUE(read.GetAttrib("multi", value));
    EXPECT_EQ(value, "tab\there\nnew line\r\nwindows");
    EXPECT_EQ(read.SubElement("Text")->GetText(), text->GetText());
    EXPECT_EQ(read.SubElement("Script")->GetText(), cdata->GetText());
    EXPECT_TRUE(read.SubElement("Script")->IsCDATA());
    EXPECT_EQ(read.SubElement("Outer")->GetText(), "outer text");
    EXPECT_EQ(read.SubElement("Outer")->SubElement("Inner")->SubElement("Deep")->GetText(),
              deep->GetText());
    EXPECT_EQ(read.SubElement("CR")->GetText(), "carriage\rreturn");

    // A parsed declaration is written back in front.
    CXMLElement declared;
    CXMLTreeBuilder builder(declared);
    const std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>x</a>";
    ASSERT_EQ(builder.BuildFromSingleBuffer(doc.data(), static_cast<unsigned int>(doc.size())),
              eNoErr);
    KCFixedString<127> decl;
    ASSERT_TRUE(builder.FormatXMLDecl(decl));
    EXPECT_STREQ(decl.c_str(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    std::string written;
    ASSERT_EQ(builder.WriteToString(written), eNoErr);
    EXPECT_EQ(written, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a>x</a>\n");
    Utils::KCStMemObj bytes;
    ASSERT_EQ(builder.WriteToKCStMemObj(bytes), eNoErr);
    EXPECT_EQ(std::string(static_cast<const char*>(bytes.ptr), bytes.size), written);
    KCFixedString<127> none;
    CXMLElement plain;
    CXMLTreeBuilder noDecl(plain);
    EXPECT_FALSE(noDecl.FormatXMLDecl(none));
}

TEST(TreeBuilder, TruncatedAndMalformedDocuments) {
    // A root that is never closed is an error for a whole-document build; the tree so far stays.
    CXMLElement root;
    EXPECT_EQ(Build(root, "<a><b>x</b><c>y"), eXMLParserFailed);
    EXPECT_EQ(std::string(root.GetName().c_str()), "a");
    EXPECT_EQ(root.GetError(), eXMLElementIncomplete);
    ASSERT_EQ(root.GetSubElements().size(), 2U);
    EXPECT_EQ(root.GetSubElements()[0]->GetText(), "x");
    EXPECT_EQ(root.GetSubElements()[0]->GetError(), eNoErr);
    EXPECT_EQ(root.GetSubElements()[1]->GetError(), eXMLElementIncomplete);

    CXMLElement cut;
    CXMLTreeBuilder memBuilder(cut);
    const std::string text = "<a><b/>";
    EXPECT_EQ(memBuilder.BuildFromKCStMemObj(Utils::KCStConstMemObj(text.data(), 7)),
              eXMLParserFailed);
    CXMLElement cutInTag;
    EXPECT_EQ(Build(cutInTag, "<a><b att=\"1"), eXMLParserFailed);

    CXMLElement bad;
    EXPECT_EQ(Build(bad, "<a><b></a>"), eXMLParserFailed);
    CXMLElement trailing;
    EXPECT_EQ(Build(trailing, "<a/><b/>"), eXMLParserFailed);

    CXMLElement tiny;
    CXMLTreeBuilder tinyBuilder(tiny);
    EXPECT_EQ(tinyBuilder.BuildFromSingleBuffer(nullptr, 10), eMemNullPointer);
    EXPECT_EQ(tinyBuilder.BuildFromSingleBuffer("<a/>", 3), eMemNullPointer);
    EXPECT_EQ(tinyBuilder.BuildFromKCStMemObj(Utils::KCStConstMemObj()), eNoErr);
    EXPECT_EQ(tinyBuilder.BuildFromKCStMemObj(Utils::KCStConstMemObj("<a>", 3)), eMemNullPointer);

    // One document per builder: after a finished one, further builds fail.
    CXMLElement once;
    CXMLTreeBuilder onceBuilder(once);
    ASSERT_EQ(onceBuilder.BuildFromSingleBuffer("<a/>", 4), eNoErr);
    EXPECT_EQ(onceBuilder.BuildFromSingleBuffer("<b/>", 4), eXMLParserFailed);
}

TEST(TreeBuilder, IncrementalBuildsReportFinished) {
    CXMLElement root;
    CXMLTreeBuilder builder(root);
    bool finished = true;
    EXPECT_EQ(builder.BuildFromBuffer("<a><b>Tom &am", 13, finished), eNoErr);
    EXPECT_FALSE(finished);
    EXPECT_EQ(builder.BuildFromBuffer("p; Jerry</b>", 12, finished), eNoErr);
    EXPECT_FALSE(finished);  // an unclosed root is no error for the piecewise build
    EXPECT_EQ(builder.BuildFromBuffer("</a>", 4, finished), eNoErr);
    EXPECT_TRUE(finished);
    EXPECT_EQ(root.SubElement("b")->GetText(), "Tom & Jerry");
    EXPECT_EQ(root.GetError(), eNoErr);
}

// Text is collected per open level in buffers that later elements at the same depth reuse:
// nothing of an earlier element's text or CDATA end may reach a later one.
TEST(TreeBuilder, TextOfOneElementNeverLeaksIntoTheNextAtItsDepth) {
    const std::string doc =
        "<r><a>  a much longer text than the next one  </a><b> x </b>"
        "<c><![CDATA[ kept as written ]]>  </c><d>  plain  </d>"
        "<e><f>inner one</f></e><g><h/></g>"
        "<i>one &amp; two<j>j</j> three</i></r>";
    CXMLElement root;
    ASSERT_EQ(Build(root, doc), eNoErr);
    EXPECT_EQ(root.SubElementText("a"), std::string("a much longer text than the next one"));
    EXPECT_EQ(root.SubElementText("b"), std::string("x"));
    EXPECT_EQ(root.SubElementText("c"), std::string(" kept as written "));
    EXPECT_EQ(root.SubElementText("d"), std::string("plain"));
    EXPECT_EQ(root.SubElement("e")->SubElementText("f"), std::string("inner one"));
    EXPECT_EQ(root.SubElement("g")->SubElementText("h"), std::string());
    EXPECT_EQ(root.SubElementText("i"), std::string("one & two three"));
    EXPECT_EQ(root.GetText(), "");

    // A document cut inside elements leaves them the text they had collected.
    CXMLElement cut;
    EXPECT_EQ(Build(cut, "<r>head<a>  partial text"), eXMLParserFailed);
    EXPECT_EQ(cut.GetText(), "head");
    ASSERT_NE(cut.SubElement("a"), nullptr);
    EXPECT_EQ(cut.SubElementText("a"), std::string("partial text"));
    EXPECT_EQ(cut.SubElement("a")->GetError(), eXMLElementIncomplete);
}

// A root that already has text and attributes keeps them ahead of the document's.
TEST(TreeBuilder, ARootKeepsItsOwnTextAndAttributesAhead) {
    CXMLElement root("old", "pre ");
    root.AddAttrib("x", "1");
    ASSERT_EQ(Build(root, "<r y=\"2\">text </r>"), eNoErr);
    EXPECT_EQ(root.GetName(), "r");
    EXPECT_EQ(root.GetText(), "pre text");
    EXPECT_EQ(root.GetAttribString(), "x=\"1\"\ry=\"2\"\r");
}

// The attribute records are sized up front from lengths measured once (only the first ones
// are remembered): every record must come out whole, in order, however many there are.
TEST(TreeBuilder, AttributeRecordsOfEveryCountAndLength) {
    for (const int count : {0, 1, 2, 15, 16, 17, 40}) {
        std::string doc = "<r>";
        std::string expected;
        std::string inner = "<e";
        for (int i = 0; i < count; ++i) {
            const std::string name = "a" + std::to_string(i) + std::string(i % 5, 'n');
            // Empty values, long values and multi-byte characters, varying with i.
            const std::string value = i % 3 == 0 ? "" : std::string(i * 7, 'v') + "\xC3\xA9";
            std::string record = name;
            record.append("=\"").append(value).append("\"");
            inner.append(" ").append(record);
            expected.append(record).append("\r");
        }
        doc += inner + ">t</e><f/></r>";
        CXMLElement root;
        ASSERT_EQ(Build(root, doc), eNoErr) << count;
        ASSERT_EQ(root.GetSubElements().size(), 2U);
        const CXMLElement& e = *root.GetSubElements()[0];
        EXPECT_EQ(e.GetAttribString(), expected) << count;
        EXPECT_EQ(e.GetAttribString().size(), expected.size());
        EXPECT_EQ(e.GetText(), "t");
        EXPECT_TRUE(root.GetSubElements()[1]->GetAttribString().empty());
        ExpectRoundTrip(root);
    }
}

// Texts that are empty or white space only stay empty, whatever the pieces the parser hands
// over, and never hide text that follows them in the same element.
TEST(TreeBuilder, WhiteSpacePiecesLeaveTextsEmptyOrIntact) {
    CXMLElement root;
    ASSERT_EQ(Build(root,
                    "<r>\n  \t\n  <a>\n\n   </a>\n  <b>  \n  x\n  y </b>"
                    "<c><![CDATA[]]></c><d> <e/> \n z</d>\n</r>"),
              eNoErr);
    EXPECT_EQ(root.GetText(), "");
    ASSERT_EQ(root.GetSubElements().size(), 4U);
    EXPECT_EQ(root.SubElement("a")->GetText(), "");
    EXPECT_EQ(root.SubElement("b")->GetText(), "x\n  y");
    EXPECT_TRUE(root.SubElement("c")->IsCDATA());
    EXPECT_EQ(root.SubElement("c")->GetText(), "");
    EXPECT_EQ(root.SubElement("d")->GetText(), "z");

    // A root's own text stays when the document brings none, and a new child made for
    // writing gets exactly the text it is given.
    CXMLElement kept("old", "pre");
    ASSERT_EQ(Build(kept, "<r>  </r>"), eNoErr);
    EXPECT_EQ(kept.GetText(), "pre");
    EXPECT_EQ(kept.AddSubElement("n")->GetText(), "");
    EXPECT_EQ(kept.AddSubElement("m", " m ")->GetText(), " m ");
}

TEST(TreeBuilder, IdleBuildFeedsPieces) {
    std::string doc = "<list>";
    for (int i = 0; i < 200; ++i) {
        doc += "<item n=\"" + std::to_string(i) + "\">some text</item>";
    }
    doc += "</list>";
    CXMLElement root;
    CXMLTreeBuilder builder(root);
    int calls = 0;
    builder.SetIdleCallBack([](void* context) { ++*static_cast<int*>(context); }, &calls);
    ASSERT_EQ(
        builder.BuildFromSingleBufferWithIdle(doc.data(), static_cast<unsigned int>(doc.size())),
        eNoErr);
    EXPECT_EQ(calls, static_cast<int>((doc.size() + 1023) / 1024));
    EXPECT_EQ(root.GetSubElements().size(), 200U);
    std::string n;
    EXPECT_TRUE(root.GetSubElements()[199]->GetAttrib("n", n));
    EXPECT_EQ(n, "199");

    CXMLElement cut;
    CXMLTreeBuilder cutBuilder(cut);
    EXPECT_EQ(cutBuilder.BuildFromSingleBufferWithIdle(doc.data(), 3000), eXMLParserFailed);
}

const std::string kLevelsDoc = "<r a=\"1\">top<c>one<g>two</g><g/></c><c>three</c></r>";

TEST(TreeBuilder, ParseLevelOneKeepsOnlyTheRoot) {
    const std::string& doc = kLevelsDoc;
    CXMLElement rootOnly;
    CXMLTreeBuilder level1(rootOnly);
    level1.SetParseLevel(1);
    ASSERT_EQ(level1.BuildFromSingleBuffer(doc.data(), static_cast<unsigned int>(doc.size())),
              eNoErr);
    EXPECT_TRUE(rootOnly.GetSubElements().empty());
    EXPECT_EQ(rootOnly.GetText(), "top");
    EXPECT_TRUE(rootOnly.AttribExists("a"));
}

TEST(TreeBuilder, ParseLevelTwoKeepsTheChildrenButNotTheirChildren) {
    const std::string& doc = kLevelsDoc;
    CXMLElement two;
    CXMLTreeBuilder level2(two);
    level2.SetParseLevel(2);
    ASSERT_EQ(level2.BuildFromSingleBuffer(doc.data(), static_cast<unsigned int>(doc.size())),
              eNoErr);
    ASSERT_EQ(two.GetSubElements().size(), 2U);
    EXPECT_TRUE(two.GetSubElements()[0]->GetSubElements().empty());
    EXPECT_EQ(two.GetSubElements()[0]->GetText(), "one");  // the skipped text stays out
    EXPECT_EQ(two.GetSubElements()[1]->GetText(), "three");
    EXPECT_EQ(two.GetError(), eNoErr);
}

TEST(TreeBuilder, AnUnknownEncodingLoadsByteForByteAsLatin1) {
    CXMLElement mac;
    ASSERT_EQ(
        Build(mac, "<?xml version=\"1.0\" encoding=\"x-mac-roman\"?><a t=\"\xE9\">\xE9\x80</a>"),
        eNoErr);
    EXPECT_EQ(mac.GetText(), "\xC3\xA9\xC2\x80");
    std::string t;
    EXPECT_TRUE(mac.GetAttrib("t", t));
    EXPECT_EQ(t, "\xC3\xA9");
}

// The tree is UTF-8, so is the written text, and so says its declaration.
TEST(TreeBuilder, ALatin1DocumentIsReadAndWrittenAsUTF8) {
    CXMLElement latin;
    CXMLTreeBuilder latinBuilder(latin);
    const std::string latinDoc = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xFC</a>";
    ASSERT_EQ(latinBuilder.BuildFromSingleBuffer(latinDoc.data(),
                                                 static_cast<unsigned int>(latinDoc.size())),
              eNoErr);
    EXPECT_EQ(latin.GetText(), "\xC3\xBC");
    EXPECT_STREQ(latinBuilder.GetParsedEncoding().c_str(), "ISO-8859-1");
    KCFixedString<127> decl;
    ASSERT_TRUE(latinBuilder.FormatXMLDecl(decl));
    EXPECT_STREQ(decl.c_str(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    std::string written;
    ASSERT_EQ(latinBuilder.WriteToString(written), eNoErr);
    CXMLElement reread;
    ASSERT_EQ(Build(reread, written), eNoErr);
    EXPECT_EQ(reread.GetText(), "\xC3\xBC");
}

TEST(TreeBuilder, AnEmptyVersionIsDeclaredAsOnePointZero) {
    KCFixedString<127> decl;
    CXMLElement noVersion;
    CXMLTreeBuilder noVersionBuilder(noVersion);
    const std::string bare = R"(<?xml version="" encoding="UTF-8"?><a/>)";
    ASSERT_EQ(
        noVersionBuilder.BuildFromSingleBuffer(bare.data(), static_cast<unsigned int>(bare.size())),
        eNoErr);
    ASSERT_TRUE(noVersionBuilder.FormatXMLDecl(decl));
    EXPECT_STREQ(decl.c_str(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
}

// Whatever the input, a tree the builder made is written as text that reads back to the same
// text: no input can leave the tree in a state the writer cannot express.
TEST(TreeBuilder, AnyBuiltTreeRoundTrips) {
    const std::string seed =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root a=\"1 &amp; 2\" b='x&#9;y'>\n"
        "  <t>Tom &amp; Jerry\n  second</t>\n  <c><![CDATA[ keep ]]> </c>\n"
        "  <n\xC3\xA9name>\xE2\x82\xAC</n\xC3\xA9name>\n  <e/><q>'ABCD'</q>\n</root>\n";
    const std::string alphabet = "<>/&;'\"=![]CDATA \n\t\r#x9a\xC3\xA9";
    std::mt19937 rng(4242);
    int built = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string doc = seed;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < edits && !doc.empty(); ++k) {
            const std::size_t at = rng() % doc.size();
            switch (rng() % 4) {
                case 0:
                    doc.erase(at, 1 + rng() % 3);
                    break;
                case 1:
                    doc.insert(at, 1, alphabet[rng() % alphabet.size()]);
                    break;
                case 2:
                    doc.insert(at, doc.substr(rng() % doc.size(), 1 + rng() % 12));
                    break;
                default:
                    doc.resize(at);
                    break;
            }
        }
        CXMLElement root;
        CXMLTreeBuilder builder(root);
        const int result =
            builder.BuildFromSingleBuffer(doc.data(), static_cast<unsigned int>(doc.size()));
        ASSERT_TRUE(result == eNoErr || result == eXMLParserFailed || result == eMemNullPointer)
            << result;
        if (root.GetName().empty()) {
            continue;
        }
        ++built;
        std::string first;
        ASSERT_EQ(builder.WriteToString(first), eNoErr);
        CXMLElement again;
        CXMLTreeBuilder reader(again);
        ASSERT_EQ(
            reader.BuildFromSingleBuffer(first.data(), static_cast<unsigned int>(first.size())),
            eNoErr)
            << doc << "\n---\n"
            << first;
        std::string second;
        ASSERT_EQ(reader.WriteToString(second), eNoErr);
        ASSERT_EQ(first, second) << doc;
    }
    EXPECT_GT(built, 1000);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::XML
