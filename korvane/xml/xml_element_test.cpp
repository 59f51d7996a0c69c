// Tests of the element node: constructors, attribute records, children and copies.
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <locale>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::XML {
namespace {

// A locale that groups thousands and writes ',' as decimal point.
struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(XMLElement, Constructors) {
    const CXMLElement empty;
    EXPECT_EQ(empty.GetError(), eXMLElementUninitalized);
    EXPECT_FALSE(empty.IsValid());

    const CXMLElement named("a", "text");
    EXPECT_TRUE(named.IsValid());
    EXPECT_EQ(named.GetText(), "text");
    EXPECT_EQ(CXMLElement("a", static_cast<const char*>(nullptr)).GetText(), "");
    EXPECT_EQ(CXMLElement("a", "abcdef", 3U).GetText(), "abc");
    const unsigned char pascal[] = {3, 'x', 'y', 'z', 'w'};
    EXPECT_EQ(CXMLElement("a", pascal).GetText(), "xyz");
    EXPECT_EQ(CXMLElement("a", true).GetText(), "true");
    EXPECT_EQ(CXMLElement("a", false).GetText(), "false");
    EXPECT_EQ(CXMLElement("a", 255, std::hex).GetText(), "ff");
    EXPECT_EQ(CXMLElement("a", static_cast<short>(-3)).GetText(), "-3");
    EXPECT_EQ(CXMLElement("a", static_cast<unsigned short>(65535)).GetText(), "65535");
    EXPECT_EQ(CXMLElement("a", 4000000000U).GetText(), "4000000000");
    EXPECT_EQ(CXMLElement("a", 0.5).GetText(), "0.5");

    // The process locale never reaches the text.
    const std::locale old =
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    EXPECT_EQ(CXMLElement("a", 1234567).GetText(), "1234567");
    EXPECT_EQ(CXMLElement("a", 1.5).GetText(), "1.5");
    std::locale::global(old);

    // A cut never splits a UTF-8 character: 62 bytes + a 2-byte character keeps 62 bytes.
    const std::string accented = std::string(62, 'n') + "\xC3\xA9" + "tail";
    EXPECT_EQ(std::string(CXMLElement(accented.c_str(), "").GetName().c_str()),
              std::string(62, 'n'));
    EXPECT_EQ(std::string(CutElementName((std::string(61, 'n') + "\xC3\xA9").c_str()).c_str()),
              std::string(61, 'n') + "\xC3\xA9");
    EXPECT_TRUE(CutElementName(nullptr).empty());
    const std::string longName(70, 'n');
    EXPECT_EQ(std::string(CXMLElement(longName.c_str(), "").GetName().c_str()),
              std::string(63, 'n'));
}

TEST(XMLElement, AttributesAreKeptAsRecordsInTheirOrder) {
    CXMLElement e("e", "");
    e.AddAttrib("a", "1");
    e.AddAttrib("b", 42);
    e.AddAttrib("c", 0.25F);
    EXPECT_EQ(e.GetAttribString(), "a=\"1\"\rb=\"42\"\rc=\"0.25000\"\r");
}

// SetAttrib replaces in place; AddAttrib of an existing name appends a second record.
TEST(XMLElement, SetReplacesInPlaceAndAddAppendsASecondRecord) {
    CXMLElement e("e", "");
    e.AddAttrib("a", "1");
    e.AddAttrib("b", 42);
    e.AddAttrib("c", 0.25F);
    e.SetAttrib("a", "long value");
    e.SetAttrib("d", -7);
    e.AddAttrib("b", "second");
    EXPECT_EQ(e.GetAttribString(),
              "a=\"long value\"\rb=\"42\"\rc=\"0.25000\"\rd=\"-7\"\rb=\"second\"\r");
    int b = 0;
    EXPECT_TRUE(e.GetAttrib("b", b));
    EXPECT_EQ(b, 42);
}

TEST(XMLElement, AValuePositionIsFoundByItsName) {
    CXMLElement e("e", "");
    e.AddAttrib("a", "1");
    e.AddAttrib("c", 0.25F);
    unsigned int begin = 0;
    unsigned int end = 0;
    ASSERT_TRUE(e.FindAttribValuePosition("c", begin, end));
    EXPECT_EQ(e.GetAttribString().substr(begin, end - begin), "0.25000");
    EXPECT_FALSE(e.FindAttribValuePosition("missing", begin, end));
}

// A name must match whole, not as the tail of another name.
TEST(XMLElement, AnAttributeNameMatchesWholeNotAsATail) {
    CXMLElement e("e", "");
    e.AddAttrib("xid", "1");
    EXPECT_FALSE(e.AttribExists("id"));
    EXPECT_FALSE(e.AttribExists(nullptr));
}

TEST(XMLElement, TextTargetsAreCutToTheirSizeAndClearedWhenMissing) {
    CXMLElement e("e", "");
    e.SetAttrib("a", "long value");
    std::string s = "junk";
    EXPECT_FALSE(e.GetAttrib("missing", s));
    EXPECT_EQ(s, "");
    KCFixedString<3> small("zz");
    EXPECT_TRUE(e.GetAttrib("a", small));
    EXPECT_EQ(std::string(small.c_str()), "lon");
    EXPECT_FALSE(e.GetAttrib("missing", small));
    EXPECT_TRUE(small.empty());
}

TEST(XMLElement, ANumberThatDoesNotFitOrParseLeavesItsTarget) {
    CXMLElement e("e", "");
    e.SetAttrib("a", "long value");
    e.AddAttrib("c", 0.25F);
    float f = 0;
    EXPECT_TRUE(e.GetAttrib("c", f));
    EXPECT_FLOAT_EQ(f, 0.25F);
    short sh = 5;
    e.SetAttrib("big", 70000);
    EXPECT_FALSE(e.GetAttrib("big", sh));
    EXPECT_EQ(sh, 5);
    int i = 5;
    EXPECT_FALSE(e.GetAttrib("a", i));  // not a number
    EXPECT_EQ(i, 5);
}

TEST(XMLElement, TheIDReadsAsANumberOrAsText) {
    CXMLElement e("e", "");
    e.SetAttrib("ID", 12);
    int id = 0;
    KCFixedString<15> idText;
    EXPECT_TRUE(e.GetID(id));
    EXPECT_TRUE(e.GetID(idText));
    EXPECT_EQ(id, 12);
    EXPECT_EQ(std::string(idText.c_str()), "12");
}

TEST(XMLElement, AttributeTextSplitsIntoPairsAndBack) {
    CXMLElement e("e", "");
    e.AddAttrib("a", "1");
    e.AddAttrib("b", 42);
    e.AddAttrib("c", 0.25F);
    e.SetAttrib("a", "long value");
    e.SetAttrib("d", -7);
    e.AddAttrib("b", "second");
    e.AddAttrib("xid", "1");
    e.SetAttrib("big", 70000);
    e.SetAttrib("ID", 12);
    KTAttribVec pairs;
    StringToAttribVec(e.GetAttribString(), pairs);
    ASSERT_EQ(pairs.size(), 8U);
    EXPECT_EQ(std::string(pairs[4].second.c_str()), "second");
    std::string rebuilt;
    AttribVecToString(pairs, rebuilt);
    EXPECT_EQ(rebuilt, e.GetAttribString());
    std::vector<std::pair<std::string, std::string>> stdPairs;
    StringToAttribStdStringVec(e.GetAttribString(), stdPairs);
    ASSERT_EQ(stdPairs.size(), 8U);
    EXPECT_EQ(stdPairs[0], (std::pair<std::string, std::string>("a", "long value")));
}

CXMLElement* Node(const char* name, int children, const char* childName = "c") {
    auto* e = new CXMLElement(name, "");
    for (int i = 0; i < children; ++i) {
        e->push_back(new CXMLElement(childName, std::to_string(i).c_str()));
    }
    return e;
}

TEST(XMLElement, ChildrenCountsAndPromotion) {
    CXMLElement root("root", "");
    root.push_back(Node("a", 3));
    root.push_sub_element(Node("b", 3));
    root.push_back(nullptr);
    EXPECT_EQ(root.CountSubElements(0), 0);
    EXPECT_EQ(root.CountSubElements(1), 2);
    EXPECT_EQ(root.CountSubElements(2), 8);
    EXPECT_EQ(root.CountSubElements(5), 8);

    EXPECT_EQ(root.SubElement("b"), root.GetSubElements()[1]);
    EXPECT_EQ(root.SubElement("B"), nullptr);
    EXPECT_EQ(root.SubElement(nullptr), nullptr);
    EXPECT_STREQ(root.GetSubElements()[0]->SubElementText("c"), "0");
    EXPECT_EQ(root.SubElementText("zz"), nullptr);

    root.PromoteSubElements();
    ASSERT_EQ(root.GetSubElements().size(), 6U);
    EXPECT_EQ(root.GetSubElements()[3]->GetText(), "0");
    EXPECT_EQ(root.CountSubElements(2), 6);

    root.SetCDATA(true);
    root.AddAttrib("x", "1");
    root.Clear();
    EXPECT_TRUE(root.GetName().empty());
    EXPECT_TRUE(root.GetSubElements().empty());
    EXPECT_TRUE(root.GetAttribString().empty());
    EXPECT_FALSE(root.IsCDATA());
}

TEST(XMLElement, AddSubElementAppendsNamedChildWithText) {
    const std::string longName(70, 'n');
    struct Case {
        const char* name;
        std::string text;
        std::string expectedName;
    };
    const Case cases[] = {
        {"Plain", "", "Plain"},
        {"WithText", "some text", "WithText"},
        {"Blank", "  kept as given  ", "Blank"},
        {"Nul", std::string("a\0b", 3), "Nul"},         // the whole view, past a NUL
        {longName.c_str(), "x", std::string(63, 'n')},  // cut like every element name
        {nullptr, "no name", ""},
    };
    CXMLElement parent("parent", "parent text");
    parent.AddAttrib("keep", "1");
    std::size_t count = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expectedName);
        CXMLElement* child = parent.AddSubElement(c.name, c.text);
        ASSERT_NE(child, nullptr);
        ++count;
        ASSERT_EQ(parent.GetSubElements().size(), count);
        EXPECT_EQ(parent.GetSubElements().back(), child);  // appended last, returned as stored
        EXPECT_EQ(std::string(child->GetName().c_str()), c.expectedName);
        EXPECT_EQ(child->GetText(), c.text);
        EXPECT_TRUE(child->GetSubElements().empty());
        EXPECT_TRUE(child->GetAttribString().empty());
    }
    // The parent itself is untouched, and a child can take children of its own.
    EXPECT_EQ(parent.GetText(), "parent text");
    EXPECT_EQ(parent.GetAttribString(), "keep=\"1\"\r");
    EXPECT_TRUE(parent.IsValid());
    CXMLElement* nested = parent.GetSubElements().front()->AddSubElement("Inner");
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(parent.CountSubElements(2), static_cast<int>(count) + 1);
    EXPECT_STREQ(parent.SubElement("WithText")->GetText().c_str(), "some text");
}

