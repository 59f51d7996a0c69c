// RM::KCStResCacheFile: a resource materialised as a file, in the cache folder unless the
// container already holds it as a loose file.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/validatable.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/res_types.h"

namespace kvKorvaneV10_0_3::RM {

// The constructor does the work; failures are kept as the error. [any-thread] on distinct
// objects.
class KORVANE_API KCStResCacheFile : public KUValidatable {
public:
    KCStResCacheFile(KTResContainerType* container, const KCResKey& key,
                     const KSResConvertFuncs* convert = nullptr);
    KCStResCacheFile(KTResContainerType* container, const KCResType& type, short id,
                     const KSResConvertFuncs* convert = nullptr);
    // The cache file goes to <base>/<type>/<leaf of the theoretical file>.
    KCStResCacheFile(KTResContainerType* container, const FM::KCStPath& base, const KCResKey& key,
                     const KSResConvertFuncs* convert = nullptr);
    KCStResCacheFile(KTResContainerType* container, const FM::KCStPath& base, const KCResType& type,
                     short id, const KSResConvertFuncs* convert = nullptr);

    [[nodiscard]] const FM::KCStPath& GetCacheFilePath() const { return m_path; }

private:
    [[nodiscard]] KTErr Make(KTResContainerType* container, const FM::KCStPath* base,
                             const KCResKey& key, const KSResConvertFuncs* convert);
    FM::KCStPath m_path;
};

}  // namespace kvKorvaneV10_0_3::RM
