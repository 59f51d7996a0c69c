// Tests of documents as other programs write them: declared encodings, single- and multi-byte,
// and entity references in text and attributes (a billion-laughs document included).
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::XML {
namespace {

using testing::Build;

std::string ReadTestFile(const std::string& name) {
    std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/korvane/xml/testdata/encodings/" + name,
                     std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return {std::istreambuf_iterator<char>(in), {}};
}

// Each file holds <r a="T">T</r> in the encoding it declares, T being the given UTF-8 text.
TEST(DeclaredEncodings, SingleAndMultiByteDocumentsLoadAsTheirCharacters) {
    const std::vector<std::pair<std::string, std::string>> documents{
        {"koi8-r.xml", "Привет"},
        {"tis-620.xml", "สวัสดี"},
        {"iso-8859-7.xml", "Γειά σου"},
        {"windows-1255.xml", "שלום"},
        {"windows-1252.xml", "€ “quoted” …"},
        {"euc-jp.xml", "こんにちは、日本"},
        {"euc-kr.xml", "안녕하세요"},
        {"gb2312.xml", "你好世界"},
        {"shift_jis.xml", "こんにちは、ｶﾀｶﾅ"},
    };
    for (const auto& [file, expected] : documents) {
        CXMLElement root;
        ASSERT_EQ(Build(root, ReadTestFile(file)), eNoErr) << file;
        EXPECT_EQ(root.GetText(), expected) << file;
        std::string attribute;
        EXPECT_TRUE(root.GetAttrib("a", attribute)) << file;
        EXPECT_EQ(attribute, expected) << file;
    }
}

// A stateful encoding, or one whose sequence length the first byte does not fix, cannot be
// handed to the parser: the document is refused, not loaded as other characters.
TEST(DeclaredEncodings, UnconvertibleMultiByteEncodingsAreRefused) {
    for (const char* file : {"iso-2022-jp.xml", "gb18030.xml"}) {
        CXMLElement root;
        EXPECT_EQ(Build(root, ReadTestFile(file)), eXMLParserFailed) << file;
        EXPECT_EQ(root.GetText(), "") << file;
    }
}

// Encodings whose markup characters are not single ASCII bytes are refused up front, without
// searching their byte sequences (a declaration alone must not cost seconds of work).
TEST(DeclaredEncodings, EncodingsThatDoNotKeepMarkupASCIIAreRefused) {
    for (const char* name : {"UCS-4", "UTF-32BE", "UTF-32LE", "IBM037"}) {
        CXMLElement root;
        EXPECT_EQ(Build(root, std::string("<?xml version=\"1.0\" encoding=\"") + name + "\"?><a/>"),
                  eXMLParserFailed)
            << name;
    }
}

TEST(DeclaredEncodings, BytesThatAreNoCharacterFailTheParse) {
    // 0x81 is unassigned in windows-1252; 0xA1 0x21 is no EUC-KR sequence.
    CXMLElement cp1252;
    EXPECT_EQ(Build(cp1252, "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\x81</r>"),
              eXMLParserFailed);
    CXMLElement euc;
    EXPECT_EQ(Build(euc, "<?xml version=\"1.0\" encoding=\"EUC-KR\"?><r>\xA1\x21</r>"),
              eXMLParserFailed);
}

const char* const kNoteDoctype =
    "<!DOCTYPE note [\n"
    "  <!ENTITY writer \"Donald Duck.\">\n"
    "  <!ENTITY nested \"&writer; and friends\">\n"
    "]>\n";

TEST(Entities, InternalEntitiesExpandInTextAsInAttributes) {
    CXMLElement note;
    ASSERT_EQ(
        Build(note, std::string(kNoteDoctype) + "<note by=\"&writer;\"><to>Tove &amp; &writer;</to>"
                                                "<cc>&nested;</cc></note>"),
        eNoErr);
    std::string by;
    EXPECT_TRUE(note.GetAttrib("by", by));
    EXPECT_EQ(by, "Donald Duck.");
    ASSERT_EQ(note.GetSubElements().size(), 2U);
    EXPECT_EQ(note.GetSubElements()[0]->GetText(), "Tove & Donald Duck.");
    EXPECT_EQ(note.GetSubElements()[1]->GetText(), "Donald Duck. and friends");
}

TEST(Entities, ExternalEntitiesAreNotLoaded) {
    CXMLElement root;
    ASSERT_EQ(
        Build(root, "<!DOCTYPE r [<!ENTITY ext SYSTEM \"file:///etc/passwd\">]><r>a&ext;b</r>"),
        eNoErr);
    EXPECT_EQ(root.GetText(), "ab");
}

// Ten levels of ten references: 10^10 characters if expanded in full. expat's amplification
// limit stops the parse once the output passes its small activation threshold.
std::string Laughs() {
    std::string doctype = "<!DOCTYPE lolz [\n<!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 10; ++level) {
        doctype += "<!ENTITY lol" + std::to_string(level) + " \"";
        for (int k = 0; k < 10; ++k) {
            doctype += "&lol" + std::to_string(level - 1) + ";";
        }
        doctype += "\">\n";
    }
    return doctype + "]>\n";
}

TEST(Entities, BillionLaughsFailCleanlyInTextAndInAttributes) {
    CXMLElement inText;
    EXPECT_EQ(Build(inText, Laughs() + "<lolz>&lol10;</lolz>"), eXMLParserFailed);
    CXMLElement inAttribute;
    EXPECT_EQ(Build(inAttribute, Laughs() + "<lolz a=\"&lol10;\"/>"), eXMLParserFailed);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::XML
