// The GUI-free part of every control: its name and its place among a parameter's controllers.
// The control model grows here; automation controls derive from it too.
#pragma once

#include "korvane/algorithm/param_extension.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

namespace kvKorvaneV10_0_3 {

class KORVANE_API KCBaseControl : public KCParamController {
public:
    KCBaseControl() = default;
    KCBaseControl(const KCBaseControl&) = default;
    KCBaseControl& operator=(const KCBaseControl&) = default;
    ~KCBaseControl() override;

    // A new control of the same concrete type; the caller owns it.
    [[nodiscard]] virtual KCBaseControl* Clone() const = 0;

    [[nodiscard]] const KCFixedStringBase& GetName() const { return m_name; }
    void SetName(const char* name) { m_name = name; }

private:
    KCFixedString<127> m_name;
};

}  // namespace kvKorvaneV10_0_3
