// Reading the GUI description: rectangles, control array names, and the table that makes a
// control from its type name.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_control.h"

#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}

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

}  // namespace kvKorvaneV10_0_3
