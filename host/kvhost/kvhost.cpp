// kvhost's shared part: errors, arguments, numbers, and the bundle's plug-in on the reference
// host.
#include "host/kvhost/kvhost.h"

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/error_codes.h"
#include "korvane/presets/preset_alg.h"
#include "korvane/presets/preset_api.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/process/host_callback.h"
#include "korvane/process/native_process.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/folder_scanner.h"
#include "korvane/scan/scan_results.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

namespace KorvaneHost::kvhost {

namespace kv = kvKorvaneV10_0_3;
namespace fs = std::filesystem;

namespace {

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

}  // namespace

int Report(const Error& error) {
    std::cerr << "kvhost: " << OneLine(error.what) << ": " << OneLine(error.why) << '\n';
    return error.exitCode;
}

std::optional<std::string> Arguments::Last(const std::string& name) const {
    const auto [first, last] = options.equal_range(name);
    if (first == last) {
        return std::nullopt;
    }
    return std::prev(last)->second;
}

std::vector<std::string> Arguments::All(const std::string& name) const {
    std::vector<std::string> out;
    const auto [first, last] = options.equal_range(name);
    for (auto it = first; it != last; ++it) {
        out.push_back(it->second);
    }
    return out;
}

Status ParseArguments(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      const std::vector<std::string>& flags, Arguments& out) {
    const auto known = [](const std::vector<std::string>& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-' || arg == "--") {
            out.positional.push_back(arg);
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); eq != std::string::npos && arg.starts_with("--")) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (known(flags, name) && !value) {
            out.options.emplace(name, "");
        } else if (known(valued, name)) {
            if (!value) {
                if (i + 1 >= args.size()) {
                    return Error{name, "missing value", kExitUsage};
                }
                value = args[++i];
            }
            out.options.emplace(name, *value);
        } else {
            std::vector<std::string> all = valued;
            all.insert(all.end(), flags.begin(), flags.end());
            const std::string near = Suggest(name, all);
            return Error{
                name,
                near.empty() ? "unknown option" : "unknown option (did you mean " + near + "?)",
                kExitUsage};
        }
    }
    return std::nullopt;
}

bool WantsHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows,
                const std::string& indent) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    for (const auto& row : rows) {
        std::string line = indent;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) {
                line += std::string(widths[c] - row[c].size() + 2, ' ');
            }
        }
        out << line << '\n';
    }
}

