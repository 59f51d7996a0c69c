// The tree builder: expat handlers that grow an element tree, and the text output.
#include "korvane/xml/tree_builder.h"

#include "korvane/fm/file_io.h"
#include "korvane/fm/file_read_mem_obj.h"
#include "korvane/xml/platform/byte_encoding.h"
#include "korvane/xml/xml_writer.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::XML {

struct CXMLTreeBuilder::Parser {
    explicit Parser(CXMLElement& target) : root(target) {}
    ~Parser() {
        if (expat != nullptr) {
            XML_ParserFree(expat);
        }
    }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    XML_Parser expat = nullptr;
    KCFixedString<31> version;
    KCFixedString<31> encoding;
    CXMLElement& root;
    CXMLElement* current = nullptr;
    bool finished = false;
    bool failed = false;
    bool outOfMemory = false;
    // The library's own parser is building (handlers must not touch expat), may be used for
    // the next whole document, and built the document it last read.
    bool ownParse = false;
    bool ownEnabled = true;
    bool builtByOwn = false;
    bool started = false;
    unsigned int parseLevel = kDefaultParseLevel;
    unsigned int depth = 0;
    // Per open (built) element, innermost last: the text collected so far, given to the element
    // once at its end tag, and the text length at the end of its last CDATA section. Entries
    // past `open` are kept with their capacity, so text pieces append without reallocating
    // once a document's first elements have grown them.
    struct Level {
        std::string text;
        std::size_t cdataEnd = 0;
    };
    std::vector<Level> levels;
    std::size_t open = 0;
    // The elements of the tree come from shared blocks, so building costs one allocation per
    // block of elements rather than one per element (and freeing the tree the same).
    CXMLElement::KSBulkAllocation bulk;

    // The innermost open level; null when none is (a failed start).
    Level* Innermost() { return open == 0 ? nullptr : &levels[open - 1]; }
    // Room for one more open level, made before anything else of an element is built (growing
    // geometrically), so that a failed allocation leaves the levels matching the open elements.
    void ReserveLevel() {
        if (open == levels.size()) {
            if (levels.size() == levels.capacity()) {
                levels.reserve(std::max<std::size_t>(16, 2 * levels.capacity()));
            }
            levels.emplace_back();
        }
    }
    // Opens the reserved level with the given starting text.
    void OpenLevel(std::string_view text) {
        Level& level = levels[open];
        if (text.empty()) {
            level.text.clear();
        } else {
            level.text.assign(text.data(), text.size());
        }
        level.cdataEnd = 0;
        ++open;
    }
};

namespace {

using Parser = CXMLTreeBuilder::Parser;

bool IsTrimmed(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\v' || c == '\b' || c == '\f' ||
           c == '\a';
}

bool IsAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The text without the white space at both ends.
std::string_view TrimPlain(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size() && IsTrimmed(text[begin])) {
        ++begin;
    }
    std::size_t end = text.size();
    while (end > begin && IsTrimmed(text[end - 1])) {
        --end;
    }
    text = text.substr(begin, end - begin);
    // A quoted four-character code such as 'ABCD' keeps only the code.
    if (text.size() == 6 && text.front() == '\'' && text.back() == '\'') {
        text = text.substr(1, 4);
    }
    return text;
}

// Strips "\n" + `spaces` spaces at both ends when both are there: the layout the writer puts
// around CDATA text.
bool StripCdataLayout(std::string& text, std::size_t spaces) {
    const std::string layout = "\n" + std::string(spaces, ' ');
    if (text.size() < 2 * layout.size() || text.compare(0, layout.size(), layout) != 0 ||
        text.compare(text.size() - layout.size(), layout.size(), layout) != 0) {
        return false;
    }
    text = text.substr(layout.size(), text.size() - 2 * layout.size());
    return true;
}

// CDATA text is kept as written, minus the writer's layout: white space after the last
// section, and the line break plus content indentation around the text.
void NormaliseCdata(std::string& text, std::size_t lastCdataEnd, unsigned int depth) {
    if (lastCdataEnd < text.size() &&
        std::all_of(text.begin() + static_cast<std::ptrdiff_t>(lastCdataEnd), text.end(),
                    [](char c) { return IsTrimmed(c); })) {
        text.resize(lastCdataEnd);
    }
    if (!StripCdataLayout(text, 4U * depth)) {
        StripCdataLayout(text, 0);
    }
}

// No exception may unwind through expat: a handler that runs out of memory stops the parse.
template <typename F>
void Guarded(Parser* p, F&& body) {
    try {
        body();
    } catch (...) {
        p->outOfMemory = true;
        if (!p->ownParse) {
            XML_StopParser(p->expat, XML_FALSE);
        }
    }
}

// The records `name="value"` CR after the element's own, written into one string of exactly
// the size they need that the element then takes over.
void AddAttributes(CXMLElement& element, const XML_Char** atts) {
    if (atts[0] == nullptr) {
        return;
    }
    // Lengths are measured once; most elements have a handful of attributes.
    constexpr std::size_t kMeasured = 32;
    std::size_t lengths[kMeasured];
    const std::string& own = element.GetAttribString();
    std::size_t total = own.size();
    std::size_t count = 0;
    for (const XML_Char** a = atts; a[0] != nullptr && a[1] != nullptr; a += 2, count += 2) {
        const std::size_t name = std::strlen(a[0]);
        const std::size_t value = std::strlen(a[1]);
        if (count < kMeasured) {
            lengths[count] = name;
            lengths[count + 1] = value;
        }
        total += name + value + 4;
    }
    // Sized once and filled by plain copies: appending piece by piece checks the capacity
    // eight times for a two-attribute element.
    std::string records(total, '\0');
    char* out = records.data();
    out = std::copy(own.begin(), own.end(), out);
    for (std::size_t i = 0; i < count; i += 2) {
        const std::size_t name = i < kMeasured ? lengths[i] : std::strlen(atts[i]);
        const std::size_t value = i < kMeasured ? lengths[i + 1] : std::strlen(atts[i + 1]);
        out = std::copy_n(atts[i], name, out);
        *out++ = '=';
        *out++ = '"';
        out = std::copy_n(atts[i + 1], value, out);
        *out++ = '"';
        *out++ = '\r';
    }
    element.SetAttribString(std::move(records));
}

