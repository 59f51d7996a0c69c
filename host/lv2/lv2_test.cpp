// The example EQ's LV2 bundle in hosts this project did not write: Debian's lilv tools and
// sord_validate as child processes, and lilv's C API for the instance and its state. What the
// bundle must say is taken from the plug-in itself, created through the wrapper's loader.
#include "host/lv2/lv2_plugin.h"
#include "host/testing/child_process.h"

#include "korvane/fm/fm_test_support.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/presets/presets.h>
#include <lv2/urid/urid.h>
#include <sndfile.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using KorvaneHost::testing::Outcome;
using KorvaneHost::testing::RunChild;
using KorvaneLv2::ControlPort;
using KorvaneLv2::Lv2Plugin;
using kvKorvaneV10_0_3::FM::testing::ReadAll;
using kvKorvaneV10_0_3::FM::testing::ScopedEnv;
using kvKorvaneV10_0_3::FM::testing::TempFolder;

constexpr int kRate = 48000;
constexpr const char* kUri = "urn:korvane:KvEQ";
// The folder that holds the EQ's LV2 bundle: what LV2_PATH names.
const std::string kLv2Dir = fs::path(KVEQ_LV2_BUNDLE).parent_path().string();

// A tool run with LV2_PATH on the build's LV2 folder. A foreign tool loading our sanitized
// module needs the sanitizer runtime preloaded; our own binaries carry theirs already, and a
// second copy would refuse to start.
Outcome RunTool(const TempFolder& tmp, const std::vector<std::string>& args,
                [[maybe_unused]] bool foreignTool = true) {
    std::vector<std::string> env{"LV2_PATH=" + kLv2Dir};
#ifdef LV2_TOOLS_PRELOAD
    if (foreignTool) {
        env.insert(env.end(),
                   {std::string("LD_PRELOAD=") + LV2_TOOLS_PRELOAD, "ASAN_OPTIONS=detect_leaks=0"});
    }
#endif
    return RunChild(args, tmp.Path(), env);
}

struct Audio {
    std::vector<float> samples;  // interleaved stereo
    sf_count_t frames = 0;
};

// Stereo noise plus a low sine, 32-bit float, different on each channel.
void WriteTestSignal(const std::string& path, sf_count_t frames) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.2F, 0.2F);
    std::vector<float> samples(static_cast<std::size_t>(frames) * 2);
    for (std::size_t n = 0; n < static_cast<std::size_t>(frames); ++n) {
        const auto sine = static_cast<float>(0.3 * std::sin(0.01 * static_cast<double>(n)));
        samples[2 * n] = sine + noise(random);
        samples[2 * n + 1] = noise(random);
    }
    ASSERT_EQ(sf_writef_float(file, samples.data(), frames), frames);
    sf_close(file);
}

Audio ReadAudio(const std::string& path) {
    Audio audio;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    if (file == nullptr) {
        return audio;
    }
    EXPECT_EQ(info.channels, 2);
    audio.frames = info.frames;
    audio.samples.resize(static_cast<std::size_t>(info.frames) * 2);
    EXPECT_EQ(sf_readf_float(file, audio.samples.data(), info.frames), info.frames);
    sf_close(file);
    return audio;
}

// Largest difference between two renders of the same length.
double MaxDifference(const std::vector<float>& a, const std::vector<float>& b) {
    EXPECT_EQ(a.size(), b.size());
    double worst = a.size() == b.size() ? 0.0 : INFINITY;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        worst = std::max(worst, std::abs(static_cast<double>(a[i]) - b[i]));
    }
    return worst;
}

// The lowest numbers one float rounding can move: renders agree within this.
constexpr double kRounding = 1e-6;

// The URID map a host hands the plug-in.
class UridMap {
public:
    UridMap() : m_map{this, &UridMap::Map}, m_feature{LV2_URID__map, &m_map} {}
    [[nodiscard]] LV2_URID_Map* Map() { return &m_map; }
    [[nodiscard]] LV2_URID Of(const char* uri) { return Map(this, uri); }
    [[nodiscard]] const LV2_Feature* const* Features() const { return m_features.data(); }

private:
    static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri) {
        auto* self = static_cast<UridMap*>(handle);
        const auto [it, added] = self->m_ids.emplace(uri, self->m_ids.size() + 1);
        return static_cast<LV2_URID>(it->second);
    }
    std::map<std::string, std::size_t> m_ids;
    LV2_URID_Map m_map;
    LV2_Feature m_feature;
    std::vector<const LV2_Feature*> m_features{&m_feature, nullptr};
};

