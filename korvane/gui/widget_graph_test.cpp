// The graph on a real algorithm: the registered parameter's graph data is drawn inside the
// clipping area only, relative to the draw area, and follows a change of the parameter.
#include "korvane/gui/widget_graph.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/graphs/graph_data.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/widget_test_support.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::ParseXML;
using test_support::TestAlgorithm;
namespace PVM = PluginViewManager;

constexpr std::uint32_t kWhite = 0xFFFFFFFFU;

// A curve that depends on the gain, computed whenever the gain changes: a zigzag over x =
// -20 ... 120 whose height follows the state, so part of it lies outside any small area.
class CurveAlgorithm : public TestAlgorithm {
protected:
    BUFFER_HEADER* UpdateParamSelf(unsigned int index) override {
        if (index == kGain) {
            const double state = GetParamState(kGain);
            std::vector<KCPoint2D<short>> points;
            for (short x = -20; x <= 120; x += 10) {
                const auto y =
                    static_cast<short>(std::lround(state / 10.0) + (x % 20 == 0 ? -30 : 30));
                points.emplace_back(x, y);
            }
            SetParamGraphData(kGain, KCGraphData<KCPoint2D<short>>(points));
        }
        return TestAlgorithm::UpdateParamSelf(index);
    }
};

class Graph : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(alg.FinishCreate(), 0);
        // Two changes, so that the curve is computed whatever the default state is.
        SetGain(0);
        SetGain(500);
    }
    void SetGain(double state) {
        KPAPI_PROCESS_MEMORY::BUFFER_HEADER* chain =
            alg.UpdateParamState(TestAlgorithm::kGain, state);
        alg.FreeBuffers(chain);
    }

    // A 100 x 100 control with a white background; the curve is drawn from (10, 10) and clipped
    // to 20 ... 80 both ways.
    KCGraph& Make(CStandardGUI_X& gui) {
        gui.AttachAlgorithm(&alg);
        EXPECT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
          <cCONTROLLER Name="Curve"><Class Type="Graph"/>
            <ControlRect left="0" top="0" width="100" height="100"/>
            <BKGColor R="255" G="255" B="255"/>
            <DrawArea left="10" top="10" width="80" height="80"/>
            <ClippingArea left="20" top="20" width="60" height="60"/>
            <ParameterList><Param Name="Gain"><DisplayOnly/></Param></ParameterList>
          </cCONTROLLER></Control_List></GUIXML>)")),
                  eNoErr);
        auto* graph = dynamic_cast<KCGraph*>(gui.GetControlPtrByName("Curve"));
        EXPECT_NE(graph, nullptr);
        return *graph;
    }
    static PVM::KCImagePixels Render(KCGraph& graph) {
        kvGS::KCGraphicStreamBinaryWriter w;
        kvGS::SGSStream stream;
        stream.rect = {0, 0, 100, 100};
        {
            kvGS::KCStGSStreamStructWriter guard(w, stream);
            graph.GetDrawInstructions(w);
        }
        std::vector<unsigned char> png;
        const auto* bytes = static_cast<const char*>(w.GetStream().ptr);
        EXPECT_EQ(PVM::RenderGraphicStreamToPNG(bytes, w.GetStream().size, nullptr, png), eNoErr);
        PVM::KCImagePixels pixels;
        EXPECT_EQ(PVM::DecodePNG(png.data(), png.size(), pixels), eNoErr);
        return pixels;
    }
    // Pixels the curve touched (anything but the white background) inside / outside the clip.
    static void Count(const PVM::KCImagePixels& p, int& inside, int& outside) {
        inside = 0;
        outside = 0;
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                if (p.At(x, y) == kWhite) {
                    continue;
                }
                const bool in = x >= 20 && x < 80 && y >= 20 && y < 80;
                ++(in ? inside : outside);
            }
        }
    }

    CurveAlgorithm alg;
};