TEST(XMLElement, CopiesCloneAndMovesTakeOver) {
    CXMLElement original("root", "t");
    original.AddAttrib("k", "v");
    original.push_back(Node("a", 2));
    CXMLElement copy(original);
    ASSERT_EQ(copy.GetSubElements().size(), 1U);
    EXPECT_NE(copy.GetSubElements()[0], original.GetSubElements()[0]);
    EXPECT_EQ(copy.GetSubElements()[0]->GetSubElements()[1]->GetText(), "1");
    EXPECT_EQ(copy.GetAttribString(), original.GetAttribString());

    CXMLElement assigned("x", "");
    assigned.push_back(Node("old", 1));
    assigned = original;
    EXPECT_EQ(assigned.CountSubElements(3), 3);
    const CXMLElement& same = assigned;  // through a reference, as self-assignment happens in use
    assigned = same;                     // self-assignment keeps everything
    EXPECT_EQ(assigned.CountSubElements(3), 3);

    CXMLElement* child = original.GetSubElements()[0];
    CXMLElement moved(std::move(original));
    EXPECT_EQ(moved.GetSubElements()[0], child);
    EXPECT_TRUE(original.GetSubElements().empty());  // NOLINT(bugprone-use-after-move)
    CXMLElement target;
    target = std::move(moved);
    EXPECT_EQ(target.GetSubElements()[0], child);
    EXPECT_EQ(std::string(target.GetName().c_str()), "root");
    EXPECT_EQ(target.GetError(), eNoErr);
}

