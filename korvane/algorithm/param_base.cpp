// Parameter record: scale setup, conversions, value updates and value strings.
#include "korvane/algorithm/param_base.h"

#include "korvane/algorithm/display_functions.h"
#include "korvane/core/error_codes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kvKorvaneV10_0_3 {
namespace {

struct FlagName {
    const char* keyword;
    unsigned int bit;
};

constexpr FlagName kFlagNames[] = {
    {"NoDisplay", eParamFlagNoDisplay},
    {"DisplayOnlyParam", eParamFlagDisplayOnlyParam},
    {"DontUpdateWhileDrag", eParamFlagDontUpdateWhileDrag},
    {"Drag", eParamFlagDontUpdateWhileDrag},
    {"AlwaysUpdate", eParamFlagAlwaysUpdate},
    {"DontSaveToPreset", eParamFlagDontSaveToPreset},
    {"DontReadFromPreset", eParamFlagDontReadFromPreset},
    {"PositiveTextEntryToNegative", eParamFlagPositiveTextEntryToNegative},
    {"ConstantDisabled", eParamFlagConstantDisabled},
    {"AvoidValidation", eParamFlagAvoidValidation},
    {"Unused", eParamFlagUnused},
    {"NotCyclic", eParamFlagNotCyclic},
    {"CyclicContinious", eParamFlagCyclicContinious},
    {"Lab", eParamFlagLab},
    {"DontRecordUndo", eParamFlagDontRecordUndo},
};

bool IsType(const KCFixedStringBase& type, const char* name) {
    return type.compare(name) == 0;
}

// The largest toggle count the scale setter accepts: a whole number that fits a short.
constexpr double kMaxToggleStates = 32767.0;

}  // namespace

int ParamFlagBitFromName(const char* keyword) {
    if (keyword == nullptr) {
        return -1;
    }
    for (const auto& entry : kFlagNames) {
        if (std::strcmp(entry.keyword, keyword) == 0) {
            return static_cast<int>(entry.bit);
        }
    }
    return -1;
}

const char* ParamFlagName(unsigned int bit) {
    for (const auto& entry : kFlagNames) {
        if (entry.bit == bit) {
            return entry.keyword;
        }
    }
    return nullptr;
}

KCParam_Base::KCParam_Base() = default;

KCParam_Base::KCParam_Base(const KCParam_Base& other) {
    copy_members(other);
}

KCParam_Base& KCParam_Base::operator=(const KCParam_Base& other) {
    if (this != &other) {
        copy_members(other);
    }
    return *this;
}

KCParam_Base::~KCParam_Base() = default;

void KCParam_Base::ResetMembers() {
    // Reassign every field from a fresh record; the display binding is rebound in copy_members.
    const KCParam_Base fresh;
    copy_members(fresh);
}

void KCParam_Base::copy_members(const KCParam_Base& other) {
    std::copy(std::begin(other.m_disabledMode), std::end(other.m_disabledMode), m_disabledMode);
    m_name = other.m_name;
    std::copy(std::begin(other.m_state), std::end(other.m_state), m_state);
    std::copy(std::begin(other.m_realWorld), std::end(other.m_realWorld), m_realWorld);
    m_initialState = other.m_initialState;
    m_initialRealWorld = other.m_initialRealWorld;
    m_resetState = other.m_resetState;
    m_resetRealWorld = other.m_resetRealWorld;
    m_type = other.m_type;
    m_flags = other.m_flags;
    m_scaleInfo = other.m_scaleInfo;
    m_label = other.m_label;
    m_units = other.m_units;
    m_valueString = other.m_valueString;
    m_updateLevel = other.m_updateLevel;
    m_scaleType = other.m_scaleType;
    m_scaleFunc = other.m_scaleFunc;
    m_inverseScaleFunc = other.m_inverseScaleFunc;
    m_inverseKind = other.m_inverseKind;
    m_numStates = other.m_numStates;
    m_stateStep = other.m_stateStep;
    m_maxState = other.m_maxState;
    m_displayFunc = other.m_displayFunc;
    m_displayFuncName = other.m_displayFuncName;
    m_displayStrings = other.m_displayStrings;
    m_needToReset = other.m_needToReset;
    // A display function bound to the source's strings must show the copy's own strings,
    // or it would dangle once the source goes away (records move when vectors grow).
    if (auto* bound = m_displayFunc.target<DisplayRealWorldString>();
        bound != nullptr && bound->BoundStrings() == &other.m_displayStrings) {
        bound->Bind(&m_displayStrings);
    }
}

