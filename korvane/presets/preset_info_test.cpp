// CPresetInfo: defaults, copies, comparisons and the plug-in-specific data operations with
// their error codes.
#include "korvane/presets/preset_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace kvKorvaneV10_0_3::Preset {
namespace {

TEST(PresetInfo, DefaultsCopiesAndComparisons) {
    CPresetInfo preset;
    EXPECT_EQ(preset.GetGenericType(), kNoGenericType);
    EXPECT_EQ(preset.GetResourceType(), "Presets");
    EXPECT_EQ(preset.GetPresetIndex(), 0xFFFFFFFFU);
    EXPECT_EQ(preset.GetResourceID(), -1);
    EXPECT_EQ(preset.GetSideChainState(), 255);

    preset.SetPresetName("A");
    auto& a = preset.GetOrAddSetupPresetData(eSetupA);
    a.realWorld = {1.0};
    a.realWorldKinds = {eValueNumber};
    EXPECT_EQ(&preset.GetOrAddSetupPresetData(eSetupA), &a) << "found, not added twice";
    CPresetInfo copy(preset);
    EXPECT_NE(copy.GetSetupPresetData(eSetupA), &a) << "copies own their records";
    EXPECT_TRUE(CPresetInfo::IsSamePreset(preset, copy, true));
    copy.GetSetupPresetData(eSetupA)->realWorld[0] = 2.0;
    EXPECT_TRUE(CPresetInfo::IsSamePreset(preset, copy, false));
    EXPECT_FALSE(CPresetInfo::IsSamePreset(preset, copy, true));
    EXPECT_TRUE(CPresetInfo::IsSamePresetName(preset, copy));

    CPresetInfo target;
    target.TakeOver(copy);
    EXPECT_TRUE(copy.GetPresetData().empty());
    ASSERT_NE(target.GetSetupPresetData(eSetupA), nullptr);
    EXPECT_EQ(target.GetSetupPresetData(eSetupA)->realWorld[0], 2.0);
    target.SetAllLoadFlags(false);
    EXPECT_FALSE(target.GetSetupPresetData(eSetupA)->LoadParams());
    target.MembersDefaults();
    EXPECT_TRUE(target.GetPresetName().empty());
    EXPECT_TRUE(target.GetPresetData().empty());

    CPresetInfo low;
    low.SetResourceID(3);
    CPresetInfo high;
    high.SetResourceID(9);
    EXPECT_TRUE(CPresetInfo::CompareIDs(low, high));
    EXPECT_FALSE(CPresetInfo::CompareIDsPtr(&high, &low));
    low.SetFlag(ePresetSeparator, true);
    low.SetFlag(ePresetLocked, true);
    low.SetFlag(ePresetSeparator, false);
    EXPECT_FALSE(low.IsSeperator());
    EXPECT_TRUE(low.IsLocked());
}

// A preset and two tags; AddCurve() stores the "curve" record, numbered 7, in both setups.
class PluginSpecificData : public ::testing::Test {
protected:
    void AddCurve() {
        ASSERT_EQ(preset.AddPluginSpecifcData(eSetupA, bytes, 8, tag, 7, ePluginSpecificBufferLong),
                  eNoErr);
        ASSERT_EQ(preset.AddPluginSpecifcData(eSetupB, bytes, 8, tag, 7, ePluginSpecificBufferLong),
                  eNoErr);
    }

