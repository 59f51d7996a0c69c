// The marker on a real algorithm: its point follows two parameters, a drag keeps the grab
// point and stops at the edges, the graph hears every move and the release, and the switch
// steps only on the gesture its flag names.
#include "korvane/gui/widget_marker.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/control_test_algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/testing/widget_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::ControlTestAlgorithm;
using test_support::ParseXML;
using testing::Argb;
using testing::Render;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

PVM::KCEventData Press(KCPoint2D<short> at, PVM::KEClickCount clicks = PVM::eSingleClick) {
    PVM::KCEventData event;
    event.SetMouseLocation(at);
    event.SetMouseDownLocation(at);
    event.SetMouseClickCount(clicks);
    event.SetMouseButtonPressed(PVM::eLeftButton, true);
    return event;
}

PVM::KCEventData Moved(KCPoint2D<short> from, KCPoint2D<short> to) {
    PVM::KCEventData event = Press(from);
    event.SetMouseLocation(to);
    return event;
}

struct Recorder : KCMarkerListener {
    struct Move {
        double x;
        double y;
    };
    std::vector<Move> moves;
    int released = 0;
    int switched = 0;
    void MarkerMoved(CMarker_X& /*marker*/, double x, double y) override {
        moves.push_back({x, y});
    }
    void MarkerReleased(CMarker_X& /*marker*/) override { ++released; }
    void MarkerSwitched(CMarker_X& /*marker*/) override { ++switched; }
};

class Marker : public ::testing::Test {
protected:
    static constexpr unsigned int kGain = ControlTestAlgorithm::kGain;
    static constexpr unsigned int kMode = ControlTestAlgorithm::kMode;
    static constexpr unsigned int kFrequency = ControlTestAlgorithm::kDragged;
    static constexpr unsigned int kSteps = ControlTestAlgorithm::kSteps;

    void SetUp() override { ASSERT_EQ(alg.FinishCreate(), 0); }

    // A 101 × 101 area, so that a pixel is ten states; gain across, frequency (updated only
    // when the drag ends) up, mode as the switch.
    std::unique_ptr<CMarker_X> Make(const std::string& params =
                                        "<Param Name='Gain'><MouseHorizontal/></Param>"
                                        "<Param Name='Frequency'><MouseVertical/></Param>"
                                        "<Param Name='Mode'><MouseDown/></Param>") {
        auto marker = std::make_unique<CMarker_X>();
        marker->ReadFromXMLWithAlg(
            ParseXML("<cCONTROLLER Name='M'><ControlRect left='0' top='0' width='101' "
                     "height='101'/><ParameterList>" +
                     params + "</ParameterList></cCONTROLLER>"),
            &alg, false);
        marker->SetMarkerListener(&graph);
        return marker;
    }
    void Free(BUFFER_HEADER* chain) { alg.FreeBuffers(chain); }
    double State(unsigned int param) const { return alg.GetParamState(param); }
    void Down(CMarker_X& marker, const PVM::KCEventData& event) {
        KURect<double> range(1000, 1000, 0, 0);
        bool handled = true;
        Free(marker.MouseDown(event, &range, handled));
    }
    // The GUI hands the converted deltas along too; the marker must land on the pointer
    // whatever they are.
    void Drag(CMarker_X& marker, KCPoint2D<short> from, KCPoint2D<short> to) {
        Free(marker.MouseDrag(Moved(from, to), 37, -23, nullptr));
    }
    void Up(CMarker_X& marker, const PVM::KCEventData& event) { Free(marker.MouseUp(event)); }

    ControlTestAlgorithm alg;
    Recorder graph;
};

TEST_F(Marker, ThePointFollowsBothParametersAndOnlyTheDiscTakesClicks) {
    auto marker = Make();
    Free(alg.UpdateParamState(kGain, 250));
    Free(alg.UpdateParamState(kFrequency, 700));
    EXPECT_EQ(marker->GetMarkerPoint(), KCPoint2D<short>(25, 30));
    EXPECT_EQ(marker->GetBounds(), KURect<short>(25, 20, 36, 31));
    EXPECT_TRUE(marker->IsPointInside({28, 34}, nullptr));
    EXPECT_FALSE(marker->IsPointInside({30, 34}, nullptr)) << "a corner of the bounds";
    EXPECT_FALSE(marker->IsPointInside({60, 60}, nullptr)) << "elsewhere on the graph";
    EXPECT_EQ(marker->PointToStates({100, 0}), KCPoint2D<double>(1000, 1000));
    EXPECT_EQ(marker->PointToStates({0, 100}), KCPoint2D<double>(0, 0));

    Free(alg.UpdateParamState(kMode, 1));
    const PVM::KCImagePixels p = Render(*marker, 101, 101);
    EXPECT_EQ(p.At(25, 30), Argb(kDefaultWidgetPalette.knobValue)) << "the disc's centre";
    EXPECT_EQ(p.At(23, 31), Argb(kDefaultWidgetPalette.knobValue));
    EXPECT_NE(p.At(50, 50), Argb(kDefaultWidgetPalette.knobValue));
    Free(alg.UpdateParamState(kMode, 0));
    EXPECT_FALSE(marker->IsSwitchedOn());
}

