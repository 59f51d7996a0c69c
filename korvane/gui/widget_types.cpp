#include "korvane/gui/widget_types.h"

#include "korvane/gui/gui_description.h"
#include "korvane/gui/widget_bar_arc.h"
#include "korvane/gui/widget_basic.h"
#include "korvane/gui/widget_digit_display.h"
#include "korvane/gui/widget_dynamic_popup.h"
#include "korvane/gui/widget_graph.h"
#include "korvane/gui/widget_inc_dec.h"
#include "korvane/gui/widget_lrb.h"
#include "korvane/gui/widget_marker.h"
#include "korvane/gui/widget_meters.h"
#include "korvane/gui/widget_multi_thumb_slider.h"
#include "korvane/gui/widget_popup.h"
#include "korvane/gui/widget_rotation_knob.h"
#include "korvane/gui/widget_scroller.h"
#include "korvane/gui/widget_slider.h"
#include "korvane/gui/widget_text_entry.h"
#include "korvane/gui/widget_text_knobs.h"
#include "korvane/gui/widget_toggle.h"
#include "korvane/gui/widget_vu_meter.h"
#include "korvane/gui/widget_zoom_vertices_graph.h"

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

// Every GUI description can name the library's widgets, without the plug-in asking.
const bool g_installed = [] {
    RegisterStandardWidgetTypes();
    return true;
}();

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
        RegisterKeepingExisting("TextEntry", &Create<CTextEntry_X>);
        RegisterKeepingExisting("IncDec", &Create<CIncDec>);
        RegisterKeepingExisting("NoGUI", &Create<CNoGUI>);
        RegisterKeepingExisting("ControlForAutomation", &Create<CControlForAutomation_X>);
        RegisterKeepingExisting("FixedStateToggleWithOff", &Create<CFixedStateToggleWithOff>);
        RegisterKeepingExisting("RadioButton", &Create<CRadioButton_X>);
        RegisterKeepingExisting("Bar", &Create<CBar_X>);
        RegisterKeepingExisting("BarMarker", &Create<CBarMarker_X>);
        RegisterKeepingExisting("Arc", &Create<CArc_X>);
        RegisterKeepingExisting("ArcMarker", &Create<CArcMarker_X>);
        RegisterKeepingExisting("AutoTrim", &Create<KCAutoTrimButton>);
        RegisterKeepingExisting("MFTextKnob", &Create<X_CMultiField>);
        RegisterKeepingExisting("Marker", &Create<CMarker_X>);
        RegisterKeepingExisting("PolygonVU", &Create<KCPolygonMeter>);
        RegisterKeepingExisting("RotationKnobMeter", &Create<CRotationKnobMeter>);
        RegisterKeepingExisting("TextKnob", &Create<CButton_X>);

        RegisterKeepingExisting("DynamicPopup", &Create<KCDynamicPopup>);
        RegisterKeepingExisting("LRB", &Create<CLRB_X>);
        RegisterKeepingExisting("MultiThumbSlider", &Create<KCMultiThumbSlider>);
        RegisterKeepingExisting("ScrollerButton", &Create<CScrollerButton>);
        RegisterKeepingExisting("Scrollbar", &Create<CScroller>);
        RegisterKeepingExisting("ZoomVerticesGraph", &Create<KCZoomVerticesGraph>);
        return true;
    }();
    (void)registered;
    (void)g_installed;
}

}  // namespace kvKorvaneV10_0_3
