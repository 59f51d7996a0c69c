// The zoom-vertices graph, its scroll bar and its scroll and zoom buttons: vertices from their
// parameters, moves reported by markers, zooming by a selected rectangle, and the window held
// inside the data at every end.
#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/algorithm/testing/control_test_algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/param_extensions.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/testing/widget_test_support.h"
#include "korvane/gui/vertex_move_listener.h"
#include "korvane/gui/widget_dynamic_popup.h"
#include "korvane/gui/widget_lrb.h"
#include "korvane/gui/widget_marker.h"
#include "korvane/gui/widget_multi_thumb_slider.h"
#include "korvane/gui/widget_scroller.h"
#include "korvane/gui/widget_zoom_vertices_graph.h"
#include "korvane/undo/undo_manager.h"

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
using testing::At;
using testing::Render;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
namespace PVM = PluginViewManager;

constexpr std::uint32_t Red(std::uint32_t argb) {
    return (argb >> 16U) & 0xFFU;
}

// A key pressed in the GUI; whether a control used it.
bool PressKey(CStandardGUI_X& gui, PVM::KEKeyCode code) {
    PVM::KCEventData event;
    event.SetKey(code, 0);
    bool handled = false;
    gui.DoKey(event, handled);
    return handled;
}

void ExpectWindow(const KSDataWindow& w, double xMin, double xMax, double yMin, double yMax) {
    EXPECT_NEAR(w.xMin, xMin, 1e-9);
    EXPECT_NEAR(w.xMax, xMax, 1e-9);
    EXPECT_NEAR(w.yMin, yMin, 1e-9);
    EXPECT_NEAR(w.yMax, yMax, 1e-9);
}

// A 100 x 100 graph over x 0 ... 100 and y -10 ... 10; vertex 0 is (Gain, Phase).
class ZoomGraph : public testing::WidgetTest<ControlTestAlgorithm> {
protected:
    static constexpr unsigned int kGain = ControlTestAlgorithm::kGain;
    static constexpr unsigned int kPhase = ControlTestAlgorithm::kPhase;

    void SetUp() override {
        WidgetTest::SetUp();
        graph = Make<KCZoomVerticesGraph>(
            "<Param Name='Gain'/><Param Name='Phase'/><Param Name='Phase'/><Param Name='Gain'/>",
            "<DataRange XMin='0' XMax='100' YMin='-10' YMax='10'/>"
            "<BKGColor R='0' G='0' B='0'/><LineColor R='255' G='0' B='0'/>",
            "width='100' height='100'");
    }

    std::unique_ptr<KCZoomVerticesGraph> graph;
};

TEST_F(ZoomGraph, MarkerMovesSetTheVertexParametersWithinTheRange) {
    ASSERT_EQ(graph->GetNumVertices(), 2);
    int told = 0;
    graph->SetVertexListHook([&](KCZoomVerticesGraph&) { ++told; });
    KIVertexMoveListener& listener = *graph;
    listener.OnVertexMoved(0, 25, 5);
    EXPECT_DOUBLE_EQ(State(kGain), 250);
    EXPECT_DOUBLE_EQ(State(kPhase), 750);
    EXPECT_EQ(graph->GetMasterVertex(), 0);
    EXPECT_EQ(told, 1);
    EXPECT_DOUBLE_EQ(graph->GetVertex(0).x, 25);
    EXPECT_DOUBLE_EQ(graph->GetVertex(1).y, -5) << "vertex 1 is (Phase, Gain): y from Gain";

    listener.OnVertexMoved(0, 150, -20);
    EXPECT_DOUBLE_EQ(State(kGain), 1000) << "outside the data range: clamped to its ends";
    EXPECT_DOUBLE_EQ(State(kPhase), 0);
    listener.OnVertexMoved(2, 10, 0);
    listener.OnVertexMoved(-1, 10, 0);
    EXPECT_EQ(told, 2) << "no such vertex: nothing happens";
    EXPECT_DOUBLE_EQ(State(kGain), 1000);

    // The master vertex stays after the gesture, unless the description clears it.
    Down(*graph, 50, 50);
    Up(*graph);
    EXPECT_EQ(graph->GetMasterVertex(), 0);
    auto clearing =
        Make<KCZoomVerticesGraph>("<Param Name='Gain'/><Param Name='Phase'/>",
                                  "<ClearMasterVertexOnMouseUp/>", "width='100' height='100'");
    clearing->OnVertexMoved(0, 0.5, 0.5);
    Down(*clearing, 50, 50);
    Up(*clearing);
    EXPECT_EQ(clearing->GetMasterVertex(), -1);
}

