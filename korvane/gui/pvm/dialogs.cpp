// The dialogs' entry points: the display's modal windows when a view has connected, the
// responders otherwise.
#include "korvane/gui/pvm/dialogs.h"

#include "korvane/gui/pvm/platform/native_view.h"

#include <utility>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

KTTextBoxResponder& TextBoxResponder() {
    static KTTextBoxResponder responder;
    return responder;
}
KTMessageBoxResponder& MessageBoxResponder() {
    static KTMessageBoxResponder responder;
    return responder;
}
KTTextDialogResponder& TextDialogResponder() {
    static KTTextDialogResponder responder;
    return responder;
}

}  // namespace

void SetTextBoxResponder(KTTextBoxResponder responder) {
    TextBoxResponder() = std::move(responder);
}

void SetMessageBoxResponder(KTMessageBoxResponder responder) {
    MessageBoxResponder() = std::move(responder);
}

void SetTextDialogResponder(KTTextDialogResponder responder) {
    TextDialogResponder() = std::move(responder);
}

KTErr ActivateTextBox(const KCTextBoxOptions& options, std::string& text) {
    if (IsDisplayConnected()) {
        return Native::RunTextBox(options, text);
    }
    // A copy: a responder may replace the responder.
    const KTTextBoxResponder responder = TextBoxResponder();
    std::string answer = options.text;
    if (!responder || !responder(options, answer)) {
        return eUserCanceled;
    }
    text = std::move(answer);
    return eNoErr;
}

void QuitTextBox() {
    Native::QuitTextBox();
}

KEMessageBoxAnswer DisplayMessageBox(const KCMessageBoxCreateOptions& options) {
    if (IsDisplayConnected()) {
        return Native::RunMessageBox(options);
    }
    const KTMessageBoxResponder responder = MessageBoxResponder();
    return responder ? responder(options) : eMBCancelled;
}

KTErr ActivateWindowDialog(KCGetUserTextCreateOpts& options) {
    if (IsDisplayConnected()) {
        return Native::RunTextDialog(options);
    }
    const KTTextDialogResponder responder = TextDialogResponder();
    KCGetUserTextCreateOpts answer = options;
    if (!responder || !responder(answer)) {
        return eUserCanceled;
    }
    options.text = std::move(answer.text);
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
