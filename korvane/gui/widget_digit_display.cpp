#include "korvane/gui/widget_digit_display.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/widget_value_text.h"

#include <algorithm>

namespace kvKorvaneV10_0_3 {

std::string CDigitDisplay_X::GetValueText() const {
    const KCParamRegistrationData* lead = GetLeadRegistration();
    if (lead == nullptr || !lead->HasParam()) {
        return {};
    }
    return WidgetValueText(*lead, lead->alg->GetParamState(lead->paramID));
}

void CDigitDisplay_X::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (IsHidden()) {
        return;
    }
    GetDrawInstructionsControlBackground(writer);
    const std::string text = GetValueText();
    if (!text.empty()) {
        // The text fills most of the control's height.
        const int size = std::max(6, GetControlRect().Height() * 3 / 4);
        writer.Font("Arial", size, Palette().text, 0);
        // Text aligns inside the innermost frame: the control's own, not the window's.
        const KURect<short>& rect = GetControlRect();
        kvGS::KCStGSFrameStructWriter frame(
            writer, KURect<int>(rect.top, rect.left, rect.bottom, rect.right), 0);
        writer.DrawTheText(text, 0, kvGS::eGSHCenter, kvGS::eGSVCenter);
    }
    GetDrawInstructionsParamsData(writer);
    GetDrawInstructionsSelectionBitmap(writer);
}

}  // namespace kvKorvaneV10_0_3
