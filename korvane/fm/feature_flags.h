// KCFeatureFlagsScanner: per-user switches for optional behaviour, read from
// "FeatureFlags.yaml" in the user's Korvane preferences folder. A missing, unreadable or
// malformed file never fails a caller: every question then gets the caller's default.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/fm/path.h"

#include <cstddef>
#include <cstdint>

namespace kvKorvaneV10_0_3 {

// The largest flags file read; a larger one (or anything but a regular file) counts as absent.
inline constexpr std::uint64_t kFeatureFlagsMaxFileSize = 64 * 1024;

// Looks `name` up in the text of a flags file: the root mapping's "FeatureFlags" mapping, an
// entry that is a scalar. True with the value (cut to 63 bytes at a UTF-8 character boundary)
// when found; false, `value` untouched, for anything else, a YAML error included. [any-thread]
KORVANE_API bool FindFeatureFlagValue(const char* text, std::size_t size, const char* name,
                                      KCFixedString<63>& value);

// The path and whether the file existed are fixed at construction; the file itself is read
// afresh on every question, so edits to an existing file are seen at once. [any-thread] on
// distinct objects; one object may be asked from several threads (it is not changed).
class KORVANE_API KCFeatureFlagsScanner {
public:
    KCFeatureFlagsScanner();
    virtual ~KCFeatureFlagsScanner();
    KCFeatureFlagsScanner(const KCFeatureFlagsScanner&) = default;
    KCFeatureFlagsScanner& operator=(const KCFeatureFlagsScanner&) = default;

    // The value text, or `defaultValue` (null reads as "").
    [[nodiscard]] KCFixedString<63> GetFeatureValue(const char* name,
                                                    const char* defaultValue) const;
    // "False", "No", "Off" -> false; "True", "Yes", "On" -> true (any case); else the default.
    [[nodiscard]] bool IsFeatureFlagEnabled(const char* name, bool defaultValue) const;

    [[nodiscard]] const FM::KCStPath& GetFilePath() const { return m_filePath; }
    [[nodiscard]] bool FileExisted() const { return m_fileExists; }

protected:
    // Builds the user preferences folder (created when missing) and the file path in it, and
    // records whether the file exists. The path's error when the folder or file path is invalid.
    [[nodiscard]] KTErr SetFeatureFlagFilePath();

private:
    FM::KCStPath m_filePath;
    bool m_fileExists = false;
    FM::KCStPath m_folder;
};

}  // namespace kvKorvaneV10_0_3