// Elements made while a bulk allocation is in use lie one after another in its blocks; they are
// still deleted one by one, in any order and after the allocation itself is gone.
TEST(XMLElementBulk, ElementsOfOneScopeShareBlocksAndAreDeletedOneByOne) {
    constexpr int kElements = 1000;  // several blocks
    auto root = std::make_unique<CXMLElement>("root", "");
    std::vector<CXMLElement*> made;
    {
        CXMLElement::KSBulkAllocation allocation;
        const CXMLElement::KSBulkAllocation::KSUse use(allocation);
        for (int i = 0; i < kElements; ++i) {
            made.push_back(new CXMLElement("e", std::to_string(i).c_str()));
            made.back()->AddAttrib("i", i);
            root->push_back(made.back());
        }
    }
    const auto at = [&](int i) { return reinterpret_cast<std::uintptr_t>(made[i]); };
    const std::uintptr_t stride = at(1) - at(0);
    EXPECT_GE(stride, sizeof(CXMLElement));
    for (int i = 1; i < 100; ++i) {
        EXPECT_EQ(at(i) - at(i - 1), stride) << i;
    }
    // Every other child leaves the tree and is deleted on its own, the rest go with the tree.
    std::vector<CXMLElement*> kept;
    for (int i = 0; i < kElements; ++i) {
        if (i % 2 == 0) {
            delete made[i];
        } else {
            kept.push_back(made[i]);
        }
    }
    auto other = std::make_unique<CXMLElement>("other", "");
    for (CXMLElement* e : kept) {
        other->push_back(e);
    }
    // Now owned by the new trees: the old parent lets go without deleting them (the tree has
    // no call for that).
    const_cast<std::vector<CXMLElement*>&>(root->GetSubElements()).clear();
    root.reset();
    ASSERT_EQ(other->GetSubElements().size(), kept.size());
    EXPECT_EQ(other->GetSubElements().back()->GetText(), std::to_string(kElements - 1));
    // A deep copy of a bulk element is an ordinary one.
    CXMLElement copy(*other);
    other.reset();
    EXPECT_EQ(copy.GetSubElements().size(), kept.size());
    int value = -1;
    EXPECT_TRUE(copy.GetSubElements()[0]->GetAttrib("i", value));
    EXPECT_EQ(value, 1);
}

TEST(XMLElementBulk, NestedScopesRestoreTheOuterAllocation) {
    CXMLElement::KSBulkAllocation outer;
    CXMLElement::KSBulkAllocation inner;
    std::vector<std::unique_ptr<CXMLElement>> made;
    {
        const CXMLElement::KSBulkAllocation::KSUse useOuter(outer);
        made.emplace_back(new CXMLElement("a", ""));
        made.emplace_back(new CXMLElement("b", ""));
        {
            const CXMLElement::KSBulkAllocation::KSUse useInner(inner);
            made.emplace_back(new CXMLElement("inner", ""));
        }
        made.emplace_back(new CXMLElement("c", ""));
    }
    const auto at = [&](std::size_t i) { return reinterpret_cast<std::uintptr_t>(made[i].get()); };
    const std::uintptr_t stride = at(1) - at(0);
    EXPECT_EQ(at(3) - at(1), stride) << "the outer allocation continues after the inner scope";
    EXPECT_NE(at(2) - at(1), stride);
    // Without a scope, elements are allocated one by one and still deleted the same way.
    auto alone = std::make_unique<CXMLElement>("alone", "text");
    EXPECT_EQ(alone->GetText(), "text");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::XML
