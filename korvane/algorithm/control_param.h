// One parameter of a plug-in: the record plus what the GUI and the graphs attach to it
// (controls, graph data per setup, an extension with per-setup data, link groups).
#pragma once

#include "korvane/algorithm/param_base.h"
#include "korvane/algorithm/param_extension.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/graphs/graph_data_base.h"

#include <memory>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {

// A link group this parameter controls: the groups, the value that enables them and the
// name of the linking law.
struct ControlledLinkGroup {
    std::vector<int> groups;
    double enabledValue = 0.0;
    KCFixedString<15> linkFunctionName;
};

struct KORVANE_API sCONTROL_PARAM : public KCParam_Base {
    using Controller = std::pair<KCParamController*, int>;

    sCONTROL_PARAM();
    sCONTROL_PARAM(const sCONTROL_PARAM& other);
    sCONTROL_PARAM& operator=(const sCONTROL_PARAM& other);
    ~sCONTROL_PARAM() override;

    // Restores the defaults and deletes every owned object.
    void ResetMembers();
    // Deep copy: graph data, extension and its data are cloned; a drag in progress is not.
    void copy_members(const sCONTROL_PARAM& other);

    // --- Controls showing this parameter, kept in insertion order.
    // Adds (tag, control) when the control is a GUI control and the pair is new: 0, else -1.
    int AddController(int tag, KCParamController* control);
    int RemoveController(int tag, KCParamController* control);  // 0 if removed, -1 if absent
    [[nodiscard]] bool ControllerExists(int tag, KCParamController* control) const;
    [[nodiscard]] const std::vector<Controller>& GetControllers() const { return m_controllers; }
    void UpdateControllers();
    // "ConstantDisabled" keeps the parameter disabled whatever `disabled` says.
    void UpdateDisabledMode(bool disabled, EPluginSetup setup);

    // Also replaces the target's graph data and extension data by copies of the source's.
    void CopySetup(EPluginSetup from, EPluginSetup to) override;

    // --- Graph data per setup (owned). The setters store clones of `graph`.
    [[nodiscard]] KCGraphDataBase* GetGraphDataObject(EPluginSetup setup) const;
    void SetGraphDataObject(const KCGraphDataBase& graph);
    void SetGraphDataObject(EPluginSetup setup, const KCGraphDataBase& graph);
    void ClearGraphDataObject();
    void ClearGraphDataObject(EPluginSetup setup);
    void SwapGraphDataObject(EPluginSetup a, EPluginSetup b);
    // Resizes both setups' graphs; false when a graph exists that cannot be resized.
    bool ResizeGraph(unsigned int size);
    [[nodiscard]] const void* GetGraph(EPluginSetup setup) const;
    [[nodiscard]] unsigned int GetGraphSize(EPluginSetup setup) const;
    [[nodiscard]] unsigned int GetGraphSizeInBytes(EPluginSetup setup) const;

    // --- Extension (owned) and its data per setup (owned); the setters take ownership.
    [[nodiscard]] KCParamExtension* GetParamExtension() const { return m_extension.get(); }
    void SetParamExtension(KCParamExtension* extension);
    [[nodiscard]] KCParamExtension::Data* GetParamExtensionData(EPluginSetup setup) const;
    void SetParamExtensionData(EPluginSetup setup, KCParamExtension::Data* data);

    // --- Mouse.
    // The mouse acceleration factor times d, or a signed square of d clamped to [-10, 10].
    [[nodiscard]] double DefaultMouseDelta(double delta) const;
    void SetMouseAccelerationValue(double acceleration) { m_mouseAcceleration = acceleration; }
    [[nodiscard]] double GetMouseAccelerationValue() const { return m_mouseAcceleration; }
    void SetMouseDeltaFunc(MouseDeltaFn func);
    [[nodiscard]] MouseDeltaFn GetMouseDeltaFunc() const { return m_mouseDeltaFunc; }
    [[nodiscard]] double UpdateMouseDeltaStep(double delta) const;

    // --- Drag in progress (dragStartState -1 = none).
    [[nodiscard]] double GetDragStartState() const { return m_dragStartState; }
    [[nodiscard]] double GetDragStartRealWorld() const { return m_dragStartRealWorld; }
    void SetDragStart(double state, double realWorld) {
        m_dragStartState = state;
        m_dragStartRealWorld = realWorld;
    }
    void ClearDragStart() { SetDragStart(-1.0, 0.0); }

    // --- Link groups.
    [[nodiscard]] const std::vector<int>& GetLinkGroups() const { return m_linkGroups; }
    void SetLinkGroups(const std::vector<int>& groups) { m_linkGroups = groups; }
    [[nodiscard]] const std::vector<ControlledLinkGroup>& GetControlledLinkGroups() const {
        return m_controlledLinkGroups;
    }
    void SetControlledLinkGroups(const std::vector<ControlledLinkGroup>& groups) {
        m_controlledLinkGroups = groups;
    }

    void GetCurrentImageIndexes(int& first, int& second) const {
        first = m_currentImageIndexes[0];
        second = m_currentImageIndexes[1];
    }
    void SetCurrentImageIndexes(int first, int second) {
        m_currentImageIndexes[0] = first;
        m_currentImageIndexes[1] = second;
    }

    [[nodiscard]] bool IsLab() const { return IsFlagSet(eParamFlagLab); }
    void SetLab(bool on) { SetFlag(eParamFlagLab, on); }
    [[nodiscard]] bool IsUnused() const { return IsFlagSet(eParamFlagUnused); }
    void SetUnused(bool on) { SetFlag(eParamFlagUnused, on); }
    [[nodiscard]] bool IsDiscreteParamCyclic() const { return !IsFlagSet(eParamFlagNotCyclic); }
    [[nodiscard]] bool IsContiniousParamCyclic() const {
        return IsFlagSet(eParamFlagCyclicContinious);
    }

    // --- Stepping and text entry for one setup (the algorithm's per-index operations).
    // The state offset to the neighbouring state; discrete parameters wrap unless
    // "NotCyclic" or `linked` (the parameter moves in linked mode).
    [[nodiscard]] double OffsetToNextDifferentStateDiscrete(EPluginSetup setup, double offset,
                                                            bool linked) const;
    // The state offset to the nearest state whose real-world value differs from the current.
    [[nodiscard]] double OffsetToNextDifferentStateContinuous(EPluginSetup setup,
                                                              double offset) const;
    // Reads a leading decimal number (locale-independent); "-Inf" means the bottom of the
    // scale. Out-of-range text is rejected (r keeps the parsed value); else r is limited.
    ETranslateTextRetType TranslateTextToRealWorld(const KCFixedStringBase& text,
                                                   double& realWorld) const;

private:
    void CopyOwned(const sCONTROL_PARAM& other);

    int m_currentImageIndexes[2] = {-1, -1};
    std::unique_ptr<KCGraphDataBase> m_graphData[2];
    double m_mouseAcceleration = kNoMouseAcceleration;
    MouseDeltaFn m_mouseDeltaFunc = nullptr;
    double m_dragStartState = -1.0;
    double m_dragStartRealWorld = 0.0;
    std::vector<int> m_linkGroups;
    std::unique_ptr<KCParamExtension> m_extension;
    std::unique_ptr<KCParamExtension::Data> m_extensionData[2];
    std::vector<Controller> m_controllers;
    std::vector<ControlledLinkGroup> m_controlledLinkGroups;
};

}  // namespace kvKorvaneV10_0_3
