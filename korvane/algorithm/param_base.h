// The parameter record: per-setup state and real-world value, scale, flags, strings and the
// display function. The record has no lock of its own: the algorithm lock guards it.
#pragma once

#include "korvane/algorithm/scale.h"
#include "korvane/core/bit_vector.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <boost/function.hpp>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kvKorvaneV10_0_3 {

// Which of the two setups an operation addresses; the algorithm resolves eActiveSetup.
enum EPluginSetup : int { eActiveSetup = -1, eSetupA = 0, eSetupB = 1 };

enum EParamType : int { eParamUnscaled = -1, eParamDiscrete = 0, eParamContinuous = 1 };

enum ETranslateTextRetType : int { eTranslateTextRejected = 0, eTranslateTextAccepted = 1 };

// A parameter's display update level: DoIdle(level) refreshes those at `level` or above.
// Plain ints cross the interface (SetParamToUpdateFlag, DoIdle), hence a plain enum.
enum EParamUpdateLevel : int { eUpdateLevelNone = 0, eUpdateLevelRefresh = 3 };

// Flag bit numbers of a parameter (the flag word is a TBitVector<unsigned int>).
enum EParamFlagBit : unsigned int {
    eParamFlagNoDisplay = 1,
    eParamFlagDisplayOnlyParam = 2,
    eParamFlagDontUpdateWhileDrag = 3,
    eParamFlagAlwaysUpdate = 4,
    eParamFlagDontSaveToPreset = 5,
    eParamFlagDontReadFromPreset = 6,
    eParamFlagPositiveTextEntryToNegative = 7,
    eParamFlagKeepValueString = 8,
    eParamFlagConstantDisabled = 9,
    eParamFlagAvoidValidation = 10,
    eParamFlagUnused = 11,
    eParamFlagNotCyclic = 12,
    eParamFlagCyclicContinious = 13,
    eParamFlagLab = 14,
    eParamFlagDontRecordUndo = 16,
};

// The bit a flag keyword of the parameter description sets ("Drag" is an alias of
// "DontUpdateWhileDrag"); -1 for an unknown keyword.
KORVANE_API int ParamFlagBitFromName(const char* keyword);
// The keyword of a bit, or null for a bit without one.
KORVANE_API const char* ParamFlagName(unsigned int bit);

using DisplayFn = boost::function<void(double state, double realWorld, KCFixedStringBase& out)>;
using MouseDeltaFn = double (*)(double delta);

class KORVANE_API KCParam_Base {
public:
    static constexpr double kNoMouseAcceleration = -1.0;
    static constexpr double kMaxState = 1000.0;

    KCParam_Base();
    KCParam_Base(const KCParam_Base& other);
    KCParam_Base& operator=(const KCParam_Base& other);
    virtual ~KCParam_Base();

    // Restores every field to its default (an unscaled parameter with 1001 states).
    void ResetMembers();
    void copy_members(const KCParam_Base& other);

    // --- Scale setup. A rejected scale (see docs/parameters.md) returns an error code and
    // leaves the previous scale untouched; 0 otherwise.
    int SetScale(double min, double max, double resolution, int numStates, double c,
                 const KCFixedStringBase& scaleType, ScaleFn scale, ScaleFn inverse,
                 const std::vector<double>& statePoints,
                 const std::vector<double>& realWorldPoints);
    int SetScaleLin(double min, double max, double resolution);
    int SetScaleLog(double min, double max, double resolution);
    int SetScaleToggle(int numStates);
    int SetScaleGeneric(double a, double b, double c, double resolution);
    // Initial and reset values, each given with its type: "double" (0..1), "state",
    // "RealWorld" or "RealWorldExact". Both setups start at the initial value. Returns 0.
    int SetScaleDefaults(double resetValue, const KCFixedStringBase& resetType, double initialValue,
                         const KCFixedStringBase& initialType);

