// The GUI-free part of every control: its name, the parameters it is registered to and its
// place among a parameter's controllers. Automation controls derive from it too.
#pragma once

#include "korvane/algorithm/param_extension.h"
#include "korvane/algorithm/param_registration.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/gs/gs_writer.h"

#include <vector>

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

    // --- parameter registrations, in registration order [gui-thread]
    // Appends the registration; 0.
    int Register(const KCParamRegistrationData& registration);
    // Removes registration `index` (nothing past the end).
    void UnRegister(unsigned int index);
    // Removes every registration of that parameter.
    void UnRegisterParam(unsigned int paramID);
    void UnRegisterAll() { m_registrations.clear(); }
    [[nodiscard]] const std::vector<KCParamRegistrationData>& GetRegistrations() const {
        return m_registrations;
    }

    // For each registered parameter with graph data of at least one element: "ParamID: <id>"
    // metadata, the graph's own records and a default "dVIN" line strip over its last points
    // (graphs with several lines draw the others), or a remark when the graph cannot write
    // itself. Returns the last graph's result (0 when none wrote).
    // [gui-thread]
    int GetGraphDataAsGraphicStream(kvGS::KCGraphicStreamBinaryWriter& writer) const;

private:
    KCFixedString<127> m_name;
    std::vector<KCParamRegistrationData> m_registrations;
};

}  // namespace kvKorvaneV10_0_3
