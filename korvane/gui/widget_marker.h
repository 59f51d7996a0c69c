// CMarker_X: a draggable point on a graph, moving two parameters at once, and the interface
// through which it tells the graph that owns it what the user did.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_control.h"

namespace kvKorvaneV10_0_3 {

class CMarker_X;

// What a marker reports to the graph that shows it (a zoom-vertices graph keeps its vertex list
// in step this way). Every call comes after the parameters changed. [gui-thread]
class KORVANE_API KCMarkerListener {
public:
    KCMarkerListener() = default;
    KCMarkerListener(const KCMarkerListener&) = default;
    KCMarkerListener& operator=(const KCMarkerListener&) = default;
    virtual ~KCMarkerListener();
    // A drag step moved the marker to these states of its horizontal and vertical parameters
    // (the current state of an axis without a parameter: 0).
    virtual void MarkerMoved(CMarker_X& marker, double xState, double yState) = 0;
    // The button was released after the marker moved: the end of one undoable change.
    virtual void MarkerReleased(CMarker_X& /*marker*/) {}
    // The marker's switch parameters stepped.
    virtual void MarkerSwitched(CMarker_X& /*marker*/) {}
};

// The control rectangle is the area the marker travels (the graph's plotting area); the marker
// is a disc of kRadius around its point, and only the disc takes a click. The horizontal axis
// is the first registration that answers to "MouseHorizontal", the vertical one the first that
// answers to "MouseVertical": the left and bottom edges are their first states, the right and
// top edges their last, and a drag past an edge stops the marker at it. The grab point is kept,
// so the marker does not jump under the pointer. Registrations that answer to "MouseDown" are
// the marker's switch (on/off of a band, say): they step by one, wrapping, on a press with
// "MarkerSwitchOnClick", on a release without a move with "MarkerSwitchOnMouseUp", and on a
// double click with "MarkerSwitchOnDoubleClick"; without those flags nothing switches. The
// arrow keys move a selected marker step by step. [gui-thread]
class KORVANE_API CMarker_X : public KCGUIControl {
public:
    explicit CMarker_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CMarker_X(*this); }

    // The graph to tell; null stops the reports. Not owned: the graph outlives its markers or
    // clears itself here first.
    void SetMarkerListener(KCMarkerListener* listener) { m_listener = listener; }
    [[nodiscard]] KCMarkerListener* GetMarkerListener() const { return m_listener; }

    // The registration of each axis; null when none answers.
    [[nodiscard]] const KCParamRegistrationData* GetAxisRegistration(bool horizontal) const;
    // Where the marker is drawn for its parameters' states now.
    [[nodiscard]] KCPoint2D<short> GetMarkerPoint() const;
    // Where the marker stands in its area on each axis, 0 (left, bottom) ... 1 (right, top);
    // 0.5 on an axis without a registration.
    [[nodiscard]] KCPoint2D<double> GetPositionFraction() const;
    // The states of both axes a point gives, clamped to the edges: {x, y}.
    [[nodiscard]] KCPoint2D<double> PointToStates(KCPoint2D<short> point) const;
    // A free marker stands where its owner puts it (0 ... 1 across its area on each axis) rather
    // than at its parameters' states; a drag moves that place and reports it as states 0 ... 1000
    // while the parameters stay. A graph's dynamic markers are free.
    void SetFreePosition(KCPoint2D<double> fraction);
    [[nodiscard]] bool IsFree() const { return m_free; }
    // The part of its travel the marker's area shows, as fractions of the travel on each axis (a
    // zoomed graph's window): `low` at the left and bottom edges, `size` across. The whole travel
    // by default; a size that is not above 0 is ignored. A marker outside the part is neither
    // drawn nor hit, and a drag stops at the part's edges.
    void SetViewWindow(KCPoint2D<double> low, KCPoint2D<double> size);
    // Where the marker stands in its area: GetPositionFraction through the view window.
    [[nodiscard]] KCPoint2D<double> GetViewFraction() const;
    [[nodiscard]] bool IsInView() const;
    // The switch is on: no switch registration, or the first holds a state other than 0.
    [[nodiscard]] bool IsSwitchedOn() const;

    // The disc around the marker point.
    [[nodiscard]] KURect<short> GetBounds() const override;
    // A disc in the value colour (the off colour when switched off), then the selection level
    // around it.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

    static constexpr short kRadius = 5;

protected:
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    BUFFER_HEADER* MouseDragSelf(const Event& event, double dx, double dy,
                                 KURect<double>* rect) override;
    BUFFER_HEADER* MouseUpSelf(const Event& event) override;
    // The arrows step the axis registration of their direction to the next displayed value and
    // report the move; a marker without that axis leaves the key to the base.
    BUFFER_HEADER* KeySelf(const Event& event, bool& handled) override;
    [[nodiscard]] bool IsPointInsideSelf(KCPoint2D<short> point, const Event* event) const override;
    // A listener that leaves the GUI stops the reports.
    void ForgetControlSelf(const KCGUIControl* control) override;

private:
    BUFFER_HEADER* Switch(const Event& event);

    KCMarkerListener* m_listener = nullptr;  // not owned
    KCPoint2D<short> m_hold;
    bool m_moved = false;
    bool m_free = false;
    KCPoint2D<double> m_freeAt;
    KCPoint2D<double> m_viewLow{0.0, 0.0};
    KCPoint2D<double> m_viewSize{1.0, 1.0};
};

}  // namespace kvKorvaneV10_0_3
