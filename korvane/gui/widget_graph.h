// KCGraph: draws the graph data of its registered parameters, such as an EQ curve.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/control_images.h"
#include "korvane/gui/gui_control.h"

namespace kvKorvaneV10_0_3 {

// The graphs are drawn in a frame whose origin is the draw area's corner, so graph points are
// relative to it, clipped to the clipping area. A change of a registered parameter (UpdatePointer)
// asks for a redraw. [gui-thread]
class KORVANE_API KCGraph : public KCGUIControl {
public:
    explicit KCGraph(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new KCGraph(*this); }

    // Besides the base's children: "BKGColor" (attributes "R", "G", "B", "A", 0 ... 255, missing
    // ones 0 and A 255), "DrawArea" and "ClippingArea" (rectangles in GUI coordinates), "Gloss"
    // (an image, "ResID" or "File", laid over the drawn graphs).
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    // The base's description, then "Gloss" when set.
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    // "BKGColor" when the description gives one, else the palette's background.
    [[nodiscard]] const KCRGBAColor& GetBackgroundColor() const {
        return m_hasBkgColor ? m_bkgColor : Palette().background;
    }
    void SetBackgroundColor(const KCRGBAColor& color) {
        m_bkgColor = color;
        m_hasBkgColor = true;
    }
    // The draw area, the control rectangle when none is set.
    [[nodiscard]] KURect<short> GetDrawArea() const;
    void SetDrawArea(const KURect<short>& rect) { m_drawArea = rect; }
    // The clipping area (the draw area when none is set) within the control rectangle.
    [[nodiscard]] KURect<short> GetClippingArea() const;
    void SetClippingArea(const KURect<short>& rect) { m_clipArea = rect; }
    [[nodiscard]] const KCImageReference& GetGloss() const { return m_gloss; }
    // Takes the draw and clipping areas along.
    void Move(int dx, int dy) override;

    // The background image of "ImageList", else the control rectangle in the background
    // colour; the graphs; the gloss image over the control rectangle; then the parameters'
    // metadata and the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

private:
    // Each registered parameter's graph: a drawing primitive (line strip, line series, ...)
    // draws itself with its own colours and widths; plain points become a line in the graph's
    // "GraphColor".
    void GetDrawInstructionsGraphs(kvGS::KCGraphicStreamBinaryWriter& writer) const;

    KCRGBAColor m_bkgColor;
    bool m_hasBkgColor = false;
    KURect<short> m_drawArea;
    KURect<short> m_clipArea;
    KCImageReference m_gloss;
};

}  // namespace kvKorvaneV10_0_3
