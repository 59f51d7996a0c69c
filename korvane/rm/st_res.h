// RM::KCStRes: one fetched resource held by an object, released by its destructor unless a
// KCResContainerUser releases it.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/mem_obj.h"
#include "korvane/core/validatable.h"
#include "korvane/rm/res_container_user.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/res_types.h"

namespace kvKorvaneV10_0_3::RM {

// The error starts as eRMInvalidResRef until a resource is held. One object is used by one
// thread at a time; [any-thread] otherwise.
class KORVANE_API KCStRes : public KUValidatable {
public:
    KCStRes();
    // Shares the resource (one more retain).
    KCStRes(const KCStRes& other);
    KCStRes& operator=(const KCStRes&) = delete;
    KCStRes(KTResContainerType* container, const KCResKey& key,
            const KSResConvertFuncs* convert = nullptr);
    KCStRes(KTResContainerType* container, const KCResType& type, short id,
            const KSResConvertFuncs* convert = nullptr);
    // The user remembers the resource and releases it; this object then never does.
    KCStRes(KCResContainerUser& user, const KCResKey& key,
            const KSResConvertFuncs* convert = nullptr);
    ~KCStRes() override;

    [[nodiscard]] bool IsValidSelf() const override { return m_resource != nullptr; }
    // Loads only when nothing is held yet; returns the (possibly earlier) error.
    [[nodiscard]] KTErr LoadResource(KTResContainerType* container, const KCResKey& key,
                                     const KSResConvertFuncs* convert = nullptr);
    void SetReleaseInDestructor(bool release) { m_releaseInDestructor = release; }
    [[nodiscard]] KTResourceType* GetResource() const { return m_resource; }
    // The held data and its size; null and 0 when nothing is held or the query fails, whose
    // code these forms drop.
    [[nodiscard]] const void* GetResData() const;
    [[nodiscard]] unsigned int GetResSize() const;
    [[nodiscard]] KTErr CopyResourceToKCStMemObj(Utils::KCStMemObj& out) const;

private:
    KTResourceType* m_resource = nullptr;
    bool m_releaseInDestructor = true;
};

}  // namespace kvKorvaneV10_0_3::RM
