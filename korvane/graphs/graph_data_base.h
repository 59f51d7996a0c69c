// The polymorphic base of every graph data object a parameter can carry (curves, point
// lists, texts). Concrete graph types and their drawing derive from it.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/xmlable.h"

namespace kvKorvaneV10_0_3 {

// Reads its own description element through XML::KCXMLable (ReadFromXML).
class KORVANE_API KCGraphDataBase : public XML::KCXMLable {
public:
    KCGraphDataBase() = default;
    KCGraphDataBase(const KCGraphDataBase&) = default;
    KCGraphDataBase& operator=(const KCGraphDataBase&) = default;
    ~KCGraphDataBase() override;

    // A new object of the same concrete type and content; the caller owns it.
    [[nodiscard]] virtual KCGraphDataBase* Clone() const = 0;
    // The first element (null when empty), the number of elements, and their size in bytes.
    [[nodiscard]] virtual const void* GetGraphData() const = 0;
    [[nodiscard]] virtual unsigned int GetGraphSize() const = 0;
    [[nodiscard]] virtual unsigned int GetGraphSizeInBytes() const = 0;
    // Resizes the element array where the type allows it; false otherwise.
    virtual bool ResizeGraph(unsigned int /*size*/) { return false; }
    // Called once after the description was read.
    virtual void FinishCreate() {}
};

}  // namespace kvKorvaneV10_0_3
