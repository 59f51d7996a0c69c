// The scan cache file, the statuses a cached result depends on, and one scan's use of both.
#include "korvane/scan/scan_cache.h"

#include "korvane/core/mem_obj.h"
#include "korvane/fm/file_io.h"
#include "korvane/fm/folder_iterator.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>

namespace kvKorvaneV10_0_3::KSC {
namespace {

constexpr const char* kRootName = "KorvaneScanCache";
constexpr const char* kVersion = "1";

template <typename T>
std::string NumberText(T value) {
    char buffer[24];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return {buffer, end};
}

template <typename T>
bool ParseNumber(std::string_view text, T& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

template <typename T>
bool NumberAttrib(const XML::CXMLElement& e, const char* name, T& out) {
    std::string text;
    return e.GetAttrib(name, text) && ParseNumber(text, out);
}

bool IsName(const XML::CXMLElement* e, const char* name) {
    return std::strcmp(e->GetName().c_str(), name) == 0;
}

void WriteStamp(XML::CXMLElement* parent, const KSScanCacheStamp& stamp) {
    XML::CXMLElement* e = parent->AddSubElement("Stamp", stamp.relative);
    const platform::KSFileStatus& s = stamp.status;
    const char kind[2] = {static_cast<char>(s.kind), '\0'};
    e->AddAttrib("Kind", kind);
    e->AddAttrib("Device", NumberText(s.device).c_str());
    e->AddAttrib("Inode", NumberText(s.inode).c_str());
    e->AddAttrib("Size", NumberText(s.size).c_str());
    e->AddAttrib("Modified", NumberText(s.modified).c_str());
    e->AddAttrib("Changed", NumberText(s.changed).c_str());
}

bool ReadStamp(const XML::CXMLElement& e, KSScanCacheStamp& out) {
    std::string kind;
    if (!e.GetAttrib("Kind", kind) || kind.size() != 1) {
        return false;
    }
    using platform::EStampKind;
    switch (static_cast<EStampKind>(kind[0])) {
        case EStampKind::eAbsent:
        case EStampKind::eFile:
        case EStampKind::eFolder:
        case EStampKind::eOther:
            out.status.kind = static_cast<EStampKind>(kind[0]);
            break;
        default:
            return false;
    }
    // A stamp's path is only ever looked at, never read or written.
    out.relative = e.GetText();
    return NumberAttrib(e, "Device", out.status.device) &&
           NumberAttrib(e, "Inode", out.status.inode) && NumberAttrib(e, "Size", out.status.size) &&
           NumberAttrib(e, "Modified", out.status.modified) &&
           NumberAttrib(e, "Changed", out.status.changed);
}

struct CodeField {
    const char* name;
    KCFourCC KorvaneComponentInfo::*code;
};
constexpr CodeField kCodeFields[] = {
    {"componentType", &KorvaneComponentInfo::componentType},
    {"componentSubType", &KorvaneComponentInfo::componentSubType},
    {"componentAffiliation", &KorvaneComponentInfo::componentAffiliation},
};

// The component's usual form, its codes as numbers: that form writes a code's bytes as they
// are, and a zero code's NUL characters would make the whole file unreadable.
void WriteInfo(XML::CXMLElement* e, const KorvaneComponentInfo& info) {
    info.WriteToXML(e);
    for (XML::CXMLElement* child : e->GetSubElements()) {
        for (const CodeField& field : kCodeFields) {
            if (IsName(child, field.name)) {
                child->SetText(NumberText((info.*field.code).Value()));
            }
        }
    }
}

bool ReadInfo(XML::CXMLElement* e, KorvaneComponentInfo& info) {
    info.ReadFromXML(e);
    for (const CodeField& field : kCodeFields) {
        const char* text = e->SubElementText(field.name);
        std::uint32_t value = 0;
        if (text == nullptr || !ParseNumber(std::string_view(text), value)) {
            return false;
        }
        info.*field.code = KCFourCC(value);
    }
    return true;
}

void WriteEntry(XML::CXMLElement* parent, const std::string& path, const KSScanCacheEntry& entry) {
    XML::CXMLElement* e = parent->AddSubElement("Candidate");
    e->AddSubElement("Path", path);
    for (const auto& stamp : entry.stamps) {
        WriteStamp(e, stamp);
    }
    for (const auto& [name, on] : entry.flags) {
        e->AddSubElement("Flag", name)->AddAttrib("On", on ? "1" : "0");
    }
    e->AddSubElement("RejectBits", NumberText(entry.file.m_rejectBits.Word()));
    for (const KCFourCC code : entry.file.m_affiliations) {
        e->AddSubElement("Affiliation", NumberText(code.Value()));
    }
    WriteInfo(e->AddSubElement("Plugin"), entry.file.m_bundleInfo);
    XML::CXMLElement* components = e->AddSubElement("Components");
    for (const KorvaneComponentInfo& info : entry.file.m_components) {
        WriteInfo(components->AddSubElement("KorvaneComponentInfo"), info);
    }
}

bool ReadEntry(XML::CXMLElement& e, std::string& path, KSScanCacheEntry& out) {
    const char* pathText = e.SubElementText("Path");
    XML::CXMLElement* plugin = e.SubElement("Plugin");
    XML::CXMLElement* components = e.SubElement("Components");
    const char* bitsText = e.SubElementText("RejectBits");
    unsigned int bits = 0;
    if (pathText == nullptr || *pathText != '/' || plugin == nullptr || components == nullptr ||
        bitsText == nullptr || !ParseNumber(std::string_view(bitsText), bits)) {
        return false;
    }
    path = pathText;
    out.file.m_path = FM::KCStPath(pathText);
    out.file.m_rejectBits.SetWord(bits);
    for (const XML::CXMLElement* child : e.GetSubElements()) {
        if (IsName(child, "Stamp")) {
            KSScanCacheStamp stamp;
            if (!ReadStamp(*child, stamp)) {
                return false;
            }
            out.stamps.push_back(std::move(stamp));
        } else if (IsName(child, "Flag")) {
            std::string on;
            if (!child->GetAttrib("On", on) || (on != "0" && on != "1")) {
                return false;
            }
            out.flags.emplace_back(child->GetText(), on == "1");
        } else if (IsName(child, "Affiliation")) {
            std::uint32_t code = 0;
            if (!ParseNumber(std::string_view(child->GetText()), code)) {
                return false;
            }
            out.file.m_affiliations.emplace_back(code);
        }
    }
    // Without a stamp nothing would show that the candidate changed.
    if (out.stamps.empty()) {
        return false;
    }
    if (!ReadInfo(plugin, out.file.m_bundleInfo)) {
        return false;
    }
    for (XML::CXMLElement* child : components->GetSubElements()) {
        KorvaneComponentInfo info;
        if (!IsName(child, "KorvaneComponentInfo") || !ReadInfo(child, info)) {
            return false;
        }
        out.file.m_components.Add(info);
    }
    return true;
}

bool SameFile(const KCScannedFile& a, const KCScannedFile& b) {
    if (a.m_rejectBits.Word() != b.m_rejectBits.Word() || a.m_affiliations != b.m_affiliations ||
        !(a.m_bundleInfo == b.m_bundleInfo) || a.GetNumComponents() != b.GetNumComponents()) {
        return false;
    }
    for (int i = 0; i < a.GetNumComponents(); ++i) {
        if (!(*a.m_components.GetKorvaneComponentInfo(i) ==
              *b.m_components.GetKorvaneComponentInfo(i))) {
            return false;
        }
    }
    return true;
}

// Whether the entry comes back from the file's text as it is. A text a reader refuses would
// throw away every other entry with it, and one that reads back differently would give
// another result than the scan did.
bool ReadsBack(const std::string& path, const KSScanCacheEntry& entry) {
    XML::CXMLElement root("Group", "");
    WriteEntry(&root, path, entry);
    std::string text;
    XML::AppendXML(text, root, false, false, 0);
    XML::CXMLElement parsed;
    XML::CXMLTreeBuilder builder(parsed);
    if (builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())) !=
            eNoErr ||
        parsed.GetSubElements().size() != 1) {
        return false;
    }
    std::string backPath;
    KSScanCacheEntry back;
    return ReadEntry(*parsed.GetSubElements().front(), backPath, back) && backPath == path &&
           back.stamps == entry.stamps && back.flags == entry.flags &&
           SameFile(back.file, entry.file);
}

// The copies of cache files this process read or wrote, with the file's status then. A copy
// serves while the file keeps that status; each entry is checked against the disk anyway.
struct LoadedCache {
    platform::KSFileStatus status;
    KTScanCacheGroups groups;
};

std::mutex g_loadedMutex;
std::map<std::string, LoadedCache> g_loaded;

KTScanCacheGroups LoadGroups(const std::string& path) {
    const platform::KSFileStatus status = platform::StatusOfPath(path.c_str());
    if (status.kind != platform::EStampKind::eFile) {
        return {};
    }
    {
        const std::lock_guard guard(g_loadedMutex);
        if (const auto it = g_loaded.find(path);
            it != g_loaded.end() && it->second.status == status) {
            return it->second.groups;
        }
    }
    const std::size_t slash = path.find_last_of('/');
    const FM::KCStPath folder(slash == 0 ? "/" : path.substr(0, slash).c_str());
    Utils::KCStMemObj bytes;
    KTScanCacheGroups groups;
    if (FM::ReadFileInsideFolder(folder.GetPathRef(), path.c_str() + slash + 1,
                                 kScanCacheMaxFileSize, bytes) != eNoErr ||
        !ReadScanCacheText(static_cast<const char*>(bytes.ptr), bytes.size, groups)) {
        groups.clear();
    }
    const std::lock_guard guard(g_loadedMutex);
    g_loaded[path] = LoadedCache{status, groups};
    return groups;
}

}  // namespace

