// FM::KCStPath, the owning object over a path reference, and FM::KCStCachePath, the location
// of the cache file that belongs to a path. [any-thread] on distinct objects.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/validatable.h"
#include "korvane/fm/fm_types.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3::FM {

struct KORVANE_API KSPathRefDeleter {
    void operator()(KTPathType* ref) const;
};

class KORVANE_API KCStPath : public KUValidatable {
public:
    // Empty and invalid (eFMIllegalPathRef).
    KCStPath();
    // From an absolute UTF-8 path; the error of CreatePathRefFromString is kept otherwise.
    explicit KCStPath(const char* utf8);
    // parent + a relative part ("a/b/c.txt" descends several levels).
    KCStPath(const KCStPath& parent, const char* relative);
    KCStPath(const KTPathType* parent, const char* relative);
    // A special folder (see CreateSystemFolderPathRef).
    KCStPath(KEFoldersDomain domain, KESystemFolders folder);
    KCStPath(const KCStPath& other);
    KCStPath(KCStPath&& other) noexcept;
    KCStPath& operator=(const KCStPath& other);
    KCStPath& operator=(KCStPath&& other) noexcept;
    // Duplicates the reference; null empties the path.
    KCStPath& operator=(const KTPathType* ref);
    ~KCStPath() override;

    // True when a valid reference is held; otherwise records eFMIllegalPathRef unless a more
    // precise error is already stored.
    [[nodiscard]] bool IsValidSelf() const override;

    // Adopts `ref` without copying (this object frees it).
    void TakeOver(KTPathType* ref);
    // A new reference the caller frees with DisposePathRef; null when empty.
    [[nodiscard]] KTPathType* CreatePathRefCopy() const;
    // The held reference (still owned by this object); null when empty.
    [[nodiscard]] const KTPathType* GetPathRef() const { return m_ref.get(); }

    // Descends by a relative part; on failure the path is unchanged and the error returned.
    [[nodiscard]] KTErr Append(const char* relative);
    // Appends text to the last component ("a/b" + ".bak" -> "a/b.bak"); no "/" allowed.
    [[nodiscard]] KTErr ExtendLeafName(const char* text);
    // Back to empty and invalid.
    void Clear();

    [[nodiscard]] KCFixedString<1023> GetPathString() const;
    [[nodiscard]] KCFixedString<1023> GetNativePathString() const;
    [[nodiscard]] KCFixedString<1023> GetPosixPathString() const;
    [[nodiscard]] KCFixedString<255> GetLeaf() const;
    [[nodiscard]] KCFixedString<255> GetBase() const;
    [[nodiscard]] KCFixedString<255> GetExtension() const;
    // The whole parent path (it may exceed 255 characters and is then cut).
    [[nodiscard]] KCFixedString<255> GetParentDirectory() const;
    // This path spelled relative to `other` ("" when there is no such spelling).
    [[nodiscard]] KCFixedString<1023> GetRelativeDifference(const KCStPath& other) const;
    // The path down to `level` components below the root: 0 is "/", 1 "/home", ...; a level
    // past the end gives the whole path.
    [[nodiscard]] KCFixedString<1023> GetStringFromPathToLevel(unsigned int level) const;
    // The components from the root down, the root itself not included.
    void SplitPath(std::vector<KCFixedString<255>>& out) const;

    [[nodiscard]] bool IsExist() const;
    [[nodiscard]] bool IsFile(bool followLinks = true) const;
    [[nodiscard]] bool IsFolder(bool followLinks = true) const;
    [[nodiscard]] bool IsFileSystemLink() const;
    [[nodiscard]] bool IsLocked() const;
    [[nodiscard]] bool IsWritable() const;
    // 0 when the size cannot be had (see GetError after a failure).
    [[nodiscard]] std::int64_t GetFileSize() const;
    // Seconds since 1970-01-01 UTC; 0 when unknown.
    [[nodiscard]] std::int64_t GetFileLastWriteTime() const;
    // Replaces this link path by its target; the error is returned and the path kept otherwise.
    [[nodiscard]] KTErr ResolveFileSystemLink();

    bool operator==(const KCStPath& other) const;
    bool operator!=(const KCStPath& other) const { return !(*this == other); }
    bool operator==(const KTPathType* other) const;
    bool operator!=(const KTPathType* other) const { return !(*this == other); }
    // Byte-wise order of the path strings; empty paths first.
    bool operator<(const KCStPath& other) const;

protected:
    // Replaces the reference and refreshes the cached string and the error.
    void Set(KTPathType* ref, KTErr err);

private:
    std::unique_ptr<KTPathType, KSPathRefDeleter> m_ref;
    KCFixedString<1023> m_pathString;  // for display and debugging
};

// The cache-file location of a given file (CreatePathRefToCacheFile).
class KORVANE_API KCStCachePath : public KCStPath {
public:
    explicit KCStCachePath(const KCStPath& file);
};

}  // namespace kvKorvaneV10_0_3::FM
