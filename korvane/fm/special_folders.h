// Special folders of the system and the library's own folders below them, the cache-file
// location of a file, and the indicator folders named in the locations file.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/fm/fm_types.h"

namespace kvKorvaneV10_0_3::FM {

class KCStPath;

// The folder for (domain, folder) as tabled in docs/platform.md; the Korvane data folders are
// created when missing. eFMNoSuchSystemFolder when the platform has no such folder or a base
// cannot be found. [any-thread]
[[nodiscard]] KORVANE_API KTErr CreateSystemFolderPathRef(KEFoldersDomain domain,
                                                          KESystemFolders folder, KTPathType*& out);

// True for a known indicator name ("MainPluginFolder", ...). [any-thread]
KORVANE_API bool IsValidIndicator(const char* indicator);
// The folder the locations file names for the indicator, the per-user file before the
// system-wide one. Unknown indicator: eFMWrongParameters; no value: eValueNotFound; a value
// under 4 characters: eMemNullPointer; otherwise the path's own error. [any-thread]
[[nodiscard]] KORVANE_API KTErr GetPathFromIndicator(const char* indicator, KCStPath& out);

}  // namespace kvKorvaneV10_0_3::FM
