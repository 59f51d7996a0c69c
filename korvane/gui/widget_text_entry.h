// CTextEntry_X: a field that shows the value as text; a click asks for text, and committed text
// sets the parameter. The entry itself is the view's: the GUI hands a request to a replaceable
// presenter (the native overlay, or a test's), and without one the entry is cancelled.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/gui_control.h"

#include <functional>
#include <string>

namespace kvKorvaneV10_0_3 {

// What a text entry asks of the view. Plain value: [any-thread] on distinct objects.
struct KSTextEntryRequest {
    KURect<short> rect;             // the field, in view coordinates
    std::string text;               // what the field shows when the entry opens
    std::string allowedCharacters;  // what may be typed; empty: anything
};

// Shows the entry and answers true with the committed text, false when it was cancelled.
using KTTextEntryPresenter = std::function<bool(const KSTextEntryRequest&, std::string& entered)>;

// Replaces the presenter; with none, the view manager's edit box asks (on a display) or its
// text-box responder answers (without one; by default it cancels). [gui-thread]
KORVANE_API void SetTextEntryPresenter(KTTextEntryPresenter presenter);
// Runs an entry: eNoErr with the committed text; eUserCanceled when it was cancelled;
// eNotJustANumber when the text holds a character the request does not allow (a presenter that did
// not filter). [gui-thread]
KORVANE_API KTErr RunTextEntry(const KSTextEntryRequest& request, std::string& entered);

// [gui-thread]
class KORVANE_API CTextEntry_X : public KCGUIControl {
public:
    explicit CTextEntry_X(CStandardGUI_X* owner = nullptr) : KCGUIControl(owner) {}
    [[nodiscard]] KCBaseControl* Clone() const override { return new CTextEntry_X(*this); }

    // The text of the registration that text entry sets (WhichParamIndexCanEnterText).
    [[nodiscard]] std::string GetValueText() const;
    // The result of the last entry: eNoErr, or why nothing was set.
    [[nodiscard]] KTErr GetLastEntryResult() const { return m_lastResult; }

    // A field with the value text at its left, then the selection level.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) override;

    static constexpr short kTextInset = 3;

protected:
    // Asks for text; committed text goes through the parameter's text translation. Text the
    // parameter rejects changes nothing.
    BUFFER_HEADER* MouseDownSelf(const Event& event, KURect<double>* range) override;

private:
    KTErr m_lastResult = eNoErr;
};

}  // namespace kvKorvaneV10_0_3
