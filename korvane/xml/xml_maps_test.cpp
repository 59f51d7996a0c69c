// Tests of the name and attribute indexes and of the path queries.
#include "korvane/xml/xml_maps.h"

#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xpath_utils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::XML {
namespace {

const char* const kDoc =
    "<root>"
    "<Param ID=\"1\" kind=\"gain\"><Name>Gain</Name><Range><Min>0</Min></Range></Param>"
    "<Param ID=\"2\" kind=\"freq\"><Name>Freq</Name></Param>"
    "<Group ID=\"3\"><Param ID=\"4\" kind=\"gain\"><Name>Inner</Name></Param>"
    "<Deep><Param ID=\"5\"><Name>Deepest</Name></Param></Deep></Group>"
    "<Other ID=\"2\"/>"
    "</root>";

void BuildDoc(CXMLElement& root) {
    CXMLTreeBuilder builder(root);
    const std::string doc = kDoc;
    ASSERT_EQ(builder.BuildFromSingleBuffer(doc.data(), static_cast<unsigned int>(doc.size())),
              eNoErr);
}

std::string IDs(const std::vector<CXMLElement*>& elements) {
    std::string out;
    for (const CXMLElement* e : elements) {
        std::string id;
        e->GetAttrib("ID", id);
        out += id.empty() ? std::string(e->GetName().c_str()) : id;
        out += ' ';
    }
    return out;
}

TEST(CMapNames, DepthAndOrder) {
    CXMLElement root;
    BuildDoc(root);
    const CMapNames children(&root, 1);
    EXPECT_EQ(children.GetRoot(), &root);
    EXPECT_EQ(children.Count("Param"), 2);
    EXPECT_EQ(children.Count("Name"), 0);
    EXPECT_EQ(children.FindElement("Group"), root.SubElement("Group"));
    EXPECT_EQ(children.FindNthElement("Param", 1), root.GetSubElements()[1]);
    EXPECT_EQ(children.FindNthElement("Param", 2), nullptr);
    EXPECT_EQ(children.FindElement(nullptr), nullptr);

    const CMapNames all(&root, 10);
    EXPECT_EQ(all.Count("Param"), 4);
    EXPECT_EQ(all.Count("Name"), 4);
    std::vector<CXMLElement*> params;
    EXPECT_EQ(all.FindElements("Param", params), 4);
    EXPECT_EQ(IDs(params), "1 2 4 5 ");
    std::string text;
    EXPECT_EQ(all.GetElementText("Min", text), eNoErr);
    EXPECT_EQ(text, "0");
    EXPECT_EQ(all.GetElementText("Max", text), eXMLElementMissing);
    std::vector<KTElementName> names;
    all.GetNameList(names);
    std::string joined;
    for (const auto& n : names) {
        joined += std::string(n.c_str()) + ",";
    }
    EXPECT_EQ(joined, "Deep,Group,Min,Name,Other,Param,Range,");

    const CMapNames two(&root, 2);
    EXPECT_EQ(two.Count("Name"), 2);
    EXPECT_EQ(two.Count("Min"), 0);
}

TEST(CMapAttrib, UniqueValuesOnly) {
    CXMLElement root;
    BuildDoc(root);
    const CMapAttrib byID("ID", &root);
    ASSERT_NE(byID.FindElement(5), nullptr);
    EXPECT_STREQ(byID.FindElement(5)->SubElementText("Name"), "Deepest");
    EXPECT_EQ(byID.FindElement("3"), root.SubElement("Group"));
    EXPECT_EQ(byID.FindElement(2), nullptr);  // a Param and Other share it
    EXPECT_EQ(byID.FindElement(99), nullptr);
    EXPECT_EQ(byID.FindElement(nullptr), nullptr);
    const CMapAttrib byKind("kind", &root);
    EXPECT_EQ(byKind.FindElement("gain"), nullptr);
    EXPECT_NE(byKind.FindElement("freq"), nullptr);
}

TEST(KCXPathUtils, StepsFiltersAndDepths) {
    CXMLElement root;
    BuildDoc(root);
    std::vector<CXMLElement*> out;
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "Param/Name"), 2);
    EXPECT_EQ(out[1]->GetText(), "Freq");
    out.clear();
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "Param[@kind=\"gain\"]/Name"), 1);
    EXPECT_EQ(out[0]->GetText(), "Gain");
    out.clear();
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "Param[@kind]"), 2);
    out.clear();
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "Param[@kind=\"none\"]"), 0);
    // Any depth, with a filter; the search does not go below an element that matched.
    out.clear();
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "Group//Param"), 2);
    EXPECT_EQ(IDs(out), "4 5 ");
    out.clear();
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "//Param[@kind=\"gain\"]/Name"), 2);
    EXPECT_EQ(out[1]->GetText(), "Inner");
    out.clear();
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "//Name"), 4);
    // A leading separator anchors the first step at the root itself.
    out.clear();
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "/root/Group/Param"), 1);
    out.clear();
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "/Param"), 0);
    out.clear();
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "Group::Deep::Param", "::"), 1);
    // Malformed filters match nothing rather than everything.
    out.clear();
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "Param[kind=\"gain\"]"), 0);
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, "Param[@kind=gain]"), 0);
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, ""), 0);
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, out, nullptr), 0);

    std::vector<std::pair<CXMLElement*, int>> withDepth;
    EXPECT_EQ(KCXPathUtils::GetXPathElements(root, withDepth, "//Param/Name"), 4);
    ASSERT_EQ(withDepth.size(), 4U);
    EXPECT_EQ(withDepth[0].second, 2);
    EXPECT_EQ(withDepth[3].first->GetText(), "Deepest");
    EXPECT_EQ(withDepth[3].second, 4);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::XML