// --- The chain queue --------------------------------------------------------------------

namespace pm = kvKorvaneV10_0_3::ProcessMemory;
using KorvaneLv2::BUFFER_HEADER;
using KorvaneLv2::Lv2Host;

constexpr int kWriteOperation = 0;
constexpr int kReadOperation = 1;

BUFFER_HEADER* NewStatesBuffer(Lv2Host& host, int operation, int offset, int count) {
    BUFFER_HEADER request;
    request.space = pm::eStatesSpace;
    request.operation = operation;
    request.refcon = host.Refcon();
    request.offset = offset;
    request.count = count;
    BUFFER_HEADER* buffer = nullptr;
    EXPECT_EQ(host.Dispatch(pm::eSelNewBuffer, &request, nullptr, static_cast<void*>(&buffer)), 0);
    return buffer;
}

// Posts one chain that writes `value` into `count` states from `offset`; its result.
int PostStates(Lv2Host& host, int offset, int count, float value) {
    BUFFER_HEADER* buffer = NewStatesBuffer(host, kWriteOperation, offset, count);
    if (buffer == nullptr) {
        return -1;
    }
    std::fill_n(static_cast<float*>(buffer->data), count, value);
    const int result = host.Dispatch(pm::eSelPostChain, buffer, nullptr, nullptr);
    EXPECT_EQ(host.Dispatch(pm::eSelFreeChain, buffer, nullptr, nullptr), 0);
    return result;
}

float ReadState(Lv2Host& host, int offset) {
    BUFFER_HEADER* buffer = NewStatesBuffer(host, kReadOperation, offset, 1);
    if (buffer == nullptr) {
        return NAN;
    }
    EXPECT_EQ(host.Dispatch(pm::eSelExecuteChain, buffer, nullptr, nullptr), 0);
    const float value = *static_cast<const float*>(buffer->data);
    EXPECT_EQ(host.Dispatch(pm::eSelFreeChain, buffer, nullptr, nullptr), 0);
    return value;
}

// A block start with no process function attached: it only applies what is queued.
void BlockStart(Lv2Host& host) {
    (void)host.Process(nullptr, nullptr, 0);
}

// Words whose chain takes a little less than half the queue.
constexpr int kNearHalf = static_cast<int>(Lv2Host::kQueueBytes / 2 / sizeof(float)) - 100;
// Room for two such writes side by side.
constexpr int kStates = 2 * kNearHalf + 1000;

