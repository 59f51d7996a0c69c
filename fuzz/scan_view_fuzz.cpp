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
    KSC::KCScanViewSpec spec;
    if (spec.ReadScanViewSpecFromString(text) != eNoErr) {
        if (!spec.empty()) {
            std::abort();  // a failed read leaves the spec alone
        }
        return 0;
    }
    std::string written;
    if (spec.WriteScanViewSpecToString(written) != eNoErr) {
        std::abort();
    }
    KSC::KCScanViewSpec back;
    std::string again;
    if (back.ReadScanViewSpecFromString(written) != eNoErr ||
        back.WriteScanViewSpecToString(again) != eNoErr || again != written) {
        std::abort();  // the written form is stable
    }
    if (back.GetFolders() != spec.GetFolders() || back.GetIncludeOnly() != spec.GetIncludeOnly() ||
        back.GetExclude() != spec.GetExclude() ||
        back.GetIncludeGUIDs() != spec.GetIncludeGUIDs() ||
        back.GetExcludeGUIDs() != spec.GetExcludeGUIDs()) {
        std::abort();  // and holds what was read
    }

    // The input's own bytes as a path and a GUID.
    const KCFixedString<1023> path(text.c_str());
    KCFixedString<255> pattern;
    if (spec.ShouldPathBeExcluded(path, pattern) && pattern.empty()) {
        std::abort();  // an exclusion always names its pattern
    }
    (void)spec.ShouldPathBeIncluded(path, pattern);
    (void)spec.GetPathRejectBits(path);
    (void)spec.ShouldGUIDBeExcluded(KCFixedString<63>(text.c_str()));
    (void)spec.ShouldGUIDBeIncluded(KCFixedString<63>(text.c_str()));
    return 0;
}
