// The algorithm's view of its presets manager: what cALGORITHM needs from the presets layer,
// which sits above it, and the process-wide factory through which the library supplies it.
#pragma once

#include "korvane/algorithm/param_base.h"
#include "korvane/core/export.h"
#include "korvane/core/mem_obj.h"

#include <memory>

namespace kvKorvaneV10_0_3 {

class cALGORITHM;

// Implemented by Preset::CPresetsManager. One per algorithm, owned by it, replaced and read
// under the algorithm lock; the algorithm calls every operation with that lock held.
class KORVANE_API KCPresetsManagerAbs {
public:
    KCPresetsManagerAbs() = default;
    KCPresetsManagerAbs(const KCPresetsManagerAbs&) = delete;
    KCPresetsManagerAbs& operator=(const KCPresetsManagerAbs&) = delete;
    virtual ~KCPresetsManagerAbs();

    // The state chunk of `alg` (XML text, both setups) into `out`; a library code.
    // [any-thread & lock held]
    virtual int PrepareChunk(cALGORITHM& alg, Utils::KCStMemObj& out, bool flag) = 0;
    // Applies a state chunk to `alg`; a library code, `alg` unchanged on a parse failure.
    // [any-thread & lock held]
    virtual int ApplyChunk(cALGORITHM& alg, const Utils::KCStConstMemObj& chunk) = 0;
    // The algorithm copied setup `from` to `to` / made `setup` active. [any-thread & lock held]
    virtual void CopySetupData(EPluginSetup /*from*/, EPluginSetup /*to*/) {}
    virtual void ActiveSetupChanged(EPluginSetup /*setup*/) {}

    // Makes the manager of a new algorithm (called by cALGORITHM::FinishCreate).
    using Factory = std::unique_ptr<KCPresetsManagerAbs> (*)(cALGORITHM& alg);
    // Installs the factory every later FinishCreate uses; null means no manager. The presets
    // layer installs its own when the library loads. Returns the previous one. [gui-thread]
    static Factory SetFactory(Factory factory);
    [[nodiscard]] static Factory GetFactory();
};

}  // namespace kvKorvaneV10_0_3
