#include "korvane/gui/ir_file_browse.h"

#include <utility>

namespace kvKorvaneV10_0_3 {

namespace {

KTIRFileBrowser& Browser() {
    static KTIRFileBrowser browser;
    return browser;
}

}  // namespace

void SetIRFileBrowser(KTIRFileBrowser browser) {
    Browser() = std::move(browser);
}

KSIRFileBrowseRequest MakeIRFileBrowseRequest(const char* startFolder) {
    KSIRFileBrowseRequest request;
    request.title = "Select Impulse Response";
    request.filters = {
        {"Wave files", "*.wav;*.wave"}, {"Impulse response files", "*.kvir"}, {"All files", "*"}};
    request.startFolder = startFolder != nullptr ? startFolder : "";
    return request;
}

KTErr CustomBrowseIRFile(KCFixedString<1023>& chosen, const char* startFolder) {
    // A copy, so that a browser that replaces itself while it runs stays alive until it returns.
    const KTIRFileBrowser browser = Browser();
    KCFixedString<1023> file;
    if (!browser || !browser(MakeIRFileBrowseRequest(startFolder), file) || file.empty()) {
        return eUserCanceled;
    }
    chosen = file;
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3
