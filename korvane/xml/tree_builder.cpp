// The tree builder: expat handlers that grow an element tree, and the text output.
#include "korvane/xml/tree_builder.h"

#include "korvane/fm/file_io.h"
#include "korvane/fm/file_read_mem_obj.h"
#include "korvane/xml/platform/byte_encoding.h"
#include "korvane/xml/xml_writer.h"

#include <expat.h>

#include <algorithm>
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
        XML_StopParser(p->expat, XML_FALSE);
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

void XMLCALL StartChild(void* userData, const XML_Char* name, const XML_Char** atts) {
    auto* p = static_cast<Parser*>(userData);
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
        AddAttributes(*child, atts);
        p->current = child;
        p->OpenLevel({});
    });
}

void XMLCALL StartRoot(void* userData, const XML_Char* name, const XML_Char** atts) {
    auto* p = static_cast<Parser*>(userData);
    p->depth = 1;
    p->root.SetName(name);
    p->root.SetError(eXMLElementIncomplete);
    p->root.SetParent(nullptr);
    p->current = &p->root;
    XML_SetStartElementHandler(p->expat, StartChild);
    Guarded(p, [&] {
        p->open = 0;
        p->ReserveLevel();
        // Text the root already had is kept, and the document's text follows it.
        p->OpenLevel(p->root.GetText());
        AddAttributes(p->root, atts);
    });
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
