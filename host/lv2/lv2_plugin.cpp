// The bundle's plug-in on the LV2 instance's host.
#include "host/lv2/lv2_plugin.h"

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/error_codes.h"
#include "korvane/presets/preset_alg.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/process/host_callback.h"
#include "korvane/process/native_process.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <set>

namespace KorvaneLv2 {
namespace {

namespace kv = kvKorvaneV10_0_3;
namespace PM = kv::ProcessMemory;

}  // namespace

std::string PortSymbol(const std::string& name) {
    std::string out;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        out += std::isalnum(u) != 0 ? static_cast<char>(std::tolower(u)) : '_';
    }
    if (out.empty() || std::isdigit(static_cast<unsigned char>(out.front())) != 0) {
        out.insert(out.begin(), '_');
    }
    return out;
}

std::vector<std::string> ControlSymbols(const std::vector<std::string>& names, int numInputs,
                                        int numOutputs) {
    std::set<std::string> taken{"latency"};
    for (int c = 1; c <= numInputs; ++c) {
        taken.insert("in_" + std::to_string(c));
    }
    for (int c = 1; c <= numOutputs; ++c) {
        taken.insert("out_" + std::to_string(c));
    }
    std::vector<std::string> symbols;
    symbols.reserve(names.size());
    for (const std::string& name : names) {
        const std::string base = PortSymbol(name);
        std::string symbol = base;
        // Two names that differ only in punctuation or case stay apart, and neither the input
        // nor its output port may take a symbol already in use.
        for (int n = 2; taken.contains(symbol) || taken.contains(symbol + "_out"); ++n) {
            symbol = base + "_" + std::to_string(n);
        }
        taken.insert(symbol);
        taken.insert(symbol + "_out");
        symbols.push_back(symbol);
    }
    return symbols;
}

bool IntegerValued(const ControlPort& port) {
    return std::all_of(port.points.begin(), port.points.end(), [](const auto& point) {
        return std::isfinite(point.first) && std::trunc(point.first) == point.first;
    });
}

std::vector<ControlPort> DescribeControls(kv::cALGORITHM& alg) {
    std::vector<ControlPort> controls;
    // Every automation control with a lead parameter, in the controls' order.
    for (unsigned int i = 0; i < alg.GetNumAutomationControllers(); ++i) {
        const unsigned int lead = alg.ControlLeadParamID(i);
        const kv::KCAutomationControl* control = alg.GetAutomationControl(i);
        if (lead >= alg.GetNumParams() || control == nullptr) {
            continue;
        }
        ControlPort port;
        port.control = i;
        port.lead = lead;
        port.name = control->GetName().c_str();
        double top = 0.0;
        {
            const kv::kvThread::ThreadMutexLock lock(alg.AlgLock());
            top = alg.GetParam(lead).GetMaxState();
        }
        const double a = alg.StateToRealWorld(lead, 0.0);
        const double b = alg.StateToRealWorld(lead, top);
        port.minimum = std::min(a, b);
        port.maximum = std::max(a, b);
        port.initial = alg.StateToRealWorld(lead, alg.GetParamInitialState(lead));
        port.units = alg.GetParamUnitsString(lead).c_str();
        port.discrete = alg.GetParamType(lead) == kv::eParamDiscrete;
        if (port.discrete) {
            for (int state = 0; state <= static_cast<int>(top); ++state) {
                const double realWorld = alg.StateToRealWorld(lead, state);
                kv::KCFixedString<127> text;
                {
                    const kv::kvThread::ThreadMutexLock lock(alg.AlgLock());
                    const kv::sCONTROL_PARAM& param = alg.GetParam(lead);
                    if (param.HasDisplayFunc()) {
                        param.GetDisplayFunc()(state, realWorld, text);
                    }
                }
                port.points.emplace_back(realWorld, text.c_str());
            }
        }
        controls.push_back(std::move(port));
    }
    std::vector<std::string> names;
    names.reserve(controls.size());
    for (const ControlPort& port : controls) {
        names.push_back(port.name);
    }
    const std::vector<std::string> symbols =
        ControlSymbols(names, alg.GetNumInputs(), alg.GetNumOutputs());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        controls[i].symbol = symbols[i];
    }
    return controls;
}

void ApplyControl(kv::cALGORITHM& alg, const ControlPort& control, double realWorld) {
    if (!std::isfinite(realWorld)) {
        return;
    }
    const double value = std::clamp(realWorld, control.minimum, control.maximum);
    if (control.points.empty() && alg.GetNumRegisteredParamsForControl(control.control) <= 1) {
        // A control on one continuous parameter takes the real-world value exactly, as a user
        // types it, rather than through the nearest state.
        BUFFER_HEADER* chain = alg.UpdateParamRequestRealWorld(control.lead, value);
        (void)alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true);
        alg.NotifyParamValue(control.lead);
        return;
    }
    (void)alg.SetControllerValue(control.control,
                                 alg.ControlStateFromRealWorldValue(control.control, value));
}

