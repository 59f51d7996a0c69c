// Where a shell's scan view comes from: the three scan view files in the user's folders, the
// shell's own resource, and the order in which they are tried (see docs/scan_views.md).
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_container_type.h"
#include "korvane/scan/scan_view_spec.h"

#include <functional>
#include <string>

namespace kvKorvaneV10_0_3::KSC {

// The resource type a shell keeps its own scan view under.
inline constexpr const char* kScanViewResourceType = "ScanFilter";

// The names the scan view files are made of.
struct KSScanViewFileNames {
    KCFixedString<255> containerLeaf;  // leaf name of the shell's resource container
    KCFixedString<255> fileTag;        // the folder scanner's scan view file tag
    KCFixedString<255> indicator;      // the scan filter's plug-in folder indicator
    KCFixedString<255> branch;         // the scan filter's branch name
};

// Each name part is refused with eFMWrongParameters when it holds '/' or "..", and so is an
// empty (or null) container leaf or indicator; `out` is kept then. Other failures are those of
// the special folders and paths.
// The user's preferences folder, then containerLeaf + fileTag + "_ScanView.txt". [any-thread]
[[nodiscard]] KORVANE_API KTErr GetPathToSpecificScanViewFile(const char* containerLeaf,
                                                              const char* fileTag,
                                                              FM::KCStPath& out);
// The user's scan view folder, then branch + "Release_" + indicator + "_ScanView.txt".
// [any-thread]
[[nodiscard]] KORVANE_API KTErr GetPathToBranchScanViewFile(const char* branch,
                                                            const char* indicator,
                                                            FM::KCStPath& out);
// The user's preferences folder, then indicator + "_ScanView.txt". [any-thread]
[[nodiscard]] KORVANE_API KTErr GetPathToMajorVersionScanViewFile(FM::KCStPath& out,
                                                                  const char* indicator);

// Where FindAndReadScanViewFromFile found the scan view.
enum KEScanViewSource : int {
    eScanViewNotFound = 0,
    eScanViewSpecificFile,
    eScanViewResource,
    eScanViewBranchFile,
    eScanViewMajorVersionFile,
};

// Reads the shell's own scan view into `view`; a KTErr as KCScanViewSpec's readers give.
using KTScanViewResourceReader = std::function<KTErr(KCScanViewSpec& view)>;
// Hears one line of the search at a time (the texts the scan trace prints).
using KTScanViewTrace = std::function<void(const std::string& line)>;

// The reader of the resource (kScanViewResourceType, id) of the container. [any-thread]
KORVANE_API KTScanViewResourceReader ScanViewResourceReader(KTResContainerType* container,
                                                            short id);

// The shell's scan view, first success wins: the specific file, the shell's resource (when a
// reader is given), the branch file, the major version file. A source that is missing or does
// not read correctly is passed over. When the major version file is used and no specific file
// exists yet, the scan view is written to the specific file, which then becomes the scan view's
// file, so that the next search stops at the first step. Nothing found: the scan view is cleared
// and eFMFileNotFound returned. `source`, when given, says which step won. [any-thread]
[[nodiscard]] KORVANE_API KTErr
FindAndReadScanViewFromFile(const KSScanViewFileNames& names, KCScanViewSpec& view,
                            const KTScanViewResourceReader& resource = {},
                            const KTScanViewTrace& trace = {}, KEScanViewSource* source = nullptr);

}  // namespace kvKorvaneV10_0_3::KSC