// A new element below the current one; addAttributes fills its records.
template <typename AddAttrs>
void OpenChild(Parser* p, const char* name, AddAttrs&& addAttributes) {
    ++p->depth;
    if (p->depth > p->parseLevel || p->current == nullptr) {
        return;
    }
    Guarded(p, [&] {
        // The levels must stay one per open element even if an allocation below fails: room
        // is made first, the level is opened only together with the move to the child.
        p->ReserveLevel();
        // The element comes from the builder's bulk allocation: Parse has it in use.
        CXMLElement* child = p->current->AddSubElement(name);
        if (child == nullptr) {
            throw std::bad_alloc();
        }
        child->SetError(eXMLElementIncomplete);
        child->SetParent(p->current);
        addAttributes(*child);
        p->current = child;
        p->OpenLevel({});
    });
}

template <typename AddAttrs>
void OpenRoot(Parser* p, const char* name, AddAttrs&& addAttributes) {
    p->depth = 1;
    p->root.SetName(name);
    p->root.SetError(eXMLElementIncomplete);
    p->root.SetParent(nullptr);
    p->current = &p->root;
    Guarded(p, [&] {
        p->open = 0;
        p->ReserveLevel();
        // Text the root already had is kept, and the document's text follows it.
        p->OpenLevel(p->root.GetText());
        addAttributes(p->root);
    });
}

void XMLCALL StartChild(void* userData, const XML_Char* name, const XML_Char** atts) {
    OpenChild(static_cast<Parser*>(userData), name,
              [atts](CXMLElement& element) { AddAttributes(element, atts); });
}

void XMLCALL StartRoot(void* userData, const XML_Char* name, const XML_Char** atts) {
    auto* p = static_cast<Parser*>(userData);
    XML_SetStartElementHandler(p->expat, StartChild);
    OpenRoot(p, name, [atts](CXMLElement& element) { AddAttributes(element, atts); });
}

// The end-tag treatment of one element's text: the collected text, normalised, becomes the
// element's in one exactly sized copy; the level closes.
void NormaliseText(Parser* p, CXMLElement& element, unsigned int depth) {
    Parser::Level* level = p->Innermost();
    if (level == nullptr) {
        return;
    }
    // Elements start with an empty text (the root's own text opened its level), and an empty
    // text stays empty under both treatments.
    if (level->text.empty()) {
        --p->open;
        return;
    }
    Guarded(p, [&] {
        if (element.IsCDATA()) {
            NormaliseCdata(level->text, level->cdataEnd, depth);
            element.SetText(level->text);
        } else {
            element.SetText(TrimPlain(level->text));
        }
    });
    --p->open;
}

// A parse that ended inside elements leaves them with the text they would have had at their
// end tag (they keep eXMLElementIncomplete), so a partial tree writes and reads back like any.
void CloseOpenElements(Parser* p) {
    unsigned int depth = std::min(p->depth, p->parseLevel);
    for (CXMLElement* e = p->current; e != nullptr && depth > 0; --depth) {
        NormaliseText(p, *e, depth);
        CXMLElement* parent = e->GetParent();
        e->SetParent(nullptr);
        e = parent;
    }
    p->current = nullptr;
}

void XMLCALL EndElement(void* userData, const XML_Char* /*name*/) {
    auto* p = static_cast<Parser*>(userData);
    if (p->depth <= p->parseLevel && p->current != nullptr) {
        CXMLElement* element = p->current;
        element->SetError(eNoErr);
        NormaliseText(p, *element, p->depth);
        CXMLElement* parent = element->GetParent();
        element->SetParent(nullptr);
        p->current = parent;
        if (parent == nullptr) {
            p->finished = true;
        }
    }
    if (p->depth > 0) {
        --p->depth;
    }
}

void XMLCALL CharacterData(void* userData, const XML_Char* s, int len) {
    auto* p = static_cast<Parser*>(userData);
    Parser::Level* level = p->Innermost();
    if (p->depth > p->parseLevel || p->current == nullptr || level == nullptr || len <= 0) {
        return;
    }
    std::string& text = level->text;
    int skip = 0;
    // Only the indentation before the first character is dropped: later pieces (split at
    // line breaks and entity references) belong to the text.
    if (!p->current->IsCDATA() && text.empty()) {
        // The C locale's white space: a locale's own idea of it could eat UTF-8 bytes.
        while (skip < len && IsAsciiSpace(s[skip])) {
            ++skip;
        }
        if (skip == len) {
            return;  // indentation between elements: most pieces of a document
        }
    }
    Guarded(p, [&] { text.append(s + skip, static_cast<std::size_t>(len - skip)); });
}

void XMLCALL StartCdata(void* userData) {
    auto* p = static_cast<Parser*>(userData);
    if (p->depth <= p->parseLevel && p->current != nullptr) {
        p->current->SetCDATA(true);
    }
}

