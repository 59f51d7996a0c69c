// Folder enumeration: the flat iterator functions, KCStFolderIterator and the filter functors
// that pick items for GetFilePathVectorFromFolder and IsFolderEmpty. Items come in byte-wise
// order of their names, "." and ".." never. [any-thread] on distinct objects.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/validatable.h"
#include "korvane/fm/fm_types.h"
#include "korvane/fm/path.h"

#include <vector>

namespace kvKorvaneV10_0_3::FM {

// Starts an enumeration: the first item, or eFMEndOfFolder (iterator null) for an empty
// folder; eFMFileNotFound / eFMIsNotAFolder for a missing folder or a file. [any-thread]
[[nodiscard]] KORVANE_API KTErr FindFirstFolderItem(const KTPathType* folder, void*& iterator,
                                                    KTPathType*& item);
// The next item, or eFMEndOfFolder at the end. [any-thread]
[[nodiscard]] KORVANE_API KTErr FindNextFolderItem(void*& iterator, KTPathType*& item);
// Frees and nulls the iterator; null is a no-op. [any-thread]
[[nodiscard]] KORVANE_API KTErr DisposeFolderIterator(void*& iterator);

// A unary predicate on paths. [any-thread]
class KORVANE_API FileFilterFunctor {
public:
    virtual ~FileFilterFunctor();
    virtual bool operator()(const KCStPath& path) const = 0;
};
class KORVANE_API EveryThing : public FileFilterFunctor {
public:
    bool operator()(const KCStPath& path) const override;
};
// Items that are not folders.
class KORVANE_API OnlyFiles : public FileFilterFunctor {
public:
    bool operator()(const KCStPath& path) const override;
};
class KORVANE_API OnlyFolders : public FileFilterFunctor {
public:
    bool operator()(const KCStPath& path) const override;
};
// Folders, and items whose extension is exactly "zip" (case-sensitive).
class KORVANE_API FoldersOrZips : public FileFilterFunctor {
public:
    bool operator()(const KCStPath& path) const override;
};
// Existing bundles (folders with the "bundle" extension).
class KORVANE_API OnlyBundles : public FileFilterFunctor {
public:
    bool operator()(const KCStPath& path) const override;
};

class KORVANE_API KCStFolderIterator : public KUValidatable {
public:
    // The opening error (missing folder, not a folder) is stored in the object.
    explicit KCStFolderIterator(const KCStPath& folder);
    KCStFolderIterator(const KCStFolderIterator&) = delete;
    KCStFolderIterator& operator=(const KCStFolderIterator&) = delete;
    ~KCStFolderIterator() override;

    // The next item into `out`; false at the end and after an opening failure.
    bool GetNextFolderItem(KCStPath& out);

    // Appends the accepted items of `folder` to `out` (with `recursive`, also those of every
    // sub-folder, links to folders not followed). Returns the folder's opening error.
    [[nodiscard]] static KTErr GetFilePathVectorFromFolder(const KCStPath& folder,
                                                           const FileFilterFunctor& filter,
                                                           std::vector<KCStPath>& out,
                                                           bool recursive = false);
    // True when no item is accepted (also for a folder that cannot be read).
    static bool IsFolderEmpty(const KCStPath& folder, const FileFilterFunctor& filter);

private:
    void* m_iterator = nullptr;       // the flat iterator
    KTPathType* m_pending = nullptr;  // the first item, handed out by the first call
};

}  // namespace kvKorvaneV10_0_3::FM
