// The fast path in SSE2: two doubles per vector. Compiled with -msse2 and
// no contraction, and it calls nothing outside the intrinsics.
#include <emmintrin.h>

#include <cstdint>

#include "plugin/FastKernelBody.h"

namespace {

// Two frames' 16-bit samples, each put in the top of a 32-bit lane and
// shifted down with its sign: [L0 R0 L1 R1].
__m128i WidenTwoFrames(__m128i words) {
  return _mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16);
}
__m128i WidenNextTwoFrames(__m128i words) {
  return _mm_srai_epi32(_mm_unpackhi_epi16(words, words), 16);
}

// [L0 R0 L1 R1] to [L0 L1 R0 R1].
__m128i SplitChannels(__m128i frames) { return _mm_shuffle_epi32(frames, _MM_SHUFFLE(3, 1, 2, 0)); }

__m128i Abs(__m128i x) {
  const __m128i sign = _mm_srai_epi32(x, 31);
  return _mm_sub_epi32(_mm_xor_si128(x, sign), sign);
}

// [L0 R0 L1 R1] to |L| + |R| of each frame, each twice.
__m128i FrameLoudness(__m128i frames) {
  const __m128i magnitude = Abs(frames);
  const __m128i swapped = _mm_shuffle_epi32(magnitude, _MM_SHUFFLE(2, 3, 0, 1));
  return _mm_add_epi32(magnitude, swapped);
}

std::uint32_t OrOfLanes(__m128i x) {
  x = _mm_or_si128(x, _mm_shuffle_epi32(x, _MM_SHUFFLE(1, 0, 3, 2)));
  x = _mm_or_si128(x, _mm_shuffle_epi32(x, _MM_SHUFFLE(2, 3, 0, 1)));
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(x));
}

struct TSse2Ops {
  using V = __m128d;
  static constexpr std::size_t kLanes = sizeof(V) / sizeof(double);
  static V Load(const double* p) { return _mm_loadu_pd(p); }
  static void Store(double* p, V v) { _mm_storeu_pd(p, v); }
  static V Splat(double x) { return _mm_set1_pd(x); }
  static V Sqrt(V v) { return _mm_sqrt_pd(v); }
  // A vector pair [e0 e1] [e2 e3] already holds stage 9's operands.
  static void PairUp(V u, V v, V& a, V& b) {
    a = u;
    b = v;
  }
  static V SumPairs(V a, V b) { return _mm_add_pd(_mm_unpacklo_pd(a, b), _mm_unpackhi_pd(a, b)); }
  static V Stage9Twiddle(const double* p) { return Load(p); }
  static void LoadFrames(const std::uint32_t* p, V& left, V& right) {
    const __m128i words = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    const __m128i split = SplitChannels(WidenTwoFrames(words));
    left = _mm_cvtepi32_pd(split);
    right = _mm_cvtepi32_pd(_mm_unpackhi_epi64(split, split));
  }
};

// [L0 R0 L1 R1] as 32-bit lanes: lefts to `left`, rights to `right`.
void StoreTwoFrames(__m128i frames, double* left, double* right) {
  const __m128i split = SplitChannels(frames);
  _mm_storeu_pd(left, _mm_cvtepi32_pd(split));
  _mm_storeu_pd(right, _mm_cvtepi32_pd(_mm_unpackhi_epi64(split, split)));
}

std::uint32_t Unpack(const std::uint32_t* samples, std::uint32_t frames, double* left,
                     double* right) {
  __m128i loudness = _mm_setzero_si128();
  std::uint32_t i = 0;
  for (; i + 4 <= frames; i += 4) {
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
    const __m128i low = WidenTwoFrames(words);
    const __m128i high = WidenNextTwoFrames(words);
    StoreTwoFrames(low, left + i, right + i);
    StoreTwoFrames(high, left + i + 2, right + i + 2);
    loudness = _mm_or_si128(loudness, _mm_or_si128(FrameLoudness(low), FrameLoudness(high)));
  }
  return OrOfLanes(loudness) | UnpackFrom(i, samples, frames, left, right);
}

// The two samples in the low lanes times the level in doubles, as the
// reference's gain; the result is in the low lanes, zeros above.
__m128i ScaleTwo(__m128i samples, __m128d level) {
  const __m128d product = _mm_mul_pd(_mm_cvtepi32_pd(samples), level);
  const __m128d quotient = _mm_mul_pd(product, _mm_set1_pd(0.01));
  const __m128d clamped =
      _mm_min_pd(_mm_max_pd(quotient, _mm_set1_pd(-32768.0)), _mm_set1_pd(32767.0));
  return _mm_cvttpd_epi32(clamped);
}

std::uint32_t UnpackScaled(const std::uint32_t* samples, std::uint32_t frames,
                           std::int32_t recLevel, double* left, double* right) {
  const double level = recLevel;
  const __m128d levels = _mm_set1_pd(level);
  __m128i loudness = _mm_setzero_si128();
  std::uint32_t i = 0;
  for (; i + 2 <= frames; i += 2) {
    const __m128i words = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples + i));
    const __m128i split = SplitChannels(WidenTwoFrames(words));
    const __m128i l = ScaleTwo(split, levels);
    const __m128i r = ScaleTwo(_mm_unpackhi_epi64(split, split), levels);
    _mm_storeu_pd(left + i, _mm_cvtepi32_pd(l));
    _mm_storeu_pd(right + i, _mm_cvtepi32_pd(r));
    loudness = _mm_or_si128(loudness, _mm_add_epi32(Abs(l), Abs(r)));
  }
  return OrOfLanes(loudness) | UnpackScaledFrom(i, samples, frames, level, left, right);
}

// Four frames at a time in 16-bit lanes: |L| + |R| saturated at 65535,
// which is 256 or more exactly when the true sum is. |-32768| wraps to the
// bit pattern of 32768, which is what the unsigned addition reads.
std::uint32_t LoudnessOf(const std::uint32_t* samples, std::uint32_t frames) {
  __m128i loudness = _mm_setzero_si128();
  std::uint32_t i = 0;
  for (; i + 4 <= frames; i += 4) {
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
    const __m128i magnitudes = _mm_max_epi16(words, _mm_sub_epi16(_mm_setzero_si128(), words));
    loudness = _mm_or_si128(loudness, _mm_adds_epu16(magnitudes, _mm_srli_epi32(magnitudes, 16)));
  }
  std::uint32_t result = OrOfLanes(_mm_and_si128(loudness, _mm_set1_epi32(0xFFFF)));
  for (; i < frames; ++i) result |= ScalarLoudness(samples[i]);
  return result;
}

}  // namespace

const TFastKernel kSse2Kernel{&TFastTransform<TSse2Ops>::Run, &Unpack, &UnpackScaled, &LoudnessOf,
                              TSse2Ops::kLanes};
