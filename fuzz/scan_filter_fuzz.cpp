// The scan filter a shell reads from a file or resource: any bytes must read or be refused,
// never crash, and a filter that was read must keep its limits and write out the same filter
// it reads back.
#include "korvane/scan/scan_filter.h"

#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

using namespace kvKorvaneV10_0_3;

namespace {

std::string Written(const KSC::KCScanFilter& filter) {
    XML::CXMLElement element("ScanFilter", "");
    filter.WriteToXML(&element);
    std::string text;
    if (XML::CXMLTreeBuilder(element).WriteToString(text) != eNoErr) {
        std::abort();
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > std::numeric_limits<unsigned int>::max()) {
        return 0;
    }
    KSC::KCScanFilter filter;
    if (filter.ReadFromXMLBytes(reinterpret_cast<const char*>(data),
                                static_cast<unsigned int>(size)) != eNoErr) {
        return 0;
    }
    if (filter.GetFolderSearchDepth() < 0 || filter.GetFolderSearchDepth() > KSC::kMaxScanDepth) {
        std::abort();  // the walk's depth is always bounded
    }
    XML::CXMLElement element("ScanFilter", "");
    filter.WriteToXML(&element);
    KSC::KCScanFilter back;
    back.ReadFromXML(&element);
    if (Written(back) != Written(filter)) {
        std::abort();  // what is written reads back as the same filter
    }
    return 0;
}
