// The resource configuration of a bundle: "resource_config.yaml" (Extensions, Redirection) or
// the older "extensions.txt". Internal.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/fixed_string.h"

#include <map>
#include <string>

namespace kvKorvaneV10_0_3::RM {

struct KSBundleConfig {
    std::map<std::string, std::string> extensions;  // type -> extension without the dot
    // type -> (name or "name?qualifier" -> path relative to the resources folder)
    std::map<std::string, std::map<std::string, std::string>> redirection;
};

// Parses the YAML text ([any-thread]). Malformed YAML or wrong shapes: eInvalidFileFormatProblem;
// an unknown top-level key: eFMWrongParameters; a type, extension or target that would leave the
// resources folder: eRMInvalidResID.
[[nodiscard]] KTErr ParseBundleConfigYAML(const std::string& text, KSBundleConfig& out);
// Whitespace-separated "type extension" pairs; an odd count or an over-long token (type 31,
// extension 15 characters): eInvalidFileFormatProblem.
[[nodiscard]] KTErr ParseBundleExtensionsText(const std::string& text, KSBundleConfig& out);

}  // namespace kvKorvaneV10_0_3::RM
