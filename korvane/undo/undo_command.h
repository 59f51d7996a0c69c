// Undo history entries: the abstract Undo::Command and the two snapshots the library records,
// of the parameter states and of a whole preset.
#pragma once

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/presets/preset_info.h"

#include <set>
#include <vector>

namespace kvKorvaneV10_0_3 {
class cALGORITHM;
}

namespace kvKorvaneV10_0_3::Undo {

using KTEventSet = std::set<KCFixedString<63>>;

// The texts that mark a command created by loading a preset (IsPresetCommand looks for them).
inline constexpr const char* kLoadPresetMarker = "Load Preset";
inline constexpr const char* kPastePresetMarker = "Paste Preset";

// One state of the plug-in. [gui-thread]: used by the thread that owns its manager.
class KORVANE_API Command {
public:
    Command(const char* name, unsigned int id);
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;
    virtual ~Command();

    // Whether `other` records the same kind of change (a merging insert replaces it).
    [[nodiscard]] virtual bool IsSameType(const Command* other) const = 0;
    // Whether `other` holds the same state.
    virtual bool operator==(const Command& other) const = 0;
    // Brings the plug-in back to this state.
    virtual void Execute() = 0;
    virtual void SetEvents(const KTEventSet& events) { m_events = events; }

    [[nodiscard]] const KCFixedString<255>& getName() const { return m_name; }
    [[nodiscard]] unsigned int getID() const { return m_id; }
    [[nodiscard]] const KTEventSet& getEvents() const { return m_events; }

protected:
    void SetName(const KCFixedStringBase& name) { m_name = name; }

private:
    KCFixedString<255> m_name;
    unsigned int m_id;
    KTEventSet m_events;
};

// The states of every parameter except "DisplayOnlyParam" ones (flag mask 0x4), in order.
class KORVANE_API KCUndoCommandParameters : public Command {
public:
    // Takes the snapshot of the active setup now.
    KCUndoCommandParameters(cALGORITHM* alg, unsigned int id);
    [[nodiscard]] bool IsSameType(const Command* other) const override;
    bool operator==(const Command& other) const override;
    // Writes the states back with UpdateParamState and posts what the plug-in computed.
    void Execute() override;
    [[nodiscard]] const std::vector<double>& GetStates() const { return m_states; }

private:
    cALGORITHM* m_alg;
    std::vector<double> m_states;
};

// A whole preset; its name is kLoadPresetMarker followed by the preset's name in quotes.
class KORVANE_API KCUndoCommandPreset : public Command {
public:
    // Copies `preset` (a null preset records an empty one).
    KCUndoCommandPreset(const CPublicAlg& alg, unsigned int id, const Preset::CPresetInfo* preset);
    [[nodiscard]] bool IsSameType(const Command* other) const override;
    bool operator==(const Command& other) const override;
    // Loads the preset (every setup, with update) and, when that worked, updates the algorithm.
    void Execute() override;
    [[nodiscard]] const Preset::CPresetInfo& GetPreset() const { return m_preset; }

private:
    CPublicAlg m_alg;
    Preset::CPresetInfo m_preset;
};

}  // namespace kvKorvaneV10_0_3::Undo
