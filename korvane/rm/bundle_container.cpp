// Bundle containers: the lookup order loose file, redirection, archive in "Contents", archive
// in "Contents/Resources"; staged writes go to loose files.
#include "korvane/rm/bundle_container.h"

#include "korvane/fm/file_io.h"
#include "korvane/fm/file_read_mem_obj.h"
#include "korvane/fm/folder_iterator.h"
#include "korvane/fm/path_ref.h"
#include "korvane/fm/zip_reader.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace kvKorvaneV10_0_3::RM {

namespace {

constexpr unsigned int kMaxLeaf = 63;
// Locate's own flag, never a caller's: the loose file was just found missing, so the look-up
// starts with the redirection.
constexpr unsigned int kLooseKnownMissing = 0x80000000U;
constexpr unsigned int kMaxArchiveName = 15;

// Splits "name?qualifier" back into a key.
KCResKey KeyFromFileBase(const KCResType& type, const std::string& base) {
    const auto mark = base.find('?');
    if (mark == std::string::npos) {
        return {type, base.c_str()};
    }
    return {type, base.substr(0, mark).c_str(), base.substr(mark + 1).c_str()};
}

// The file base of a leaf once the type's extension is taken off.
std::string StripExtension(const std::string& leaf, const std::string& ext) {
    if (ext.empty()) {
        return leaf;
    }
    const std::string suffix = "." + ext;
    if (leaf.size() > suffix.size() &&
        leaf.compare(leaf.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return leaf.substr(0, leaf.size() - suffix.size());
    }
    return {};
}

// What parsing one configuration text gave: the code and, on success, the configuration.
struct ParsedConfig {
    KTErr err = eNoErr;
    KSBundleConfig config;
};

constexpr std::size_t kMaxCachedConfigs = 64;

// Parses a configuration once per distinct text. Bundles of one product line carry the same
// configuration, and a rescan opens the same bundles again; the text is the key, so a file
// that changed is parsed anew whatever its time stamp says.
KTErr ParseConfigCached(bool yaml, std::string text, KSBundleConfig& out) {
    static std::mutex mutex;
    static std::map<std::pair<bool, std::string>, ParsedConfig> cache;
    std::pair<bool, std::string> key(yaml, std::move(text));
    {
        const std::lock_guard guard(mutex);
        if (const auto it = cache.find(key); it != cache.end()) {
            out = it->second.config;
            return it->second.err;
        }
    }
    ParsedConfig parsed;
    parsed.err = yaml ? ParseBundleConfigYAML(key.second, parsed.config)
                      : ParseBundleExtensionsText(key.second, parsed.config);
    out = parsed.config;
    const KTErr err = parsed.err;
    const std::lock_guard guard(mutex);
    if (cache.size() >= kMaxCachedConfigs) {
        cache.clear();  // many distinct configurations: start over rather than grow
    }
    cache.emplace(std::move(key), std::move(parsed));
    return err;
}

}  // namespace

KCResContainer_Bundle::KCResContainer_Bundle(KCResContainerInfo info,
                                             std::shared_ptr<KCResourceRegistry> registry)
    : KCResContainer_Base(std::move(info), std::move(registry)) {}

KTErr KCResContainer_Bundle::Create(KCResContainerInfo info,
                                    std::shared_ptr<KCResourceRegistry> registry,
                                    std::shared_ptr<KCResContainer_Base>& out) {
    if (!FM::IsExistingBundle(info.path.GetPathRef())) {
        return FM::kNotABundle;
    }
    auto bundle = std::make_shared<KCResContainer_Bundle>(std::move(info), std::move(registry));
    bundle->m_resources = FM::KCStPath(bundle->info().path, "Contents/Resources");
    if (const KTErr err = bundle->ReadConfig(); err != eNoErr) {
        return err;
    }
    out = std::move(bundle);
    return eNoErr;
}

KTErr KCResContainer_Bundle::ReadConfig() {
    const FM::KCStPath yaml(m_resources, "resource_config.yaml");
    // Most bundles have the file: read it without asking first; the slow path below sorts out
    // every other case.
    if (Utils::KCStMemObj bytes;
        FM::ReadRegularFileToKCStMemObj(yaml.GetPathRef(), bytes) == eNoErr) {
        return ParseConfigCached(
            true,
            std::string(bytes.ptr != nullptr ? static_cast<const char*>(bytes.ptr) : "",
                        bytes.size),
            m_config);
    }
    if (yaml.IsFile()) {
        const Utils::KCStFileReadMemObj text(yaml);
        if (!text.IsValid()) {
            return text.GetError();
        }
        return ParseConfigCached(true, std::string(text.data() ? text.data() : "", text.size),
                                 m_config);
    }
    const FM::KCStPath txt(m_resources, "extensions.txt");
    if (txt.IsFile()) {
        const Utils::KCStFileReadMemObj text(txt);
        if (!text.IsValid()) {
            return text.GetError();
        }
        return ParseConfigCached(false, std::string(text.data() ? text.data() : "", text.size),
                                 m_config);
    }
    return eNoErr;  // no configuration: extension-less files and archives only
}

std::string KCResContainer_Bundle::ExtensionOf(const KCResType& type) const {
    const auto it = m_config.extensions.find(type.c_str());
    return it == m_config.extensions.end() ? std::string() : it->second;
}

std::string KCResContainer_Bundle::LeafOf(const KCResKey& key) const {
    std::string leaf = key.GetQualifiedName().c_str();
    const std::string ext = ExtensionOf(key.GetType());
    if (!ext.empty()) {
        leaf += "." + ext;
    }
    return leaf;
}

FM::KCStPath KCResContainer_Bundle::ArchiveOf(const KCResType& type) const {
    std::string name = std::string(type.c_str()) + ".zip";
    name.resize(std::min<std::size_t>(name.size(), kMaxArchiveName));
    FM::KCStPath inContents(info().path, ("Contents/" + name).c_str());
    if (inContents.IsFile()) {
        return inContents;
    }
    return {m_resources, name.c_str()};
}

KTErr KCResContainer_Bundle::TheoreticalPath(const KCResKey& key, FM::KCStPath& out) {
    if (!key.IsSafe()) {
        return eRMInvalidResID;
    }
    const std::string leaf = LeafOf(key);
    if (leaf.size() > kMaxLeaf) {
        return eRMInvalidResID;  // a cut name could name another resource
    }
    FM::KCStPath path(m_resources, key.GetType().c_str());
    if (const KTErr err = path.Append(leaf.c_str()); err != eNoErr) {
        return err;
    }
    out = std::move(path);
    return eNoErr;
}

KTErr KCResContainer_Bundle::Locate(const KCResKey& key, unsigned int flags, Location& out) const {
    if (!key.IsSafe()) {
        return eRMInvalidResID;
    }
    const std::string leaf = LeafOf(key);
    if (leaf.size() > kMaxLeaf) {
        return eRMInvalidResID;
    }
    FM::KCStPath loose(m_resources, key.GetType().c_str());
    if (const KTErr err = loose.Append(leaf.c_str()); err != eNoErr) {
        return err;
    }
    if ((flags & kLooseKnownMissing) == 0 && loose.IsFile()) {
        out.file = std::move(loose);
        out.entry = "";
        return eNoErr;
    }
    if ((flags & kRMFetchLooseOnly) != 0) {
        return eRMResNotFound;
    }
    if (const auto type = m_config.redirection.find(key.GetType().c_str());
        type != m_config.redirection.end()) {
        if (const auto name = type->second.find(key.GetQualifiedName().c_str());
            name != type->second.end()) {
            FM::KCStPath target(m_resources, name->second.c_str());
            if (target.IsFile()) {
                out.file = std::move(target);
                out.entry = "";
                return eNoErr;
            }
        }
    }
    FM::KCStPath archive = ArchiveOf(key.GetType());
    if (!archive.IsFile()) {
        return eRMResNotFound;
    }
    const FM::KCStFileReadFromZip zip(archive);
    if (!zip.IsValid()) {
        return zip.GetError();
    }
    unsigned int compressed = 0;
    unsigned int uncompressed = 0;
    const KCFixedString<255> entry(leaf.c_str());
    const KTErr err = zip.GetEntrySize(entry, compressed, uncompressed);
    if (err == eFMFileNotFound) {
        return eRMResNotFound;
    }
    if (err != eNoErr) {
        return err;
    }
    out.file = std::move(archive);
    out.entry = entry;
    return eNoErr;
}

bool KCResContainer_Bundle::Exists(const KCResKey& key) {
    Location where;
    return Locate(key, 0, where) == eNoErr;
}

KTErr KCResContainer_Bundle::GetRawSize(const KCResKey& key, std::uint64_t& size) {
    Location where;
    if (const KTErr err = Locate(key, 0, where); err != eNoErr) {
        return err;
    }
    if (where.entry.empty()) {
        std::int64_t fileSize = 0;
        const KTErr err = FM::GetFileSizeFromPathRef(where.file.GetPathRef(), fileSize);
        size = static_cast<std::uint64_t>(fileSize);
        return err;
    }
    const FM::KCStFileReadFromZip zip(where.file);
    unsigned int compressed = 0;
    unsigned int uncompressed = 0;
    const KTErr err = zip.GetEntrySize(where.entry, compressed, uncompressed);
    size = uncompressed;
    return err;
}

KTErr KCResContainer_Bundle::LoadRaw(const KCResKey& key, Utils::KCStMemObj& out,
                                     unsigned int flags) {
    // The loose file is where resources usually are: read it without asking first. Whatever
    // keeps that read from succeeding takes the full look-up, which decides as it always has;
    // only a file that is not there at all is not asked for again.
    flags &= ~kLooseKnownMissing;
    if (key.IsSafe()) {
        if (const std::string leaf = LeafOf(key); leaf.size() <= kMaxLeaf) {
            FM::KCStPath loose(m_resources, key.GetType().c_str());
            if (loose.Append(leaf.c_str()) == eNoErr) {
                const KTErr err = FM::ReadRegularFileToKCStMemObj(loose.GetPathRef(), out);
                if (err == eNoErr) {
                    return eNoErr;
                }
                if (err == eFMFileNotFound) {
                    flags |= kLooseKnownMissing;
                }
            }
        }
    }
    Location where;
    if (const KTErr err = Locate(key, flags, where); err != eNoErr) {
        return err;
    }
    if (where.entry.empty()) {
        return FM::ReadFileToKCStMemObj(where.file.GetPathRef(), out);
    }
    const FM::KCStFileReadFromZip zip(where.file);
    if (!zip.IsValid()) {
        return zip.GetError();
    }
    return zip.ReadToKCStMemObj(where.entry, out);
}

KTErr KCResContainer_Bundle::GetModTime(const KCResKey& key, std::int64_t& seconds) {
    Location where;
    if (const KTErr err = Locate(key, 0, where); err != eNoErr) {
        return err;
    }
    return FM::GetFileLastWriteTimeFromPathRef(where.file.GetPathRef(), seconds);
}

KTErr KCResContainer_Bundle::ActualPath(const KCResKey& key, FM::KCStPath& out) {
    Location where;
    if (const KTErr err = Locate(key, 0, where); err != eNoErr) {
        return err;
    }
    if (!where.entry.empty()) {
        if (const KTErr err = where.file.Append(where.entry.c_str()); err != eNoErr) {
            return err;
        }
    }
    out = std::move(where.file);
    return eNoErr;
}

KTErr KCResContainer_Bundle::GetTypes(std::vector<KCResType>& out) {
    std::set<std::string> types;
    std::vector<FM::KCStPath> items;
    // A missing folder lists nothing.
    (void)FM::KCStFolderIterator::GetFilePathVectorFromFolder(m_resources, FM::OnlyFolders(),
                                                              items);
    for (const auto& item : items) {
        types.insert(item.GetLeaf().c_str());
    }
    // Archives in both places; a name cut to the archive limit lists as that cut name.
    for (const FM::KCStPath& folder : {FM::KCStPath(info().path, "Contents"), m_resources}) {
        std::vector<FM::KCStPath> files;
        // A missing folder lists nothing.
        (void)FM::KCStFolderIterator::GetFilePathVectorFromFolder(folder, FM::OnlyFiles(), files);
        for (const auto& file : files) {
            if (FM::IsSameExtension(file.GetExtension().c_str(), "zip")) {
                types.insert(file.GetBase().c_str());
            }
        }
    }
    for (const auto& [type, names] : m_config.redirection) {
        types.insert(type);
    }
    out.clear();
    for (const auto& type : types) {
        if (type.size() <= KCResType().max_size()) {
            out.emplace_back(type.c_str());
        }
    }
    return eNoErr;
}

KTErr KCResContainer_Bundle::GetNames(const KCResType& type, std::vector<KCFixedString<255>>& out) {
    if (!KCResKey(type, "x").IsSafe()) {
        return eRMInvalidResID;
    }
    const std::string ext = ExtensionOf(type);
    std::set<std::string> names;
    std::vector<FM::KCStPath> files;
    (void)FM::KCStFolderIterator::GetFilePathVectorFromFolder(
        FM::KCStPath(m_resources, type.c_str()),  // a missing type folder lists no names
        FM::OnlyFiles(), files);
    for (const auto& file : files) {
        if (std::string base = StripExtension(file.GetLeaf().c_str(), ext); !base.empty()) {
            names.insert(base);
        }
    }
    const FM::KCStPath archive = ArchiveOf(type);
    if (archive.IsFile()) {
        FM::KCStZipFileIterator zip(archive);
        for (KCFixedString<255> entry; zip.GetNextItemFromZip(entry);) {
            if (std::string base = StripExtension(entry.c_str(), ext); !base.empty()) {
                names.insert(base);
            }
        }
    }
    if (const auto it = m_config.redirection.find(type.c_str()); it != m_config.redirection.end()) {
        for (const auto& [name, target] : it->second) {
            names.insert(name);
        }
    }
    out.clear();
    for (const auto& name : names) {
        if (KeyFromFileBase(type, name).IsSafe()) {
            out.emplace_back(name.c_str());
        }
    }
    return eNoErr;
}

KTErr KCResContainer_Bundle::Stage(const KCResKey& key, const void* data, unsigned int size,
                                   EStageMode mode) {
    if (!key.IsSafe()) {
        return eRMInvalidResID;
    }
    if (!MayWrite()) {
        return eFMPermissionErr;
    }
    if (data == nullptr && size != 0) {
        return eMemNullPointer;
    }
    const auto staged = m_staged.find(key);
    const bool stagedAdd = staged != m_staged.end() && staged->second.has_value();
    const bool stagedDelete = staged != m_staged.end() && !staged->second.has_value();
    const bool exists = stagedAdd || (!stagedDelete && Exists(key));
    if (mode == EStageMode::eAdd && exists) {
        return eRMResExists;
    }
    if (mode == EStageMode::eUpdate && !exists) {
        return eRMResNotFound;
    }
    FM::KCStPath target;
    if (const KTErr err = TheoreticalPath(key, target); err != eNoErr) {
        return err;
    }
    Utils::KCStMemObj bytes;
    if (const KTErr err = bytes.Assign(static_cast<const char*>(data), size); err != eNoErr) {
        return err;
    }
    m_staged[key] = std::move(bytes);
    return eNoErr;
}

KTErr KCResContainer_Bundle::StageDelete(const KCResKey& key) {
    if (!key.IsSafe()) {
        return eRMInvalidResID;
    }
    if (!MayWrite()) {
        return eFMPermissionErr;
    }
    const auto staged = m_staged.find(key);
    if (staged != m_staged.end() && staged->second.has_value() && !Exists(key)) {
        m_staged.erase(staged);  // an add never written: nothing to delete on disk
        return eNoErr;
    }
    if (!Exists(key)) {
        return eRMResNotFound;
    }
    m_staged[key] = std::nullopt;
    MarkLoadedForDelete(key);
    return eNoErr;
}

KTErr KCResContainer_Bundle::WriteOne(const KCResKey& key) {
    if (!MayWrite()) {
        return eFMPermissionErr;
    }
    const auto staged = m_staged.find(key);
    if (staged == m_staged.end()) {
        return eNoErr;  // nothing staged: the disk already holds the key's state
    }
    KTErr err = eNoErr;
    if (staged->second.has_value()) {
        FM::KCStPath target;
        err = TheoreticalPath(key, target);
        if (err == eNoErr) {
            err = FM::WriteFileFromKCStMemObj(target.GetPathRef(), *staged->second);
        }
    } else {
        FM::KCStPath target;
        err = TheoreticalPath(key, target);
        if (err == eNoErr && target.IsFile()) {
            err = FM::DeleteFileSystemObject(target.GetPathRef());
        } else if (err == eNoErr && Exists(key)) {
            err = eRMResUpdateFailed;  // archived or redirected: not removed by a write
        }
    }
    if (err == eNoErr) {
        m_staged.erase(staged);
    }
    return err;
}

KTErr KCResContainer_Bundle::WriteAll() {
    if (!MayWrite()) {
        return eFMPermissionErr;
    }
    KTErr first = eNoErr;
    std::vector<KCResKey> keys;
    for (const auto& [key, value] : m_staged) {
        keys.push_back(key);
    }
    for (const auto& key : keys) {
        if (const KTErr err = WriteOne(key); err != eNoErr && first == eNoErr) {
            first = err;
        }
    }
    return first;
}

}  // namespace kvKorvaneV10_0_3::RM
