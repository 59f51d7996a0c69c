// The scan filter's XML form (every element, unreadable values) and its acceptance rules; the
// reject reason texts and the category names.
#include "korvane/scan/scan_filter.h"

#include "korvane/fm/fm_test_support.h"
#include "korvane/scan/scan_types.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::KSC {
namespace {

KCScanFilter FromText(const std::string& text, KTErr expected = eNoErr) {
    KCScanFilter filter;
    EXPECT_EQ(filter.ReadFromXMLBytes(text.data(), static_cast<unsigned int>(text.size())),
              expected);
    return filter;
}

TEST(ScanFilter, ReadsEveryElementAndWritesThemBack) {
    const KCScanFilter filter = FromText(
        "<ScanFilter><Thng>KvEQ</Thng><Thng>KvDy</Thng><SubComp>ster</SubComp>"
        "<Affiliation>Kvne</Affiliation><Affiliation>Prtn</Affiliation>"
        "<Version Minimal=\"10.0\" Maximal=\"10.9.1.2\"/><APIVersion Minimal=\"1\" "
        "Maximal=\"2.5\"/>"
        "<PluginFolderHint>V10PluginFolder</PluginFolderHint><ScanDepth>4</ScanDepth>"
        "<CheckInternalVersions>false</CheckInternalVersions>"
        "<DisplayPluginsLocateDialog>yes</DisplayPluginsLocateDialog>"
        "<BranchName>release-10</BranchName></ScanFilter>");
    EXPECT_EQ(filter.GetComponentTypes(),
              (std::vector<KCFourCC>{KCFourCC("KvEQ"), KCFourCC("KvDy")}));
    EXPECT_EQ(filter.GetSubcomponents(), std::vector<KCFourCC>{KCFourCC("ster")});
    EXPECT_EQ(filter.GetAffiliationVector(),
              (std::vector<KCFourCC>{KCFourCC("Kvne"), KCFourCC("Prtn")}));
    EXPECT_TRUE(filter.GetMinAllowedInternalVersion() == KCVersion(10));
    EXPECT_TRUE(filter.GetMaxAllowedInternalVersion() == KCVersion(10, 9, 1, 2));
    EXPECT_TRUE(filter.GetMinAllowedAPIVersion() == KCVersion(1));
    EXPECT_TRUE(filter.GetMaxAllowedAPIVersion() == KCVersion(2, 5));
    EXPECT_EQ(filter.GetPluginFolderIndicator(), "V10PluginFolder");
    EXPECT_EQ(filter.GetFolderSearchDepth(), 4);
    EXPECT_FALSE(filter.GetCheckInternalVersions());
    EXPECT_TRUE(filter.ShouldDisplayPluginsLocateDialog());
    EXPECT_EQ(filter.GetBranchName(), "release-10");

    XML::CXMLElement written("ScanFilter", "");
    filter.WriteToXML(&written);
    KCScanFilter back;
    back.ReadFromXML(&written);
    XML::CXMLElement again("ScanFilter", "");
    back.WriteToXML(&again);
    std::string a;
    std::string b;
    XML::CXMLTreeBuilder(written).WriteToString(a);
    XML::CXMLTreeBuilder(again).WriteToString(b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(back.GetComponentTypes(), filter.GetComponentTypes());
    EXPECT_TRUE(back.GetMaxAllowedInternalVersion() == KCVersion(10, 9, 1, 2));
    EXPECT_EQ(back.GetFolderSearchDepth(), 4);
    EXPECT_FALSE(back.GetCheckInternalVersions());
    EXPECT_EQ(back.GetBranchName(), "release-10");
}

TEST(ScanFilter, UnreadableValuesFallBackAndMalformedDocumentsChangeNothing) {
    const KCScanFilter filter = FromText(
        "<ScanFilter><Thng>toolong</Thng><ScanDepth>deep</ScanDepth>"
        "<CheckInternalVersions>maybe</CheckInternalVersions></ScanFilter>");
    EXPECT_EQ(filter.GetComponentTypes(), std::vector<KCFourCC>{KCFourCC("????")});
    EXPECT_EQ(filter.GetFolderSearchDepth(), kDefaultScanDepth);
    EXPECT_TRUE(filter.GetCheckInternalVersions());
    EXPECT_EQ(FromText("<ScanFilter><ScanDepth>99999999999</ScanDepth></ScanFilter>")
                  .GetFolderSearchDepth(),
              kMaxScanDepth);
    EXPECT_EQ(FromText("<ScanFilter><ScanDepth>-3</ScanDepth></ScanFilter>").GetFolderSearchDepth(),
              0);

    KCScanFilter kept;
    kept.AddComponentType(KCFourCC("KvEQ"));
    kept.SetPrivateScanViewResID(7);
    kept.SetLinuxProcessCode64Required(true);
    kept.SetShouldGetScanFromRedis(true);
    KCScanFilter reread = kept;
    XML::CXMLElement empty("ScanFilter", "");
    reread.ReadFromXML(&empty);
    EXPECT_TRUE(reread.GetComponentTypes().empty());
    EXPECT_EQ(reread.GetPrivateScanViewResID(), 7);
    EXPECT_TRUE(reread.GetLinuxProcessCode64Required());
    EXPECT_TRUE(reread.ShouldGetScanFromRedis());
    const std::string broken = "<ScanFilter><Thng>Othr</Thng>";
    EXPECT_EQ(kept.ReadFromXMLBytes(broken.data(), static_cast<unsigned int>(broken.size())),
              eXMLParserFailed);
    EXPECT_EQ(kept.GetComponentTypes(), std::vector<KCFourCC>{KCFourCC("KvEQ")});

    FM::testing::TempFolder tmp;
    EXPECT_NE(kept.ReadFromXMLFile(FM::KCStPath(tmp.Path("missing.xml").c_str())), eNoErr);
    const std::string file = tmp.Write("filter.xml", "<ScanFilter><Thng>KvDy</Thng></ScanFilter>");
    EXPECT_EQ(kept.ReadFromXMLFile(FM::KCStPath(file.c_str())), eNoErr);
    EXPECT_EQ(kept.GetComponentTypes(), std::vector<KCFourCC>{KCFourCC("KvDy")});
}

TEST(ScanFilter, AcceptanceRules) {
    KCScanFilter filter;
    KorvaneComponentInfo info;
    info.componentType = KCFourCC("KvEQ");
    info.componentSubType = KCFourCC("mono");
    info.pluginInternalVersion = KCVersion(10, 2);
    info.pluginAPIVersion = KCVersion(3);
    // An empty filter accepts everything.
    EXPECT_TRUE(filter.IsAllowed(info));
    EXPECT_TRUE(filter.IsAffiliated({}));
    EXPECT_TRUE(filter.IsCompatibleVersion(info));

    filter.AddComponentType(KCFourCC("KvDy"));
    EXPECT_FALSE(filter.IsAllowed(info));
    filter.AddComponentType(KCFourCC("KvEQ"));
    EXPECT_TRUE(filter.IsAllowed(info));
    filter.AddSubcomponent(KCFourCC("ster"));
    EXPECT_FALSE(filter.IsAllowed(info));
    filter.AddSubcomponent(KCFourCC("mono"));
    EXPECT_TRUE(filter.IsAllowed(info));
    filter.RemoveComponentType(KCFourCC("KvEQ"));
    EXPECT_FALSE(filter.HasComponentType(KCFourCC("KvEQ")));

    filter.AddAffiliation(KCFourCC("Kvne"));
    EXPECT_FALSE(filter.IsAffiliated({}));
    EXPECT_FALSE(filter.IsAffiliated({KCFourCC("Othr")}));
    EXPECT_TRUE(filter.IsAffiliated({KCFourCC("Othr"), KCFourCC("Kvne")}));

    filter.SetMinAllowedInternalVersion(KCVersion(10, 2));
    filter.SetMaxAllowedInternalVersion(KCVersion(10, 2));
    EXPECT_TRUE(filter.IsCompatibleVersion(info));
    filter.SetMinAllowedInternalVersion(KCVersion(10, 2, 0, 1));
    EXPECT_FALSE(filter.IsCompatibleVersion(info));
    filter.SetMinAllowedInternalVersion(KCVersion());
    filter.SetMaxAllowedAPIVersion(KCVersion(2, 9));
    EXPECT_FALSE(filter.IsCompatibleVersion(info));
}

TEST(ScanRejectReasons, EveryBitHasItsTextAndSetsAreBracketed) {
    const std::vector<std::pair<unsigned int, const char*>> table = {
        {0, "Not rejected"},
        {2, "Not a bundle"},
        {3, "Not a plugin"},
        {4, "Corrupt plugin"},
        {5, "Not affiliated"},
        {6, "No version found"},
        {7, "Incompatible internal version"},
        {9, "Incompatible version"},
        {12, "Incompatible platform"},
        {13, "No compatible hardware"},
        {14, "No compatible Sub-Component"},
        {15, "Not a KPAPI"},
        {18, "ScanView include filter"},
        {19, "ScanView exclude filter"},
        {20, "ScanView exclude_guid filter"},
        {1, "Unknown"},
        {8, "Unknown"},
        {31, "Unknown"}};
    KCFixedString<63> text;
    for (const auto& [bit, expected] : table) {
        ScanRejectReasonText(bit, text);
        EXPECT_EQ(text, expected) << bit;
    }
    KTRejectBits bits;
    ScanRejectReasonsToText(bits, text);
    EXPECT_EQ(text, "");
    bits.Set(eScanNotAffiliated);
    bits.Set(eScanNotAPlugin);
    ScanRejectReasonsToText(bits, text);
    EXPECT_EQ(text, "[Not a plugin] [Not affiliated]");
    bits.Set(30);
    ScanRejectReasonsToText(bits, text);
    EXPECT_EQ(text, "[Not a plugin] [Not affiliated] [Unknown]");
}

TEST(PlugInCategories, NamesInOrderAndBack) {
    const std::vector<std::string> names = {
        "None",          "Dynamics",   "PitchShift",   "Reverb",
        "Delay",         "Modulation", "Harmonic",     "NoiseReduction",
        "Dither",        "SoundField", "HWGenerators", "SWGenerators",
        "WrappedPlugin", "Effect",     "Internal",     "Undefined"};
    std::vector<std::string> seen;
    for (auto c = PlugInCategory::Begin(); c != PlugInCategory::End(); ++c) {
        seen.emplace_back(GetNameFromCategory(c));
        EXPECT_EQ(GetCategoryFromName(GetNameFromCategory(c)), c);
    }
    EXPECT_EQ(seen, names);
    EXPECT_EQ(GetCategoryFromName("reverb"), ePlugInCategoryUndefined);
    EXPECT_STREQ(GetNameFromCategory(static_cast<PlugInCategory_type>(40)), "Undefined");

    XML::CXMLElement list("Categories", "");
    list.AddSubElement("Category", "Delay");
    list.AddSubElement("Category", "Bogus");
    list.AddSubElement("Other", "Reverb");
    list.AddSubElement("Category", "Effect");
    std::vector<PlugInCategory_type> read;
    ReadCategoriesFromXML(&list, read);
    EXPECT_EQ(read,
              (std::vector<PlugInCategory_type>{ePlugInCategoryDelay, ePlugInCategoryEffect}));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::KSC