// ---------------------------------------------------------------------------------- scales

void KCParam_Base::ApplyResolution(double resolution) {
    m_scaleInfo.resolution = resolution;
    // A resolution that is not positive means "no rounding" (the quantisers skip it).
    m_scaleInfo.inverseResolution = resolution > 0.0 ? 1.0 / resolution : 0.0;
}

void KCParam_Base::NoteScaleFunctions() {
    m_inverseKind = eInverseByCall;
    if (m_scaleFunc == nullptr) {
        return;
    }
    if (m_inverseScaleFunc == &InverseLinearScale && m_scaleInfo.b != 0.0) {
        m_inverseKind = eInverseLinear;
    } else if (m_scaleFunc == &LinearRangesScale &&
               m_inverseScaleFunc == &InverseLinearRangesScale && m_scaleInfo.rangeCount >= 1 &&
               m_scaleInfo.rangePoints.size() == m_scaleInfo.rangeCount &&
               m_scaleInfo.rangeSearch.size() >= 4 && m_scaleInfo.rangeSearch.size() % 4 == 0 &&
               m_scaleInfo.rangeCount ==
                   std::min(m_scaleInfo.statePoints.size(), m_scaleInfo.realWorldPoints.size())) {
        m_inverseKind = eInverseAscendingRanges;
    }
}

double KCParam_Base::RealWorldToStateByCall(double realWorld) const noexcept {
    return m_scaleFunc != nullptr && m_inverseScaleFunc != nullptr
               ? m_inverseScaleFunc(realWorld, &m_scaleInfo)
               : 0.0;
}

void KCParam_Base::UpdateStateStep() {
    m_stateStep = (m_type != eParamDiscrete && m_numStates >= 2)
                      ? kMaxState / static_cast<double>(m_numStates - 1)
                      : 1.0;
    // Worked out here rather than per bound: for "toggleMap" it takes a name comparison and
    // a walk over the table.
    m_maxState = kMaxState;
    if (m_type == eParamDiscrete) {
        double top = std::max(0.0, static_cast<double>(m_numStates - 1));
        if (IsType(m_scaleType, "toggleMap")) {
            for (const double point : m_scaleInfo.statePoints) {
                top = std::max(top, point);
            }
        }
        m_maxState = std::min(top, kMaxState);
    }
}

void KCParam_Base::ApplyScale(double a, double b, double resolution, ScaleFn scale, ScaleFn inverse,
                              EParamType type, const char* name) {
    m_scaleInfo.a = a;
    m_scaleInfo.b = b;
    m_scaleInfo.c = 0.0;
    ApplyResolution(resolution);
    m_scaleFunc = scale;
    m_inverseScaleFunc = inverse;
    NoteScaleFunctions();
    m_type = type;
    m_scaleType = name;
    UpdateStateStep();
}

int KCParam_Base::SetScaleLin(double min, double max, double resolution) {
    ApplyScale(min, (max - min) * 0.001, resolution,
               resolution <= 1.0 ? LinearScale : ExtendedResLinearScale, InverseLinearScale,
               eParamContinuous, "linear");
    return eNoErr;
}

int KCParam_Base::SetScaleLog(double min, double max, double resolution) {
    if (!(min > 0.0) || !(max > 0.0)) {
        return eOutOfRangeNumber;  // a logarithmic scale needs a positive range
    }
    ApplyScale(min, std::pow(max / min, 0.001), resolution,
               resolution <= 1.0 ? LogScale : ExtendedResLogScale, InverseLogScale,
               eParamContinuous, "logarithmic");
    return eNoErr;
}

int KCParam_Base::SetScaleToggle(int numStates) {
    if (numStates <= 0) {
        return eOutOfRangeNumber;
    }
    m_numStates = numStates;
    ApplyScale(numStates, 0.0, 1.0, ToggleScale, DummyScale, eParamDiscrete, "toggle");
    return eNoErr;
}

