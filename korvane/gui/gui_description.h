// Reading the GUI description: rectangles, control array names, and the table that makes a
// control from its type name.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_control.h"
#include "korvane/xml/xml_element.h"

#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

class CStandardGUI_X;

// The version of the GUI description this library reads; any other gives no controls.
inline constexpr const char* kGUIDescriptionVersion = "4";

// Most instances one "cCONTROLLER" array element may ask for. A larger count is a broken or
// hostile description: the element is skipped (eControlOutOfRange), the others are read.
constexpr unsigned int kMaxControlArrayCount = 1024;

// A rectangle element: attributes "Top", "Left", "Bottom", "Right" (missing ones are 0).
// False when the element has none of them. [any-thread]
KORVANE_API bool ReadRectFromXML(const XML::CXMLElement& element, KURect<short>& rect);

// The instance names a control element's "Name" stands for. "Base[start:count]" is an array:
// count names "Base<start>", "Base<start + 1>", ... (start and count decimal, count > 0);
// any other name is one instance of itself. eControlOutOfRange (no names) for a count above
// kMaxControlArrayCount, eNotJustANumber for a malformed array part. [any-thread]
KORVANE_API KTErr ExpandControlArrayName(const char* name, std::vector<std::string>& names);

// Makes a control of one type for `gui` (its owner).
using KTGUIControlCreator = std::unique_ptr<KCGUIControl> (*)(CStandardGUI_X& gui);

// The process-wide table of control types by name: the library's widgets register here, and
// so may a plug-in or a test. Registering a name again replaces its creator; a null creator
// removes the name. Returns the previous creator. [gui-thread]
KORVANE_API KTGUIControlCreator RegisterGUIControlType(const char* type,
                                                       KTGUIControlCreator creator);
// The control the table makes for `type`, or null for an unknown type. [gui-thread]
KORVANE_API std::unique_ptr<KCGUIControl> CreateDefaultControls(const char* type,
                                                                CStandardGUI_X& gui);

namespace GUIXML {

// How the instances of a sub-view line up: side by side, one under the other, or in rows of
// "Columns" instances.
enum class ESubViewAlignment { eHorizontal, eVertical, eGrid };

// Most instances one sub-view description may ask for, and the deepest nesting of sub-views
// inside sub-views. Beyond them a description is broken (or loops): the rest is not made.
constexpr unsigned int kMaxSubViewCount = 256;
constexpr unsigned int kMaxSubViewDepth = 8;
// "ParamOffset" is held within ± this.
constexpr int kMaxSubViewParamOffset = 65536;

// One "SubView" of "SubViewRect_List":
//   <SubView Name="Band" Count="4" Alignment="Horizontal" Spacing="6" Columns="2"
//            ParamOffset="5" Page="Main">
//     <Rect Top="40" Left="10" Bottom="140" Right="90"/>
//     <Batch Name="BandControls"/>
//   </SubView>
// `rect` is the first instance's rectangle (in the GUI, or in its parent instance for a nested
// sub-view); instance i sits CalculateDiff(i) away from it. Each "Batch" names a template batch
// whose controls every instance gets.
struct KORVANE_API KSSubView {
    std::string name;
    KURect<short> rect;
    unsigned int count = 0;
    ESubViewAlignment alignment = ESubViewAlignment::eHorizontal;
    short spacing = 0;
    unsigned int columns = 1;
    // Instance i's controls drive the parameters i × paramOffset after the templates' ones.
    int paramOffset = 0;
    std::string page;
    std::vector<std::string> batches;

    // The offset of instance `index` from the first instance: whole rectangles plus the spacing
    // along the alignment.
    [[nodiscard]] KCPoint2D<short> CalculateDiff(unsigned int index) const;
};

// One "Batch" of "Control_Template_Batch_List": template controls by name ("Control") and
// sub-views nested in each instance ("SubView"), both in description order.
struct KSTemplateBatch {
    std::string name;
    std::vector<std::string> controls;
    std::vector<std::string> subViews;
};

// What the GUI description says about sub-views: their geometry, the template batches and the
// template controls' elements. The standard GUI fills it while reading and hands it to
// InitializeSubViews. Plain value: [gui-thread].
class KORVANE_API KCReader {
public:
    void Clear();
    // "SubViewRect_List": its "SubView" children (malformed ones, without a name, are skipped).
    void ReadSubViewRectList(const XML::CXMLElement& list);
    // "Control_Template_Batch_List": its "Batch" children.
    void ReadTemplateBatchList(const XML::CXMLElement& list);
    // Keeps a template control's element (a copy) under the instance name `name`.
    void AddTemplateElement(const std::string& name, const XML::CXMLElement& element);

    [[nodiscard]] const std::vector<KSSubView>& GetSubViews() const { return m_subViews; }
    // The sub-views no batch nests: those the GUI itself lays out.
    [[nodiscard]] std::vector<const KSSubView*> GetTopLevelSubViews() const;
    [[nodiscard]] const KSSubView* FindSubView(const std::string& name) const;
    [[nodiscard]] const KSTemplateBatch* FindBatch(const std::string& name) const;
    [[nodiscard]] const XML::CXMLElement* FindTemplateElement(const std::string& name) const;

private:
    std::vector<KSSubView> m_subViews;
    std::vector<KSTemplateBatch> m_batches;
    std::vector<std::pair<std::string, XML::CXMLElement>> m_templates;
};

}  // namespace GUIXML

}  // namespace kvKorvaneV10_0_3
