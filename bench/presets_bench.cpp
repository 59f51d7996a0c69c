// Presets: a file of 1,000 presets of 700 parameters saved and read back, and the state chunk of
// a 700-parameter plug-in taken and applied, each against building and writing the same XML
// tree alone (the limit).
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/number_format.h"
#include "korvane/fm/file_io.h"
#include "korvane/fm/path.h"
#include "korvane/presets/preset_api.h"
#include "korvane/xml/xml_writer.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;

constexpr int kPresets = 1000;
constexpr int kParams = 700;

double Value(int preset, int param) {
    return -24.0 + 48.0 * ((preset * 7919 + param * 104729) % 1000) / 999.0;
}

std::string BenchFile(const char* name) {
    std::random_device rd;
    return (std::filesystem::temp_directory_path() /
            ("korvane-bench-" + std::to_string(rd()) + "-" + name))
        .string();
}

std::vector<Preset::CPresetInfo*> MakePresets() {
    std::vector<Preset::CPresetInfo*> presets;
    for (int p = 0; p < kPresets; ++p) {
        auto* preset = new Preset::CPresetInfo();
        preset->SetPresetName(("Preset " + std::to_string(p)).c_str());
        auto& data = preset->GetOrAddSetupPresetData(eSetupA);
        for (int i = 0; i < kParams; ++i) {
            data.realWorld.push_back(Value(p, i));
            data.realWorldKinds.push_back(Preset::eValueNumber);
        }
        presets.push_back(preset);
    }
    return presets;
}

// Appends the "PresetData" element of one setup with its value list, as the library lays it
// out.
void AddSetupElement(XML::CXMLElement& preset, const char* setup,
                     const std::vector<double>& values) {
    XML::CXMLElement* data = preset.AddSubElement("PresetData");
    XML::CXMLElement* parameters = data != nullptr ? data->AddSubElement("Parameters") : nullptr;
    if (parameters == nullptr) {
        return;
    }
    data->AddAttrib("Setup", setup);
    parameters->AddAttrib("Type", "RealWorld");
    std::string& text = parameters->Text();
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += KUFormatGeneral(values[i], 20);
        text += (i + 1) % 10 == 0 ? '\n' : ' ';
    }
}

void FileSaveAndRead(benchmark::State& state) {
    auto presets = MakePresets();
    const std::string path = BenchFile("bank.xps");
    Preset::CPresetsFileInfo file(FM::KCStPath(path.c_str()), Preset::ePresetsFormatXPS, true);
    for (auto _ : state) {
        Preset::CPresetAPI::WritePresetsDataToFile(CPublicAlg(), presets, file);
        std::vector<Preset::CPresetInfo*> read;
        Preset::CPresetAPI::ReadAllPresetsInfo(CPublicAlg(), file, read);
        benchmark::DoNotOptimize(read.size());
        Preset::ClearPresetInfoPtrVec(read);
    }
    Preset::ClearPresetInfoPtrVec(presets);
    std::filesystem::remove(path);
}
BENCHMARK(FileSaveAndRead)
    ->Name("presets.file_1000x700_save_and_read/korvane")
    ->Unit(benchmark::kMillisecond);

void FileBuildAndWriteTree(benchmark::State& state) {
    std::vector<std::vector<double>> values(kPresets);
    for (int p = 0; p < kPresets; ++p) {
        for (int i = 0; i < kParams; ++i) {
            values[p].push_back(Value(p, i));
        }
    }
    const std::string path = BenchFile("limit.xps");
    const FM::KCStPath target(path.c_str());
    for (auto _ : state) {
        XML::CXMLElement root("PresetXMLTree", "");
        root.AddAttrib("version", "2");
        for (int p = 0; p < kPresets; ++p) {
            if (auto* preset = root.AddSubElement("Preset"); preset != nullptr) {
                preset->AddAttrib("Name", ("Preset " + std::to_string(p)).c_str());
                AddSetupElement(*preset, "SETUP_A", values[p]);
            }
        }
        std::string text;
        XML::AppendXML(text, root, false, true, 0);
        benchmark::DoNotOptimize(
            FM::WriteFileAtomically(target.GetPathRef(), text.data(), text.size()));
        benchmark::DoNotOptimize(text.size());
    }
    std::filesystem::remove(path);
}
BENCHMARK(FileBuildAndWriteTree)
    ->Name("presets.file_1000x700_save_and_read/limit:build_and_write_tree")
    ->Unit(benchmark::kMillisecond);

// A plug-in of 700 linear parameters.
class WidePlugin : public test_support::TestAlgorithm {
protected:
    int BuildParameterList() override {
        auto& params = GetParamVector();
        params.resize(kParams);
        for (int i = 0; i < kParams; ++i) {
            params[i].SetName(("P" + std::to_string(i)).c_str());
            params[i].SetScaleLin(-24, 24, 0.1);
        }
        return 0;
    }
};

void ChunkRoundTrip(benchmark::State& state) {
    WidePlugin source;
    WidePlugin target;
    source.FinishCreate();
    target.FinishCreate();
    for (int i = 0; i < kParams; ++i) {
        source.GetParam(i).SetRealWorldAndUpdate(Value(1, i), eSetupA);
        source.GetParam(i).SetRealWorldAndUpdate(Value(2, i), eSetupB);
    }
    for (auto _ : state) {
        Utils::KCStMemObj chunk;
        source.GetChunk(kPresetChunkID.Value(), chunk, false);
        const Utils::KCStConstMemObj data(chunk.ptr, chunk.size);
        target.SetChunk(kPresetChunkID.Value(), data);
    }
}
BENCHMARK(ChunkRoundTrip)->Name("presets.state_chunk_700_params/korvane");

void ChunkBuildAndWriteTree(benchmark::State& state) {
    std::vector<double> a;
    std::vector<double> b;
    for (int i = 0; i < kParams; ++i) {
        a.push_back(Value(1, i));
        b.push_back(Value(2, i));
    }
    for (auto _ : state) {
        XML::CXMLElement preset("Preset", "");
        preset.AddAttrib("Name", "");
        AddSetupElement(preset, "SETUP_A", a);
        AddSetupElement(preset, "SETUP_B", b);
        std::string text;
        XML::AppendXML(text, preset, false, true, 0);
        benchmark::DoNotOptimize(text.size());
    }
}
BENCHMARK(ChunkBuildAndWriteTree)
    ->Name("presets.state_chunk_700_params/limit:build_and_write_tree");

}  // namespace
