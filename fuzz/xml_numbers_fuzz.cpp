// The locale-independent number readers on any text: no crash, no overrun, and an integer
// reported as read in full must print back to the same value.
#include "korvane/xml/number_parse.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace kvKorvaneV10_0_3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    volatile double sink = KUAtof(text.c_str());
    (void)sink;
    long long wide = 0;
    if (KUAtoi(text.c_str(), wide) == eNoErr) {
        long long back = 0;
        if (KUAtoi(std::to_string(wide).c_str(), back) != eNoErr || back != wide) {
            std::abort();
        }
    }
    int narrow = 0;
    short narrower = 0;
    signed char smallest = 0;
    (void)KUAtoi(text.c_str(), narrow);
    (void)KUAtoi(text.c_str(), narrower);
    (void)KUAtoi(text.c_str(), smallest);
    return 0;
}