TEST(Lv2Queue, LargeChainsLandAcrossTheRingsEndAndTooLargeOnesAreRefused) {
    Lv2Host host;
    ASSERT_TRUE(host.Valid());
    ASSERT_EQ(host.SizeSpace(pm::eStatesSpace, kStates), 0);
    host.SetRunning(true);
    // Chains of just under half the queue go round the ring several times, across its end.
    for (int round = 1; round <= 6; ++round) {
        const int offset = round % 2 == 0 ? 0 : kStates - kNearHalf;
        ASSERT_EQ(PostStates(host, offset, kNearHalf, static_cast<float>(round)), 0);
        EXPECT_EQ(ReadState(host, offset), static_cast<float>(round - 2 > 0 ? round - 2 : 0))
            << "a queued write landed before the block start, round " << round;
        BlockStart(host);
        EXPECT_EQ(ReadState(host, offset), static_cast<float>(round)) << "round " << round;
        EXPECT_EQ(ReadState(host, offset + kNearHalf - 1), static_cast<float>(round));
    }
    // One over half the queue, with the ring near its middle, is refused at once rather than
    // waiting for room it can never get.
    ASSERT_EQ(PostStates(host, 0, 1000, 7.0F), 0);
    BlockStart(host);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_NE(PostStates(host, 0, kNearHalf + 10000, 8.0F), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    BlockStart(host);
    EXPECT_EQ(ReadState(host, 0), 7.0F);
    host.SetRunning(false);
    // While stopped, writes are applied at once, whatever their size.
    EXPECT_EQ(PostStates(host, 0, kStates, 9.0F), 0);
    EXPECT_EQ(ReadState(host, kStates - 1), 9.0F);
}

TEST(Lv2Queue, AChainWaitingForRoomIsAppliedWhenProcessingStops) {
    Lv2Host host;
    ASSERT_TRUE(host.Valid());
    ASSERT_EQ(host.SizeSpace(pm::eStatesSpace, kStates), 0);
    host.SetRunning(true);
    ASSERT_EQ(PostStates(host, 0, kNearHalf, 1.0F), 0);
    ASSERT_EQ(PostStates(host, 0, kNearHalf, 2.0F), 0);
    // No block runs: the third chain finds the queue full and waits.
    int result = -1;
    std::thread poster([&] { result = PostStates(host, kStates - 1000, 1000, 3.0F); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ReadState(host, kStates - 1000), 0.0F);
    host.SetRunning(false);
    poster.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadState(host, 0), 2.0F);
    // Applied at once, not left in the queue for a block that may never come.
    EXPECT_EQ(ReadState(host, kStates - 1000), 3.0F);
    EXPECT_EQ(ReadState(host, kStates - 1), 3.0F);
}

// --- Port symbols -------------------------------------------------------------------------

// Every symbol of a plug-in's ports, as the Turtle lays them out, for the control names given.
std::vector<std::string> AllSymbols(const std::vector<std::string>& names, int ins, int outs) {
    std::vector<std::string> all{"latency"};
    for (int c = 1; c <= ins; ++c) {
        all.push_back("in_" + std::to_string(c));
    }
    for (int c = 1; c <= outs; ++c) {
        all.push_back("out_" + std::to_string(c));
    }
    for (const std::string& symbol : KorvaneLv2::ControlSymbols(names, ins, outs)) {
        all.push_back(symbol);
        all.push_back(symbol + "_out");
    }
    return all;
}

TEST(Lv2Symbols, ControlsNeverTakeTheSymbolOfAnotherPort) {
    const std::vector<std::vector<std::string>> cases{
        {"Latency", "In 1", "Out 2", "out_1"},      {"Gain", "Gain out"}, {"Gain out", "Gain"},
        {"Band 1", "band-1", "BAND 1", "Band 1_2"}, {"", "1st", "_1st"},
    };
    for (const auto& names : cases) {
        std::vector<std::string> all = AllSymbols(names, 2, 2);
        std::sort(all.begin(), all.end());
        EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end())
            << "a repeated symbol among the ports of " << ::testing::PrintToString(names);
    }
    // A name that collides with nothing keeps its plain symbol.
    EXPECT_EQ(KorvaneLv2::ControlSymbols({"Low Cut", "Gain"}, 2, 2),
              (std::vector<std::string>{"low_cut", "gain"}));
    EXPECT_EQ(KorvaneLv2::ControlSymbols({"In 1"}, 0, 0), std::vector<std::string>{"in_1"});
}

TEST(Lv2Symbols, OnlyWholeNumberStatesMakeAnIntegerPort) {
    ControlPort port;
    port.discrete = true;
    port.points = {{0.0, "Off"}, {1.0, "On"}, {-3.0, "-3"}};
    EXPECT_TRUE(KorvaneLv2::IntegerValued(port));
    port.points.emplace_back(0.5, "Half");
    EXPECT_FALSE(KorvaneLv2::IntegerValued(port));
    port.points = {{1.0, "a"}, {NAN, "b"}};
    EXPECT_FALSE(KorvaneLv2::IntegerValued(port));
}

class Lv2Eq : public ::testing::Test {
public:
    [[nodiscard]] uint32_t PortIndex(const std::string& symbol) const {
        LilvNode* node = lilv_new_string(world, symbol.c_str());
        const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, node);
        lilv_node_free(node);
        EXPECT_NE(port, nullptr) << symbol;
        return port == nullptr ? 0 : lilv_port_get_index(plugin, port);
    }

protected:
    void SetUp() override {
        ASSERT_EQ(reference.Open(KVEQ_BUNDLE, kRate), "");
        world = lilv_world_new();
        lilv_world_load_all(world);
        LilvNode* uri = lilv_new_uri(world, kUri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        ASSERT_NE(plugin, nullptr) << "lilv does not find " << kUri << " in " << kLv2Dir;
    }
    void TearDown() override { lilv_world_free(world); }

    TempFolder tmp;
    ScopedEnv lv2Path{"LV2_PATH", kLv2Dir};
    Lv2Plugin reference;
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    UridMap urids;
};

