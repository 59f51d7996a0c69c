// The scan cache in Redis.
#include "korvane/redis/redis_scanner.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <regex>
#include <set>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::Redis {

namespace {

std::string IntText(long long value) {
    std::array<char, 24> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string();
}

long long IntOf(const KCFixedStringBase& text) {
    long long value = 0;
    const std::string s(text.c_str());
    std::from_chars(s.data(), s.data() + s.size(), value);
    return value;
}

std::string FourCCText(KCFourCC code) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        text[static_cast<std::size_t>(i)] =
            static_cast<char>((code.Value() >> (24 - 8 * i)) & 0xFF);
    }
    return text;
}

KCFourCC FourCCOf(const KCFixedStringBase& text) {
    std::uint32_t code = 0;
    const std::string s(text.c_str());
    for (std::size_t i = 0; i < 4; ++i) {
        code = (code << 8) | (i < s.size() ? static_cast<unsigned char>(s[i]) : ' ');
    }
    return KCFourCC(code);
}

// Writes to the shared cache keep their keys after the writer disconnects.
class NotRemembered {
public:
    explicit NotRemembered(KCRedisClient& client)
        : m_client(client), m_lock(client.command_mutex()), m_was(client.remember_keys()) {
        m_client.set_remember_keys(false);
    }
    ~NotRemembered() { m_client.set_remember_keys(m_was); }
    NotRemembered(const NotRemembered&) = delete;
    NotRemembered& operator=(const NotRemembered&) = delete;

private:
    KCRedisClient& m_client;
    kvThread::ThreadMutexLock m_lock;
    bool m_was;
};

// The lists of a stored scan view, with the view's getter and adder for each.
struct KSScanViewList {
    const char* suffix;
    const KSC::KCScanViewSpec::KTStrings& (KSC::KCScanViewSpec::*get)() const;
    void (KSC::KCScanViewSpec::*add)(const std::string&);
};

constexpr std::array<KSScanViewList, 5> kScanViewLists{{
    {":folders", &KSC::KCScanViewSpec::GetFolders, &KSC::KCScanViewSpec::AddFolder},
    {":include_filters", &KSC::KCScanViewSpec::GetIncludeOnly,
     &KSC::KCScanViewSpec::AddIncludeOnly},
    {":exclude_filter", &KSC::KCScanViewSpec::GetExclude, &KSC::KCScanViewSpec::AddExclude},
    {":include_guid_filters", &KSC::KCScanViewSpec::GetIncludeGUIDs,
     &KSC::KCScanViewSpec::AddIncludeGUID},
    {":exclude_guid_filter", &KSC::KCScanViewSpec::GetExcludeGUIDs,
     &KSC::KCScanViewSpec::AddExcludeGUID},
}};
constexpr const char* kScanViewFilePathSuffix = ":scanview_file_path";

}  // namespace

KCKorvanePluginRedisScanner::KCKorvanePluginRedisScanner(KCRedisClient* client)
    : m_client(client) {}

