// Helpers shared by the XML tests.
#pragma once

#include "korvane/xml/tree_builder.h"

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

}  // namespace kvKorvaneV10_0_3::XML::testing
