// The images a control's description names, kept as references (resource number or file) until
// the view manager loads them.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/selectable.h"

#include <array>
#include <vector>

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}

// The "Type" of an image of a control's "ImageList".
enum EControlImageType : int {
    eImageNone = -1,
    eImageBackground = 0,
    eImageForeground,
    eImageSelection,
    eImageAlphaSelection,
    eImageScaleMarksMask,
    eImageAdditional,
    eImageShadow,
};

// "BackGround", "ForeGround", "Selection", "AlphaSelection", "ScaleMarksMask",
// "AdditionalImages", "Shadow"; eImageNone for anything else. [any-thread]
KORVANE_API EControlImageType ControlImageTypeFromString(const char* name);
KORVANE_API const char* ControlImageTypeName(EControlImageType type);

// One image: a resource number ("ResID") or a file ("File"). Plain value: [any-thread] on
// distinct objects.
struct KORVANE_API KCImageReference {
    short resID = 0;
    KCFixedString<255> file;

    [[nodiscard]] bool IsSet() const { return resID != 0 || !file.empty(); }
    bool operator==(const KCImageReference& other) const {
        return resID == other.resID && file.compare(other.file) == 0;
    }
};

// A control's images, by type. An "ImageList" element holds one child per image:
//   <Image Type="BackGround" ResID="200"/>          appended to the background list
//   <Image Type="Selection" Level="Hover" File="h.png"/>  the selection image of that level
//   <Image Type="ForeGround" Value="off"/>          clears that type (all selection levels, or
//                                                   the one its "Level" names)
//   <Image Type="Shadow" ResID="210" OffsetX="2" OffsetY="3"/>  drawn under what the list
//                                                   draws, moved by the offset (0 when absent)
// Within one "ImageList" the first image of a list type (background, foreground, additional)
// replaces the list, so a skin that names a background replaces it and leaves the rest.
// Plain value: [any-thread] on distinct objects.
struct KORVANE_API KCControlImageList {
    std::vector<KCImageReference> background;
    std::vector<KCImageReference> foreground;
    std::array<KCImageReference, kSelectLevelCount> selection{};
    KCImageReference alphaSelection;
    KCImageReference scaleMarksMask;
    std::vector<KCImageReference> additional;
    KCImageReference shadow;
    KCPoint2D<short> shadowOffset;

    // Applies an "ImageList" element over what is held.
    void ReadFromXML(const XML::CXMLElement& list);
    // Appends one child per held image to `list`.
    void WriteToXML(XML::CXMLElement& list) const;
    [[nodiscard]] bool IsEmpty() const;
    bool operator==(const KCControlImageList& other) const = default;
};

}  // namespace kvKorvaneV10_0_3
