// The component record in its XML form, under its own element names.
#include "korvane/scan/component_info.h"

#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(ComponentInfo, XmlRoundTripUnderItsOwnNames) {
    KorvaneComponentInfo info;
    info.pluginType = eKPAPIShell;
    info.pluginFilePath = "/usr/lib/korvane/KvEQ.bundle";
    info.componentType = KCFourCC("KvEQ");
    info.componentSubType = KCFourCC("ster");
    info.componentAffiliation = KCFourCC("Kvne");
    info.shortName = "Korvane EQ";
    info.pluginInternalVersion = KCVersion(10, 0, 3, 1);
    info.instanceType = eInitPluginForTest;
    info.vendorName = "Korvane Audio";
    info.categoryName = "Effect";
    info.pluginExternalVersion = "1.0";

    XML::CXMLElement element("KorvaneComponentInfo", "");
    Write_KorvaneComponentInfo_ToXML(info, &element);
    ASSERT_NE(element.SubElement("PluginType"), nullptr);
    EXPECT_STREQ(element.SubElementText("PluginType"), "KPAPIShell");
    EXPECT_STREQ(element.SubElementText("componentType"), "KvEQ");
    EXPECT_STREQ(element.SubElementText("ePluginInstanceType"), "eInitPluginForTest");

    KorvaneComponentInfo back;
    Read_KorvaneComponentInfo_FromXML(&element, back);
    EXPECT_EQ(back.pluginType, eKPAPIShell);
    EXPECT_EQ(back.pluginFilePath, info.pluginFilePath);
    EXPECT_EQ(back.componentSubType, KCFourCC("ster"));
    EXPECT_EQ(back.componentAffiliation, KCFourCC("Kvne"));
    EXPECT_EQ(back.shortName, "Korvane EQ");
    EXPECT_TRUE(back.pluginInternalVersion == info.pluginInternalVersion);
    EXPECT_EQ(back.instanceType, eInitPluginForTest);
    EXPECT_EQ(back.vendorName, "Korvane Audio");
    EXPECT_EQ(back.pluginExternalVersion, "1.0");
    EXPECT_STREQ(KorvaneComponentInfo::TypeToString(9), "UnknownType");
    EXPECT_STREQ(KorvaneComponentInfo::TypeToString(1), "KorvanePlugin");
}

// A component without sub-component or affiliation has zero codes; its XML text must still be a
// document that parses, and read back as zero over whatever the reader held.
TEST(ComponentInfo, ZeroCodesSurviveTheXmlText) {
    KorvaneComponentInfo info;
    info.componentType = KCFourCC("KvEQ");
    info.shortName = "Korvane EQ";

    XML::CXMLElement element("KorvaneComponentInfo", "");
    Write_KorvaneComponentInfo_ToXML(info, &element);
    std::string text;
    XML::AppendXML(text, element, false, false, 0);
    EXPECT_EQ(text.find('\0'), std::string::npos);

    XML::CXMLElement parsed;
    XML::CXMLTreeBuilder builder(parsed);
    ASSERT_EQ(builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
              eNoErr);
    KorvaneComponentInfo back;
    back.componentSubType = KCFourCC("ster");
    back.componentAffiliation = KCFourCC("Kvne");
    Read_KorvaneComponentInfo_FromXML(&parsed, back);
    EXPECT_EQ(back.componentType, KCFourCC("KvEQ"));
    EXPECT_EQ(back.componentSubType.Value(), 0U);
    EXPECT_EQ(back.componentAffiliation.Value(), 0U);
    EXPECT_TRUE(back == info);

    // Codes written before keep reading as they did.
    XML::CXMLElement older("KorvaneComponentInfo", "");
    older.AddSubElement("componentSubType", "'mono'");
    older.AddSubElement("componentAffiliation", "Kvne");
    Read_KorvaneComponentInfo_FromXML(&older, back);
    EXPECT_EQ(back.componentSubType, KCFourCC("mono"));
    EXPECT_EQ(back.componentAffiliation, KCFourCC("Kvne"));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
