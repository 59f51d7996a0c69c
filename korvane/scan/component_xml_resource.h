// The XML resource of a component: the variant for the component's sub-type when the container
// holds one, the plain resource otherwise. Lives with the component record, above rm and xml.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/mem_obj.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/res_types.h"
#include "korvane/scan/component_info.h"
#include "korvane/xml/xml_element.h"

namespace kvKorvaneV10_0_3::RM {

// The bytes of (type, name) or of its variant (type, name?<sub-type>); `chosen` says which.
// Errors as GetRawResourceData. [any-thread]
[[nodiscard]] KORVANE_API KTErr GetXMLResourceBytesByComponentInfo(KTResContainerType* container,
                                                                   const KCResKey& key,
                                                                   const KorvaneComponentInfo& info,
                                                                   Utils::KCStMemObj& out,
                                                                   KCResKey* chosen = nullptr);
// The same resource parsed into `root` (replaced); eXMLParserFailed for malformed XML, an
// empty resource gives eInvalidFileFormatProblem. [any-thread]
[[nodiscard]] KORVANE_API KTErr
GetAndFilterXMLResourceByComponentInfo(KTResContainerType* container, const KCResKey& key,
                                       const KorvaneComponentInfo& info, XML::CXMLElement& root);
[[nodiscard]] KORVANE_API KTErr GetAndFilterXMLResourceByComponentInfo(
    KTResContainerType* container, const KCResType& type, short id,
    const KorvaneComponentInfo& info, XML::CXMLElement& root);

}  // namespace kvKorvaneV10_0_3::RM
