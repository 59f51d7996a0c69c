#include "korvane/gs/text_object.h"

#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

TEST(TextObject, AlignmentNamesMapToTheStreamCodes) {
    kvGS::KTGSCode code = 0;
    ASSERT_TRUE(HorizontalAlignmentFromName("Left", code));
    EXPECT_EQ(code, kvGS::MakeGSCode('t', 'f', 'l', 'h'));
    ASSERT_TRUE(HorizontalAlignmentFromName("Right", code));
    EXPECT_EQ(code, kvGS::MakeGSCode('t', 'i', 'r', 'h'));
    ASSERT_TRUE(HorizontalAlignmentFromName("Center", code));
    EXPECT_EQ(code, kvGS::MakeGSCode('r', 't', 'c', 'h'));
    ASSERT_TRUE(VerticalAlignmentFromName("Top", code));
    EXPECT_EQ(code, kvGS::MakeGSCode('p', 'o', 't', 'v'));
    ASSERT_TRUE(VerticalAlignmentFromName("Bottom", code));
    EXPECT_EQ(code, kvGS::MakeGSCode('m', 't', 'b', 'v'));
    ASSERT_TRUE(VerticalAlignmentFromName("Center", code));
    EXPECT_EQ(code, kvGS::MakeGSCode('r', 't', 'c', 'v'));
    // A vertical name is no horizontal one, and the code stays.
    EXPECT_FALSE(HorizontalAlignmentFromName("Top", code));
    EXPECT_FALSE(VerticalAlignmentFromName("left", code));
    EXPECT_EQ(code, kvGS::eGSVCenter);
    EXPECT_STREQ(HorizontalAlignmentName(kvGS::eGSRight), "Right");
    EXPECT_STREQ(VerticalAlignmentName(kvGS::eGSBottom), "Bottom");
    EXPECT_STREQ(VerticalAlignmentName(kvGS::eGSLeft), "Center");
}

TEST(TextObject, StyleRoundTripsThroughXMLText) {
    KCTextObject text;
    text.font.color = KCRGBAColor{10, 20, 30, 40};
    text.hAlign = kvGS::eGSRight;
    text.vAlign = kvGS::eGSTop;
    XML::CXMLElement e("TextItem", "");
    WriteTextObjectStyleToXML(e, text);
    std::string xml;
    XML::AppendXML(xml, e, false, false, 0);
    EXPECT_NE(xml.find("Horizontal=\"Right\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("Vertical=\"Top\""), std::string::npos) << xml;

    XML::CXMLElement parsed;
    XML::CXMLTreeBuilder builder(parsed);
    ASSERT_EQ(builder.BuildFromSingleBuffer(xml.data(), static_cast<unsigned int>(xml.size())),
              eNoErr);
    KCTextObject read;
    ASSERT_EQ(ReadTextObjectStyleFromXML(parsed, read), eNoErr);
    EXPECT_EQ(read, text);
}

TEST(TextObject, ReadingKeepsWhatIsMissingOrUnknown) {
    KCTextObject text;
    text.font.color = KCRGBAColor{1, 2, 3, 4};
    text.hAlign = kvGS::eGSLeft;
    text.vAlign = kvGS::eGSBottom;
    XML::CXMLElement e("TextItem", "");
    XML::CXMLElement* align = e.AddSubElement("Alignment");
    align->SetAttrib("Horizontal", "Sideways");
    align->SetAttrib("Vertical", "Top");
    XML::CXMLElement* color = e.AddSubElement("Color");
    color->SetAttrib("red", 200);  // incomplete: the colour is kept whole
    EXPECT_EQ(ReadTextObjectStyleFromXML(e, text), eOutOfRangeNumber);
    EXPECT_EQ(text.hAlign, kvGS::eGSLeft);
    EXPECT_EQ(text.vAlign, kvGS::eGSTop);
    EXPECT_EQ(text.font.color, (KCRGBAColor{1, 2, 3, 4}));

    KCTextObject untouched = text;
    EXPECT_EQ(ReadTextObjectStyleFromXML(XML::CXMLElement("Empty", ""), untouched), eNoErr);
    EXPECT_EQ(untouched, text);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