std::string WriteScanCacheText(const KTScanCacheGroups& groups) {
    XML::CXMLElement root(kRootName, "");
    root.AddAttrib("Version", kVersion);
    for (const auto& group : groups) {
        XML::CXMLElement* g = root.AddSubElement("Group");
        g->AddSubElement("Folder", group->folder);
        g->AddSubElement("Context", group->context);
        for (const auto& [path, entry] : group->entries) {
            WriteEntry(g, path, *entry);
        }
    }
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    XML::AppendXML(text, root, false, false, 0);
    return text;
}

bool ReadScanCacheText(const char* data, std::size_t size, KTScanCacheGroups& out) {
    out.clear();
    if (data == nullptr || size == 0 || size > kScanCacheMaxFileSize) {
        return false;
    }
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    std::string version;
    if (builder.BuildFromSingleBuffer(data, static_cast<unsigned int>(size)) != eNoErr ||
        !IsName(&root, kRootName) || !root.GetAttrib("Version", version) || version != kVersion) {
        return false;
    }
    KTScanCacheGroups groups;
    for (XML::CXMLElement* g : root.GetSubElements()) {
        if (!IsName(g, "Group")) {
            return false;
        }
        const char* folder = g->SubElementText("Folder");
        const char* context = g->SubElementText("Context");
        if (folder == nullptr || context == nullptr) {
            return false;
        }
        auto group = std::make_shared<KSScanCacheGroup>();
        group->folder = folder;
        group->context = context;
        for (XML::CXMLElement* e : g->GetSubElements()) {
            if (!IsName(e, "Candidate")) {
                continue;
            }
            std::string path;
            auto entry = std::make_shared<KSScanCacheEntry>();
            if (!ReadEntry(*e, path, *entry) || !group->entries.emplace(path, entry).second) {
                return false;
            }
        }
        groups.push_back(std::move(group));
    }
    out = std::move(groups);
    return true;
}

