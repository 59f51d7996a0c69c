// The builder's own parser against expat alone: for any bytes, and at any parse level, both
// builds must give the same code, declaration and tree. The own parser may leave a document to
// expat, but never accept one expat refuses or build it differently.
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_test_support.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace kvKorvaneV10_0_3;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1U << 20)) {
        return 0;
    }
    // The last byte picks a parse level now and then, so skipped subtrees are compared too.
    unsigned int level = 0;
    if (size > 0 && data[size - 1] < 8) {
        level = data[size - 1] + 1U;
    }
    const auto both = XML::testing::BuildBothWays(reinterpret_cast<const char*>(data), size, level);
    if (!both.difference.empty()) {
        std::fprintf(stderr, "own parser differs from expat: %s\n", both.difference.c_str());
        std::abort();
    }
    return 0;
}