void XMLCALL EndCdata(void* userData) {
    auto* p = static_cast<Parser*>(userData);
    Parser::Level* level = p->Innermost();
    if (p->depth <= p->parseLevel && p->current != nullptr && level != nullptr) {
        level->cdataEnd = level->text.size();
    }
}

void XMLCALL XmlDecl(void* userData, const XML_Char* version, const XML_Char* encoding,
                     int /*standalone*/) {
    auto* p = static_cast<Parser*>(userData);
    p->version = version == nullptr ? "" : version;
    p->encoding = encoding == nullptr ? "" : encoding;
}

// A multi-byte encoding's converter and table, owned by expat once handed over.
struct SequenceEncoding {
    platform::ByteEncodingMap map{};
    std::unique_ptr<platform::SequenceConverter> converter;
};

int XMLCALL ConvertSequence(void* data, const char* s) {
    auto* encoding = static_cast<SequenceEncoding*>(data);
    const int lead = encoding->map[static_cast<unsigned char>(s[0])];
    return lead < -1 ? encoding->converter->Convert(s, -lead) : -1;
}

void XMLCALL ReleaseSequenceEncoding(void* data) {
    delete static_cast<SequenceEncoding*>(data);
}

// Encodings expat has no table for are described by the system's converter, multi-byte ones
// included; one that the converter cannot describe is refused (the parse fails), and only a
// name that nothing knows loads byte for byte as Latin-1.
int XMLCALL UnknownEncoding(void* /*data*/, const XML_Char* name, XML_Encoding* info) {
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    try {
        auto encoding = std::make_unique<SequenceEncoding>();
        switch (platform::DescribeEncoding(name, encoding->map, encoding->converter)) {
            case platform::EncodingDescription::kUnknown:
                for (int i = 0; i < 256; ++i) {
                    info->map[i] = i;
                }
                return XML_STATUS_OK;
            case platform::EncodingDescription::kNotDescribable:
                return XML_STATUS_ERROR;
            case platform::EncodingDescription::kDescribed:
                break;
        }
        std::copy(encoding->map.begin(), encoding->map.end(), info->map);
        if (encoding->converter != nullptr) {
            info->convert = ConvertSequence;
            info->release = ReleaseSequenceEncoding;
            info->data = encoding.release();
        }
        return XML_STATUS_OK;
    } catch (...) {
        return XML_STATUS_ERROR;  // no memory for the table: the parse fails
    }
}

void XMLCALL IgnoreProcessingInstruction(void*, const XML_Char*, const XML_Char*) {}
void XMLCALL IgnoreDefault(void*, const XML_Char*, int) {}
void XMLCALL IgnoreUnparsedEntity(void*, const XML_Char*, const XML_Char*, const XML_Char*,
                                  const XML_Char*, const XML_Char*) {}
void XMLCALL IgnoreNotation(void*, const XML_Char*, const XML_Char*, const XML_Char*,
                            const XML_Char*) {}

// The library's own parser, for the documents the library writes and reads: UTF-8 (or ASCII)
// with elements, attributes, text, the predefined entities, character references, CDATA,
// comments and processing instructions. It calls the same handlers expat would, in the same
// order, so the tree is the same; anything else (a DOCTYPE, another encoding, non-ASCII names,
// any error) makes it give up, and the caller rebuilds the document with expat, which then
// reports errors as it always has. It never accepts what expat refuses.
class OwnParser {
public:
    OwnParser(Parser& p, const char* data, std::size_t length)
        : m_p(p), m_cur(data), m_end(data + length) {}

    // True when the whole document was read and built; false to hand it to expat.
    bool Run() {
        if (Remaining() >= 3 && Byte(0) == 0xEF && Byte(1) == 0xBB && Byte(2) == 0xBF) {
            m_cur += 3;
        }
        if (Remaining() >= 6 && std::memcmp(m_cur, "<?xml", 5) == 0 && IsSpace(Byte(5)) &&
            !Declaration()) {
            return false;
        }
        // Before the root: white space, comments and processing instructions.
        for (;;) {
            SkipSpace();
            if (Remaining() < 2 || *m_cur != '<') {
                return false;
            }
            if (m_cur[1] == '!') {
                if (!Comment()) {
                    return false;
                }
            } else if (m_cur[1] == '?') {
                if (!ProcessingInstruction()) {
                    return false;
                }
            } else {
                break;
            }
        }
        ++m_cur;
        if (!StartTag(true) || (!m_names.empty() && !Content())) {
            return false;
        }
        // After it: the same, to the end.
        for (;;) {
            SkipSpace();
            if (m_cur == m_end) {
                return true;
            }
            if (Remaining() < 2 || *m_cur != '<') {
                return false;
            }
            if (m_cur[1] == '!') {
                if (!Comment()) {
                    return false;
                }
            } else if (m_cur[1] != '?' || !ProcessingInstruction()) {
                return false;
            }
        }
    }

private:
    struct Attribute {
        std::size_t name;
        std::size_t nameLength;
        std::size_t value;
        std::size_t valueLength;
    };

