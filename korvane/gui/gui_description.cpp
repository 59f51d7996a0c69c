#include "korvane/gui/gui_description.h"

#include "korvane/xml/xml_element.h"

#include <algorithm>
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

namespace GUIXML {

using XML::CXMLElement;

KCPoint2D<short> KSSubView::CalculateDiff(unsigned int index) const {
    const int stepX = rect.Width() + spacing;
    const int stepY = rect.Height() + spacing;
    int column = 0;
    int row = 0;
    switch (alignment) {
        case ESubViewAlignment::eHorizontal:
            column = static_cast<int>(index);
            break;
        case ESubViewAlignment::eVertical:
            row = static_cast<int>(index);
            break;
        case ESubViewAlignment::eGrid: {
            const unsigned int perRow = columns == 0 ? 1 : columns;
            column = static_cast<int>(index % perRow);
            row = static_cast<int>(index / perRow);
            break;
        }
    }
    return {static_cast<short>(column * stepX), static_cast<short>(row * stepY)};
}

void KCReader::Clear() {
    m_subViews.clear();
    m_batches.clear();
    m_templates.clear();
}

void KCReader::ReadSubViewRectList(const CXMLElement& list) {
    for (const CXMLElement* element : list.GetSubElements()) {
        KSSubView view;
        if (element->GetName() != "SubView" || !element->GetAttrib("Name", view.name) ||
            view.name.empty()) {
            continue;
        }
        int count = 0;
        element->GetAttrib("Count", count);
        view.count = static_cast<unsigned int>(std::clamp(count, 0, int{kMaxSubViewCount}));
        std::string alignment;
        if (element->GetAttrib("Alignment", alignment)) {
            if (alignment == "Vertical") {
                view.alignment = ESubViewAlignment::eVertical;
            } else if (alignment == "Grid") {
                view.alignment = ESubViewAlignment::eGrid;
            }
        }
        element->GetAttrib("Spacing", view.spacing);
        int columns = 1;
        element->GetAttrib("Columns", columns);
        view.columns = static_cast<unsigned int>(std::clamp(columns, 1, int{kMaxSubViewCount}));
        element->GetAttrib("ParamOffset", view.paramOffset);
        view.paramOffset =
            std::clamp(view.paramOffset, -kMaxSubViewParamOffset, kMaxSubViewParamOffset);
        element->GetAttrib("Page", view.page);
        for (const CXMLElement* child : element->GetSubElements()) {
            std::string name;
            if (child->GetName() == "Rect") {
                ReadRectFromXML(*child, view.rect);
            } else if (child->GetName() == "Batch" && child->GetAttrib("Name", name)) {
                view.batches.push_back(name);
            }
        }
        m_subViews.push_back(std::move(view));
    }
}

void KCReader::ReadTemplateBatchList(const CXMLElement& list) {
    for (const CXMLElement* element : list.GetSubElements()) {
        KSTemplateBatch batch;
        if (element->GetName() != "Batch" || !element->GetAttrib("Name", batch.name)) {
            continue;
        }
        for (const CXMLElement* child : element->GetSubElements()) {
            std::string name;
            if (!child->GetAttrib("Name", name)) {
                continue;
            }
            if (child->GetName() == "Control") {
                batch.controls.push_back(name);
            } else if (child->GetName() == "SubView") {
                batch.subViews.push_back(name);
            }
        }
        m_batches.push_back(std::move(batch));
    }
}

void KCReader::AddTemplateElement(const std::string& name, const CXMLElement& element) {
    m_templates.emplace_back(name, element);
    m_templates.back().second.SetAttrib("Name", name.c_str());
}

std::vector<const KSSubView*> KCReader::GetTopLevelSubViews() const {
    std::vector<const KSSubView*> top;
    for (const KSSubView& view : m_subViews) {
        const bool nested = std::any_of(m_batches.begin(), m_batches.end(), [&view](const auto& b) {
            return std::find(b.subViews.begin(), b.subViews.end(), view.name) != b.subViews.end();
        });
        if (!nested) {
            top.push_back(&view);
        }
    }
    return top;
}

const KSSubView* KCReader::FindSubView(const std::string& name) const {
    const auto found = std::find_if(m_subViews.begin(), m_subViews.end(),
                                    [&name](const KSSubView& v) { return v.name == name; });
    return found == m_subViews.end() ? nullptr : &*found;
}

const KSTemplateBatch* KCReader::FindBatch(const std::string& name) const {
    const auto found = std::find_if(m_batches.begin(), m_batches.end(),
                                    [&name](const KSTemplateBatch& b) { return b.name == name; });
    return found == m_batches.end() ? nullptr : &*found;
}

const CXMLElement* KCReader::FindTemplateElement(const std::string& name) const {
    const auto found = std::find_if(m_templates.begin(), m_templates.end(),
                                    [&name](const auto& entry) { return entry.first == name; });
    return found == m_templates.end() ? nullptr : &found->second;
}

}  // namespace GUIXML

}  // namespace kvKorvaneV10_0_3
