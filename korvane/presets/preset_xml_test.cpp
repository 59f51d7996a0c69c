// The preset element: its layout, the reader's rules for value lists, and round trips of every
// kind of setup data.
#include "korvane/presets/preset_xml.h"

#include "korvane/core/testing/locale_guard.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace kvKorvaneV10_0_3::Preset {
namespace {

XML::CXMLElement Parse(const std::string& text) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    EXPECT_EQ(builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
              eNoErr)
        << text;
    return root;
}

std::string Text(const XML::CXMLElement& e) {
    std::string out;
    XML::AppendXML(out, e, false, true, 0);
    return out;
}

CPresetInfo ReadBack(const CPresetInfo& preset, const FM::KCStPath* folder = nullptr) {
    XML::CXMLElement e;
    WriteToXML_CPresetInfo(preset, e);
    const XML::CXMLElement parsed = Parse(Text(e));
    CPresetInfo read;
    ReadHeadersFromXML_CPresetInfo(&parsed, read);
    ReadDataFromXML_CPresetInfo(&parsed, read, folder);
    return read;
}

TEST(PresetElement, LayoutOfHeaderAndOptionalParts) {
    CPresetInfo preset;
    preset.SetPresetName("Warm & \"bright\"");
    XML::CXMLElement e;
    WriteToXML_CPresetInfo(preset, e);
    EXPECT_EQ(e.GetName(), "Preset");
    EXPECT_FALSE(e.AttribExists("GenericType")) << "\"????\" is not written";
    EXPECT_EQ(e.SubElement("MessageToShell"), nullptr);
    EXPECT_EQ(e.SubElement("VST24SideChainActive"), nullptr) << "unset side chain";
    ASSERT_NE(e.SubElement("PresetHeader"), nullptr);
    ASSERT_EQ(e.SubElement("PresetHeader")->GetSubElements().size(), 1U) << "only ReadOnly";
    EXPECT_STREQ(e.SubElement("PresetHeader")->SubElementText("ReadOnly"), "false");

    preset.SetGenericType(KCFourCC("KvEQ"));
    preset.SetGroupType("Mastering");
    preset.SetPluginName("EQ");
    preset.SetActiveSetup("SETUP_B");
    preset.SetShellMessage("hello");
    preset.SetSideChainState(1);
    preset.SetFlag(ePresetReadOnly, true);
    WriteToXML_CPresetInfo(preset, e);
    unsigned int pos = 0;
    std::string_view n;
    std::string_view v;
    ASSERT_TRUE(e.NextAttrib(pos, n, v));
    EXPECT_EQ(n, "Name");
    ASSERT_TRUE(e.NextAttrib(pos, n, v));
    EXPECT_EQ(n, "GenericType");
    EXPECT_EQ(v, "KvEQ");
    const auto& header = e.SubElement("PresetHeader")->GetSubElements();
    ASSERT_EQ(header.size(), 4U);
    EXPECT_EQ(header[0]->GetName(), "Group");
    EXPECT_EQ(header[2]->GetName(), "ActiveSetup");
    EXPECT_EQ(header[3]->GetName(), "ReadOnly");
    EXPECT_STREQ(e.SubElementText("MessageToShell"), "hello");
    EXPECT_STREQ(e.SubElementText("VST24SideChainActive"), "true");

    const CPresetInfo read = ReadBack(preset);
    EXPECT_TRUE(CPresetInfo::IsSamePreset(preset, read, true));
    EXPECT_EQ(read.GetPresetName(), "Warm & \"bright\"");
    EXPECT_TRUE(read.IsReadOnly());
}

TEST(PresetElement, RealWorldListLinesAndMissingValues) {
    sPresetData data(eSetupA);
    for (int i = 0; i < 25; ++i) {
        data.realWorld.push_back(i + 0.25);
        data.realWorldKinds.push_back(i == 3 ? eValueMissing : eValueNumber);
    }
    data.realWorld[1] = 0.1;
    std::string text;
    FormatRealWorldList(data, text);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_EQ(text.substr(0, text.find('\n')).find(' '), text.find(' '));
    EXPECT_NE(text.find(" * "), std::string::npos);
    EXPECT_NE(text.find("0.10000000000000000555"), std::string::npos) << "%.20g";
    const std::string third = text.substr(text.rfind('\n', text.size() - 2) + 1);
    EXPECT_EQ(std::count(third.begin(), third.end(), ' '), 5) << "five values in the last line";

    CPresetInfo preset;
    preset.GetOrAddSetupPresetData(eSetupA).states = {3, -1, 0};
    XML::CXMLElement e;
    WriteToXML_CPresetInfo(preset, e);
    const auto* states = e.SubElement("PresetData")->SubElement("Parameters");
    ASSERT_NE(states, nullptr);
    EXPECT_EQ(states->GetText(), "3 * 0") << "a missing state is written as a missing value";
    EXPECT_EQ(ReadBack(preset).GetSetupPresetData(eSetupA)->states, (std::vector<int>{3, -1, 0}));
}

