// Link groups: parameters that follow each other. When a member of a linking group changes, the
// other members move with it by the group's law ("Absolute", "Relative" or "Reverse"). A group
// links while its controlling parameter's real-world value equals the group's enabled value, or
// always when it is marked always active; a group without a law never links.
//
// The object works on the algorithm's parameter vector and runs inside the algorithm's value
// updates: every operation is [any-thread & lock held] (the algorithm lock), and the state of a
// pass (updated members, changed list, smallest movement) belongs to one pass at a time.
#pragma once

#include "korvane/algorithm/control_param.h"
#include "korvane/algorithm/param_base.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

class KCLinkGroups;

// A link law: moves `target` after `source` changed.
class KORVANE_API KCLinkFuncInterface {
public:
    KCLinkFuncInterface() = default;
    KCLinkFuncInterface(const KCLinkFuncInterface&) = delete;
    KCLinkFuncInterface& operator=(const KCLinkFuncInterface&) = delete;
    virtual ~KCLinkFuncInterface();
    // Absolute laws copy values; they need no correction of relative moves.
    [[nodiscard]] virtual bool AmIAbsolute() const { return false; }
    virtual void LinkFunc(unsigned int source, unsigned int target) = 0;
};

// The target takes the source's real-world value.
class KORVANE_API KCLinkAbsoluteImpl : public KCLinkFuncInterface {
public:
    explicit KCLinkAbsoluteImpl(KCLinkGroups& groups) : m_groups(groups) {}
    [[nodiscard]] bool AmIAbsolute() const override { return true; }
    void LinkFunc(unsigned int source, unsigned int target) override;

private:
    KCLinkGroups& m_groups;
};

// The target's state moves by the source's state movement.
class KORVANE_API KCLinkRelativeImpl : public KCLinkFuncInterface {
public:
    explicit KCLinkRelativeImpl(KCLinkGroups& groups) : m_groups(groups) {}
    void LinkFunc(unsigned int source, unsigned int target) override;

private:
    KCLinkGroups& m_groups;
};

// The target's state moves against the source's state movement.
class KORVANE_API KCLinkReverseImpl : public KCLinkFuncInterface {
public:
    explicit KCLinkReverseImpl(KCLinkGroups& groups) : m_groups(groups) {}
    void LinkFunc(unsigned int source, unsigned int target) override;

private:
    KCLinkGroups& m_groups;
};

struct sLinkGroupInfo {
    bool enabled = true;
    bool alwaysActive = false;
    std::vector<unsigned int> members;  // in parameter order
    int controllingParam = -1;          // -1: none
    double enabledValue = 0.0;
    KCLinkFuncInterface* linkFunc = nullptr;  // not owned; null: the group never links
    int group = 0;
};

class KORVANE_API KCLinkGroups {
public:
    class KORVANE_API Listener {
    public:
        Listener() = default;
        Listener(const Listener&) = default;
        Listener& operator=(const Listener&) = default;
        virtual ~Listener();
        // A parameter changed in a link pass (the source included).
        virtual void OnLinkedParamValueModified(unsigned int paramIndex) = 0;
    };

    // A parameter's values after the last link pass, per setup (A, B).
    struct LastValues {
        double state[2] = {0.0, 0.0};
        double realWorld[2] = {0.0, 0.0};
    };

    KCLinkGroups(std::vector<sCONTROL_PARAM>& params, const std::atomic<EPluginSetup>& activeSetup);
    KCLinkGroups(const KCLinkGroups&) = delete;
    KCLinkGroups& operator=(const KCLinkGroups&) = delete;
    virtual ~KCLinkGroups();

    // The laws, the group map and the last values, in that order. Once, after the plug-in
    // added its own laws.
    void FinishCreate();
    virtual void InitLinkGroupsInfoMap();
    void InitLastValuesMap();
    // The built-in laws under "Reverse", "Absolute" and "Relative", then InitFunctionsMapSelf.
    void InitFunctionsMap();
    virtual void InitFunctionsMapSelf() {}
    // Registers (or replaces) a law under `name`; the object owns it. Null is ignored.
    void AddFunctionInMap(const KCFixedStringBase& name, KCLinkFuncInterface* func);
    [[nodiscard]] KCLinkFuncInterface* GetLinkFunction(const KCFixedStringBase& name) const;

    void ConnectListener(Listener* listener) { m_listener = listener; }

