// A control's registrations and graph data stream; anchors the base control's vtable.
#include "korvane/algorithm/base_control.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_mutex.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kvKorvaneV10_0_3 {

KCBaseControl::~KCBaseControl() = default;

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

namespace {

// True when the last record from `from` on is a point record no "dVIN" has drawn yet.
bool EndsWithUndrawnPoints(const Utils::KCStMemObj& stream, unsigned int from) {
    const char* bytes = static_cast<const char*>(stream.ptr);
    kvGS::SGSData last{};
    bool any = false;
    for (unsigned int at = from; at + sizeof(kvGS::SGSCommandHeader) <= stream.size;) {
        kvGS::SGSCommandHeader header;
        std::memcpy(&header, bytes + at, sizeof header);
        if (header.size < sizeof header || header.size > stream.size - at) {
            return false;
        }
        last = {};
        std::memcpy(&last, bytes + at, std::min<std::size_t>(header.size, sizeof last));
        any = true;
        at += header.size;
    }
    return any && (last.header.code == kvGS::eGSDataHere || last.header.code == kvGS::eGSDataPtr) &&
           last.purpose == kvGS::eGSPoint2D;
}

}  // namespace

int KCBaseControl::GetGraphDataAsGraphicStream(kvGS::KCGraphicStreamBinaryWriter& writer) const {
    int result = 0;
    for (const KCParamRegistrationData& r : m_registrations) {
        if (r.alg == nullptr || r.paramID >= r.alg->GetNumParams()) {
            continue;
        }
        // The graph object belongs to the active setup's values: the lock keeps it in place
        // while it is written to the stream.
        const kvThread::ThreadMutexLock lock(r.alg->AlgLock());
        const KCGraphDataBase* graph = r.alg->GetParamGraphData(r.paramID);
        if (graph == nullptr || graph->GetGraphSize() == 0) {
            continue;
        }
        const std::string id = std::to_string(r.paramID);
        writer.MetaData("ParamID: " + id);
        const unsigned int before = writer.GetStream().size;
        result = graph->GetGraphDataAsGraphicStream(writer);
        if (result != 0) {
            writer.Remark("No graph points because graph type is not KTPoint2s paramID " + id);
        } else if (EndsWithUndrawnPoints(writer.GetStream(), before)) {
            // Graphs with several lines draw all but their last one themselves.
            writer.DrawVertices(kvGS::SGSDrawVertices());
        }
    }
    return result;
}

}  // namespace kvKorvaneV10_0_3
