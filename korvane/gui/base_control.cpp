// The control classes' registrations and graph data stream; anchors their vtables.
#include "korvane/gui/base_control.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gui/gui_control.h"

#include <algorithm>
#include <string>

namespace kvKorvaneV10_0_3 {

KCBaseControl::~KCBaseControl() = default;

KCGUIControl::~KCGUIControl() = default;

int KCBaseControl::Register(const KCParamRegistrationData& registration) {
    m_registrations.push_back(registration);
    return 0;
}

void KCBaseControl::UnRegister(unsigned int index) {
    if (index < m_registrations.size()) {
        m_registrations.erase(m_registrations.begin() + index);
    }
}

void KCBaseControl::UnRegisterParam(unsigned int paramID) {
    std::erase_if(m_registrations,
                  [paramID](const KCParamRegistrationData& r) { return r.paramID == paramID; });
}

int KCBaseControl::GetGraphDataAsGraphicStream(kvGS::KCGraphicStreamBinaryWriter& writer) const {
    int result = 0;
    for (const KCParamRegistrationData& r : m_registrations) {
        if (r.alg == nullptr || r.paramID >= r.alg->GetNumParams()) {
            continue;
        }
        const KCGraphDataBase* graph = r.alg->GetParamGraphData(r.paramID);
        if (graph == nullptr || graph->GetGraphSize() == 0) {
            continue;
        }
        const std::string id = std::to_string(r.paramID);
        writer.MetaData("ParamID: " + id);
        result = graph->GetGraphDataAsGraphicStream(writer);
        if (result != 0) {
            writer.Remark("No graph points because graph type is not KTPoint2s paramID " + id);
        } else {
            writer.DrawVertices(kvGS::SGSDrawVertices());
        }
    }
    return result;
}

}  // namespace kvKorvaneV10_0_3
