// Tests of typed serialisation: one SerializeXML written, turned into text, parsed and read
// back for every content kind, plus the reader's rules for missing and odd input.
#include "korvane/xml/serializer.h"

#include "korvane/core/date.h"
#include "korvane/core/version.h"
#include "korvane/xml/stl_container_serializer.h"
#include "korvane/xml/tree_builder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::XML {
namespace {

std::string ToText(const CXMLElement& root) {
    CXMLTreeBuilder builder(const_cast<CXMLElement&>(root));
    std::string text;
    EXPECT_EQ(builder.WriteToString(text), eNoErr);
    return text;
}

// The element tree that the text gives back.
std::unique_ptr<CXMLElement> Reparse(const CXMLElement& root) {
    auto out = std::make_unique<CXMLElement>();
    CXMLTreeBuilder builder(*out);
    const std::string text = ToText(root);
    EXPECT_EQ(builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
              eNoErr);
    return out;
}

struct Item : KCXMLable {
    int value = 0;
    std::string label;
    void SerializeXML(KCXMLSerializer& s) override {
        s.element_name("Value", 0).element_content(value).element_end();
        s.element_name("Label", 0).element_content(label).element_end();
    }
    using KCXMLable::SerializeXML;
};

KTEnumNames Modes() {
    return {{"Off", 0}, {"Slow", 1}, {"Fast", 2}};
}

struct Everything : KCXMLable {
    Item inner;
    KC16BytesID id;
    KCFourCC code;
    std::string text;
    KCFixedString<15> fixed;
    bool flag = false;
    unsigned short us = 0;
    unsigned int ui = 0;
    unsigned long long ull = 0;
    short sh = 0;
    int i = 0;
    long long ll = 0;
    float f = 0;
    double d = 0;
    int mode = 0;
    int attribInt = 0;
    signed char attribSmall = 0;
    int attribDefault = 0;
    KCFixedString<31> attribText;
    int attribEnum = 0;
    bool hidden = false;
    std::vector<Item> items;
    KCVersion version;
    Utils::KCDate date{2000, 1, 1};
    std::unique_ptr<Item> optional;

