// The XML forms of paths: a path as its text, in a serializer or in one element.
#pragma once

#include "korvane/core/export.h"
#include "korvane/fm/fm_types.h"
#include "korvane/fm/path.h"
#include "korvane/xml/serializer.h"
#include "korvane/xml/xml_element.h"

namespace kvKorvaneV10_0_3::XML {

// The current element's text is the path. Reading an empty text clears the path; a missing
// element leaves it. [any-thread] as the serializer.
KORVANE_API void SerializeXML(KCXMLSerializer& serializer, FM::KCStPath& path);

// Element text: the path. [any-thread]
KORVANE_API void WriteToXML_KTPathRef(CXMLElement* e, const FM::KTPathType* path);
// A new reference from the element text, which the caller frees with DisposePathRef; the
// path functions' error otherwise (out is then null). [any-thread]
[[nodiscard]] KORVANE_API KTErr ReadFromXML_KTPathRef(const CXMLElement* e, FM::KTPathType*& out);

}  // namespace kvKorvaneV10_0_3::XML