TEST(PresetElement, TypeRestrictionsSurviveARewrite) {
    const XML::CXMLElement e =
        Parse("<Preset Name='x' GenericType='Abcd, KvEQ' SubComp='mono,ster'/>");
    CPresetInfo preset;
    ReadHeadersFromXML_CPresetInfo(&e, preset);
    EXPECT_EQ(preset.GetGenericTypeList(), "Abcd, KvEQ");
    EXPECT_EQ(preset.GetSubCompList(), "mono,ster");
    XML::CXMLElement written;
    WriteToXML_CPresetInfo(CPresetInfo(preset), written);
    std::string text;
    EXPECT_TRUE(written.GetAttrib("GenericType", text));
    EXPECT_EQ(text, "Abcd, KvEQ");
    EXPECT_TRUE(written.GetAttrib("SubComp", text));
    EXPECT_EQ(text, "mono,ster");
    EXPECT_TRUE(CPresetInfo::IsSamePreset(preset, ReadBack(preset), true));

    preset.SetGenericType(KCFourCC("Efgh"));
    WriteToXML_CPresetInfo(preset, written);
    EXPECT_TRUE(written.GetAttrib("GenericType", text));
    EXPECT_EQ(text, "Efgh") << "a type set later replaces the list";
}

TEST(PresetElement, ReaderRulesForValueLists) {
    const XML::CXMLElement e = Parse(
        "<Preset Name='x'>"
        "<PresetData Setup='SETUP_A'><Parameters>1 2;3\t4\n*</Parameters></PresetData>"
        "<PresetData Setup='SETUP_B'><Parameters Type='States'>7 8</Parameters>"
        "<Parameters Type='realWORLD'>0,5 -0,5 1.5e1 * junk</Parameters>"
        "<Parameters Type='States'>9 9</Parameters></PresetData>"
        "<PresetData Setup='CURRENT'><Parameters Type='Reset'/></PresetData>"
        "<Unknown/></Preset>");
    CPresetInfo preset;
    ReadDataFromXML_CPresetInfo(&e, preset);
    ASSERT_EQ(preset.GetPresetData().size(), 3U);
    const auto* a = preset.GetSetupPresetData(eSetupA);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->states, (std::vector<int>{1, 2, 3, 4, -1})) << "no Type means states";
    EXPECT_EQ(a->parametersKind, eParametersStates);
    const auto* b = preset.GetSetupPresetData(eSetupB);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->states.empty()) << "real-world values win over states before and after";
    ASSERT_EQ(b->realWorld.size(), 5U);
    EXPECT_DOUBLE_EQ(b->realWorld[0], 0.5);
    EXPECT_DOUBLE_EQ(b->realWorld[1], -0.5) << "a decimal comma keeps its sign";
    EXPECT_DOUBLE_EQ(b->realWorld[2], 15.0);
    EXPECT_EQ(b->realWorldKinds[3], eValueMissing);
    EXPECT_EQ(b->realWorld[4], 0.0) << "unparsable reads as 0";
    EXPECT_EQ(b->GetNumParametersData(), 5U);
    const auto* current = preset.GetSetupPresetData(eActiveSetup);
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->parametersKind, eParametersReset);
}

// Real-world values written with a decimal comma (as printf writes them under such a locale) read
// whole, sign and exponent included; other tokens are not rewritten.
TEST(PresetElement, DecimalCommasReadWithTheirSignAndExponent) {
    const XML::CXMLElement e = Parse(
        "<Preset Name='x'><PresetData Setup='SETUP_A'><Parameters Type='RealWorld'>"
        "-3,25 -0,5 2,5 -7.75 +1,5 1,5e-07 -2,5E+3 1,5x 1,5e 1,5e+ 3,5,5"
        "</Parameters></PresetData></Preset>");
    CPresetInfo preset;
    ReadDataFromXML_CPresetInfo(&e, preset);
    const auto* a = preset.GetSetupPresetData(eSetupA);
    ASSERT_NE(a, nullptr);
    const std::vector<double> expected = {-3.25, -0.5, 2.5, -7.75, 1.5, 1.5e-07,
                                          -2500, 1.0,  1.0, 1.0,   3.5};
    ASSERT_EQ(a->realWorld.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(a->realWorld[i], expected[i]) << "value " << i;
    }
}

