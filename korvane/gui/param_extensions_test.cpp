// The extension types every algorithm knows by name: a parameter description that names one
// gets it with its data read, a plug-in's own factory still wins, and each extension's data
// behaves at its edges (envelope order, frames, matrix bounds, per-setup data).
#include "korvane/gui/param_extensions.h"

#include "korvane/algorithm/param_extension_types.h"
#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::ParseXML;
using test_support::TestAlgorithm;

// A plug-in that brings its own "Menu" type.
class OwnMenuAlgorithm : public TestAlgorithm {
public:
    struct OwnMenu : KCParamExtensionMenu {
        [[nodiscard]] OwnMenu* CreateCopy() const override { return new OwnMenu(*this); }
    };

protected:
    void PrepareParamExtensionFactoryMapSelf(ParamExtensionFactoryMap& map) override {
        map[KCFixedString<63>("Menu")] = [](KTResContainerType*) { return new OwnMenu(); };
    }
};

// Reads `extension` (an "ExtensionClass" element) into a parameter through `alg`'s maps and
// hands back the parameter's extension.
class Extensions : public ::testing::Test {
protected:
    template <typename Alg = TestAlgorithm>
    KCParamExtension* Read(const std::string& extension) {
        param.SetParamExtension(nullptr);
        auto alg = std::make_unique<Alg>();
        EXPECT_EQ(alg->FinishCreate(), 0);
        KSParamFunctionMaps maps;
        maps.extensions = &alg->GetParamExtensionFactoryMap();
        sCONTROL_PARAMXML reader(nullptr, maps);
        reader.ReadFromXML(ParseXML("<Parameter Name='P'>" + extension + "</Parameter>"));
        reader.WriteDataToMembers(param);
        algs.push_back(std::move(alg));
        return param.GetParamExtension();
    }
    sCONTROL_PARAM param;
    std::vector<std::unique_ptr<TestAlgorithm>> algs;
};

TEST_F(Extensions, EveryStandardTypeIsKnownByNameAndAPluginsOwnWins) {
    EXPECT_NE(dynamic_cast<KCParamExtensionMeter*>(Read("<ExtensionClass Type='Meter'/>")),
              nullptr);
    EXPECT_NE(dynamic_cast<KCParamExtensionMeterWithClip*>(
                  Read("<ExtensionClass Type='MeterWithClip'/>")),
              nullptr);
    EXPECT_NE(dynamic_cast<KCParamExtensionAttenuationMeter*>(
                  Read("<ExtensionClass Type='AttenuationMeter'/>")),
              nullptr);
    EXPECT_NE(dynamic_cast<KCParamExtensionBoostAttenMeter*>(
                  Read("<ExtensionClass Type='BoostAttenMeter'/>")),
              nullptr);
    EXPECT_NE(dynamic_cast<KCParamExtensionDynamicMarkers*>(
                  Read("<ExtensionClass Type='DynamicMarkers'/>")),
              nullptr);
    EXPECT_NE(dynamic_cast<KCParamExtensionImage*>(Read("<ExtensionClass Type='Image'/>")),
              nullptr);
    EXPECT_NE(dynamic_cast<KCParamExtensionMatrix*>(Read("<ExtensionClass Type='Matrix'/>")),
              nullptr);
    EXPECT_EQ(Read("<ExtensionClass Type='NoSuchType'/>"), nullptr);

    auto* standard = Read("<ExtensionClass Type='Menu'/>");
    EXPECT_NE(dynamic_cast<KCParamExtensionMenu*>(standard), nullptr);
    EXPECT_EQ(dynamic_cast<OwnMenuAlgorithm::OwnMenu*>(standard), nullptr);
    EXPECT_NE(dynamic_cast<OwnMenuAlgorithm::OwnMenu*>(
                  Read<OwnMenuAlgorithm>("<ExtensionClass Type='Menu'/>")),
              nullptr);

    // A type registered before the library's keeps its factory; removing it leaves none.
    const ParamExtensionFactory previous = RegisterParamExtensionType("Image", {});
    ASSERT_TRUE(previous);
    EXPECT_EQ(Read("<ExtensionClass Type='Image'/>"), nullptr);
    RegisterParamExtensionType("Image", previous);
}

