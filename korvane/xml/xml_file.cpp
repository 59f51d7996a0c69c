// A tree bound to a file, and whole-file reading and writing of serialisable objects.
#include "korvane/xml/xml_file.h"

#include <utility>

namespace kvKorvaneV10_0_3 {

KCXMLFile::KCXMLFile(FM::KCStPath path) : m_path(std::move(path)) {}

KCXMLFile::~KCXMLFile() = default;

bool KCXMLFile::IsValidSelf() const {
    return m_path.IsValid();
}

int KCXMLFile::Read() {
    int result = eNoErr;
    if (!m_path.IsValid(result)) {
        result = result != eNoErr ? result : eFMIllegalPathRef;
    } else if (!m_path.IsFile()) {
        result = eFMFileNotFound;
    } else {
        try {
            m_root.Clear();
            m_builder = std::make_unique<XML::CXMLTreeBuilder>(m_root);
            result = m_builder->BuildFromFile(m_path);
        } catch (...) {
            result = eMemOutOfMemory;
        }
    }
    SetError(result);
    return result;
}

int KCXMLFile::Write() {
    try {
        if (m_builder == nullptr) {
            m_builder = std::make_unique<XML::CXMLTreeBuilder>(m_root);
        }
        return m_builder->WriteToDataFork(m_path);
    } catch (...) {
        return eMemOutOfMemory;
    }
}

namespace XML {

int ReadKCXMLableFromFile(const FM::KCStPath& path, KCXMLable& object) {
    try {
        CXMLElement root("Untitled", "");
        CXMLTreeBuilder builder(root);
        const int result = builder.BuildFromFile(path);
        object.ReadFromXML(&root);
        return result;
    } catch (...) {
        return eMemOutOfMemory;
    }
}

int WriteKCXMLableToFile(const FM::KCStPath& path, const KCXMLable& object, const char* rootName) {
    try {
        CXMLElement root(rootName, "");
        object.WriteToXML(&root);
        const CXMLTreeBuilder builder(root);
        return builder.WriteToDataFork(path);
    } catch (...) {
        return eMemOutOfMemory;
    }
}

}  // namespace XML
}  // namespace kvKorvaneV10_0_3