void CollectScanCacheStamps(const FM::KCStPath& candidate, KTResContainerType* container,
                            const std::vector<const char*>& types, bool platformFolder,
                            std::vector<KSScanCacheStamp>& out) {
    out.clear();
    const std::string base = candidate.GetPathString().c_str();
    const platform::KCStatusesBelow below(base);
    const auto isFolder = [&below](const std::string& relative) {
        return below.StatusOf(relative).kind == platform::EStampKind::eFolder;
    };
    std::set<std::string> relatives{"Contents", "Contents/Resources"};
    const auto addFilesOf = [&](const std::string& relative) {
        std::vector<FM::KCStPath> files;
        // A missing folder lists nothing.
        (void)FM::KCStFolderIterator::GetFilePathVectorFromFolder(
            FM::KCStPath(candidate, relative.c_str()), FM::OnlyFiles(), files);
        for (const auto& file : files) {
            relatives.insert(relative + "/" + file.GetLeaf().c_str());
        }
    };
    if (isFolder("Contents")) {
        // Whatever replaces the candidate, or its "Contents", brings another "Contents".
        if (platformFolder) {
            relatives.insert("Contents/Linux64");  // may be a link to a folder elsewhere
        }
        addFilesOf("Contents");
        addFilesOf("Contents/Resources");
        for (const char* type : types) {
            const std::string folder = std::string("Contents/Resources/") + type;
            if (isFolder(folder)) {
                relatives.insert(folder);
                addFilesOf(folder);
            }
        }
    } else {
        relatives.insert("");
    }
    if (container != nullptr) {
        // Redirected resources may live anywhere below the resources folder.
        const std::string prefix = base + "/";
        for (const char* type : types) {
            std::vector<KCFixedString<255>> names;
            (void)RM::GetResIDList(container, RM::KCResType(type), names);
            for (const auto& name : names) {
                const std::string_view text(name.c_str());
                const auto mark = text.find('?');
                const RM::KCResKey key =
                    mark == std::string_view::npos
                        ? RM::KCResKey(RM::KCResType(type), name.c_str())
                        : RM::KCResKey(RM::KCResType(type),
                                       std::string(text.substr(0, mark)).c_str(),
                                       std::string(text.substr(mark + 1)).c_str());
                FM::KCStPath actual;
                if (RM::GetPathToActualFile(container, key, actual) != eNoErr) {
                    continue;
                }
                const std::string path = actual.GetPathString().c_str();
                // Archive entries ("<archive>/<entry>") are covered by the archive's stamp.
                if (path.starts_with(prefix) && below.StatusOf(path.substr(prefix.size())).kind ==
                                                    platform::EStampKind::eFile) {
                    relatives.insert(path.substr(prefix.size()));
                }
            }
        }
    }
    out.reserve(relatives.size());
    for (const auto& relative : relatives) {
        out.push_back({relative, below.StatusOf(relative)});
    }
}

