// KCXMLFile (one tree bound to one file) and the whole-file reading and writing of a
// KCXMLable.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/validatable.h"
#include "korvane/core/xmlable.h"
#include "korvane/fm/path.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <memory>

namespace kvKorvaneV10_0_3 {

// A tree read from and written to one path. [any-thread] on distinct objects.
class KORVANE_API KCXMLFile : public KUValidatable {
public:
    explicit KCXMLFile(FM::KCStPath path);
    KCXMLFile(const KCXMLFile&) = delete;
    KCXMLFile& operator=(const KCXMLFile&) = delete;
    ~KCXMLFile() override;

    // Valid when the path is.
    [[nodiscard]] bool IsValidSelf() const override;
    // Clears the tree and builds it from the file (eFMFileNotFound when the path is not a
    // file, eXMLParserFailed for malformed or truncated XML with the tree so far kept). The
    // result is also stored as the object's error.
    virtual int Read();
    // Writes the tree, with the XML declaration the last Read found, replacing the file.
    virtual int Write();

    [[nodiscard]] const FM::KCStPath& GetFilePath() const { return m_path; }
    XML::CXMLElement& GetXML() { return m_root; }
    [[nodiscard]] const XML::CXMLElement& GetXML() const { return m_root; }

private:
    FM::KCStPath m_path;
    XML::CXMLElement m_root;
    std::unique_ptr<XML::CXMLTreeBuilder> m_builder;
};

namespace XML {

// Builds the file under a root named "Untitled", then lets object read the root even when the
// build failed; returns the build's result. [any-thread] on distinct objects and files.
KORVANE_API int ReadKCXMLableFromFile(const FM::KCStPath& path, KCXMLable& object);
// Writes object under a root named rootName and replaces the file with it. [any-thread] on
// distinct objects and files.
KORVANE_API int WriteKCXMLableToFile(const FM::KCStPath& path, const KCXMLable& object,
                                     const char* rootName);

}  // namespace XML
}  // namespace kvKorvaneV10_0_3
