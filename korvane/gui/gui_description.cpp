#include "korvane/gui/gui_description.h"

#include "korvane/xml/xml_element.h"

#include <charconv>
#include <cstring>
#include <map>
#include <string_view>

namespace kvKorvaneV10_0_3 {

namespace {

std::map<std::string, KTGUIControlCreator, std::less<>>& ControlTypes() {
    static std::map<std::string, KTGUIControlCreator, std::less<>> types;
    return types;
}

bool ParseUnsigned(std::string_view text, unsigned int& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

}  // namespace

bool ReadRectFromXML(const XML::CXMLElement& element, KURect<short>& rect) {
    rect = KURect<short>();
    bool any = element.GetAttrib("Top", rect.top);
    any = element.GetAttrib("Left", rect.left) || any;
    any = element.GetAttrib("Bottom", rect.bottom) || any;
    any = element.GetAttrib("Right", rect.right) || any;
    return any;
}

KTErr ExpandControlArrayName(const char* name, std::vector<std::string>& names) {
    names.clear();
    const std::string_view text(name != nullptr ? name : "");
    const auto open = text.rfind('[');
    if (text.empty() || text.back() != ']' || open == std::string_view::npos) {
        names.emplace_back(text);
        return eNoErr;
    }
    const std::string_view inside = text.substr(open + 1, text.size() - open - 2);
    const auto colon = inside.find(':');
    unsigned int start = 0;
    unsigned int count = 0;
    if (colon == std::string_view::npos || !ParseUnsigned(inside.substr(0, colon), start) ||
        !ParseUnsigned(inside.substr(colon + 1), count) || count == 0) {
        return eNotJustANumber;
    }
    if (count > kMaxControlArrayCount) {
        return eControlOutOfRange;
    }
    const std::string_view base = text.substr(0, open);
    names.reserve(count);
    for (unsigned int i = 0; i < count; ++i) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits,
                                          static_cast<unsigned long long>(start) + i);
        names.emplace_back(std::string(base) + std::string(digits, result.ptr));
    }
    return eNoErr;
}

KTGUIControlCreator RegisterGUIControlType(const char* type, KTGUIControlCreator creator) {
    auto& types = ControlTypes();
    const std::string key(type != nullptr ? type : "");
    KTGUIControlCreator previous = nullptr;
    if (const auto found = types.find(key); found != types.end()) {
        previous = found->second;
        if (creator == nullptr) {
            types.erase(found);
        } else {
            found->second = creator;
        }
    } else if (creator != nullptr) {
        types.emplace(key, creator);
    }
    return previous;
}

std::unique_ptr<KCGUIControl> CreateDefaultControls(const char* type, CStandardGUI_X& gui) {
    const auto& types = ControlTypes();
    const auto found = types.find(std::string_view(type != nullptr ? type : ""));
    return found == types.end() ? nullptr : found->second(gui);
}

}  // namespace kvKorvaneV10_0_3