// --- What the tools list ------------------------------------------------------------------

TEST_F(Lv2Eq, LilvToolsListThePluginWithItsPortsRangesAndPresets) {
    const Outcome ls = RunTool(tmp, {"lv2ls"});
    ASSERT_EQ(ls.exitCode, 0) << ls.err;
    EXPECT_EQ(ls.out, std::string(kUri) + "\n");

    const Outcome info = RunTool(tmp, {"lv2info", kUri});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const std::string& text = info.out;
    // Two audio inputs and outputs, then each control in and out.
    const std::size_t controls = reference.Controls().size();
    ASSERT_GT(controls, 0U);
    EXPECT_NE(text.find("Port " + std::to_string(4 + 2 * controls - 1) + ":"), std::string::npos);
    EXPECT_EQ(text.find("Port " + std::to_string(4 + 2 * controls) + ":"), std::string::npos);
    EXPECT_NE(text.find("Symbol:      in_2"), std::string::npos);
    EXPECT_NE(text.find("Symbol:      out_2"), std::string::npos);
    EXPECT_NE(text.find("Has latency:       no"), std::string::npos);

    // Each control's block: its symbol, then its range and default as lv2info prints them.
    const auto fixed = [](double v) {
        char buffer[64];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed,
                                       6);  // as lv2info prints
        return std::string(buffer, end.ptr);
    };
    for (const ControlPort& control : reference.Controls()) {
        const auto at = text.find("Symbol:      " + control.symbol + "\n");
        ASSERT_NE(at, std::string::npos) << control.symbol;
        const std::string block = text.substr(at, text.find("\n\n", at) - at);
        EXPECT_NE(block.find("Minimum:     " + fixed(control.minimum)), std::string::npos) << block;
        EXPECT_NE(block.find("Maximum:     " + fixed(control.maximum)), std::string::npos) << block;
        EXPECT_NE(block.find("Default:     " + fixed(control.initial)), std::string::npos) << block;
    }
    // lv2info leaves scale points out; lilv reads them.
    for (const ControlPort& control : reference.Controls()) {
        LilvNode* symbol = lilv_new_string(world, control.symbol.c_str());
        const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, symbol);
        lilv_node_free(symbol);
        ASSERT_NE(port, nullptr);
        LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
        std::map<float, std::string> found;
        LILV_FOREACH(scale_points, i, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, i);
            found[lilv_node_as_float(lilv_scale_point_get_value(point))] =
                lilv_node_as_string(lilv_scale_point_get_label(point));
        }
        lilv_scale_points_free(points);
        std::map<float, std::string> wanted;
        for (const auto& [value, label] : control.points) {
            wanted[static_cast<float>(value)] = label;
        }
        EXPECT_EQ(found, wanted) << control.symbol;
    }
    // The EQ's band gains are -18 ... 18 dB; its band type is a five-way choice.
    const ControlPort& gain = reference.Controls().front();
    EXPECT_EQ(gain.symbol, "band_1");
    EXPECT_EQ(gain.minimum, -18.0);
    EXPECT_EQ(gain.maximum, 18.0);
    const auto type = std::find_if(reference.Controls().begin(), reference.Controls().end(),
                                   [](const ControlPort& c) { return c.symbol == "band_1_type"; });
    ASSERT_NE(type, reference.Controls().end());
    EXPECT_EQ(type->points.size(), 5U);
    EXPECT_EQ(type->points[1].second, "Low Shelf");

    const std::vector<std::string> presets = reference.FactoryPresetNames();
    ASSERT_FALSE(presets.empty());
    for (const std::string& name : presets) {
        EXPECT_NE(text.find("         " + name + "\n"), std::string::npos) << name;
    }

    // The editor: an X11 UI in the LV2 bundle's own module.
    const auto ui = text.find("UIs:\n\t\t" + std::string(kUri) + "#ui\n");
    ASSERT_NE(ui, std::string::npos) << text;
    const std::string block = text.substr(ui, text.find("Data URIs:", ui) - ui);
    EXPECT_NE(block.find("Class:  http://lv2plug.in/ns/extensions/ui#X11UI"), std::string::npos)
        << block;
    EXPECT_NE(block.find("Binary: file://" + std::string(KVEQ_LV2_BUNDLE) + "/KvEQ_lv2ui.so"),
              std::string::npos)
        << block;
}

