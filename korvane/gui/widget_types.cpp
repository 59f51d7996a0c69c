#include "korvane/gui/widget_types.h"

#include "korvane/gui/gui_description.h"
#include "korvane/gui/widget_digit_display.h"
#include "korvane/gui/widget_graph.h"
#include "korvane/gui/widget_popup.h"
#include "korvane/gui/widget_rotation_knob.h"
#include "korvane/gui/widget_slider.h"
#include "korvane/gui/widget_toggle.h"
#include "korvane/gui/widget_vu_meter.h"

#include <memory>

namespace kvKorvaneV10_0_3 {

namespace {

template <typename Widget>
std::unique_ptr<KCGUIControl> Create(CStandardGUI_X& gui) {
    return std::make_unique<Widget>(&gui);
}

void RegisterKeepingExisting(const char* type, KTGUIControlCreator creator) {
    if (const KTGUIControlCreator previous = RegisterGUIControlType(type, creator)) {
        RegisterGUIControlType(type, previous);
    }
}

}  // namespace

void RegisterStandardWidgetTypes() {
    static const bool registered = [] {
        RegisterKeepingExisting("Slider", &Create<CSlider_X>);
        RegisterKeepingExisting("RotationKnob", &Create<CRotationKnob>);
        RegisterKeepingExisting("Toggle", &Create<CToggle_X>);
        RegisterKeepingExisting("Popup", &Create<CPopup_X>);
        RegisterKeepingExisting("DigitDisplay", &Create<CDigitDisplay_X>);
        RegisterKeepingExisting("VU", &Create<CVuMeter_X>);
        RegisterKeepingExisting("Graph", &Create<KCGraph>);
        return true;
    }();
    (void)registered;
}

}  // namespace kvKorvaneV10_0_3
