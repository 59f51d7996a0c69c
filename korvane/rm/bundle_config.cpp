// Reading a bundle's resource configuration. yaml-cpp throws on bad input; nothing escapes.
#include "korvane/rm/bundle_config.h"

#include <yaml-cpp/yaml.h>

#include <exception>
#include <locale>
#include <sstream>
#include <vector>

namespace kvKorvaneV10_0_3::RM {

namespace {

constexpr std::size_t kMaxType = 31;
constexpr std::size_t kMaxExtension = 15;

bool IsSafeComponent(const std::string& s) {
    return !s.empty() && s != "." && s != ".." && s.find_first_of("/\\") == std::string::npos &&
           s.find('\0') == std::string::npos;
}

// A relative path whose every component stays below the folder it starts in.
bool IsSafeRelativePath(const std::string& s) {
    if (s.empty() || s.front() == '/') {
        return false;
    }
    std::size_t start = 0;
    while (start <= s.size()) {
        const std::size_t end = std::min(s.find('/', start), s.size());
        if (!IsSafeComponent(s.substr(start, end - start))) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

[[nodiscard]] KTErr CheckType(const std::string& type) {
    if (type.size() > kMaxType) {
        return eInvalidFileFormatProblem;
    }
    return IsSafeComponent(type) ? eNoErr : eRMInvalidResID;
}

[[nodiscard]] KTErr AddExtension(KSBundleConfig& out, const std::string& type, std::string ext) {
    if (const KTErr err = CheckType(type); err != eNoErr) {
        return err;
    }
    if (!ext.empty() && ext.front() == '.') {
        ext.erase(0, 1);
    }
    if (ext.size() > kMaxExtension) {
        return eInvalidFileFormatProblem;
    }
    if (!ext.empty() && !IsSafeComponent(ext)) {
        return eRMInvalidResID;
    }
    out.extensions[type] = ext;
    return eNoErr;
}

[[nodiscard]] KTErr ReadExtensions(const YAML::Node& node, KSBundleConfig& out) {
    if (node.IsNull()) {
        return eNoErr;
    }
    if (!node.IsMap()) {
        return eInvalidFileFormatProblem;
    }
    for (const auto& item : node) {
        if (!item.first.IsScalar() || !item.second.IsScalar()) {
            return eInvalidFileFormatProblem;
        }
        if (const KTErr err =
                AddExtension(out, item.first.as<std::string>(), item.second.as<std::string>());
            err != eNoErr) {
            return err;
        }
    }
    return eNoErr;
}

[[nodiscard]] KTErr ReadRedirection(const YAML::Node& node, KSBundleConfig& out) {
    if (node.IsNull()) {
        return eNoErr;
    }
    if (!node.IsMap()) {
        return eInvalidFileFormatProblem;
    }
    for (const auto& typeItem : node) {
        if (!typeItem.first.IsScalar() || !typeItem.second.IsMap()) {
            return eInvalidFileFormatProblem;
        }
        const auto type = typeItem.first.as<std::string>();
        if (const KTErr err = CheckType(type); err != eNoErr) {
            return err;
        }
        auto& names = out.redirection[type];
        for (const auto& item : typeItem.second) {
            if (!item.first.IsScalar() || !item.second.IsScalar()) {
                return eInvalidFileFormatProblem;
            }
            const auto name = item.first.as<std::string>();
            const auto target = item.second.as<std::string>();
            if (!IsSafeComponent(name) || !IsSafeRelativePath(target)) {
                return eRMInvalidResID;
            }
            names[name] = target;
        }
    }
    return eNoErr;
}

}  // namespace

KTErr ParseBundleConfigYAML(const std::string& text, KSBundleConfig& out) {
    try {
        const YAML::Node root = YAML::Load(text);
        if (root.IsNull()) {
            return eNoErr;
        }
        if (!root.IsMap()) {
            return eInvalidFileFormatProblem;
        }
        for (const auto& item : root) {
            if (!item.first.IsScalar()) {
                return eInvalidFileFormatProblem;
            }
            const auto key = item.first.as<std::string>();
            KTErr err = eNoErr;
            if (key == "Extensions") {
                err = ReadExtensions(item.second, out);
            } else if (key == "Redirection") {
                err = ReadRedirection(item.second, out);
            } else {
                err = eFMWrongParameters;
            }
            if (err != eNoErr) {
                return err;
            }
        }
        return eNoErr;
    } catch (const YAML::Exception&) {
        return eInvalidFileFormatProblem;
    } catch (const std::bad_alloc&) {
        return eMemOutOfMemory;
    } catch (const std::exception&) {
        return eInvalidFileFormatProblem;
    }
}

KTErr ParseBundleExtensionsText(const std::string& text, KSBundleConfig& out) {
    std::istringstream in(text);
    // Tokens split the same whatever global locale the host set.
    in.imbue(std::locale::classic());
    std::vector<std::string> tokens;
    for (std::string token; in >> token;) {
        tokens.push_back(token);
    }
    if (tokens.size() % 2 != 0) {
        return eInvalidFileFormatProblem;
    }
    for (std::size_t i = 0; i < tokens.size(); i += 2) {
        if (tokens[i + 1].size() > kMaxExtension) {
            return eInvalidFileFormatProblem;
        }
        if (const KTErr err = AddExtension(out, tokens[i], tokens[i + 1]); err != eNoErr) {
            return err;
        }
    }
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::RM
