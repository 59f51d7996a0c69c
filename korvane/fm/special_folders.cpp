// Special folders mapped onto the XDG base directories and the usual Linux places, the cache
// location of a file, and indicator folders read from the locations files.
#include "korvane/fm/special_folders.h"

#include "korvane/fm/file_io.h"
#include "korvane/fm/path.h"
#include "korvane/fm/path_ref.h"
#include "korvane/fm/path_ref_impl.h"
#include "korvane/fm/platform/os_file.h"

#include <boost/filesystem.hpp>

#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::FM {

namespace {

constexpr const char* kFolderNames[] = {
    "eSystemFolder",
    "eDesktopFolder",
    "ePreferencesFolder",
    "eKorvanePreferencesFolder",
    "eTemporaryFolder",
    "eTrashFolder",
    "eCurrentFolder",
    "eRootFolder",
    "eLibrariesFolder",
    "eAudioComponentsFolder",
    "eCacheFolder",
    "eKorvaneCacheFolder",
    "eAppDataFolder",
    "eKorvaneAppDataFolder",
    "eSharedUserDataFolder",
    "eKorvaneSharedUserDataFolder",
    "eKorvaneScanViewFolder",
    "eKorvanePreferencesFolder2",
    "eKorvaneFulcrixConfigFolder",
    "eKorvaneUserLogsFolder",
};

constexpr const char* kDomainNames[] = {"eSystemDomain", "eLocalDomain", "eUserDomain",
                                        "eUserLocalDomain"};

constexpr const char* kDefaultSystemBase = "/var/lib";
constexpr const char* kDefaultSharedBase = "/usr/local/share";
constexpr const char* kLocationsFile = "Korvane Audio/Preferences/Locations.conf";

struct KSIndicator {
    const char* indicator;
    const char* value;
};

constexpr KSIndicator kIndicators[] = {
    {"MainInstallationFolder", "LocationKorvane"},
    {"MainPluginFolder", "Location"},
    {"V9PluginFolder", "LocationV9"},
    {"KPAPIShellsFolder", "LocationKPAPI"},
    {"RackelloModulesFolder", "LocationRackelloModules"},
    {"GrStudioModulesFolder", "LocationGrStudioModules"},
    {"GrForVenueModulesFolder", "LocationGrforVenueModules"},
    {"MovMX1ModulesFolder", "LocationMovaraMX1Modules"},
    {"V10PluginFolder", "LocationV10"},
};

// An environment variable holding an absolute path, else "" (relative values are ignored, as
// the XDG rules say).
std::string AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && value[0] == '/') ? std::string(value) : std::string();
}

std::string Home() {
    std::string home = AbsoluteEnv("HOME");
    return home.empty() ? platform::HomeFromUserDatabase() : home;
}

// $VAR, else $HOME/fallback; "" when neither is known.
std::string XdgBase(const char* var, const char* fallback) {
    std::string base = AbsoluteEnv(var);
    if (!base.empty()) {
        return base;
    }
    const std::string home = Home();
    return home.empty() ? std::string() : home + "/" + fallback;
}

std::string SystemBase() {
    const std::string base = AbsoluteEnv("KORVANE_SYSTEM_DATA_DIR");
    return base.empty() ? kDefaultSystemBase : base;
}

std::string SharedBase() {
    std::string base = AbsoluteEnv("KORVANE_SHARED_DATA_DIR");
    if (!base.empty()) {
        return base;
    }
    if (const char* dirs = std::getenv("XDG_DATA_DIRS"); dirs != nullptr && dirs[0] == '/') {
        const std::string_view list(dirs);
        return std::string(list.substr(0, list.find(':')));
    }
    return kDefaultSharedBase;
}

bool IsDataKind(KESystemFolders folder) {
    switch (folder) {
        case ePreferencesFolder:
        case eKorvanePreferencesFolder:
        case eCacheFolder:
        case eKorvaneCacheFolder:
        case eAppDataFolder:
        case eKorvaneAppDataFolder:
        case eKorvaneScanViewFolder:
        case eKorvanePreferencesFolder2:
        case eKorvaneFulcrixConfigFolder:
        case eKorvaneUserLogsFolder:
            return true;
        default:
            return false;
    }
}

const char* SubFolderOf(KESystemFolders folder) {
    switch (folder) {
        case eKorvanePreferencesFolder:
        case eKorvanePreferencesFolder2:
            return "Korvane Audio/Preferences";
        case eKorvaneCacheFolder:
            return "Korvane Audio/Caches";
        case eKorvaneAppDataFolder:
        case eKorvaneSharedUserDataFolder:
            return "Korvane Audio";
        case eKorvaneScanViewFolder:
            return "Korvane Audio/ScanView";
        case eKorvaneFulcrixConfigFolder:
            return "Korvane Audio/Fulcrix";
        case eKorvaneUserLogsFolder:
            return "Korvane Audio/Logs";
        default:
            return "";
    }
}

// The base folder of a data kind in a domain; "" when there is none.
std::string DataBase(KEFoldersDomain domain, KESystemFolders folder) {
    const bool cache = folder == eCacheFolder || folder == eKorvaneCacheFolder;
    switch (domain) {
        case eLocalDomain:
            return SystemBase();
        case eUserDomain:
            return cache ? XdgBase("XDG_CACHE_HOME", ".cache")
                         : XdgBase("XDG_CONFIG_HOME", ".config");
        case eUserLocalDomain:
            return cache ? XdgBase("XDG_CACHE_HOME", ".cache")
                         : XdgBase("XDG_DATA_HOME", ".local/share");
        default:
            return {};
    }
}

