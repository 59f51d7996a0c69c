// Four-character codes as text: the one parser and formatter every reader and writer of codes
// goes through (XML elements and attributes, preset type lists, component lists).
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvKorvaneV10_0_3 {

// One code. Accepted: exactly four characters ("XPst", spaces count as characters), or the
// same four between single quotes ("'XPst'", the form XML element text stores). Anything
// else - shorter, longer, surrounding blanks - is no code.
KORVANE_API std::optional<KCFourCC> ParseFourCC(std::string_view text);

// The codes of a list, in order. Items are separated by commas, and blanks (space, tab, CR,
// LF) around an item are dropped: "ABCD, EFGH". An item that is not one code but a run of
// blank-separated words gives each four-character word: "ABCD EFGH" (environment lists).
// Items that give no code are skipped.
KORVANE_API std::vector<KCFourCC> ParseFourCCList(std::string_view text);

enum class EFourCCText { eBare, eQuoted };

// The four characters, first byte first; eQuoted puts them between single quotes.
KORVANE_API std::string FormatFourCC(KCFourCC code, EFourCCText form = EFourCCText::eBare);

}  // namespace kvKorvaneV10_0_3