std::string KCKorvanePluginRedisScanner::EscapeGlob(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '*' || c == '?' || c == '[' || c == ']' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::string KCKorvanePluginRedisScanner::AddAdditionalFolderToFolderTable(const char* path) {
    if (m_client == nullptr || path == nullptr) {
        return {};
    }
    const NotRemembered guard(*m_client);
    KTRedisValue id = m_client->get_hash_value(kScanFoldersTableKey, path);
    if (!id.empty()) {
        return id.c_str();
    }
    // Ids come from a counter, so two writers never get the same one; ids a table written
    // without the counter already holds are skipped.
    KTRedisHash table;
    m_client->get_hash(kScanFoldersTableKey, table);
    std::set<std::string> used;
    for (const auto& [folder, folderId] : table) {
        used.insert(folderId.c_str());
    }
    const std::string counter = std::string(kScanFoldersTableKey) + ":next_id";
    for (std::size_t tries = 0; tries <= used.size(); ++tries) {
        const long long n = m_client->increment_value(counter.c_str(), 1);
        if (n <= 0) {
            return {};  // no connection
        }
        std::string newId = "folder_" + IntText(n);
        if (used.contains(newId)) {
            continue;
        }
        if (m_client->set_hash_item_if_absent_now(kScanFoldersTableKey, path, newId.c_str())) {
            return newId;
        }
        // Another writer added the folder first: its id is the folder's.
        return m_client->get_hash_value(kScanFoldersTableKey, path).c_str();
    }
    return {};
}

void KCKorvanePluginRedisScanner::WriteComponentInfo(const char* key,
                                                     const KorvaneComponentInfo& info) {
    KTRedisStack stack;
    auto add = [&stack](const char* field, const std::string& value) {
        KCRedisConnection::append_key_value_to_stack(stack, field, value.c_str());
    };
    add("shortName", info.shortName.c_str());
    add("component_type", FourCCText(info.componentType));
    add("component_subtype", FourCCText(info.componentSubType));
    add("path", info.pluginFilePath.c_str());
    add("affiliation", FourCCText(info.componentAffiliation));
    add("version_external", info.pluginExternalVersion.c_str());
    add("version_internal", info.pluginInternalVersion.GetString(4).c_str());
    add("version_api", info.pluginAPIVersion.GetString(4).c_str());
    add("outputs", IntText(info.numOutputs));
    add("total_inputs", IntText(info.numInputs));
    add("sidechain_inputs", IntText(0));
    add("process_function_name", "");
    add("pluginName", info.pluginName.c_str());
    add("componentGUID", info.componentGUID.c_str());
    m_client->set_hash_from_stack_pending(key, stack);
}

void KCKorvanePluginRedisScanner::WriteScannedFile(const KSC::KCScannedFile& file,
                                                   const char* folderId, int fileIndex) {
    const std::string key =
        std::string(kScanResultsKey) + ":" + folderId + ":file_" + IntText(fileIndex);
    KCFixedString<1023> reasons;
    KSC::ScanRejectReasonsToText(file.m_rejectBits, reasons);
    KTRedisStack stack;
    KCRedisConnection::append_key_value_to_stack(stack, "path",
                                                 file.m_path.GetPosixPathString().c_str());
    KCRedisConnection::append_key_value_to_stack(stack, "reject_bits",
                                                 static_cast<long long>(file.m_rejectBits.Word()));
    KCRedisConnection::append_key_value_to_stack(stack, "reject_reasons", reasons.c_str());
    KCRedisConnection::append_key_value_to_stack(stack, "num_sub_componets",
                                                 static_cast<long long>(file.GetNumComponents()));
    m_client->del_key_pending((key + ":affiliations").c_str());
    m_client->set_hash_from_stack_pending(key.c_str(), stack);
    for (const KCFourCC affiliation : file.m_affiliations) {
        m_client->add_set_item_pending((key + ":affiliations").c_str(),
                                       FourCCText(affiliation).c_str());
    }
    for (int i = 0; i < file.GetNumComponents(); ++i) {
        if (const KorvaneComponentInfo* info = file.m_components.GetKorvaneComponentInfo(i)) {
            WriteComponentInfo((key + ":component_" + IntText(i)).c_str(), *info);
        }
    }
}

KTErr KCKorvanePluginRedisScanner::WriteScanToRedis(const KSC::KCPluginDiskScannerResults& results,
                                                    const char* folderId) {
    if (m_client == nullptr || !m_client->is_connected()) {
        return eRedisNotConnected;
    }
    const NotRemembered guard(*m_client);
    // A new scan of the folder replaces the old one.
    m_client->del_keys_pattern_now(
        (std::string(kScanResultsKey) + ":" + EscapeGlob(folderId) + ":*").c_str());
    int index = 0;
    for (const KSC::KCScannedFile& file : results.GetFiles()) {
        WriteScannedFile(file, folderId, index++);
    }
    m_client->commit_pending_commands();
    return m_client->is_connected() ? eNoErr : eRedisNotConnected;
}

void KCKorvanePluginRedisScanner::WriteComponentCrossVersionTable(
    const KSC::KCPluginDiskScannerResults& results) {
    if (m_client == nullptr) {
        return;
    }
    const NotRemembered guard(*m_client);
    for (const KSC::KCScannedFile& file : results.GetFiles()) {
        for (int i = 0; i < file.GetNumComponents(); ++i) {
            const KorvaneComponentInfo* info = file.m_components.GetKorvaneComponentInfo(i);
            if (info == nullptr) {
                continue;
            }
            // Appended piece by piece: GCC 12 at -O2 mistakes an operator+ chain here for an
            // out-of-bounds copy.
            const std::string type = FourCCText(info->componentType);
            const std::string subtype = FourCCText(info->componentSubType);
            std::string key(kScanComponentTableKey);
            key.reserve(key.size() + type.size() + subtype.size() + 2);
            key.append(1, ':').append(type).append(1, ':').append(subtype);
            m_client->set_hash_item_pending(key.c_str(), "version",
                                            info->pluginInternalVersion.GetString(4).c_str());
            m_client->set_hash_item_pending(key.c_str(), "version_external",
                                            info->pluginExternalVersion.c_str());
        }
    }
    m_client->commit_pending_commands();
}

KTErr KCKorvanePluginRedisScanner::ReadFolder(const std::string& folderId,
                                              KSC::KCPluginDiskScannerResults& results) {
    // The glob lists every key of the folder; the expression keeps the file hashes.
    const std::string prefix = std::string(kScanResultsKey) + ":" + folderId + ":";
    std::set<KTRedisKey> keys;
    m_client->get_all_keys(keys, (EscapeGlob(prefix) + "*").c_str());
    static const std::regex fileKey("file_([0-9]+)");
    static const std::regex componentKey("file_([0-9]+):component_([0-9]+)");
    std::map<long long, std::string> files;
    // The components each file has keys for: the count stored in the file hash is only a
    // bound, so a wrong one cannot make the reader loop on keys that do not exist.
    std::map<long long, std::set<long long>> components;
    auto numberOf = [](const std::ssub_match& m) {
        long long n = 0;
        const std::string digits = m.str();
        std::from_chars(digits.data(), digits.data() + digits.size(), n);
        return n;
    };
    for (const KTRedisKey& key : keys) {
        const std::string k(key.c_str());
        if (k.size() <= prefix.size()) {
            continue;
        }
        const std::string rest = k.substr(prefix.size());
        std::smatch match;
        if (std::regex_match(rest, match, fileKey)) {
            files[numberOf(match[1])] = k;
        } else if (std::regex_match(rest, match, componentKey)) {
            components[numberOf(match[1])].insert(numberOf(match[2]));
        }
    }
    for (const auto& [n, key] : files) {
        KTRedisHash hash;
        m_client->get_hash(key.c_str(), hash);
        KSC::KCScannedFile file(FM::KCStPath(hash[KTRedisKey("path")].c_str()));
        file.m_rejectBits.SetWord(
            static_cast<unsigned int>(IntOf(hash[KTRedisKey("reject_bits")])));
        std::vector<KTRedisValue> affiliations;
        m_client->get_set((key + ":affiliations").c_str(), affiliations);
        for (const KTRedisValue& a : affiliations) {
            file.m_affiliations.push_back(FourCCOf(a));
        }
        const long long count = IntOf(hash[KTRedisKey("num_sub_componets")]);
        for (const long long i : components[n]) {
            if (i >= count) {
                break;
            }
            KTRedisHash fields;
            m_client->get_hash((key + ":component_" + IntText(i)).c_str(), fields);
            KorvaneComponentInfo info;
            info.shortName = fields[KTRedisKey("shortName")].c_str();
            info.pluginName = fields[KTRedisKey("pluginName")].c_str();
            info.componentType = FourCCOf(fields[KTRedisKey("component_type")]);
            info.componentSubType = FourCCOf(fields[KTRedisKey("component_subtype")]);
            info.componentAffiliation = FourCCOf(fields[KTRedisKey("affiliation")]);
            info.pluginFilePath = fields[KTRedisKey("path")].c_str();
            info.pluginExternalVersion = fields[KTRedisKey("version_external")].c_str();
            info.pluginInternalVersion.ReadFromString(
                fields[KTRedisKey("version_internal")].c_str());
            info.pluginAPIVersion.ReadFromString(fields[KTRedisKey("version_api")].c_str());
            info.numOutputs = static_cast<int>(IntOf(fields[KTRedisKey("outputs")]));
            info.numInputs = static_cast<int>(IntOf(fields[KTRedisKey("total_inputs")]));
            info.componentGUID = fields[KTRedisKey("componentGUID")].c_str();
            file.m_components.Add(info);
        }
        results.AddFile(std::move(file));
    }
    return eNoErr;
}

KTErr KCKorvanePluginRedisScanner::GetScanFromRedis(KSC::KCPluginDiskScannerResults& results,
                                                    std::map<std::string, std::string>& folders) {
    if (m_client == nullptr || !m_client->is_connected()) {
        return eRedisNotConnected;
    }
    const kvThread::ThreadMutexLock lock(m_client->command_mutex());
    KTRedisHash table;
    m_client->get_hash(kScanFoldersTableKey, table);
    for (const auto& [path, id] : table) {
        folders[id.c_str()] = path.c_str();
        ReadFolder(id.c_str(), results);
    }
    return m_client->is_connected() ? eNoErr : eRedisNotConnected;
}

std::string KCKorvanePluginRedisScanner::ScanViewKey(const std::string& name, const char* suffix) {
    return std::string(kScanViewsKey) + ":" + name + suffix;
}

KTErr KCKorvanePluginRedisScanner::WriteScanViewToRedis(const char* name,
                                                        const KSC::KCScanViewSpec& view) {
    if (name == nullptr || *name == 0) {
        return eFMWrongParameters;
    }
    if (m_client == nullptr || !m_client->is_connected()) {
        return eRedisNotConnected;
    }
    const std::string filePath = view.GetFilePath().GetPathRef() != nullptr
                                     ? view.GetFilePath().GetPosixPathString().c_str()
                                     : "";
    // A reader gets values back in fixed-size strings: longer ones would come back cut.
    auto tooLong = [](const std::string& text) { return text.size() > kScanViewMaxEntryLength; };
    if (tooLong(filePath) || tooLong(name)) {
        return eFMWrongParameters;
    }
    for (const KSScanViewList& list : kScanViewLists) {
        if (std::ranges::any_of((view.*list.get)(), tooLong)) {
            return eFMWrongParameters;
        }
    }
    const NotRemembered guard(*m_client);
    // A transaction does not roll back a command that fails in it: a list of names that is not
    // a set would leave the view written but not listed.
    if (const KCFixedString<15> type = m_client->get_type(kScanViewsKey);
        type.compare("none") != 0 && type.compare("set") != 0) {
        return m_client->is_connected() ? eInvalidFileFormatProblem : eRedisNotConnected;
    }
    // One transaction: a reader never finds a view half replaced.
    m_client->multi();
    for (const KSScanViewList& list : kScanViewLists) {
        const std::string key = ScanViewKey(name, list.suffix);
        m_client->del_key_pending(key.c_str());
        for (const std::string& entry : (view.*list.get)()) {
            m_client->right_push_to_list_pending(key.c_str(), entry.c_str());
        }
    }
    m_client->set_value_pending(ScanViewKey(name, kScanViewFilePathSuffix).c_str(),
                                filePath.c_str());
    m_client->add_set_item_pending(kScanViewsKey, name);
    m_client->commit_pending_commands();
    m_client->exec();
    return m_client->is_connected() ? eNoErr : eRedisNotConnected;
}

KTErr KCKorvanePluginRedisScanner::GetScanViewFromRedis(const char* name,
                                                        KSC::KCScanViewSpec& view) {
    if (name == nullptr || *name == 0) {
        return eFMWrongParameters;
    }
    if (m_client == nullptr || !m_client->is_connected()) {
        return eRedisNotConnected;
    }
    const kvThread::ThreadMutexLock lock(m_client->command_mutex());
    if (!m_client->is_type(kScanViewsKey, "set")) {
        return m_client->is_connected() ? eValueNotFound : eRedisNotConnected;
    }
    std::vector<KTRedisValue> names;
    m_client->get_set(kScanViewsKey, names);
    if (std::ranges::none_of(names,
                             [name](const KTRedisValue& n) { return n.compare(name) == 0; })) {
        return m_client->is_connected() ? eValueNotFound : eRedisNotConnected;
    }
    KSC::KCScanViewSpec read;
    for (const KSScanViewList& list : kScanViewLists) {
        const std::string key = ScanViewKey(name, list.suffix);
        const KCFixedString<15> type = m_client->get_type(key.c_str());
        if (type.compare("none") == 0) {
            continue;  // an empty list is no key
        }
        if (type.compare("list") != 0) {
            return m_client->is_connected() ? eInvalidFileFormatProblem : eRedisNotConnected;
        }
        std::vector<KTRedisValue> entries;
        m_client->get_list(key.c_str(), entries);
        for (const KTRedisValue& entry : entries) {
            (read.*list.add)(entry.c_str());
        }
    }
    const std::string pathKey = ScanViewKey(name, kScanViewFilePathSuffix);
    if (!m_client->is_type(pathKey.c_str(), "string")) {
        return m_client->is_connected() ? eInvalidFileFormatProblem : eRedisNotConnected;
    }
    const KTRedisValue filePath = m_client->get_value(pathKey.c_str());
    if (!m_client->is_connected()) {
        return eRedisNotConnected;
    }
    if (!filePath.empty()) {
        read.SetFilePath(FM::KCStPath(filePath.c_str()));
    }
    view = std::move(read);
    return eNoErr;
}

KTErr KCKorvanePluginRedisScanner::GetScanViewsListFromRedis(std::vector<std::string>& names) {
    names.clear();
    if (m_client == nullptr || !m_client->is_connected()) {
        return eRedisNotConnected;
    }
    const kvThread::ThreadMutexLock lock(m_client->command_mutex());
    const KCFixedString<15> type = m_client->get_type(kScanViewsKey);
    if (type.compare("none") == 0) {
        return eNoErr;
    }
    if (type.compare("set") != 0) {
        return m_client->is_connected() ? eInvalidFileFormatProblem : eRedisNotConnected;
    }
    std::vector<KTRedisValue> members;
    m_client->get_set(kScanViewsKey, members);
    for (const KTRedisValue& member : members) {
        names.emplace_back(member.c_str());
    }
    std::ranges::sort(names);
    return m_client->is_connected() ? eNoErr : eRedisNotConnected;
}

void KCKorvanePluginRedisScanner::FilterScanResultsByFolder(
    KSC::KCPluginDiskScannerResults& results, const char* folder) {
    const std::string root = folder != nullptr ? folder : "";
    if (root.empty()) {
        results.GetFiles().clear();  // no folder: no file is under it
        return;
    }
    std::erase_if(results.GetFiles(), [&root](const KSC::KCScannedFile& file) {
        const std::string path(file.m_path.GetPosixPathString().c_str());
        return !(path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                 (path[root.size()] == '/' || root.back() == '/'));
    });
}

}  // namespace kvKorvaneV10_0_3::Redis
