// YAML preset files from outside: any bytes give a chunk or a clean error, never an exception
// or a crash; a chunk found is read as a preset.
#include "korvane/fm/path.h"
#include "korvane/presets/preset_api.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

using namespace kvKorvaneV10_0_3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = [] {
        std::random_device rd;
        return (std::filesystem::temp_directory_path() /
                ("korvane-yps-fuzz-" + std::to_string(rd()) + ".yps"))
            .string();
    }();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::string chunk;
    if (Preset::CPresetAPI::GetDataChunkFromYAMLPresetFile(CPublicAlg(), FM::KCStPath(path.c_str()),
                                                           chunk) != eNoErr) {
        return 0;
    }
    Preset::CPresetInfo preset;
    const Utils::KCStConstMemObj bytes(chunk.data(), static_cast<unsigned int>(chunk.size()));
    Preset::CPresetAPI::SetPresetChunk(CPublicAlg(), preset, bytes);
    return 0;
}
