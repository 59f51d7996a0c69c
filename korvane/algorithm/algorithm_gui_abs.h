// The algorithm's view of its GUI: the GUI layer sits above the algorithm, so the algorithm
// keeps its GUI through this base and only learns whether one exists and when to let go of it.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

// Implemented by CStandardGUI_X. [gui-thread]
class KORVANE_API KCAlgorithmGUIAbs {
public:
    KCAlgorithmGUIAbs() = default;
    KCAlgorithmGUIAbs(const KCAlgorithmGUIAbs&) = delete;
    KCAlgorithmGUIAbs& operator=(const KCAlgorithmGUIAbs&) = delete;
    virtual ~KCAlgorithmGUIAbs();

    // The algorithm is being destroyed while the GUI still refers to it: the GUI drops every
    // reference to it and does not call it again.
    virtual void AlgorithmGone() = 0;
};

}  // namespace kvKorvaneV10_0_3
