// The fast path in AVX2: four doubles per vector. Compiled with -mavx2 only
// (never -mfma) and no contraction, and it calls nothing outside the
// intrinsics, so that no code of its instruction set leaks elsewhere.
#include <immintrin.h>

#include "plugin/FastKernelBody.h"

namespace {

struct TAvx2Ops {
  using V = __m256d;
  static constexpr std::size_t kLanes = sizeof(V) / sizeof(double);
  static V Load(const double* p) { return _mm256_loadu_pd(p); }
  static void Store(double* p, V v) { _mm256_storeu_pd(p, v); }
  static V Splat(double x) { return _mm256_set1_pd(x); }
  static V Sqrt(V v) { return _mm256_sqrt_pd(v); }
  // [e0 e1 e2 e3] [e4 e5 e6 e7] becomes [e0 e1 e4 e5] [e2 e3 e6 e7]: two
  // groups of stage 9 side by side.
  static void PairUp(V u, V v, V& a, V& b) {
    a = _mm256_permute2f128_pd(u, v, 0x20);
    b = _mm256_permute2f128_pd(u, v, 0x31);
  }
  static V SumPairs(V a, V b) {
    return _mm256_add_pd(_mm256_unpacklo_pd(a, b), _mm256_unpackhi_pd(a, b));
  }
  static V Stage9Twiddle(const double* p) {
    return _mm256_broadcast_pd(reinterpret_cast<const __m128d*>(p));
  }
};

std::uint32_t Unpack(const std::uint32_t* samples, std::uint32_t frames, double* left,
                     double* right) {
  const __m256i lefts_then_rights = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  __m128i loudness = _mm_setzero_si128();
  std::uint32_t i = 0;
  for (; i + 4 <= frames; i += 4) {
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
    const __m256i split =
        _mm256_permutevar8x32_epi32(_mm256_cvtepi16_epi32(words), lefts_then_rights);
    const __m128i l = _mm256_castsi256_si128(split);
    const __m128i r = _mm256_extracti128_si256(split, 1);
    _mm256_storeu_pd(left + i, _mm256_cvtepi32_pd(l));
    _mm256_storeu_pd(right + i, _mm256_cvtepi32_pd(r));
    loudness = _mm_or_si128(loudness, _mm_add_epi32(_mm_abs_epi32(l), _mm_abs_epi32(r)));
  }
  loudness = _mm_or_si128(loudness, _mm_shuffle_epi32(loudness, _MM_SHUFFLE(1, 0, 3, 2)));
  loudness = _mm_or_si128(loudness, _mm_shuffle_epi32(loudness, _MM_SHUFFLE(2, 3, 0, 1)));
  std::uint32_t result = static_cast<std::uint32_t>(_mm_cvtsi128_si32(loudness));
  for (; i < frames; ++i) {
    const std::uint32_t word = samples[i];
    const std::int32_t l = static_cast<std::int16_t>(word & 0xFFFF);
    const std::int32_t r = static_cast<std::int16_t>(word >> 16);
    left[i] = l;
    right[i] = r;
    result |= static_cast<std::uint32_t>((l < 0 ? -l : l) + (r < 0 ? -r : r));
  }
  return result;
}

}  // namespace

const TFastKernel kAvx2Kernel{&TFastTransform<TAvx2Ops>::Run, &Unpack, TAvx2Ops::kLanes};
