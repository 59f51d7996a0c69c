// The graph data classes a parameter description can name in its "DrawClass" element, by the
// key the algorithm's draw-class map uses (type, or type + "_" + data type).
#pragma once

#include "korvane/core/export.h"
#include "korvane/graphs/graph_data_base.h"

#include <span>

namespace kvKorvaneV10_0_3 {

struct KSDrawClass {
    const char* key;               // "GraphData_double", "DrawGraph_Polygon", ...
    KCGraphDataBase* (*create)();  // a new object; the caller owns it
};

// Every library class once, in a fixed order. [any-thread]
KORVANE_API std::span<const KSDrawClass> GraphDrawClasses();

}  // namespace kvKorvaneV10_0_3
