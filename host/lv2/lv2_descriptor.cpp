// The LV2 entry of a plug-in: its descriptor and the instance behind it. Compiled into each
// plug-in's LV2 module with KORVANE_PLUGIN_NAME and KORVANE_LV2_URI set; the plug-in's own
// bundle lies beside it, inside the LV2 bundle.
#include "host/lv2/lv2_plugin.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using KorvaneLv2::Lv2Plugin;

constexpr const char* kChunkKey = "urn:korvane:lv2#stateChunk";

// Ports in index order: audio inputs, audio outputs, one control input per automation control,
// the same controls as outputs (the values the plug-in itself set), then the latency output
// when the plug-in has latency. The Turtle generator lays them out the same way.
struct Instance {
    Lv2Plugin plugin;
    std::vector<const float*> inputs;
    std::vector<float*> outputs;
    std::vector<const float*> controlsIn;
    std::vector<float*> controlsOut;
    std::vector<float> last;  // the input values last handed to the plug-in
    float* latency = nullptr;
    LV2_URID_Map* map = nullptr;
};

LV2_Handle Instantiate(const LV2_Descriptor* /*descriptor*/, double rate, const char* bundlePath,
                       const LV2_Feature* const* features) {
    auto instance = std::make_unique<Instance>();
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f) {
        if (std::strcmp((*f)->URI, LV2_URID__map) == 0) {
            instance->map = static_cast<LV2_URID_Map*>((*f)->data);
        }
    }
    const std::string bundle = std::string(bundlePath) + "/" + KORVANE_PLUGIN_NAME + ".bundle";
    if (!instance->plugin.Open(bundle, rate).empty()) {
        return nullptr;
    }
    const auto numIn = static_cast<std::size_t>(instance->plugin.NumInputs());
    const auto numOut = static_cast<std::size_t>(instance->plugin.NumOutputs());
    const std::size_t numControls = instance->plugin.Controls().size();
    instance->inputs.assign(numIn, nullptr);
    instance->outputs.assign(numOut, nullptr);
    instance->controlsIn.assign(numControls, nullptr);
    instance->controlsOut.assign(numControls, nullptr);
    // The plug-in starts at its initial values; a port that holds one of them changes nothing.
    for (const KorvaneLv2::ControlPort& control : instance->plugin.Controls()) {
        instance->last.push_back(static_cast<float>(control.initial));
    }
    instance->plugin.StartControlThread();
    return instance.release();
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) {
    auto* instance = static_cast<Instance*>(handle);
    std::size_t index = port;
    if (index < instance->inputs.size()) {
        instance->inputs[index] = static_cast<const float*>(data);
        return;
    }
    index -= instance->inputs.size();
    if (index < instance->outputs.size()) {
        instance->outputs[index] = static_cast<float*>(data);
        return;
    }
    index -= instance->outputs.size();
    if (index < instance->controlsIn.size()) {
        instance->controlsIn[index] = static_cast<const float*>(data);
        return;
    }
    index -= instance->controlsIn.size();
    if (index < instance->controlsOut.size()) {
        instance->controlsOut[index] = static_cast<float*>(data);
        return;
    }
    index -= instance->controlsOut.size();
    if (index == 0 && instance->plugin.Latency() > 0) {
        instance->latency = static_cast<float*>(data);
    }
}

// The control values the host holds when processing starts are in effect from the first block.
// Only changed values are applied: controls overlap (one that moves several parameters by a
// delta), and applying an unchanged one would move the others.
void Activate(LV2_Handle handle) {
    auto* instance = static_cast<Instance*>(handle);
    for (std::size_t i = 0; i < instance->controlsIn.size(); ++i) {
        if (instance->controlsIn[i] != nullptr && std::isfinite(*instance->controlsIn[i]) &&
            *instance->controlsIn[i] != instance->last[i]) {
            instance->last[i] = *instance->controlsIn[i];
            instance->plugin.SetControl(i, instance->last[i]);
        }
    }
    instance->plugin.Host().SetRunning(true);
}

void Run(LV2_Handle handle, uint32_t frames) {
    auto* instance = static_cast<Instance*>(handle);
    Lv2Plugin& plugin = instance->plugin;
    for (std::size_t i = 0; i < instance->controlsIn.size(); ++i) {
        const float* port = instance->controlsIn[i];
        // A changed value goes to the control thread; its chain lands at a later block start.
        // A value that is not a number is no change (NaN would differ from itself each block).
        if (port != nullptr && std::isfinite(*port) && *port != instance->last[i]) {
            instance->last[i] = *port;
            plugin.QueueControl(i, *port);
        }
    }
    for (const float* input : instance->inputs) {
        if (input == nullptr) {
            return;
        }
    }
    for (float* output : instance->outputs) {
        if (output == nullptr) {
            return;
        }
    }
    (void)plugin.Host().Process(instance->inputs.data(), instance->outputs.data(),
                                static_cast<int>(frames));
    for (std::size_t i = 0; i < instance->controlsOut.size(); ++i) {
        if (float* port = instance->controlsOut[i]; port != nullptr) {
            const auto reported = plugin.ReportedValue(i);
            *port = static_cast<float>(reported ? *reported : plugin.Controls()[i].initial);
        }
    }
    if (instance->latency != nullptr) {
        *instance->latency = static_cast<float>(plugin.Latency());
    }
}

void Deactivate(LV2_Handle handle) {
    static_cast<Instance*>(handle)->plugin.Host().SetRunning(false);
}

void Cleanup(LV2_Handle handle) {
    delete static_cast<Instance*>(handle);
}

LV2_State_Status Save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state,
                      uint32_t /*flags*/, const LV2_Feature* const* /*features*/) {
    auto* instance = static_cast<Instance*>(handle);
    if (instance->map == nullptr) {
        return LV2_STATE_ERR_NO_FEATURE;
    }
    const std::string chunk = instance->plugin.SaveState();
    if (chunk.empty()) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    return store(state, instance->map->map(instance->map->handle, kChunkKey), chunk.data(),
                 chunk.size(), instance->map->map(instance->map->handle, LV2_ATOM__Chunk),
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle state, uint32_t /*flags*/,
                         const LV2_Feature* const* /*features*/) {
    auto* instance = static_cast<Instance*>(handle);
    if (instance->map == nullptr) {
        return LV2_STATE_ERR_NO_FEATURE;
    }
    std::size_t size = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    const void* data =
        retrieve(state, instance->map->map(instance->map->handle, kChunkKey), &size, &type, &flags);
    if (data == nullptr) {
        return LV2_STATE_ERR_NO_PROPERTY;
    }
    if (type != instance->map->map(instance->map->handle, LV2_ATOM__Chunk)) {
        return LV2_STATE_ERR_BAD_TYPE;
    }
    return instance->plugin.RestoreState(data, size) == 0 ? LV2_STATE_SUCCESS
                                                          : LV2_STATE_ERR_UNKNOWN;
}

const void* ExtensionData(const char* uri) {
    static const LV2_State_Interface state{Save, Restore};
    return std::strcmp(uri, LV2_STATE__interface) == 0 ? &state : nullptr;
}

const LV2_Descriptor kDescriptor{KORVANE_LV2_URI, Instantiate, ConnectPort,  Activate, Run,
                                 Deactivate,      Cleanup,     ExtensionData};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(
    uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
