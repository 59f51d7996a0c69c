// Anchors the vtable of the graph data base in the library.
#include "korvane/graphs/graph_data_base.h"

namespace kvKorvaneV10_0_3 {

KCGraphDataBase::~KCGraphDataBase() = default;

}  // namespace kvKorvaneV10_0_3