// A host embeds the editor only if it offers what the editor requires: the window to embed it
// in and the idle calls that run it.
TEST_F(Lv2Eq, TheEditorRequiresTheHostsWindowAndIdleCalls) {
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    ASSERT_EQ(lilv_uis_size(uis), 1U);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    LilvNode* x11 = lilv_new_uri(world, "http://lv2plug.in/ns/extensions/ui#X11UI");
    EXPECT_TRUE(lilv_ui_is_a(ui, x11));
    lilv_node_free(x11);
    const auto objects = [&](const char* predicate) {
        LilvNode* p = lilv_new_uri(world, predicate);
        LilvNodes* nodes = lilv_world_find_nodes(world, lilv_ui_get_uri(ui), p, nullptr);
        std::vector<std::string> out;
        LILV_FOREACH(nodes, i, nodes) {
            out.emplace_back(lilv_node_as_uri(lilv_nodes_get(nodes, i)));
        }
        lilv_nodes_free(nodes);
        lilv_node_free(p);
        std::sort(out.begin(), out.end());
        return out;
    };
    const std::string uiNs = "http://lv2plug.in/ns/extensions/ui#";
    EXPECT_EQ(objects("http://lv2plug.in/ns/lv2core#requiredFeature"),
              (std::vector<std::string>{uiNs + "idleInterface", uiNs + "parent"}));
    EXPECT_EQ(objects("http://lv2plug.in/ns/lv2core#optionalFeature"),
              (std::vector<std::string>{uiNs + "resize", uiNs + "touch"}));
    EXPECT_EQ(objects("http://lv2plug.in/ns/lv2core#extensionData"),
              (std::vector<std::string>{uiNs + "idleInterface", uiNs + "resize"}));
    lilv_uis_free(uis);
}

TEST_F(Lv2Eq, TurtleCarriesUnitsAndPortProperties) {
    const std::string ttl = ReadAll(std::string(KVEQ_LV2_BUNDLE) + "/KvEQ.ttl");
    const auto block = [&](const std::string& symbol) {
        const auto at = ttl.find("lv2:symbol \"" + symbol + "\"");
        EXPECT_NE(at, std::string::npos) << symbol;
        return at == std::string::npos ? std::string() : ttl.substr(at, ttl.find(']', at) - at);
    };
    EXPECT_NE(block("band_1").find("units:unit units:db"), std::string::npos);
    EXPECT_NE(block("band_1_type").find("lv2:enumeration"), std::string::npos);
    EXPECT_NE(block("band_1_type").find("lv2:integer"), std::string::npos);
    EXPECT_EQ(block("band_1").find("lv2:portProperty"), std::string::npos);
    // Nothing of the EQ has latency, so there is no latency port.
    EXPECT_EQ(ttl.find("reportsLatency"), std::string::npos);
}

// Each factory preset's port values are what loading it leaves the plug-in with.
TEST_F(Lv2Eq, FactoryPresetsCarryThePortValuesOfThePreset) {
    LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
    LilvNodes* related = lilv_plugin_get_related(plugin, presetClass);
    lilv_node_free(presetClass);
    const std::vector<std::string> names = reference.FactoryPresetNames();
    ASSERT_EQ(lilv_nodes_size(related), names.size());
    std::size_t checked = 0;
    LILV_FOREACH(nodes, i, related) {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(world, preset);
        LilvState* state = lilv_state_new_from_world(world, urids.Map(), preset);
        ASSERT_NE(state, nullptr);
        const std::string label = lilv_state_get_label(state);
        ASSERT_EQ(reference.LoadFactoryPreset(label), 0) << label;
        struct Seen {
            std::map<std::string, float> values;
            LV2_URID floatType;
        } seen{{}, urids.Of(LV2_ATOM__Float)};
        lilv_state_emit_port_values(
            state,
            [](const char* symbol, void* data, const void* value, uint32_t size, uint32_t type) {
                auto* s = static_cast<Seen*>(data);
                if (type == s->floatType && size == sizeof(float)) {
                    s->values[symbol] = *static_cast<const float*>(value);
                }
            },
            &seen);
        ASSERT_EQ(seen.values.size(), reference.Controls().size()) << label;
        for (std::size_t c = 0; c < reference.Controls().size(); ++c) {
            EXPECT_NEAR(seen.values[reference.Controls()[c].symbol], reference.CurrentValue(c),
                        1e-4)
                << label << " " << reference.Controls()[c].symbol;
        }
        lilv_state_free(state);
        ++checked;
    }
    lilv_nodes_free(related);
    EXPECT_EQ(checked, names.size());
}

