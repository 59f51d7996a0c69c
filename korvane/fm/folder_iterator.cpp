// Folder enumeration over Boost.Filesystem; the names are read once and sorted, so an
// enumeration is repeatable and unaffected by changes made while it runs.
#include "korvane/fm/folder_iterator.h"

#include "korvane/fm/path_ref.h"
#include "korvane/fm/path_ref_impl.h"

#include <boost/filesystem.hpp>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::FM {

namespace bfs = boost::filesystem;

namespace {

struct KSFolderIteration {
    std::string folder;
    std::vector<std::string> names;
    std::size_t next = 0;
};

}  // namespace

KTErr FindFirstFolderItem(const KTPathType* folder, void*& iterator, KTPathType*& item) {
    iterator = nullptr;
    item = nullptr;
    if (folder == nullptr) {
        return eMemNullPointer;
    }
    if (!IsValid(folder)) {
        return eFMIllegalPathRef;
    }
    if (!DoesFileExist(folder)) {
        return eFMFileNotFound;
    }
    if (!IsFolder(folder)) {
        return eFMIsNotAFolder;
    }
    try {
        auto it = std::make_unique<KSFolderIteration>();
        it->folder = folder->path;
        boost::system::error_code ec;
        for (bfs::directory_iterator dir(folder->path, ec), end; !ec && dir != end;
             dir.increment(ec)) {
            // An item's name holds no separator: what follows the last one is the name,
            // without the general filename() parse of the whole path for every item.
            const std::string& full = dir->path().native();
            it->names.emplace_back(full, full.rfind('/') + 1);
        }
        if (ec) {
            const KTErr err = ConvertErrorPOSIX(ec.value());
            return err == eGenericErr ? eFMReadFailed : err;
        }
        std::sort(it->names.begin(), it->names.end());
        iterator = it.release();
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
    const KTErr err = FindNextFolderItem(iterator, item);
    if (err != eNoErr) {
        // Cleanup after the error being returned.
        (void)DisposeFolderIterator(iterator);
    }
    return err;
}

KTErr FindNextFolderItem(void*& iterator, KTPathType*& item) {
    item = nullptr;
    if (iterator == nullptr) {
        return eMemNullPointer;
    }
    auto* it = static_cast<KSFolderIteration*>(iterator);
    while (it->next < it->names.size()) {
        const std::string& name = it->names[it->next++];
        try {
            // A name that is not UTF-8 cannot become a path reference: it is passed over.
            std::string path;
            if (detail::JoinPath(it->folder, name.c_str(), path) == eNoErr &&
                detail::AdoptNormalPath(std::move(path), item) == eNoErr) {
                return eNoErr;
            }
        } catch (const std::exception&) {
            return eMemNewFailed;
        }
    }
    return eFMEndOfFolder;
}

KTErr DisposeFolderIterator(void*& iterator) {
    delete static_cast<KSFolderIteration*>(iterator);
    iterator = nullptr;
    return eNoErr;
}

FileFilterFunctor::~FileFilterFunctor() = default;

bool EveryThing::operator()(const KCStPath& /*path*/) const {
    return true;
}

bool OnlyFiles::operator()(const KCStPath& path) const {
    return !path.IsFolder();
}

bool OnlyFolders::operator()(const KCStPath& path) const {
    return path.IsFolder();
}

bool FoldersOrZips::operator()(const KCStPath& path) const {
    // Exactly "zip": unlike IsSameExtension, this filter is case-sensitive.
    return path.IsFolder() || path.GetExtension() == "zip";
}

bool OnlyBundles::operator()(const KCStPath& path) const {
    return IsExistingBundle(path.GetPathRef());
}

KCStFolderIterator::KCStFolderIterator(const KCStPath& folder) {
    const KTErr err = FindFirstFolderItem(folder.GetPathRef(), m_iterator, m_pending);
    // An empty folder is a valid folder to iterate.
    SetError(err == eFMEndOfFolder ? eNoErr : err);
}

KCStFolderIterator::~KCStFolderIterator() {
    // Nothing to report from a destructor.
    (void)DisposePathRef(m_pending);
    (void)DisposeFolderIterator(m_iterator);
}

bool KCStFolderIterator::GetNextFolderItem(KCStPath& out) {
    if (m_pending != nullptr) {
        out.TakeOver(m_pending);
        m_pending = nullptr;
        return true;
    }
    if (m_iterator == nullptr) {
        return false;
    }
    KTPathType* item = nullptr;
    if (FindNextFolderItem(m_iterator, item) != eNoErr) {
        (void)DisposeFolderIterator(m_iterator);
        return false;
    }
    out.TakeOver(item);
    return true;
}

KTErr KCStFolderIterator::GetFilePathVectorFromFolder(const KCStPath& folder,
                                                      const FileFilterFunctor& filter,
                                                      std::vector<KCStPath>& out, bool recursive) {
    KCStFolderIterator it(folder);
    if (it.GetError() != eNoErr) {
        return it.GetError();
    }
    try {
        for (KCStPath item; it.GetNextFolderItem(item);) {
            if (filter(item)) {
                out.push_back(item);
            }
            if (recursive && item.IsFolder(false)) {
                // An unreadable sub-folder leaves out only its own items.
                (void)GetFilePathVectorFromFolder(item, filter, out, true);
            }
        }
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
    return eNoErr;
}

bool KCStFolderIterator::IsFolderEmpty(const KCStPath& folder, const FileFilterFunctor& filter) {
    KCStFolderIterator it(folder);
    for (KCStPath item; it.GetNextFolderItem(item);) {
        if (filter(item)) {
            return false;
        }
    }
    return true;
}

}  // namespace kvKorvaneV10_0_3::FM
