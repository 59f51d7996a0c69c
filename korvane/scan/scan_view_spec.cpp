// Reading, writing and matching scan views. yaml-cpp throws on bad input; nothing escapes.
#include "korvane/scan/scan_view_spec.h"

#include "korvane/core/mem_obj.h"
#include "korvane/core/utf8.h"
#include "korvane/fm/file_io.h"
#include "korvane/fm/file_read_mem_obj.h"
#include "korvane/rm/resource_manager.h"

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <exception>
#include <istream>
#include <new>
#include <sstream>

namespace kvKorvaneV10_0_3::KSC {

namespace {

constexpr const char* kFoldersKey = "folders";
constexpr const char* kIncludeOnlyKey = "include_only";
constexpr const char* kExcludeKey = "exclude";
constexpr const char* kIncludeGUIDKey = "include_guid";
constexpr const char* kExcludeGUIDKey = "exclude_guid";

// Appends the strings of one key's value; a missing or null value adds nothing.
[[nodiscard]] KTErr ReadStrings(const YAML::Node& value, KCScanViewSpec::KTStrings& out) {
    if (!value || value.IsNull()) {
        return eNoErr;
    }
    if (!value.IsSequence()) {
        return eInvalidFileFormatProblem;
    }
    for (const YAML::Node& item : value) {
        if (item.IsNull()) {
            out.emplace_back();
        } else if (item.IsScalar()) {
            // Paths are UTF-8 without NUL characters; yaml-cpp passes other bytes through, and
            // its emitter would write them back as U+FFFD.
            const std::string& text = item.Scalar();
            if (!KUIsValidUtf8(text) || text.find('\0') != std::string::npos) {
                return eInvalidFileFormatProblem;
            }
            out.push_back(text);
        } else {
            return eInvalidFileFormatProblem;
        }
    }
    return eNoErr;
}

// The lists named by one document's keys; unknown keys are refused so that a misspelt key
// does not silently keep plug-ins it was meant to drop.
[[nodiscard]] KTErr ReadDocument(const YAML::Node& doc, KCScanViewSpec::KTStrings* lists[5]) {
    static constexpr const char* kKeys[5] = {kFoldersKey, kIncludeOnlyKey, kExcludeKey,
                                             kIncludeGUIDKey, kExcludeGUIDKey};
    if (doc.IsNull()) {
        return eNoErr;
    }
    if (!doc.IsMap()) {
        return eInvalidFileFormatProblem;
    }
    for (const auto& entry : doc) {
        if (!entry.first.IsScalar()) {
            return eInvalidFileFormatProblem;
        }
        const std::string& key = entry.first.Scalar();
        int index = 0;
        while (index < 5 && key != kKeys[index]) {
            ++index;
        }
        if (index == 5) {
            return eInvalidFileFormatProblem;
        }
        if (const KTErr err = ReadStrings(entry.second, *lists[index]); err != eNoErr) {
            return err;
        }
    }
    return eNoErr;
}

// yaml-cpp's LoadAll never ends on a stray token between documents (a "," at the top level):
// each round yields an empty document without consuming it. This pass walks the documents
// first and stops when one starts where the previous one did.
class KCDocumentProgress : public YAML::EventHandler {
public:
    struct KSStalled {};