TEST_F(ZoomGraph, ABackgroundDragZoomsAndTheWindowStaysInsideTheData) {
    ExpectWindow(graph->GetDisplayWindow(), 0, 100, -10, 10);
    Down(*graph, 10, 10);
    Drag(*graph, 60, 60);
    EXPECT_EQ(graph->GetZoomRect(), KURect<short>(10, 10, 60, 60));
    Up(*graph);
    ExpectWindow(graph->GetDisplayWindow(), 10, 60, -2, 8);
    EXPECT_EQ(graph->GetZoomRect(), KURect<short>()) << "the selection ends with the gesture";

    // A few pixels are a click, not a zoom.
    Down(*graph, 50, 50);
    Drag(*graph, 52, 70);
    Up(*graph);
    ExpectWindow(graph->GetDisplayWindow(), 10, 60, -2, 8);

    // The algorithm may take the zoom itself.
    KSDataWindow asked;
    graph->SetZoomHook([&](KCZoomVerticesGraph&, const KSDataWindow& window) {
        asked = window;
        return true;
    });
    graph->UpdateDisplayCoordinateSystem(0, 100, -10, 10);
    Down(*graph, 0, 0);
    Drag(*graph, 50, 50);
    Up(*graph);
    ExpectWindow(asked, 0, 50, 0, 10);
    ExpectWindow(graph->GetDisplayWindow(), 0, 100, -10, 10);

    // Zoom and scroll limits.
    graph->ZoomBy(2);
    ExpectWindow(graph->GetDisplayWindow(), 25, 75, -5, 5);
    graph->ScrollBy(false, 10);
    ExpectWindow(graph->GetDisplayWindow(), 50, 100, -5, 5);
    graph->ScrollBy(true, -10);
    ExpectWindow(graph->GetDisplayWindow(), 50, 100, -10, 0);
    graph->ZoomBy(1e12);
    EXPECT_NEAR(graph->GetDisplayWindow().xMax - graph->GetDisplayWindow().xMin, 0.1, 1e-9)
        << "no narrower than a thousandth of the range";
    graph->ZoomBy(1e-12);
    ExpectWindow(graph->GetDisplayWindow(), 0, 100, -10, 10);
    graph->UpdateDisplayCoordinateSystem(90, 130, 5, -5);
    ExpectWindow(graph->GetDisplayWindow(), 60, 100, -5, 5);
    graph->ZoomBy(0);
    ExpectWindow(graph->GetDisplayWindow(), 60, 100, -5, 5);
}

TEST_F(ZoomGraph, DrawsTheEnvelopeThroughTheWindowAndRoundTrips) {
    Set(kGain, 0);
    Set(kPhase, 500);  // vertex 0 at (0, 0), vertex 1 at (50, -10): view (0, 50) to (50, 100)
    const PVM::KCImagePixels whole = Render(*graph, 100, 100);
    EXPECT_GT(Red(whole.At(25, 75)), 128U) << "half way along the line";
    EXPECT_EQ(whole.At(75, 25), Argb({0, 0, 0, 255}));
    graph->UpdateDisplayCoordinateSystem(0, 50, -10, 10);
    const PVM::KCImagePixels zoomed = Render(*graph, 100, 100);
    EXPECT_GT(Red(zoomed.At(50, 75)), 128U) << "twice as wide in the window";
    EXPECT_EQ(zoomed.At(25, 75), Argb({0, 0, 0, 255}));

    XML::CXMLElement parent("List", "");
    graph->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    ASSERT_FALSE(parent.GetSubElements().empty());
    KCZoomVerticesGraph back;
    back.ReadFromXMLWithAlg(*parent.GetSubElements().back(), &alg, false);
    ExpectWindow(back.GetDataRange(), 0, 100, -10, 10);
    EXPECT_EQ(back.GetNumVertices(), 2);
    auto inverted = Make<KCZoomVerticesGraph>(
        "", "<DataRange XMin='5' XMax='5' YMin='1' YMax='3'/>", "width='10' height='10'");
    ExpectWindow(inverted->GetDataRange(), 0, 1, 1, 3);  // an empty x axis is ignored
}

// ------------------------------------------------------------------ scroll bar and buttons

TEST_F(ZoomGraph, ScrollBarShowsAndMovesTheWindowAndStopsAtTheEnds) {
    auto bar = Make<CScroller>("", "<ScrollColor R='0' G='255' B='0'/>", "width='100' height='10'");
    EXPECT_EQ(bar->GetThumbRect(), KURect<short>(0, 0, 10, 100)) << "no graph: the whole bar";
    bar->SetTarget(graph.get());
    graph->UpdateDisplayCoordinateSystem(25, 75, -10, 10);
    EXPECT_EQ(bar->GetThumbRect(), KURect<short>(0, 25, 10, 75));
    const PVM::KCImagePixels drawn = Render(*bar, 100, 10);
    EXPECT_EQ(drawn.At(50, 5), Argb({0, 255, 0, 255}));
    EXPECT_EQ(drawn.At(10, 5), Argb(kDefaultWidgetPalette.sliderTrack));

    // The thumb follows the pointer: 10 of the 50 free pixels are a tenth of the range.
    Down(*bar, 50, 5);
    Drag(*bar, 60, 5);
    ExpectWindow(graph->GetDisplayWindow(), 35, 85, -10, 10);
    Drag(*bar, 300, 5);
    ExpectWindow(graph->GetDisplayWindow(), 50, 100, -10, 10);
    Drag(*bar, -300, 5);
    ExpectWindow(graph->GetDisplayWindow(), 0, 50, -10, 10);
    Up(*bar);
    // A press beside the thumb pages one window toward it.
    Down(*bar, 90, 5);
    Up(*bar);
    ExpectWindow(graph->GetDisplayWindow(), 50, 100, -10, 10);
    Down(*bar, 90, 5);
    Up(*bar);
    ExpectWindow(graph->GetDisplayWindow(), 50, 100, -10, 10);  // on the thumb: no paging

    // Vertical: the top of the bar is the top of the data.
    auto column = Make<CScroller>("", "", "width='10' height='100'");
    column->SetTarget(graph.get());
    graph->UpdateDisplayCoordinateSystem(0, 100, -10, 0);
    EXPECT_EQ(column->GetThumbRect(), KURect<short>(50, 0, 100, 10));
    Down(*column, 5, 75);
    Drag(*column, 5, 55);
    ExpectWindow(graph->GetDisplayWindow(), 0, 100, -6, 4);
    Up(*column);

    XML::CXMLElement parent("List", "");
    bar->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    CScroller back;
    back.ReadFromXMLWithAlg(*parent.GetSubElements().back(), &alg, false);
    EXPECT_EQ(back.GetScrollColor(), (KCRGBAColor{0, 255, 0, 255}));
}