int KCParam_Base::SetScaleGeneric(double a, double b, double c, double resolution) {
    m_scaleInfo.a = a;
    m_scaleInfo.b = b;
    m_scaleInfo.c = c;
    ApplyResolution(resolution);
    if (m_scaleFunc == nullptr) {
        m_scaleFunc = DummyScale;
    }
    if (m_inverseScaleFunc == nullptr) {
        m_inverseScaleFunc = InverseDummyScale;
    }
    NoteScaleFunctions();
    UpdateStateStep();
    return eNoErr;
}

int KCParam_Base::SetScale(double min, double max, double resolution, int numStates, double c,
                           const KCFixedStringBase& scaleType, ScaleFn scale, ScaleFn inverse,
                           const std::vector<double>& statePoints,
                           const std::vector<double>& realWorldPoints) {
    const bool toggle = IsType(scaleType, "toggle");
    const bool linearRanges = IsType(scaleType, "linearRanges");
    const bool linearRangesRounding = IsType(scaleType, "linearRangesWithRounding");
    const bool toggleRanges = IsType(scaleType, "toggleRanges");
    const bool toggleMap = IsType(scaleType, "toggleMap");

    // Reject what has no defined result before touching anything: the previous scale stays.
    if (toggle && !(resolution >= 1.0 && resolution <= kMaxToggleStates &&
                    resolution == std::trunc(resolution))) {
        return eOutOfRangeNumber;
    }
    if ((linearRanges || linearRangesRounding) &&
        (statePoints.size() < 2 || realWorldPoints.size() < 2)) {
        return eValueWrongSize;
    }
    if ((toggleRanges && realWorldPoints.empty()) ||
        (toggleMap && (realWorldPoints.empty() || statePoints.empty()))) {
        return eValueWrongSize;
    }
    if (IsType(scaleType, "logarithmic") && !(min > 0.0 && max > 0.0)) {
        return eOutOfRangeNumber;
    }

    m_numStates = numStates;
    if (IsType(scaleType, "linear")) {
        SetScaleLin(min, max, resolution);
    } else if (IsType(scaleType, "logarithmic")) {
        SetScaleLog(min, max, resolution);
    } else if (toggle) {
        SetScaleToggle(static_cast<int>(resolution));
    } else if (linearRanges || linearRangesRounding) {
        m_scaleInfo.statePoints = statePoints;
        m_scaleInfo.realWorldPoints = realWorldPoints;
        ApplyResolution(resolution);
        m_scaleFunc = LinearRangesScale;
        m_inverseScaleFunc =
            linearRanges ? InverseLinearRangesScale : InverseLinearRangesScaleWithRounding;
    } else if (toggleRanges || toggleMap) {
        m_scaleInfo.realWorldPoints = realWorldPoints;
        if (toggleMap) {
            m_scaleInfo.statePoints = statePoints;
        }
        m_numStates = static_cast<int>(realWorldPoints.size());
        ApplyScale(static_cast<double>(realWorldPoints.size()), 0.0, 1.0,
                   toggleMap ? ToggleMapScale : ToggleRangesScale,
                   toggleMap ? InverseToggleMapScale : InverseToggleRangesScale, eParamDiscrete,
                   toggleMap ? "toggleMap" : "toggleRanges");
    } else {
        m_scaleInfo.a = min;
        m_scaleInfo.b = max;
        m_scaleInfo.c = c;
        ApplyResolution(resolution);
        m_scaleFunc = scale != nullptr ? scale : DummyScale;
        m_inverseScaleFunc = inverse != nullptr ? inverse : DummyScale;
    }
    m_scaleType = scaleType;
    UpdateStateStep();
    PrepareRangeTables(m_scaleInfo);
    NoteScaleFunctions();  // after: the kind depends on the prepared tables
    return eNoErr;
}

