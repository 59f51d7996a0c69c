// Cache files: a loose file is used in place; otherwise the cache copy is rewritten unless it
// is strictly newer than the resource (times have one-second steps, so "as new" may be stale).
#include "korvane/rm/res_cache_file.h"

#include "korvane/fm/file_io.h"
#include "korvane/rm/resource_manager.h"

#include <cstdint>

namespace kvKorvaneV10_0_3::RM {

KCStResCacheFile::KCStResCacheFile(KTResContainerType* container, const KCResKey& key,
                                   const KSResConvertFuncs* convert) {
    SetError(Make(container, nullptr, key, convert));
}

KCStResCacheFile::KCStResCacheFile(KTResContainerType* container, const KCResType& type, short id,
                                   const KSResConvertFuncs* convert)
    : KCStResCacheFile(container, KCResKey(type, id), convert) {}

KCStResCacheFile::KCStResCacheFile(KTResContainerType* container, const FM::KCStPath& base,
                                   const KCResKey& key, const KSResConvertFuncs* convert) {
    SetError(Make(container, &base, key, convert));
}

KCStResCacheFile::KCStResCacheFile(KTResContainerType* container, const FM::KCStPath& base,
                                   const KCResType& type, short id,
                                   const KSResConvertFuncs* convert)
    : KCStResCacheFile(container, base, KCResKey(type, id), convert) {}

KTErr KCStResCacheFile::Make(KTResContainerType* container, const FM::KCStPath* base,
                             const KCResKey& key, const KSResConvertFuncs* convert) {
    FM::KCStPath theoretical;
    if (const KTErr err = GetPathToTheoreticalFile(container, key, theoretical); err != eNoErr) {
        return err;
    }
    if (base == nullptr && theoretical.IsFile()) {
        m_path = theoretical;
        return eNoErr;
    }
    FM::KCStPath cache;
    if (base != nullptr) {
        if (!base->IsValid()) {
            return base->GetError() != eNoErr ? base->GetError() : eFMIllegalPathRef;
        }
        cache = FM::KCStPath(*base, key.GetType().c_str());
        if (const KTErr err = cache.Append(theoretical.GetLeaf().c_str()); err != eNoErr) {
            return err;
        }
    } else {
        cache = FM::KCStCachePath(theoretical);
        if (!cache.IsValid()) {
            return cache.GetError();
        }
    }
    std::int64_t resourceTime = 0;
    if (const KTErr err = GetModificationTime(container, key, resourceTime); err != eNoErr) {
        return err;
    }
    if (cache.IsFile() && cache.GetFileLastWriteTime() > resourceTime) {
        m_path = cache;
        return eNoErr;
    }
    Utils::KCStMemObj bytes;
    if (const KTErr err = CopyResourceToKCStMemObj(container, key, bytes, convert); err != eNoErr) {
        return err;
    }
    // Written to a temporary file and renamed: readers never see half a cache file.
    if (const KTErr err = FM::WriteFileFromKCStMemObj(cache.GetPathRef(), bytes); err != eNoErr) {
        return err;
    }
    m_path = cache;
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::RM
