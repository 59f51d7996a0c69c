// KSWidgetPalette: every colour the library's widgets draw with when no picture stands in for
// them. A GUI holds one palette in force; a plug-in sets it, or one per skin, so that a skin can
// recolour knobs, sliders, toggles, meters and texts along with its base picture.
#pragma once

#include "korvane/core/geometry.h"

namespace kvKorvaneV10_0_3 {

// Plain values: [any-thread] on distinct objects.
struct KSWidgetPalette {
    // Control backgrounds, and the frames that show a control's selection level.
    KCRGBAColor background{40, 40, 44, 255};
    KCRGBAColor selected{80, 160, 255, 255};
    KCRGBAColor active{255, 200, 60, 255};
    KCRGBAColor hover{200, 200, 200, 255};
    KCRGBAColor automated{90, 220, 120, 255};
    KCRGBAColor disabled{110, 110, 110, 255};
    // Rotation knob: the ring's track, the value arc, the pointer.
    KCRGBAColor knobRing{24, 24, 28, 255};
    KCRGBAColor knobValue{80, 160, 255, 255};
    KCRGBAColor knobPointer{235, 235, 240, 255};
    // Slider.
    KCRGBAColor sliderTrack{24, 24, 28, 255};
    KCRGBAColor sliderThumb{190, 190, 200, 255};
    // Toggle lamp.
    KCRGBAColor toggleOn{255, 170, 40, 255};
    KCRGBAColor toggleOff{90, 90, 96, 255};
    // Texts of digit displays and popups, and the popup's arrow.
    KCRGBAColor text{230, 230, 235, 255};
    // VU meter.
    KCRGBAColor meterBar{60, 210, 90, 255};
    KCRGBAColor meterPeak{240, 240, 120, 255};
    KCRGBAColor meterClip{235, 40, 40, 255};
    KCRGBAColor meterClipOff{70, 30, 30, 255};

    friend bool operator==(const KSWidgetPalette&, const KSWidgetPalette&) = default;
};

// The palette of a GUI that sets none.
inline constexpr KSWidgetPalette kDefaultWidgetPalette{};

}  // namespace kvKorvaneV10_0_3
