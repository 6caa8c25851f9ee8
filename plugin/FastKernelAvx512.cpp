// The fast path in AVX-512: eight doubles per vector. Compiled with
// -mavx512f -mavx512dq only and no contraction, and it calls nothing
// outside the intrinsics, so that no code of its instruction set leaks
// elsewhere. AVX-512F has fused multiply-adds of its own, which only
// -ffp-contract=off keeps the compiler from forming.
//
// GCC 12's AVX-512 intrinsics start their results from a deliberately
// undefined vector, which its own optimiser then reports as uninitialised
// (fixed in later releases); the report is silenced for those headers alone.
// Clang neither reports it nor knows the second warning's name.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop

#include <cstdint>

#include "plugin/FastKernelBody.h"

namespace {

// Eight frames [L0 R0 ... L7 R7] in 16-bit lanes, the left samples and the
// right samples each widened with their sign to 32-bit lanes.
struct TEightFrames {
  __m256i Lefts;
  __m256i Rights;
};
TEightFrames SplitEightFrames(const std::uint32_t* p) {
  const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  return {_mm256_srai_epi32(_mm256_slli_epi32(words, 16), 16), _mm256_srai_epi32(words, 16)};
}

__m256i SumOfMagnitudes(__m256i a, __m256i b) {
  return _mm256_add_epi32(_mm256_abs_epi32(a), _mm256_abs_epi32(b));
}

std::uint32_t OrOfLanes(__m256i x) {
  __m128i y = _mm_or_si128(_mm256_castsi256_si128(x), _mm256_extracti128_si256(x, 1));
  y = _mm_or_si128(y, _mm_shuffle_epi32(y, _MM_SHUFFLE(1, 0, 3, 2)));
  y = _mm_or_si128(y, _mm_shuffle_epi32(y, _MM_SHUFFLE(2, 3, 0, 1)));
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(y));
}

struct TAvx512Ops {
  using V = __m512d;
  static constexpr std::size_t kLanes = sizeof(V) / sizeof(double);
  static V Load(const double* p) { return _mm512_loadu_pd(p); }
  static void Store(double* p, V v) { _mm512_storeu_pd(p, v); }
  static V Splat(double x) { return _mm512_set1_pd(x); }
  static V Sqrt(V v) { return _mm512_sqrt_pd(v); }
  // Two groups u and v of eight points become [u0..u3 v0..v3] and
  // [u4..u7 v4..v7]: stage 8's pairs across the two vectors.
  static void SplitGroups(V& u, V& v) {
    const V firstHalves = _mm512_shuffle_f64x2(u, v, _MM_SHUFFLE(1, 0, 1, 0));
    const V secondHalves = _mm512_shuffle_f64x2(u, v, _MM_SHUFFLE(3, 2, 3, 2));
    u = firstHalves;
    v = secondHalves;
  }
  static V Stage8Twiddle(const double* p) { return _mm512_broadcast_f64x4(_mm256_loadu_pd(p)); }
  // After stage 8, [u0 u1 u2 u3 v0 v1 v2 v3] [u4 u5 u6 u7 v4 v5 v6 v7]
  // become [u0 u1 u4 u5 v0 v1 v4 v5] [u2 u3 u6 u7 v2 v3 v6 v7]: stage 9's
  // pairs across, four groups of it side by side.
  static void PairUp(V u, V v, V& a, V& b) {
    a = _mm512_permutex2var_pd(u, _mm512_setr_epi64(0, 1, 8, 9, 4, 5, 12, 13), v);
    b = _mm512_permutex2var_pd(u, _mm512_setr_epi64(2, 3, 10, 11, 6, 7, 14, 15), v);
  }
  // Each pair's two points added, in the groups' natural order: [u0+u1
  // u2+u3 u4+u5 u6+u7 v0+v1 ... v6+v7].
  static V SumPairs(V a, V b) {
    return _mm512_add_pd(_mm512_unpacklo_pd(a, b), _mm512_unpackhi_pd(a, b));
  }
  static V Stage9Twiddle(const double* p) { return _mm512_broadcast_f64x2(_mm_loadu_pd(p)); }
  static void LoadFrames(const std::uint32_t* p, V& left, V& right) {
    const TEightFrames split = SplitEightFrames(p);
    left = _mm512_cvtepi32_pd(split.Lefts);
    right = _mm512_cvtepi32_pd(split.Rights);
  }
};

