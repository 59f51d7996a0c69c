#include "korvane/fm/feature_flags.h"

#include "korvane/core/mem_obj.h"
#include "korvane/fm/file_io.h"

#include <yaml-cpp/yaml.h>

#include <cstring>
#include <string>

namespace kvKorvaneV10_0_3 {

namespace {

constexpr const char* kFileName = "FeatureFlags.yaml";

}  // namespace

bool FindFeatureFlagValue(const char* text, std::size_t size, const char* name,
                          KCFixedString<63>& value) {
    if (text == nullptr || name == nullptr) {
        return false;
    }
    try {
        const YAML::Node root = YAML::Load(std::string(text, size));
        if (!root.IsMap()) {
            return false;
        }
        const YAML::Node flags = root["FeatureFlags"];
        if (!flags || !flags.IsMap()) {
            return false;
        }
        const YAML::Node entry = flags[name];
        if (!entry || !entry.IsScalar()) {
            return false;
        }
        const std::string& scalar = entry.Scalar();
        value.assign(scalar.data(), static_cast<unsigned int>(KUUtf8CutLength(scalar, 63)));
        return true;
    } catch (const YAML::Exception&) {
        return false;
    } catch (const std::exception&) {
        return false;  // out of memory on a hostile nesting depth
    }
}

KCFeatureFlagsScanner::KCFeatureFlagsScanner() {
    // An unusable folder leaves the existence flag false: every question gets its default.
    (void)SetFeatureFlagFilePath();
}

KCFeatureFlagsScanner::~KCFeatureFlagsScanner() = default;

KTErr KCFeatureFlagsScanner::SetFeatureFlagFilePath() {
    m_fileExists = false;
    FM::KCStPath folder(FM::eUserDomain, FM::eKorvanePreferencesFolder);
    int err = eNoErr;
    if (!folder.IsValid(err)) {
        return err;
    }
    FM::KCStPath file(folder, kFileName);
    if (!file.IsValid(err)) {
        return err;
    }
    m_folder = std::move(folder);
    m_filePath = std::move(file);
    m_fileExists = m_filePath.IsExist();
    return eNoErr;
}

KCFixedString<63> KCFeatureFlagsScanner::GetFeatureValue(const char* name,
                                                         const char* defaultValue) const {
    KCFixedString<63> result(defaultValue != nullptr ? defaultValue : "");
    if (!m_fileExists || name == nullptr) {
        return result;
    }
    // Regular files only and capped: a FIFO or a device at the path must not block the caller.
    Utils::KCStMemObj bytes;
    if (FM::ReadFileInsideFolder(m_folder.GetPathRef(), kFileName, kFeatureFlagsMaxFileSize,
                                 bytes) != eNoErr) {
        return result;
    }
    (void)FindFeatureFlagValue(static_cast<const char*>(bytes.ptr), bytes.size, name, result);
    return result;
}

bool KCFeatureFlagsScanner::IsFeatureFlagEnabled(const char* name, bool defaultValue) const {
    const KCFixedString<63> value = GetFeatureValue(name, defaultValue ? "True" : "False");
    for (const char* off : {"False", "No", "Off"}) {
        if (value.case_insensitive_compare(off) == 0) {
            return false;
        }
    }
    for (const char* on : {"True", "Yes", "On"}) {
        if (value.case_insensitive_compare(on) == 0) {
            return true;
        }
    }
    return defaultValue;
}

}  // namespace kvKorvaneV10_0_3
