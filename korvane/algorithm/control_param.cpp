// sCONTROL_PARAM: ownership and copying of what is attached to a parameter, controllers,
// and the record-level stepping and text-entry logic.
#include "korvane/algorithm/control_param.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace kvKorvaneV10_0_3 {
namespace {

template <typename T>
std::unique_ptr<T> CloneOf(const T* source) {
    return std::unique_ptr<T>(source != nullptr ? source->Clone() : nullptr);
}

std::unique_ptr<KCParamExtension::Data> CopyOf(const KCParamExtension::Data* source) {
    return std::unique_ptr<KCParamExtension::Data>(source != nullptr ? source->CreateCopy()
                                                                     : nullptr);
}

// atof's reading of a leading decimal number, but independent of the C locale.
double LeadingNumber(const char* text) {
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r') {
        ++text;
    }
    if (*text == '+') {
        ++text;
    }
    double value = 0.0;
    const auto result = std::from_chars(text, text + std::strlen(text), value);
    return result.ec == std::errc() ? value : 0.0;
}

}  // namespace

sCONTROL_PARAM::sCONTROL_PARAM() = default;

sCONTROL_PARAM::sCONTROL_PARAM(const sCONTROL_PARAM& other) : KCParam_Base(other) {
    CopyOwned(other);
}

sCONTROL_PARAM& sCONTROL_PARAM::operator=(const sCONTROL_PARAM& other) {
    if (this != &other) {
        copy_members(other);
    }
    return *this;
}

sCONTROL_PARAM::~sCONTROL_PARAM() = default;

void sCONTROL_PARAM::ResetMembers() {
    const sCONTROL_PARAM fresh;
    copy_members(fresh);
}

void sCONTROL_PARAM::copy_members(const sCONTROL_PARAM& other) {
    KCParam_Base::copy_members(other);
    CopyOwned(other);
}

void sCONTROL_PARAM::CopyOwned(const sCONTROL_PARAM& other) {
    for (int k = 0; k < 2; ++k) {
        m_graphData[k] = CloneOf(other.m_graphData[k].get());
        m_extensionData[k] = CopyOf(other.m_extensionData[k].get());
    }
    m_extension.reset(other.m_extension != nullptr ? other.m_extension->CreateCopy() : nullptr);
    if (m_extension != nullptr) {
        m_extension->AttachData(m_extensionData[0].get(), m_extensionData[1].get());
    }
    std::copy(std::begin(other.m_currentImageIndexes), std::end(other.m_currentImageIndexes),
              m_currentImageIndexes);
    m_mouseAcceleration = other.m_mouseAcceleration;
    m_mouseDeltaFunc = other.m_mouseDeltaFunc;
    m_dragStartState = -1.0;
    m_dragStartRealWorld = 0.0;
    m_linkGroups = other.m_linkGroups;
    m_controllers = other.m_controllers;
    m_controlledLinkGroups = other.m_controlledLinkGroups;
}

// ----------------------------------------------------------------------------- controllers

int sCONTROL_PARAM::AddController(int tag, KCParamController* control) {
    if (control == nullptr || !control->IsGUIControl() || ControllerExists(tag, control)) {
        return -1;
    }
    m_controllers.emplace_back(control, tag);
    return 0;
}

int sCONTROL_PARAM::RemoveController(int tag, KCParamController* control) {
    const auto it = std::find(m_controllers.begin(), m_controllers.end(), Controller(control, tag));
    if (it == m_controllers.end()) {
        return -1;
    }
    m_controllers.erase(it);
    return 0;
}

bool sCONTROL_PARAM::ControllerExists(int tag, KCParamController* control) const {
    return std::find(m_controllers.begin(), m_controllers.end(), Controller(control, tag)) !=
           m_controllers.end();
}

void sCONTROL_PARAM::UpdateControllers() {
    for (const auto& [control, tag] : m_controllers) {
        control->UpdatePointer(static_cast<unsigned int>(tag));
    }
}

void sCONTROL_PARAM::UpdateDisabledMode(bool disabled, EPluginSetup setup) {
    SetDisabledMode(IsFlagSet(eParamFlagConstantDisabled) ? 1 : static_cast<int>(disabled), setup);
    for (const auto& [control, tag] : m_controllers) {
        control->UpdateDisabledMode(static_cast<unsigned int>(tag));
    }
}

void sCONTROL_PARAM::CopySetup(EPluginSetup from, EPluginSetup to) {
    KCParam_Base::CopySetup(from, to);
    const unsigned int f = Slot(from);
    const unsigned int t = Slot(to);
    if (f == t) {
        return;
    }
    m_graphData[t] = CloneOf(m_graphData[f].get());
    const auto* source = m_extensionData[f].get();
    if (source == nullptr) {
        m_extensionData[t].reset();
    } else if (m_extensionData[t] == nullptr || !m_extensionData[t]->CopyContent(*source)) {
        m_extensionData[t] = CopyOf(source);
    }
    if (m_extension != nullptr) {
        m_extension->AttachData(m_extensionData[0].get(), m_extensionData[1].get());
    }
}

// ------------------------------------------------------------------------------ graph data

KCGraphDataBase* sCONTROL_PARAM::GetGraphDataObject(EPluginSetup setup) const {
    return m_graphData[Slot(setup)].get();
}

void sCONTROL_PARAM::SetGraphDataObject(const KCGraphDataBase& graph) {
    SetGraphDataObject(eSetupA, graph);
    SetGraphDataObject(eSetupB, graph);
}

void sCONTROL_PARAM::SetGraphDataObject(EPluginSetup setup, const KCGraphDataBase& graph) {
    m_graphData[Slot(setup)].reset(graph.Clone());
}

