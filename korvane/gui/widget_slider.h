// CSlider_X: a thumb that moves along a slit. The thumb follows the lead parameter's state and a
// drag sets the state from where the pointer is, keeping the point where the thumb was grabbed
// under the pointer.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/control_images.h"
#include "korvane/gui/gui_control.h"
#include "korvane/gui/pvm/image_vector.h"

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

// [gui-thread]
class KORVANE_API CSlider_X : public KCGUIControl {
public:
    explicit CSlider_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}

    [[nodiscard]] KCBaseControl* Clone() const override { return new CSlider_X(*this); }

    // Besides the control's description: "Slit" with "ThumbMovementArea", "BackGroundPictRect",
    // "TextWindowRelativeToThumb" (left and top are the offset, width and height the text
    // window's size), "ResetFromRect" and
    // "ThumbSize" (width, height), and the image lists "ForeGroundImageList" (the thumb),
    // "BackGroundImageList" (the track) and "SelectionImageList", each holding an "ImageList".
    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    // Vertical when the lead registration answers to "MouseVertical" or "MouseDrawHorizontal".
    [[nodiscard]] bool IsVertical() const;

    // The thumb's travel: the movement area, or the control rectangle without one.
    [[nodiscard]] KURect<short> GetMovementRect() const override;
    [[nodiscard]] const KURect<short>& GetThumbRect() const { return m_thumbRect; }
    [[nodiscard]] KCPoint2D<short> GetThumbCentre() const { return m_thumbCentre; }
    [[nodiscard]] KCPoint2D<short> GetHoldPoint() const { return m_holdPoint; }
    void ResetHoldPoint() { m_holdPoint = {}; }
    [[nodiscard]] const KURect<short>& GetBackgroundPictRect() const { return m_backPictRect; }
    [[nodiscard]] const KURect<short>& GetResetFromRect() const { return m_resetFromRect; }
    // Where the value text goes: the thumb's corner plus the text offset with
    // "SliderTextFollowKnob", else the offset itself.
    [[nodiscard]] KCPoint2D<short> GetTextWindowOrigin() const;
    // The text window: its origin and the size "TextWindowRelativeToThumb" gives; the control
    // rectangle when that size is empty. A double click's edit box covers it.
    [[nodiscard]] KURect<short> GetValueRect() const override;
    // Thumb length along the travel and breadth across it; the thumb is re-placed.
    void SetThumbSize(short width, short height);
    // Takes the thumb's size from the first thumb image's loaded pixels, for the sides the
    // description's "ThumbSize" leaves at 0, and re-places the thumb; without loaded pixels the
    // thumb keeps its size. LoadImages calls it.
    void CalcThumbSize();
    // The value text the slider shows in its text window; empty without a lead parameter.
    [[nodiscard]] std::string GetValueText() const;

    // The state that puts the thumb, grabbed at `hold` from its centre, under `point`. Vertical:
    // the top of the travel is 1000; horizontal: the left end is 0. Not clamped. A thumb as long
    // as the movement area or longer has no travel: the lead's current state, so nothing moves.
    [[nodiscard]] double ThumbPositionToState(KCPoint2D<short> hold, KCPoint2D<short> point) const;
    // The thumb's centre coordinate along the travel for `state`.
    [[nodiscard]] double StateToThumbPosition(double state) const;
    // Places the thumb with its reference point (its centre) at `pos` along the travel.
    void SetThumbRect(int pos);
    // The click point relative to the thumb's centre.
    [[nodiscard]] KCPoint2D<short> CalcRelativeClickPoint(KCPoint2D<short> point) const;
    // A touch motion in state units: (dx * horizontal factor, -dy * vertical factor).
    [[nodiscard]] KCPoint2D<double> GetTouchDelta(KCPoint2D<short> from, KCPoint2D<short> to) const;
    void SetTouchFactors(double horizontal, double vertical) {
        m_touchFactorX = horizontal;
        m_touchFactorY = vertical;
    }

    void UpdatePointer(unsigned int index) override;
    int FinishCreate() override;
    // Takes the travel, the track picture, the reset rectangle and the thumb along.
    void Move(int dx, int dy) override;

    // Track (its shadow under it), the thumb's shadow moved by its offset, the thumb, the value
    // text in a text window that has a size, the parameters' states as metadata, then the
    // selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
    void GetLoadedImages(std::vector<const PluginViewManager::KCBaseImage*>& images) const override;

protected:
    // Remembers where in the thumb the pointer grabbed it; a click inside the reset rectangle
    // resets the parameters.
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    // The lead parameter follows the pointer (with the hold point) rather than the pixel delta.
    BUFFER_HEADER* MouseDragSelf(const Event& event, double dx, double dy,
                                 KURect<double>* rect) override;
    // The gesture is over: a thumb without travel keeps the current state again.
    BUFFER_HEADER* MouseUpSelf(const Event& event) override;
    // Drawing across the slider sets the state where the pointer is.
    BUFFER_HEADER* MouseDrawSelf(const Event& event, double dx, double dy,
                                 KURect<double>* rect) override;
    // The slit or the thumb.
    [[nodiscard]] bool IsPointInsideSelf(KCPoint2D<short> point, const Event* event) const override;
    // Rubber-band selection takes the thumb.
    [[nodiscard]] bool DoYouIntersectSelf(const KURect<short>& rect,
                                          const Event* event) const override;
    // The image lists' track, thumb and shadow images, then the thumb size from the thumb image.
    KTErr LoadImagesSelf(KTResContainerType* container) override;

private:
    // Moves the lead parameter to `state` through the registration kind it answers to.
    BUFFER_HEADER* SetLeadState(double state, ERegisterType type);
    void UpdateThumbFromLead();
    [[nodiscard]] double LeadState() const;
    // What a thumb without travel keeps: the state at mouse-down during a gesture (the base
    // logic has moved the lead by the pixel delta already), else the current one.
    [[nodiscard]] double StillState() const;

    KURect<short> m_movementRect;
    KURect<short> m_backPictRect;
    KCPoint2D<short> m_textOffset;
    KCPoint2D<short> m_textSize;  // width, height; 0 when the description gives none
    KURect<short> m_resetFromRect;
    KURect<short> m_thumbRect;
    KCPoint2D<short> m_thumbCentre;
    KCPoint2D<short> m_holdPoint;
    double m_stateAtDown = -1.0;        // -1 outside a gesture
    short m_thumbWidth = 0;             // 0: the breadth of the movement area
    short m_thumbHeight = 0;            // 0: the thumb image's, else 10 pixels along the travel
    KCPoint2D<short> m_imageThumbSize;  // the loaded thumb image's width and height, or 0
    double m_touchFactorX = 1.0;
    double m_touchFactorY = 1.0;
    KCControlImageList m_foregroundImages;
    KCControlImageList m_backgroundImages;
    KCControlImageList m_selectionImages;
    // Pixels of the lists' images: the track, the thumb, and the two shadows.
    PluginViewManager::KCBaseImageVector m_trackPixels;
    PluginViewManager::KCBaseImageVector m_thumbPixels;
    PluginViewManager::KCBaseImageVector m_shadowPixels;
    PluginViewManager::KCBaseImageVector m_selectionPixels;
};

}  // namespace kvKorvaneV10_0_3
