// The component list: look-ups, removals, ordering, naming rules and its XML form with the
// fields a scan adds.
#include "korvane/scan/component_info_list.h"

#include "korvane/core/four_cc.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

KorvaneComponentInfo Component(const char* name, const char* type, const char* sub, int index) {
    KorvaneComponentInfo info;
    info.shortName = name;
    info.componentType = *ParseFourCC(type);
    info.componentSubType = *ParseFourCC(sub);
    info.componentAffiliation = KCFourCC("Kvne");
    info.subComponentIndex = index;
    return info;
}

std::vector<std::string> Names(const KCKorvaneComponentInfoList& list) {
    std::vector<std::string> out;
    for (const auto& c : list) {
        out.push_back(std::string(c.shortName.c_str()) + "/" + FormatFourCC(c.componentSubType));
    }
    return out;
}

TEST(ComponentInfoList, LookupsRemovalsAndOrder) {
    KCKorvaneComponentInfoList list;
    list.Add(Component("EQ", "KvEQ", "ster", 1));
    list.Add(Component("Dyn", "KvDy", "mono", 0));
    list.Add(Component("EQ", "KvEQ", "mono", 0));
    KCKorvaneComponentInfoList more;
    more.Add(Component("Amp", "KvAm", "ster", 0));
    list.Add(more);
    ASSERT_EQ(list.GetNumComponents(), 4);

    EXPECT_EQ(list.GetKorvaneComponentIndex(KCFourCC("KvEQ")), 0);
    EXPECT_EQ(list.GetKorvaneComponentIndex(KCFourCC("none")), -1);
    EXPECT_EQ(list.GetKorvaneComponentIndexByID(
                  KCPluginUniqueID(KCFourCC("KvEQ"), KCFourCC("mono"), KCFourCC("Kvne"))),
              2);
    EXPECT_EQ(list.GetKorvaneComponentIndexByID(
                  KCPluginUniqueID(KCFourCC("KvEQ"), KCFourCC("mono"), KCFourCC("Othr"))),
              -1);
    KorvaneComponentInfo found;
    EXPECT_TRUE(list.GetKorvaneComponentInfo(KCFourCC("KvDy"), KCFourCC("mono"), found));
    EXPECT_EQ(found.shortName, "Dyn");
    EXPECT_FALSE(list.GetKorvaneComponentInfo(KCFourCC("KvDy"), KCFourCC("ster"), found));
    EXPECT_EQ(list.GetKorvaneComponentInfo(4), nullptr);
    EXPECT_EQ(list.GetKorvaneComponentInfo(-1), nullptr);

    list.Sort();
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{"Amp/ster", "Dyn/mono", "EQ/mono", "EQ/ster"}));

    EXPECT_EQ(list.RemoveSubComponentInfo(KCFourCC("mono")), 2);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Amp/ster", "EQ/ster"}));
    EXPECT_EQ(list.FilterOut(KCFourCC("KvAm")), 1);
    EXPECT_FALSE(list.RemoveKorvaneComponentInfo(1));
    EXPECT_TRUE(list.RemoveKorvaneComponentInfo(0));
    EXPECT_TRUE(list.Empty());
}

TEST(ComponentInfoList, NamingRules) {
    KCKorvaneComponentInfoList list;
    const std::vector<std::pair<int, int>> io = {{1, 1}, {2, 2}, {1, 2}, {6, 2}, {0, 2}};
    for (const auto& [in, out] : io) {
        KorvaneComponentInfo c = Component("EQ", "KvEQ", "ster", 0);
        c.numInputs = in;
        c.numOutputs = out;
        list.Add(c);
    }
    list.AddMonoStereoToNames();
    list.AddMonoStereoToNames();  // never twice
    std::vector<std::string> names;
    for (const auto& c : list) {
        names.emplace_back(c.shortName.c_str());
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"EQ Mono", "EQ Stereo", "EQ Mono/Stereo", "EQ 6x2", "EQ"}));

    list.Add(Component("Dyn", "KvDy", "ster", 0));
    list.AdjustToNetShell(KCFourCC("KvEQ"), eInitPluginForTest, " (Net)");
    EXPECT_EQ(list.GetKorvaneComponentInfo(0)->componentType, KCFourCC("KNet"));
    EXPECT_EQ(list.GetKorvaneComponentInfo(0)->instanceType, eInitPluginForTest);
    EXPECT_EQ(list.GetKorvaneComponentInfo(0)->shortName, "EQ Mono (Net)");
    EXPECT_EQ(list.GetKorvaneComponentInfo(5)->componentType, KCFourCC("KvDy"));
    EXPECT_EQ(list.GetKorvaneComponentInfo(5)->shortName, "Dyn");
}

TEST(ComponentInfoList, XmlKeepsEveryScannedField) {
    KorvaneComponentInfo c = Component("EQ", "KvEQ", "ster", 3);
    c.pluginName = "Korvane EQ bundle";
    c.showSubComp = true;
    c.componentGUID = "KvEQ-ster-Kvne";
    c.numInputs = 2;
    c.numOutputs = 1;
    c.isVirtualInstrument = true;
    ProcessMemory::CProcCodeDesc desc;
    desc.ProcessorFamily = ProcessMemory::eProcessorFamilyx86;
    desc.Coefs = 21;
    desc.TotalInputs = 2;
    desc.Outputs = 1;
    c.compProcCodeDesc.push_back(desc);
    KCKorvaneComponentInfoList list;
    list.Add(c);
    list.Add(Component("Dyn", "KvDy", "mono", 0));

    XML::CXMLElement element("List", "");
    list.WriteToXML(&element);
    ASSERT_EQ(element.GetSubElements().size(), 2U);
    const XML::CXMLElement& first = *element.GetSubElements()[0];
    EXPECT_EQ(first.GetName(), "KorvaneComponentInfo");
    // The descriptions sit right after the instance type.
    const auto& children = first.GetSubElements();
    for (std::size_t i = 0; i + 1 < children.size(); ++i) {
        if (children[i]->GetName() == "ePluginInstanceType") {
            EXPECT_EQ(children[i + 1]->GetName(), "compProcCodeDesc");
            EXPECT_EQ(children[i + 2]->GetName(), "vendorName");
        }
    }

    // Through text, as a report or prescan is read back.
    std::string text;
    XML::CXMLTreeBuilder(element).WriteToString(text);
    XML::CXMLElement parsed;
    XML::CXMLTreeBuilder builder(parsed);
    ASSERT_EQ(builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
              eNoErr);
    KCKorvaneComponentInfoList back;
    back.Add(Component("stale", "KvXX", "ster", 0));
    back.ReadFromXML(&parsed);
    ASSERT_EQ(back.GetNumComponents(), 2);
    EXPECT_TRUE(*back.GetKorvaneComponentInfo(0) == c);
    EXPECT_EQ(back.GetKorvaneComponentInfo(0)->compProcCodeDesc.at(0).Coefs, 21U);
    EXPECT_TRUE(KorvaneComponentInfo::CompareForCachePurpose(*back.GetKorvaneComponentInfo(0), c));
    KorvaneComponentInfo moved = c;
    moved.pluginFilePath = "/elsewhere/EQ.bundle";
    EXPECT_FALSE(KorvaneComponentInfo::CompareForCachePurpose(moved, c));
    KorvaneComponentInfo renamed = c;
    renamed.vendorName = "Other";
    EXPECT_TRUE(KorvaneComponentInfo::CompareForCachePurpose(renamed, c));
    EXPECT_FALSE(renamed == c);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