TEST_F(Marker, ADragKeepsTheGrabPointAndStopsAtTheEdges) {
    auto marker = Make();
    Free(alg.UpdateParamState(kGain, 500));
    Free(alg.UpdateParamState(kFrequency, 500));
    const KCPoint2D<short> grab{52, 49};  // 2 right of and 1 above the point (50, 50)
    Down(*marker, Press(grab));
    Drag(*marker, grab, {52, 49});
    EXPECT_DOUBLE_EQ(State(kGain), 500) << "grabbing off-centre does not jump";
    EXPECT_DOUBLE_EQ(State(kFrequency), 500);
    Drag(*marker, grab, {72, 29});
    EXPECT_DOUBLE_EQ(State(kGain), 700);
    EXPECT_DOUBLE_EQ(State(kFrequency), 700);
    Drag(*marker, grab, {-80, 400});
    EXPECT_DOUBLE_EQ(State(kGain), 0) << "held at the left edge";
    EXPECT_DOUBLE_EQ(State(kFrequency), 0) << "held at the bottom edge";
    Drag(*marker, grab, {600, -600});
    EXPECT_DOUBLE_EQ(State(kGain), 1000);
    EXPECT_DOUBLE_EQ(State(kFrequency), 1000);
    EXPECT_EQ(marker->GetMarkerPoint(), KCPoint2D<short>(100, 0));
    Drag(*marker, grab, {32, 69});
    Up(*marker, Moved(grab, {32, 69}));
    EXPECT_DOUBLE_EQ(State(kGain), 300);
    EXPECT_DOUBLE_EQ(State(kFrequency), 300) << "the drag of a late-updating parameter ends";

    ASSERT_EQ(graph.moves.size(), 5U);
    EXPECT_DOUBLE_EQ(graph.moves[1].x, 700);
    EXPECT_DOUBLE_EQ(graph.moves[1].y, 700);
    EXPECT_DOUBLE_EQ(graph.moves[2].x, 0);
    EXPECT_DOUBLE_EQ(graph.moves[4].y, 300);
    EXPECT_EQ(graph.released, 1);
    EXPECT_EQ(graph.switched, 0) << "no flag, no switch";
    EXPECT_DOUBLE_EQ(State(kMode), 0);

    // A discrete axis runs over its states: 8 states across.
    auto stepped = Make("<Param Name='Steps'><MouseHorizontal/></Param>");
    Free(alg.UpdateParamState(kSteps, 0));
    Down(*stepped, Press({0, 50}));
    Drag(*stepped, {0, 50}, {100, 50});
    EXPECT_DOUBLE_EQ(State(kSteps), 7);
    Up(*stepped, Moved({0, 50}, {100, 50}));
    EXPECT_EQ(stepped->GetMarkerPoint(), KCPoint2D<short>(100, 50))
        << "without a vertical axis the marker sits half way up";
}

struct SwitchCase {
    EControlFlags flag;
    // Steps of the switch after a single click (press and release), and after a double click.
    int afterClick;
    int afterDoubleClick;
};

class MarkerSwitch : public Marker, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(MarkerSwitch, SwitchesOnlyOnTheGestureItsFlagNames) {
    const SwitchCase c = GetParam();
    auto marker = Make();
    marker->SetControlFlag(c.flag, true);
    Free(alg.UpdateParamState(kGain, 500));
    Free(alg.UpdateParamState(kFrequency, 500));
    const KCPoint2D<short> at{50, 50};

    Down(*marker, Press(at));
    const double afterPress = State(kMode);
    Up(*marker, Press(at));
    EXPECT_DOUBLE_EQ(State(kMode), c.afterClick);
    EXPECT_DOUBLE_EQ(afterPress, c.flag == eCtrlMarkerSwitchOnClick ? 1 : 0)
        << "only the click flag switches on the press";

    Free(alg.UpdateParamState(kMode, 0));
    // The second press of a double click comes with its own release.
    Down(*marker, Press(at, PVM::eDoubleClick));
    Up(*marker, Press(at, PVM::eDoubleClick));
    EXPECT_DOUBLE_EQ(State(kMode), c.afterDoubleClick);

    Free(alg.UpdateParamState(kMode, 0));
    Down(*marker, Press(at));
    Drag(*marker, at, {60, 60});
    Up(*marker, Moved(at, {60, 60}));
    EXPECT_DOUBLE_EQ(State(kMode), c.flag == eCtrlMarkerSwitchOnClick ? 1 : 0)
        << "a release after a drag does not switch";
    EXPECT_EQ(graph.switched,
              c.afterClick + c.afterDoubleClick + (c.flag == eCtrlMarkerSwitchOnClick ? 1 : 0));

    // The switch wraps past the last of the mode's three states.
    Free(alg.UpdateParamState(kMode, 2));
    Down(*marker, Press(at, c.flag == eCtrlMarkerSwitchOnDoubleClick ? PVM::eDoubleClick
                                                                     : PVM::eSingleClick));
    Up(*marker, Press(at));
    EXPECT_DOUBLE_EQ(State(kMode), 0);
}

INSTANTIATE_TEST_SUITE_P(Flags, MarkerSwitch,
                         ::testing::Values(SwitchCase{eCtrlMarkerSwitchOnClick, 1, 0},
                                           SwitchCase{eCtrlMarkerSwitchOnMouseUp, 1, 1},
                                           SwitchCase{eCtrlMarkerSwitchOnDoubleClick, 0, 1}));

}  // namespace
}  // namespace kvKorvaneV10_0_3
