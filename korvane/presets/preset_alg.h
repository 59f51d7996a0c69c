// Capturing a plug-in's parameters into a preset and applying a preset back to the plug-in.
#pragma once

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/export.h"
#include "korvane/presets/preset_info.h"

namespace kvKorvaneV10_0_3::Preset {

// Fills `preset` from the plug-in: header (plug-in name, sub-component, version, generic type,
// active setup), and one record per setup A and B with states, real-world values, the setup
// name and the MIDI mappings as its controls. "DontSaveToPreset" parameters are written as
// missing values. Existing setup records are replaced; plug-in-specific records of a replaced
// setup are kept. [any-thread] (takes the algorithm lock)
KORVANE_API int SavePresetFromAlg(const CPublicAlg& alg, CPresetInfo& preset);

// Applies the setup records of `preset` whose load flag is set to the plug-in, under its lock:
// real-world lists win over states; "DontReadFromPreset" parameters, missing values and
// parameters beyond the plug-in's count are skipped, parameters beyond the preset's count keep
// their values. Real-world values are checked with cALGORITHM::ValidateRealWorld unless the
// parameter has "AvoidValidation" (values out of range are brought onto the scale, values that
// are no number are skipped), then LimitLoadedRealWorld is called. Setup names and the active
// setup are restored. The controls of the first loaded record that has any replace the MIDI
// mappings; a preset without controls leaves them as they are. With `update`: the host and
// automation hear every value, the display is refreshed, the algorithm is marked for update
// and listeners hear PresetLoaded. [any-thread]
KORVANE_API int LoadPresetToAlg(const CPublicAlg& alg, const CPresetInfo& preset, bool update);

}  // namespace kvKorvaneV10_0_3::Preset
