// The XML text writer: one element tree to an output stream in the library's layout.
#pragma once

#include "korvane/core/export.h"
#include "korvane/xml/xml_element.h"

#include <iosfwd>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::XML {

// Writes e and its subtree: four spaces per level when indent, one line per element without
// children, CDATA text in its own block. With validate, an invalid element is written as
// "XML not valid" instead. [any-thread] while the tree does not change.
// The same text appended to `out` (what the string and memory writers use).
// [any-thread] while the tree does not change.
KORVANE_API void AppendXML(std::string& out, const CXMLElement& e, bool validate, bool indent,
                           unsigned int level);
KORVANE_API void WriteXMLToStream(std::ostream& out, const CXMLElement& e, bool validate,
                                  bool indent, unsigned int level);
// WriteXMLToStream(out, e, false, true, 0). [any-thread] while the tree does not change.
KORVANE_API std::ostream& operator<<(std::ostream& out, const CXMLElement& e);

// Escapes & < > " ' as entities; for attribute values (attribute = true) also tab, line feed
// and carriage return as character references, and in text the carriage return, so that the
// parser gives back exactly these characters. [any-thread]
KORVANE_API void AppendEscaped(std::string& out, std::string_view text, bool attribute);

}  // namespace kvKorvaneV10_0_3::XML