void KCParam_Base::GetScale(double& min, double& max, double& resolution, int& numStates, double& c,
                            KCFixedStringBase& scaleType, ScaleFn& scale, ScaleFn& inverse,
                            std::vector<double>& statePoints,
                            std::vector<double>& realWorldPoints) const {
    numStates = m_numStates;
    c = m_scaleInfo.c;
    scaleType = m_scaleType;
    scale = m_scaleFunc;
    inverse = m_inverseScaleFunc;
    statePoints = m_scaleInfo.statePoints;
    realWorldPoints = m_scaleInfo.realWorldPoints;
    if (IsType(m_scaleType, "linear")) {
        GetScaleLin(min, max, resolution);
    } else if (IsType(m_scaleType, "logarithmic")) {
        GetScaleLog(min, max, resolution);
    } else if (IsType(m_scaleType, "toggle") || IsType(m_scaleType, "toggleRanges") ||
               IsType(m_scaleType, "toggleMap")) {
        min = 0.0;
        max = m_numStates - 1;
        resolution = m_numStates;
    } else if (IsType(m_scaleType, "linearRanges") ||
               IsType(m_scaleType, "linearRangesWithRounding")) {
        min = realWorldPoints.empty() ? 0.0 : realWorldPoints.front();
        max = realWorldPoints.empty() ? 0.0 : realWorldPoints.back();
        resolution = m_scaleInfo.resolution;
    } else {
        GetScaleGeneric(min, max, c, resolution);
    }
}

void KCParam_Base::GetScaleLin(double& min, double& max, double& resolution) const {
    min = m_scaleInfo.a;
    max = m_scaleInfo.a + m_scaleInfo.b / 0.001;
    resolution = m_scaleInfo.resolution;
}

void KCParam_Base::GetScaleLog(double& min, double& max, double& resolution) const {
    min = m_scaleInfo.a;
    max = m_scaleInfo.a * std::pow(m_scaleInfo.b, 1000.0);
    resolution = m_scaleInfo.resolution;
}

void KCParam_Base::GetScaleGeneric(double& a, double& b, double& c, double& resolution) const {
    a = m_scaleInfo.a;
    b = m_scaleInfo.b;
    c = m_scaleInfo.c;
    resolution = m_scaleInfo.resolution;
}

void KCParam_Base::ApplyDefault(double value, const KCFixedStringBase& type, bool isReset,
                                double& state, double& realWorld) const {
    if (IsType(type, "double")) {
        state = std::clamp(value, 0.0, 1.0) * kMaxState;
    } else if (IsType(type, "state")) {
        state = std::clamp(value, 0.0, kMaxState);
    } else if (IsType(type, "RealWorld")) {
        state = std::round(RealWorldToState(value));
    } else if (IsType(type, "RealWorldExact")) {
        state = RealWorldToState(value);
    } else if (isReset) {
        state = m_initialState;
    }
    if (!std::isnan(state)) {
        state = std::clamp(state, 0.0, kMaxState);
    }
    realWorld = m_scaleFunc != nullptr ? Scale(state) : 0.0;
    if (m_scaleFunc != nullptr && m_inverseScaleFunc != nullptr) {
        state = Unscale(realWorld);
        if (!IsType(type, "RealWorldExact")) {
            state = std::round(state);
        }
    }
}

int KCParam_Base::SetScaleDefaults(double resetValue, const KCFixedStringBase& resetType,
                                   double initialValue, const KCFixedStringBase& initialType) {
    ApplyDefault(initialValue, initialType, false, m_initialState, m_initialRealWorld);
    ApplyDefault(resetValue, resetType, true, m_resetState, m_resetRealWorld);
    m_state[0] = m_state[1] = m_initialState;
    m_realWorld[0] = m_realWorld[1] = m_initialRealWorld;
    return eNoErr;
}

// ----------------------------------------------------------------------------- conversions

double KCParam_Base::QuantizeState(double state) const {
    return std::floor(state / m_stateStep + 0.5) * m_stateStep;
}

double KCParam_Base::BoundDiscreteState(double state) const {
    if (std::isnan(state)) {
        return state;
    }
    // Past the last state a table scale would wrap to an unrelated value.
    return std::clamp(QuantizeState(state), 0.0, m_maxState);
}

void KCParam_Base::LimitRealWorld(double& realWorld) const {
    if (m_scaleFunc == nullptr) {
        realWorld = 0.0;
        return;
    }
    double state = RealWorldToState(realWorld);
    if (!std::isnan(state)) {
        state = std::clamp(state, 0.0, kMaxState);
    }
    realWorld = StateToRealWorld(state);
}