std::optional<double> ParseDouble(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> ParseInteger(std::string_view text) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string FormatNumber(double value) {
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string("?");
}

std::string FormatFixed(double value, int decimals) {
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string("?");
}

std::string FourCCText(kv::KCFourCC code) {
    std::string out;
    for (unsigned int i = 0; i < 4; ++i) {
        const char c = code.At(i);
        out += c >= 32 && c < 127 ? c : '?';
    }
    return out;
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string Suggest(std::string_view name, const std::vector<std::string>& candidates) {
    const std::string key = Lower(name);
    std::vector<std::pair<std::size_t, std::string>> scored;
    for (const std::string& candidate : candidates) {
        const std::size_t distance = EditDistance(key, Lower(candidate));
        // Near enough to be a slip: about half the name may differ.
        if (distance <= std::max<std::size_t>(2, (key.size() + 1) / 2)) {
            scored.emplace_back(distance, candidate);
        }
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::string out;
    const std::size_t count = std::min<std::size_t>(3, scored.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out += i + 1 == count ? " or " : ", ";
        }
        out += scored[i].second;
    }
    return out;
}

// ------------------------------------------------------------------ Plugin

Plugin::~Plugin() {
    Close();
}

Status Plugin::Open(const std::string& bundlePath, int sampleRate) {
    LoaderHost host;
    host.callback = ReferenceHost::Callback();
    host.refcon = m_host.Refcon();
    host.sizeSpace = [this](int space, int words) { return m_host.SizeSpace(space, words); };
    host.name = "kvhost";
    if (auto err = m_loader.Open(bundlePath, sampleRate, host)) {
        return Error{err->what, err->why, err->badInput ? kExitBadInput : kExitFailure};
    }
    if (const KTErr err = m_host.SetNativeProcess(m_loader.ProcessFunction(), Alg().GetNumInputs(),
                                                  Alg().GetNumOutputs());
        err != kv::eNoErr) {
        return Error{bundlePath, "the process function cannot run: " + CodeText(err)};
    }
    return std::nullopt;
}

void Plugin::Close() {
    (void)m_host.SetNativeProcess(nullptr, 0, 0);
    m_loader.Close();
}

std::vector<std::string> Plugin::ParamNames() const {
    std::vector<std::string> names;
    for (unsigned int i = 0; i < Alg().GetNumParams(); ++i) {
        names.emplace_back(Alg().GetParamName(i).c_str());
    }
    return names;
}

Status Plugin::FindParam(const std::string& name, unsigned int& index) const {
    const std::vector<std::string> names = ParamNames();
    for (unsigned int i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            index = i;
            return std::nullopt;
        }
    }
    for (unsigned int i = 0; i < names.size(); ++i) {
        if (Lower(names[i]) == Lower(name)) {
            index = i;
            return std::nullopt;
        }
    }
    const std::string near = Suggest(name, names);
    return Error{name, near.empty() ? "no such parameter (kvhost info lists them)"
                                    : "no such parameter (did you mean " + near + "?)"};
}

void Plugin::ParamRange(unsigned int index, double& low, double& high) const {
    double top = kv::KCParam_Base::kMaxState;
    {
        const kv::kvThread::ThreadMutexLock lock(Alg().AlgLock());
        top = Alg().GetParam(index).GetMaxState();
    }
    const double a = Alg().StateToRealWorld(index, 0.0);
    const double b = Alg().StateToRealWorld(index, top);
    low = std::min(a, b);
    high = std::max(a, b);
}

std::string Plugin::DisplayText(unsigned int index, double state) const {
    const double realWorld = Alg().StateToRealWorld(index, state);
    kv::KCFixedString<127> text;
    {
        const kv::kvThread::ThreadMutexLock lock(Alg().AlgLock());
        const kv::sCONTROL_PARAM& param = Alg().GetParam(index);
        if (param.HasDisplayFunc()) {
            param.GetDisplayFunc()(state, realWorld, text);
        }
    }
    if (text.c_str()[0] != '\0') {
        return text.c_str();
    }
    std::string out = FormatNumber(realWorld);
    if (const char* units = Alg().GetParamUnitsString(index).c_str(); *units != '\0') {
        out += std::string(" ") + units;
    }
    return out;
}

Status Plugin::SetParam(unsigned int index, double realWorld) {
    const std::string name = Alg().GetParamName(index).c_str();
    double low = 0.0;
    double high = 0.0;
    ParamRange(index, low, high);
    const double slack = 1e-9 * std::max(1.0, std::abs(high - low));
    if (!std::isfinite(realWorld) || realWorld < low - slack || realWorld > high + slack ||
        !Alg().ValidateRealWorld(index, std::clamp(realWorld, low, high))) {
        return Error{name + "=" + FormatNumber(realWorld),
                     "out of range " + FormatNumber(low) + " ... " + FormatNumber(high)};
    }
    BUFFER_HEADER* chain =
        Alg().UpdateParamRequestRealWorld(index, std::clamp(realWorld, low, high));
    (void)Alg().SendAndFreeBuffers(chain, kv::ProcessMemory::eSelPostChain, true);
    return std::nullopt;
}

Status Plugin::SetFromText(const std::string& assignment) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) {
        return Error{assignment, "expected NAME=VALUE", kExitUsage};
    }
    const std::string name = assignment.substr(0, eq);
    const std::string value = assignment.substr(eq + 1);
    unsigned int index = 0;
    if (auto err = FindParam(name, index)) {
        return err;
    }
    if (const auto number = ParseDouble(value)) {
        return SetParam(index, *number);
    }
    // A discrete parameter also takes one of its display texts.
    if (Alg().GetParamType(index) == kv::eParamDiscrete) {
        double top = 0.0;
        {
            const kv::kvThread::ThreadMutexLock lock(Alg().AlgLock());
            top = Alg().GetParam(index).GetMaxState();
        }
        std::vector<std::string> texts;
        for (int state = 0; state <= static_cast<int>(top); ++state) {
            texts.push_back(DisplayText(index, state));
            if (Lower(texts.back()) == Lower(value)) {
                return SetParam(index, Alg().StateToRealWorld(index, state));
            }
        }
        std::string list;
        for (const std::string& t : texts) {
            list += (list.empty() ? "" : ", ") + t;
        }
        return Error{assignment, "not a number nor one of " + list};
    }
    return Error{assignment, "not a number"};
}