std::uint32_t Unpack(const std::uint32_t* samples, std::uint32_t frames, double* left,
                     double* right) {
  __m256i loudness = _mm256_setzero_si256();
  std::uint32_t i = 0;
  for (; i + 8 <= frames; i += 8) {
    const TEightFrames split = SplitEightFrames(samples + i);
    _mm512_storeu_pd(left + i, _mm512_cvtepi32_pd(split.Lefts));
    _mm512_storeu_pd(right + i, _mm512_cvtepi32_pd(split.Rights));
    loudness = _mm256_or_si256(loudness, SumOfMagnitudes(split.Lefts, split.Rights));
  }
  return OrOfLanes(loudness) | UnpackFrom(i, samples, frames, left, right);
}

// Eight samples times the level in doubles, as the reference's gain.
__m256i ScaleEight(__m256i samples, __m512d level) {
  const __m512d product = _mm512_mul_pd(_mm512_cvtepi32_pd(samples), level);
  const __m512d quotient = _mm512_mul_pd(product, _mm512_set1_pd(0.01));
  const __m512d clamped =
      _mm512_min_pd(_mm512_max_pd(quotient, _mm512_set1_pd(-32768.0)), _mm512_set1_pd(32767.0));
  return _mm512_cvttpd_epi32(clamped);
}

std::uint32_t UnpackScaled(const std::uint32_t* samples, std::uint32_t frames,
                           std::int32_t recLevel, double* left, double* right) {
  const double level = recLevel;
  const __m512d levels = _mm512_set1_pd(level);
  __m256i loudness = _mm256_setzero_si256();
  std::uint32_t i = 0;
  for (; i + 8 <= frames; i += 8) {
    const TEightFrames split = SplitEightFrames(samples + i);
    const __m256i l = ScaleEight(split.Lefts, levels);
    const __m256i r = ScaleEight(split.Rights, levels);
    _mm512_storeu_pd(left + i, _mm512_cvtepi32_pd(l));
    _mm512_storeu_pd(right + i, _mm512_cvtepi32_pd(r));
    loudness = _mm256_or_si256(loudness, SumOfMagnitudes(l, r));
  }
  return OrOfLanes(loudness) | UnpackScaledFrom(i, samples, frames, level, left, right);
}

// Eight frames at a time in 16-bit lanes: |L| + |R| saturated at 65535,
// which is 256 or more exactly when the true sum is. Kept 256 bits wide:
// 16-bit lanes in 512 bits would need AVX-512BW, and this pass costs little
// beside the transform.
std::uint32_t LoudnessOf(const std::uint32_t* samples, std::uint32_t frames) {
  __m256i loudness = _mm256_setzero_si256();
  std::uint32_t i = 0;
  for (; i + 8 <= frames; i += 8) {
    const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples + i));
    const __m256i magnitudes = _mm256_abs_epi16(words);
    const __m256i sums = _mm256_adds_epu16(magnitudes, _mm256_srli_epi32(magnitudes, 16));
    loudness = _mm256_or_si256(loudness, sums);
  }
  std::uint32_t result = OrOfLanes(_mm256_and_si256(loudness, _mm256_set1_epi32(0xFFFF)));
  for (; i < frames; ++i) result |= ScalarLoudness(samples[i]);
  return result;
}

}  // namespace

const TFastKernel kAvx512Kernel{&TFastTransform<TAvx512Ops>::Run, &Unpack, &UnpackScaled,
                                &LoudnessOf, TAvx512Ops::kLanes};
