// The text primitive: text items, each in its own frame, optionally over an image.
#pragma once

#include "korvane/core/export.h"
#include "korvane/graphs/graph_data.h"

namespace kvKorvaneV10_0_3 {

// XML besides the base's: "Flags" (the alignment: bits 0-1 horizontal, 0 centre, 1 left,
// 2 right; bits 2-3 vertical, 0 centre, 1 top, 2 bottom), "Image" (drawn over the position
// rectangle first), a "BackGround" colour child (filled first when not transparent) and
// "TextItem" children with "String", "Image", "RelativeToGraphWin" and the children "Font",
// "Position" and "ImageRect". Items relative to the graph window are offset by the position
// rectangle's corner. [gui-thread]
class KORVANE_API KCDrawGraph_Text : public KCGraphData<PluginViewManager::KCTextObject> {
public:
    [[nodiscard]] KCGraphDataBase* Clone() const override { return new KCDrawGraph_Text(*this); }
    [[nodiscard]] const char* GetDrawClassType() const override { return "DrawGraph_Text"; }
    // Sets the string of item `index`, growing the list when needed.
    void SetText(unsigned int index, const char* text);
    // The string of item `index`; empty past the end.
    [[nodiscard]] const KCFixedStringBase& GetText(unsigned int index) const;
    void Clear() { m_data.clear(); }
    void PopBack();
    void SetFlags(int flags) { m_flags = flags; }
    int GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    void ReadFromXMLSelf(const XML::CXMLElement& e) override;
    void WriteToXMLSelf(XML::CXMLElement& e) const override;

private:
    int m_flags = 0;
    KCFixedString<127> m_image;
    KCRGBAColor m_background{0, 0, 0, 0};
};

}  // namespace kvKorvaneV10_0_3
