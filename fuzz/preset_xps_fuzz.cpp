// Preset files from outside: any bytes list as a preset file or fail cleanly, and every listed
// preset can be found and read again by its name.
#include "korvane/presets/preset_api.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace kvKorvaneV10_0_3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Preset::CPresetsFileInfo file;
    file.SetFormat(Preset::ePresetsFormatXMLText);
    file.SetText(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<Preset::CPresetInfo*> presets;
    if (Preset::CPresetAPI::GetPresetList(CPublicAlg(), file, presets) != eNoErr) {
        if (!presets.empty()) {
            std::abort();  // a failed listing leaves the output alone
        }
        return 0;
    }
    for (auto* preset : presets) {
        if (preset->IsSeperator() || preset->IsDummyTitle() || preset->GetPresetName().empty()) {
            continue;
        }
        Preset::CPresetInfo again;
        again.SetPresetName(preset->GetPresetName());
        again.SetPresetsFileInfo(file);
        if (Preset::CPresetAPI::ReadPresetInfo(CPublicAlg(), again) != eNoErr) {
            std::abort();  // a listed preset can be read
        }
    }
    Preset::ClearPresetInfoPtrVec(presets);
    return 0;
}
