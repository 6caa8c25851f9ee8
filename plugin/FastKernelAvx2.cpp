// The fast path in AVX2: four doubles per vector. Compiled with -mavx2 only
// (never -mfma) and no contraction, and it calls nothing outside the
// intrinsics, so that no code of its instruction set leaks elsewhere.
#include <immintrin.h>

#include <cstdint>

#include "plugin/FastKernelBody.h"

namespace {

// Four frames, [L0 R0 ... L3 R3] in 16-bit lanes, to 32-bit lanes
// [L0 L1 L2 L3 R0 R1 R2 R3].
__m256i SplitFourFrames(const std::uint32_t* p) {
  const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m256i leftsThenRights = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  return _mm256_permutevar8x32_epi32(_mm256_cvtepi16_epi32(words), leftsThenRights);
}
__m128i Lefts(__m256i split) { return _mm256_castsi256_si128(split); }
__m128i Rights(__m256i split) { return _mm256_extracti128_si256(split, 1); }

// |L| + |R| of each of four frames.
__m128i FourFramesLoudness(__m256i split) {
  return _mm_add_epi32(_mm_abs_epi32(Lefts(split)), _mm_abs_epi32(Rights(split)));
}

std::uint32_t OrOfLanes(__m128i x) {
  x = _mm_or_si128(x, _mm_shuffle_epi32(x, _MM_SHUFFLE(1, 0, 3, 2)));
  x = _mm_or_si128(x, _mm_shuffle_epi32(x, _MM_SHUFFLE(2, 3, 0, 1)));
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(x));
}

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
  static void LoadFrames(const std::uint32_t* p, V& left, V& right) {
    const __m256i split = SplitFourFrames(p);
    left = _mm256_cvtepi32_pd(Lefts(split));
    right = _mm256_cvtepi32_pd(Rights(split));
  }
};

std::uint32_t Unpack(const std::uint32_t* samples, std::uint32_t frames, double* left,
                     double* right) {
  __m128i loudness = _mm_setzero_si128();
  std::uint32_t i = 0;
  for (; i + 4 <= frames; i += 4) {
    const __m256i split = SplitFourFrames(samples + i);
    _mm256_storeu_pd(left + i, _mm256_cvtepi32_pd(Lefts(split)));
    _mm256_storeu_pd(right + i, _mm256_cvtepi32_pd(Rights(split)));
    loudness = _mm_or_si128(loudness, FourFramesLoudness(split));
  }
  return OrOfLanes(loudness) | UnpackFrom(i, samples, frames, left, right);
}

// Four samples times the level in doubles, as the reference's gain.
__m128i ScaleFour(__m128i samples, __m256d level) {
  const __m256d product = _mm256_mul_pd(_mm256_cvtepi32_pd(samples), level);
  const __m256d quotient = _mm256_mul_pd(product, _mm256_set1_pd(0.01));
  const __m256d clamped = _mm256_min_pd(_mm256_max_pd(quotient, _mm256_set1_pd(-32768.0)),
                                        _mm256_set1_pd(32767.0));
  return _mm256_cvttpd_epi32(clamped);
}

std::uint32_t UnpackScaled(const std::uint32_t* samples, std::uint32_t frames,
                           std::int32_t recLevel, double* left, double* right) {
  const double level = recLevel;
  const __m256d levels = _mm256_set1_pd(level);
  __m128i loudness = _mm_setzero_si128();
  std::uint32_t i = 0;
  for (; i + 4 <= frames; i += 4) {
    const __m256i split = SplitFourFrames(samples + i);
    const __m128i l = ScaleFour(Lefts(split), levels);
    const __m128i r = ScaleFour(Rights(split), levels);
    _mm256_storeu_pd(left + i, _mm256_cvtepi32_pd(l));
    _mm256_storeu_pd(right + i, _mm256_cvtepi32_pd(r));
    loudness = _mm_or_si128(loudness, _mm_add_epi32(_mm_abs_epi32(l), _mm_abs_epi32(r)));
  }
  return OrOfLanes(loudness) | UnpackScaledFrom(i, samples, frames, level, left, right);
}

// Eight frames at a time in 16-bit lanes: |L| + |R| saturated at 65535,
// which is 256 or more exactly when the true sum is.
std::uint32_t LoudnessOf(const std::uint32_t* samples, std::uint32_t frames) {
  __m256i loudness = _mm256_setzero_si256();
  std::uint32_t i = 0;
  for (; i + 8 <= frames; i += 8) {
    const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples + i));
    const __m256i magnitudes = _mm256_abs_epi16(words);
    const __m256i sums = _mm256_adds_epu16(magnitudes, _mm256_srli_epi32(magnitudes, 16));
    loudness = _mm256_or_si256(loudness, sums);
  }
  const __m256i lowHalves = _mm256_and_si256(loudness, _mm256_set1_epi32(0xFFFF));
  const __m128i folded =
      _mm_or_si128(_mm256_castsi256_si128(lowHalves), _mm256_extracti128_si256(lowHalves, 1));
  std::uint32_t result = OrOfLanes(folded);
  for (; i < frames; ++i) result |= ScalarLoudness(samples[i]);
  return result;
}

}  // namespace

const TFastKernel kAvx2Kernel{&TFastTransform<TAvx2Ops>::Run, &Unpack, &UnpackScaled, &LoudnessOf,
                              TAvx2Ops::kLanes};
