// Scan view YAML from outside: any bytes give a scan view or a clean error, never an exception
// or a crash. A scan view that was read is written, and what it writes reads back to the same
// lists and the same text; its checks answer for any path and GUID.
#include "korvane/scan/scan_view_spec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace kvKorvaneV10_0_3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    KSC::KCScanViewSpec view;
    if (view.ReadScanViewSpecFromString(text) != eNoErr) {
        if (!view.empty()) {
            std::abort();  // a failed read leaves the scan view alone
        }
        return 0;
    }
    std::string written;
    if (view.WriteScanViewSpecToString(written) != eNoErr) {
        std::abort();
    }
    KSC::KCScanViewSpec back;
    std::string again;
    if (back.ReadScanViewSpecFromString(written) != eNoErr ||
        back.WriteScanViewSpecToString(again) != eNoErr || again != written) {
        std::abort();  // the written form is stable
    }
    if (back.GetFolders() != view.GetFolders() || back.GetIncludeOnly() != view.GetIncludeOnly() ||
        back.GetExclude() != view.GetExclude() ||
        back.GetIncludeGUIDs() != view.GetIncludeGUIDs() ||
        back.GetExcludeGUIDs() != view.GetExcludeGUIDs()) {
        std::abort();  // and holds what was read
    }

    // The input's own bytes as a path and a GUID.
    const KCFixedString<1023> path(text.c_str());
    KCFixedString<255> pattern;
    if (view.ShouldPathBeExcluded(path, pattern) && pattern.empty()) {
        std::abort();  // an exclusion always names its pattern
    }
    (void)view.ShouldPathBeIncluded(path, pattern);
    (void)view.GetPathRejectBits(path);
    (void)view.ShouldGUIDBeExcluded(KCFixedString<63>(text.c_str()));
    (void)view.ShouldGUIDBeIncluded(KCFixedString<63>(text.c_str()));
    return 0;
}