void sCONTROL_PARAM::ClearGraphDataObject() {
    m_graphData[0].reset();
    m_graphData[1].reset();
}

void sCONTROL_PARAM::ClearGraphDataObject(EPluginSetup setup) {
    m_graphData[Slot(setup)].reset();
}

void sCONTROL_PARAM::SwapGraphDataObject(EPluginSetup a, EPluginSetup b) {
    std::swap(m_graphData[Slot(a)], m_graphData[Slot(b)]);
}

bool sCONTROL_PARAM::ResizeGraph(unsigned int size) {
    bool resized = true;
    for (auto& graph : m_graphData) {
        if (graph != nullptr && !graph->ResizeGraph(size)) {
            resized = false;
        }
    }
    return resized;
}

const void* sCONTROL_PARAM::GetGraph(EPluginSetup setup) const {
    const auto& graph = m_graphData[Slot(setup)];
    return graph != nullptr ? graph->GetGraphData() : nullptr;
}

unsigned int sCONTROL_PARAM::GetGraphSize(EPluginSetup setup) const {
    const auto& graph = m_graphData[Slot(setup)];
    return graph != nullptr ? graph->GetGraphSize() : 0;
}

unsigned int sCONTROL_PARAM::GetGraphSizeInBytes(EPluginSetup setup) const {
    const auto& graph = m_graphData[Slot(setup)];
    return graph != nullptr ? graph->GetGraphSizeInBytes() : 0;
}

// ------------------------------------------------------------------------------- extension

void sCONTROL_PARAM::SetParamExtension(KCParamExtension* extension) {
    m_extension.reset(extension);
    if (m_extension != nullptr) {
        m_extension->AttachData(m_extensionData[0].get(), m_extensionData[1].get());
    }
}

KCParamExtension::Data* sCONTROL_PARAM::GetParamExtensionData(EPluginSetup setup) const {
    return m_extensionData[Slot(setup)].get();
}

void sCONTROL_PARAM::SetParamExtensionData(EPluginSetup setup, KCParamExtension::Data* data) {
    auto& slot = m_extensionData[Slot(setup)];
    if (slot.get() != data) {
        slot.reset(data);
    }
    if (m_extension != nullptr) {
        m_extension->AttachData(m_extensionData[0].get(), m_extensionData[1].get());
    }
}

// ----------------------------------------------------------------------------------- mouse

double sCONTROL_PARAM::DefaultMouseDelta(double delta) const {
    if (m_mouseAcceleration != kNoMouseAcceleration) {
        return m_mouseAcceleration * delta;
    }
    delta = std::clamp(delta, -10.0, 10.0);
    return std::fabs(delta) * delta;
}

void sCONTROL_PARAM::SetMouseDeltaFunc(MouseDeltaFn func) {
    if (func != nullptr) {
        m_mouseDeltaFunc = func;
    }
}

double sCONTROL_PARAM::UpdateMouseDeltaStep(double delta) const {
    return m_mouseDeltaFunc != nullptr ? m_mouseDeltaFunc(delta) : DefaultMouseDelta(delta);
}

// -------------------------------------------------------------------- stepping, text entry

double sCONTROL_PARAM::OffsetToNextDifferentStateDiscrete(EPluginSetup setup, double offset,
                                                          bool linked) const {
    if (offset == 0.0) {
        return 0.0;
    }
    const double step = GetStateStep();
    const double states = GetNumStates();
    const double current = std::trunc(GetState(setup) / step);
    double next = offset > 0.0 ? current + 1.0 : current - 1.0;
    if (IsDiscreteParamCyclic() && !linked) {
        next = next < 0.0 ? next + states : std::fmod(next, states);
    } else if (next < 0.0 || next > states - 1.0) {
        next = current;
    }
    return (next - current) * step;
}

double sCONTROL_PARAM::OffsetToNextDifferentStateContinuous(EPluginSetup setup,
                                                            double offset) const {
    if (offset == 0.0 || GetScaleFunc() == nullptr) {
        return 0.0;
    }
    const double start = GetState(setup);
    const double step = GetStateStep();
    const double current = GetRealWorld(setup);
    const auto wrap = [](double s) {
        if (s > kMaxState) {
            return s - kMaxState;
        }
        return s < 0.0 ? s + kMaxState : s;
    };
    const auto same = [&](double candidate) {
        return std::fabs(StateToRealWorld(candidate) - current) < 1e-10;
    };
    double s = start;
    double candidate = 0.0;
    if (offset > 0.0) {
        if (IsContiniousParamCyclic()) {
            s = wrap(s + step);
        }
        candidate = std::min(std::ceil(s / step) * step, kMaxState);
        while (candidate < kMaxState && same(candidate)) {
            candidate += step;
        }
    } else {
        if (IsContiniousParamCyclic()) {
            s = wrap(s - step);
        }
        candidate = std::max(std::floor(s / step) * step, 0.0);
        while (candidate > 0.0 && same(candidate)) {
            candidate -= step;
        }
    }
    return RealWorldToState(StateToRealWorld(candidate)) - start;
}

ETranslateTextRetType sCONTROL_PARAM::TranslateTextToRealWorld(const KCFixedStringBase& text,
                                                               double& realWorld) const {
    if (text.compare("-Inf") == 0 || text.compare("-inf") == 0) {
        realWorld = StateToRealWorld(0.0);
    } else {
        realWorld = LeadingNumber(text.c_str());
        if (IsFlagSet(eParamFlagPositiveTextEntryToNegative)) {
            realWorld = -std::fabs(realWorld);
        }
    }
    if (!ValidateRealWorld(realWorld)) {
        return eTranslateTextRejected;
    }
    LimitRealWorld(realWorld);
    return eTranslateTextAccepted;
}

}  // namespace kvKorvaneV10_0_3