    void GetScale(double& min, double& max, double& resolution, int& numStates, double& c,
                  KCFixedStringBase& scaleType, ScaleFn& scale, ScaleFn& inverse,
                  std::vector<double>& statePoints, std::vector<double>& realWorldPoints) const;
    void GetScaleLin(double& min, double& max, double& resolution) const;
    void GetScaleLog(double& min, double& max, double& resolution) const;
    void GetScaleGeneric(double& a, double& b, double& c, double& resolution) const;
    [[nodiscard]] const KCFixedStringBase& GetScaleType() const { return m_scaleType; }
    [[nodiscard]] int GetNumStates() const { return m_numStates; }
    [[nodiscard]] int GetScaleToggle() const { return m_numStates; }
    [[nodiscard]] double GetStateStep() const { return m_stateStep; }
    [[nodiscard]] EParamType GetType() const { return m_type; }
    [[nodiscard]] const sSCALE_INFO& GetScaleInfo() const { return m_scaleInfo; }
    [[nodiscard]] ScaleFn GetScaleFunc() const { return m_scaleFunc; }
    [[nodiscard]] ScaleFn GetInverseScaleFunc() const { return m_inverseScaleFunc; }

    // --- Conversions (0.0 without a scale function). Inline: called for every value shown.
    [[nodiscard]] double StateToRealWorld(double state) const {
        return m_scaleFunc != nullptr ? Scale(state) : 0.0;
    }
    [[nodiscard, gnu::always_inline]] double RealWorldToState(double realWorld) const {
        if (m_inverseKind == eInverseLinear) {
            // Its zero-slope test was settled when the scale was set.
            return (realWorld - m_scaleInfo.a) / m_scaleInfo.b;
        }
        if (m_inverseKind == eInverseAscendingRanges) {
            return scale_detail::InverseAscendingRanges(realWorld, m_scaleInfo);
        }
        return RealWorldToStateByCall(realWorld);
    }
    [[nodiscard]] double QuantizeState(double state) const;
    // The nearest state the parameter can hold: a discrete state is a whole step from 0 to its
    // last state, any other state lies in [0, 1000]. NaN passes through.
    [[nodiscard]] double BoundState(double state) const {
        // Inline for the continuous case, which every change of such a parameter takes; a NaN
        // passes through the clamp as it is.
        return m_type != eParamDiscrete ? std::clamp(state, 0.0, kMaxState)
                                        : BoundDiscreteState(state);
    }
    // The highest state: numStates - 1 for a discrete parameter (for "toggleMap" the largest
    // state in its table when that is higher), 1000 otherwise.
    [[nodiscard]] double GetMaxState() const { return m_maxState; }
    // Brings r onto the scale: through the state clamped to [0, 1000] and back.
    void LimitRealWorld(double& realWorld) const;
    // True when r lies within the scale's real-world range (1e-6 tolerance).
    [[nodiscard]] bool ValidateRealWorld(double realWorld) const;
    // -1 when "PositiveTextEntryToNegative" is set on a parameter that can reach above 0.
    [[nodiscard]] int SanityTests() const;

    // --- Values of one setup.
    // Bounds `state` (BoundState) and keeps a real-world value that already maps back to it
    // (typed values do not drift).
    void SetStateAndUpdate(double state, EPluginSetup setup);
    // SetStateAndUpdate for a state that is already bounded (BoundState(state) == state). Inline:
    // a change bounds its state once, and the linear inverse here needs no call.
    void SetBoundedStateAndUpdate(double state, EPluginSetup setup) {
        const unsigned int k = Slot(setup);
        m_state[k] = state;
        // A NaN inverse compares unequal as well, so the value is then recomputed.
        if (RealWorldToState(m_realWorld[k]) != state && m_scaleFunc != nullptr) {
            m_realWorld[k] = Scale(state);
        }
        m_updateLevel = eUpdateLevelRefresh;
    }
    void SetRealWorldAndUpdate(double realWorld, EPluginSetup setup);
    double UpdateRealWorldFromState(EPluginSetup setup);
    double UpdateStateFromRealWorld(EPluginSetup setup);
    [[nodiscard]] bool DoesNewStateChangeRealWorld(EPluginSetup setup, double newState) const;
    void SetRealWorldInitialValue(double realWorld);
    void SetRealWorldResetValue(double realWorld);
    // Copies state, real-world value and disabled mode.
    virtual void CopySetup(EPluginSetup from, EPluginSetup to);

