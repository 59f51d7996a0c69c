// The scan cache file, the statuses a cached result depends on, and one scan's use of both.
#include "korvane/scan/scan_cache.h"

#include "korvane/core/mem_obj.h"
#include "korvane/fm/file_io.h"
#include "korvane/fm/folder_iterator.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/resource_manager.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace kvKorvaneV10_0_3::KSC {
namespace {

// The first line of a file of this version; a file of another version is not read.
constexpr std::string_view kHeader = "KorvaneScanCache\t3\n";
// The last line: this tag, a tab, the checksum of everything before the line, a newline.
constexpr std::string_view kTrailer = "end\t";

// The whole text is the number, in its type's range.
template <typename T>
bool ParseNumber(std::string_view text, T& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// ------------------------------------------------------------------ writing

void AppendNumber(std::string& out, auto value) {
    char buffer[24];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

// Tabs end fields and newlines end records, so those, the escape character, CR and NUL are
// written as two characters each; every other byte stands as it is.
void AppendText(std::string& out, std::string_view text) {
    for (;;) {
        const auto special = text.find_first_of(std::string_view("\\\t\n\r\0", 5));
        out.append(text.substr(0, special));
        if (special == std::string_view::npos) {
            return;
        }
        out += '\\';
        switch (text[special]) {
            case '\t':
                out += 't';
                break;
            case '\n':
                out += 'n';
                break;
            case '\r':
                out += 'r';
                break;
            case '\0':
                out += '0';
                break;
            default:
                out += '\\';
                break;
        }
        text.remove_prefix(special + 1);
    }
}

// One record: a one-character tag, then each field after a tab, then a newline.
class Record {
public:
    Record(std::string& out, char tag) : m_out(out) { m_out += tag; }
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;
    ~Record() { m_out += '\n'; }

    Record& Text(std::string_view text) {
        m_out += '\t';
        AppendText(m_out, text);
        return *this;
    }
    Record& Number(auto value) {
        m_out += '\t';
        AppendNumber(m_out, value);
        return *this;
    }
    Record& Flag(bool value) {
        m_out += '\t';
        m_out += value ? '1' : '0';
        return *this;
    }
    Record& Code(KCFourCC code) { return Number(code.Value()); }
    Record& Version(const KCVersion& v) {
        m_out += '\t';
        AppendNumber(m_out, v.Major());
        for (const unsigned int n : {v.Minor(), v.Revision(), v.InternalStage()}) {
            m_out += '.';
            AppendNumber(m_out, n);
        }
        return *this;
    }
    // Numbers separated by commas; an empty list is an empty field.
    template <typename Range, typename Value>
    Record& List(const Range& items, Value value) {
        m_out += '\t';
        bool first = true;
        for (const auto& item : items) {
            if (!first) {
                m_out += ',';
            }
            first = false;
            AppendNumber(m_out, value(item));
        }
        return *this;
    }

private:
    std::string& m_out;
};

using ProcessMemory::CProcCodeDesc;

void WriteDesc(std::string& out, const CProcCodeDesc& d) {
    {
        Record r(out, 'D');
        r.Code(d.ResType_).Number(d.ResID_).Number(d.IdleResID_);
        r.Number(static_cast<std::int32_t>(d.ProcessorFamily));
        for (const std::uint32_t n :
             {d.States, d.Coefs, d.InternalP, d.InternalX, d.InternalY, d.MaxSampleRate,
              d.TotalInputs, d.SideChainInputs, d.Outputs, d.IdleInternalP}) {
            r.Number(n);
        }
        r.Flag(d.HasMIDIInput).List(d.CyclesList, [](int n) { return n; });
        r.Text(d.GetProcessFuncName().c_str());
    }
    for (const auto& b : d.ExternBuffDescs) {
        Record(out, 'X')
            .Code(b.memSpace)
            .Number(b.size)
            .Number(b.accessCount)
            .Flag(b.cyclic)
            .Number(b.memAlign)
            .Flag(b.dram);
    }
}

void WriteInfo(std::string& out, char tag, const KorvaneComponentInfo& info) {
    Record(out, tag)
        .Number(static_cast<int>(info.pluginType))
        .Text(info.pluginFilePath.c_str())
        .Code(info.componentType)
        .Code(info.componentSubType)
        .Code(info.componentAffiliation)
        .Text(info.shortName.c_str())
        .Version(info.pluginInternalVersion)
        .Version(info.pluginAPIVersion)
        .Number(static_cast<int>(info.instanceType))
        .Text(info.vendorName.c_str())
        .Text(info.categoryName.c_str())
        .Text(info.pluginExternalVersion.c_str())
        .Text(info.pluginName.c_str())
        .Number(info.subComponentIndex)
        .Flag(info.showSubComp)
        .Text(info.componentGUID.c_str())
        .Number(info.numInputs)
        .Number(info.numOutputs)
        .Flag(info.isVirtualInstrument);
    for (const CProcCodeDesc& desc : info.compProcCodeDesc) {
        WriteDesc(out, desc);
    }
}

void WriteEntry(std::string& out, const std::string& path, const KSScanCacheEntry& entry) {
    Record(out, 'C')
        .Text(path)
        .Number(entry.file.m_rejectBits.Word())
        .List(entry.file.m_affiliations, [](KCFourCC code) { return code.Value(); });
    for (const auto& stamp : entry.stamps) {
        const platform::KSFileStatus& s = stamp.status;
        const char kind = static_cast<char>(s.kind);
        Record r(out, 'S');
        r.Text(std::string_view(&kind, 1));
        r.Number(s.device).Number(s.inode).Number(s.size).Number(s.modified).Number(s.changed);
        r.Text(stamp.relative.str());
    }
    for (const auto& [name, on] : entry.flags) {
        Record(out, 'F').Flag(on).Text(name);
    }
    WriteInfo(out, 'P', entry.file.m_bundleInfo);
    for (const KorvaneComponentInfo& info : entry.file.m_components) {
        WriteInfo(out, 'I', info);
    }
}

// ------------------------------------------------------------------ reading

// Whether a field holds an escape, or a CR or NUL (which AppendText never leaves bare).
bool NeedsUnescape(std::string_view raw) {
    return std::any_of(raw.begin(), raw.end(),
                       [](char c) { return c == '\\' || c == '\r' || c == '\0'; });
}

// Undoes AppendText; false for an escape it does not write, or a CR or NUL left bare.
bool Unescape(std::string_view raw, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\r' || c == '\0') {
            return false;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == raw.size()) {
            return false;
        }
        switch (raw[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case '0':
                out += '\0';
                break;
            default:
                return false;
        }
    }
    return true;
}

// Whether the eight bytes of `chunk` (in memory order) are all decimal digits.
[[gnu::always_inline]] constexpr bool EightDigits(std::uint64_t chunk) {
    constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ULL;
    constexpr std::uint64_t kZeros = 0x3030303030303030ULL;
    // '0'..'9' is 0x30..0x39: the high half 3, and still 3 once 6 is added.
    return (chunk & kHigh) == kZeros && ((chunk + 0x0606060606060606ULL) & kHigh) == kZeros;
}

// The value of eight digits (in memory order, the first the most significant), combining
// neighbours pairwise: 2 then 4 then 8 digits at a time.
[[gnu::always_inline]] constexpr std::uint64_t EightDigitsValue(std::uint64_t chunk) {
    static_assert(std::endian::native == std::endian::little);
    chunk -= 0x3030303030303030ULL;
    chunk = (chunk * 10 + (chunk >> 8)) & 0x00FF00FF00FF00FFULL;
    chunk = (chunk * 100 + (chunk >> 16)) & 0x0000FFFF0000FFFFULL;
    return (chunk * 10000 + (chunk >> 32)) & 0xFFFFFFFFULL;
}

// Decimal digits from `at` (not past `end`) into `value`, `at` left on the first byte that is
// not one; false without any digit or past 64 bits. The times of a status have 19 digits, so
// digits are taken eight at a time while no overflow is possible (up to 16), then one by one,
// checked past the 19th. Inlined: most numbers are a few digits, where a call would cost more
// than the digits.
[[gnu::always_inline]] inline bool ParseDigits(const char*& at, const char* end,
                                               std::uint64_t& value) {
    const char* const start = at;
    std::uint64_t v = 0;
    for (int chunks = 0; chunks < 2 && end - at >= 8; ++chunks) {
        std::uint64_t chunk = 0;
        std::memcpy(&chunk, at, 8);
        if (!EightDigits(chunk)) {
            break;
        }
        v = v * 100'000'000ULL + EightDigitsValue(chunk);
        at += 8;
    }
    for (const char* unchecked = end - start > 19 ? start + 19 : end; at != unchecked; ++at) {
        const unsigned int digit = static_cast<unsigned int>(static_cast<unsigned char>(*at)) - '0';
        if (digit > 9) {
            value = v;
            return at != start;
        }
        v = v * 10 + digit;
    }
    for (; at != end; ++at) {
        const unsigned int digit = static_cast<unsigned int>(static_cast<unsigned char>(*at)) - '0';
        if (digit > 9) {
            break;
        }
        if (__builtin_mul_overflow(v, 10U, &v) || __builtin_add_overflow(v, digit, &v)) {
            return false;
        }
    }
    value = v;
    return at != start;
}

// An integer of T's range from `at` (a '-' first only for a signed T), as std::from_chars
// reads it; `at` left after it.
template <typename T>
[[gnu::always_inline]] inline bool ParseInteger(const char*& at, const char* end, T& out) {
    bool negative = false;
    if constexpr (std::is_signed_v<T>) {
        if (at != end && *at == '-') {
            negative = true;
            ++at;
        }
    }
    std::uint64_t magnitude = 0;
    if (!ParseDigits(at, end, magnitude)) {
        return false;
    }
    using U = std::make_unsigned_t<T>;
    constexpr auto kMost = static_cast<std::uint64_t>(std::numeric_limits<T>::max());
    if (!negative) {
        if (magnitude > kMost) {
            return false;
        }
        out = static_cast<T>(magnitude);
        return true;
    }
    if (magnitude > kMost + 1) {
        return false;
    }
    out = static_cast<T>(static_cast<U>(0U - static_cast<U>(magnitude)));
    return true;
}

// The fields of one record, taken in order. Every reader checks what it takes against its
// type's range; nothing read is used as a length or a count. Numbers are read where they
// stand; a record that holds no backslash, CR or NUL (`plain`) has no text to undo.
class Fields {
public:
    Fields() = default;
    Fields(const char* at, const char* end, bool plain) : m_at(at), m_end(end), m_plain(plain) {}

    bool Raw(std::string_view& out) {
        if (m_done) {
            return false;
        }
        const auto* tab = static_cast<const char*>(
            std::memchr(m_at, '\t', static_cast<std::size_t>(m_end - m_at)));
        const char* fieldEnd = tab == nullptr ? m_end : tab;
        out = std::string_view(m_at, static_cast<std::size_t>(fieldEnd - m_at));
        return Ended(fieldEnd);
    }
    // Whether every field was taken.
    [[nodiscard]] bool Done() const { return m_done; }

    template <typename T>
    bool Number(T& out) {
        const char* at = m_at;
        return !m_done && ParseInteger(at, m_end, out) && Ended(at);
    }
    bool Flag(bool& out) {
        if (m_done || m_at == m_end || (*m_at != '0' && *m_at != '1')) {
            return false;
        }
        out = *m_at == '1';
        return Ended(m_at + 1);
    }
    bool Code(KCFourCC& out) {
        std::uint32_t value = 0;
        if (!Number(value)) {
            return false;
        }
        out = KCFourCC(value);
        return true;
    }
    // The field's text with its escapes undone: a view of the record itself when it holds
    // none, else of the scratch string, valid until the next field is taken.
    bool TextView(std::string_view& out) {
        if (!Raw(out)) {
            return false;
        }
        if (m_plain || !NeedsUnescape(out)) {
            return true;
        }
        if (!Unescape(out, m_scratch)) {
            return false;
        }
        out = m_scratch;
        return true;
    }
    bool Text(std::string& out) {
        std::string_view text;
        if (!TextView(text)) {
            return false;
        }
        out.assign(text);
        return true;
    }
    // A text that the string holds whole, without a NUL.
    bool Fixed(KCFixedStringBase& out) {
        std::string_view text;
        // Only an undone escape leaves a NUL, and only a record that is not plain holds one.
        if (!TextView(text) || (!m_plain && text.find('\0') != std::string_view::npos)) {
            return false;
        }
        if (text.size() > out.capacity()) {
            return false;
        }
        out.assign(text.data(), static_cast<unsigned int>(text.size()));
        return true;
    }
    bool Version(KCVersion& out) {
        if (m_done) {
            return false;
        }
        const char* at = m_at;
        unsigned int* parts[] = {&out.Major(), &out.Minor(), &out.Revision(), &out.InternalStage()};
        for (std::size_t i = 0; i < 4; ++i) {
            if (!ParseInteger(at, m_end, *parts[i])) {
                return false;
            }
            if (i < 3) {
                if (at == m_end || *at != '.') {
                    return false;
                }
                ++at;
            }
        }
        return Ended(at);
    }
    // Numbers separated by commas, each checked by `keep`; an empty field is an empty list.
    template <typename T, typename Keep>
    bool List(std::vector<T>& out, Keep keep) {
        if (m_done) {
            return false;
        }
        out.clear();
        const char* at = m_at;
        if (at != m_end && *at != '\t') {
            for (;;) {
                T value{};
                if (!ParseInteger(at, m_end, value) || !keep(value)) {
                    return false;  // a trailing or doubled comma finds no digit
                }
                out.push_back(value);
                if (at == m_end || *at != ',') {
                    break;
                }
                ++at;
            }
        }
        return Ended(at);
    }

private:
    // The field ends at `at`: there must stand the tab before the next field or the record's
    // end.
    bool Ended(const char* at) {
        if (at == m_end) {
            m_done = true;
            return true;
        }
        if (*at != '\t') {
            return false;
        }
        m_at = at + 1;
        return true;
    }

    const char* m_at = nullptr;
    const char* m_end = nullptr;
    bool m_plain = true;
    bool m_done = false;
    std::string m_scratch;
};

// The records of a text, one line each, and what the reading shares between them.
class Records {
public:
    explicit Records(std::string_view text)
        : m_begin(text.data()), m_at(text.data()), m_end(text.data() + text.size()) {}

    [[nodiscard]] bool Empty() const { return m_at == m_end; }
    // The tag of the next record, or NUL when none starts here.
    [[nodiscard]] char Tag() const { return m_end - m_at >= 2 && m_at[1] == '\t' ? *m_at : '\0'; }
    // Takes the next record when it has this tag and a whole line.
    bool Take(char tag, Fields& out) {
        if (Tag() != tag || tag == '\0') {
            return false;
        }
        const auto* newline = static_cast<const char*>(
            std::memchr(m_at + 2, '\n', static_cast<std::size_t>(m_end - m_at - 2)));
        if (newline == nullptr) {
            return false;
        }
        out = Fields(m_at + 2, newline, PlainUpTo(newline));
        m_at = newline + 1;
        return true;
    }
    // The shared text of the `index`th stamp path of an entry: the previous entry's at that
    // index when the text is the same (bundles mostly stamp the same paths in the same order),
    // else a new one. No hash table: a crafted file cannot make a look-up cost more than one
    // comparison.
    KCScanCacheRelative Relative(std::size_t index, std::string_view text) {
        if (index >= m_relatives.size()) {
            m_relatives.resize(index + 1);
        }
        std::shared_ptr<const std::string>& kept = m_relatives[index];
        if (!kept || *kept != text) {
            kept = std::make_shared<const std::string>(text);
        }
        return KCScanCacheRelative(kept);
    }

private:
    // Whether no backslash, CR or NUL stands between the current record and `end`. The next
    // of each is looked for only once the reading has passed the last one found, so each byte
    // of the text is searched at most once per kind.
    bool PlainUpTo(const char* end) {
        static constexpr char kEscaped[] = {'\\', '\r', '\0'};
        bool plain = true;
        for (std::size_t i = 0; i < 3; ++i) {
            if (m_next[i] < m_at - m_begin) {
                const auto* found = static_cast<const char*>(
                    std::memchr(m_at, kEscaped[i], static_cast<std::size_t>(m_end - m_at)));
                m_next[i] = (found == nullptr ? m_end : found) - m_begin;
            }
            plain = plain && m_next[i] >= end - m_begin;
        }
        return plain;
    }

    const char* m_begin;
    const char* m_at;
    const char* m_end;
    // Where the next backslash, CR and NUL stand (offsets; the text's size when none is left).
    std::ptrdiff_t m_next[3] = {-1, -1, -1};
    // The stamp paths of the entry read last, by index.
    std::vector<std::shared_ptr<const std::string>> m_relatives;
};

bool ReadDesc(Records& records, CProcCodeDesc& d) {
    Fields f;
    std::int32_t family = 0;
    constexpr std::uint32_t kMaxWords = CProcCodeDesc::kMaxWords;
    constexpr std::uint32_t kMaxChannels = CProcCodeDesc::kMaxChannels;
    const std::pair<std::uint32_t*, std::uint32_t> bounded[] = {
        {&d.States, kMaxWords},         {&d.Coefs, kMaxWords},
        {&d.InternalP, kMaxWords},      {&d.InternalX, kMaxWords},
        {&d.InternalY, kMaxWords},      {&d.MaxSampleRate, CProcCodeDesc::kMaxRate},
        {&d.TotalInputs, kMaxChannels}, {&d.SideChainInputs, kMaxChannels},
        {&d.Outputs, kMaxChannels},     {&d.IdleInternalP, kMaxWords},
    };
    if (!records.Take('D', f) || !f.Code(d.ResType_) || !f.Number(d.ResID_) ||
        !f.Number(d.IdleResID_) || !f.Number(family)) {
        return false;
    }
    // Only a family a description can name, with one cycle count per variant of it.
    d.ProcessorFamily = static_cast<ProcessMemory::EProcessorFamily>(family);
    if (ProcessMemory::NameToProcessorFamily(
            ProcessMemory::ProcessorFamilyName(d.ProcessorFamily)) != d.ProcessorFamily) {
        return false;
    }
    for (const auto& [field, most] : bounded) {
        if (!f.Number(*field) || *field > most) {
            return false;
        }
    }
    KCFixedString<CProcCodeDesc::kMaxFuncNameLength> name;
    // The family is known good here, and so is the count its list must have.
    d.CyclesList.reserve(
        static_cast<std::size_t>(ProcessMemory::ProcessorSpecificCount(d.ProcessorFamily)));
    if (!f.Flag(d.HasMIDIInput) || !f.List(d.CyclesList, [](int n) { return n >= -1; }) ||
        d.CyclesList.size() !=
            static_cast<std::size_t>(ProcessMemory::ProcessorSpecificCount(d.ProcessorFamily)) ||
        !f.Fixed(name) || !f.Done()) {
        return false;
    }
    d.SetProcessFuncName(name.c_str());
    while (records.Tag() == 'X') {
        CProcCodeDesc::SExternBuffDesc b;
        if (!records.Take('X', f) || !f.Code(b.memSpace) || !f.Number(b.size) ||
            b.size > kMaxWords || !f.Number(b.accessCount) || !f.Flag(b.cyclic) ||
            !f.Number(b.memAlign) || !f.Flag(b.dram) || !f.Done()) {
            return false;
        }
        d.ExternBuffDescs.push_back(b);
    }
    return true;
}

bool ReadInfo(Records& records, char tag, KorvaneComponentInfo& info) {
    Fields f;
    int type = 0;
    int instance = 0;
    if (!records.Take(tag, f) || !f.Number(type) || type < eUnknownPluginType ||
        type > eKPAPIShell || !f.Fixed(info.pluginFilePath) || !f.Code(info.componentType) ||
        !f.Code(info.componentSubType) || !f.Code(info.componentAffiliation) ||
        !f.Fixed(info.shortName) || !f.Version(info.pluginInternalVersion) ||
        !f.Version(info.pluginAPIVersion) || !f.Number(instance) || instance < eInitPlugin ||
        instance > eInitPluginForTest || !f.Fixed(info.vendorName) || !f.Fixed(info.categoryName) ||
        !f.Fixed(info.pluginExternalVersion) || !f.Fixed(info.pluginName) ||
        !f.Number(info.subComponentIndex) || !f.Flag(info.showSubComp) ||
        !f.Fixed(info.componentGUID) || !f.Number(info.numInputs) || !f.Number(info.numOutputs) ||
        !f.Flag(info.isVirtualInstrument) || !f.Done()) {
        return false;
    }
    info.pluginType = static_cast<PluginShellType>(type);
    info.instanceType = static_cast<ePluginInstanceType>(instance);
    info.compProcCodeDesc.clear();
    while (records.Tag() == 'D') {
        if (!ReadDesc(records, info.compProcCodeDesc.emplace_back())) {
            return false;
        }
    }
    return true;
}

bool ReadStamp(Records& records, Fields& f, std::size_t index, KSScanCacheStamp& out) {
    using platform::EStampKind;
    std::string_view kind;
    if (!f.Raw(kind) || kind.size() != 1) {
        return false;
    }
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
    platform::KSFileStatus& s = out.status;
    std::string_view relative;
    if (!f.Number(s.device) || !f.Number(s.inode) || !f.Number(s.size) || !f.Number(s.modified) ||
        !f.Number(s.changed) || !f.TextView(relative) || !f.Done()) {
        return false;
    }
    out.relative = records.Relative(index, relative);
    return true;
}

bool ReadEntry(Records& records, std::string& path, KSScanCacheEntry& out) {
    Fields f;
    unsigned int bits = 0;
    std::vector<std::uint32_t> codes;
    if (!records.Take('C', f) || !f.Text(path) || !path.starts_with('/') ||
        path.find('\0') != std::string::npos || !f.Number(bits) ||
        !f.List(codes, [](std::uint32_t) { return true; }) || !f.Done()) {
        return false;
    }
    out.file.m_rejectBits.SetWord(bits);
    for (const std::uint32_t code : codes) {
        out.file.m_affiliations.emplace_back(code);
    }
    out.stamps.reserve(16);  // a usual bundle has about ten; not taken from the file
    while (records.Tag() == 'S') {
        const std::size_t index = out.stamps.size();
        if (!records.Take('S', f) || !ReadStamp(records, f, index, out.stamps.emplace_back())) {
            return false;
        }
    }
    // Without a stamp nothing would show that the candidate changed.
    if (out.stamps.empty()) {
        return false;
    }
    while (records.Tag() == 'F') {
        bool on = false;
        std::string name;
        if (!records.Take('F', f) || !f.Flag(on) || !f.Text(name) || !f.Done()) {
            return false;
        }
        out.flags.emplace_back(std::move(name), on);
    }
    if (!ReadInfo(records, 'P', out.file.m_bundleInfo)) {
        return false;
    }
    // Read in place: a component record is large.
    KCKorvaneComponentInfoList& components = out.file.m_components;
    while (records.Tag() == 'I') {
        components.Add(KorvaneComponentInfo());
        if (!ReadInfo(records, 'I',
                      *components.GetKorvaneComponentInfo(components.GetNumComponents() - 1))) {
            return false;
        }
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

// Whether the entry comes back from the file's text as it is. A text the reader refuses would
// throw away every other entry with it, and one that reads back differently would give
// another result than the scan did.
bool ReadsBack(const std::string& path, const KSScanCacheEntry& entry) {
    std::string text;
    WriteEntry(text, path, entry);
    Records records(text);
    std::string backPath;
    KSScanCacheEntry back;
    return ReadEntry(records, backPath, back) && records.Empty() && backPath == path &&
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

// Whether at least three of the stamps right after `at` are items directly in the folder
// stamped there (stamps come sorted, so what lies below a folder follows it). Such a folder
// ("Contents/Resources") is worth an opening of its own: the look-ups below it then walk one
// or two path components instead of four or five.
bool HoldsSeveralStamped(const std::vector<KSScanCacheStamp>& stamps, std::size_t at) {
    const std::string_view folder = stamps[at].relative.str();
    if (folder.empty()) {
        return false;
    }
    int direct = 0;
    for (std::size_t i = at + 1; i < stamps.size() && direct < 3; ++i) {
        const std::string_view relative = stamps[i].relative.str();
        if (relative.size() <= folder.size() + 1 || relative[folder.size()] != '/' ||
            !relative.starts_with(folder)) {
            break;
        }
        direct += relative.find('/', folder.size() + 1) == std::string_view::npos ? 1 : 0;
    }
    return direct >= 3;
}

}  // namespace

const std::string& KCScanCacheRelative::Empty() {
    static const std::string empty;
    return empty;
}

std::uint64_t ScanCacheChecksum(std::string_view text) {
    // Eight bytes at a time, each step multiplied and folded so that every byte moves every
    // later bit; enough to tell a damaged or hand-edited file, not meant against intent.
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
    std::uint64_t hash = 0xCBF29CE484222325ULL ^ text.size();
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at, 8);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 32;
    }
    for (; at < text.size(); ++at) {
        hash = (hash ^ static_cast<unsigned char>(text[at])) * kMultiplier;
        hash ^= hash >> 32;
    }
    return hash;
}

std::string WriteScanCacheText(const KTScanCacheGroups& groups) {
    std::string text(kHeader);
    for (const auto& group : groups) {
        Record(text, 'G').Text(group->folder).Text(group->context);
        for (const auto& [path, entry] : group->entries) {
            WriteEntry(text, path, *entry);
        }
    }
    const std::uint64_t sum = ScanCacheChecksum(text);
    text += kTrailer;
    AppendNumber(text, sum);
    text += '\n';
    return text;
}

bool ReadScanCacheText(const char* data, std::size_t size, KTScanCacheGroups& out) {
    out.clear();
    if (data == nullptr || size <= kHeader.size() || size > kScanCacheMaxFileSize) {
        return false;
    }
    const std::string_view text(data, size);
    if (!text.starts_with(kHeader) || text.back() != '\n') {
        return false;
    }
    // The trailer's checksum covers everything before it: a file cut short or changed
    // anywhere is refused before any of it is used.
    const std::size_t trailer = text.find_last_of('\n', text.size() - 2) + 1;
    const std::string_view body = text.substr(0, trailer);
    std::string_view sumText = text.substr(trailer, text.size() - 1 - trailer);
    std::uint64_t sum = 0;
    if (trailer < kHeader.size() || !sumText.starts_with(kTrailer) ||
        !ParseNumber(sumText.substr(kTrailer.size()), sum) || ScanCacheChecksum(body) != sum) {
        return false;
    }
    // Counted before anything is built from them.
    std::size_t lines = 0;
    std::size_t components = 0;
    for (const char* at = body.data(); at != body.data() + body.size(); ++lines) {
        components += *at == 'P' || *at == 'I' ? 1 : 0;
        // The body ends with a newline, so one is always found.
        at = static_cast<const char*>(
                 std::memchr(at, '\n', static_cast<std::size_t>(body.data() + body.size() - at))) +
             1;
    }
    if (lines > kScanCacheMaxRecords || components > kScanCacheMaxComponents) {
        return false;
    }
    Records records(body.substr(kHeader.size()));
    KTScanCacheGroups groups;
    while (!records.Empty()) {
        Fields f;
        auto group = std::make_shared<KSScanCacheGroup>();
        if (groups.size() >= kScanCacheMaxGroups || !records.Take('G', f) ||
            !f.Text(group->folder) || !f.Text(group->context) || !f.Done()) {
            return false;
        }
        while (records.Tag() == 'C') {
            std::string path;
            auto entry = std::make_shared<KSScanCacheEntry>();
            // Written in key order, so each entry goes at the end; a repeated key adds nothing.
            const std::size_t before = group->entries.size();
            if (!ReadEntry(records, path, *entry)) {
                return false;
            }
            group->entries.emplace_hint(group->entries.end(), std::move(path), std::move(entry));
            if (group->entries.size() == before) {
                return false;
            }
        }
        groups.push_back(std::move(group));
    }
    out = std::move(groups);
    return true;
}

void CollectScanCacheStamps(const FM::KCStPath& candidate, KTResContainerType* container,
                            const std::vector<const char*>& types,
                            const std::vector<RM::KCResKey>& keys, bool platformFolder,
                            std::vector<KSScanCacheStamp>& out) {
    out.clear();
    const std::string base = candidate.GetPathString().c_str();
    const std::string prefix = base + "/";
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
    const auto watchFolder = [&](const std::string& folder) {
        if (isFolder(folder)) {
            relatives.insert(folder);
            addFilesOf(folder);
        }
    };
    // The path below the candidate, or empty for a path elsewhere.
    const auto relativeOf = [&prefix](const FM::KCStPath& path) {
        const std::string text = path.GetPathString().c_str();
        return text.starts_with(prefix) ? text.substr(prefix.size()) : std::string();
    };
    if (isFolder("Contents")) {
        // Whatever replaces the candidate, or its "Contents", brings another "Contents".
        if (platformFolder) {
            relatives.insert("Contents/Linux64");  // may be a link to a folder elsewhere
        }
        addFilesOf("Contents");
        addFilesOf("Contents/Resources");
        for (const char* type : types) {
            watchFolder(std::string("Contents/Resources/") + type);
        }
        // A resource asked for by name depends on its own loose file only, whatever else its
        // type folder holds: that file's status, "absent" included, stands for the folder's.
        // A type folder that does not exist yet changes "Contents/Resources" when it comes.
        for (const RM::KCResKey& key : keys) {
            const std::string folder = std::string("Contents/Resources/") + key.GetType().c_str();
            FM::KCStPath loose;
            if (container == nullptr) {
                watchFolder(folder);  // without the configuration the file's name is unknown
            } else if (isFolder(folder)) {
                const bool named = RM::GetPathToTheoreticalFile(container, key, loose) == eNoErr &&
                                   relativeOf(loose).starts_with(folder + "/");
                if (named) {
                    relatives.insert(relativeOf(loose));
                } else {
                    watchFolder(folder);
                }
            }
        }
    } else {
        relatives.insert("");
    }
    if (container != nullptr) {
        // Redirected resources may live anywhere below the resources folder. Archive entries
        // ("<archive>/<entry>") are covered by the archive's stamp.
        const auto addActual = [&](const RM::KCResKey& key) {
            FM::KCStPath actual;
            if (RM::GetPathToActualFile(container, key, actual) != eNoErr) {
                return;
            }
            const std::string relative = relativeOf(actual);
            if (!relative.empty() && below.StatusOf(relative).kind == platform::EStampKind::eFile) {
                relatives.insert(relative);
            }
        };
        for (const char* type : types) {
            std::vector<KCFixedString<255>> names;
            (void)RM::GetResIDList(container, RM::KCResType(type), names);
            for (const auto& name : names) {
                const std::string_view text(name.c_str());
                const auto mark = text.find('?');
                addActual(mark == std::string_view::npos
                              ? RM::KCResKey(RM::KCResType(type), name.c_str())
                              : RM::KCResKey(RM::KCResType(type),
                                             std::string(text.substr(0, mark)).c_str(),
                                             std::string(text.substr(mark + 1)).c_str()));
            }
        }
        for (const RM::KCResKey& key : keys) {
            addActual(key);
        }
    }
    out.reserve(relatives.size());
    for (const auto& relative : relatives) {
        out.push_back({relative, below.StatusOf(relative)});
    }
}

bool ScanCacheStampsHold(const std::string& candidate, const std::vector<KSScanCacheStamp>& stamps,
                         platform::KCStatusesInFolder& folders) {
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        const KSScanCacheStamp& stamp = stamps[i];
        const bool keepOpen =
            stamp.status.kind == platform::EStampKind::eFolder && HoldsSeveralStamped(stamps, i);
        if (folders.StatusOf(candidate, stamp.relative, keepOpen) != stamp.status) {
            return false;
        }
    }
    return true;
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
    if (!ScanCacheStampsHold(candidate, entry.stamps, m_folders)) {
        return nullptr;
    }
    // Candidates mostly come in key order.
    m_current.entries.emplace_hint(m_current.entries.end(), candidate, it->second);
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