bool ScanCacheStampsHold(const std::string& candidate,
                         const std::vector<KSScanCacheStamp>& stamps) {
    const platform::KCStatusesBelow below(candidate);
    return std::all_of(stamps.begin(), stamps.end(), [&below](const KSScanCacheStamp& stamp) {
        return below.StatusOf(stamp.relative) == stamp.status;
    });
}

KCScanCacheSession::KCScanCacheSession(FM::KCStPath file, std::string folder, std::string context)
    : m_file(std::move(file)) {
    m_loaded = LoadGroups(m_file.GetPathString().c_str());
    for (const auto& group : m_loaded) {
        if (group->folder == folder && group->context == context) {
            m_previous = group;
            break;
        }
    }
    m_current.folder = std::move(folder);
    m_current.context = std::move(context);
}

const KCScannedFile* KCScanCacheSession::Find(const std::string& candidate,
                                              const std::function<bool(const char*)>& flagOn) {
    if (!m_previous) {
        return nullptr;
    }
    const auto it = m_previous->entries.find(candidate);
    if (it == m_previous->entries.end()) {
        return nullptr;
    }
    const KSScanCacheEntry& entry = *it->second;
    for (const auto& [name, on] : entry.flags) {
        if (!flagOn || flagOn(name.c_str()) != on) {
            return nullptr;
        }
    }
    if (!ScanCacheStampsHold(candidate, entry.stamps)) {
        return nullptr;
    }
    m_current.entries.emplace(candidate, it->second);
    return &entry.file;
}

void KCScanCacheSession::Store(const std::string& candidate, KSScanCacheEntry entry,
                               std::int64_t settle) {
    const std::int64_t now = platform::NowNanoseconds();
    for (const auto& stamp : entry.stamps) {
        if (std::max(stamp.status.modified, stamp.status.changed) > now - settle) {
            return;
        }
    }
    if (entry.stamps.empty() || !ReadsBack(candidate, entry)) {
        return;
    }
    m_current.entries[candidate] = std::make_shared<const KSScanCacheEntry>(std::move(entry));
    m_changed = true;
}

KTErr KCScanCacheSession::Finish() {
    // Entries of candidates that are gone or changed are dropped too.
    const bool sameKeys =
        m_previous ? std::equal(m_previous->entries.begin(), m_previous->entries.end(),
                                m_current.entries.begin(), m_current.entries.end(),
                                [](const auto& a, const auto& b) { return a.first == b.first; })
                   : m_current.entries.empty();
    if (!m_changed && sameKeys) {
        return eNoErr;
    }
    KTScanCacheGroups groups;
    groups.push_back(std::make_shared<const KSScanCacheGroup>(m_current));
    for (const auto& group : m_loaded) {
        if (groups.size() >= kScanCacheMaxGroups) {
            break;
        }
        if (group != m_previous) {
            groups.push_back(group);
        }
    }
    const std::string text = WriteScanCacheText(groups);
    if (const KTErr err = FM::WriteFileAtomically(m_file.GetPathRef(), text.data(), text.size());
        err != eNoErr) {
        return err;
    }
    const std::string path = m_file.GetPathString().c_str();
    const std::lock_guard guard(g_loadedMutex);
    g_loaded[path] = LoadedCache{platform::StatusOfPath(path.c_str()), std::move(groups)};
    m_changed = false;
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::KSC