double ControlValue(kv::cALGORITHM& alg, const ControlPort& control) {
    double state = 0.0;
    {
        const kv::kvThread::ThreadMutexLock lock(alg.AlgLock());
        state = alg.GetParam(control.lead).GetState(kv::eActiveSetup);
    }
    return alg.StateToRealWorld(control.lead, state);
}

Lv2Plugin::~Lv2Plugin() {
    StopControlThread();
    m_host.SetNativeProcess(nullptr, 0, 0);
    m_loader.Close();
}

std::string Lv2Plugin::Open(const std::string& bundlePath, double sampleRate) {
    if (!m_host.Valid()) {
        return "too many instances";
    }
    KorvaneHost::LoaderHost host;
    host.callback = Lv2Host::Callback();
    host.refcon = m_host.Refcon();
    host.sizeSpace = [this](int space, int words) { return m_host.SizeSpace(space, words); };
    // The reports of the plug-in's automation controls have their slots before it makes its
    // data.
    host.beforeData = [this](kv::cALGORITHM& alg) {
        m_host.SetControls(alg.GetNumAutomationControllers());
    };
    host.name = "lv2";
    if (auto err = m_loader.Open(bundlePath, static_cast<int>(std::lround(sampleRate)), host)) {
        return err->what + ": " + err->why;
    }
    m_host.SetNativeProcess(m_loader.ProcessFunction(), NumInputs(), NumOutputs());
    RefreshLatency();

    m_controls = DescribeControls(Alg());
    m_pending = std::make_unique<std::atomic<float>[]>(m_controls.size());
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        m_pending[i].store(std::numeric_limits<float>::quiet_NaN());
    }
    return {};
}

void Lv2Plugin::PostUpdate() {
    m_loader.PostUpdate();
    RefreshLatency();
}

// Called on the thread that changes the plug-in, after the change.
void Lv2Plugin::RefreshLatency() {
    m_latency.store(Alg().GetThroughDelay(), std::memory_order_relaxed);
}

void Lv2Plugin::SetControl(std::size_t port, double realWorld) {
    if (port < m_controls.size()) {
        ApplyControl(Alg(), m_controls[port], realWorld);
        RefreshLatency();
    }
}

std::optional<double> Lv2Plugin::ReportedValue(std::size_t port) const {
    if (port >= m_controls.size()) {
        return std::nullopt;
    }
    const double state = m_host.Reported(m_controls[port].control);
    if (std::isnan(state)) {
        return std::nullopt;
    }
    // The conversion reads only the parameter's fixed description.
    return Alg().StateToRealWorld(m_controls[port].lead, state);
}

double Lv2Plugin::CurrentValue(std::size_t port) const {
    return ControlValue(Alg(), m_controls.at(port));
}

void Lv2Plugin::QueueControl(std::size_t port, float realWorld) {
    if (port < m_controls.size()) {
        m_pending[port].store(realWorld, std::memory_order_release);
        Wake();
    }
}

void Lv2Plugin::Wake() {
    // A binary semaphore must not be released while its count is already one.
    if (!m_signalled.exchange(true, std::memory_order_acq_rel)) {
        m_wake.release();
    }
}

void Lv2Plugin::StartControlThread() {
    if (!m_thread.joinable()) {
        m_stop.store(false);
        m_thread = std::thread([this] { ControlLoop(); });
    }
}

void Lv2Plugin::StopControlThread() {
    if (m_thread.joinable()) {
        m_stop.store(true);
        Wake();
        m_thread.join();
    }
}

void Lv2Plugin::ControlLoop() {
    while (!m_stop.load()) {
        m_wake.acquire();
        m_signalled.store(false, std::memory_order_release);
        for (std::size_t i = 0; i < m_controls.size(); ++i) {
            const float value = m_pending[i].exchange(std::numeric_limits<float>::quiet_NaN(),
                                                      std::memory_order_acq_rel);
            if (!std::isnan(value)) {
                SetControl(i, value);
            }
        }
    }
}

std::string Lv2Plugin::SaveState() {
    kv::Utils::KCStMemObj chunk;
    if (Alg().GetChunk(kv::kPresetChunkID.Value(), chunk, false) != kv::eNoErr ||
        chunk.ptr == nullptr) {
        return {};
    }
    return {static_cast<const char*>(chunk.ptr), chunk.size};
}

KTErr Lv2Plugin::RestoreState(const void* data, std::size_t size) {
    const kv::Utils::KCStConstMemObj chunk(data, static_cast<unsigned int>(size));
    const int err = Alg().SetChunk(kv::kPresetChunkID.Value(), chunk);
    PostUpdate();
    return err;
}

std::vector<std::string> Lv2Plugin::FactoryPresetNames() {
    return m_loader.FactoryPresetNames();
}

KTErr Lv2Plugin::LoadFactoryPreset(const std::string& name) {
    kv::Preset::CPresetsManager* manager = m_loader.PresetsManager();
    if (manager == nullptr) {
        return kv::eSomeThingNotInitailzed;
    }
    const int err =
        manager->LoadFactoryPresetToPluginByName(kv::CPublicAlg(Alg()), name.c_str(), true);
    PostUpdate();
    return err;
}

}  // namespace KorvaneLv2
