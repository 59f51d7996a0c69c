// CScroller and CScrollerButton: a scroll bar and buttons that move or zoom the window of a
// zoomable graph. Each acts on the graph set with SetTarget, else on the first control of its
// "DependentsList" that is such a graph; without one it does nothing.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_control.h"
#include "korvane/gui/widget_inc_dec.h"

namespace kvKorvaneV10_0_3 {

class KCZoomVerticesGraph;

// [gui-thread]
class KORVANE_API CScroller : public KCGUIControl {
public:
    explicit CScroller(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CScroller(*this); }

    // Besides the control's description: "ScrollColor" ("R", "G", "B", "A"), the thumb's
    // colour (the palette's slider thumb without one).
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    void SetTarget(KCZoomVerticesGraph* graph) { m_target = graph; }
    [[nodiscard]] KCZoomVerticesGraph* GetTarget() const;
    // Vertical when the control is taller than wide; it then scrolls the graph's y axis, with
    // the top of the bar the top of the data.
    [[nodiscard]] bool IsVertical() const;
    // The thumb: the window's place and size along the bar; the whole bar without a graph.
    [[nodiscard]] KURect<short> GetThumbRect() const;
    [[nodiscard]] const KCRGBAColor& GetScrollColor() const {
        return m_hasScrollColor ? m_scrollColor : Palette().sliderThumb;
    }

    // The track, then the thumb.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    // On the thumb: grabs it. Beside it: pages the window one size toward the press.
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    // The grabbed thumb follows the pointer by pixels; the graph stops it at the data's ends.
    BUFFER_HEADER* MouseDragSelf(const Event& event, double dx, double dy,
                                 KURect<double>* rect) override;
    BUFFER_HEADER* MouseUpSelf(const Event& event) override;

private:
    KCZoomVerticesGraph* m_target = nullptr;  // not owned
    KCRGBAColor m_scrollColor;
    bool m_hasScrollColor = false;
    bool m_dragging = false;
    double m_grabFraction = 0.0;  // the window's start at the press
    KCPoint2D<short> m_grabPoint;
};

// A button that scrolls ("IncDecTypeScroll", the default) or zooms ("IncDecTypeZoom") a graph,
// repeating while held as IncDec does. "IncDec" ("Inc" / "Dec") gives the direction: a scroll
// moves the window forward (right, or up with "Vertical") or back by a tenth of its size; a zoom
// zooms in or out by kZoomStep.
// [gui-thread]
class KORVANE_API CScrollerButton : public CIncDec {
public:
    enum EKind : int { eScroll = 0, eZoom = 1 };

    explicit CScrollerButton(CStandardGUI_X* owner = nullptr) : CIncDec(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CScrollerButton(*this); }

    // Besides IncDec's: "IncDecTypeScroll" or "IncDecTypeZoom", and "Vertical" (scrolls y).
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    void SetTarget(KCZoomVerticesGraph* graph) { m_target = graph; }
    [[nodiscard]] KCZoomVerticesGraph* GetTarget() const;
    [[nodiscard]] EKind GetKind() const { return m_kind; }
    [[nodiscard]] bool IsVertical() const { return m_vertical; }

    static constexpr double kScrollStep = 0.1;
    static constexpr double kZoomStep = 1.25;

protected:
    // Moves or zooms the graph's window; no parameter changes.
    BUFFER_HEADER* Step(int direction) override;

private:
    KCZoomVerticesGraph* m_target = nullptr;  // not owned
    EKind m_kind = eScroll;
    bool m_vertical = false;
};

}  // namespace kvKorvaneV10_0_3
