// CLRB_X: a left/right pair, such as the two channels' gains, shown side by side. Unlinked, a
// drag on one half moves that side; linked, a drag moves both by the same amount, so the
// balance between them stays, and the pair stops together when either side reaches an end.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/gui_control.h"

#include <array>

namespace kvKorvaneV10_0_3 {

// [gui-thread]
class KORVANE_API CLRB_X : public KCGUIControl {
public:
    // How the pair is drawn.
    enum EStyle : int {
        eGainBars = 0,  // "Gain": two bars rising from the bottom
        eGraph = 1,     // "Graph": a line from the left level to the right level
    };

    explicit CLRB_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CLRB_X(*this); }

    // Besides the control's description: "Gain" or "Graph" (the drawing, "Gain" by default) and
    // "Link" ("true" starts linked). The first registration is the left side, the second the
    // right.
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    [[nodiscard]] bool IsLinked() const { return m_linked; }
    // Links or unlinks the sides; a link keeps the difference they have now.
    void ChangeLinkLR();
    [[nodiscard]] EStyle GetStyle() const { return m_style; }
    // The state of side 0 (left) or 1 (right); 0 without a parameter.
    [[nodiscard]] double SideState(int side) const;
    // The side a press at `point` moves when unlinked: 0 left half, 1 right half.
    [[nodiscard]] int SideAt(KCPoint2D<short> point) const;

    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    // `dy` (state units, up is positive) accumulates from the press; each side is set from its
    // state at the press plus what applies to it.
    BUFFER_HEADER* MouseDragSelf(const Event& event, double dx, double dy,
                                 KURect<double>* rect) override;
    BUFFER_HEADER* MouseUpSelf(const Event& event) override;

private:
    BUFFER_HEADER* SetSide(int side, double state);

    EStyle m_style = eGainBars;
    bool m_linked = false;
    int m_side = -1;  // the side the press in progress moves; -1 outside a gesture
    double m_moved = 0.0;
    std::array<double, 2> m_atDown{};
};

}  // namespace kvKorvaneV10_0_3
