// Texts the core value types parse from outside (preset files, configuration): Base64, versions
// and dates. Decoding must never fail or overrun; what parses must print back and parse equal.
#include "korvane/core/base64.h"
#include "korvane/core/date.h"
#include "korvane/core/version.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace kvKorvaneV10_0_3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<unsigned char> bytes;
    if (KCBase64::Decode(text, bytes) != eNoErr) {
        std::abort();  // decoding skips what it cannot read; it has no failure
    }
    std::string encoded;
    std::vector<unsigned char> again;
    if (KCBase64::Encode(bytes, encoded) != eNoErr || KCBase64::Decode(encoded, again) != eNoErr ||
        again != bytes) {
        std::abort();
    }

    const KCVersion version(text.c_str());
    if (!(KCVersion(version.GetString(4).c_str()) == version)) {
        std::abort();
    }

    Utils::KCDate date;
    if (date.fromString(text.c_str())) {
        Utils::KCDate back;
        if (!back.fromString(date.toString('-').c_str()) || !(back == date)) {
            std::abort();
        }
    }
    return 0;
}
