// The plug-in module's entry: a host creates the algorithm through this exported function.
#include "examples/eq/kv_eq.h"

extern "C" __attribute__((visibility("default"))) kvKorvaneV10_0_3::cALGORITHM* KvEQ_Create(
    const kvKorvaneV10_0_3::KorvaneComponentInfo* info, KTResContainerType** resources) {
    if (info == nullptr || resources == nullptr) {
        return nullptr;
    }
    return new kvexample::KvEQ(*info, *resources);
}