    void SerializeXML(KCXMLSerializer& s) override {
        KTEnumNames modes = Modes();
        s.element_name("Inner", 0).element_content(inner).element_end();
        s.element_name("ID", 0).element_content(id).element_end();
        s.element_name("Code", 0).element_content(code).element_end();
        s.element_name("Text", 0).element_content(text).element_end();
        s.element_name("Fixed", 0).element_content(fixed).element_end();
        s.element_name("Flag", 0).element_content(flag).element_end();
        s.element_name("US", 0).element_content(us).element_end();
        s.element_name("UI", 0).element_content(ui).element_end();
        s.element_name("ULL", 0).element_content(ull).element_end();
        s.element_name("SH", 0).element_content(sh).element_end();
        s.element_name("I", 0).element_content(i).element_end();
        s.element_name("LL", 0).element_content(ll).element_end();
        s.element_name("F", 0).element_content(f).element_end();
        s.element_name("D", 0).element_content(d).element_end();
        s.element_name("Mode", 0).element_content_enum(mode, modes).element_end();
        s.element_name("Attribs", 0);
        s.attrib_content("int", attribInt);
        s.attrib_content("small", attribSmall);
        KTIntConvertor<int> withDefault(attribDefault);
        s.attrib_content("def", withDefault, 7);
        s.attrib_content("text", attribText);
        s.attrib_content_enum("mode", attribEnum, modes);
        s.element_end();
        s.element_name_and_bool_if_exist("Hidden", hidden, true).element_end();
        KCStlContainerXMLSerializer<std::vector<Item>> list("Item", items);
        s.element_name("Items", 0).element_content(list).element_end();
        s.element_name("Version", 0).element_content(version).element_end();
        s.element_name("Date", 0).element_content(date).element_end();
        s.element_name("Optional", 0);
        if (s.need_to_allocate(optional.get())) {
            optional = std::make_unique<Item>();
        }
        if (s.can_do_element_content_from_pointer(optional.get())) {
            s.element_content(*optional);
        }
        s.element_end();
    }
    using KCXMLable::SerializeXML;
};

Everything Filled() {
    Everything e;
    e.inner.value = -5;
    e.inner.label = "in & out";
    const char raw[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    e.id = KC16BytesID(raw);
    e.code = KCFourCC("XPst");
    e.text = "Tom & Jerry\nsecond line";
    e.fixed = "fixed";
    e.flag = false;
    e.us = 65535;
    e.ui = 4294967295U;
    e.ull = 18446744073709551615ULL;
    e.sh = -32768;
    e.i = -2147483647;
    e.ll = -9223372036854775807LL;
    e.f = 1.25F;
    e.d = 0.1;
    e.mode = 2;
    e.attribInt = -12;
    e.attribSmall = -100;
    e.attribDefault = 3;
    e.attribText = "a \"b\" <c>";
    e.attribEnum = 1;
    e.hidden = true;
    e.items.resize(3);
    for (int n = 0; n < 3; ++n) {
        e.items[static_cast<std::size_t>(n)].value = n * 10;
        e.items[static_cast<std::size_t>(n)].label = "item " + std::to_string(n);
    }
    e.version = KCVersion(10, 0, 3, 7);
    e.date = Utils::KCDate(2018, 6, 27);
    e.optional = std::make_unique<Item>();
    e.optional->value = 99;
    return e;
}

// A filled object written to an element, and a second object read from that element's text.
class SerializedEverything : public ::testing::Test {
protected:
    void SetUp() override {
        EXPECT_EQ(original.WriteToXML(&root), &root);
        parsed = Reparse(root);
        read.ReadFromXML(parsed.get());
    }

    const Everything original = Filled();
    CXMLElement root{"Everything", ""};
    std::unique_ptr<CXMLElement> parsed;
    Everything read;
};

TEST_F(SerializedEverything, NumbersCodesAndEnumsAreWrittenAsText) {
    EXPECT_EQ(root.SubElement("D")->GetText(), "0.1000000000");
    EXPECT_EQ(root.SubElement("F")->GetText(), "1.25000");
    EXPECT_EQ(root.SubElement("Code")->GetText(), "XPst");
    EXPECT_EQ(root.SubElement("Mode")->GetText(), "Fast");
    EXPECT_EQ(root.SubElement("Items")->GetSubElements().size(), 3U);
    EXPECT_TRUE(root.SubElement("Attribs")->AttribExists("def"));
}

TEST(XMLSerializer, DefaultAttributesAndUnsetFlagsAreLeftOut) {
    Everything atDefault;
    atDefault.attribDefault = 7;
    CXMLElement defaultRoot("Everything", "");
    atDefault.WriteToXML(&defaultRoot);
    EXPECT_FALSE(defaultRoot.SubElement("Attribs")->AttribExists("def"));
    EXPECT_EQ(defaultRoot.SubElement("Hidden"), nullptr);  // the flag element only when set
    EXPECT_EQ(defaultRoot.SubElement("Optional")->GetText(), "");
}

// A zero code's four NUL bytes would make the document unreadable: it is an empty element,
// and an empty element reads as zero over what the object held.
TEST(XMLSerializer, ZeroCodeReadsBackAsZero) {
    Everything zero = Filled();
    zero.code = KCFourCC(0U);
    CXMLElement zeroRoot("Everything", "");
    zero.WriteToXML(&zeroRoot);
    EXPECT_EQ(zeroRoot.SubElement("Code")->GetText(), "");
    EXPECT_EQ(ToText(zeroRoot).find('\0'), std::string::npos);
    Everything back = Filled();
    back.ReadFromXML(Reparse(zeroRoot).get());
    EXPECT_EQ(back.code.Value(), 0U);
    EXPECT_EQ(back.text, zero.text);
}

TEST_F(SerializedEverything, ElementsAndTextReadBack) {
    EXPECT_EQ(read.inner.value, -5);
    EXPECT_EQ(read.inner.label, "in & out");
    EXPECT_EQ(read.id, original.id);
    EXPECT_EQ(read.code, original.code);
    EXPECT_EQ(read.text, original.text);
    EXPECT_STREQ(read.fixed.c_str(), "fixed");
    EXPECT_FALSE(read.flag);
    EXPECT_EQ(read.mode, 2);
}

TEST_F(SerializedEverything, NumbersOfEveryWidthReadBackExactly) {
    EXPECT_EQ(read.us, original.us);
    EXPECT_EQ(read.ui, original.ui);
    EXPECT_EQ(read.ull, original.ull);
    EXPECT_EQ(read.sh, original.sh);
    EXPECT_EQ(read.i, original.i);
    EXPECT_EQ(read.ll, original.ll);
    EXPECT_EQ(read.f, original.f);
    EXPECT_EQ(read.d, original.d);
}

TEST_F(SerializedEverything, AttributesReadBack) {
    EXPECT_EQ(read.attribInt, -12);
    EXPECT_EQ(read.attribSmall, -100);
    EXPECT_EQ(read.attribDefault, 3);
    EXPECT_STREQ(read.attribText.c_str(), original.attribText.c_str());
    EXPECT_EQ(read.attribEnum, 1);
    EXPECT_TRUE(read.hidden);
}

TEST_F(SerializedEverything, ListsVersionsDatesAndOptionalObjectsReadBack) {
    ASSERT_EQ(read.items.size(), 3U);
    EXPECT_EQ(read.items[2].value, 20);
    EXPECT_EQ(read.items[1].label, "item 1");
    EXPECT_EQ(read.version, original.version);
    EXPECT_EQ(read.date, original.date);
    ASSERT_NE(read.optional, nullptr);
    EXPECT_EQ(read.optional->value, 99);
}

TEST_F(SerializedEverything, WritingWhatWasReadGivesTheSameText) {
    CXMLElement again("Everything", "");
    read.WriteToXML(&again);
    EXPECT_EQ(ToText(again), ToText(root));
}

TEST(XMLSerializer, ReaderLeavesFieldsWhenInputIsMissingOrOdd) {
    Everything e = Filled();
    e.optional.reset();
    CXMLElement empty("Everything", "");
    e.ReadFromXML(&empty);
    EXPECT_EQ(e.inner.value, -5);
    EXPECT_EQ(e.text, "Tom & Jerry\nsecond line");
    EXPECT_EQ(e.ull, 18446744073709551615ULL);
    EXPECT_EQ(e.version, KCVersion(10, 0, 3, 7));
    EXPECT_EQ(e.date, Utils::KCDate(2018, 6, 27));
    EXPECT_EQ(e.items.size(), 3U);  // no list element: the container is not touched
    EXPECT_EQ(e.optional, nullptr);
    EXPECT_EQ(e.attribDefault, 3);  // no Attribs element: the default does not apply

    CXMLElement odd("Everything", "");
    auto add = [&odd](const char* name, const char* text) {
        auto* child = new CXMLElement(name, text);
        odd.push_back(child);
        return child;
    };
    add("Flag", "");
    add("I", "12abc");
    add("SH", "40000");
    add("UI", "-1");
    add("D", "");
    add("Mode", "Turbo");
    add("Code", "ABC");
    CXMLElement* attribs = add("Attribs", "");
    attribs->AddAttrib("small", "300");
    attribs->AddAttrib("int", "x");
    attribs->AddAttrib("mode", "Nope");
    add("Hidden", "");
    e.flag = false;
    e.hidden = false;
    e.ReadFromXML(&odd);
    EXPECT_TRUE(e.flag);  // an empty boolean is true
    EXPECT_EQ(e.i, -2147483647);
    EXPECT_EQ(e.sh, -32768);
    EXPECT_EQ(e.ui, 4294967295U);
    EXPECT_EQ(e.d, 0.1);
    EXPECT_EQ(e.mode, 2);
    EXPECT_EQ(e.code, KCFourCC("XPst"));
    EXPECT_EQ(e.attribSmall, -100);
    EXPECT_EQ(e.attribInt, -12);
    EXPECT_EQ(e.attribEnum, 1);
    EXPECT_EQ(e.attribDefault, 7);  // the element is there, the attribute is not
    EXPECT_TRUE(e.hidden);

    for (const char* text : {"False", "TRUE", "1", "yes"}) {
        CXMLElement root("r", "");
        root.push_back(new CXMLElement("Flag", text));
        Everything b;
        b.ReadFromXML(&root);
        EXPECT_TRUE(b.flag) << text;
    }
    for (const char* text : {"false", "no"}) {
        CXMLElement root("r", "");
        root.push_back(new CXMLElement("Flag", text));
        Everything b;
        b.flag = true;
        b.ReadFromXML(&root);
        EXPECT_FALSE(b.flag) << text;
    }
}

TEST(XMLSerializer, EnumsFiltersAndLevels) {
    KTEnumNames modes = Modes();
    CXMLElement root("r", "");
    KCXMLSerializerWriter writer(&root);
    EXPECT_FALSE(writer.IsReading());
    int unnamed = 17;
    writer.element_name("Mode", 0).element_content_enum(unnamed, modes).element_end();
    EXPECT_EQ(root.SubElement("Mode")->GetText(), "");
    std::string a = "first";
    std::string b = "second";
    writer.element_name("Entry", 0).filter_by_attrib("key", "a").element_content(a).element_end();
    writer.element_name("Entry", 1).filter_by_attrib("key", "b").element_content(b).element_end();
    writer.element_name("Block", 0).level_down();
    writer.element_name("Nested", 0);
    writer.element_content("deep");  // the writer's own literal overload
    writer.element_end();
    writer.level_up().element_end();
    writer.element_name("After", 0).element_end();
    EXPECT_EQ(writer.get_num_array_elements("Entry", 5), 5U);
    ASSERT_NE(root.SubElement("Block"), nullptr);
    EXPECT_STREQ(root.SubElement("Block")->SubElementText("Nested"), "deep");
    EXPECT_NE(root.SubElement("After"), nullptr);

    KCXMLSerializerReader reader(&root);
    EXPECT_TRUE(reader.IsReading());
    EXPECT_EQ(reader.get_num_array_elements("Entry", 0), 2U);
    std::string got;
    reader.element_name("Entry", 0).filter_by_attrib("key", "b").element_content(got);
    EXPECT_EQ(got, "");  // the first Entry is "a": filtered out
    reader.element_name("Entry", 1).filter_by_attrib("key", "b").element_content(got);
    EXPECT_EQ(got, "second");
    reader.element_end();
    reader.element_name("Block", 0).level_down();
    reader.element_name("Nested", 0).element_content(got);
    EXPECT_EQ(got, "deep");
    reader.level_up();
    EXPECT_EQ(reader.element_name("Nested", 0).GetCurrent(), nullptr);
    int mode = 1;
    reader.element_name("Mode", 0).element_content_enum(mode, modes);
    EXPECT_EQ(mode, 1);
    bool exists = false;
    reader.element_name_and_bool_if_exist("Missing", exists, true);
    EXPECT_FALSE(exists);
    EXPECT_FALSE(reader.need_to_allocate(nullptr));  // nothing to read, nothing to allocate
}

TEST(XMLSerializer, CoreTypesWriteTheirText) {
    const KCVersion version(9, 3, 1);
    CXMLElement v("Version", "");
    version.WriteToXML(&v);
    EXPECT_EQ(v.GetText(), "9.3.1.0");
    KCVersion readVersion(1, 1, 1, 1);
    readVersion.ReadFromXML(&v);
    EXPECT_EQ(readVersion, version);
    CXMLElement unnamed;
    readVersion.ReadFromXML(nullptr);
    EXPECT_EQ(readVersion, version);

    const Utils::KCDate date(2018, 6, 27);
    CXMLElement d("Date", "");
    date.WriteToXML(&d);
    EXPECT_EQ(d.GetText(), "20180627");
    Utils::KCDate readDate(1999, 1, 1);
    readDate.ReadFromXML(&d);
    EXPECT_EQ(readDate, date);
    CXMLElement bad("Date", "not a date");
    readDate.ReadFromXML(&bad);
    EXPECT_FALSE(readDate.IsValid());
    // The date keeps its validity base.
    int error = 0;
    EXPECT_TRUE(date.IsValid(error));
    EXPECT_EQ(error, eNoErr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::XML
