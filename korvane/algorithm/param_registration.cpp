// How a registration turns input deltas into parameter changes, and its description element.
#include "korvane/algorithm/param_registration.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/algorithm/base_control.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <cmath>
#include <string>
#include <utility>

namespace kvKorvaneV10_0_3 {
namespace {

constexpr double kMaxState = 1000.0;
constexpr double kRealWorldEpsilon = 1e-10;

// Kinds that move a value by an amount rather than by a click.
bool IsDragLike(ERegisterType type) {
    switch (type) {
        case eRegMouseVertical:
        case eRegMouseHorizontal:
        case eRegMouseWheelVertical:
        case eRegMouseWheelHorizontal:
        case eRegMouseDrawVertical:
        case eRegMouseDrawHorizontal:
        case eRegZoomX:
        case eRegZoomY:
        case eRegScrollX:
        case eRegScrollY:
        case eRegTouchPinchVertical:
        case eRegTouchPinchHorizontal:
            return true;
        default:
            return false;
    }
}

// Wraps into [0, range) - however far outside the state is.
double Wrap(double state, double range) {
    double wrapped = std::fmod(state, range);
    if (wrapped < 0.0) {
        wrapped += range;
    }
    return wrapped;
}

// Modifiers a description may name, in the order they are searched for.
constexpr std::pair<const char*, KEModifier> kModifierSearch[] = {
    {"Alt", eModAlt}, {"Secondary", eModSecondary}, {"Shift", eModShift}, {"Primary", eModPrimary}};

}  // namespace

bool KCParamRegistrationData::MatchModifiers(const bool* eventModifiers) const {
    if (eventModifiers == nullptr) {
        return true;
    }
    for (unsigned int i = 0; i < eModCount; ++i) {
        if (modifiers[i] != eventModifiers[i]) {
            return false;
        }
    }
    return true;
}

bool KCParamRegistrationData::HasParam() const {
    return alg != nullptr && paramID < alg->GetNumParams();
}

bool KCParamRegistrationData::IsDiscrete() const {
    return HasParam() && alg->GetParamType(paramID) == eParamDiscrete;
}

bool KCParamRegistrationData::IsCyclic() const {
    return HasParam() && alg->GetParamFlags(paramID).IsSet(eParamFlagCyclicContinious);
}

double KCParamRegistrationData::NewStateForOffset(double delta, ERegisterType type) const {
    if (!HasParam()) {
        return value;
    }
    const double current = alg->GetParamState(paramID);
    if (!AnswersTo(type)) {
        return current;
    }
    if (AnswersTo(eRegFixedState)) {
        return fixedStateValue;
    }
    const int states = alg->GetParamNumStates(paramID);
    double next = current + delta;
    if (type == eRegMouseDown || type == eRegMouseUp) {
        if (states > 0) {
            next = Wrap(next, static_cast<double>(states));
        }
    } else if (IsDragLike(type) && IsDiscrete() && states > 0) {
        next = std::clamp(next, 0.0, static_cast<double>(states - 1));
    }
    if (next < 0.0 || next > kMaxState) {
        // A delta of several ranges (drag factor, acceleration) must still land inside.
        next = IsCyclic() ? Wrap(next, kMaxState) : std::clamp(next, 0.0, kMaxState);
    }
    // What the parameter will hold: a discrete one only whole states.
    const kvThread::ThreadMutexLock lock(alg->AlgLock());
    return alg->GetParam(paramID).BoundState(next);
}

KCParamRegistrationData::BUFFER_HEADER* KCParamRegistrationData::OffsetParamValue(
    double delta, ERegisterType type, const bool* eventModifiers) {
    if (!HasParam() || !AnswersTo(type) || !MatchModifiers(eventModifiers)) {
        return nullptr;
    }
    const double next = NewStateForOffset(delta, type);
    BUFFER_HEADER* chain = alg->GetParamFlags(paramID).IsSet(eParamFlagDontUpdateWhileDrag)
                               ? DragParam(next)
                               : alg->UpdateParamRequestState(paramID, next);
    UpdateValue();
    return chain;
}

bool KCParamRegistrationData::DoesNewStateChangeRealWorld(double delta, ERegisterType type,
                                                          const bool* eventModifiers) const {
    if (!HasParam() || !AnswersTo(type) || !MatchModifiers(eventModifiers)) {
        return false;
    }
    const double next = NewStateForOffset(delta, type);
    return std::fabs(alg->StateToRealWorld(paramID, next) - alg->GetParamRealWorld(paramID)) >=
           kRealWorldEpsilon;
}

KCParamRegistrationData::BUFFER_HEADER*
KCParamRegistrationData::OffsetParamValueToNextDifferentValue(double delta, ERegisterType type,
                                                              const bool* eventModifiers) {
    if (!HasParam() || !AnswersTo(type) || !MatchModifiers(eventModifiers) || delta == 0.0) {
        return nullptr;
    }
    if (AnswersTo(eRegFixedState)) {
        return OffsetParamValue(delta, type, eventModifiers);
    }
    double offset = 0.0;
    {
        const kvThread::ThreadMutexLock lock(alg->AlgLock());
        offset = alg->OffsetToNextDifferentState(paramID, delta);
    }
    if (offset == 0.0) {
        return nullptr;
    }
    double next = alg->GetParamState(paramID) + offset;
    if (next < 0.0 || next > kMaxState) {
        next = IsCyclic() ? Wrap(next, kMaxState) : std::clamp(next, 0.0, kMaxState);
    }
    BUFFER_HEADER* chain = alg->GetParamFlags(paramID).IsSet(eParamFlagDontUpdateWhileDrag)
                               ? DragParam(next)
                               : alg->UpdateParamRequestState(paramID, next);
    UpdateValue();
    return chain;
}

KCParamRegistrationData::BUFFER_HEADER* KCParamRegistrationData::DragParam(double state) {
    if (!HasParam()) {
        return nullptr;
    }
    if (dragStartValue < 0.0) {
        dragStartValue = alg->GetParamState(paramID);
    }
    BUFFER_HEADER* chain = alg->DragParam(paramID, state);
    UpdateValue();
    return chain;
}

KCParamRegistrationData::BUFFER_HEADER* KCParamRegistrationData::FinishDragParam() {
    if (dragStartValue < 0.0) {
        return nullptr;
    }
    dragStartValue = -1.0;
    if (!HasParam()) {
        return nullptr;
    }
    // The final set carries the dragged value to the processing and ends the parameter's drag.
    BUFFER_HEADER* chain = alg->UpdateParamRequestState(paramID, alg->GetParamState(paramID));
    UpdateValue();
    return chain;
}

KCParamRegistrationData::BUFFER_HEADER* KCParamRegistrationData::ResetParam() {
    if (!HasParam()) {
        return nullptr;
    }
    double state = 0.0;
    BUFFER_HEADER* chain = alg->SetParamResetState(paramID, state);
    UpdateValue();
    return chain;
}

void KCParamRegistrationData::Touch() const {
    if (HasParam()) {
        alg->Touch(paramID);
    }
}

void KCParamRegistrationData::Release() const {
    if (HasParam()) {
        alg->Release(paramID);
    }
}

double KCParamRegistrationData::UpdateMouseDeltaStep(double delta) const {
    return HasParam() ? alg->UpdateMouseDeltaStep(paramID, delta) : 0.0;
}

void KCParamRegistrationData::UpdateValue() {
    if (HasParam()) {
        value = alg->GetParamState(paramID);
    }
}

void KCParamRegistrationData::ReadFromXMLForGUI(const XML::CXMLElement& param) {
    std::string names;
    if (param.GetAttrib("Modifiers", names)) {
        for (const auto& [text, modifier] : kModifierSearch) {
            if (names.find(text) != std::string::npos) {
                modifiers[modifier] = true;
                break;
            }
        }
    }
    for (const XML::CXMLElement* kind : param.GetSubElements()) {
        ERegisterType type{};
        if (RegisterTypeFromString(kind->GetName().c_str(), type)) {
            SetRegisterType(type, true);
            float fixed = 0.0F;
            if (type == eRegFixedState && kind->GetAttrib("Value", fixed)) {
                fixedStateValue = fixed;
            }
        }
    }
    // A rectangle that does not read leaves the one held.
    KURect<short> rect;
    if (XML::ReadFromXML_KURect(param.SubElement("ImageRect"), rect) == eNoErr) {
        imageRect = rect;
    }
}

void KCParamRegistrationData::WriteToXMLForGUI(XML::CXMLElement& param) const {
    for (const auto& [text, modifier] : kModifierSearch) {
        if (modifiers[modifier]) {
            param.AddAttrib("Modifiers", text);
            break;
        }
    }
    for (unsigned int t = 0; t <= eRegUser6; ++t) {
        const auto type = static_cast<ERegisterType>(t);
        if (AnswersTo(type)) {
            XML::CXMLElement* kind = param.AddSubElement(RegisterTypeName(type));
            if (type == eRegFixedState) {
                kind->AddAttrib("Value", static_cast<float>(fixedStateValue));
            }
        }
    }
    if (imageRect != KURect<short>()) {
        XML::WriteToXML_KURect(param.AddSubElement("ImageRect"), imageRect);
    }
}

}  // namespace kvKorvaneV10_0_3