// The folder's full path without creating anything; "" with an error when unavailable.
[[nodiscard]] KTErr ResolveFolder(KEFoldersDomain domain, KESystemFolders folder, std::string& out,
                                  bool& create) {
    out.clear();
    create = false;
    if (folder < eSystemFolder || folder > eKorvaneUserLogsFolder) {
        return eFMNoSuchSystemFolder;
    }
    std::string base;
    if (IsDataKind(folder)) {
        base = DataBase(domain, folder);
        create = true;
    } else {
        switch (folder) {
            case eSystemFolder:
                base = "/usr/lib";
                break;
            case eDesktopFolder:
                if (domain == eUserDomain) {
                    base = AbsoluteEnv("XDG_DESKTOP_DIR");
                    if (base.empty() && !Home().empty()) {
                        base = Home() + "/Desktop";
                    }
                }
                break;
            case eTemporaryFolder:
                base = AbsoluteEnv("TMPDIR");
                if (base.empty()) {
                    base = "/tmp";
                }
                break;
            case eCurrentFolder: {
                boost::system::error_code ec;
                base = boost::filesystem::current_path(ec).string();
                if (ec) {
                    base.clear();
                }
                break;
            }
            case eRootFolder:
                base = domain == eUserDomain ? Home() : "/";
                break;
            case eSharedUserDataFolder:
            case eKorvaneSharedUserDataFolder:
                base = SharedBase();
                break;
            default:  // trash, libraries, audio components: no such folder here
                break;
        }
    }
    if (base.empty()) {
        return eFMNoSuchSystemFolder;
    }
    const char* sub = SubFolderOf(folder);
    out = sub[0] == 0 ? base : base + "/" + sub;
    return eNoErr;
}

// The value of `key` in a "key = value" file; "" when the file or the key is missing.
std::string ReadLocation(const std::string& file, const char* key) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#' || line[first] == ';') {
            continue;
        }
        const auto eq = line.find('=', first);
        if (eq == std::string::npos) {
            continue;
        }
        std::string name = line.substr(first, eq - first);
        name.erase(name.find_last_not_of(" \t") + 1);
        if (name != key) {
            continue;
        }
        std::string value = line.substr(eq + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        const auto last = value.find_last_not_of(" \t\r");
        value.erase(last == std::string::npos ? 0 : last + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (!value.empty()) {
            return value;
        }
    }
    return {};
}

}  // namespace

const char* KESystemFoldersName(int folder) {
    return (folder >= 0 && folder < static_cast<int>(std::size(kFolderNames)))
               ? kFolderNames[folder]
               : "Unknown System Folder";
}

const char* KEFoldersDomainName(int domain) {
    return (domain >= 0 && domain < static_cast<int>(std::size(kDomainNames)))
               ? kDomainNames[domain]
               : "Unknown Folder Domain";
}

KTErr CreateSystemFolderPathRef(KEFoldersDomain domain, KESystemFolders folder, KTPathType*& out) {
    out = nullptr;
    try {
        std::string path;
        bool create = false;
        KTErr err = ResolveFolder(domain, folder, path, create);
        if (err != eNoErr) {
            return err;
        }
        err = detail::NewPathRef(path, out);
        if (err == eNoErr && create) {
            // A folder the process may not make (a system one for a user) is still reported;
            // writing into it will say why.
            (void)CreateFolder(out);
        }
        return err;
    } catch (const std::exception&) {
        // Cleanup after the error being returned.
        (void)DisposePathRef(out);
        return eMemNewFailed;
    }
}

KTErr CreatePathRefToCacheFile(const KTPathType* file, KTPathType*& out) {
    out = nullptr;
    if (file == nullptr) {
        return eMemNullPointer;
    }
    if (!IsValid(file)) {
        return eFMIllegalPathRef;
    }
    try {
        std::string cache;
        bool create = false;
        const KTErr err = ResolveFolder(eUserDomain, eKorvaneCacheFolder, cache, create);
        if (err != eNoErr) {
            return err;
        }
        // The file's own absolute path below the cache folder keeps every file's cache apart.
        return detail::NewPathRef(cache + file->path, out);
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
}

bool IsValidIndicator(const char* indicator) {
    if (indicator == nullptr) {
        return false;
    }
    for (const auto& entry : kIndicators) {
        if (std::strcmp(entry.indicator, indicator) == 0) {
            return true;
        }
    }
    return false;
}

KTErr GetPathFromIndicator(const char* indicator, KCStPath& out) {
    out.Clear();
    if (indicator == nullptr) {
        return eMemNullPointer;
    }
    const char* key = nullptr;
    for (const auto& entry : kIndicators) {
        if (std::strcmp(entry.indicator, indicator) == 0) {
            key = entry.value;
        }
    }
    if (key == nullptr) {
        return eFMWrongParameters;
    }
    try {
        std::string value;
        const std::string userBase = XdgBase("XDG_CONFIG_HOME", ".config");
        if (!userBase.empty()) {
            value = ReadLocation(userBase + "/" + kLocationsFile, key);
        }
        if (value.empty()) {
            value = ReadLocation(SystemBase() + "/" + kLocationsFile, key);
        }
        if (value.empty()) {
            return eValueNotFound;
        }
        if (value.size() < 4) {
            return eMemNullPointer;
        }
        out = KCStPath(value.c_str());
        return out.GetError();
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
}

}  // namespace kvKorvaneV10_0_3::FM