    // Byte classes, looked up once per byte in the hot loops.
    enum : std::uint8_t {
        kSpace = 1,
        kNameStart = 2,
        kNameChar = 4,
        // Ends a plain run of text: markup, references, CR, ']' (for "]]>"), control
        // characters and the start of a multi-byte character.
        kStopsText = 8,
        // Ends a plain run of an attribute value (the quotes are checked apart).
        kStopsValue = 16,
    };
    static constexpr std::array<std::uint8_t, 256> kClasses = [] {
        std::array<std::uint8_t, 256> classes{};
        for (int c = 0; c < 256; ++c) {
            std::uint8_t k = 0;
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                k |= kSpace;
            }
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') {
                k |= kNameStart | kNameChar;
            }
            if ((c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':') {
                k |= kNameChar;
            }
            if (c == '<' || c == '&' || c == '\r' || c == ']' ||
                (c < 0x20 && c != '\t' && c != '\n') || c >= 0x80) {
                k |= kStopsText;
            }
            if (c == '<' || c == '&' || c == '"' || c == '\'' || c < 0x20 || c >= 0x80) {
                k |= kStopsValue;
            }
            classes[static_cast<std::size_t>(c)] = k;
        }
        return classes;
    }();
    static bool Is(unsigned char c, std::uint8_t k) { return (kClasses[c] & k) != 0; }
    static bool IsSpace(unsigned char c) { return Is(c, kSpace); }
    static bool IsNameStart(unsigned char c) { return Is(c, kNameStart); }
    static bool IsNameChar(unsigned char c) { return Is(c, kNameChar); }
    static bool StopsText(unsigned char c) { return Is(c, kStopsText); }

    std::size_t Remaining() const { return static_cast<std::size_t>(m_end - m_cur); }
    unsigned char Byte(std::size_t i) const { return static_cast<unsigned char>(m_cur[i]); }
    bool StartsWith(std::string_view s) const {
        return Remaining() >= s.size() && std::memcmp(m_cur, s.data(), s.size()) == 0;
    }
    bool SkipSpace() {
        const char* from = m_cur;
        while (m_cur < m_end && IsSpace(static_cast<unsigned char>(*m_cur))) {
            ++m_cur;
        }
        return m_cur != from;
    }

    // The length of the well-formed UTF-8 character at the cursor (lead byte 0x80 or above)
    // that XML allows; 0 when it is none.
    std::size_t Utf8Length() const {
        const std::size_t left = Remaining();
        const unsigned char c = Byte(0);
        auto trail = [&](std::size_t i) { return i < left && (Byte(i) & 0xC0) == 0x80; };
        if (c >= 0xC2 && c <= 0xDF) {
            return trail(1) ? 2 : 0;
        }
        if (c >= 0xE0 && c <= 0xEF) {
            if (!trail(1) || !trail(2) || (c == 0xE0 && Byte(1) < 0xA0) ||
                (c == 0xED && Byte(1) > 0x9F) ||
                (c == 0xEF && Byte(1) == 0xBF && Byte(2) >= 0xBE)) {
                return 0;  // overlong, a surrogate, U+FFFE or U+FFFF
            }
            return 3;
        }
        if (c >= 0xF0 && c <= 0xF4) {
            if (!trail(1) || !trail(2) || !trail(3) || (c == 0xF0 && Byte(1) < 0x90) ||
                (c == 0xF4 && Byte(1) > 0x8F)) {
                return 0;
            }
            return 4;
        }
        return 0;
    }

    // Moves past one character of a comment, PI or CDATA section; false for one XML forbids.
    bool SkipChar() {
        const unsigned char c = Byte(0);
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                return false;
            }
            ++m_cur;
            return true;
        }
        const std::size_t n = Utf8Length();
        m_cur += n;
        return n != 0;
    }

    bool Name(std::size_t& length) {
        const char* from = m_cur;
        if (m_cur == m_end || !IsNameStart(Byte(0))) {
            return false;
        }
        ++m_cur;
        while (m_cur < m_end && IsNameChar(Byte(0))) {
            ++m_cur;
        }
        length = static_cast<std::size_t>(m_cur - from);
        return true;
    }

    // "<?xml" at the cursor: version 1.0, UTF-8 if an encoding is declared, standalone.
    bool Declaration() {
        m_cur += 5;
        if (!SkipSpace() || !StartsWith("version")) {
            return false;
        }
        m_cur += 7;
        std::string_view version;
        if (!PseudoValue(version) || version != "1.0") {
            return false;
        }
        std::string encoding;
        bool hasEncoding = false;
        bool space = SkipSpace();
        if (space && StartsWith("encoding")) {
            m_cur += 8;
            std::string_view value;
            if (!PseudoValue(value) || value.size() != 5) {
                return false;
            }
            for (std::size_t i = 0; i < 5; ++i) {
                const char c = value[i];
                encoding.push_back(c);
                const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
                if (lower != "utf-8"[i]) {
                    return false;
                }
            }
            hasEncoding = true;
            space = SkipSpace();
        }
        if (space && StartsWith("standalone")) {
            m_cur += 10;
            std::string_view value;
            if (!PseudoValue(value) || (value != "yes" && value != "no")) {
                return false;
            }
            SkipSpace();
        }
        if (!StartsWith("?>")) {
            return false;
        }
        m_cur += 2;
        XmlDecl(&m_p, "1.0", hasEncoding ? encoding.c_str() : nullptr, -1);
        return true;
    }

    // = "value" of a declaration's pseudo-attribute (letters, digits, '.', '-', '_').
    bool PseudoValue(std::string_view& value) {
        SkipSpace();
        if (m_cur == m_end || *m_cur != '=') {
            return false;
        }
        ++m_cur;
        SkipSpace();
        if (m_cur == m_end || (*m_cur != '"' && *m_cur != '\'')) {
            return false;
        }
        const char quote = *m_cur++;
        const char* from = m_cur;
        while (m_cur < m_end && *m_cur != quote) {
            const unsigned char c = Byte(0);
            if (!IsNameStart(c) && !(c >= '0' && c <= '9') && c != '.' && c != '-') {
                return false;
            }
            ++m_cur;
        }
        if (m_cur == m_end || m_cur == from) {
            return false;
        }
        value = std::string_view(from, static_cast<std::size_t>(m_cur - from));
        ++m_cur;
        return true;
    }

    // "<!--" at the cursor; "--" inside ends it or is refused.
    bool Comment() {
        if (!StartsWith("<!--")) {
            return false;
        }
        m_cur += 4;
        while (m_cur < m_end) {
            if (*m_cur == '-' && Remaining() >= 2 && m_cur[1] == '-') {
                if (Remaining() < 3 || m_cur[2] != '>') {
                    return false;
                }
                m_cur += 3;
                return true;
            }
            if (!SkipChar()) {
                return false;
            }
        }
        return false;
    }

    // "<?" at the cursor; targets named xml in any case are expat's to judge.
    bool ProcessingInstruction() {
        m_cur += 2;
        const char* target = m_cur;
        std::size_t length = 0;
        if (!Name(length)) {
            return false;
        }
        if (length == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
            (target[2] | 0x20) == 'l') {
            return false;
        }
        if (StartsWith("?>")) {
            m_cur += 2;
            return true;
        }
        if (!SkipSpace()) {
            return false;
        }
        while (m_cur < m_end) {
            if (StartsWith("?>")) {
                m_cur += 2;
                return true;
            }
            if (!SkipChar()) {
                return false;
            }
        }
        return false;
    }

    // "&" at the cursor: a predefined entity or a character reference, as UTF-8 into out.
    bool Reference(char (&out)[4], std::size_t& length) {
        ++m_cur;
        if (m_cur < m_end && *m_cur == '#') {
            ++m_cur;
            const bool hex = m_cur < m_end && *m_cur == 'x';
            if (hex) {
                ++m_cur;
            }
            std::uint32_t value = 0;
            int digits = 0;
            for (; m_cur < m_end && *m_cur != ';'; ++m_cur, ++digits) {
                const char c = *m_cur;
                std::uint32_t digit = 0;
                if (c >= '0' && c <= '9') {
                    digit = static_cast<std::uint32_t>(c - '0');
                } else if (hex && c >= 'a' && c <= 'f') {
                    digit = static_cast<std::uint32_t>(c - 'a' + 10);
                } else if (hex && c >= 'A' && c <= 'F') {
                    digit = static_cast<std::uint32_t>(c - 'A' + 10);
                } else {
                    return false;
                }
                if (digits >= 8) {
                    return false;
                }
                value = value * (hex ? 16 : 10) + digit;
            }
            if (m_cur == m_end || digits == 0) {
                return false;
            }
            ++m_cur;
            const bool allowed = value == 0x9 || value == 0xA || value == 0xD ||
                                 (value >= 0x20 && value <= 0xD7FF) ||
                                 (value >= 0xE000 && value <= 0xFFFD) ||
                                 (value >= 0x10000 && value <= 0x10FFFF);
            if (!allowed) {
                return false;
            }
            if (value < 0x80) {
                out[0] = static_cast<char>(value);
                length = 1;
            } else if (value < 0x800) {
                out[0] = static_cast<char>(0xC0 | (value >> 6));
                out[1] = static_cast<char>(0x80 | (value & 0x3F));
                length = 2;
            } else if (value < 0x10000) {
                out[0] = static_cast<char>(0xE0 | (value >> 12));
                out[1] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
                out[2] = static_cast<char>(0x80 | (value & 0x3F));
                length = 3;
            } else {
                out[0] = static_cast<char>(0xF0 | (value >> 18));
                out[1] = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
                out[2] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
                out[3] = static_cast<char>(0x80 | (value & 0x3F));
                length = 4;
            }
            return true;
        }
        static constexpr std::pair<std::string_view, char> kEntities[] = {
            {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
        for (const auto& [name, c] : kEntities) {
            if (StartsWith(name)) {
                m_cur += name.size();
                out[0] = c;
                length = 1;
                return true;
            }
        }
        return false;
    }

    bool Text(const char* s, std::size_t n) {
        CharacterData(&m_p, s, static_cast<int>(n));
        return !m_p.outOfMemory;
    }

    // The name after "<" at the cursor, the attributes and the end of the tag; the element is
    // opened (and closed again when empty).
    bool StartTag(bool root) {
        const char* name = m_cur;
        std::size_t nameLength = 0;
        if (!Name(nameLength)) {
            return false;
        }
        m_buffer.assign(name, nameLength);
        m_buffer.push_back('\0');
        m_attributes.clear();
        bool empty = false;
        for (;;) {
            const bool space = SkipSpace();
            if (m_cur == m_end) {
                return false;
            }
            if (*m_cur == '>') {
                ++m_cur;
                break;
            }
            if (*m_cur == '/') {
                if (Remaining() < 2 || m_cur[1] != '>') {
                    return false;
                }
                m_cur += 2;
                empty = true;
                break;
            }
            if (!space || !AttributeRecord()) {
                return false;
            }
        }
        auto add = [this](CXMLElement& element) { AddRecords(element); };
        if (root) {
            OpenRoot(&m_p, m_buffer.c_str(), add);
        } else {
            OpenChild(&m_p, m_buffer.c_str(), add);
        }
        if (m_p.outOfMemory) {
            return false;
        }
        if (empty) {
            EndElement(&m_p, nullptr);
            return !m_p.outOfMemory;
        }
        m_names.emplace_back(name, nameLength);
        return true;
    }

    // name = "value" at the cursor, its value decoded into the buffer.
    bool AttributeRecord() {
        const char* name = m_cur;
        std::size_t nameLength = 0;
        if (!Name(nameLength)) {
            return false;
        }
        SkipSpace();
        if (m_cur == m_end || *m_cur != '=') {
            return false;
        }
        ++m_cur;
        SkipSpace();
        if (m_cur == m_end || (*m_cur != '"' && *m_cur != '\'')) {
            return false;
        }
        const char quote = *m_cur++;
        for (const Attribute& a : m_attributes) {
            if (a.nameLength == nameLength &&
                std::memcmp(m_buffer.data() + a.name, name, nameLength) == 0) {
                return false;  // a duplicate
            }
        }
        Attribute record{m_buffer.size(), nameLength, 0, 0};
        m_buffer.append(name, nameLength);
        record.value = m_buffer.size();
        for (;;) {
            const char* run = m_cur;
            while (m_cur < m_end) {
                if (Is(Byte(0), kStopsValue)) {
                    break;
                }
                ++m_cur;
            }
            m_buffer.append(run, static_cast<std::size_t>(m_cur - run));
            if (m_cur == m_end) {
                return false;
            }
            const unsigned char c = Byte(0);
            if (c == static_cast<unsigned char>(quote)) {
                ++m_cur;
                break;
            }
            if (c == '"' || c == '\'') {
                m_buffer.push_back(static_cast<char>(c));  // the other quote
                ++m_cur;
                continue;
            }
            if (c == '&') {
                char out[4];
                std::size_t n = 0;
                if (!Reference(out, n)) {
                    return false;
                }
                m_buffer.append(out, n);
            } else if (c == '\t' || c == '\n') {
                m_buffer.push_back(' ');
                ++m_cur;
            } else if (c == '\r') {
                m_buffer.push_back(' ');
                ++m_cur;
                if (m_cur < m_end && *m_cur == '\n') {
                    ++m_cur;
                }
            } else if (c >= 0x80) {
                const std::size_t n = Utf8Length();
                if (n == 0) {
                    return false;
                }
                m_buffer.append(m_cur, n);
                m_cur += n;
            } else {
                return false;  // '<' or a control character
            }
        }
        record.valueLength = m_buffer.size() - record.value;
        m_attributes.push_back(record);
        return true;
    }

    // The records `name="value"` CR after the element's own, as AddAttributes writes them.
    void AddRecords(CXMLElement& element) {
        if (m_attributes.empty()) {
            return;
        }
        const std::string& own = element.GetAttribString();
        std::size_t total = own.size();
        for (const Attribute& a : m_attributes) {
            total += a.nameLength + a.valueLength + 4;
        }
        std::string records(total, '\0');
        char* out = records.data();
        out = std::copy(own.begin(), own.end(), out);
        for (const Attribute& a : m_attributes) {
            out = std::copy_n(m_buffer.data() + a.name, a.nameLength, out);
            *out++ = '=';
            *out++ = '"';
            out = std::copy_n(m_buffer.data() + a.value, a.valueLength, out);
            *out++ = '"';
            *out++ = '\r';
        }
        element.SetAttribString(std::move(records));
    }

    // "</" at the cursor: the innermost open name, then ">".
    bool EndTag() {
        m_cur += 2;
        const std::string_view name = m_names.back();
        if (Remaining() <= name.size() || std::memcmp(m_cur, name.data(), name.size()) != 0 ||
            IsNameChar(Byte(name.size()))) {
            return false;
        }
        m_cur += name.size();
        SkipSpace();
        if (m_cur == m_end || *m_cur != '>') {
            return false;
        }
        ++m_cur;
        m_names.pop_back();
        EndElement(&m_p, nullptr);
        return !m_p.outOfMemory;
    }

    // "<![CDATA[" at the cursor, to "]]>".
    bool Cdata() {
        m_cur += 9;
        StartCdata(&m_p);
        const char* run = m_cur;
        while (m_cur < m_end) {
            const unsigned char c = Byte(0);
            if (c == ']' && StartsWith("]]>")) {
                if (m_cur > run && !Text(run, static_cast<std::size_t>(m_cur - run))) {
                    return false;
                }
                m_cur += 3;
                EndCdata(&m_p);
                return true;
            }
            if (c == '\r') {
                if ((m_cur > run && !Text(run, static_cast<std::size_t>(m_cur - run))) ||
                    !Text("\n", 1)) {
                    return false;
                }
                ++m_cur;
                if (m_cur < m_end && *m_cur == '\n') {
                    ++m_cur;
                }
                run = m_cur;
                continue;
            }
            if (!SkipChar()) {
                return false;
            }
        }
        return false;
    }

    // The root's content, from after its start tag to its end tag.
    bool Content() {
        for (;;) {
            const char* run = m_cur;
            for (;;) {
                while (m_cur < m_end && !StopsText(Byte(0))) {
                    ++m_cur;
                }
                if (m_cur == m_end) {
                    break;
                }
                const unsigned char c = Byte(0);
                if (c == ']') {
                    if (StartsWith("]]>")) {
                        return false;
                    }
                    ++m_cur;
                } else if (c >= 0x80) {
                    const std::size_t n = Utf8Length();
                    if (n == 0) {
                        return false;
                    }
                    m_cur += n;
                } else {
                    break;
                }
            }
            if (m_cur > run && !Text(run, static_cast<std::size_t>(m_cur - run))) {
                return false;
            }
            if (m_cur == m_end) {
                return false;  // an element left open
            }
            const unsigned char c = Byte(0);
            if (c == '\r') {
                if (!Text("\n", 1)) {
                    return false;
                }
                ++m_cur;
                if (m_cur < m_end && *m_cur == '\n') {
                    ++m_cur;
                }
            } else if (c == '&') {
                char out[4];
                std::size_t n = 0;
                if (!Reference(out, n) || !Text(out, n)) {
                    return false;
                }
            } else if (c != '<' || Remaining() < 2) {
                return false;  // a control character, or the document ends at '<'
            } else if (m_cur[1] == '/') {
                if (!EndTag()) {
                    return false;
                }
                if (m_names.empty()) {
                    return true;
                }
            } else if (m_cur[1] == '!') {
                if (StartsWith("<![CDATA[")) {
                    if (!Cdata()) {
                        return false;
                    }
                } else if (!Comment()) {
                    return false;
                }
            } else if (m_cur[1] == '?') {
                if (!ProcessingInstruction()) {
                    return false;
                }
            } else {
                ++m_cur;
                if (!StartTag(false)) {
                    return false;
                }
            }
        }
    }

    Parser& m_p;
    const char* m_cur;
    const char* m_end;
    // The current tag's name (null-terminated), then its attribute names and values.
    std::string m_buffer;
    std::vector<Attribute> m_attributes;
    // The names of the open elements, in the document.
    std::vector<std::string_view> m_names;
};

// The root's fields, put back when the own parser gives up, so expat builds on what was there.
struct RootState {
    explicit RootState(const CXMLElement& root)
        : name(root.GetName()),
          text(root.GetText()),
          attributes(root.GetAttribString()),
          cdata(root.IsCDATA()),
          error(root.GetError()),
          parent(root.GetParent()) {}

    // Moves the saved strings back: nothing here allocates.
    void Restore(Parser& p) {
        CXMLElement& root = p.root;
        root.ClearSubElements();
        root.SetName(name.c_str());
        root.Text() = std::move(text);
        root.SetAttribString(std::move(attributes));
        root.SetCDATA(cdata);
        root.SetError(error);
        root.SetParent(parent);
        p.version.clear();
        p.encoding.clear();
        p.current = nullptr;
        p.finished = false;
        p.outOfMemory = false;
        p.depth = 0;
        p.open = 0;
    }

    KCFixedString<element_name_max_length> name;
    std::string text;
    std::string attributes;
    bool cdata;
    int error;
    CXMLElement* parent;
};

}  // namespace

