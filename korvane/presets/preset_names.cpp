// The unique-name rule every preset list shares, and the check of remote file names.
#include "korvane/presets/preset_names.h"

#include <charconv>
#include <cstring>
#include <iterator>
#include <string>

namespace kvKorvaneV10_0_3::Preset {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool MakeNextUniqueName(const char* base,
                        const std::function<bool(const KCFixedStringBase&)>& isUsed,
                        KCFixedStringBase& out) {
    out = (base == nullptr || base[0] == 0) ? kUntitledPresetName : base;
    if (!isUsed(out)) {
        return true;
    }
    const std::string name(out.c_str());
    std::size_t digits = name.size();
    while (digits > 0 && IsDigit(name[digits - 1])) {
        --digits;
    }
    std::string stem = name.substr(0, digits);
    std::string separator;
    unsigned long long n = 1;
    if (digits == name.size()) {
        separator = " ";
    } else {
        // A long run of digits is read by its first digits: the count must not overflow.
        const std::size_t count = std::min<std::size_t>(name.size() - digits, kMaxNameNumberDigits);
        unsigned long long read = 0;
        std::from_chars(name.data() + digits, name.data() + digits + count, read);
        n = read + 1;
        // "Take 9" shortened is "Tak 10", not "Take10": the space stays with the number.
        if (!stem.empty() && stem.back() == ' ') {
            stem.pop_back();
            separator = " ";
        }
    }
    const std::size_t capacity = out.capacity();
    for (unsigned int tries = 0; tries < kMaxUniqueNameTries; ++tries, ++n) {
        char digits[24];
        const auto result = std::to_chars(std::begin(digits), std::end(digits), n);
        const std::string number = separator + std::string(std::begin(digits), result.ptr);
        const std::size_t numberLength = number.size();
        if (numberLength >= capacity) {
            break;
        }
        // Shorten the stem so the number is never cut away again.
        std::string candidate = stem.substr(0, KUUtf8CutLength(stem, capacity - numberLength));
        candidate += number;
        out = candidate.c_str();
        if (!isUsed(out)) {
            return true;
        }
    }
    out = name.c_str();
    return false;
}

bool IsBareFileName(const char* name) {
    if (name == nullptr || name[0] == 0) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    if (length > kMaxBareFileNameBytes) {
        return false;
    }
    const std::string text(name, length);
    return text.find('/') == std::string::npos && text.find('\\') == std::string::npos &&
           text.find("..") == std::string::npos && text != ".";
}

}  // namespace kvKorvaneV10_0_3::Preset