// --- The Turtle against the LV2 schemas ---------------------------------------------------

std::vector<std::string> SchemaFiles() {
    std::vector<std::string> files;
    for (const char* root : {"/usr/lib/lv2", "/usr/lib/x86_64-linux-gnu/lv2"}) {
        std::error_code ec;
        if (!fs::is_directory(root, ec)) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(root, ec)) {
            if (entry.path().extension() == ".ttl") {
                files.push_back(entry.path().string());
            }
        }
        if (!files.empty()) {
            break;
        }
    }
    return files;
}

TEST_F(Lv2Eq, SordValidateAcceptsTheGeneratedTurtleAndRejectsABrokenCopy) {
    const std::vector<std::string> schemas = SchemaFiles();
    ASSERT_GT(schemas.size(), 10U) << "lv2-dev installs the LV2 schemas";
    const std::string bundle = std::string(KVEQ_LV2_BUNDLE);
    std::vector<std::string> args{"sord_validate"};
    args.insert(args.end(), schemas.begin(), schemas.end());
    for (const char* leaf : {"manifest.ttl", "KvEQ.ttl", "presets.ttl"}) {
        args.push_back(bundle + "/" + leaf);
    }
    const Outcome valid = RunTool(tmp, args);
    EXPECT_EQ(valid.exitCode, 0) << valid.out << valid.err;
    EXPECT_NE((valid.out + valid.err).find("Found 0 errors"), std::string::npos)
        << valid.out << valid.err;

    // The same check finds a fault the generator could make: a port index that is text.
    std::string broken = ReadAll(bundle + "/KvEQ.ttl");
    const auto at = broken.find("lv2:index 0");
    ASSERT_NE(at, std::string::npos);
    broken.replace(at, 11, "lv2:index \"zero\"");
    const std::string copy = tmp.Path("broken.ttl");
    std::ofstream(copy, std::ios::binary) << broken;
    args.back() = copy;  // presets.ttl out, the broken description in
    args[args.size() - 2] = bundle + "/presets.ttl";
    args.insert(args.end() - 1, bundle + "/manifest.ttl");
    const Outcome invalid = RunTool(tmp, args);
    EXPECT_NE(invalid.exitCode, 0) << invalid.out << invalid.err;
}

// --- Rendering ----------------------------------------------------------------------------

TEST_F(Lv2Eq, Lv2applyRendersWhatKvhostRendersWithTheSameValues) {
    WriteTestSignal(tmp.Path("in.wav"), 20000);
    const Audio input = ReadAudio(tmp.Path("in.wav"));
    struct Case {
        std::vector<std::pair<std::string, std::string>> lv2;  // symbol, value
        std::vector<std::string> kvhost;                       // --set NAME=VALUE
    };
    const std::vector<Case> cases{
        {{}, {}},
        {{{"band_1", "6"}, {"band_1_type", "1"}, {"band_3", "-4.5"}},
         {"Gain_0=6", "Type_0=1", "Gain_2=-4.5"}},
        {{{"band_2", "3.33"}, {"band_4", "-12"}, {"band_1_type", "3"}},
         {"Gain_1=3.33", "Gain_3=-12", "Type_0=3"}},
    };
    std::vector<std::vector<float>> outputs;
    for (std::size_t n = 0; n < cases.size(); ++n) {
        const std::string lv2Out = tmp.Path("lv2_" + std::to_string(n) + ".wav");
        const std::string kvOut = tmp.Path("kv_" + std::to_string(n) + ".wav");
        std::vector<std::string> apply{"lv2apply", "-i", tmp.Path("in.wav"), "-o", lv2Out};
        for (const auto& [symbol, value] : cases[n].lv2) {
            apply.insert(apply.end(), {"-c", symbol, value});
        }
        apply.emplace_back(kUri);
        const Outcome applied = RunTool(tmp, apply);
        ASSERT_EQ(applied.exitCode, 0) << applied.err;

        std::vector<std::string> render{KVHOST_BINARY,      "render", KVEQ_BUNDLE, "--in",
                                        tmp.Path("in.wav"), "--out",  kvOut};
        for (const std::string& set : cases[n].kvhost) {
            render.insert(render.end(), {"--set", set});
        }
        const Outcome rendered = RunTool(tmp, render, /*foreignTool=*/false);
        ASSERT_EQ(rendered.exitCode, 0) << rendered.err;

        const Audio lv2 = ReadAudio(lv2Out);
        const Audio kv = ReadAudio(kvOut);
        ASSERT_EQ(lv2.frames, input.frames);
        EXPECT_LE(MaxDifference(lv2.samples, kv.samples), kRounding) << "case " << n;
        outputs.push_back(lv2.samples);
    }
    // The values reached the processing: each setting sounds different from the others.
    EXPECT_GT(MaxDifference(outputs[0], outputs[1]), 0.01);
    EXPECT_GT(MaxDifference(outputs[1], outputs[2]), 0.01);
}

