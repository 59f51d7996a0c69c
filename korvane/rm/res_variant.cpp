// Sub-type variants: "name?abcd" beside "name".
#include "korvane/rm/res_variant.h"

#include "korvane/rm/resource_manager.h"

namespace kvKorvaneV10_0_3::RM {

KCFixedString<31> SubTypeQualifier(KCFourCC subType) {
    KCFixedString<31> out;
    if (static_cast<std::uint32_t>(subType) == 0) {
        return out;
    }
    out << subType;
    for (unsigned int i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c < 0x20 || c >= 0x7F || c == '/' || c == '\\' || c == '?') {
            return {};
        }
    }
    return out.size() == 4 ? out : KCFixedString<31>();
}

KCResKey SelectResourceVariant(KTResContainerType* container, const KCResKey& plain,
                               KCFourCC subType) {
    const KCFixedString<31> qualifier = SubTypeQualifier(subType);
    if (qualifier.empty() || plain.HasQualifier()) {
        return plain;
    }
    const KCResKey variant(plain.GetType(), plain.GetName().c_str(), qualifier.c_str());
    return DoesResourceExist(container, variant) ? variant : plain;
}

}  // namespace kvKorvaneV10_0_3::RM
