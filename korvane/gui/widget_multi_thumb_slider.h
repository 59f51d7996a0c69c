// KCMultiThumbSlider: one slit with a thumb per registration, such as the low and high ends of
// a range. A press takes the thumb nearest the pointer and only that one moves.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_control.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

// [gui-thread]
class KORVANE_API KCMultiThumbSlider : public KCGUIControl {
public:
    explicit KCMultiThumbSlider(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new KCMultiThumbSlider(*this); }

    // Besides the control's description: "ThumbLength" (pixels along the travel, default 10).
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    // Vertical when the lead registration answers to "MouseVertical" or "MouseDrawHorizontal";
    // as on the plain slider, the top is 1000 and the left end 0.
    [[nodiscard]] bool IsVertical() const;
    [[nodiscard]] short GetThumbLength() const { return m_thumbLength; }
    // The centre of registration `index`'s thumb along the travel, for `state`.
    [[nodiscard]] double StateToPosition(double state) const;
    // The state whose thumb centre is at `position` along the travel; not clamped. Without
    // travel (a thumb as long as the control) -1.
    [[nodiscard]] double PositionToState(double position) const;
    // The control is longer than a thumb, so thumbs can move.
    [[nodiscard]] bool HasTravel() const;
    // The thumb of registration `index`, in view coordinates.
    [[nodiscard]] KURect<short> GetThumbRect(unsigned int index) const;
    // The registration whose thumb is nearest `point` along the travel; among thumbs at the same
    // place, the last one (drawn on top). -1 without a thumb.
    [[nodiscard]] int NearestThumb(KCPoint2D<short> point) const;
    // The thumb the press in progress holds; -1 outside a gesture.
    [[nodiscard]] int GetGrabbedThumb() const { return m_grabbed; }

    // Track, then every thumb (the grabbed one lit), metadata and selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    // Grabs the nearest thumb and remembers where on it the pointer is.
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    // The grabbed thumb follows the pointer; the others keep their states at mouse-down (the
    // base logic has moved every registration by the pixel delta).
    BUFFER_HEADER* MouseDragSelf(const Event& event, double dx, double dy,
                                 KURect<double>* rect) override;
    BUFFER_HEADER* MouseUpSelf(const Event& event) override;

private:
    [[nodiscard]] double StateOf(const KCParamRegistrationData& r) const;
    [[nodiscard]] double Along(KCPoint2D<short> point) const;
    [[nodiscard]] ERegisterType DragType() const;

    short m_thumbLength = 10;
    int m_grabbed = -1;
    double m_holdOffset = 0.0;           // pointer minus thumb centre along the travel at the press
    std::vector<double> m_statesAtDown;  // every registration's state at the press
};

}  // namespace kvKorvaneV10_0_3
