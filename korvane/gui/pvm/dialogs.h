// Text boxes, message boxes and text dialogs the library draws itself. On a display they are
// modal windows with their own loop; without one a replaceable responder answers for the user,
// and the default responder answers "cancelled".
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager {

class KCPluginView;

// An in-place edit box over a control.
struct KCTextBoxOptions {
    // The view it is shown over; null: the view handling the current event.
    KCPluginView* view = nullptr;
    // The box in view coordinates.
    KURect<short> rect;
    // The text it starts with, shown selected: the first character typed replaces it.
    std::string text;
    // The characters it accepts; empty accepts every printable character.
    std::string acceptable = "0123456789.+-";
    int fontSize = 12;
};

enum KEMessageBoxButtons : std::uint8_t { eMBOk, eMBOkCancel, eMBYesNo, eMBYesNoCancel };
enum KEMessageBoxAnswer : std::uint8_t { eMBCancelled, eMBOkAnswer, eMBYes, eMBNo };

struct KCMessageBoxCreateOptions {
    std::string title;
    // Lines are separated by '\n'.
    std::string message;
    KEMessageBoxButtons buttons = eMBOk;
    // Centred over this view; null: the view handling the current event, or the screen.
    KCPluginView* view = nullptr;
};

// A dialog asking for one line of text: a title, a prompt, an edit field, OK and Cancel.
struct KCGetUserTextCreateOpts {
    std::string title;
    std::string prompt;
    // In: the text the field starts with; out: the text entered.
    std::string text;
    // The characters the field accepts; empty accepts every printable character.
    std::string acceptable;
    KCPluginView* view = nullptr;
};

// What answers without a display. The text responders return true with the text to commit.
using KTTextBoxResponder = std::function<bool(const KCTextBoxOptions& options, std::string& text)>;
using KTMessageBoxResponder = std::function<KEMessageBoxAnswer(const KCMessageBoxCreateOptions&)>;
using KTTextDialogResponder = std::function<bool(KCGetUserTextCreateOpts& options)>;

// Replace the responders; an empty one restores the default, which cancels. [gui-thread]
KORVANE_API void SetTextBoxResponder(KTTextBoxResponder responder);
KORVANE_API void SetMessageBoxResponder(KTMessageBoxResponder responder);
KORVANE_API void SetTextDialogResponder(KTTextDialogResponder responder);

// Shows the edit box and waits: eNoErr with `text` set when Enter commits, eUserCanceled on
// Escape, a click outside or the loss of the keyboard. The display's own failures as
// eOperatingSystemNotSupported. [gui-thread]
[[nodiscard]] KORVANE_API KTErr ActivateTextBox(const KCTextBoxOptions& options, std::string& text);
// Closes an open edit box as cancelled. [gui-thread]
KORVANE_API void QuitTextBox();

// Shows the message and waits for a button: Enter answers the first button, Escape cancels.
// [gui-thread]
[[nodiscard]] KORVANE_API KEMessageBoxAnswer
DisplayMessageBox(const KCMessageBoxCreateOptions& options);

// Asks for a text: eNoErr with options.text set on OK or Enter, eUserCanceled on Cancel or
// Escape. [gui-thread]
[[nodiscard]] KORVANE_API KTErr ActivateWindowDialog(KCGetUserTextCreateOpts& options);

}  // namespace kvKorvaneV10_0_3::PluginViewManager
