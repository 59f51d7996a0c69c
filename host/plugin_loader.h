// A plug-in bundle opened by a host: the scan of its resources, its module loaded, and its
// algorithm created through its whole life cycle on the host's exec callback. kvhost, the LV2
// wrapper and the LV2 editor all load plug-ins through it.
#pragma once

#include "korvane/algorithm/algorithm.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/process/host_callback.h"
#include "korvane/process/native_process.h"
#include "korvane/scan/component_info.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace KorvaneHost {

using kvKorvaneV10_0_3::KTErr;

// An error code as its name and number, "eNoErr (0)".
std::string CodeText(int code);

// What a host lends the plug-in it creates: its exec callback with the refcon that names this
// host, and the sizing of the states and coefficient spaces, which the plug-in asks for before
// it makes its data.
struct LoaderHost {
    kvKorvaneV10_0_3::ProcessMemory::ExecCallBack callback = nullptr;
    int refcon = 0;
    std::function<KTErr(int space, int words)> sizeSpace;
    // Called once the spaces are sized, before the plug-in makes its data (which it may report
    // to the host already); may be empty.
    std::function<void(kvKorvaneV10_0_3::cALGORITHM&)> beforeData;
    // The host's name, as the scan of the bundle records it.
    std::string name = "host";
};

// Why a bundle did not load: what and why, for one line of text. `badInput` when the bundle is
// at fault (missing, misnamed, no module, no component, no entry point); otherwise the plug-in or
// the library failed while creating it.
struct LoadError {
    std::string what;
    std::string why;
    bool badInput = true;
};

class PluginLoader {
public:
    PluginLoader() = default;
    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    // Opens <Name>.bundle at `bundlePath`, loads its module, creates the first component the
    // scan accepts on `host` and takes it through FinishCreate, InitProcessCode, the spaces'
    // sizes, InitData, InitInstanceData and InitAlg, then ChangeSampleRate and a full update
    // when `sampleRate` is above 0, and finds the process function its process code names.
    // [any-thread & unshared]
    std::optional<LoadError> Open(const std::string& bundlePath, int sampleRate,
                                  const LoaderHost& host);
    // Disposes of the plug-in, closes the bundle and unloads the module; the destructor does too.
    // The host must stop calling the process function first. [any-thread & unshared]
    void Close();

    // The created plug-in, once Open succeeded.
    [[nodiscard]] kvKorvaneV10_0_3::cALGORITHM& Alg() const { return *m_alg; }
    [[nodiscard]] KTResContainerType*& Container() { return m_bundle; }
    // The process function the plug-in's process code names, found in its module.
    [[nodiscard]] KTNativeProcessFunction ProcessFunction() const { return m_process; }
    // The component the plug-in was created as, and every component the scan accepted.
    [[nodiscard]] const kvKorvaneV10_0_3::KorvaneComponentInfo& Info() const { return m_info; }
    [[nodiscard]] const std::vector<kvKorvaneV10_0_3::KorvaneComponentInfo>& Components() const {
        return m_components;
    }
    [[nodiscard]] const std::string& Name() const { return m_name; }
    [[nodiscard]] const std::string& BundlePath() const { return m_bundlePath; }

    // Posts the algorithm's full update, as a shell does after a preset or a new rate.
    // [any-thread]
    void PostUpdate();
    // The plug-in's presets manager; null when it has none. [any-thread]
    [[nodiscard]] kvKorvaneV10_0_3::Preset::CPresetsManager* PresetsManager();
    // Factory preset names in menu order (separators and titles left out). [any-thread]
    [[nodiscard]] std::vector<std::string> FactoryPresetNames();

private:
    kvKorvaneV10_0_3::cALGORITHM* m_alg = nullptr;
    KTResContainerType* m_bundle = nullptr;
    KTResContainerType* m_module = nullptr;
    KTNativeProcessFunction m_process = nullptr;
    bool m_rmAcquired = false;
    kvKorvaneV10_0_3::KorvaneComponentInfo m_info;
    std::vector<kvKorvaneV10_0_3::KorvaneComponentInfo> m_components;
    std::string m_name;
    std::string m_bundlePath;
};

}  // namespace KorvaneHost
