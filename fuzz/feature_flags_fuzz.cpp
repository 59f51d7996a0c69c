// The per-user feature flags file: any bytes must give an answer or none, never a crash or an
// exception, and no answer leaves the caller's value alone.
#include "korvane/fm/feature_flags.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace kvKorvaneV10_0_3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    for (const char* name : {"X", "Fast", ""}) {
        KCFixedString<63> value("default");
        if (!FindFeatureFlagValue(text, size, name, value)) {
            if (std::strcmp(value.c_str(), "default") != 0) {
                std::abort();  // nothing found must leave the value alone
            }
        }
    }
    return 0;
}