TEST_F(ZoomGraph, ScrollerButtonsScrollOrZoomAndRepeatWhileHeld) {
    std::uint64_t now = 1'000'000;
    auto right = Make<CScrollerButton>("", "<IncDec Value='Inc'/><IncDecTypeScroll/>",
                                       "width='10' height='10'");
    right->SetClock([&] { return now; });
    right->SetTarget(graph.get());
    graph->UpdateDisplayCoordinateSystem(0, 50, -10, 10);
    Down(*right, 5, 5);
    ExpectWindow(graph->GetDisplayWindow(), 5, 55, -10, 10);
    now += CIncDec::kRepeatDelayUs;
    EXPECT_TRUE(right->UpdateMeter());
    ExpectWindow(graph->GetDisplayWindow(), 10, 60, -10, 10);
    for (int i = 0; i < 20; ++i) {
        now += CIncDec::kRepeatIntervalUs;
        right->UpdateMeter();
    }
    ExpectWindow(graph->GetDisplayWindow(), 50, 100, -10, 10);
    now += CIncDec::kRepeatIntervalUs;
    EXPECT_FALSE(right->UpdateMeter()) << "at the end nothing moves, so nothing redraws";
    Up(*right);
    EXPECT_FALSE(right->IsRepeating());

    auto zoomOut = Make<CScrollerButton>("", "<IncDec Value='Dec'/><IncDecTypeZoom/>",
                                         "width='10' height='10'");
    zoomOut->SetTarget(graph.get());
    graph->UpdateDisplayCoordinateSystem(40, 60, -1, 1);
    Down(*zoomOut, 5, 5);
    Up(*zoomOut);
    ExpectWindow(graph->GetDisplayWindow(), 37.5, 62.5, -1.25, 1.25);

    XML::CXMLElement parent("List", "");
    zoomOut->WriteToXMLWithAlg(parent, &alg, "cCONTROLLER");
    CScrollerButton back;
    back.ReadFromXMLWithAlg(*parent.GetSubElements().back(), &alg, false);
    EXPECT_EQ(back.GetKind(), CScrollerButton::eZoom);
    EXPECT_EQ(back.GetMode(), CIncDec::eDecrement);
}

