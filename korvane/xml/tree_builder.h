// XML::CXMLTreeBuilder: fills an element tree from XML bytes (with its own parser or expat) and
// writes a tree back as text with its XML declaration.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/mem_obj.h"
#include "korvane/fm/fm_types.h"
#include "korvane/fm/path.h"
#include "korvane/xml/xml_element.h"

#include <memory>
#include <string>

namespace kvKorvaneV10_0_3::XML {

// BuildFromFile's code for an empty file (the error table has no name for it yet).
inline constexpr KTErr kXMLFileEmpty = -1039;

// Builds into the root it was made on; one document per builder. [any-thread] on distinct
// objects (a builder and its tree count as one).
class KORVANE_API CXMLTreeBuilder {
public:
    static constexpr unsigned int kDefaultParseLevel = 512;
    static constexpr unsigned int kIdlePieceSize = 1024;

    explicit CXMLTreeBuilder(CXMLElement& root);
    CXMLTreeBuilder(const CXMLTreeBuilder&) = delete;
    CXMLTreeBuilder& operator=(const CXMLTreeBuilder&) = delete;
    ~CXMLTreeBuilder();

    // One piece of a document; call again with the next piece. finished becomes true once the
    // root's end tag was seen. eXMLParserFailed on malformed XML (the tree so far is kept).
    int BuildFromBuffer(const char* data, unsigned int length, bool& finished);
    // A whole document: eMemNullPointer for null data or fewer than 4 bytes, eXMLParserFailed
    // for malformed or truncated XML (the tree so far is kept).
    int BuildFromSingleBuffer(const char* data, unsigned int length);
    // As BuildFromSingleBuffer; an empty object parses nothing and gives eNoErr.
    int BuildFromKCStMemObj(const Utils::KCStConstMemObj& data);
    // The whole file as BuildFromKCStMemObj: eFMFileNotFound when the path does not exist,
    // kXMLFileEmpty for an empty file, the reading error when it cannot be read.
    int BuildFromFile(const FM::KCStPath& path);
    // As BuildFromSingleBuffer, fed in pieces of 1024 bytes with the idle callback called
    // after each piece that parsed.
    int BuildFromSingleBufferWithIdle(const char* data, unsigned int length);
    void SetIdleCallBack(void (*callback)(void*), void* context);
    // Elements deeper than depth (root = 1) are skipped with their content; the root is
    // always built.
    void SetParseLevel(unsigned int depth);
    // Whole documents (not the idle or piecewise builds) are read by the library's own parser
    // when they use only what the library writes: UTF-8, no DOCTYPE, ASCII names. It builds
    // the same tree expat would; anything else, errors included, is left to expat, so results
    // and error codes do not depend on which one read the document. Off: always expat. On by
    // default.
    void SetOwnParserEnabled(bool on);
    // True when the last whole document was built by the own parser.
    [[nodiscard]] bool BuiltByOwnParser() const;

    // "<?xml version=".." encoding="UTF-8"?>" CR LF after a parsed declaration: its version
    // ("1.0" when it had none) and, when it declared any encoding, UTF-8, the encoding of the
    // tree and of the written text. False when the document declared neither.
    bool FormatXMLDecl(KCFixedStringBase& out) const;
    // The version and encoding exactly as the document declared them (empty when it did not).
    [[nodiscard]] const KCFixedStringBase& GetParsedVersion() const;
    [[nodiscard]] const KCFixedStringBase& GetParsedEncoding() const;
    // The declaration (when there is one) and the tree as text; replaces out. eNoErr or
    // eMemOutOfMemory.
    int WriteToString(std::string& out) const;
    int WriteToKCStMemObj(Utils::KCStMemObj& out) const;
    // The same text written at the file's cursor; the first write error is returned.
    int AppendToOpenFile(FM::KTOpenFileType* file) const;
    // Creates or truncates the file (permission 0644, its folder created), then writes the text;
    // a creation failure returns the file's error.
    int WriteToDataFork(const FM::KCStPath& path) const;

    // The parser state, private to the implementation.
    struct Parser;

private:
    int Parse(const char* data, unsigned int length, bool final);
    int BuildWhole(const char* data, unsigned int length, unsigned int pieceSize, bool idle);
    // True when the own parser built the whole document; false with the root and the state
    // as they were.
    bool BuildOwn(const char* data, unsigned int length);

    CXMLElement& m_root;
    std::unique_ptr<Parser> m_parser;
    void (*m_idleCallback)(void*) = nullptr;
    void* m_idleContext = nullptr;
};

}  // namespace kvKorvaneV10_0_3::XML
