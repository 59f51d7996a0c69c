// Graph data containers: copies, the short-point stream rule, and descriptions that read back
// into the same object for every class of the draw-class table.
#include "korvane/graphs/graph_data.h"

#include "korvane/graphs/draw_classes.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(GraphData, CopiesOwnTheirElementsAndOnlyShortPointsStream) {
    KCGraphData<KCPoint2D<short>> curve({{1, 2}, {3, 4}, {5, 6}});
    std::unique_ptr<KCGraphDataBase> clone(curve.Clone());
    curve.Data()[0] = {9, 9};
    ASSERT_EQ(clone->GetGraphSize(), 3U);
    EXPECT_EQ(static_cast<const KCPoint2D<short>*>(clone->GetGraphData())[0],
              KCPoint2D<short>(1, 2));
    EXPECT_EQ(clone->GetGraphSizeInBytes(), 12U);
    EXPECT_TRUE(clone->ResizeGraph(5));
    EXPECT_EQ(clone->GetGraphSize(), 5U);

    kvGS::KCGraphicStreamBinaryWriter w;
    EXPECT_EQ(curve.GetGraphDataAsGraphicStream(w), 0);
    const auto& s = w.GetStream();
    ASSERT_EQ(s.size, 28U + 12U);
    kvGS::SGSData head;
    std::memcpy(&head, s.ptr, sizeof head);
    EXPECT_EQ(head.dataType, kvGS::eGSInt16);
    EXPECT_EQ(head.purpose, kvGS::eGSPoint2D);
    EXPECT_EQ(head.count, 6U);

    kvGS::KCGraphicStreamBinaryWriter byAddress(8);
    EXPECT_EQ(curve.GetGraphDataAsGraphicStream(byAddress), 0);
    EXPECT_EQ(byAddress.GetStream().size, 28U) << "12 bytes reach the threshold of 8";

    kvGS::KCGraphicStreamBinaryWriter none;
    KCGraphData<float> values({1, 2});
    KCGraphData<KCPoint2D<float>> floats({{1, 2}});
    KCGraphData<PluginViewManager::KCTextObject> texts(
        std::vector<PluginViewManager::KCTextObject>(2));
    EXPECT_EQ(values.GetGraphDataAsGraphicStream(none), eGraphTypeNotSupported);
    EXPECT_EQ(floats.GetGraphDataAsGraphicStream(none), eGraphTypeNotSupported);
    EXPECT_EQ(texts.GetGraphDataAsGraphicStream(none), eGraphTypeNotSupported);
    EXPECT_EQ(none.GetStream().size, 0U);
}

std::string Text(const XML::CXMLElement& e) {
    std::string out;
    XML::AppendXML(out, e, false, false, 0);
    return out;
}

TEST(GraphData, TheBaseDescriptionIsRead) {
    const std::string xml = R"(<DrawClass Type="GraphData" DataType="float" Name="Trace">
      <Font Name="Mono" Size="9" Flags="1"><Color red="1" green="2" blue="3" alpha="4"/></Font>
      <GraphColor red="10" green="20" blue="30" alpha="40"/>
      <PositionRect left="5" top="6" width="100" height="50"/>
    </DrawClass>)";
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    ASSERT_EQ(builder.BuildFromSingleBuffer(xml.data(), static_cast<unsigned int>(xml.size())), 0);
    KCGraphData<float> graph;
    graph.ReadFromXML(&root);
    EXPECT_EQ(graph.GetGraphType(), "GraphData");
    EXPECT_EQ(graph.GetGraphName(), "Trace");
    EXPECT_EQ(graph.GetTextObject().font.name, "Mono");
    EXPECT_EQ(graph.GetTextObject().font.size, 9);
    EXPECT_EQ(graph.GetTextObject().font.flags, 1);
    EXPECT_EQ(graph.GetTextObject().font.color, (KCRGBAColor{1, 2, 3, 4}));
    EXPECT_EQ(graph.GetGraphColor(), (KCRGBAColor{10, 20, 30, 40}));
    EXPECT_EQ(graph.GetPositionRect(), KURect<short>(6, 5, 56, 105));

    // Missing parts keep the defaults: opaque black, an empty rectangle.
    KCGraphData<float> bare;
    XML::CXMLElement empty("DrawClass", "");
    bare.ReadFromXML(&empty);
    EXPECT_EQ(bare.GetGraphColor(), KCRGBAColor());
    EXPECT_EQ(bare.GetPositionRect(), KURect<short>());
}

TEST(GraphData, EveryDrawClassReadsBackWhatItWrites) {
    std::set<std::string> keys;
    for (const KSDrawClass& drawClass : GraphDrawClasses()) {
        EXPECT_TRUE(keys.insert(drawClass.key).second) << drawClass.key;
        std::unique_ptr<KCGraphDataBase> first(drawClass.create());
        ASSERT_NE(first, nullptr) << drawClass.key;
        std::string key = first->GetDrawClassType();
        if (*first->GetDrawClassDataType() != '\0') {
            key += std::string("_") + first->GetDrawClassDataType();
        }
        EXPECT_EQ(key, drawClass.key) << "the object names the key it is created by";

        first->SetGraphName("curve");
        first->SetGraphColor(KCRGBAColor{7, 8, 9, 10});
        first->SetPositionRect(KURect<short>(1, 2, 30, 40));
        XML::CXMLElement written("DrawClass", "");
        first->WriteToXML(&written);
        std::unique_ptr<KCGraphDataBase> second(drawClass.create());
        second->ReadFromXML(&written);
        XML::CXMLElement again("DrawClass", "");
        second->WriteToXML(&again);
        EXPECT_EQ(Text(again), Text(written)) << drawClass.key;
        EXPECT_EQ(second->GetGraphColor(), (KCRGBAColor{7, 8, 9, 10})) << drawClass.key;
    }
    EXPECT_TRUE(keys.count("GraphData_double") == 1 && keys.count("DrawGraph_Text") == 1);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
