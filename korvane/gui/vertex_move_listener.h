// KIVertexMoveListener: told when a marker standing for a graph vertex is moved.
#pragma once

namespace kvKorvaneV10_0_3 {

// A graph whose vertices are drawn as markers implements this, and each marker reports its drags
// through it, so the graph can update its data and redraw. [gui-thread]
class KIVertexMoveListener {
public:
    KIVertexMoveListener() = default;
    KIVertexMoveListener(const KIVertexMoveListener&) = default;
    KIVertexMoveListener& operator=(const KIVertexMoveListener&) = default;
    KIVertexMoveListener(KIVertexMoveListener&&) = default;
    KIVertexMoveListener& operator=(KIVertexMoveListener&&) = default;
    virtual ~KIVertexMoveListener() = default;

    // `index` is the vertex's place in the graph's list; `x` and `y` are its new coordinates in
    // the graph's data space.
    virtual void OnVertexMoved(int index, double x, double y) = 0;
};

}  // namespace kvKorvaneV10_0_3