    [[nodiscard]] double GetState(EPluginSetup setup) const { return m_state[Slot(setup)]; }
    [[nodiscard]] double GetRealWorld(EPluginSetup setup) const { return m_realWorld[Slot(setup)]; }
    [[nodiscard]] double GetInitialState() const { return m_initialState; }
    [[nodiscard]] double GetInitialRealWorld() const { return m_initialRealWorld; }
    [[nodiscard]] double GetResetState() const { return m_resetState; }
    [[nodiscard]] double GetResetRealWorld() const { return m_resetRealWorld; }
    [[nodiscard]] int GetDisabledMode(EPluginSetup setup) const {
        return m_disabledMode[Slot(setup)];
    }
    void SetDisabledMode(int mode, EPluginSetup setup) { m_disabledMode[Slot(setup)] = mode; }
    [[nodiscard]] int GetUpdateLevel() const { return m_updateLevel; }
    void SetUpdateLevel(int level) { m_updateLevel = level; }

    // --- Strings.
    [[nodiscard]] const KCFixedStringBase& GetName() const { return m_name; }
    void SetName(const char* name) { m_name = name; }
    [[nodiscard]] const KCFixedStringBase& GetLabelString() const { return m_label; }
    void SetLabelString(const char* label) { m_label = label; }
    [[nodiscard]] const KCFixedStringBase& GetUnitsString() const { return m_units; }
    void SetUnitsString(const char* units) { m_units = units; }
    [[nodiscard]] const KCFixedStringBase& GetValueString() const { return m_valueString; }
    void SetValueString(const KCFixedStringBase& text) { m_valueString = text; }
    void SetValueString(const char* text) { m_valueString = text; }
    // Formats the setup's value into the value string (nothing without a display function).
    void UpdateValueString(EPluginSetup setup);
    // Formats `state` into `out` without clearing it; `out` is untouched without a function.
    void TranslateValueString(double state, KCFixedStringBase& out) const;
    void SetDisplayFunc(const DisplayFn& func);
    [[nodiscard]] const DisplayFn& GetDisplayFunc() const { return m_displayFunc; }
    [[nodiscard]] bool HasDisplayFunc() const { return !m_displayFunc.empty(); }
    [[nodiscard]] const KCFixedStringBase& GetDisplayFuncName() const { return m_displayFuncName; }
    void SetDisplayFuncName(const char* name) { m_displayFuncName = name; }
    [[nodiscard]] const std::vector<KCFixedString<127>>& GetDisplayStrings() const {
        return m_displayStrings;
    }
    void SetDisplayStrings(const std::vector<KCFixedString<127>>& strings) {
        m_displayStrings = strings;
    }
    // Binds "DisplayRealWorldString" to this record's own display strings.
    void UseDisplayStrings();

