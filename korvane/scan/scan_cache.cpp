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
// Files of another version are ignored.
constexpr const char* kVersion = "2";

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

bool IsName(const XML::CXMLElement* e, const char* name) {
    return std::strcmp(e->GetName().c_str(), name) == 0;
}

// Every stamp of a candidate in one attribute: "<kind> <device> <inode> <size> <modified>
// <changed> <relative>", stamps separated by '|'. A relative path holding '|' does not read
// back, so such an entry is never kept.
constexpr char kStampSeparator = '|';

void AppendNumber(std::string& out, auto value) {
    char buffer[24];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

std::string StampsText(const std::vector<KSScanCacheStamp>& stamps) {
    std::string out;
    out.reserve(stamps.size() * 64);
    for (const auto& stamp : stamps) {
        if (!out.empty()) {
            out += kStampSeparator;
        }
        const platform::KSFileStatus& s = stamp.status;
        out += static_cast<char>(s.kind);
        for (const std::uint64_t n : {s.device, s.inode, s.size}) {
            out += ' ';
            AppendNumber(out, n);
        }
        for (const std::int64_t n : {s.modified, s.changed}) {
            out += ' ';
            AppendNumber(out, n);
        }
        out += ' ';
        out += stamp.relative;
    }
    return out;
}

// Parses a number followed by one space at `at`, moving past both.
template <typename T>
bool TakeNumber(const char*& at, const char* end, T& out) {
    const auto [next, ec] = std::from_chars(at, end, out);
    if (ec != std::errc() || next == at || next == end || *next != ' ') {
        return false;
    }
    at = next + 1;
    return true;
}

bool ReadStamp(std::string_view text, KSScanCacheStamp& out) {
    if (text.size() < 2 || text[1] != ' ') {
        return false;
    }
    using platform::EStampKind;
    switch (static_cast<EStampKind>(text[0])) {
        case EStampKind::eAbsent:
        case EStampKind::eFile:
        case EStampKind::eFolder:
        case EStampKind::eOther:
            out.status.kind = static_cast<EStampKind>(text[0]);
            break;
        default:
            return false;
    }
    const char* at = text.data() + 2;
    const char* end = text.data() + text.size();
    platform::KSFileStatus& s = out.status;
    if (!TakeNumber(at, end, s.device) || !TakeNumber(at, end, s.inode) ||
        !TakeNumber(at, end, s.size) || !TakeNumber(at, end, s.modified) ||
        !TakeNumber(at, end, s.changed)) {
        return false;
    }
    // A stamp's path is only ever looked at, never read or written.
    out.relative.assign(at, end);
    return true;
}

bool ReadStamps(std::string_view text, std::vector<KSScanCacheStamp>& out) {
    for (;;) {
        const auto bar = text.find(kStampSeparator);
        KSScanCacheStamp stamp;
        if (!ReadStamp(text.substr(0, bar), stamp)) {
            return false;
        }
        out.push_back(std::move(stamp));
        if (bar == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(bar + 1);
    }
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
    e->AddAttrib("Path", path.c_str());
    e->AddAttrib("Stamps", StampsText(entry.stamps).c_str());
    e->AddAttrib("RejectBits", NumberText(entry.file.m_rejectBits.Word()).c_str());
    std::string affiliations;
    for (const KCFourCC code : entry.file.m_affiliations) {
        if (!affiliations.empty()) {
            affiliations += ' ';
        }
        AppendNumber(affiliations, code.Value());
    }
    e->AddAttrib("Affiliations", affiliations.c_str());
    for (const auto& [name, on] : entry.flags) {
        e->AddSubElement("Flag", name)->AddAttrib("On", on ? "1" : "0");
    }
    WriteInfo(e->AddSubElement("Plugin"), entry.file.m_bundleInfo);
    XML::CXMLElement* components = e->AddSubElement("Components");
    for (const KorvaneComponentInfo& info : entry.file.m_components) {
        WriteInfo(components->AddSubElement("KorvaneComponentInfo"), info);
    }
}

bool ReadAffiliations(std::string_view text, std::vector<KCFourCC>& out) {
    const char* at = text.data();
    const char* end = at + text.size();
    while (at != end) {
        std::uint32_t code = 0;
        const auto [next, ec] = std::from_chars(at, end, code);
        if (ec != std::errc() || next == at) {
            return false;
        }
        out.emplace_back(code);
        at = next;
        if (at != end && (*at != ' ' || ++at == end)) {
            return false;
        }
    }
    return true;
}

bool ReadEntry(XML::CXMLElement& e, std::string& path, KSScanCacheEntry& out) {
    XML::CXMLElement* plugin = e.SubElement("Plugin");
    XML::CXMLElement* components = e.SubElement("Components");
    std::string stamps;
    std::string bitsText;
    std::string affiliations;
    unsigned int bits = 0;
    // Without a stamp nothing would show that the candidate changed.
    if (!e.GetAttrib("Path", path) || !path.starts_with('/') || plugin == nullptr ||
        components == nullptr || !e.GetAttrib("Stamps", stamps) ||
        !ReadStamps(stamps, out.stamps) || !e.GetAttrib("RejectBits", bitsText) ||
        !ParseNumber(bitsText, bits) || !e.GetAttrib("Affiliations", affiliations) ||
        !ReadAffiliations(affiliations, out.file.m_affiliations)) {
        return false;
    }
    out.file.m_path = FM::KCStPath(path.c_str());
    out.file.m_rejectBits.SetWord(bits);
    for (const XML::CXMLElement* child : e.GetSubElements()) {
        if (IsName(child, "Flag")) {
            std::string on;
            if (!child->GetAttrib("On", on) || (on != "0" && on != "1")) {
                return false;
            }
            out.flags.emplace_back(child->GetText(), on == "1");
        }
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
    if (static_cast<std::size_t>(std::count(data, data + size, '<')) > kScanCacheMaxMarkup) {
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
