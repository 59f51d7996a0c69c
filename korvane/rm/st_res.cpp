// The resource object over GetAResource / ReleaseResource.
#include "korvane/rm/st_res.h"

#include "korvane/rm/resource_manager.h"

namespace kvKorvaneV10_0_3::RM {

KCStRes::KCStRes() {
    SetError(eRMInvalidResRef);
}

KCStRes::KCStRes(const KCStRes& other) : KUValidatable(other) {
    if (other.m_resource != nullptr && RetainResource(other.m_resource) == eNoErr) {
        m_resource = other.m_resource;
    } else {
        SetError(other.m_resource != nullptr ? eRMResRefNotFound : eRMInvalidResRef);
    }
}

KCStRes::KCStRes(KTResContainerType* container, const KCResKey& key,
                 const KSResConvertFuncs* convert) {
    SetError(eRMInvalidResRef);
    // The object keeps the load's error.
    (void)LoadResource(container, key, convert);
}

KCStRes::KCStRes(KTResContainerType* container, const KCResType& type, short id,
                 const KSResConvertFuncs* convert)
    : KCStRes(container, KCResKey(type, id), convert) {}

KCStRes::KCStRes(KCResContainerUser& user, const KCResKey& key, const KSResConvertFuncs* convert) {
    SetError(eRMInvalidResRef);
    if (LoadResource(user.GetResContainer(), key, convert) == eNoErr) {
        user.remember_loaded_resource(m_resource);
        m_releaseInDestructor = false;
    }
}

KCStRes::~KCStRes() {
    if (m_releaseInDestructor && m_resource != nullptr) {
        // Nothing to report from a destructor.
        (void)ReleaseResource(m_resource);
    }
}

KTErr KCStRes::LoadResource(KTResContainerType* container, const KCResKey& key,
                            const KSResConvertFuncs* convert) {
    if (m_resource != nullptr) {
        return GetError();
    }
    const KTErr err = GetAResource(container, key, m_resource, convert);
    SetError(err);
    return err;
}

const void* KCStRes::GetResData() const {
    void* data = nullptr;
    return m_resource != nullptr && RM::GetResData(m_resource, data) == eNoErr ? data : nullptr;
}

unsigned int KCStRes::GetResSize() const {
    unsigned int size = 0;
    if (m_resource != nullptr) {
        // A failed query answers size 0.
        (void)RM::GetResSize(m_resource, size);
    }
    return size;
}

KTErr KCStRes::CopyResourceToKCStMemObj(Utils::KCStMemObj& out) const {
    if (m_resource == nullptr) {
        return eRMInvalidResRef;
    }
    void* data = nullptr;
    unsigned int size = 0;
    if (const KTErr err = RM::GetResData(m_resource, data); err != eNoErr) {
        return err;
    }
    if (const KTErr err = RM::GetResSize(m_resource, size); err != eNoErr) {
        return err;
    }
    return out.Assign(static_cast<const char*>(data), size);
}

}  // namespace kvKorvaneV10_0_3::RM