CXMLTreeBuilder::CXMLTreeBuilder(CXMLElement& root)
    : m_root(root), m_parser(std::make_unique<Parser>(root)) {
    XML_Parser expat = XML_ParserCreate(nullptr);
    m_parser->expat = expat;
    if (expat == nullptr) {
        return;
    }
    XML_SetUserData(expat, m_parser.get());
    XML_SetElementHandler(expat, StartRoot, EndElement);
    XML_SetCharacterDataHandler(expat, CharacterData);
    XML_SetCdataSectionHandler(expat, StartCdata, EndCdata);
    XML_SetXmlDeclHandler(expat, XmlDecl);
    XML_SetUnknownEncodingHandler(expat, UnknownEncoding, nullptr);
    XML_SetProcessingInstructionHandler(expat, IgnoreProcessingInstruction);
    // The expanding form: with the plain one, expat would drop references to internal entities
    // in text while it expands them in attributes. Its amplification limits bound the
    // expansion; external entities are never loaded.
    XML_SetDefaultHandlerExpand(expat, IgnoreDefault);
    XML_SetUnparsedEntityDeclHandler(expat, IgnoreUnparsedEntity);
    XML_SetNotationDeclHandler(expat, IgnoreNotation);
}

CXMLTreeBuilder::~CXMLTreeBuilder() = default;

