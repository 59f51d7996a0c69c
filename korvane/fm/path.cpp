// KCStPath and KCStCachePath over the flat path-reference layer.
#include "korvane/fm/path.h"

#include "korvane/fm/file_io.h"
#include "korvane/fm/path_ref.h"
#include "korvane/fm/path_ref_impl.h"
#include "korvane/fm/special_folders.h"

#include <cstring>
#include <string>

namespace kvKorvaneV10_0_3::FM {

void KSPathRefDeleter::operator()(KTPathType* ref) const {
    (void)DisposePathRef(ref);
}

KCStPath::KCStPath() {
    SetError(eFMIllegalPathRef);
}

KCStPath::KCStPath(const char* utf8) {
    KTPathType* ref = nullptr;
    const KTErr err = CreatePathRefFromString(utf8, ref);
    Set(ref, err);
}

KCStPath::KCStPath(const KCStPath& parent, const char* relative)
    : KCStPath(parent.GetPathRef(), relative) {}

KCStPath::KCStPath(const KTPathType* parent, const char* relative) {
    KTPathType* ref = nullptr;
    const KTErr err = CreatePathRef(parent, relative, ref);
    Set(ref, err);
}

KCStPath::KCStPath(KEFoldersDomain domain, KESystemFolders folder) {
    KTPathType* ref = nullptr;
    const KTErr err = CreateSystemFolderPathRef(domain, folder, ref);
    Set(ref, err);
}

KCStPath::KCStPath(const KCStPath& other) : KUValidatable(other) {
    *this = other.GetPathRef();
    SetError(other.GetError());
}

KCStPath::KCStPath(KCStPath&& other) noexcept
    : KUValidatable(other), m_ref(std::move(other.m_ref)), m_pathString(other.m_pathString) {
    other.Clear();
}

KCStPath& KCStPath::operator=(const KCStPath& other) {
    if (this != &other) {
        *this = other.GetPathRef();
        SetError(other.GetError());
    }
    return *this;
}

KCStPath& KCStPath::operator=(KCStPath&& other) noexcept {
    if (this != &other) {
        m_ref = std::move(other.m_ref);
        m_pathString = other.m_pathString;
        SetError(other.GetError());
        other.Clear();
    }
    return *this;
}

KCStPath& KCStPath::operator=(const KTPathType* ref) {
    if (ref == nullptr) {
        Clear();
        return *this;
    }
    if (ref == m_ref.get()) {
        return *this;
    }
    KTPathType* copy = nullptr;
    const KTErr err = DuplicatePathRef(ref, copy);
    Set(copy, err);
    return *this;
}

KCStPath::~KCStPath() = default;

bool KCStPath::IsValidSelf() const {
    if (!FM::IsValid(m_ref.get())) {
        // Keeps the precise reason of a failed construction; only a silent one is replaced.
        if (GetError() == eNoErr) {
            SetError(eFMIllegalPathRef);
        }
        return false;
    }
    return true;
}

void KCStPath::Set(KTPathType* ref, KTErr err) {
    m_ref.reset(ref);
    m_pathString.clear();
    GetPathAsString(ref, m_pathString);
    if (err == eNoErr && ref == nullptr) {
        err = eFMIllegalPathRef;
    }
    SetError(err);
}

void KCStPath::TakeOver(KTPathType* ref) {
    if (ref != m_ref.get()) {
        Set(ref, eNoErr);
    }
}

KTPathType* KCStPath::CreatePathRefCopy() const {
    KTPathType* copy = nullptr;
    // A failed copy returns null, which callers check.
    (void)DuplicatePathRef(m_ref.get(), copy);
    return copy;
}

KTErr KCStPath::Append(const char* relative) {
    KTPathType* ref = nullptr;
    const KTErr err = CreatePathRef(m_ref.get(), relative, ref);
    if (err == eNoErr) {
        Set(ref, eNoErr);
    }
    return err;
}

KTErr KCStPath::ExtendLeafName(const char* text) {
    if (text == nullptr) {
        return eMemNullPointer;
    }
    if (!FM::IsValid(m_ref.get())) {
        return eFMIllegalPathRef;
    }
    if (std::strchr(text, '/') != nullptr || m_ref->path == "/") {
        return eFMWrongParameters;
    }
    KTPathType* ref = nullptr;
    const KTErr err = CreatePathRefFromString((m_ref->path + text).c_str(), ref);
    if (err == eNoErr) {
        Set(ref, eNoErr);
    }
    return err;
}

void KCStPath::Clear() {
    m_ref.reset();
    m_pathString.clear();
    SetError(eFMIllegalPathRef);
}

KCFixedString<1023> KCStPath::GetPathString() const {
    KCFixedString<1023> out;
    GetPathAsString(m_ref.get(), out);
    return out;
}

KCFixedString<1023> KCStPath::GetNativePathString() const {
    KCFixedString<1023> out;
    GetNativePathAsString(m_ref.get(), out);
    return out;
}

KCFixedString<1023> KCStPath::GetPosixPathString() const {
    KCFixedString<1023> out;
    GetPathAsPosixString(m_ref.get(), out);
    return out;
}

KCFixedString<255> KCStPath::GetLeaf() const {
    KCFixedString<255> out;
    FM::GetLeaf(m_ref.get(), out);
    return out;
}

KCFixedString<255> KCStPath::GetBase() const {
    KCFixedString<255> out;
    FM::GetBase(m_ref.get(), out);
    return out;
}

KCFixedString<255> KCStPath::GetExtension() const {
    KCFixedString<255> out;
    FM::GetExtension(m_ref.get(), out);
    return out;
}

KCFixedString<255> KCStPath::GetParentDirectory() const {
    KCFixedString<255> out;
    FM::GetParentDirectory(m_ref.get(), out);
    return out;
}

KCFixedString<1023> KCStPath::GetRelativeDifference(const KCStPath& other) const {
    KCFixedString<1023> out;
    // On failure the difference is empty.
    (void)FM::GetRelativeDifference(m_ref.get(), other.GetPathRef(), out);
    return out;
}

KCFixedString<1023> KCStPath::GetStringFromPathToLevel(unsigned int level) const {
    KCFixedString<1023> out;
    if (!FM::IsValid(m_ref.get())) {
        return out;
    }
    const std::string& path = m_ref->path;
    std::size_t end = 0;  // the root's slash
    for (unsigned int k = 0; k < level && end != std::string::npos; ++k) {
        end = path.find('/', end + 1);
    }
    if (level == 0) {
        out = "/";
    } else if (end == std::string::npos) {
        out.assign(path.c_str(), static_cast<unsigned int>(path.size()));
    } else {
        out.assign(path.c_str(), static_cast<unsigned int>(end));
    }
    return out;
}

void KCStPath::SplitPath(std::vector<KCFixedString<255>>& out) const {
    out.clear();
    if (!FM::IsValid(m_ref.get())) {
        return;
    }
    const std::string& path = m_ref->path;
    std::size_t pos = 1;
    while (pos < path.size()) {
        auto next = path.find('/', pos);
        if (next == std::string::npos) {
            next = path.size();
        }
        out.emplace_back(path.c_str() + pos, static_cast<unsigned int>(next - pos));
        pos = next + 1;
    }
}

bool KCStPath::IsExist() const {
    return DoesFileExist(m_ref.get());
}

bool KCStPath::IsFile(bool followLinks) const {
    return FM::IsFile(m_ref.get(), followLinks);
}

bool KCStPath::IsFolder(bool followLinks) const {
    return FM::IsFolder(m_ref.get(), followLinks);
}

bool KCStPath::IsFileSystemLink() const {
    return FM::IsFileSystemLink(m_ref.get());
}

bool KCStPath::IsLocked() const {
    bool locked = false;
    return FM::IsLocked(m_ref.get(), locked) == eNoErr && locked;
}

bool KCStPath::IsWritable() const {
    return FM::IsWritable(m_ref.get());
}

std::int64_t KCStPath::GetFileSize() const {
    std::int64_t size = 0;
    return GetFileSizeFromPathRef(m_ref.get(), size) == eNoErr ? size : 0;
}

std::int64_t KCStPath::GetFileLastWriteTime() const {
    std::int64_t time = 0;
    return GetFileLastWriteTimeFromPathRef(m_ref.get(), time) == eNoErr ? time : 0;
}

KTErr KCStPath::ResolveFileSystemLink() {
    KTPathType* target = nullptr;
    const KTErr err = FM::ResolveFileSystemLink(m_ref.get(), target);
    if (err == eNoErr) {
        Set(target, eNoErr);
    }
    return err;
}

bool KCStPath::operator==(const KCStPath& other) const {
    return *this == other.GetPathRef();
}

bool KCStPath::operator==(const KTPathType* other) const {
    if (m_ref == nullptr || other == nullptr) {
        return m_ref == nullptr && other == nullptr;
    }
    return IsSamePath(m_ref.get(), other);
}

bool KCStPath::operator<(const KCStPath& other) const {
    if (m_ref == nullptr || other.m_ref == nullptr) {
        return m_ref == nullptr && other.m_ref != nullptr;
    }
    return m_ref->path < other.m_ref->path;
}

KCStCachePath::KCStCachePath(const KCStPath& file) {
    KTPathType* ref = nullptr;
    const KTErr err = CreatePathRefToCacheFile(file.GetPathRef(), ref);
    Set(ref, err);
}

}  // namespace kvKorvaneV10_0_3::FM
