// A control's graph data stream: metadata, the graph's points and a line over them for short
// points, a remark for graphs that cannot stream, nothing for empty ones.
#include "korvane/gui/base_control.h"

#include "korvane/algorithm/testing/test_algorithm.h"
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
    r.ExecStream(w.GetStream());
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

}  // namespace
}  // namespace kvKorvaneV10_0_3