TEST_F(Graph, ReadsItsAreasAndColour) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    KCGraph& graph = Make(gui);
    EXPECT_EQ(graph.GetBackgroundColor(), (KCRGBAColor{255, 255, 255, 255}));
    EXPECT_EQ(graph.GetDrawArea(), KURect<short>(10, 10, 90, 90));
    EXPECT_EQ(graph.GetClippingArea(), KURect<short>(20, 20, 80, 80));
    graph.SetClippingArea({-50, -50, 500, 500});
    EXPECT_EQ(graph.GetClippingArea(), KURect<short>(0, 0, 100, 100)) << "kept in the control";
    graph.SetClippingArea({});
    EXPECT_EQ(graph.GetClippingArea(), graph.GetDrawArea()) << "no clipping area: the draw area";
}

// The zigzag crosses the whole control, yet only pixels inside the clipping area change; the
// curve sits at the draw area's origin plus its own coordinates.
TEST_F(Graph, DrawsInsideItsClippingAreaOnly) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    KCGraph& graph = Make(gui);
    const PVM::KCImagePixels p = Render(graph);
    int inside = 0;
    int outside = 0;
    Count(p, inside, outside);
    EXPECT_GT(inside, 60) << "the curve is drawn";
    EXPECT_EQ(outside, 0) << "nothing outside the clipping area";
    // State 500: the zigzag's points are at y = 20 and 80 in the draw area, 30 and 90 in the
    // control; the point (20, 20) of the curve lies at (30, 30).
    EXPECT_NE(p.At(30, 30), kWhite);

    // Without the clip the same curve reaches outside the clipping area.
    graph.SetClippingArea({0, 0, 100, 100});
    Count(Render(graph), inside, outside);
    EXPECT_GT(outside, 0);
}

// The gloss lies over the curve: its image comes after the graph's data in the stream.
TEST_F(Graph, LaysTheGlossImageOverTheGraphs) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    KCGraph& graph = Make(gui);
    const std::string plain = testing::Yaml(graph);
    EXPECT_FALSE(graph.GetGloss().IsSet());
    graph.ReadFromXMLWithAlg(ParseXML("<cCONTROLLER><Gloss ResID='777'/></cCONTROLLER>"), &alg,
                             true);
    EXPECT_EQ(graph.GetGloss().resID, 777);
    const std::string glossed = testing::Yaml(graph);
    const auto curve = glossed.find("ParamID: ");
    const auto gloss = glossed.find("777");
    ASSERT_NE(curve, std::string::npos);
    ASSERT_NE(gloss, std::string::npos);
    EXPECT_LT(curve, gloss);
    EXPECT_EQ(plain.find("777"), std::string::npos);
    XML::CXMLElement parent("List", "");
    graph.WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    KCGraph back;
    ASSERT_FALSE(parent.GetSubElements().empty());
    back.ReadFromXMLWithAlg(*parent.GetSubElements().back(), &alg, false);
    EXPECT_EQ(back.GetGloss(), graph.GetGloss()) << "kept through the description";

    // A resource number a short cannot hold is no image; a file still is.
    graph.ReadFromXMLWithAlg(ParseXML("<cCONTROLLER><Gloss ResID='70000'/></cCONTROLLER>"), &alg,
                             true);
    EXPECT_FALSE(graph.GetGloss().IsSet());
    graph.ReadFromXMLWithAlg(ParseXML("<cCONTROLLER><Gloss File='shine.png'/></cCONTROLLER>"), &alg,
                             true);
    EXPECT_NE(testing::Yaml(graph).find("shine.png"), std::string::npos);
}

// A change of the parameter recomputes the curve; UpdatePointer asks for a redraw and the next
// drawing shows the new curve.
TEST_F(Graph, RedrawsWhenTheParameterChanges) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    KCGraph& graph = Make(gui);
    const PVM::KCImagePixels before = Render(graph);
    graph.UpdateRedrawControl();
    ASSERT_FALSE(graph.NeedToRedrawControl());

    SetGain(700);
    graph.UpdatePointer(0);
    EXPECT_TRUE(graph.NeedToRedrawControl());
    const PVM::KCImagePixels after = Render(graph);
    EXPECT_NE(before.At(30, 30), kWhite);
    EXPECT_EQ(after.At(30, 30), kWhite) << "the curve moved down by 20";
    EXPECT_NE(after.At(30, 50), kWhite);
    int inside = 0;
    int outside = 0;
    Count(after, inside, outside);
    EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