TEST_F(Extensions, MetersReadTheirRangesAndShowAttenuationOrBoost) {
    auto* clip = dynamic_cast<KCParamExtensionMeterWithClip*>(
        Read("<ExtensionClass Type='MeterWithClip'><Name>In L</Name><ReadOffset>12</ReadOffset>"
             "<ReadMultiplier>0.5</ReadMultiplier><LowDB>-48</LowDB><HighDB>6</HighDB>"
             "<ClipLevel>0.9</ClipLevel><PeakHoldMs>x</PeakHoldMs></ExtensionClass>"));
    ASSERT_NE(clip, nullptr);
    EXPECT_STREQ(clip->GetInfo().name.c_str(), "In L");
    EXPECT_EQ(clip->GetReadOffset(), 12U);
    EXPECT_DOUBLE_EQ(clip->GetReadMultiplier(), 0.5);
    EXPECT_EQ(clip->GetInfo().lowDB, -48);
    EXPECT_EQ(clip->GetInfo().highDB, 6);
    EXPECT_DOUBLE_EQ(clip->GetPeakHoldMs(), 0.0) << "an unreadable number keeps the default";
    clip->SetValueFromProcess(1.7, 0);  // 0.85 after the multiplier
    EXPECT_FALSE(clip->IsClipped());
    clip->SetValueFromProcess(1.9, 0);
    EXPECT_TRUE(clip->IsClipped());

    XML::CXMLElement written("ExtensionClass", "");
    clip->WriteToXML(&written);
    KCParamExtensionMeterWithClip back;
    back.ReadFromXML(&written);
    EXPECT_EQ(back.GetReadOffset(), 12U);
    EXPECT_DOUBLE_EQ(back.GetClipLevel(), 0.9);
    EXPECT_EQ(back.GetInfo().lowDB, -48);

    KCParamExtensionAttenuationMeter atten;
    KorvaneMeterInfo range;
    range.lowDB = -20;
    range.highDB = 0;
    atten.SetInfo(range);
    atten.SetDisplayedValue(1.0);
    EXPECT_DOUBLE_EQ(atten.GetFillFraction(), 0.0);
    atten.SetDisplayedValue(std::pow(10.0, -6.0 / 20.0));
    EXPECT_NEAR(atten.GetAttenuationDB(), 6.0, 1e-9);
    EXPECT_NEAR(atten.GetFillFraction(), 0.3, 1e-9);
    atten.SetDisplayedValue(2.0);
    EXPECT_DOUBLE_EQ(atten.GetAttenuationDB(), 0.0) << "a gain above 1 is no attenuation";
    atten.SetDisplayedValue(0.0);
    EXPECT_DOUBLE_EQ(atten.GetFillFraction(), 1.0) << "silence: full scale, not infinity";

    KCParamExtensionBoostAttenMeter boost;
    range.lowDB = -12;
    range.highDB = 6;
    boost.SetInfo(range);
    boost.SetDisplayedValue(std::pow(10.0, 3.0 / 20.0));
    EXPECT_NEAR(boost.GetFillFraction(), 0.5, 1e-9);
    boost.SetDisplayedValue(std::pow(10.0, -3.0 / 20.0));
    EXPECT_NEAR(boost.GetFillFraction(), -0.25, 1e-9);
    boost.SetDisplayedValue(100.0);
    EXPECT_DOUBLE_EQ(boost.GetFillFraction(), 1.0);
    boost.SetDisplayedValue(0.0);
    EXPECT_DOUBLE_EQ(boost.GetFillFraction(), -1.0);
}