// A host's setlocale changes neither the written text nor what is read back.
TEST(PresetElement, WrittenAndReadTheSameInADecimalCommaLocale) {
    CPresetInfo preset;
    preset.SetPresetName("Locale");
    auto& data = preset.GetOrAddSetupPresetData(eSetupA);
    data.realWorld = {-3.25, 1234.5, 0.1, 1e-7, -0.5};
    data.realWorldKinds.assign(data.realWorld.size(), eValueNumber);
    const double doubles[] = {2.25, -1e-300};
    const float floats[] = {0.1F, -1234.5F};
    const KCFixedString<63> d("d"), f("f");
    ASSERT_EQ(preset.AddPluginSpecifcData(eSetupA, reinterpret_cast<const unsigned char*>(doubles),
                                          sizeof doubles, d, 1, ePluginSpecificBufferDouble),
              eNoErr);
    ASSERT_EQ(preset.AddPluginSpecifcData(eSetupA, reinterpret_cast<const unsigned char*>(floats),
                                          sizeof floats, f, 2, ePluginSpecificBufferFloat),
              eNoErr);
    XML::CXMLElement classic;
    WriteToXML_CPresetInfo(preset, classic);
    const std::string classicText = Text(classic);
    EXPECT_NE(classicText.find("-3.25 1234.5 0.10000000000000000555"), std::string::npos)
        << classicText;

    const test_support::ScopedProcessLocale comma(test_support::kCommaLocale);
    if (!comma.Installed()) {
        GTEST_SKIP() << test_support::kCommaLocale << " is not installed";
    }
    XML::CXMLElement written;
    WriteToXML_CPresetInfo(preset, written);
    EXPECT_EQ(Text(written), classicText);
    const CPresetInfo read = ReadBack(preset);
    EXPECT_TRUE(CPresetInfo::IsSamePreset(preset, read, true));
    EXPECT_EQ(read.GetSetupPresetData(eSetupA)->realWorld, data.realWorld);
    double readDoubles[2] = {};
    unsigned int capacity = sizeof readDoubles;
    EXPECT_EQ(
        read.GetPluginSpecificData_Tag(eSetupA, d, readDoubles, capacity, eNoEndianityCorrection),
        eNoErr);
    EXPECT_EQ(readDoubles[0], 2.25);
    EXPECT_EQ(readDoubles[1], -1e-300);
    float readFloats[2] = {};
    capacity = sizeof readFloats;
    EXPECT_EQ(
        read.GetPluginSpecificData_Tag(eSetupA, f, readFloats, capacity, eNoEndianityCorrection),
        eNoErr);
    EXPECT_EQ(readFloats[0], 0.1F);
    EXPECT_EQ(readFloats[1], -1234.5F);
}