// --- An instance in a host ----------------------------------------------------------------

// A stereo instance through lilv, its ports on buffers of its own.
class Host {
public:
    Host(const Lv2Eq& test, const LilvPlugin* plugin, UridMap& urids)
        : m_plugin(plugin), m_urids(urids) {
        m_instance = lilv_plugin_instantiate(plugin, kRate, urids.Features());
        EXPECT_NE(m_instance, nullptr);
        m_values.assign(lilv_plugin_get_num_ports(plugin), 0.0F);
        lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, m_values.data());
        for (uint32_t p = 0; p < m_values.size(); ++p) {
            lilv_instance_connect_port(m_instance, p, &m_values[p]);
        }
        for (const char* symbol : {"in_1", "in_2", "out_1", "out_2"}) {
            m_audio.emplace_back(kBlock);
            lilv_instance_connect_port(m_instance, test.PortIndex(symbol), m_audio.back().data());
        }
        m_test = &test;
    }
    ~Host() {
        if (m_active) {
            lilv_instance_deactivate(m_instance);
        }
        lilv_instance_free(m_instance);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    float& Port(const std::string& symbol) { return m_values[m_test->PortIndex(symbol)]; }
    void Activate() {
        lilv_instance_activate(m_instance);
        m_active = true;
    }
    // The input through the instance in blocks; the output interleaved.
    std::vector<float> Render(const std::vector<float>& input) {
        std::vector<float> output(input.size());
        const std::size_t frames = input.size() / 2;
        for (std::size_t start = 0; start < frames; start += kBlock) {
            const std::size_t n = std::min(kBlock, frames - start);
            for (std::size_t i = 0; i < n; ++i) {
                m_audio[0][i] = input[2 * (start + i)];
                m_audio[1][i] = input[2 * (start + i) + 1];
            }
            lilv_instance_run(m_instance, static_cast<uint32_t>(n));
            for (std::size_t i = 0; i < n; ++i) {
                output[2 * (start + i)] = m_audio[2][i];
                output[2 * (start + i) + 1] = m_audio[3][i];
            }
        }
        return output;
    }
    LilvState* Save() {
        return lilv_state_new_from_instance(
            m_plugin, m_instance, m_urids.Map(), nullptr, nullptr, nullptr, nullptr,
            [](const char* symbol, void* data, uint32_t* size, uint32_t* type) -> const void* {
                auto* self = static_cast<Host*>(data);
                *size = sizeof(float);
                *type = self->m_urids.Of(LV2_ATOM__Float);
                return &self->Port(symbol);
            },
            this, 0, m_urids.Features());
    }
    // Restores the plug-in's own state only: the ports keep what they hold.
    void Restore(const LilvState* state) {
        lilv_state_restore(state, m_instance, nullptr, nullptr, 0, m_urids.Features());
    }

    static constexpr std::size_t kBlock = 256;

private:
    const LilvPlugin* m_plugin;
    UridMap& m_urids;
    const Lv2Eq* m_test = nullptr;
    LilvInstance* m_instance = nullptr;
    std::vector<float> m_values;
    std::vector<std::vector<float>> m_audio;
    bool m_active = false;
};

