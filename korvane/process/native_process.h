/* The entry point a plug-in's shared object exports for its native processing form, and the
 * process memory a host hands it. The C part of this header compiles as C, so a plug-in or a
 * host in any language can share it. */
#pragma once

#include <stdint.h>  // NOLINT(modernize-deprecated-headers): the C part compiles as C

#ifdef __cplusplus
extern "C" {
#endif

/* The process memory the library delivered through the exec callback, as the host holds it.
 * Every word is 4 bytes: coefficients and states are IEEE single-precision floats. Each
 * pointer is the first word of its space (offsets in buffers count from there) and may be null
 * when its count is 0. Coefficients are read-only to the process; states and external blocks
 * are the process's own working memory and keep their values from one call to the next. */
typedef struct KSNativeProcessMemory {  // NOLINT(modernize-use-using): C as well
    uint32_t structSize;                /* sizeof(KSNativeProcessMemory) as the host built it */
    int32_t wordSize;                   /* bytes per process word: 4 */
    const float* coefs;
    int32_t numCoefs;
    float* states;
    int32_t numStates;
    float* externX;
    int32_t numExternX;
    float* externY;
    int32_t numExternY;
} KSNativeProcessMemory;

/* Processes `frames` frames: inputs[c][i] for c < numInputs, outputs[c][i] for c < numOutputs,
 * i < frames; an input and an output channel may be the same buffer. Returns 0, or a negative
 * error code (the library's KTErr) when it cannot process with what it was given - the host
 * then treats the block as silent. The host calls it on its audio thread, one call at a time
 * per plug-in instance, with memory no other thread writes during the call. */
// NOLINTNEXTLINE(modernize-use-using): C as well
typedef int32_t (*KTNativeProcessFunction)(const KSNativeProcessMemory* memory,
                                           const float* const* inputs, int32_t numInputs,
                                           float* const* outputs, int32_t numOutputs,
                                           int32_t frames);

#ifdef __cplusplus
}  // extern "C"

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/rm/res_types.h"

namespace kvKorvaneV10_0_3::ProcessMemory {

// The process function `name` that `module` exports: eDLLNotFound for a null module,
// eFuncPointerNotFound for a null or empty name or a module without that symbol (out null).
// [any-thread]
[[nodiscard]] KORVANE_API KTErr FindNativeProcessFunction(KTNativeDLLRefType* module,
                                                          const char* name,
                                                          KTNativeProcessFunction& out);

}  // namespace kvKorvaneV10_0_3::ProcessMemory
#endif
