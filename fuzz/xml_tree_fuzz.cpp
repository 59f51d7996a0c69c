// XML from outside (presets, descriptions, caches): any bytes build a tree or fail cleanly, and
// any tree the builder makes must write text that reads back to a tree writing the same bytes.
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace kvKorvaneV10_0_3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    if (builder.BuildFromSingleBuffer(reinterpret_cast<const char*>(data),
                                      static_cast<unsigned int>(size)) != eNoErr) {
        return 0;
    }
    std::string first;
    if (builder.WriteToString(first) != eNoErr) {
        return 0;
    }
    XML::CXMLElement again;
    XML::CXMLTreeBuilder rebuilder(again);
    if (rebuilder.BuildFromSingleBuffer(first.data(), static_cast<unsigned int>(first.size())) !=
        eNoErr) {
        std::abort();  // the library's own output must parse
    }
    std::string second;
    if (rebuilder.WriteToString(second) != eNoErr || second != first) {
        std::abort();  // and write back byte for byte
    }
    return 0;
}
