// CDigitDisplay_X: shows the lead parameter's value as text.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/gui_control.h"

#include <string>

namespace kvKorvaneV10_0_3 {

// [gui-thread]
class KORVANE_API CDigitDisplay_X : public KCGUIControl {
public:
    explicit CDigitDisplay_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CDigitDisplay_X(*this); }

    // The lead parameter's value as the parameter formats it; empty without a parameter.
    [[nodiscard]] std::string GetValueText() const;
    // The background, then the value text centred in the control, then the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;
};

}  // namespace kvKorvaneV10_0_3
