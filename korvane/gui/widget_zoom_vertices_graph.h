// KCZoomVerticesGraph: a graph whose vertices are parameters, shown by markers the user drags,
// with a zoomable, scrollable window on the data. Each vertex is a pair of registrations (x,
// then y), mapped from state 0 ... 1000 onto the data range. The markers its "DependentsList"
// names stand for the vertices in that order and report their moves to it; a drag on the
// background selects a zoom rectangle.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/vertex_move_listener.h"
#include "korvane/gui/widget_graph.h"
#include "korvane/gui/widget_marker.h"

#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {

class KCParamExtensionDynamicMarkers;

// A window on data: the visible part of each axis, in data units. Plain value: [any-thread].
struct KSDataWindow {
    double xMin = 0.0;
    double xMax = 1.0;
    double yMin = 0.0;
    double yMax = 1.0;
    friend bool operator==(const KSDataWindow&, const KSDataWindow&) = default;
};

// [gui-thread]
class KORVANE_API KCZoomVerticesGraph : public KCGraph,
                                        public KIVertexMoveListener,
                                        public KCMarkerListener {
public:
    // Told after a marker moved a vertex (the algorithm updates its vertex list from it).
    using KTVertexListChanged = std::function<void(KCZoomVerticesGraph&)>;
    // Told the data rectangle a background drag selected; true when it took the zoom itself
    // (and set the display with UpdateDisplayCoordinateSystem), false to let the graph show it.
    using KTZoomRequest = std::function<bool(KCZoomVerticesGraph&, const KSDataWindow&)>;

    explicit KCZoomVerticesGraph(CStandardGUI_X* owner = nullptr) : KCGraph(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new KCZoomVerticesGraph(*this); }

    // The markers among the resolved dependents, in list order: marker i moves vertex i.
    [[nodiscard]] std::vector<CMarker_X*> GetMarkers() const;
    // The vertex a marker moves; -1 when the marker is not one of this graph's.
    [[nodiscard]] int GetMarkerVertex(const CMarker_X& marker) const;

    // Besides the graph's description: "DataRange" (attributes "XMin", "XMax", "YMin",
    // "YMax"; 0 ... 1 on both axes by default; an axis whose maximum is not above its minimum
    // is ignored), "LineColor" ("R", "G", "B", "A") and "ClearMasterVertexOnMouseUp".
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    [[nodiscard]] const KSDataWindow& GetDataRange() const { return m_range; }
    [[nodiscard]] const KSDataWindow& GetDisplayWindow() const { return m_window; }
    // Shows the given part of the data; it is clamped inside the data range and kept at least
    // kMinWindowFraction of it wide and high.
    void UpdateDisplayCoordinateSystem(double xMin, double xMax, double yMin, double yMax);
    // Zooms the window about its centre: a factor above 1 zooms in.
    void ZoomBy(double factor);
    // Moves the window on `vertical` (false: x) by `fraction` of its own size; it stops at the
    // ends of the data range.
    void ScrollBy(bool vertical, double fraction);
    // The window's start on the axis and its size, as fractions of the data range.
    [[nodiscard]] std::pair<double, double> GetScrollFraction(bool vertical) const;
    // Puts the window's start at `fraction` of the data range (clamped so it stays inside).
    void ScrollTo(bool vertical, double fraction);

    // Data coordinates and view pixels, through the window and the draw area.
    [[nodiscard]] KCPoint2D<double> DataToView(KCPoint2D<double> data) const;
    [[nodiscard]] KCPoint2D<double> ViewToData(KCPoint2D<short> point) const;

    [[nodiscard]] int GetNumVertices() const;
    // Vertex `index` in data coordinates, from its parameters' states.
    [[nodiscard]] KCPoint2D<double> GetVertex(int index) const;
    // Sets the vertex's parameters from data coordinates (clamped to the data range), makes it
    // the master vertex and tells the vertex-list hook. An index outside the vertices does
    // nothing.
    void OnVertexMoved(int index, double x, double y) override;
    // A marker's drag: each axis whose parameter is not the vertex's own (which the marker
    // already set) takes the marker's place in its area across the data range; then as
    // OnVertexMoved. A marker this graph does not list is ignored.
    void MarkerMoved(CMarker_X& marker, double xState, double yState) override;
    // The end of a marker's drag: clears the master vertex with "ClearMasterVertexOnMouseUp".
    void MarkerReleased(CMarker_X& marker) override;
    void MarkerSwitched(CMarker_X& marker) override;
    // An arrow key moves the master vertex's marker as its own key would (a step of its
    // parameter); `handled` is false without a master vertex or its marker. (KeySelf first
    // moves the selected dynamic markers, when there are any.)
    BUFFER_HEADER* UpdateMarkersKey(const Event& event, bool& handled);
    // The vertex last moved; -1 for none.
    [[nodiscard]] int GetMasterVertex() const { return m_master; }
    void SetVertexListHook(KTVertexListChanged hook) { m_vertexListHook = std::move(hook); }
    void SetZoomHook(KTZoomRequest hook) { m_zoomHook = std::move(hook); }
    // --- Dynamic markers: one per vertex of the envelope of the first registered parameter with a
    // "DynamicMarkers" extension, cloned from the marker its "TemplateControl" names. The
    // envelope is in data coordinates; the markers stand where the window shows their vertex
    // (hidden outside it) and a drag moves the vertex. Owned by the graph, drawn after it.
    // The extension; null when no registered parameter has one.
    [[nodiscard]] KCParamExtensionDynamicMarkers* GetDynamicMarkersExtension() const;
    // Adds a vertex at `data` and its marker, one undo step of the GUI ("Vertex changes"); the
    // new marker's index, -1 without the extension or a template marker.
    int CreateDynamicMarker(KCPoint2D<double> data);
    // Removes marker `index` and its vertex, one undo step; false for an index past the markers.
    bool DisposeDynamicMarker(int index);
    // Removes the selected dynamic markers and their vertices, together one undo step; how
    // many went.
    int DisposeSelectedMarkers();
    [[nodiscard]] int GetNumDynamicMarkers() const {
        return static_cast<int>(m_dynamic.list.size());
    }
    [[nodiscard]] CMarker_X* GetDynamicMarker(int index) const;
    // A press on a dynamic marker selects it alone, a Shift-press adds it to the selection or
    // takes it out; this adds or removes one.
    void SelectDynamicMarker(int index, bool selected);
    [[nodiscard]] bool IsDynamicMarkerSelected(int index) const;
    // Makes as many dynamic markers as the envelope has vertices (after a setup change, say).
    void UpdateMarkersList();
    // The envelope was replaced (an undo step): the markers are made again, unselected, and the
    // vertex-list hook is told.
    void EnvelopeReplaced();
    // Puts the dynamic markers where the window shows their vertices.
    void UpdateMarkersPosition();

    // The rectangle a background drag is selecting, in view coordinates; empty outside one.
    [[nodiscard]] const KURect<short>& GetZoomRect() const { return m_zoomRect; }

    // The graph, then the vertices joined by a line, then the zoom rectangle being selected.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

    static constexpr double kMinWindowFraction = 0.001;
    // A selection smaller than this (pixels) on either side is a click, not a zoom.
    static constexpr short kMinZoomPixels = 4;

protected:
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    BUFFER_HEADER* MouseDragSelf(const Event& event, double dx, double dy,
                                 KURect<double>* rect) override;
    BUFFER_HEADER* MouseUpSelf(const Event& event) override;
    // The arrow keys move the selected dynamic markers (one pixel of the window, one undo step
    // per press), else the master vertex's marker (UpdateMarkersKey).
    BUFFER_HEADER* KeySelf(const Event& event, bool& handled) override;
    // A Shift-press on a dynamic marker adds it to the selection or takes it out.
    bool ExtendOwnSelectionSelf(const Event& event) override;
    // Makes itself the listener of its markers once the dependents are resolved, and makes the
    // dynamic markers of the envelope.
    int FinishCreateSelf() override;

private:
    void ClampWindow();
    // Sets the vertex's parameters to these states (NaN: the axis stays), makes it the master
    // vertex and tells the hook.
    void SetVertexStates(int index, const std::array<double, 2>& states);

    struct DynamicMarker {
        std::unique_ptr<CMarker_X> marker;
        bool selected = false;
    };
    // A copy of the graph starts without dynamic markers: they belong to one graph.
    struct DynamicMarkers {
        DynamicMarkers() = default;
        DynamicMarkers(const DynamicMarkers& /*other*/) {}
        DynamicMarkers& operator=(const DynamicMarkers& other) {
            if (this != &other) {
                list.clear();
            }
            return *this;
        }
        ~DynamicMarkers() = default;
        std::vector<DynamicMarker> list;
    };
    [[nodiscard]] int GetDynamicMarkerIndex(const CMarker_X& marker) const;
    // The registration whose parameter's extension holds the envelope; null without one.
    [[nodiscard]] const KCParamRegistrationData* GetDynamicMarkersRegistration() const;
    // The dynamic marker under the event's pointer (the topmost); -1 for none.
    [[nodiscard]] int GetDynamicMarkerAt(const Event& event) const;
    int AddDynamicMarker(KCPoint2D<double> data);
    bool RemoveDynamicMarker(int index);
    // Records the change of the envelope from `before` to now as one undo step of the GUI.
    void RecordEnvelopeUndo(const std::vector<KCPoint2D<double>>& before);
    // The arrow keys move the selected dynamic markers one pixel of the window; false (and
    // nothing moves) for another key or without a selected one.
    bool MoveSelectedMarkersByKey(const Event& event);
    [[nodiscard]] std::unique_ptr<CMarker_X> CloneTemplateMarker();
    // Moves dynamic marker `index`'s vertex to the marker's place in the window.
    void DynamicMarkerMoved(int index);

    DynamicMarkers m_dynamic;
    int m_draggedDynamic = -1;
    std::vector<KCPoint2D<double>> m_envelopeAtPress;
    KSDataWindow m_range;
    KSDataWindow m_window;
    KCRGBAColor m_lineColor{80, 160, 255, 255};
    bool m_clearMasterOnMouseUp = false;
    int m_master = -1;
    KCPoint2D<short> m_zoomStart;
    KURect<short> m_zoomRect;
    bool m_selecting = false;
    KTVertexListChanged m_vertexListHook;
    KTZoomRequest m_zoomHook;
};

}  // namespace kvKorvaneV10_0_3
