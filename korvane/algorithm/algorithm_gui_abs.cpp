#include "korvane/algorithm/algorithm_gui_abs.h"

namespace kvKorvaneV10_0_3 {

KCAlgorithmGUIAbs::~KCAlgorithmGUIAbs() = default;

}  // namespace kvKorvaneV10_0_3