TEST_F(ZoomGraph, TheTypeNamesMakeTheWidgetsAndScrollersFindTheirGraph) {
    KTResContainerType* none = nullptr;
    CStandardGUI_X gui(none);
    gui.AttachAlgorithm(&alg);
    ASSERT_EQ(gui.ReadFromXML(ParseXML(R"(<GUIXML version="4"><Control_List>
      <cCONTROLLER Name="G"><Class Type="ZoomVerticesGraph"/>
        <ControlRect left="0" top="0" width="100" height="100"/></cCONTROLLER>
      <cCONTROLLER Name="S"><Class Type="Scrollbar"/>
        <ControlRect left="0" top="100" width="100" height="10"/>
        <DependentsList><Dependent Name="G"/></DependentsList></cCONTROLLER>
      <cCONTROLLER Name="B"><Class Type="ScrollerButton"/>
        <ControlRect left="100" top="100" width="10" height="10"/>
        <DependentsList><Dependent Name="G"/></DependentsList></cCONTROLLER>
      <cCONTROLLER Name="P"><Class Type="DynamicPopup"/></cCONTROLLER>
      <cCONTROLLER Name="L"><Class Type="LRB"/></cCONTROLLER>
      <cCONTROLLER Name="M"><Class Type="MultiThumbSlider"/></cCONTROLLER>
    </Control_List></GUIXML>)")),
              eNoErr);
    // As when the GUI is built from its resources: every control exists, dependents resolve.
    ASSERT_EQ(gui.FinishCreate(), 0);
    auto* zoom = dynamic_cast<KCZoomVerticesGraph*>(gui.GetControlPtrByName("G"));
    auto* scrollbar = dynamic_cast<CScroller*>(gui.GetControlPtrByName("S"));
    auto* button = dynamic_cast<CScrollerButton*>(gui.GetControlPtrByName("B"));
    ASSERT_NE(zoom, nullptr);
    ASSERT_NE(scrollbar, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(scrollbar->GetTarget(), zoom);
    EXPECT_EQ(button->GetTarget(), zoom);
    EXPECT_NE(dynamic_cast<KCDynamicPopup*>(gui.GetControlPtrByName("P")), nullptr);
    EXPECT_NE(dynamic_cast<CLRB_X*>(gui.GetControlPtrByName("L")), nullptr);
    EXPECT_NE(dynamic_cast<KCMultiThumbSlider*>(gui.GetControlPtrByName("M")), nullptr);
}

// ------------------------------------------------------------------ markers in a GUI

// A graph whose description names its markers, built as a plug-in's GUI is: vertex 0 is
// (Gain, Phase), vertex 1 (Phase, Gain); both markers move Gain across and Phase up, the
// parameters of vertex 0.
class GraphMarkers : public ZoomGraph {
protected:
    void SetUp() override {
        ZoomGraph::SetUp();
        gui.AttachAlgorithm(&alg);
        gui.CreateUndoManager()->setUndoLevel(10);
        // B travels beside the graph, so the two never overlap.
        const auto marker = [](const char* left) {
            return std::string("<Class Type='Marker'/><ControlRect left='") + left +
                   "' top='0' width='101' height='101'/>"
                   "<ParameterList><Param Name='Gain'><MouseHorizontal/></Param>"
                   "<Param Name='Phase'><MouseVertical/></Param></ParameterList>";
        };
        ASSERT_EQ(gui.ReadFromXML(ParseXML(
                      "<GUIXML version='4'><Control_List>"
                      "<cCONTROLLER Name='G'><Class Type='ZoomVerticesGraph'/>"
                      "<ControlRect left='0' top='0' width='101' height='101'/>"
                      "<DataRange XMin='0' XMax='100' YMin='-10' YMax='10'/>"
                      "<ClearMasterVertexOnMouseUp Value='true'/>"
                      "<ParameterList><Param Name='Gain'/><Param Name='Phase'/>"
                      "<Param Name='Phase'/><Param Name='Gain'/></ParameterList>"
                      "<DependentsList><Dependent Name='A'/><Dependent Name='Missing'/>"
                      "<Dependent Name='S'/><Dependent Name='B'/></DependentsList></cCONTROLLER>"
                      "<cCONTROLLER Name='S'><Class Type='Scrollbar'/>"
                      "<ControlRect left='0' top='101' width='101' height='10'/></cCONTROLLER>"
                      "<cCONTROLLER Name='A'>" +
                      marker("0") + "</cCONTROLLER><cCONTROLLER Name='B'>" + marker("150") +
                      "</cCONTROLLER></Control_List></GUIXML>")),
                  eNoErr);
        ASSERT_EQ(gui.FinishCreate(), 0);
        zoom = dynamic_cast<KCZoomVerticesGraph*>(gui.GetControlPtrByName("G"));
        a = dynamic_cast<CMarker_X*>(gui.GetControlPtrByName("A"));
        b = dynamic_cast<CMarker_X*>(gui.GetControlPtrByName("B"));
        ASSERT_NE(zoom, nullptr);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        zoom->SetVertexListHook(
            [this](KCZoomVerticesGraph& g) { masters.push_back(g.GetMasterVertex()); });
    }
    static PVM::KCEventData Mouse(KCPoint2D<short> at, bool down) {
        PVM::KCEventData event = At(at.x, at.y);
        event.SetMouseButtonPressed(PVM::eLeftButton, down);
        return event;
    }

    KTResContainerType* none = nullptr;
    CStandardGUI_X gui{none};
    KCZoomVerticesGraph* zoom = nullptr;
    CMarker_X* a = nullptr;
    CMarker_X* b = nullptr;
    std::vector<int> masters;
};

TEST_F(GraphMarkers, TheGraphListensToTheMarkersItsDescriptionNames) {
    EXPECT_EQ(zoom->GetMarkers(), (std::vector<CMarker_X*>{a, b}))
        << "unknown names and controls that are not markers are left out";
    EXPECT_EQ(a->GetMarkerListener(), zoom);
    EXPECT_EQ(b->GetMarkerListener(), zoom);
    EXPECT_EQ(zoom->GetMarkerVertex(*b), 1);
    // Finishing again (as a second FinishCreate does) keeps the connection.
    ASSERT_EQ(gui.FinishCreate(), 0);
    EXPECT_EQ(a->GetMarkerListener(), zoom);
}

TEST_F(GraphMarkers, AMarkerDraggedInTheGuiMovesItsVertexAsOneUndoStep) {
    Set(kGain, 500);
    Set(kPhase, 0);
    const KCPoint2D<short> from = a->GetMarkerPoint();
    ASSERT_EQ(from, KCPoint2D<short>(50, 100));
    PVM::KCEventData press = Mouse(from, true);
    gui.DoMouseDown(press);
    PVM::KCEventData move = Mouse({60, 60}, true);
    gui.DoMouseMove(move);
    move = Mouse({75, 25}, true);
    gui.DoMouseMove(move);
    EXPECT_DOUBLE_EQ(State(kGain), 750);
    EXPECT_DOUBLE_EQ(State(kPhase), 750);
    EXPECT_DOUBLE_EQ(zoom->GetVertex(0).x, 75);
    EXPECT_DOUBLE_EQ(zoom->GetVertex(0).y, 5);
    ASSERT_EQ(masters.size(), 2U) << "told at every drag step";
    EXPECT_EQ(masters.back(), 0);
    EXPECT_EQ(zoom->GetMasterVertex(), 0);

    PVM::KCEventData release = Mouse({75, 25}, false);
    gui.DoMouseUp(release);
    EXPECT_EQ(zoom->GetMasterVertex(), -1) << "cleared by the release, as the graph asks";
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_DOUBLE_EQ(State(kGain), 500) << "the whole drag is one step";
    EXPECT_DOUBLE_EQ(State(kPhase), 0);
    EXPECT_DOUBLE_EQ(zoom->GetVertex(0).x, 50);
}

TEST_F(GraphMarkers, AMarkerOnOtherParametersPutsItsVertexWhereItStands) {
    // B stands at a quarter across and nine tenths up; its vertex 1 is (Phase, Gain).
    Set(kGain, 250);
    Set(kPhase, 900);
    zoom->MarkerMoved(*b, 250, 900);
    EXPECT_DOUBLE_EQ(State(kPhase), 250);
    EXPECT_DOUBLE_EQ(State(kGain), 900);
    EXPECT_DOUBLE_EQ(zoom->GetVertex(1).x, 25);
    EXPECT_DOUBLE_EQ(zoom->GetVertex(1).y, 8);
    EXPECT_EQ(masters, (std::vector<int>{1}));

    // A marker the graph does not list changes nothing.
    CMarker_X stranger(&gui);
    zoom->MarkerMoved(stranger, 0, 0);
    zoom->MarkerReleased(stranger);
    EXPECT_EQ(masters.size(), 1U);
    EXPECT_EQ(zoom->GetMasterVertex(), 1);
}

TEST_F(GraphMarkers, ArrowKeysMoveTheSelectedMarkerOrTheGraphsMasterVertex) {
    Set(kGain, 500);
    Set(kPhase, 0);
    const auto key = [&](PVM::KEKeyCode code) { return PressKey(gui, code); };
    ASSERT_TRUE(gui.SelectControlByName("A"));
    EXPECT_TRUE(key(PVM::eKeyUp));
    EXPECT_DOUBLE_EQ(State(kPhase), 1) << "one displayed step up";
    EXPECT_EQ(masters, (std::vector<int>{0})) << "the graph hears a key move as a drag step";

    // With the graph selected, the keys move the marker of its master vertex.
    ASSERT_TRUE(gui.SelectControlByName("G"));
    EXPECT_TRUE(key(PVM::eKeyRight));
    EXPECT_GT(State(kGain), 500);
    EXPECT_NEAR(zoom->GetVertex(0).x, State(kGain) / 10, 1e-9);
    EXPECT_EQ(masters, (std::vector<int>{0, 0}));
    EXPECT_FALSE(key(PVM::eKeyHome)) << "not an arrow";
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_DOUBLE_EQ(State(kGain), 500) << "each key press is an undo step";
    EXPECT_DOUBLE_EQ(State(kPhase), 1);

    bool handled = true;
    PVM::KCEventData right;
    right.SetKey(PVM::eKeyRight, 0);
    Free(graph->UpdateMarkersKey(right, handled));
    EXPECT_FALSE(handled) << "a graph without markers has nothing to move";
}

TEST_F(GraphMarkers, MarkersFollowTheGraphsZoomAndScroll) {
    Set(kGain, 250);
    Set(kPhase, 500);
    zoom->UpdateDisplayCoordinateSystem(0, 50, -10, 10);
    ASSERT_EQ(a->GetMarkerPoint(), KCPoint2D<short>(50, 50)) << "x 25 is mid-window";
    PVM::KCEventData press = Mouse({50, 50}, true);
    gui.DoMouseDown(press);
    PVM::KCEventData move = Mouse({75, 50}, true);
    gui.DoMouseMove(move);
    EXPECT_DOUBLE_EQ(State(kGain), 375) << "three quarters across the window: x 37.5";
    EXPECT_DOUBLE_EQ(zoom->GetVertex(0).x, 37.5);
    move = Mouse({150, 50}, true);
    gui.DoMouseMove(move);
    EXPECT_DOUBLE_EQ(State(kGain), 500) << "the drag stops at the window's edge";
    PVM::KCEventData release = Mouse({150, 50}, false);
    gui.DoMouseUp(release);

    // Scrolled past it, the marker is neither drawn nor hit.
    Set(kGain, 250);
    zoom->ScrollBy(false, 1.0);
    EXPECT_FALSE(a->IsInView());
    EXPECT_FALSE(a->IsPointInside(a->GetMarkerPoint(), nullptr));
    zoom->UpdateDisplayCoordinateSystem(0, 100, -10, 10);
    EXPECT_TRUE(a->IsInView());
    EXPECT_EQ(a->GetMarkerPoint(), KCPoint2D<short>(25, 50));
}

// Mended: a marker kept reporting to a graph deleted from the GUI, and a graph kept a deleted
// marker among its dependents; both pointed at a destroyed control.
TEST_F(GraphMarkers, DeletingTheGraphOrAMarkerLeavesNoReportToADestroyedControl) {
    ASSERT_TRUE(gui.DeleteControl(b));
    EXPECT_EQ(zoom->GetMarkers(), (std::vector<CMarker_X*>{a}));
    ASSERT_TRUE(gui.DeleteControl(zoom));
    EXPECT_EQ(a->GetMarkerListener(), nullptr);

    Set(kGain, 500);
    Set(kPhase, 0);
    PVM::KCEventData press = Mouse(a->GetMarkerPoint(), true);
    gui.DoMouseDown(press);
    PVM::KCEventData move = Mouse({75, 25}, true);
    gui.DoMouseMove(move);
    PVM::KCEventData release = Mouse({75, 25}, false);
    gui.DoMouseUp(release);
    EXPECT_DOUBLE_EQ(State(kGain), 750) << "the marker still works on its own";
    EXPECT_TRUE(masters.empty());
}

// "Steps" carries an envelope whose markers are cloned from the control "T".
class EnvelopeAlgorithm : public ControlTestAlgorithm {
protected:
    int BuildParameterList() override {
        const int result = ControlTestAlgorithm::BuildParameterList();
        XML::CXMLElement description = ParseXML(
            "<ExtensionClass Type='DynamicMarkers'><TemplateControl Name='T'/></ExtensionClass>");
        auto* markers = new KCParamExtensionDynamicMarkers();
        markers->ReadFromXML(&description);
        GetParamVector()[kSteps].SetParamExtension(markers);
        return result;
    }
};

// A 101 x 101 graph over x 0 ... 100 and y -10 ... 10 whose third registration holds the
// envelope; the template marker T moves Gain and Phase beside it.
class DynamicMarkers : public testing::WidgetTest<EnvelopeAlgorithm> {
protected:
    static constexpr unsigned int kGain = EnvelopeAlgorithm::kGain;
    static constexpr unsigned int kPhase = EnvelopeAlgorithm::kPhase;

    void SetUp() override {
        WidgetTest::SetUp();
        gui.AttachAlgorithm(&alg);
        ASSERT_EQ(
            gui.ReadFromXML(ParseXML("<GUIXML version='4'><Control_List>"
                                     "<cCONTROLLER Name='G'><Class Type='ZoomVerticesGraph'/>"
                                     "<ControlRect left='0' top='0' width='101' height='101'/>"
                                     "<DataRange XMin='0' XMax='100' YMin='-10' YMax='10'/>"
                                     "<ParameterList><Param Name='Gain'/><Param Name='Phase'/>"
                                     "<Param Name='Steps'/></ParameterList></cCONTROLLER>"
                                     "<cCONTROLLER Name='T'><Class Type='Marker'/>"
                                     "<ControlRect left='200' top='0' width='101' height='101'/>"
                                     "<ParameterList><Param Name='Gain'><MouseHorizontal/></Param>"
                                     "<Param Name='Phase'><MouseVertical/></Param></ParameterList>"
                                     "</cCONTROLLER></Control_List></GUIXML>")),
            eNoErr);
        ASSERT_EQ(gui.FinishCreate(), 0);
        zoom = dynamic_cast<KCZoomVerticesGraph*>(gui.GetControlPtrByName("G"));
        ASSERT_NE(zoom, nullptr);
        envelope = zoom->GetDynamicMarkersExtension();
        ASSERT_NE(envelope, nullptr);
        zoom->SetVertexListHook([this](KCZoomVerticesGraph& /*g*/) { ++told; });
    }
    static PVM::KCEventData Mouse(KCPoint2D<short> at, bool down) {
        PVM::KCEventData event = At(at.x, at.y);
        event.SetMouseButtonPressed(PVM::eLeftButton, down);
        return event;
    }
    void ExpectEnvelope(const std::vector<KCPoint2D<double>>& expected) const {
        const auto& points = envelope->GetEnvelopeVec();
        ASSERT_EQ(points.size(), expected.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_NEAR(points[i].x, expected[i].x, 1e-9) << "vertex " << i;
            EXPECT_NEAR(points[i].y, expected[i].y, 1e-9) << "vertex " << i;
        }
        EXPECT_EQ(zoom->GetNumDynamicMarkers(), static_cast<int>(expected.size()));
    }

    KTResContainerType* none = nullptr;
    CStandardGUI_X gui{none};
    KCZoomVerticesGraph* zoom = nullptr;
    KCParamExtensionDynamicMarkers* envelope = nullptr;
    int told = 0;
};

TEST_F(DynamicMarkers, MarkersAreClonedPerVertexInEnvelopeOrderAndDisposedWithIt) {
    EXPECT_EQ(zoom->CreateDynamicMarker({50, 0}), 0);
    EXPECT_EQ(zoom->CreateDynamicMarker({25, 5}), 0) << "placed by x";
    EXPECT_EQ(zoom->CreateDynamicMarker({500, -50}), 2) << "held inside the data range";
    ExpectEnvelope({{25, 5}, {50, 0}, {100, -10}});
    EXPECT_EQ(told, 3);

    CMarker_X* first = zoom->GetDynamicMarker(0);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, gui.GetControlPtrByName("T"));
    EXPECT_EQ(first->GetMarkerListener(), zoom);
    EXPECT_TRUE(first->GetRegistrations().empty()) << "the template's parameters stay its own";
    EXPECT_EQ(first->GetMarkerPoint(), KCPoint2D<short>(25, 25));
    EXPECT_EQ(zoom->GetDynamicMarker(2)->GetMarkerPoint(), KCPoint2D<short>(100, 100));

    EXPECT_FALSE(zoom->DisposeDynamicMarker(3));
    EXPECT_FALSE(zoom->DisposeDynamicMarker(-1));
    EXPECT_TRUE(zoom->DisposeDynamicMarker(1));
    ExpectEnvelope({{25, 5}, {100, -10}});

    zoom->SelectDynamicMarker(0, true);
    zoom->SelectDynamicMarker(1, true);
    zoom->SelectDynamicMarker(1, false);
    EXPECT_EQ(zoom->DisposeSelectedMarkers(), 1);
    ExpectEnvelope({{100, -10}});

    // Vertices the setup already holds get their markers when the list is brought up to date.
    envelope->CreateVertex({10, 0});
    zoom->UpdateMarkersList();
    ExpectEnvelope({{10, 0}, {100, -10}});

    // Without the extension there is no envelope to add to.
    KCZoomVerticesGraph lone(&gui);
    EXPECT_EQ(lone.CreateDynamicMarker({1, 1}), -1);
    EXPECT_EQ(lone.GetNumDynamicMarkers(), 0);
}

TEST_F(DynamicMarkers, ADragMovesTheVertexInOrderAndLeavesTheTemplatesParameters) {
    Set(kGain, 300);
    Set(kPhase, 300);
    zoom->CreateDynamicMarker({25, 5});
    zoom->CreateDynamicMarker({50, 0});
    told = 0;
    PVM::KCEventData press = Mouse({25, 25}, true);
    gui.DoMouseDown(press);
    EXPECT_TRUE(zoom->IsDynamicMarkerSelected(0));
    EXPECT_FALSE(zoom->IsDynamicMarkerSelected(1));
    PVM::KCEventData move = Mouse({40, 50}, true);
    gui.DoMouseMove(move);
    ExpectEnvelope({{40, 0}, {50, 0}});
    // Past its neighbour the vertex stops at it: the envelope keeps its order.
    move = Mouse({75, 50}, true);
    gui.DoMouseMove(move);
    PVM::KCEventData release = Mouse({75, 50}, false);
    gui.DoMouseUp(release);
    ExpectEnvelope({{50, 0}, {50, 0}});
    EXPECT_EQ(zoom->GetDynamicMarker(0)->GetMarkerPoint().x, 50) << "shown where it was held";
    EXPECT_EQ(told, 2);
    EXPECT_DOUBLE_EQ(State(kGain), 300);
    EXPECT_DOUBLE_EQ(State(kPhase), 300);

    EXPECT_EQ(zoom->DisposeSelectedMarkers(), 1);
    ExpectEnvelope({{50, 0}});
}

TEST_F(DynamicMarkers, MarkersFollowTheWindowAndHideOutsideIt) {
    zoom->CreateDynamicMarker({25, 5});
    zoom->CreateDynamicMarker({75, 0});
    zoom->UpdateDisplayCoordinateSystem(0, 50, -10, 10);
    EXPECT_EQ(zoom->GetDynamicMarker(0)->GetMarkerPoint(), KCPoint2D<short>(50, 25));
    EXPECT_TRUE(zoom->GetDynamicMarker(1)->IsHidden()) << "x 75 is right of the window";
    zoom->ScrollBy(false, 1.0);
    EXPECT_TRUE(zoom->GetDynamicMarker(0)->IsHidden());
    EXPECT_FALSE(zoom->GetDynamicMarker(1)->IsHidden());
    EXPECT_EQ(zoom->GetDynamicMarker(1)->GetMarkerPoint(), KCPoint2D<short>(50, 50));

    // A hidden marker takes no press: the drag selects a zoom rectangle instead.
    PVM::KCEventData press = Mouse({50, 25}, true);
    gui.DoMouseDown(press);
    EXPECT_FALSE(zoom->IsDynamicMarkerSelected(0));
    PVM::KCEventData release = Mouse({50, 25}, false);
    gui.DoMouseUp(release);
}

// Each creation, removal, drag and key move of dynamic markers is one step of the GUI's undo
// history, and going back or forth brings the markers back with their vertices.
TEST_F(DynamicMarkers, CreatingDisposingAndDraggingMarkersAreUndoSteps) {
    Undo::KCUndoManagerAbs* undo = gui.CreateUndoManager();
    undo->setUndoLevel(20);
    Set(kGain, 300);
    gui.RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypeParameters);
    zoom->CreateDynamicMarker({25, 5});
    zoom->CreateDynamicMarker({75, 0});
    EXPECT_EQ(undo->GetLastUndoCommandName().c_str(), std::string("Vertex changes"));
    told = 0;

    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    ExpectEnvelope({{25, 5}});
    EXPECT_EQ(told, 1) << "the vertex-list hook hears the envelope came back";
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    ExpectEnvelope({});
    EXPECT_DOUBLE_EQ(State(kGain), 300) << "the parameters stay as they were";
    undo->Redo();
    undo->Redo();
    ExpectEnvelope({{25, 5}, {75, 0}});

    // A plain parameter change in between leaves the markers to the steps around it.
    Set(kGain, 600);
    gui.RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypeParameters);
    zoom->SelectDynamicMarker(0, true);
    zoom->SelectDynamicMarker(1, true);
    EXPECT_EQ(zoom->DisposeSelectedMarkers(), 2);
    ExpectEnvelope({});
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1) << "both removals are one step";
    ExpectEnvelope({{25, 5}, {75, 0}});
    EXPECT_DOUBLE_EQ(State(kGain), 600);
    EXPECT_FALSE(zoom->IsDynamicMarkerSelected(0)) << "markers made again start unselected";
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    EXPECT_DOUBLE_EQ(State(kGain), 300);
    ExpectEnvelope({{25, 5}, {75, 0}});
    undo->Redo();
    undo->Redo();
    ExpectEnvelope({});

    // A drag in the GUI is one step; a press that does not move records none.
    EXPECT_EQ(zoom->CreateDynamicMarker({25, 5}), 0);
    const unsigned int steps = undo->GetUndoStackSize();
    PVM::KCEventData press = Mouse({25, 25}, true);
    gui.DoMouseDown(press);
    PVM::KCEventData release = Mouse({25, 25}, false);
    gui.DoMouseUp(release);
    EXPECT_EQ(undo->GetUndoStackSize(), steps);
    gui.DoMouseDown(press);
    PVM::KCEventData move = Mouse({40, 50}, true);
    gui.DoMouseMove(move);
    move = Mouse({60, 50}, true);
    gui.DoMouseMove(move);
    release = Mouse({60, 50}, false);
    gui.DoMouseUp(release);
    ExpectEnvelope({{60, 0}});
    EXPECT_EQ(undo->GetUndoStackSize(), steps + 1);
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    ExpectEnvelope({{25, 5}});
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    ExpectEnvelope({});

    // The first change after an undo, with steps left to redo, is one step, and one undo goes
    // back to the markers the undo had brought.
    ASSERT_TRUE(undo->CanRedo());
    const unsigned int afterUndo = undo->GetUndoStackSize();
    EXPECT_EQ(zoom->CreateDynamicMarker({75, 0}), 0);
    EXPECT_EQ(undo->GetUndoStackSize(), afterUndo + 1);
    EXPECT_FALSE(undo->CanRedo());
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1);
    ExpectEnvelope({});
}

