// Preset::CPresetsFileInfo: the description of one preset file (path, format, validity, and the
// text buffer of presets held in memory).
#pragma once

#include "korvane/core/export.h"
#include "korvane/fm/path.h"
#include "korvane/presets/preset_types.h"

#include <string>

namespace kvKorvaneV10_0_3::Preset {

// 1 <-> 2; anything else 0. [any-thread]
KORVANE_API EPresetsFormat SwitchFormat(EPresetsFormat format);
// 2 to 6. [any-thread]
KORVANE_API bool IsValidFormat(EPresetsFormat format);
// 3 to 6: what this library reads and writes. [any-thread]
KORVANE_API bool IsFileFormatSupported(EPresetsFormat format);

// [any-thread] on distinct objects.
class KORVANE_API CPresetsFileInfo : public FM::KCStPath {
public:
    CPresetsFileInfo() = default;
    CPresetsFileInfo(const FM::KCStPath& path, EPresetsFormat format, bool valid = true);
    CPresetsFileInfo(const CPresetsFileInfo&) = default;
    CPresetsFileInfo& operator=(const CPresetsFileInfo&) = default;
    ~CPresetsFileInfo() override;

    void SetPath(const FM::KCStPath& path) { FM::KCStPath::operator=(path); }
    [[nodiscard]] EPresetsFormat GetFormat() const { return m_format; }
    void SetFormat(EPresetsFormat format) { m_format = format; }
    [[nodiscard]] bool GetValid() const { return m_valid; }
    void SetValid(bool valid) { m_valid = valid; }
    // The XML text of format 5.
    [[nodiscard]] const std::string& GetText() const { return m_text; }
    std::string& Text() { return m_text; }
    void SetText(std::string text) { m_text = std::move(text); }
    // The path exists, the format is valid and the validity flag is set.
    [[nodiscard]] bool IsValidPresetFile() const;
    [[nodiscard]] bool IsFileFormatSupported() const {
        return Preset::IsFileFormatSupported(m_format);
    }
    bool operator==(const CPresetsFileInfo& other) const;

private:
    EPresetsFormat m_format = ePresetsFormatNone;
    bool m_valid = false;
    std::string m_text;
};

}  // namespace kvKorvaneV10_0_3::Preset
