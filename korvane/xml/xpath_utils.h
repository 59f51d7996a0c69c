// XML::KCXPathUtils: simple path queries over an element tree ("a/b[@id=\"3\"]//c").
#pragma once

#include "korvane/core/export.h"
#include "korvane/xml/xml_element.h"

#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::XML {

// Steps are separated by the separator; a doubled separator lets the next step match at any
// depth. A step is a name with an optional filter [@attr="value"] or [@attr]. A path that
// starts with one separator matches its first step against the root itself; without it the
// first step matches the root's children. [any-thread] while the tree does not change.
class KORVANE_API KCXPathUtils {
public:
    // Appends the matches, in document order, to out; returns their number.
    static int GetXPathElements(CXMLElement& root, std::vector<CXMLElement*>& out, const char* path,
                                const char* separator = "/");
    // As above with separator "/", each match with its depth (root's children are depth 1).
    static int GetXPathElements(CXMLElement& root, std::vector<std::pair<CXMLElement*, int>>& out,
                                const char* path);
};

}  // namespace kvKorvaneV10_0_3::XML
