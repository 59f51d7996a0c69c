// Opens the plug-in's PDF documentation with the desktop's opener (xdg-open).
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

#include <string>

namespace kvKorvaneV10_0_3 {

// Opens "<folder>/<name>.pdf" with xdg-open, detached in its own session and without this
// process's descriptors past 0-2: it never waits for the viewer. On failure `message` holds
// what to tell the user:
// - eFMFileNotFound, "The plug-in documentation file '<name>.pdf' is missing.";
// - eAppLaunchFailed, "Documentation viewer (PDF) is not installed", when there is no xdg-open
//   on PATH to start.
// eNoErr and an empty message otherwise. [gui-thread]
KORVANE_API KTErr LaunchHelpFile(const std::string& folder, const char* name, std::string& message);

}  // namespace kvKorvaneV10_0_3
