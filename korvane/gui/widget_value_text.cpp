#include "korvane/gui/widget_value_text.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_mutex.h"

#include <charconv>

namespace kvKorvaneV10_0_3 {

std::string WidgetValueText(const KCParamRegistrationData& registration, double state) {
    if (!registration.HasParam()) {
        return {};
    }
    KCFixedString<255> text;
    {
        const kvThread::ThreadMutexLock lock(registration.alg->AlgLock());
        registration.alg->GetParam(registration.paramID).TranslateValueString(state, text);
    }
    if (!text.empty()) {
        return text.c_str();
    }
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, state);
    return {digits, end.ptr};
}

}  // namespace kvKorvaneV10_0_3
