// A control's graph data stream: metadata, the graph's points and a line over them for short
// points, a remark for graphs that cannot stream, nothing for empty ones.
#include "korvane/algorithm/base_control.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/graphs/draw_graph_shapes.h"
#include "korvane/graphs/graph_data.h"
#include "korvane/gs/testing/recorder.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3 {
namespace {

using Calls = std::vector<std::string>;

struct Display : KCBaseControl {
    [[nodiscard]] KCBaseControl* Clone() const override { return new Display(*this); }
};

TEST(ControlGraphStream, EachRegisteredGraphWritesItsPointsOrARemark) {
    test_support::TestAlgorithm alg;
    alg.FinishCreate();
    alg.SetParamGraphData(test_support::TestAlgorithm::kGain,
                          KCGraphData<KCPoint2D<short>>({{0, 0}, {10, 5}}));
    alg.SetParamGraphData(test_support::TestAlgorithm::kMode, KCGraphData<float>({1, 2, 3}));
    alg.SetParamGraphData(test_support::TestAlgorithm::kMeter, KCGraphData<KCPoint2D<short>>());

    Display display;
    for (const unsigned int id : {0U, 1U, 2U, 3U, 99U}) {
        display.Register({&alg, id});
    }
    display.Register({nullptr, 0});
    kvGS::KCGraphicStreamBinaryWriter w;
    w.SetWriteRemarks(true);
    int result = 0;
    {
        kvGS::KCStGSStreamStructWriter guard(w, kvGS::SGSStream());
        result = display.GetGraphDataAsGraphicStream(w);
    }
    EXPECT_EQ(result, eGraphTypeNotSupported) << "the last graph that wrote";
    kvGS::test_support::Recorder r;
    EXPECT_GE(r.ExecStream(w.GetStream()), 0);
    EXPECT_EQ(r.calls, (Calls{"BSTM", "META ParamID: 0", "data pnt2 4", "dVIN", "META ParamID: 1",
                              "#REM No graph points because graph type is not KTPoint2s paramID 1",
                              "ESTM"}));
    ASSERT_EQ(r.vertices.size(), 1U);
    const kvGS::SGSDrawVertices& v = r.vertices[0];
    EXPECT_EQ(v.method, kvGS::eGSLineStrip);
    EXPECT_EQ(v.stroke_width, 1.0F);
    EXPECT_EQ(v.stroke_pattern, 0xFFFF);
    EXPECT_EQ(v.draw_color, kvGS::SGSRGBAColor());
    EXPECT_EQ(v.scale, kvGS::SGSScale());
    EXPECT_EQ(r.points[0], (std::vector<float>{0, 0, 10, 5}));

    display.UnRegisterParam(1);
    display.UnRegister(0);
    EXPECT_EQ(display.GetRegistrations().size(), 4U);
    kvGS::KCGraphicStreamBinaryWriter quiet;
    EXPECT_EQ(display.GetGraphDataAsGraphicStream(quiet), 0);
    EXPECT_EQ(quiet.GetStream().size, 0U) << "empty, missing or invalid graphs write nothing";
}

TEST(ControlGraphStream, EveryLineIsDrawnAndEarlierWriterFailuresAreNotBlamed) {
    test_support::TestAlgorithm alg;
    alg.FinishCreate();
    KCDrawGraph_GradientPipe pipe;
    pipe.SetDataSize(2);
    pipe.GetTopLine()[0] = 1;
    pipe.GetBottomLine()[1] = 9;
    alg.SetParamGraphData(test_support::TestAlgorithm::kGain, pipe);
    alg.SetParamGraphData(test_support::TestAlgorithm::kMode,
                          KCGraphData<KCPoint2D<short>>({{3, 4}}));
    Display display;
    display.Register({&alg, test_support::TestAlgorithm::kGain});
    display.Register({&alg, test_support::TestAlgorithm::kMode});

    kvGS::KCGraphicStreamBinaryWriter w;
    w.SetWriteRemarks(true);
    int result = -1;
    {
        kvGS::KCStGSStreamStructWriter guard(w, kvGS::SGSStream());
        const KCPoint2D<short> one[1] = {{0, 0}};
        w.Data(one, 0x80000001U, kvGS::eGSPoint2D);  // refused: the writer keeps the error
        ASSERT_NE(w.GetError(), eNoErr);
        result = display.GetGraphDataAsGraphicStream(w);
    }
    EXPECT_EQ(result, 0) << "the graphs' own records went in";
    kvGS::test_support::Recorder r;
    EXPECT_GE(r.ExecStream(w.GetStream()), 0);
    EXPECT_EQ(r.calls, (Calls{"BSTM", "META ParamID: 0", "data pnt2 4", "dVIN", "data pnt2 4",
                              "dVIN", "META ParamID: 1", "data pnt2 2", "dVIN", "ESTM"}));
    ASSERT_EQ(r.points.size(), 3U);
    EXPECT_EQ(r.points[0], (std::vector<float>{0, 1, 1, 0})) << "the pipe's top line";
    EXPECT_EQ(r.points[1], (std::vector<float>{0, 0, 1, 9})) << "and its bottom line";
    EXPECT_EQ(r.points[2], (std::vector<float>{3, 4}));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