    CPresetInfo preset;
    const KCFixedString<63> tag{"curve"};
    const KCFixedString<63> other{"other"};
    const std::int32_t values[2] = {0x01020304, 0x05060708};
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(values);
};

TEST_F(PluginSpecificData, ATagNameOrNumberIsTakenOncePerSetup) {
    EXPECT_EQ(preset.FindPluginSpecific_Tag(eSetupA, tag), nullptr);
    EXPECT_EQ(preset.AddPluginSpecifcData(eSetupA, bytes, 8, tag, 7, ePluginSpecificBufferLong),
              eNoErr);
    EXPECT_EQ(preset.AddPluginSpecifcData(eSetupA, bytes, 8, tag, 8, ePluginSpecificBufferLong),
              eDuplicatePluginSpecificTag);
    EXPECT_EQ(preset.AddPluginSpecifcData(eSetupA, bytes, 8, other, 7, ePluginSpecificBufferLong),
              eDuplicatePluginSpecificTag)
        << "the numeric tag is taken too";
    EXPECT_EQ(preset.AddPluginSpecifcData(eSetupB, bytes, 8, tag, 7, ePluginSpecificBufferLong),
              eNoErr)
        << "tags are per setup";
    EXPECT_EQ(preset.GetNumPluginSpecificData(eSetupA), 1U);
}

TEST_F(PluginSpecificData, AShortBufferGetsTheSizeNeededAndNoBytes) {
    AddCurve();
    std::int32_t out[2] = {};
    unsigned int size = 4;
    EXPECT_EQ(preset.GetPluginSpecificData_Index(eSetupA, 0, out, size, eNoEndianityCorrection),
              eBuffSizeToSmall);
    EXPECT_EQ(size, 8U) << "the size needed";
    EXPECT_EQ(out[0], 0) << "nothing copied into a short buffer";
}

TEST_F(PluginSpecificData, ReadingByIndexSwapsBytesOnRequestAndStopsAtTheLastRecord) {
    AddCurve();
    std::int32_t out[2] = {};
    unsigned int size = 8;
    EXPECT_EQ(preset.GetPluginSpecificData_Index(eSetupA, 0, out, size, eSwapBytes32), eNoErr);
    EXPECT_EQ(out[0], 0x04030201);
    EXPECT_EQ(preset.GetPluginSpecificData_Index(eSetupA, 1, out, size, eNoEndianityCorrection),
              ePluginSpecifcNotExisting);
}

TEST_F(PluginSpecificData, ReadingByTagCopiesTheBytes) {
    AddCurve();
    Utils::KCStMemObj copy;
    EXPECT_EQ(preset.GetPluginSpecificData_Tag(eSetupA, tag, copy), eNoErr);
    EXPECT_EQ(copy.size, 8U);
}

TEST_F(PluginSpecificData, NamesAndMenuItemStringsAreFoundPerRecord) {
    AddCurve();
    KCFixedString<63> text;
    EXPECT_EQ(preset.GetPluginSpecificName_Tag(eSetupA, 7, text), eNoErr);
    EXPECT_EQ(text, "curve");
    EXPECT_EQ(preset.GetPluginSpecificName_Index(eSetupB, 3, text), ePluginSpecifcNotExisting);
    EXPECT_EQ(preset.SetPluginSpecificMenuItemString_Index(eSetupA, 0, "Curve..."), eNoErr);
    EXPECT_EQ(preset.GetPluginSpecificMenuItemString_Index(eSetupA, 0, text), eNoErr);
    EXPECT_EQ(text, "Curve...");
}

TEST_F(PluginSpecificData, AFlagNeedsAnExistingRecord) {
    AddCurve();
    EXPECT_EQ(preset.AddPluginSpecifcFlag(eSetupA, other, ePluginSpecificLoadWithParams),
              ePluginSpecifcNotExisting);
    EXPECT_EQ(preset.AddPluginSpecifcFlag(eSetupA, tag, ePluginSpecificLoadWithParams), eNoErr);
}

TEST_F(PluginSpecificData, ABinaryRecordHasNoDescriptorsAndNoXML) {
    AddCurve();
    KCFixedString<63> text;
    EXPECT_EQ(preset.GetPluginSpecificDescriptor_Tag(eSetupA, tag, "x", text),
              ePluginSpecifcNotExisting);
    XML::CXMLElement sentinel("x", "");
    XML::CXMLElement* xml = &sentinel;
    EXPECT_EQ(preset.GetPluginSpecificData_Tag(eSetupA, tag, xml), eNoErr);
    EXPECT_EQ(xml, nullptr) << "a record without XML";
}

TEST_F(PluginSpecificData, RemovingTakesAnExistingTagFromOneConcreteSetup) {
    AddCurve();
    EXPECT_EQ(preset.RemovePluginSpecificData(eSetupA, other), eDeletePluginSpecifcFailed);
    EXPECT_EQ(preset.RemovePluginSpecificData(eActiveSetup, tag), eDeletePluginSpecifcFailed);
    EXPECT_EQ(preset.RemovePluginSpecificData(eSetupA, tag), eNoErr);
    EXPECT_EQ(preset.GetNumPluginSpecificData(eSetupA), 0U);
    EXPECT_EQ(preset.GetNumPluginSpecificData(eSetupB), 1U);
}

TEST(PresetInfo, XMLRecordsUnderUnsearchableTags) {
    CPresetInfo preset;
    XML::CXMLElement xml("Curve", "");
    xml.AddAttrib("Points", 3);
    // An empty tag and one longer than a record keeps are not found by name afterwards.
    ASSERT_EQ(preset.AddPluginSpecifcXML(eSetupA, xml, KCFixedString<7>(""), 1), eNoErr);
    ASSERT_EQ(preset.AddPluginSpecifcXML(eSetupA, xml,
                                         KCFixedString<127>(std::string(100, 't').c_str()), 2),
              eNoErr);
    ASSERT_EQ(preset.GetNumPluginSpecificData(eSetupA), 2U);
    for (unsigned int i = 0; i < 2; ++i) {
        const auto* record = preset.FindPluginSpecific_Index(eSetupA, i);
        ASSERT_NE(record, nullptr);
        ASSERT_NE(record->xml, nullptr) << i;
        EXPECT_EQ(record->xml->GetName(), "Curve");
    }
    EXPECT_EQ(preset.FindPluginSpecific_Index(eSetupA, 1)->tagName.size(), 63U);
}

// A plug-in's own record kind, with a field the base does not know.
struct CurveRecord : sPluginSpecific {
    int points = 0;
    [[nodiscard]] std::unique_ptr<sPluginSpecific> Clone() const override {
        return std::make_unique<CurveRecord>(*this);
    }
};

TEST(PresetInfo, CopiesKeepThePluginsOwnRecords) {
    CPresetInfo preset;
    auto record = std::make_unique<CurveRecord>();
    record->tagName = "curve";
    record->points = 12;
    preset.GetOrAddSetupPresetData(eSetupB).pluginSpecific.push_back(record.release());

    const CPresetInfo copy(preset);
    CPresetInfo assigned;
    assigned = preset;
    sPresetData setup;
    setup = *preset.GetSetupPresetData(eSetupB);
    for (const sPresetData* data :
         {copy.GetSetupPresetData(eSetupB), assigned.GetSetupPresetData(eSetupB), &setup}) {
        ASSERT_NE(data, nullptr);
        ASSERT_EQ(data->pluginSpecific.size(), 1U);
        const auto* curve = dynamic_cast<const CurveRecord*>(data->pluginSpecific[0]);
        ASSERT_NE(curve, nullptr) << "not sliced to the base record";
        EXPECT_EQ(curve->points, 12);
        EXPECT_NE(curve, preset.GetSetupPresetData(eSetupB)->pluginSpecific[0]);
    }
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
