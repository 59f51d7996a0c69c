// Preset::CPresetsManager: the per-plug-in owner of everything preset-related. This part holds
// the state chunk (the plug-in's presets as XML text) and the current preset; menus, factory,
// user and dynamic presets build on it.
#pragma once

#include "korvane/algorithm/presets_manager_abs.h"
#include "korvane/algorithm/public_alg.h"
#include "korvane/core/export.h"
#include "korvane/core/mem_obj.h"
#include "korvane/presets/preset_info.h"

namespace kvKorvaneV10_0_3::Preset {

// One per algorithm, owned by it (made by the factory the library installs). A plug-in may
// derive and install its own with cALGORITHM::SetPresetsManager. [gui-thread] unless stated.
class KORVANE_API CPresetsManager : public KCPresetsManagerAbs {
public:
    explicit CPresetsManager(const CPublicAlg& alg);
    ~CPresetsManager() override;

    // The state chunk: the plug-in's current preset (both setups, setup names, the active
    // setup) as XML text. `flag` is reserved and ignored. [any-thread] (takes the algorithm
    // lock)
    static int PreparePresetChunk(const CPublicAlg& alg, Utils::KCStMemObj& out, bool flag);
    // Applies a state chunk (see LoadPresetToAlg); a chunk that does not parse changes
    // nothing and gives its code. [any-thread] (takes the algorithm lock)
    static int SetPresetChunk(const CPublicAlg& alg, const Utils::KCStConstMemObj& chunk);

    // Captures the plug-in's parameters into `preset` / applies `preset` (see preset_alg.h).
    virtual int SavePresetFromPlugin(const CPublicAlg& alg, CPresetInfo& preset, bool allSetups);
    virtual int LoadPresetToPlugin(const CPublicAlg& alg, CPresetInfo& preset, bool update);

    // The preset last loaded or saved (its name goes into the state chunk).
    [[nodiscard]] const CPresetInfo& GetCurrentPreset() const { return m_current; }
    // Takes the algorithm lock: the host reads the name while it builds a state chunk.
    void SetCurrentPresetName(const KCFixedStringBase& name);

    // KCPresetsManagerAbs
    int PrepareChunk(cALGORITHM& alg, Utils::KCStMemObj& out, bool flag) override;
    int ApplyChunk(cALGORITHM& alg, const Utils::KCStConstMemObj& chunk) override;

    // Installs the factory that gives every algorithm a CPresetsManager (done when the library
    // loads; call again after replacing it). [gui-thread]
    static void InstallFactory();

protected:
    [[nodiscard]] const CPublicAlg& Plugin() const { return m_alg; }

private:
    CPublicAlg m_alg;
    CPresetInfo m_current;
};

}  // namespace kvKorvaneV10_0_3::Preset
