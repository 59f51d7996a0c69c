// The inner loop of the polyphase converter: taps interpolated between two neighbouring phase
// rows, multiplied into every channel's window. An AVX2 version where the processor has it and a
// portable one; both sum in single precision and agree within float rounding (the vector one
// fuses each multiply-add).
#pragma once

namespace kvKorvaneV10_0_3::dsp_detail {

// rowA and rowB hold `taps` coefficients (a multiple of 8); tap k is
// rowA[k] + alpha * (rowB[k] - rowA[k]). window[c] points at channel c's `taps` samples.
using PolyphaseKernel = void (*)(const float* rowA, const float* rowB, float alpha,
                                 const float* const* window, int taps, int channels, float* out);

PolyphaseKernel PortablePolyphaseKernel();
// Null when the processor lacks AVX2 or FMA.
PolyphaseKernel VectorPolyphaseKernel();

}  // namespace kvKorvaneV10_0_3::dsp_detail