int CXMLTreeBuilder::Parse(const char* data, unsigned int length, bool final) {
    Parser& p = *m_parser;
    if (p.expat == nullptr || p.failed) {
        return eXMLParserFailed;
    }
    p.started = true;
    // The handlers add every element from the builder's shared blocks (see StartChild).
    const CXMLElement::KSBulkAllocation::KSUse use(p.bulk);
    // expat takes an int length: larger inputs go in slices.
    constexpr unsigned int kSlice = 1U << 30;
    do {
        const unsigned int n = std::min(length, kSlice);
        const bool last = final && n == length;
        if (XML_Parse(p.expat, data, static_cast<int>(n), last ? 1 : 0) == XML_STATUS_ERROR) {
            p.failed = true;
            CloseOpenElements(&p);
            // A handler that ran out of memory stopped the parse; the tree so far stays.
            return p.outOfMemory ? eMemOutOfMemory : eXMLParserFailed;
        }
        data = data == nullptr ? nullptr : data + n;
        length -= n;
    } while (length > 0);
    return eNoErr;
}

bool CXMLTreeBuilder::BuildOwn(const char* data, unsigned int length) {
    Parser& p = *m_parser;
    p.builtByOwn = false;
    // A fresh builder on a root without children (those are all a failed attempt may remove);
    // lengths fit the handlers' int.
    if (!p.ownEnabled || p.started || p.expat == nullptr || length >= (1U << 30) ||
        !m_root.GetSubElements().empty()) {
        return false;
    }
    try {
        const CXMLElement::KSBulkAllocation::KSUse use(p.bulk);
        RootState state(m_root);
        p.ownParse = true;
        bool built = false;
        try {
            OwnParser parser(p, data, length);
            built = parser.Run() && p.finished;
        } catch (...) {
            built = false;
        }
        p.ownParse = false;
        if (!built) {
            state.Restore(p);
            return false;
        }
    } catch (...) {
        p.ownParse = false;
        return false;  // no memory to save the root: nothing was built
    }
    p.started = true;
    p.builtByOwn = true;
    // As after expat's final piece, the builder reads no further document.
    p.failed = true;
    return true;
}

