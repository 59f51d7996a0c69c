// Value displays that can also be dragged through the base registration logic: bars (filled, or
// a marker line along the track) and arcs (filled, or a marker line across the ring).
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/gui_control.h"

namespace kvKorvaneV10_0_3 {

// What bars and arcs share: the lead parameter's position in its range, 0 ... 1.
// [gui-thread]
class KORVANE_API CBarBase_X : public KCGUIControl {
public:
    explicit CBarBase_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    // 0 at the first state, 1 at the last; 0 without a lead registration.
    [[nodiscard]] double GetValueFraction() const;
    // Vertical (filling upwards) when the control is at least as tall as it is wide, else
    // horizontal (filling rightwards).
    [[nodiscard]] bool IsVertical() const;
    // The part of the control rectangle up to the value.
    [[nodiscard]] KURect<short> GetFilledRect() const;
    // Where along the travel the value lies: y for a vertical bar, x for a horizontal one.
    [[nodiscard]] short GetValuePosition() const;
};

// A bar filled up to the value. [gui-thread]
class KORVANE_API CBar_X : public CBarBase_X {
public:
    explicit CBar_X(CStandardGUI_X* owner = nullptr) : CBarBase_X(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CBar_X(*this); }
    // The track, the filled part, then the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
};

// A bar whose value is a marker line across the track. [gui-thread]
class KORVANE_API CBarMarker_X : public CBarBase_X {
public:
    explicit CBarMarker_X(CStandardGUI_X* owner = nullptr) : CBarBase_X(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CBarMarker_X(*this); }
    // The track, the marker, then the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
};

// An arc of kSweepDegrees, clockwise from the lower left, centred in the control. [gui-thread]
class KORVANE_API CArcBase_X : public CBarBase_X {
public:
    explicit CArcBase_X(CStandardGUI_X* owner = nullptr) : CBarBase_X(owner) {}
    // The value's angle from straight up, clockwise: −kSweepDegrees/2 ... kSweepDegrees/2.
    [[nodiscard]] double GetValueAngle() const;
    static constexpr double kSweepDegrees = 270.0;

protected:
    // The ring's track; the stroke width and circle are the arc's geometry.
    void DrawTrack(kvGS::KCGraphicStreamBinaryWriter& writer, bool withValue);
};

// An arc filled from its start to the value. [gui-thread]
class KORVANE_API CArc_X : public CArcBase_X {
public:
    explicit CArc_X(CStandardGUI_X* owner = nullptr) : CArcBase_X(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CArc_X(*this); }
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
};

// An arc whose value is a marker line from the centre. [gui-thread]
class KORVANE_API CArcMarker_X : public CArcBase_X {
public:
    explicit CArcMarker_X(CStandardGUI_X* owner = nullptr) : CArcBase_X(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CArcMarker_X(*this); }
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
};

}  // namespace kvKorvaneV10_0_3