TEST_F(Extensions, DynamicMarkersKeepTheirEnvelopeOrderedPerSetup) {
    auto* read = dynamic_cast<KCParamExtensionDynamicMarkers*>(
        Read("<ExtensionClass Type='DynamicMarkers'><TemplateControl Name='Dot'/>"
             "</ExtensionClass>"));
    ASSERT_NE(read, nullptr);
    sCONTROL_PARAM own;
    own.SetParamExtension(read->CreateCopy());
    auto* markers = dynamic_cast<KCParamExtensionDynamicMarkers*>(own.GetParamExtension());
    ASSERT_NE(markers, nullptr);
    EXPECT_STREQ(markers->GetTemplateControlName().c_str(), "Dot");

    EXPECT_EQ(markers->CreateVertex({0.5, 1}), 0U);
    EXPECT_EQ(markers->CreateVertex({0.1, 2}), 0U);
    EXPECT_EQ(markers->CreateVertex({0.9, 3}), 2U);
    EXPECT_EQ(markers->CreateVertex({0.5, 4}), 2U) << "after the vertex with the same x";
    // Moving a vertex past its neighbour stops at it.
    ASSERT_TRUE(markers->UpdateVertex(1, {0.95, 5}));
    KCPoint2D<double> point;
    ASSERT_TRUE(markers->GetEnvelopePoint(1, point));
    EXPECT_DOUBLE_EQ(point.x, 0.5);
    EXPECT_DOUBLE_EQ(point.y, 5);
    EXPECT_FALSE(markers->UpdateVertex(4, {0, 0}));
    EXPECT_FALSE(markers->GetEnvelopePoint(4, point));
    EXPECT_EQ(markers->find({0.89, 3.01}, 0.02), 3);
    EXPECT_EQ(markers->find({0.7, 3}, 0.02), -1);

    // Setup data: each setup has its own envelope, and a copy of the data carries it.
    own.SetParamExtensionData(eSetupA, KCParamExtensionDynamicMarkers::CreateData());
    own.SetParamExtensionData(eSetupB, KCParamExtensionDynamicMarkers::CreateData());
    EXPECT_TRUE(markers->GetEnvelopeVec().empty()) << "setup A's data is attached";
    markers->CreateVertex({0.2, 0.2});
    markers->SetCurrentData(own.GetParamExtensionData(eSetupB));
    EXPECT_TRUE(markers->GetEnvelopeVec().empty());
    ASSERT_TRUE(
        own.GetParamExtensionData(eSetupB)->CopyContent(*own.GetParamExtensionData(eSetupA)));
    ASSERT_EQ(markers->GetEnvelopeVec().size(), 1U);
    KCParamExtensionMatrix::CellsData other;
    EXPECT_FALSE(own.GetParamExtensionData(eSetupA)->CopyContent(other));
}

