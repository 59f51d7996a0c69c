// Component XML resources over the variant rule and the tree builder.
#include "korvane/scan/component_xml_resource.h"

#include "korvane/rm/res_variant.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/xml/tree_builder.h"

#include <utility>

namespace kvKorvaneV10_0_3::RM {

KTErr GetXMLResourceBytesByComponentInfo(KTResContainerType* container, const KCResKey& key,
                                         const KorvaneComponentInfo& info, Utils::KCStMemObj& out,
                                         KCResKey* chosen) {
    const KCResKey selected = SelectResourceVariant(container, key, info.componentSubType);
    if (chosen != nullptr) {
        *chosen = selected;
    }
    return GetRawResourceData(container, selected, out);
}

KTErr GetAndFilterXMLResourceByComponentInfo(KTResContainerType* container, const KCResKey& key,
                                             const KorvaneComponentInfo& info,
                                             XML::CXMLElement& root) {
    Utils::KCStMemObj bytes;
    if (const KTErr err = GetXMLResourceBytesByComponentInfo(container, key, info, bytes);
        err != eNoErr) {
        return err;
    }
    if (bytes.Empty()) {
        return eInvalidFileFormatProblem;
    }
    // Parsed into a fresh tree so a failure leaves the caller's root as it was.
    XML::CXMLElement parsed;
    XML::CXMLTreeBuilder builder(parsed);
    if (const int err =
            builder.BuildFromSingleBuffer(static_cast<const char*>(bytes.ptr), bytes.size);
        err != eNoErr) {
        return err;
    }
    root = std::move(parsed);
    return eNoErr;
}

KTErr GetAndFilterXMLResourceByComponentInfo(KTResContainerType* container, const KCResType& type,
                                             short id, const KorvaneComponentInfo& info,
                                             XML::CXMLElement& root) {
    return GetAndFilterXMLResourceByComponentInfo(container, KCResKey(type, id), info, root);
}

}  // namespace kvKorvaneV10_0_3::RM
