// Preset elements from outside (preset files, host chunks): any bytes read into a preset or fail
// cleanly, what the library writes from a read preset reads back to the same text, and applying
// the bytes as a state chunk to a plug-in never misbehaves.
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/presets/preset_api.h"
#include "korvane/presets/preset_xml.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_writer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace kvKorvaneV10_0_3;

namespace {

std::string WriteText(const Preset::CPresetInfo& preset) {
    std::string text;
    Preset::CPresetAPI::WritePresetInfo_XML(preset, text);
    return text;
}

Preset::CPresetInfo ReadText(const std::string& text) {
    Preset::CPresetInfo preset;
    const Utils::KCStConstMemObj chunk(text.data(), static_cast<unsigned int>(text.size()));
    if (Preset::CPresetAPI::SetPresetChunk(CPublicAlg(), preset, chunk) != eNoErr) {
        std::abort();  // the library's own output must read
    }
    return preset;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static test_support::TestAlgorithm* plugin = [] {
        auto* alg = new test_support::TestAlgorithm();
        alg->FinishCreate();
        return alg;
    }();
    const Utils::KCStConstMemObj chunk(data, static_cast<unsigned int>(size));
    plugin->SetChunk(kPresetChunkID.Value(), chunk);

    Preset::CPresetInfo first;
    if (Preset::CPresetAPI::SetPresetChunk(CPublicAlg(), first, chunk) != eNoErr) {
        return 0;
    }
    const std::string once = WriteText(first);
    const Preset::CPresetInfo second = ReadText(once);
    if (WriteText(second) != once) {
        std::abort();  // written, read and written again: the same text
    }
    return 0;
}