TEST_F(Extensions, MenuImageAndMatrixReadTheirDescriptions) {
    auto* menu = dynamic_cast<KCParamExtensionMenu*>(
        Read("<ExtensionClass Type='Menu'><MenuItem State='2' Text='Two'/>"
             "<MenuItem Separator='true'/><MenuItem State='0.5'>Half</MenuItem></ExtensionClass>"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->GetItems().size(), 3U);
    EXPECT_EQ(menu->GetItems()[0].text, "Two");
    EXPECT_TRUE(menu->GetItems()[1].separator);
    EXPECT_DOUBLE_EQ(menu->GetItems()[2].state, 0.5);
    EXPECT_EQ(menu->GetItems()[2].text, "Half");
    XML::CXMLElement written("ExtensionClass", "");
    menu->WriteToXML(&written);
    KCParamExtensionMenu back;
    back.ReadFromXML(&written);
    EXPECT_EQ(back.GetItems(), menu->GetItems());

    auto* image = dynamic_cast<KCParamExtensionImage*>(
        Read("<ExtensionClass Type='Image'><Image State='0' ResID='100'/>"
             "<Image State='1' Frame='0' ResID='110'/><Image State='1' Frame='1' ResID='111'/>"
             "<Image State='1' Frame='2' File='f.png'/><Image State='-1' ResID='5'/>"
             "</ExtensionClass>"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetImagePtr(0, 0)->resID, 100);
    EXPECT_EQ(image->GetImagePtr(0, 7)->resID, 100) << "one frame repeats";
    EXPECT_EQ(image->GetImagePtr(1, 1)->resID, 111);
    EXPECT_STREQ(image->GetImagePtr(1, 5)->file.c_str(), "f.png") << "frames count around";
    EXPECT_EQ(image->GetImagePtr(9, 0)->resID, 110) << "a state past the list takes the last";
    EXPECT_EQ(image->GetImagePtr(-3, 0)->resID, 100);
    EXPECT_EQ(image->GetImagePtr(std::nan(""), 0), nullptr);
    EXPECT_EQ(image->GetFrameCount(1), 3U);
    EXPECT_EQ(image->GetReadResult(), eNoErr);
    EXPECT_EQ(image->GetDuration(), 0) << "without a duration the first frame stays";
    // The duration of an animated state is written back; a negative one is none.
    XML::CXMLElement timed = ParseXML(
        "<ExtensionClass Type='Image' Duration='250'>"
        "<Image State='0' ResID='100'/></ExtensionClass>");
    KCParamExtensionImage animated;
    animated.ReadFromXML(&timed);
    XML::CXMLElement timedBack("ExtensionClass", "");
    animated.WriteToXML(&timedBack);
    KCParamExtensionImage animatedBack;
    animatedBack.ReadFromXML(&timedBack);
    EXPECT_EQ(animatedBack.GetDuration(), 250);
    XML::CXMLElement negative = ParseXML(
        "<ExtensionClass Type='Image' Duration='-5'><Image State='0' ResID='1'/>"
        "</ExtensionClass>");
    animated.ReadFromXML(&negative);
    EXPECT_EQ(animated.GetDuration(), 0);
    KCParamExtensionImage empty;
    EXPECT_EQ(empty.GetImagePtr(0, 0), nullptr);

    // Far-off frames in many states would pad to millions of references: capped in total.
    std::string farOff = "<ExtensionClass Type='Image'>";
    for (int state = 0; state < 20; ++state) {
        farOff += "<Image State='" + std::to_string(state) + "' Frame='4096' ResID='7'/>";
    }
    auto* padded = dynamic_cast<KCParamExtensionImage*>(Read(farOff + "</ExtensionClass>"));
    ASSERT_NE(padded, nullptr);
    EXPECT_EQ(padded->GetReadResult(), eControlOutOfRange);
    XML::CXMLElement kept("ExtensionClass", "");
    padded->WriteToXML(&kept);
    const std::size_t images = kept.GetSubElements().size();
    EXPECT_GT(images, 0U);
    EXPECT_LT(images, 20U);
    EXPECT_LE(images * 4097, KCParamExtensionImage::kMaxImageFrames);
    EXPECT_EQ(padded->GetFrameCount(0), 4097U) << "the images within the budget are kept";
    EXPECT_EQ(padded->GetImagePtr(0, 4096)->resID, 7);

    auto* matrix = dynamic_cast<KCParamExtensionMatrix*>(
        Read("<ExtensionClass Type='Matrix' Rows='2' Columns='3'/>"));
    ASSERT_NE(matrix, nullptr);
    EXPECT_TRUE(matrix->SetCell(1, 2, 0.75));
    EXPECT_DOUBLE_EQ(matrix->GetCell(1, 2), 0.75);
    EXPECT_DOUBLE_EQ(matrix->GetCell(0, 2), 0.0);
    EXPECT_FALSE(matrix->SetCell(2, 0, 1));
    EXPECT_FALSE(matrix->SetCell(0, 3, 1));
    EXPECT_FALSE(matrix->SetCell(-1, 0, 1));
    std::unique_ptr<KCParamExtensionMatrix> copy(matrix->CreateCopy());
    EXPECT_DOUBLE_EQ(copy->GetCell(1, 2), 0.75);
    // Setup data replaces the extension's own cells.
    param.SetParamExtensionData(eSetupA, matrix->CreateData());
    EXPECT_DOUBLE_EQ(matrix->GetCell(1, 2), 0.0);
    EXPECT_DOUBLE_EQ(copy->GetCell(1, 2), 0.75) << "the copy keeps its own";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
