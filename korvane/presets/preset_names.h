// Preset names made unique within a list, and the file names a remote save request may give.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <functional>

namespace kvKorvaneV10_0_3::Preset {

// The name a preset gets when none was given.
inline constexpr const char* kUntitledPresetName = "Untitled Preset";
// How many numbers are tried before giving up on a unique name.
inline constexpr unsigned int kMaxUniqueNameTries = 100000;
// A trailing number longer than this is read by its first digits only (it still fits 64 bits).
inline constexpr unsigned int kMaxNameNumberDigits = 18;
// The longest file name a remote save request may give, in bytes.
inline constexpr unsigned int kMaxBareFileNameBytes = 255;

// The first name `isUsed` refuses not: `base` ("Untitled Preset" when empty) itself, then, when
// `base` does not end in a digit, "base 1", "base 2"...; when it does, its trailing number counted
// up ("Take 5" -> "Take 6"). The stem is shortened (at a character boundary) so that the number
// always fits `out`'s capacity. False, with `out` holding `base`, when no free name was found in
// kMaxUniqueNameTries numbers. [any-thread]
KORVANE_API bool MakeNextUniqueName(const char* base,
                                    const std::function<bool(const KCFixedStringBase&)>& isUsed,
                                    KCFixedStringBase& out);

// True for a plain file name: not empty, at most kMaxBareFileNameBytes bytes, no '/' or '\\',
// no ".." anywhere and not ".". [any-thread]
KORVANE_API bool IsBareFileName(const char* name);

}  // namespace kvKorvaneV10_0_3::Preset
