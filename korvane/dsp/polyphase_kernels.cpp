// The polyphase inner loops: a portable one, and an AVX2 + FMA one on x86 processors that have
// those instructions.
#include "korvane/dsp/polyphase_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#define KORVANE_X86_KERNELS 1
#include <immintrin.h>
#endif

namespace kvKorvaneV10_0_3::dsp_detail {

namespace {

template <int C>
void Portable(const float* rowA, const float* rowB, float alpha, const float* const* window,
              int taps, float* out) {
    float acc[C][8] = {};
    for (int k = 0; k < taps; k += 8) {
        for (int lane = 0; lane < 8; ++lane) {
            const float a = rowA[k + lane];
            const float c = a + alpha * (rowB[k + lane] - a);
            for (int ch = 0; ch < C; ++ch) {
                acc[ch][lane] += window[ch][k + lane] * c;
            }
        }
    }
    for (int ch = 0; ch < C; ++ch) {
        float sum = 0.0F;
        for (const float v : acc[ch]) {
            sum += v;
        }
        out[ch] = sum;
    }
}

void PortableAny(const float* rowA, const float* rowB, float alpha, const float* const* window,
                 int taps, int channels, float* out) {
    switch (channels) {
        case 1:
            Portable<1>(rowA, rowB, alpha, window, taps, out);
            break;
        case 2:
            Portable<2>(rowA, rowB, alpha, window, taps, out);
            break;
        case 3:
            Portable<3>(rowA, rowB, alpha, window, taps, out);
            break;
        case 4:
            Portable<4>(rowA, rowB, alpha, window, taps, out);
            break;
        default:
            for (int ch = 0; ch < channels; ch += 4) {
                const int n = channels - ch < 4 ? channels - ch : 4;
                float part[4] = {};
                if (n == 4) {
                    Portable<4>(rowA, rowB, alpha, window + ch, taps, part);
                } else if (n == 3) {
                    Portable<3>(rowA, rowB, alpha, window + ch, taps, part);
                } else if (n == 2) {
                    Portable<2>(rowA, rowB, alpha, window + ch, taps, part);
                } else {
                    Portable<1>(rowA, rowB, alpha, window + ch, taps, part);
                }
                for (int i = 0; i < n; ++i) {
                    out[ch + i] = part[i];
                }
            }
            break;
    }
}

#ifdef KORVANE_X86_KERNELS
__attribute__((target("avx2,fma"))) inline float HorizontalSum(__m256 v) {
    const __m128 quad = _mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
    const __m128 pair = _mm_add_ps(quad, _mm_movehl_ps(quad, quad));
    return _mm_cvtss_f32(_mm_add_ss(pair, _mm_shuffle_ps(pair, pair, 1)));
}

template <int C>
__attribute__((target("avx2,fma"))) void Vector(const float* rowA, const float* rowB, float alpha,
                                                const float* const* window, int taps, float* out) {
    __m256 acc[C];
    for (int ch = 0; ch < C; ++ch) {
        acc[ch] = _mm256_setzero_ps();
    }
    const __m256 a = _mm256_set1_ps(alpha);
    for (int k = 0; k < taps; k += 8) {
        const __m256 lo = _mm256_loadu_ps(rowA + k);
        const __m256 c = _mm256_fmadd_ps(a, _mm256_sub_ps(_mm256_loadu_ps(rowB + k), lo), lo);
        for (int ch = 0; ch < C; ++ch) {
            acc[ch] = _mm256_fmadd_ps(_mm256_loadu_ps(window[ch] + k), c, acc[ch]);
        }
    }
    for (int ch = 0; ch < C; ++ch) {
        out[ch] = HorizontalSum(acc[ch]);
    }
}

__attribute__((target("avx2,fma"))) void VectorAny(const float* rowA, const float* rowB,
                                                   float alpha, const float* const* window,
                                                   int taps, int channels, float* out) {
    switch (channels) {
        case 1:
            Vector<1>(rowA, rowB, alpha, window, taps, out);
            break;
        case 2:
            Vector<2>(rowA, rowB, alpha, window, taps, out);
            break;
        case 3:
            Vector<3>(rowA, rowB, alpha, window, taps, out);
            break;
        case 4:
            Vector<4>(rowA, rowB, alpha, window, taps, out);
            break;
        default:
            Vector<4>(rowA, rowB, alpha, window, taps, out);
            for (int ch = 4; ch < channels; ++ch) {
                Vector<1>(rowA, rowB, alpha, window + ch, taps, out + ch);
            }
            break;
    }
}

#endif  // KORVANE_X86_KERNELS

}  // namespace

PolyphaseKernel PortablePolyphaseKernel() {
    return &PortableAny;
}

PolyphaseKernel VectorPolyphaseKernel() {
#ifdef KORVANE_X86_KERNELS
    static const bool available = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return available ? &VectorAny : nullptr;
#else
    return nullptr;
#endif
}

}  // namespace kvKorvaneV10_0_3::dsp_detail