    // --- Flags.
    [[nodiscard]] TBitVector<unsigned int> GetFlags() const { return m_flags; }
    void SetFlags(TBitVector<unsigned int> flags) { m_flags = flags; }
    [[nodiscard]] bool IsFlagSet(EParamFlagBit bit) const { return m_flags.IsSet(bit); }
    void SetFlag(EParamFlagBit bit, bool on) { m_flags.Set(bit, on); }
    [[nodiscard]] bool IsNeedToReset() const { return m_needToReset; }
    void SetNeedToReset(bool need) { m_needToReset = need; }

protected:
    // The record does not know the active setup: anything but setup B addresses setup A.
    static unsigned int Slot(EPluginSetup setup) { return setup == eSetupB ? 1U : 0U; }
    [[nodiscard]] double Scale(double state) const { return m_scaleFunc(state, &m_scaleInfo); }
    // The inverse, with one set (the scale need not be).
    [[nodiscard]] double Unscale(double realWorld) const {
        return m_inverseKind != eInverseByCall ? RealWorldToState(realWorld)
                                               : m_inverseScaleFunc(realWorld, &m_scaleInfo);
    }

private:
    // How RealWorldToState gets to the inverse. The built-in inverses it knows run inline, with
    // the same arithmetic as their functions: no indirect call, and no call at all, so that a
    // caller's loop keeps its own values in registers across it.
    enum EInverseKind : std::uint8_t {
        eInverseByCall = 0,  // through m_inverseScaleFunc (or none)
        eInverseLinear,      // InverseLinearScale with a slope other than 0
        // The "linearRanges" pair on a table PrepareRangeTables laid out point by point
        // (strictly ascending). Only SetScale sets the tables of a record, and prepares them,
        // and LinearRangesScale leaves them as they are: they stay prepared while the kind holds.
        eInverseAscendingRanges,
    };

    // Any other inverse: the function (0.0 without a scale). Out of line, and noexcept: with a
    // call that might throw on the way, a caller's loop keeps its running values in memory
    // rather than in registers, even when the call is never taken. A scale function must not
    // throw (no exception crosses the library's interface).
    [[nodiscard]] double RealWorldToStateByCall(double realWorld) const noexcept;
    // Keeps m_inverseKind in step with the scale; called by every setter of the functions
    // or the coefficients.
    void NoteScaleFunctions();
    void ApplyResolution(double resolution);
    // Installs a built-in scale: coefficients a and b (c cleared), functions, type and name.
    void ApplyScale(double a, double b, double resolution, ScaleFn scale, ScaleFn inverse,
                    EParamType type, const char* name);
    // Works out the state step and the highest state; called by every setter of the type, the
    // number of states or the tables, after them.
    void UpdateStateStep();
    [[nodiscard]] double BoundDiscreteState(double state) const;
    // One half of SetScaleDefaults: the value of `type` into (state, realWorld).
    void ApplyDefault(double value, const KCFixedStringBase& type, bool isReset, double& state,
                      double& realWorld) const;

    int m_disabledMode[2] = {0, 0};
    KCFixedString<127> m_name;
    double m_state[2] = {0.0, 0.0};
    double m_realWorld[2] = {0.0, 0.0};
    double m_initialState = 0.0;
    double m_initialRealWorld = 0.0;
    double m_resetState = 0.0;
    double m_resetRealWorld = 0.0;
    EParamType m_type = eParamUnscaled;
    TBitVector<unsigned int> m_flags;
    // Scale functions take a writable pointer; they may keep scratch data in it.
    mutable sSCALE_INFO m_scaleInfo;
    KCFixedString<127> m_label;
    KCFixedString<127> m_units;
    KCFixedString<127> m_valueString;
    int m_updateLevel = eUpdateLevelNone;
    KCFixedString<127> m_scaleType;
    ScaleFn m_scaleFunc = nullptr;
    ScaleFn m_inverseScaleFunc = nullptr;
    // Set only while a scale function is set.
    EInverseKind m_inverseKind = eInverseByCall;
    int m_numStates = 1001;
    double m_stateStep = 1.0;
    double m_maxState = kMaxState;  // GetMaxState(), kept by UpdateStateStep()
    DisplayFn m_displayFunc;
    KCFixedString<127> m_displayFuncName;
    std::vector<KCFixedString<127>> m_displayStrings;
    bool m_needToReset = false;
};

}  // namespace kvKorvaneV10_0_3