// A preset with every kind of setup data and plug-in-specific record, written and read back.
class PresetRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        preset.SetPresetName("Everything");
        for (const EPluginSetup setup : {eSetupA, eSetupB}) {
            auto& data = preset.GetOrAddSetupPresetData(setup);
            data.setupName = setup == eSetupA ? "Verse" : "Chorus";
            data.realWorld = {-24.0, 1e-300, 3.14159265358979, 0.0};
            data.realWorldKinds = {eValueNumber, eValueNumber, eValueNumber, eValueMissing};
            sPresetControlData control;
            control.name = "Cutoff";
            control.leadParam = 2;
            control.keySwitch = setup == eSetupB;
            control.latching = control.keySwitch;
            control.onValue = control.keySwitch ? 127 : 0;
            control.transposedNote = control.keySwitch ? -12 : 0;
            control.choiceID = 4;
            control.midiChannel = 9;
            control.midiControlID = 74;
            control.midiEventType = 2;
            data.controls.push_back(control);
            data.pluginXMLData.push_back(new XML::CXMLElement("Mine", "text"));
        }
        const double doubles[] = {1.5, -2.25e10, 3e80};
        const float floats[] = {0.1F, -7.0F, 3.4e38F};
        const std::int32_t longs[] = {-5, 2147483647};
        const unsigned char binary[] = {0, 1, 2, 255, 254, '<', '&'};
        const KCFixedString<63> f("f"), s("s"), b("b"), none("none");
        auto bytes = [](const auto& array) {
            return reinterpret_cast<const unsigned char*>(&array[0]);
        };
        const auto* textBytes = reinterpret_cast<const unsigned char*>(text.data());
        const auto size = [](const auto& array) { return static_cast<unsigned int>(sizeof array); };
        ASSERT_EQ(preset.AddPluginSpecifcData(eSetupA, bytes(doubles), size(doubles), d, 1,
                                              ePluginSpecificBufferDouble, "Doubles"),
                  eNoErr);
        ASSERT_EQ(preset.AddPluginSpecifcData(eSetupA, bytes(floats), size(floats), f, 2,
                                              ePluginSpecificBufferFloat),
                  eNoErr);
        ASSERT_EQ(preset.AddPluginSpecifcData(eSetupA, bytes(longs), size(longs), l, 3,
                                              ePluginSpecificBufferLong, nullptr,
                                              ePluginSpecificLoadWithParams),
                  eNoErr);
        ASSERT_EQ(
            preset.AddPluginSpecifcData(eSetupB, textBytes, 15, s, 4, ePluginSpecificBufferString),
            eNoErr);
        ASSERT_EQ(preset.AddPluginSpecifcData(eSetupB, binary, size(binary), b, 5,
                                              ePluginSpecificCompressedBase64),
                  eNoErr);
        ASSERT_EQ(
            preset.AddPluginSpecifcData(eSetupB, textBytes, 15, c, 6, ePluginSpecificCharacterData),
            eNoErr);
        XML::CXMLElement object("Object", "");
        object.AddAttrib("k", "v");
        object.push_back(new XML::CXMLElement("Inner", "1"));
        ASSERT_EQ(preset.AddPluginSpecifcXML(eSetupB, object, x, 7), eNoErr);
        ASSERT_EQ(preset.AddPluginSpecifcData(eSetupB, nullptr, 0, none, 8, ePluginSpecificNoData),
                  eNoErr);
        ASSERT_EQ(preset.AddPluginSpecifcDescriptor_Tag(eSetupA, d, "unit", "dB"), eNoErr);
        ASSERT_EQ(preset.AddPluginSpecifcDescriptor_Index(eSetupA, 0, "range", "-1..1"), eNoErr);

        read = ReadBack(preset);
    }

    const std::string text = "a <text> & more";
    const KCFixedString<63> d{"d"}, l{"l"}, c{"c"}, x{"x"};
    CPresetInfo preset;
    CPresetInfo read;
};

TEST_F(PresetRoundTrip, TheWholePresetComparesEqual) {
    EXPECT_TRUE(CPresetInfo::IsSamePreset(preset, read, true));
}

TEST_F(PresetRoundTrip, SetupNamesAndRealWorldValuesReadBackExactly) {
    const auto* a = read.GetSetupPresetData(eSetupA);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->setupName, "Verse");
    EXPECT_EQ(a->realWorld[1], 1e-300);
    EXPECT_EQ(a->realWorld[2], 3.14159265358979);
    EXPECT_EQ(a->realWorldKinds[3], eValueMissing);
}

TEST_F(PresetRoundTrip, ControlsReadBackWithEveryField) {
    const auto* a = read.GetSetupPresetData(eSetupA);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->controls.size(), 1U);
    EXPECT_EQ(a->controls[0].choiceID, 4);
    EXPECT_EQ(read.GetSetupPresetData(eSetupB)->controls[0],
              preset.GetSetupPresetData(eSetupB)->controls[0]);
}

TEST_F(PresetRoundTrip, NumbersInDataReadBackExactly) {
    double readDoubles[3] = {};
    unsigned int capacity = sizeof readDoubles;
    EXPECT_EQ(
        read.GetPluginSpecificData_Tag(eSetupA, d, readDoubles, capacity, eNoEndianityCorrection),
        eNoErr);
    EXPECT_EQ(readDoubles[1], -2.25e10);
    EXPECT_EQ(readDoubles[2], 3e80) << "numbers in data read back exactly";
}

