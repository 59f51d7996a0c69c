// Four-character codes as text.
#include "korvane/core/four_cc.h"

#include <algorithm>
#include <cstdint>

namespace kvKorvaneV10_0_3 {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

KCFourCC FromFour(std::string_view four) {
    std::uint32_t code = 0;
    for (const char c : four) {
        code = code << 8 | static_cast<unsigned char>(c);
    }
    return KCFourCC(code);
}

// Each blank-separated word of exactly four characters.
void AppendWords(std::string_view item, std::vector<KCFourCC>& out) {
    while (!item.empty()) {
        const auto start = item.find_first_not_of(kBlanks);
        if (start == std::string_view::npos) {
            return;
        }
        item.remove_prefix(start);
        const auto end = std::min(item.find_first_of(kBlanks), item.size());
        if (end == 4) {
            out.push_back(FromFour(item.substr(0, 4)));
        }
        item.remove_prefix(end);
    }
}

}  // namespace

std::optional<KCFourCC> ParseFourCC(std::string_view text) {
    if (text.size() == 6 && text.front() == '\'' && text.back() == '\'') {
        text = text.substr(1, 4);
    }
    if (text.size() != 4) {
        return std::nullopt;
    }
    return FromFour(text);
}

std::vector<KCFourCC> ParseFourCCList(std::string_view text) {
    std::vector<KCFourCC> codes;
    while (true) {
        const auto comma = text.find(',');
        const std::string_view item = Trimmed(text.substr(0, comma));
        if (const auto code = ParseFourCC(item)) {
            codes.push_back(*code);
        } else {
            AppendWords(item, codes);
        }
        if (comma == std::string_view::npos) {
            return codes;
        }
        text.remove_prefix(comma + 1);
    }
}

std::string FormatFourCC(KCFourCC code, EFourCCText form) {
    std::string text;
    if (form == EFourCCText::eQuoted) {
        text += '\'';
    }
    for (unsigned int i = 0; i < 4; ++i) {
        text += code.At(i);
    }
    if (form == EFourCCText::eQuoted) {
        text += '\'';
    }
    return text;
}

}  // namespace kvKorvaneV10_0_3
