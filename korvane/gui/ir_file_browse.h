// The impulse-response file browser of the plug-ins that load impulse responses. The dialog
// belongs to the view: the library hands the request to a replaceable browser, and without one
// (no display, or a GUI drawn headless) the answer is "cancelled".
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <functional>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

// What the browser is asked to show. Plain value: [any-thread] on distinct objects.
struct KSIRFileBrowseRequest {
    struct Filter {
        std::string name;      // "Wave files"
        std::string patterns;  // "*.wav;*.wave"
    };
    std::string title;
    std::vector<Filter> filters;
    KCFixedString<1023> startFolder;  // empty: the browser's own choice
};

// Shows the request; true with the chosen file, false when the user cancelled.
using KTIRFileBrowser = std::function<bool(const KSIRFileBrowseRequest&, KCFixedString<1023>&)>;

// Replaces the browser; an empty one cancels every request. [gui-thread]
KORVANE_API void SetIRFileBrowser(KTIRFileBrowser browser);
// The request CustomBrowseIRFile makes: titled "Select Impulse Response", offering wave files
// and the library's own impulse-response files (".kvir"), then every file.
KORVANE_API KSIRFileBrowseRequest MakeIRFileBrowseRequest(const char* startFolder);
// Asks for an impulse-response file: eNoErr with `chosen` set, eUserCanceled when cancelled or
// no browser is set (`chosen` is then left alone). [gui-thread]
KORVANE_API KTErr CustomBrowseIRFile(KCFixedString<1023>& chosen, const char* startFolder = "");

}  // namespace kvKorvaneV10_0_3
