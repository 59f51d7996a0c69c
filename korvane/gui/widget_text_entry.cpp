#include "korvane/gui/widget_text_entry.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/pvm/dialogs.h"
#include "korvane/gui/widget_value_text.h"

#include <algorithm>
#include <utility>

namespace kvKorvaneV10_0_3 {

using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

KTTextEntryPresenter& Presenter() {
    static KTTextEntryPresenter presenter;
    return presenter;
}

}  // namespace

void SetTextEntryPresenter(KTTextEntryPresenter presenter) {
    Presenter() = std::move(presenter);
}

KTErr RunTextEntry(const KSTextEntryRequest& request, std::string& entered) {
    // A copy, so that a presenter that replaces itself while it runs stays alive until it returns.
    const KTTextEntryPresenter presenter = Presenter();
    std::string text;
    if (presenter) {
        if (!presenter(request, text)) {
            return eUserCanceled;
        }
    } else {
        // The view manager's edit box over the field; without a display its responder answers.
        PluginViewManager::KCTextBoxOptions box;
        box.rect = request.rect;
        box.text = request.text;
        box.acceptable = request.allowedCharacters;
        if (const KTErr err = PluginViewManager::ActivateTextBox(box, text); err != eNoErr) {
            return err;
        }
    }
    if (!request.allowedCharacters.empty() &&
        text.find_first_not_of(request.allowedCharacters) != std::string::npos) {
        return eNotJustANumber;
    }
    entered = std::move(text);
    return eNoErr;
}

std::string CTextEntry_X::GetValueText() const {
    const int index = WhichParamIndexCanEnterText();
    if (index < 0) {
        return {};
    }
    const KCParamRegistrationData& r = GetRegistrations()[static_cast<std::size_t>(index)];
    return WidgetValueText(r, r.alg->GetParamState(r.paramID));
}

BUFFER_HEADER* CTextEntry_X::MouseDownSelf(const Event& event, KURect<double>* range) {
    BUFFER_HEADER* chain = KCGUIControl::MouseDownSelf(event, range);
    // The field is for text entry whatever its flags say.
    if (WhichParamIndexCanEnterText() < 0) {
        m_lastResult = eWrongObjectState;
        return chain;
    }
    KSTextEntryRequest request;
    request.rect = GetControlRect();
    request.text = GetValueText();
    request.allowedCharacters = GetAcceptableCharactersForTextEntry().c_str();
    std::string entered;
    m_lastResult = RunTextEntry(request, entered);
    if (m_lastResult != eNoErr) {
        return chain;
    }
    if (entered.empty() && !GetControlFlag(eCtrlReceiveEmptyTextEntry)) {
        m_lastResult = eUserCanceled;
        return chain;
    }
    ETranslateTextRetType result = eTranslateTextRejected;
    chain = ChainBuffers(chain, EnterText(KCFixedString<255>(entered.c_str()), result));
    if (result != eTranslateTextAccepted) {
        m_lastResult = eNotJustANumber;
    }
    SetNeedToRedrawControl();
    return chain;
}

void CTextEntry_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const KURect<short>& rect = GetControlRect();
    writer.DrawWireRect(Palette().text, rect, 1.0F);
    const std::string text = GetValueText();
    if (!text.empty()) {
        writer.Font("Arial", std::max(6, rect.Height() * 2 / 3), Palette().text, 0);
        const kvGS::KCStGSFrameStructWriter frame(
            writer,
            KURect<int>(rect.top, rect.left + kTextInset, rect.bottom, rect.right - kTextInset), 0);
        writer.DrawTheText(text, 0, kvGS::eGSLeft, kvGS::eGSVCenter);
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