void CXMLTreeBuilder::SetOwnParserEnabled(bool on) {
    m_parser->ownEnabled = on;
}

bool CXMLTreeBuilder::BuiltByOwnParser() const {
    return m_parser->builtByOwn;
}

int CXMLTreeBuilder::BuildFromBuffer(const char* data, unsigned int length, bool& finished) {
    const int result = Parse(data, length, false);
    finished = m_parser->finished;
    return result;
}

int CXMLTreeBuilder::BuildWhole(const char* data, unsigned int length, unsigned int pieceSize,
                                bool idle) {
    if (data == nullptr || length < 4) {
        return eMemNullPointer;
    }
    if (!idle && BuildOwn(data, length)) {
        return eNoErr;
    }
    // The last piece goes in marked as the end of the input: that is what reports a document
    // cut short, and the parser works through a final piece faster than through an open one.
    for (unsigned int offset = 0; offset < length;) {
        const unsigned int n = std::min(pieceSize, length - offset);
        if (const int result = Parse(data + offset, n, offset + n == length); result != eNoErr) {
            return result;
        }
        offset += n;
        if (idle && m_idleCallback != nullptr) {
            m_idleCallback(m_idleContext);
        }
    }
    return eNoErr;
}

int CXMLTreeBuilder::BuildFromSingleBuffer(const char* data, unsigned int length) {
    return BuildWhole(data, length, UINT_MAX, false);
}