std::vector<float> Signal(std::size_t frames) {
    std::vector<float> samples(frames * 2);
    std::mt19937 random(11);
    std::uniform_real_distribution<float> noise(-0.25F, 0.25F);
    for (float& s : samples) {
        s = noise(random);
    }
    return samples;
}

TEST_F(Lv2Eq, StateRoundTripRestoresTheSoundInANewInstance) {
    const std::vector<float> input = Signal(8000);
    std::vector<float> plain;
    {
        Host fresh(*this, plugin, urids);
        fresh.Activate();
        plain = fresh.Render(input);
    }
    std::vector<float> original;
    LilvState* state = nullptr;
    {
        Host first(*this, plugin, urids);
        first.Port("band_2") = 9.0F;
        first.Port("band_1_type") = 2.0F;
        first.Port("band_1") = -7.5F;
        first.Activate();
        original = first.Render(input);
        state = first.Save();
        ASSERT_NE(state, nullptr);
    }
    ASSERT_GT(MaxDifference(original, plain), 0.01) << "the settings change the sound";

    // Restored before activation, with the new instance's ports left at their defaults.
    {
        Host second(*this, plugin, urids);
        second.Restore(state);
        second.Activate();
        EXPECT_LE(MaxDifference(second.Render(input), original), kRounding);
    }
    // Restored while active: the chunk lands at the next block.
    {
        Host third(*this, plugin, urids);
        third.Activate();
        (void)third.Render(Signal(512));
        third.Restore(state);
        // The filters' memory from the block before is cleared by rendering silence first.
        (void)third.Render(std::vector<float>(2 * 48000, 0.0F));
        const std::vector<float> out = third.Render(input);
        EXPECT_LE(MaxDifference(out, original), 1e-5);
    }
    lilv_state_free(state);
}

// A control changed while processing runs reaches the sound within a few blocks, and a change
// the plug-in makes itself (one control moving others) shows on the output ports.
TEST_F(Lv2Eq, ControlChangesWhileRunningReachTheSoundAndTheOutputPorts) {
    Host host(*this, plugin, urids);
    host.Activate();
    const std::vector<float> input = Signal(Host::kBlock);
    (void)host.Render(input);
    EXPECT_EQ(host.Port("band_2_out"), 0.0F);

    host.Port("all_gains") = 4.0F;
    bool reported = false;
    for (int attempt = 0; attempt < 400 && !reported; ++attempt) {
        (void)host.Render(input);
        reported = host.Port("band_2_out") == 4.0F && host.Port("band_4_out") == 4.0F;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(reported) << "band_2_out " << host.Port("band_2_out");
    // The input ports of the moved bands are the host's: the plug-in leaves them alone.
    EXPECT_EQ(host.Port("band_2"), 0.0F);

    // The sound is now that of every band at 4 dB, as a fresh instance set so renders it.
    Host expected(*this, plugin, urids);
    for (const char* symbol : {"band_1", "band_2", "band_3", "band_4"}) {
        expected.Port(symbol) = 4.0F;
    }
    expected.Activate();
    const std::vector<float> silence(2 * 48000, 0.0F);
    (void)host.Render(silence);
    (void)expected.Render(silence);
    EXPECT_LE(MaxDifference(host.Render(input), expected.Render(input)), 1e-5);
}

// Changes faster than the control thread wakes (one per block, no pause) all wake it without
// fault and the last one wins; a port holding a non-number is no change.
TEST_F(Lv2Eq, ABurstOfChangesEndsAtTheLastValueAndANonNumberIsIgnored) {
    Host host(*this, plugin, urids);
    host.Activate();
    const std::vector<float> input = Signal(Host::kBlock);
    for (const float value : {1.0F, 2.0F, 3.0F, -2.0F, 5.0F}) {
        host.Port("band_1") = value;
        (void)host.Render(input);
    }
    host.Port("band_1") = NAN;
    bool reported = false;
    for (int attempt = 0; attempt < 400 && !reported; ++attempt) {
        (void)host.Render(input);
        reported = host.Port("band_1_out") == 5.0F;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(reported) << "band_1_out " << host.Port("band_1_out");
    for (int block = 0; block < 20; ++block) {
        (void)host.Render(input);
    }
    EXPECT_EQ(host.Port("band_1_out"), 5.0F);
}

}  // namespace
