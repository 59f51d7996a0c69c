// Text knobs: controls that show their value as text and change it when dragged. CButton_X drags
// the whole value through the base registration logic; X_CMultiField splits the text into fields
// and drags the field under the pointer.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_control.h"

#include <string>
#include <string_view>
#include <vector>

namespace kvKorvaneV10_0_3 {

// The value text of the lead registration, centred. A drag moves the registrations that answer
// to it, like a knob. "SupportMouseDown" (its "Value" "off" or "false" clears it) makes the
// registrations that answer to "MouseDown" step by one on the press; without it a press changes
// nothing and only a drag or the release ("MouseUp" registrations) does. [gui-thread]
class KORVANE_API CButton_X : public KCGUIControl {
public:
    explicit CButton_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CButton_X(*this); }

    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    [[nodiscard]] bool SupportsMouseDown() const { return m_supportMouseDown; }
    void SetSupportMouseDown(bool on) { m_supportMouseDown = on; }
    // The lead registration's value text; empty without a parameter.
    [[nodiscard]] std::string GetValueText() const;

    // The value text centred in the control, then the parameters' metadata and the selection
    // level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

protected:
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;

private:
    bool m_supportMouseDown = false;
};

// A value text in fields, split at any of '+', '|', ':' and '.', such as "12.5" or "1:30.250".
// Dragging a field moves the value by one unit of that field every kPixelsPerStep pixels: the
// number made of all the fields' digits (the first field's sign and digits, then each further
// field's digits) changes by the field's place value, carrying between fields in decimal, and
// the new text (digits and separators only, without units) goes through the parameter's text
// translation, which clamps or rejects it. The field widths stay those at the press.
// Description: "Image" ("ResID"), a picture behind the text; "Type" ("Value" "Horizontal" or
// "Vertical", the default), the drag axis; "Edit" (its "Value" "off" or "false" clears it), a
// double click asks for the whole value as text. [gui-thread]
class KORVANE_API X_CMultiField : public KCGUIControl {
public:
    struct Field {
        std::string text;       // as displayed, units included
        char separator = '\0';  // the character after it; '\0' for the last field
    };

    explicit X_CMultiField(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new X_CMultiField(*this); }

    void ReadFromXMLWithAlg(const XML::CXMLElement& element, cALGORITHM* alg, bool update) override;
    void WriteToXMLWithAlg(XML::CXMLElement& parent, const cALGORITHM* alg,
                           const char* elementName) const override;

    [[nodiscard]] static bool IsSeparator(char c);
    [[nodiscard]] static std::vector<Field> SplitFields(std::string_view text);
    // `text` with field `field` moved by `steps` units; empty when the text has no such field,
    // no digits in it, or too many digits to count.
    [[nodiscard]] static std::string StepField(std::string_view text, int field, long steps);

    // The text registration's value text; empty without one.
    [[nodiscard]] std::string GetValueText() const;
    [[nodiscard]] std::vector<Field> GetFields() const { return SplitFields(GetValueText()); }
    // Where each field is drawn and hit: the text laid out in equal character cells, centred.
    [[nodiscard]] std::vector<KURect<short>> GetFieldRects() const;
    // The field under `point`; -1 for none.
    [[nodiscard]] int FieldAt(KCPoint2D<short> point) const;
    // The field the current press drags; -1 for none.
    [[nodiscard]] int GetActiveField() const { return m_activeField; }

    [[nodiscard]] bool IsHorizontal() const { return m_horizontal; }
    [[nodiscard]] bool IsEditable() const { return m_edit; }
    [[nodiscard]] short GetImageResID() const { return m_imageResID; }

    // The picture, each field in its cells (the dragged one highlighted), then the parameters'
    // metadata and the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

    static constexpr int kPixelsPerStep = 4;
    static constexpr short kCharWidthDivisor = 2;  // a character cell is height / 2 wide at most

protected:
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;
    BUFFER_HEADER* MouseDragSelf(const Event& event, double dx, double dy,
                                 KURect<double>* rect) override;
    BUFFER_HEADER* MouseUpSelf(const Event& event) override;

private:
    short m_imageResID = 0;
    bool m_horizontal = false;
    bool m_edit = false;
    int m_activeField = -1;
    long m_stepsApplied = 0;
    std::string m_textAtDown;
};

}  // namespace kvKorvaneV10_0_3