    // --- The pass. `final` starts and closes it; false propagates inside it.
    virtual void LinkParams(unsigned int paramIndex, bool final);
    void LinkAbsolute(unsigned int source, unsigned int target);
    void LinkRelative(unsigned int source, unsigned int target);
    void LinkReverse(unsigned int source, unsigned int target);
    virtual void LinkReverseOrRelative(unsigned int source, unsigned int target, bool reverse);
    virtual void CorrectParamModifications(unsigned int paramIndex);
    // Puts a member at its reset state (the source asked for a reset).
    void ResetLinkedParam(unsigned int paramIndex);
    // The parameters changed by the last pass, its source first.
    [[nodiscard]] const std::vector<unsigned int>& GetChangedParams() const { return m_changed; }

    // --- Activity.
    [[nodiscard]] virtual bool ShouldLinkParams(int controllingParam, double enabledValue) const;
    [[nodiscard]] bool IsLinkGroupEnabled(unsigned int paramIndex, int group) const;
    [[nodiscard]] bool IsParamInLinkedMode(unsigned int paramIndex) const;
    // Whether group `info` links now: it has a law and is always active, or enabled with its
    // controlling parameter at the enabled value.
    [[nodiscard]] bool DoesGroupLink(const sLinkGroupInfo& info) const;

    // Every absolute group that `controllingParam` turns on takes its first member's value.
    void EqualizeAllAbsoluteControls(unsigned int controllingParam);

    // --- Groups.
    void SetGroupInfo(int group, int controllingParam, double enabledValue,
                      KCLinkFuncInterface& func, bool enabled, bool alwaysActive);
    void SetGroupState(int group, bool enabled);
    void SetGroupAlwaysActive(int group, bool alwaysActive);
    [[nodiscard]] const std::map<int, sLinkGroupInfo>& GetLinkGroupInfo() const { return m_groups; }
    [[nodiscard]] const std::vector<int>& GetParamLinkGroups(unsigned int paramIndex) const;
    // The groups the parameter controls.
    [[nodiscard]] std::vector<int> GetParamControlledLinkGroups(unsigned int paramIndex) const;
    [[nodiscard]] bool IsEmpty() const { return m_groups.empty(); }

    // --- Last values.
    [[nodiscard]] const LastValues& GetLastValues(unsigned int paramIndex) const;
    // Stores the parameter's current values as its last values of `setup` (-1: active).
    void UpdateLastValues(unsigned int paramIndex, EPluginSetup setup);
    // Every parameter, both setups: after values were set outside a pass (preset, chunk).
    void UpdateAllLastValues();
    void CopyLastValuesToOtherSetup(EPluginSetup from, EPluginSetup to);
    // After UpdateAlg: the values in place become the reference of the next pass.
    void AtUpdateAlg() { UpdateAllLastValues(); }

    // --- Pass state.
    [[nodiscard]] double GetMinDelta() const { return m_minDelta; }
    void SetMinDelta(double delta) { m_minDelta = delta; }
    void ResetMinDelta() { m_minDelta = KCParam_Base::kMaxState; }
    // The pass ends without the correction of relative moves.
    void CancelParamCorrection() { m_correctRelativeMoves = false; }
    void ResetParamUpdatedMap() { m_updated.clear(); }
    void SetNotifyOnLinkedParams(bool notify) { m_notify = notify; }
    [[nodiscard]] bool GetNotifyOnLinkedParams() const { return m_notify; }

    [[nodiscard]] std::vector<sCONTROL_PARAM>& GetParams() { return m_params; }
    [[nodiscard]] EPluginSetup GetAlgSetup() const { return m_activeSetup.load(); }

private:
    static unsigned int Slot(EPluginSetup setup) { return setup == eSetupB ? 1U : 0U; }
    [[nodiscard]] double LastState(unsigned int paramIndex) const;
    [[nodiscard]] bool Valid(unsigned int paramIndex) const { return paramIndex < m_params.size(); }

    std::vector<sCONTROL_PARAM>& m_params;
    const std::atomic<EPluginSetup>& m_activeSetup;
    std::map<std::string, std::unique_ptr<KCLinkFuncInterface>> m_functions;
    std::map<int, sLinkGroupInfo> m_groups;
    std::vector<LastValues> m_lastValues;
    std::vector<bool> m_updated;
    std::vector<unsigned int> m_changed;
    double m_minDelta = KCParam_Base::kMaxState;
    bool m_correctRelativeMoves = true;
    bool m_notify = true;
    Listener* m_listener = nullptr;
};

}  // namespace kvKorvaneV10_0_3
