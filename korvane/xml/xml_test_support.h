// Helpers shared by the XML tests.
#pragma once

#include "korvane/xml/tree_builder.h"

#include <cstddef>
#include <string>

namespace kvKorvaneV10_0_3::XML::testing {

// Builds `root` from the whole text with the default parse level, or `parseLevel` when not 0,
// and returns the builder's code.
inline int Build(CXMLElement& root, const std::string& text, unsigned int parseLevel = 0) {
    CXMLTreeBuilder builder(root);
    if (parseLevel != 0) {
        builder.SetParseLevel(parseLevel);
    }
    return builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size()));
}

// Empty when the two trees hold the same names, texts, CDATA flags, attribute records, errors,
// parents and children; otherwise the path to the first difference.
inline std::string TreeDifference(const CXMLElement& a, const CXMLElement& b,
                                  const std::string& path = "/") {
    const std::string here = path + a.GetName().c_str();
    if (std::string(a.GetName().c_str()) != b.GetName().c_str()) {
        return here + ": name " + b.GetName().c_str();
    }
    if (a.GetText() != b.GetText()) {
        return here + ": text [" + a.GetText() + "] vs [" + b.GetText() + "]";
    }
    if (a.IsCDATA() != b.IsCDATA()) {
        return here + ": CDATA flag";
    }
    if (a.GetAttribString() != b.GetAttribString()) {
        return here + ": attributes [" + a.GetAttribString() + "] vs [" + b.GetAttribString() + "]";
    }
    if (a.GetError() != b.GetError()) {
        return here + ": error " + std::to_string(a.GetError()) + " vs " +
               std::to_string(b.GetError());
    }
    if ((a.GetParent() == nullptr) != (b.GetParent() == nullptr)) {
        return here + ": parent";
    }
    const auto& ca = a.GetSubElements();
    const auto& cb = b.GetSubElements();
    if (ca.size() != cb.size()) {
        return here + ": " + std::to_string(ca.size()) + " vs " + std::to_string(cb.size()) +
               " children";
    }
    for (std::size_t i = 0; i < ca.size(); ++i) {
        if (std::string d = TreeDifference(*ca[i], *cb[i], here + "/"); !d.empty()) {
            return d;
        }
    }
    return {};
}

// One whole-document build with the library's own parser allowed and one with expat alone.
struct DifferentialBuild {
    int ownResult = 0;
    int expatResult = 0;
    bool builtByOwn = false;
    // Empty when both builds gave the same code, declaration and tree.
    std::string difference;
};

inline DifferentialBuild BuildBothWays(const char* data, std::size_t size,
                                       unsigned int parseLevel = 0) {
    DifferentialBuild out;
    CXMLElement own;
    CXMLElement expat;
    CXMLTreeBuilder ownBuilder(own);
    CXMLTreeBuilder expatBuilder(expat);
    expatBuilder.SetOwnParserEnabled(false);
    if (parseLevel != 0) {
        ownBuilder.SetParseLevel(parseLevel);
        expatBuilder.SetParseLevel(parseLevel);
    }
    const auto length = static_cast<unsigned int>(size);
    out.ownResult = ownBuilder.BuildFromSingleBuffer(data, length);
    out.expatResult = expatBuilder.BuildFromSingleBuffer(data, length);
    out.builtByOwn = ownBuilder.BuiltByOwnParser();
    if (out.ownResult != out.expatResult) {
        out.difference =
            "result " + std::to_string(out.ownResult) + " vs " + std::to_string(out.expatResult);
    } else if (std::string(ownBuilder.GetParsedVersion().c_str()) !=
                   expatBuilder.GetParsedVersion().c_str() ||
               std::string(ownBuilder.GetParsedEncoding().c_str()) !=
                   expatBuilder.GetParsedEncoding().c_str()) {
        out.difference = "declaration";
    } else {
        out.difference = TreeDifference(own, expat);
    }
    return out;
}

}  // namespace kvKorvaneV10_0_3::XML::testing