TEST_F(PresetRoundTrip, DescriptorsAndLoadFlagsReadBack) {
    KCFixedString<63> value;
    EXPECT_EQ(read.GetPluginSpecificDescriptor_Tag(eSetupA, d, "range", value), eNoErr);
    EXPECT_EQ(value, "-1..1");
    EXPECT_TRUE(read.FindPluginSpecific_Tag(eSetupA, l)->HasFlag(ePluginSpecificLoadWithParams));
}

TEST_F(PresetRoundTrip, CharacterDataWithMarkupReadsBack) {
    KCFixedString<63> textRead;
    EXPECT_EQ(read.GetPluginSpecificData_Tag(eSetupB, c, textRead), eNoErr);
    EXPECT_EQ(textRead, text.c_str());
}

TEST_F(PresetRoundTrip, AnXMLRecordReadsBackAsAnElementTree) {
    XML::CXMLElement* xml = nullptr;
    EXPECT_EQ(read.GetPluginSpecificData_Tag(eSetupB, x, xml), eNoErr);
    ASSERT_NE(xml, nullptr);
    EXPECT_STREQ(xml->SubElementText("Inner"), "1");
}

TEST(PresetElement, DataFilesAreReadOnlyFromInsideThePresetFolder) {
    FM::testing::TempFolder folder;
    folder.Write("presets/data/blob.bin", std::string("\x01\x02\x03", 3));
    folder.Write("secret.bin", "secret");
    const FM::KCStPath presets(folder.Path("presets").c_str());
    const auto read = [&](const char* attribute, const char* name) {
        XML::CXMLElement e("PluginSpecific", "");
        e.AddAttrib("TagName", "t");
        e.AddAttrib("DataType", "BufferLong");
        auto* data = new XML::CXMLElement("Data", "42");
        data->AddAttrib(attribute, name);
        e.push_back(data);
        sPluginSpecific record;
        const int err = record.ReadFromXML(&e, &presets);
        return std::make_pair(err, std::string(static_cast<const char*>(record.data.ptr),
                                               record.data.Empty() ? 0 : record.data.size));
    };
    EXPECT_EQ(read("file", "data/blob.bin"), std::make_pair(0, std::string("\x01\x02\x03", 3)));
    EXPECT_EQ(read("cache", "./data/blob.bin").first, eNoErr);
    const std::vector<std::string> outside{"../secret.bin", "data/../../secret.bin",
                                           folder.Path("secret.bin"), ".."};
    for (const std::string& name : outside) {
        const auto [err, bytes] = read("file", name.c_str());
        EXPECT_EQ(err, eFMPermissionErr) << name;
        EXPECT_TRUE(bytes.empty()) << name;
    }
    // Links are followed before the check: one inside the folder may not lead out of it.
    std::filesystem::create_symlink(folder.Path("secret.bin"), folder.Path("presets/escape.bin"));
    std::filesystem::create_symlink(folder.Path(), folder.Path("presets/up"));
    std::filesystem::create_symlink("data/blob.bin", folder.Path("presets/inside.bin"));
    for (const char* name : {"escape.bin", "up/secret.bin", "data", "."}) {
        const auto [err, bytes] = read("file", name);
        EXPECT_EQ(err, eFMPermissionErr) << name;
        EXPECT_TRUE(bytes.empty()) << name;
    }
    EXPECT_EQ(read("file", "inside.bin"), std::make_pair(0, std::string("\x01\x02\x03", 3)));
    EXPECT_EQ(read("file", "missing.bin").first, eFMFileNotFound);

    XML::CXMLElement e("PluginSpecific", "");
    auto* data = new XML::CXMLElement("Data", "");
    data->AddAttrib("file", "data/blob.bin");
    e.push_back(data);
    sPluginSpecific noFolder;
    EXPECT_EQ(noFolder.ReadFromXML(&e), eFMPermissionErr) << "no preset folder known";
}

TEST(PresetElement, AMalformedStateIsLeftUnsetNotZero) {
    const XML::CXMLElement e = Parse(
        "<Preset Name='x'><PresetData Setup='SETUP_A'><Parameters>5 x7 -2 =</Parameters>"
        "</PresetData></Preset>");
    CPresetInfo preset;
    ReadDataFromXML_CPresetInfo(&e, preset);
    const auto* a = preset.GetSetupPresetData(eSetupA);
    ASSERT_NE(a, nullptr);
    // Zero would move the parameter to its first state; unset leaves it where it is, as "*".
    EXPECT_EQ(a->states, (std::vector<int>{5, -1, -2, -1}));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
