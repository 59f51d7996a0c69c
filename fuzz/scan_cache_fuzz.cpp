// The scan cache file a host reads at its start: any bytes must read or be refused, never
// crash, and a cache that was read must write out a text that reads back the same.
#include "korvane/scan/scan_cache.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace kvKorvaneV10_0_3;

namespace {

// Reads `text`; when it reads, what is written from it must read back to the same text.
void Check(const std::string& text) {
    KSC::KTScanCacheGroups groups;
    if (!KSC::ReadScanCacheText(text.data(), text.size(), groups)) {
        if (!groups.empty()) {
            std::abort();  // a refused file gives no entries at all
        }
        return;
    }
    const std::string written = KSC::WriteScanCacheText(groups);
    KSC::KTScanCacheGroups back;
    if (!KSC::ReadScanCacheText(written.data(), written.size(), back) ||
        KSC::WriteScanCacheText(back) != written) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    Check(text);
    // Almost every changed byte breaks the checksum alone; the same bytes with their last line
    // made anew reach the record and field readers.
    const std::size_t last =
        text.size() < 2 ? std::string::npos : text.find_last_of('\n', text.size() - 2);
    if (last != std::string::npos && std::string_view(text).substr(last + 1).starts_with("end\t")) {
        text.resize(last + 1);
    } else if (!text.empty() && text.back() != '\n') {
        text += '\n';
    }
    char sum[24];
    const auto [end, ec] = std::to_chars(sum, sum + sizeof sum, KSC::ScanCacheChecksum(text));
    text += "end\t";
    text.append(sum, end);
    text += '\n';
    Check(text);
    return 0;
}
