// Reading and writing a control's image references.
#include "korvane/gui/control_images.h"

#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3 {
namespace {

using XML::CXMLElement;

constexpr std::array<const char*, 7> kTypeNames = {
    "BackGround",     "ForeGround",       "Selection", "AlphaSelection",
    "ScaleMarksMask", "AdditionalImages", "Shadow"};

bool IsOff(const CXMLElement& e) {
    std::string text;
    if (!e.GetAttrib("Value", text)) {
        return false;
    }
    std::ranges::transform(text, text.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text == "off";
}

void WriteReference(CXMLElement& list, EControlImageType type, const KCImageReference& image,
                    EContolSelectLevel level = eSelectLevelNone) {
    if (!image.IsSet()) {
        return;
    }
    CXMLElement* e = list.AddSubElement("Image");
    e->AddAttrib("Type", ControlImageTypeName(type));
    if (level != eSelectLevelNone) {
        e->AddAttrib("Level", SelectLevelName(level));
    }
    if (image.resID != 0) {
        e->AddAttrib("ResID", static_cast<int>(image.resID));
    }
    if (!image.file.empty()) {
        e->AddAttrib("File", image.file.c_str());
    }
}

}  // namespace

EControlImageType ControlImageTypeFromString(const char* name) {
    if (name == nullptr) {
        return eImageNone;
    }
    for (std::size_t i = 0; i < kTypeNames.size(); ++i) {
        if (std::string_view(name) == kTypeNames[i]) {
            return static_cast<EControlImageType>(i);
        }
    }
    return eImageNone;
}

const char* ControlImageTypeName(EControlImageType type) {
    return type >= 0 && static_cast<std::size_t>(type) < kTypeNames.size()
               ? kTypeNames[static_cast<std::size_t>(type)]
               : "";
}

void KCControlImageList::ReadFromXML(const CXMLElement& list) {
    std::array<bool, kTypeNames.size()> replaced{};
    for (const CXMLElement* child : list.GetSubElements()) {
        KCFixedString<31> typeName;
        child->GetAttrib("Type", typeName);
        const EControlImageType type = ControlImageTypeFromString(typeName.c_str());
        if (type == eImageNone) {
            continue;
        }
        KCFixedString<31> levelName;
        const bool hasLevel = child->GetAttrib("Level", levelName);
        const EContolSelectLevel level = SelectLevelFromString(levelName.c_str());
        KCImageReference image;
        int resID = 0;
        if (child->GetAttrib("ResID", resID)) {
            image.resID = static_cast<short>(resID);
        }
        child->GetAttrib("File", image.file);
        const bool off = IsOff(*child);

        std::vector<KCImageReference>* items = nullptr;
        switch (type) {
            case eImageBackground:
                items = &background;
                break;
            case eImageForeground:
                items = &foreground;
                break;
            case eImageAdditional:
                items = &additional;
                break;
            case eImageSelection:
                if (off && !hasLevel) {
                    selection.fill({});
                } else if (level != eSelectLevelNone) {
                    selection[static_cast<std::size_t>(level)] = off ? KCImageReference() : image;
                }  // a selection image of an unknown level is ignored
                break;
            case eImageAlphaSelection:
                alphaSelection = off ? KCImageReference() : image;
                break;
            case eImageScaleMarksMask:
                scaleMarksMask = off ? KCImageReference() : image;
                break;
            case eImageShadow:
                shadow = off ? KCImageReference() : image;
                shadowOffset = {};
                if (!off) {
                    child->GetAttrib("OffsetX", shadowOffset.x);
                    child->GetAttrib("OffsetY", shadowOffset.y);
                }
                break;
            default:
                break;
        }
        if (items != nullptr) {
            auto& first = replaced[static_cast<std::size_t>(type)];
            if (!first || off) {
                items->clear();
                first = true;
            }
            if (!off && image.IsSet()) {
                items->push_back(image);
            }
        }
    }
}

void KCControlImageList::WriteToXML(CXMLElement& list) const {
    for (const KCImageReference& image : background) {
        WriteReference(list, eImageBackground, image);
    }
    for (const KCImageReference& image : foreground) {
        WriteReference(list, eImageForeground, image);
    }
    for (int level = 0; level < kSelectLevelCount; ++level) {
        WriteReference(list, eImageSelection, selection[static_cast<std::size_t>(level)],
                       static_cast<EContolSelectLevel>(level));
    }
    WriteReference(list, eImageAlphaSelection, alphaSelection);
    WriteReference(list, eImageScaleMarksMask, scaleMarksMask);
    for (const KCImageReference& image : additional) {
        WriteReference(list, eImageAdditional, image);
    }
    if (shadow.IsSet()) {
        WriteReference(list, eImageShadow, shadow);
        CXMLElement* e = list.GetSubElements().back();
        e->AddAttrib("OffsetX", static_cast<int>(shadowOffset.x));
        e->AddAttrib("OffsetY", static_cast<int>(shadowOffset.y));
    }
}

bool KCControlImageList::IsEmpty() const {
    return *this == KCControlImageList();
}

}  // namespace kvKorvaneV10_0_3
