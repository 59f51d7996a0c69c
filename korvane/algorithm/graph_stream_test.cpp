// The algorithm's graph data: the draw classes a description can name, their write-back, and
// the complete stream an algorithm without automation controls writes.
#include "korvane/algorithm/algorithm.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/graphs/draw_graph_line_strip.h"
#include "korvane/graphs/draw_graph_shapes.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

class GraphAlgorithm : public test_support::TestAlgorithm {
protected:
    int BuildParameterList() override { return 0; }
};

XML::CXMLElement Parse(const std::string& text) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    EXPECT_EQ(builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
              0);
    return root;
}

TEST(AlgorithmGraphData, DescriptionsCreateTheLibraryClassesAndWriteThemBack) {
    GraphAlgorithm alg;
    alg.FinishCreate();
    EXPECT_EQ(alg.GetDrawClassFactoryMap().count(KCFixedString<63>("GraphData_double")), 1U);
    ASSERT_EQ(alg.ReadParametersXML(Parse(R"(<ParamXML>
      <Parameter Name="Curve"><DrawClass Type="DrawGraph_LineStrip" DataType="Point2s"
          LineThickness="3"><Interpolation Type="Cosine" NumPoints="64"/></DrawClass></Parameter>
      <Parameter Name="Band"><DrawClass Type="DrawGraph_GradientPipe" DataSize="4"/></Parameter>
      <Parameter Name="Values"><DrawClass Type="GraphData" DataType="double"/></Parameter>
      <Parameter Name="Unknown"><DrawClass Type="GraphData" DataType="quaternion"/></Parameter>
    </ParamXML>)")),
              4);
    const auto* curve =
        dynamic_cast<const TKCDrawGraph_LineStrip<KCPoint2D<short>>*>(alg.GetParamGraphData(0));
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->GetInterpolationType(), EInterpolationType::eCosine);
    EXPECT_EQ(curve->GetNumPoints(), 64U);
    EXPECT_EQ(curve->GetLineStyle().thickness, 3.0F);
    const auto* band = dynamic_cast<const KCDrawGraph_GradientPipe*>(alg.GetParamGraphData(1));
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(band->GetGraphSize(), 8U);
    EXPECT_NE(dynamic_cast<const KCGraphData<double>*>(alg.GetParamGraphData(2)), nullptr);
    EXPECT_EQ(alg.GetParamGraphData(3), nullptr);

    XML::CXMLElement written("ParamXML", "");
    alg.WriteParametersXML(written);
    GraphAlgorithm copy;
    copy.FinishCreate();
    ASSERT_EQ(copy.ReadParametersXML(written), 4);
    const auto* again =
        dynamic_cast<const TKCDrawGraph_LineStrip<KCPoint2D<short>>*>(copy.GetParamGraphData(0));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetInterpolationType(), EInterpolationType::eCosine);
    EXPECT_EQ(again->GetLineStyle().thickness, 3.0F);
    EXPECT_NE(dynamic_cast<const KCDrawGraph_GradientPipe*>(copy.GetParamGraphData(1)), nullptr);
    EXPECT_NE(dynamic_cast<const KCGraphData<double>*>(copy.GetParamGraphData(2)), nullptr);
}

TEST(AlgorithmGraphData, WithoutControlsTheStreamIsCompleteAndEmpty) {
    GraphAlgorithm alg;
    alg.SetAlgName("A name that is longer than sixty-four characters, so the text is cut off");
    kvGS::KCGraphicStreamBinaryWriter w;
    EXPECT_EQ(alg.GetGraphDataAsGraphicStream(w), 0);
    const auto& s = w.GetStream();
    ASSERT_EQ(s.size, 112U + 8U);
    kvGS::SGSStream stream;
    std::memcpy(&stream, s.ptr, sizeof stream);
    EXPECT_EQ(stream.header.code, kvGS::eGSBeginStream);
    EXPECT_EQ(stream.owner, 0);
    EXPECT_EQ(stream.rect, kvGS::SGSRect());
    EXPECT_EQ(stream.signature.v[0], 1);
    EXPECT_EQ(stream.signature.v[3], 0);
    EXPECT_EQ(std::string(stream.text, 64), std::string(alg.GetAlgName().c_str(), 64));
    kvGS::SGSCommandHeader end;
    std::memcpy(&end, static_cast<const char*>(s.ptr) + 112, sizeof end);
    EXPECT_EQ(end.code, kvGS::eGSEndStream);
    EXPECT_EQ(end.size, 8U);
    EXPECT_EQ(alg.GetGraphDataAsGraphicStreamForControl(0, w), 0);
    EXPECT_EQ(s.size, 120U) << "no automation controls: nothing per control";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
