// A plug-in bundle's module loaded and its algorithm created on a host's exec callback.
#include "host/plugin_loader.h"

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/error_codes.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/folder_scanner.h"
#include "korvane/scan/scan_results.h"

#include <filesystem>
#include <system_error>

namespace KorvaneHost {

namespace kv = kvKorvaneV10_0_3;
namespace fs = std::filesystem;
namespace PM = kv::ProcessMemory;

namespace {

// The plug-in's creation function: `<Name>_Create` exported by the module.
using CreateFunction = kv::cALGORITHM* (*)(const kv::KorvaneComponentInfo*, KTResContainerType**);

}  // namespace

std::string CodeText(int code) {
    const char* name = kv::KTErrName(code);
    std::string text = name != nullptr && *name != '\0' ? name : "error";
    return text + " (" + std::to_string(code) + ")";
}

PluginLoader::~PluginLoader() {
    Close();
}

std::optional<LoadError> PluginLoader::Open(const std::string& bundlePath, int sampleRate,
                                            const LoaderHost& host) {
    std::error_code ec;
    if (!fs::exists(bundlePath, ec)) {
        return LoadError{bundlePath, "no such bundle"};
    }
    const fs::path bundle = fs::canonical(bundlePath, ec);
    if (ec || !fs::is_directory(bundle) || bundle.extension() != ".bundle") {
        return LoadError{bundlePath, "not a bundle (a folder named <Name>.bundle)"};
    }
    m_name = bundle.stem().string();
    m_bundlePath = bundle.string();
    const fs::path module = bundle / "Contents" / "Linux64" / (m_name + ".so");
    if (!fs::is_regular_file(module, ec)) {
        return LoadError{bundlePath,
                         "corrupt bundle: no module Contents/Linux64/" + m_name + ".so"};
    }

    // Counted: the plug-in may share the process with other users of the manager (an LV2
    // host loads the DSP module and the editor module side by side).
    if (const KTErr err = kv::RM::Acquire(0x200, "KorvaneLib"); err != kv::eNoErr) {
        return LoadError{"resource manager", CodeText(err), false};
    }
    m_rmAcquired = true;

    // What the plug-in is comes from its resources, as a scan reads them.
    kv::KSC::KCKorvanePluginFolderScanner scanner(host.name.c_str());
    kv::KSC::KCPluginDiskScannerResults results;
    const KTErr scanned =
        scanner.ScanOnePluginForComponents(results, kv::FM::KCStPath(m_bundlePath.c_str()));
    if (results.GetFiles().empty() || results.GetFiles().front().GetNumComponents() == 0) {
        std::string reasons;
        if (!results.GetFiles().empty()) {
            kv::KCFixedString<255> text;
            kv::KSC::ScanRejectReasonsToText(results.GetFiles().front().m_rejectBits, text);
            reasons = text.c_str();
        }
        return LoadError{bundlePath,
                         "corrupt bundle: " + (reasons.empty() ? CodeText(scanned) : reasons)};
    }
    const auto& accepted = results.GetFiles().front().m_components;
    for (int i = 0; i < accepted.GetNumComponents(); ++i) {
        m_components.push_back(*accepted.GetKorvaneComponentInfo(i));
    }
    m_info = m_components.front();

    if (const KTErr err =
            kv::RM::OpenResContainer(kv::FM::KCStPath(m_bundlePath.c_str()), 0, m_bundle);
        err != kv::eNoErr) {
        return LoadError{bundlePath, "cannot open the bundle: " + CodeText(err)};
    }
    if (const KTErr err = kv::RM::OpenResContainer(kv::FM::KCStPath(module.c_str()), 0, m_module);
        err != kv::eNoErr) {
        return LoadError{module.string(), "cannot load the module: " + CodeText(err)};
    }
    KTNativeDLLRefType* handle = kv::RM::GetHMODULE(m_module);
    const std::string createName = m_name + "_Create";
    // The library's look-up of a function the module itself exports; it is typed for process
    // functions, and the creation function is cast back to its own type.
    KTNativeProcessFunction symbol = nullptr;
    if (PM::FindNativeProcessFunction(handle, createName.c_str(), symbol) != kv::eNoErr ||
        symbol == nullptr) {
        return LoadError{module.string(), "corrupt bundle: the module exports no " + createName};
    }
    // Through the generic function pointer type, as a cast between function types must go.
    const auto create = reinterpret_cast<CreateFunction>(reinterpret_cast<void (*)()>(symbol));
    m_alg = create(&m_info, &m_bundle);
    if (m_alg == nullptr) {
        return LoadError{bundlePath, createName + " made no plug-in", false};
    }

    const auto step = [&](const char* what, int err) -> std::optional<LoadError> {
        if (err != kv::eNoErr) {
            return LoadError{m_name, std::string(what) + " failed: " + CodeText(err), false};
        }
        return std::nullopt;
    };
    const auto sizeSpace = [&](int space, unsigned int words) {
        return host.sizeSpace ? host.sizeSpace(space, static_cast<int>(words))
                              : kv::eSomeThingNotInitailzed;
    };
    if (auto e = step("SetExecCallBack", m_alg->SetExecCallBack(host.callback, host.refcon))) {
        return e;
    }
    if (auto e = step("FinishCreate", m_alg->FinishCreate())) {
        return e;
    }
    if (auto e = step("InitProcessCode", m_alg->InitProcessCode())) {
        return e;
    }
    if (auto e = step("sizing coefficients", sizeSpace(PM::eCoefsSpace, m_alg->GetCoefsNum()))) {
        return e;
    }
    if (auto e = step("sizing states", sizeSpace(PM::eStatesSpace, m_alg->GetStatesNum()))) {
        return e;
    }
    if (host.beforeData) {
        host.beforeData(*m_alg);
    }
    if (auto e = step("InitData", m_alg->InitData())) {
        return e;
    }
    if (auto e = step("InitInstanceData", m_alg->InitInstanceData())) {
        return e;
    }
    m_alg->InitAlg(true);
    if (sampleRate > 0) {
        if (auto e = step("ChangeSampleRate", m_alg->ChangeSampleRate(sampleRate))) {
            return e;
        }
        PostUpdate();
    }
    const std::string function = m_alg->GetProcessFuncName().c_str();
    if (function.empty()) {
        return LoadError{bundlePath, "corrupt bundle: the process code names no process function"};
    }
    if (const KTErr err = PM::FindNativeProcessFunction(handle, function.c_str(), m_process);
        err != kv::eNoErr || m_process == nullptr) {
        m_process = nullptr;
        return LoadError{module.string(),
                         "corrupt bundle: process function " + function + ": " + CodeText(err)};
    }
    return std::nullopt;
}

void PluginLoader::Close() {
    m_process = nullptr;
    if (m_alg != nullptr) {
        m_alg->Dispose();
        delete m_alg;  // made by the module's creation function with new
        m_alg = nullptr;
    }
    if (m_bundle != nullptr) {
        (void)kv::RM::CloseResContainer(m_bundle);
        m_bundle = nullptr;
    }
    if (m_module != nullptr) {
        (void)kv::RM::CloseResContainer(m_module);  // unloads the module
        m_module = nullptr;
    }
    if (m_rmAcquired) {
        (void)kv::RM::Release();
        m_rmAcquired = false;
    }
}

void PluginLoader::PostUpdate() {
    auto* chain = m_alg->UpdateAlg();
    (void)m_alg->SendAndFreeBuffers(chain, PM::eSelPostChain, true);
}

kv::Preset::CPresetsManager* PluginLoader::PresetsManager() {
    const kv::kvThread::ThreadMutexLock lock(m_alg->AlgLock());
    return dynamic_cast<kv::Preset::CPresetsManager*>(m_alg->GetPresetsManager());
}

std::vector<std::string> PluginLoader::FactoryPresetNames() {
    std::vector<std::string> names;
    kv::Preset::CPresetsManager* manager = PresetsManager();
    if (manager == nullptr || manager->ReadFactoryPresets(kv::CPublicAlg(*m_alg)) != kv::eNoErr) {
        return names;
    }
    for (const kv::Preset::CPresetInfo* preset : manager->GetFactoryPresets()) {
        if (preset != nullptr && !preset->IsSeperator() && !preset->IsDummyTitle()) {
            names.emplace_back(preset->GetPresetName().c_str());
        }
    }
    return names;
}

}  // namespace KorvaneHost
