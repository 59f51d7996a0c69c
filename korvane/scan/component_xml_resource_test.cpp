// A component's XML resource: the sub-type variant when the container holds one, the plain
// resource otherwise, parsed into an element tree.
#include "korvane/scan/component_xml_resource.h"

#include "korvane/fm/fm_test_support.h"
#include "korvane/rm/res_variant.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3::RM {
namespace {

class ComponentXMLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Init(0, "test"), eNoErr);
        tmp.Write("P.bundle/Contents/Resources/extensions.txt", "XML_ xml");
        tmp.Write("P.bundle/Contents/Resources/XML_/Info.xml", "<Info kind=\"plain\"/>");
        tmp.Write("P.bundle/Contents/Resources/XML_/Info?abcd.xml", "<Info kind=\"abcd\"/>");
        tmp.Write("P.bundle/Contents/Resources/XML_/Bad.xml", "<Info kind=");
        tmp.Write("P.bundle/Contents/Resources/XML_/Bad?abcd.xml", "<Info kind=\"ok\"/>");
        tmp.Write("P.bundle/Contents/Resources/XML_/Empty.xml", "");
        ASSERT_EQ(OpenResContainer(FM::KCStPath(tmp.Path("P.bundle").c_str()), 0, container),
                  eNoErr);
    }
    void TearDown() override { EXPECT_EQ(Dispose(), eNoErr); }

    std::string Kind(const char* name, KCFourCC subType, KTErr expected = eNoErr) {
        KorvaneComponentInfo info;
        info.componentSubType = subType;
        XML::CXMLElement root("Previous", "");
        EXPECT_EQ(
            GetAndFilterXMLResourceByComponentInfo(container, KCResKey("XML_", name), info, root),
            expected)
            << name;
        std::string kind;
        root.GetAttrib("kind", kind);
        return std::string(root.GetName().c_str()) + ":" + kind;
    }

    FM::testing::TempFolder tmp;
    KTResContainerType* container = nullptr;
};

TEST_F(ComponentXMLTest, VariantForTheSubTypeElseThePlainResource) {
    EXPECT_EQ(Kind("Info", KCFourCC("abcd")), "Info:abcd");
    EXPECT_EQ(Kind("Info", KCFourCC("wxyz")), "Info:plain");
    EXPECT_EQ(Kind("Info", KCFourCC()), "Info:plain");  // no sub-type
    // A sub-type whose characters cannot name a file never selects a variant.
    EXPECT_TRUE(SubTypeQualifier(KCFourCC("a/cd")).empty());
    EXPECT_TRUE(SubTypeQualifier(KCFourCC(0x61000000u)).empty());
    EXPECT_STREQ(SubTypeQualifier(KCFourCC("abcd")).c_str(), "abcd");

    // The variant is chosen before parsing: a broken plain resource does not matter to it.
    EXPECT_EQ(Kind("Bad", KCFourCC("abcd")), "Info:ok");
    // Failures leave the caller's tree as it was.
    EXPECT_EQ(Kind("Bad", KCFourCC("wxyz"), eXMLParserFailed), "Previous:");
    EXPECT_EQ(Kind("Empty", KCFourCC("wxyz"), eInvalidFileFormatProblem), "Previous:");
    EXPECT_EQ(Kind("Missing", KCFourCC("abcd"), eRMResNotFound), "Previous:");

    KorvaneComponentInfo info;
    info.componentSubType = KCFourCC("abcd");
    Utils::KCStMemObj bytes;
    KCResKey chosen;
    ASSERT_EQ(GetXMLResourceBytesByComponentInfo(container, KCResKey("XML_", "Info"), info, bytes,
                                                 &chosen),
              eNoErr);
    EXPECT_STREQ(chosen.GetQualifier().c_str(), "abcd");
    EXPECT_EQ(std::string(static_cast<char*>(bytes.ptr), bytes.size), "<Info kind=\"abcd\"/>");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::RM