bool KCParam_Base::ValidateRealWorld(double realWorld) const {
    double lo = 0.0;
    double hi = 0.0;
    if (m_scaleFunc != nullptr) {
        if (m_type == eParamDiscrete && IsType(m_scaleType, "toggleMap")) {
            hi = m_numStates - 1;
        } else {
            lo = Scale(0.0);
            hi = Scale(m_type == eParamDiscrete ? m_numStates - 1 : kMaxState);
        }
    }
    if (lo > hi) {
        std::swap(lo, hi);
    }
    return lo - 1e-6 <= realWorld && realWorld <= hi + 1e-6;
}

int KCParam_Base::SanityTests() const {
    if (!IsFlagSet(eParamFlagPositiveTextEntryToNegative)) {
        return 0;
    }
    if (m_type != eParamDiscrete && StateToRealWorld(0.0) <= 0.0 &&
        StateToRealWorld(kMaxState) <= 0.0) {
        return 0;
    }
    return -1;
}

// ---------------------------------------------------------------------------------- values

void KCParam_Base::SetStateAndUpdate(double state, EPluginSetup setup) {
    SetBoundedStateAndUpdate(BoundState(state), setup);
}

void KCParam_Base::SetRealWorldAndUpdate(double realWorld, EPluginSetup setup) {
    const unsigned int k = Slot(setup);
    m_realWorld[k] = realWorld;
    if (m_inverseScaleFunc != nullptr) {
        m_state[k] = BoundState(Unscale(realWorld));
    }
    m_updateLevel = eUpdateLevelRefresh;
}

double KCParam_Base::UpdateRealWorldFromState(EPluginSetup setup) {
    const unsigned int k = Slot(setup);
    const double back = RealWorldToState(m_realWorld[k]);
    if ((back != m_state[k] || std::isnan(back)) && m_scaleFunc != nullptr) {
        m_realWorld[k] = Scale(m_state[k]);
    }
    return m_realWorld[k];
}

double KCParam_Base::UpdateStateFromRealWorld(EPluginSetup setup) {
    const unsigned int k = Slot(setup);
    if (m_inverseScaleFunc != nullptr) {
        m_state[k] = BoundState(Unscale(m_realWorld[k]));
    }
    return m_state[k];
}

bool KCParam_Base::DoesNewStateChangeRealWorld(EPluginSetup setup, double newState) const {
    const unsigned int k = Slot(setup);
    if (m_scaleFunc == nullptr || RealWorldToState(m_realWorld[k]) == newState) {
        return false;
    }
    return Scale(newState) != m_realWorld[k];
}

void KCParam_Base::SetRealWorldInitialValue(double realWorld) {
    m_initialRealWorld = realWorld;
    m_initialState = m_inverseScaleFunc != nullptr ? Unscale(realWorld) : 0.0;
}

void KCParam_Base::SetRealWorldResetValue(double realWorld) {
    m_resetRealWorld = realWorld;
    m_resetState = m_inverseScaleFunc != nullptr ? Unscale(realWorld) : 0.0;
}

void KCParam_Base::CopySetup(EPluginSetup from, EPluginSetup to) {
    const unsigned int f = Slot(from);
    const unsigned int t = Slot(to);
    m_state[t] = m_state[f];
    m_realWorld[t] = m_realWorld[f];
    m_disabledMode[t] = m_disabledMode[f];
}

// --------------------------------------------------------------------------------- strings

void KCParam_Base::UpdateValueString(EPluginSetup setup) {
    if (m_displayFunc.empty()) {
        return;
    }
    const unsigned int k = Slot(setup);
    if (!IsFlagSet(eParamFlagKeepValueString)) {
        m_valueString.clear();
    }
    m_displayFunc(m_state[k], m_realWorld[k], m_valueString);
}

void KCParam_Base::TranslateValueString(double state, KCFixedStringBase& out) const {
    if (!m_displayFunc.empty()) {
        m_displayFunc(state, StateToRealWorld(state), out);
    }
}

void KCParam_Base::SetDisplayFunc(const DisplayFn& func) {
    m_displayFunc = func;
}

void KCParam_Base::UseDisplayStrings() {
    m_displayFunc = DisplayRealWorldString(&m_displayStrings);
}

}  // namespace kvKorvaneV10_0_3