    void OnDocumentStart(const YAML::Mark& mark) override {
        if (m_started && mark.pos <= m_lastStart) {
            throw KSStalled();
        }
        m_started = true;
        m_lastStart = mark.pos;
    }
    void OnDocumentEnd() override {}
    void OnNull(const YAML::Mark& /*mark*/, YAML::anchor_t /*anchor*/) override {}
    void OnAlias(const YAML::Mark& /*mark*/, YAML::anchor_t /*anchor*/) override {}
    void OnScalar(const YAML::Mark& /*mark*/, const std::string& /*tag*/, YAML::anchor_t /*anchor*/,
                  const std::string& /*value*/) override {}
    void OnSequenceStart(const YAML::Mark& /*mark*/, const std::string& /*tag*/,
                         YAML::anchor_t /*anchor*/, YAML::EmitterStyle::value /*style*/) override {}
    void OnSequenceEnd() override {}
    void OnMapStart(const YAML::Mark& /*mark*/, const std::string& /*tag*/,
                    YAML::anchor_t /*anchor*/, YAML::EmitterStyle::value /*style*/) override {}
    void OnMapEnd() override {}

private:
    bool m_started = false;
    int m_lastStart = 0;
};

// True when every document of the text ends (whether or not it is well-formed: the load
// reports that).
bool DocumentsEnd(const std::string& text) {
    std::istringstream in(text);
    YAML::Parser parser(in);
    KCDocumentProgress progress;
    try {
        while (parser.HandleNextDocument(progress)) {
        }
    } catch (const KCDocumentProgress::KSStalled&) {
        return false;
    }
    return true;
}

// The first pattern of the list that occurs in the normalised path; null when none does. An
// empty pattern (also a null item) would occur in every path, so it takes no part.
const std::string* FindPattern(const std::string& normalisedPath,
                               const KCScanViewSpec::KTStrings& patterns) {
    for (const std::string& pattern : patterns) {
        if (!pattern.empty() &&
            normalisedPath.find(NormaliseScanViewPath(pattern)) != std::string::npos) {
            return &pattern;
        }
    }
    return nullptr;
}

void EmitList(YAML::Emitter& out, const char* key, const KCScanViewSpec::KTStrings& items) {
    if (items.empty()) {
        return;
    }
    out << YAML::Key << key << YAML::Value << YAML::BeginSeq;
    for (const std::string& item : items) {
        // yaml-cpp may write control characters and some line breaks unquoted, where the reader
        // folds or drops them: anything beyond printable ASCII goes in double quotes, escaped.
        const bool printable =
            std::all_of(item.begin(), item.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
        if (!printable) {
            out << YAML::DoubleQuoted;
        }
        out << item;
    }
    out << YAML::EndSeq;
}

}  // namespace

std::string NormaliseScanViewPath(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

KTErr KCScanViewSpec::ReadScanViewSpecFromString(const std::string& text) {
    KCScanViewSpec read;
    KTStrings* lists[5] = {&read.m_folders, &read.m_includeOnly, &read.m_exclude,
                           &read.m_includeGUIDs, &read.m_excludeGUIDs};
    try {
        if (!DocumentsEnd(text)) {
            return eInvalidFileFormatProblem;
        }
        for (const YAML::Node& doc : YAML::LoadAll(text)) {
            if (const KTErr err = ReadDocument(doc, lists); err != eNoErr) {
                return err;
            }
        }
    } catch (const YAML::Exception&) {
        return eInvalidFileFormatProblem;
    } catch (const std::bad_alloc&) {
        return eMemOutOfMemory;
    } catch (const std::exception&) {
        return eInvalidFileFormatProblem;
    }
    *this = std::move(read);
    return eNoErr;
}

KTErr KCScanViewSpec::ReadScanViewSpecFromIstream(std::istream& in) {
    try {
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        if (in.bad()) {
            return eFMReadFailed;
        }
        return ReadScanViewSpecFromString(text);
    } catch (const std::bad_alloc&) {
        return eMemOutOfMemory;
    } catch (const std::exception&) {
        return eFMReadFailed;
    }
}

KTErr KCScanViewSpec::ReadScanViewSpecFromFile(const FM::KCStPath& path) {
    int err = eNoErr;
    if (!path.IsValid(err)) {
        return err;
    }
    if (path.IsFolder()) {
        return eFMIsAFolder;
    }
    // Regular files only and capped: a FIFO or a device at the path must not block the scan.
    if (!path.IsFile()) {
        return eFMFileNotFound;
    }
    if (path.GetFileSize() > static_cast<std::int64_t>(kScanViewMaxFileSize)) {
        return eFMFileSizeTooBig;
    }
    const Utils::KCStFileReadMemObj bytes(path);
    if (!bytes.IsValid(err)) {
        return err;
    }
    err = ReadScanViewSpecFromString(
        std::string(bytes.data() != nullptr ? bytes.data() : "", bytes.size));
    if (err == eNoErr) {
        m_filePath = path;
    }
    return err;
}

KTErr KCScanViewSpec::ReadScanViewSpecFromResource(KTResContainerType* container,
                                                   const KCFixedString<31>& type, short id) {
    Utils::KCStMemObj bytes;
    if (const KTErr err = RM::GetRawResourceData(container, type, id, bytes); err != eNoErr) {
        return err;
    }
    return ReadScanViewSpecFromString(
        std::string(bytes.ptr != nullptr ? static_cast<const char*>(bytes.ptr) : "", bytes.size));
}

KTErr KCScanViewSpec::WriteScanViewSpecToString(std::string& out) const {
    try {
        // Only strings reach the emitter, so its locale-dependent number formatting never runs.
        YAML::Emitter emitter;
        emitter << YAML::BeginMap;
        EmitList(emitter, kFoldersKey, m_folders);
        EmitList(emitter, kIncludeOnlyKey, m_includeOnly);
        EmitList(emitter, kExcludeKey, m_exclude);
        EmitList(emitter, kIncludeGUIDKey, m_includeGUIDs);
        EmitList(emitter, kExcludeGUIDKey, m_excludeGUIDs);
        emitter << YAML::EndMap;
        if (!emitter.good()) {
            return eInvalidFileFormatProblem;
        }
        out.assign(emitter.c_str(), emitter.size());
        out += '\n';
        return eNoErr;
    } catch (const std::bad_alloc&) {
        return eMemOutOfMemory;
    } catch (const std::exception&) {
        return eInvalidFileFormatProblem;
    }
}

KTErr KCScanViewSpec::WriteScanViewSpecToFile() {
    if (m_filePath.GetPathRef() == nullptr) {
        return eFMIllegalPathRef;
    }
    const FM::KCStPath path = m_filePath;
    return WriteScanViewSpecToFile(path);
}

KTErr KCScanViewSpec::WriteScanViewSpecToFile(const FM::KCStPath& path) {
    int err = eNoErr;
    if (!path.IsValid(err)) {
        return err;
    }
    std::string text;
    if (err = WriteScanViewSpecToString(text); err != eNoErr) {
        return err;
    }
    // Another shell may read the file at any moment: it sees the old or the new scan view,
    // never half of one, also when the disk fills up or the process dies.
    if (err = FM::WriteFileAtomically(path.GetPathRef(), text.data(), text.size()); err != eNoErr) {
        return err;
    }
    m_filePath = path;
    return eNoErr;
}

bool KCScanViewSpec::ShouldPathBeIncluded(const KCFixedString<1023>& path,
                                          KCFixedStringBase& matchedPattern) const {
    matchedPattern.clear();
    const bool anyPattern = std::any_of(m_includeOnly.begin(), m_includeOnly.end(),
                                        [](const std::string& p) { return !p.empty(); });
    if (!anyPattern) {
        return true;
    }
    const std::string* pattern = FindPattern(NormaliseScanViewPath(path.c_str()), m_includeOnly);
    if (pattern == nullptr) {
        return false;
    }
    matchedPattern = pattern->c_str();
    return true;
}

bool KCScanViewSpec::ShouldPathBeExcluded(const KCFixedString<1023>& path,
                                          KCFixedStringBase& matchedPattern) const {
    matchedPattern.clear();
    const std::string* pattern = FindPattern(NormaliseScanViewPath(path.c_str()), m_exclude);
    if (pattern == nullptr) {
        return false;
    }
    matchedPattern = pattern->c_str();
    return true;
}

bool KCScanViewSpec::ShouldGUIDBeExcluded(const KCFixedStringBase& guid) const {
    for (const std::string& excluded : m_excludeGUIDs) {
        if (!excluded.empty() && excluded == guid.c_str()) {
            return true;
        }
    }
    return false;
}

bool KCScanViewSpec::ShouldGUIDBeIncluded(const KCFixedStringBase& guid) const {
    bool any = false;
    for (const std::string& included : m_includeGUIDs) {
        if (included.empty()) {
            continue;
        }
        if (included == guid.c_str()) {
            return true;
        }
        any = true;
    }
    return !any;
}

std::uint32_t KCScanViewSpec::GetPathRejectBits(const KCFixedString<1023>& path) const {
    KCFixedString<1023> pattern;
    std::uint32_t bits = 0;
    if (!ShouldPathBeIncluded(path, pattern)) {
        bits |= 1U << kScanViewIncludeRejectBit;
    }
    if (ShouldPathBeExcluded(path, pattern)) {
        bits |= 1U << kScanViewExcludeRejectBit;
    }
    return bits;
}

void KCScanViewSpec::clear() {
    m_folders.clear();
    m_includeOnly.clear();
    m_exclude.clear();
    m_includeGUIDs.clear();
    m_excludeGUIDs.clear();
    m_filePath.Clear();
}

bool KCScanViewSpec::empty() const {
    return m_folders.empty() && m_includeOnly.empty() && m_exclude.empty() &&
           m_includeGUIDs.empty() && m_excludeGUIDs.empty();
}

}  // namespace kvKorvaneV10_0_3::KSC
