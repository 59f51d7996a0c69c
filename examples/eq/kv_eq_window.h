// The example EQ's window: the standard GUI built from the EQ's description, with the widget
// colours of each of its skins. The dark skins use the library's palette; "Light" (and
// "Studio", its child) draw the widgets dark on light.
#pragma once

#include "korvane/gui/standard_gui.h"
#include "korvane/gui/widget_palette.h"

namespace kvexample {

class KvEQWindow : public kvKorvaneV10_0_3::CStandardGUI_X {
public:
    explicit KvEQWindow(KTResContainerType*& resources) : CStandardGUI_X(resources) {
        SetSkinWidgetPalette("Light", LightPalette());
    }

    static constexpr kvKorvaneV10_0_3::KSWidgetPalette LightPalette() {
        kvKorvaneV10_0_3::KSWidgetPalette light;
        light.background = {214, 218, 226, 255};
        light.knobRing = {160, 166, 180, 255};
        light.knobValue = {20, 110, 220, 255};
        light.knobPointer = {34, 38, 46, 255};
        light.sliderTrack = {160, 166, 180, 255};
        light.sliderThumb = {50, 54, 64, 255};
        light.toggleOff = {170, 174, 184, 255};
        light.text = {28, 30, 36, 255};
        light.meterClipOff = {200, 170, 170, 255};
        return light;
    }
};

}  // namespace kvexample
