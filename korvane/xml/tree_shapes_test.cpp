// Tests of tree shapes the writer and the destructor must cope with: trees far deeper than the
// default parse level, elements without a name (what a failed parse leaves), and mixed content.
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_test_support.h"
#include "korvane/xml/xml_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kvKorvaneV10_0_3::XML {
namespace {

using testing::Build;

std::string Nested(unsigned int depth) {
    std::string text;
    text.reserve(static_cast<std::size_t>(depth) * 7);
    for (unsigned int i = 0; i < depth; ++i) {
        text += "<a>";
    }
    text += "x";
    for (unsigned int i = 0; i < depth; ++i) {
        text += "</a>";
    }
    return text;
}

// Far deeper than any call stack holds one frame per level: building, writing, reading the
// written text back and destroying all work.
TEST(DeepTrees, AreWrittenAndDestroyedWithoutRecursion) {
    constexpr unsigned int kDepth = 150000;
    std::string written;
    {
        CXMLElement root;
        ASSERT_EQ(Build(root, Nested(kDepth), 200000), eNoErr);
        AppendXML(written, root, false, false, 0);
    }
    CXMLElement reread;
    ASSERT_EQ(Build(reread, written, 200000), eNoErr);
    unsigned int depth = 1;
    for (const CXMLElement* e = &reread; !e->GetSubElements().empty();
         e = e->GetSubElements().front()) {
        ++depth;
        if (e->GetSubElements().front()->GetSubElements().empty()) {
            EXPECT_EQ(e->GetSubElements().front()->GetText(), "x");
        }
    }
    EXPECT_EQ(depth, kDepth);
}

TEST(DeepTrees, ATreeBuiltByHandIsCopiedAndDestroyedWithoutRecursion) {
    auto root = std::make_unique<CXMLElement>("a", "");
    CXMLElement* last = root.get();
    for (int i = 0; i < 200000 && last != nullptr; ++i) {
        last = last->AddSubElement("a");
    }
    ASSERT_NE(last, nullptr);
    // Copies, assignment and destruction must not overflow the stack.
    const CXMLElement copy(*root);
    CXMLElement assigned;
    assigned = copy;
    root.reset();
    unsigned int depth = 1;
    for (const CXMLElement* e = &assigned; !e->GetSubElements().empty();
         e = e->GetSubElements().front()) {
        ++depth;
    }
    EXPECT_EQ(depth, 200001U);
}

TEST(EmptyNames, AnElementWithoutANameIsNotWritten) {
    // A document cut before its first tag leaves the root without a name.
    CXMLElement nothing;
    CXMLTreeBuilder builder(nothing);
    const std::string cut = "<?xml version=\"1.0\"?>\n<";
    EXPECT_EQ(builder.BuildFromSingleBuffer(cut.data(), static_cast<unsigned int>(cut.size())),
              eXMLParserFailed);
    std::string written;
    ASSERT_EQ(builder.WriteToString(written), eNoErr);
    EXPECT_EQ(written.find("</>"), std::string::npos) << written;
    EXPECT_EQ(written.find("<>"), std::string::npos) << written;

    // Inside a tree, the nameless element and what it holds are left out; its siblings stay.
    CXMLElement root("r", "");
    CXMLElement* nameless = root.AddSubElement("", "lost");
    ASSERT_NE(nameless, nullptr);
    ASSERT_NE(nameless->AddSubElement("inner", "also lost"), nullptr);
    ASSERT_NE(root.AddSubElement("kept", "here"), nullptr);
    std::string tree;
    AppendXML(tree, root, false, true, 0);
    EXPECT_EQ(tree, "<r>\n    <kept>here</kept>\n</r>\n");
}

// The tree holds one text per element: text after a child joins the text before it.
TEST(MixedContent, TextAroundChildrenIsJoinedAheadOfThem) {
    CXMLElement p;
    ASSERT_EQ(Build(p, "<p>Hello <b>bold</b> world</p>"), eNoErr);
    EXPECT_EQ(p.GetText(), "Hello  world");
    ASSERT_EQ(p.GetSubElements().size(), 1U);
    EXPECT_EQ(p.GetSubElements()[0]->GetText(), "bold");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::XML
