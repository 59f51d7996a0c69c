// Preset file descriptions and the format helpers.
#include "korvane/presets/presets_file_info.h"

namespace kvKorvaneV10_0_3::Preset {

EPresetsFormat SwitchFormat(EPresetsFormat format) {
    switch (format) {
        case ePresetsFormatLegacy1:
            return ePresetsFormatLegacy2;
        case ePresetsFormatLegacy2:
            return ePresetsFormatLegacy1;
        default:
            return ePresetsFormatNone;
    }
}

bool IsValidFormat(EPresetsFormat format) {
    return format >= ePresetsFormatLegacy2 && format <= ePresetsFormatYPS;
}

bool IsFileFormatSupported(EPresetsFormat format) {
    return format >= ePresetsFormatResource && format <= ePresetsFormatYPS;
}

CPresetsFileInfo::CPresetsFileInfo(const FM::KCStPath& path, EPresetsFormat format, bool valid)
    : FM::KCStPath(path), m_format(format), m_valid(valid) {}

CPresetsFileInfo::~CPresetsFileInfo() = default;

bool CPresetsFileInfo::IsValidPresetFile() const {
    return IsValid() && IsExist() && IsValidFormat(m_format) && m_valid;
}

bool CPresetsFileInfo::operator==(const CPresetsFileInfo& other) const {
    return m_format == other.m_format && FM::KCStPath::operator==(other);
}

}  // namespace kvKorvaneV10_0_3::Preset