int CXMLTreeBuilder::BuildFromKCStMemObj(const Utils::KCStConstMemObj& data) {
    if (data.Empty()) {
        return eNoErr;
    }
    return BuildWhole(static_cast<const char*>(data.ptr), data.size, UINT_MAX, false);
}

int CXMLTreeBuilder::BuildFromFile(const FM::KCStPath& path) {
    try {
        if (!path.IsExist()) {
            return eFMFileNotFound;
        }
        const Utils::KCStFileReadMemObj data(path);
        int error = eNoErr;
        if (!data.IsValid(error)) {
            return error != eNoErr ? error : eFMFileNotFound;
        }
        if (data.Empty()) {
            return kXMLFileEmpty;
        }
        return BuildFromKCStMemObj(data);
    } catch (...) {
        return eMemOutOfMemory;
    }
}

int CXMLTreeBuilder::BuildFromSingleBufferWithIdle(const char* data, unsigned int length) {
    return BuildWhole(data, length, kIdlePieceSize, true);
}

void CXMLTreeBuilder::SetIdleCallBack(void (*callback)(void*), void* context) {
    m_idleCallback = callback;
    m_idleContext = context;
}

void CXMLTreeBuilder::SetParseLevel(unsigned int depth) {
    m_parser->parseLevel = std::max(depth, 1U);
}

bool CXMLTreeBuilder::FormatXMLDecl(KCFixedStringBase& out) const {
    const Parser& p = *m_parser;
    out.clear();
    if (p.version.empty() && p.encoding.empty()) {
        return false;
    }
    out << "<?xml";
    // A declaration without a version is not well-formed: the written text could not be read.
    out << " version=\"" << (p.version.empty() ? "1.0" : p.version.c_str()) << "\"";
    // The tree holds UTF-8 whatever the document's encoding was, and so does the written text:
    // repeating a declared ISO-8859-1 would make every non-ASCII character read back garbled.
    if (!p.encoding.empty()) {
        out << " encoding=\"UTF-8\"";
    }
    out << "?>\r\n";
    return true;
}

const KCFixedStringBase& CXMLTreeBuilder::GetParsedVersion() const {
    return m_parser->version;
}

const KCFixedStringBase& CXMLTreeBuilder::GetParsedEncoding() const {
    return m_parser->encoding;
}

int CXMLTreeBuilder::WriteToString(std::string& out) const {
    try {
        std::string text;
        KCFixedString<127> decl;
        if (FormatXMLDecl(decl)) {
            text = decl.c_str();
        }
        AppendXML(text, m_root, false, true, 0);
        out = std::move(text);
    } catch (...) {
        return eMemOutOfMemory;
    }
    return eNoErr;
}

int CXMLTreeBuilder::WriteToKCStMemObj(Utils::KCStMemObj& out) const {
    std::string text;
    if (const int result = WriteToString(text); result != eNoErr) {
        return result;
    }
    return out.Assign(text.data(), static_cast<unsigned int>(text.size()));
}

int CXMLTreeBuilder::AppendToOpenFile(FM::KTOpenFileType* file) const {
    std::string text;
    if (const int result = WriteToString(text); result != eNoErr) {
        return result;
    }
    const char* data = text.data();
    std::uint64_t left = text.size();
    while (left > 0) {
        std::uint64_t done = 0;
        if (const KTErr result = FM::WriteToFile(file, data, left, done); result != eNoErr) {
            return result;
        }
        if (done == 0) {
            return eFMWriteFailed;
        }
        data += done;
        left -= done;
    }
    return eNoErr;
}

int CXMLTreeBuilder::WriteToDataFork(const FM::KCStPath& path) const {
    FM::KTOpenFileType* file = nullptr;
    constexpr unsigned short kMode = 0644;
    if (const KTErr result =
            FM::CreateAFile(path.GetPathRef(), FM::eCreateTruncate, FM::eWritePerm, file, kMode);
        result != eNoErr) {
        return result;
    }
    const int result = AppendToOpenFile(file);
    const KTErr closed = FM::CloseFile(file);
    return result != eNoErr ? result : closed;
}

}  // namespace kvKorvaneV10_0_3::XML