void Plugin::PostUpdate() {
    m_loader.PostUpdate();
}

std::vector<std::string> Plugin::FactoryPresetNames() {
    return m_loader.FactoryPresetNames();
}

Status Plugin::LoadPreset(const std::string& nameOrFile) {
    kv::Preset::CPresetsManager* manager = m_loader.PresetsManager();
    if (manager == nullptr) {
        return Error{nameOrFile, "the plug-in has no presets manager", kExitFailure};
    }
    const kv::CPublicAlg pub(Alg());
    std::error_code ec;
    const bool looksLikeFile = nameOrFile.find('/') != std::string::npos ||
                               nameOrFile.ends_with(".xps") || nameOrFile.ends_with(".yps");
    if (looksLikeFile || fs::is_regular_file(nameOrFile, ec)) {
        if (!fs::is_regular_file(nameOrFile, ec)) {
            return Error{nameOrFile, "no such preset file"};
        }
        kv::Preset::CPresetsFileInfo file(kv::FM::KCStPath(nameOrFile.c_str()),
                                          kv::Preset::ePresetsFormatNone);
        file.SetFormat(kv::Preset::CPresetAPI::GetPresetFileFormat(pub, file));
        std::vector<kv::Preset::CPresetInfo*> presets;
        const int err = kv::Preset::CPresetAPI::ReadAllPresetsInfo(pub, file, presets);
        const auto cleanup = [&presets] {
            for (kv::Preset::CPresetInfo* p : presets) {
                delete p;
            }
        };
        if (err != kv::eNoErr) {
            cleanup();
            return Error{nameOrFile, "not a preset file: " + CodeText(err)};
        }
        kv::Preset::CPresetInfo* first = nullptr;
        for (kv::Preset::CPresetInfo* p : presets) {
            if (p != nullptr && !p->IsSeperator() && !p->IsDummyTitle()) {
                first = p;
                break;
            }
        }
        if (first == nullptr) {
            cleanup();
            return Error{nameOrFile, "holds no preset for " + Name()};
        }
        const int loaded = manager->LoadPresetToPlugin(pub, *first, true);
        cleanup();
        if (loaded != kv::eNoErr) {
            return Error{nameOrFile, "cannot load: " + CodeText(loaded)};
        }
    } else {
        const std::vector<std::string> names = FactoryPresetNames();
        // A preset saved by "kvhost presets save NAME" is found by its name too.
        kv::FM::KCStPath folder;
        if (std::find(names.begin(), names.end(), nameOrFile) == names.end() &&
            manager->CreatePathToPluginSettingsFolder(folder) == kv::eNoErr) {
            const fs::path saved = fs::path(folder.GetPathString().c_str()) / (nameOrFile + ".xps");
            if (fs::is_regular_file(saved, ec)) {
                return LoadPreset(saved.string());
            }
        }
        if (std::find(names.begin(), names.end(), nameOrFile) == names.end()) {
            const std::string near = Suggest(nameOrFile, names);
            return Error{nameOrFile, near.empty()
                                         ? "no such factory preset"
                                         : "no such factory preset (did you mean " + near + "?)"};
        }
        if (const int err = manager->LoadFactoryPresetToPluginByName(pub, nameOrFile.c_str(), true);
            err != kv::eNoErr) {
            return Error{nameOrFile, "cannot load: " + CodeText(err), kExitFailure};
        }
    }
    PostUpdate();
    return std::nullopt;
}

}  // namespace KorvaneHost::kvhost