TEST_F(DynamicMarkers, ShiftClicksBuildASelectionThatTheArrowKeysMove) {
    gui.CreateUndoManager()->setUndoLevel(20);
    zoom->CreateDynamicMarker({25, 5});
    zoom->CreateDynamicMarker({50, 0});
    zoom->CreateDynamicMarker({75, 0});
    const auto click = [&](KCPoint2D<short> at, bool shift) {
        PVM::KCEventData press = Mouse(at, true);
        press.SetKeyModifier(eModShift, shift);
        gui.DoMouseDown(press);
        PVM::KCEventData release = Mouse(at, false);
        release.SetKeyModifier(eModShift, shift);
        gui.DoMouseUp(release);
    };
    const auto key = [&](PVM::KEKeyCode code) { return PressKey(gui, code); };
    click({25, 25}, false);
    click({75, 50}, true);
    EXPECT_TRUE(zoom->IsDynamicMarkerSelected(0));
    EXPECT_FALSE(zoom->IsDynamicMarkerSelected(1));
    EXPECT_TRUE(zoom->IsDynamicMarkerSelected(2));
    EXPECT_TRUE(zoom->IsSelected()) << "the graph keeps the keys";
    click({50, 50}, true);
    click({50, 50}, true);
    EXPECT_FALSE(zoom->IsDynamicMarkerSelected(1)) << "a second Shift-click takes it out";
    EXPECT_TRUE(zoom->IsDynamicMarkerSelected(0));

    // One pixel of the 101-pixel draw area over x 0 ... 100 and y -10 ... 10.
    const double dx = 100.0 / 101.0;
    const double dy = 20.0 / 101.0;
    told = 0;
    EXPECT_TRUE(key(PVM::eKeyRight));
    ExpectEnvelope({{25 + dx, 5}, {50, 0}, {75 + dx, 0}});
    EXPECT_TRUE(key(PVM::eKeyUp));
    ExpectEnvelope({{25 + dx, 5 + dy}, {50, 0}, {75 + dx, dy}});
    EXPECT_EQ(told, 2);
    EXPECT_EQ(gui.System_ExecuteUndo(1), 1) << "each press is one step";
    ExpectEnvelope({{25 + dx, 5}, {50, 0}, {75 + dx, 0}});

    // A key that is no arrow, or no selected marker, leaves the envelope alone.
    EXPECT_FALSE(key(PVM::eKeyHome));
    click({50, 50}, false);
    zoom->SelectDynamicMarker(1, false);
    EXPECT_FALSE(key(PVM::eKeyLeft)) << "no master vertex either";
    ExpectEnvelope({{25 + dx, 5}, {50, 0}, {75 + dx, 0}});
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
