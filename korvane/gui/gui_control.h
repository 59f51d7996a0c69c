// A control with a place in the plug-in's GUI: the only kind of control a parameter accepts
// as a controller. Geometry, drawing and input handling grow here.
#pragma once

#include "korvane/algorithm/base_control.h"
#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

class KORVANE_API KCGUIControl : public KCBaseControl {
public:
    KCGUIControl() = default;
    KCGUIControl(const KCGUIControl&) = default;
    KCGUIControl& operator=(const KCGUIControl&) = default;
    ~KCGUIControl() override;

    [[nodiscard]] bool IsGUIControl() const final { return true; }
};

}  // namespace kvKorvaneV10_0_3
