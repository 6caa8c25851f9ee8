// The fast path in SSE2: two doubles per vector. Compiled with -msse2 and
// no contraction, and it calls nothing outside the intrinsics.
#include <emmintrin.h>

#include "plugin/FastKernelBody.h"

namespace {

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
};

__m128i Abs(__m128i x) {
  const __m128i sign = _mm_srai_epi32(x, 31);
  return _mm_sub_epi32(_mm_xor_si128(x, sign), sign);
}

// [L0 R0 L1 R1] as 32-bit lanes: lefts to `left`, rights to `right`, and
// |L| + |R| of both frames or-ed into `loudness`.
void StoreTwoFrames(__m128i frames, double* left, double* right, __m128i& loudness) {
  const __m128i split = _mm_shuffle_epi32(frames, _MM_SHUFFLE(3, 1, 2, 0));
  _mm_storeu_pd(left, _mm_cvtepi32_pd(split));
  _mm_storeu_pd(right, _mm_cvtepi32_pd(_mm_unpackhi_epi64(split, split)));
  const __m128i magnitude = Abs(frames);
  const __m128i swapped = _mm_shuffle_epi32(magnitude, _MM_SHUFFLE(2, 3, 0, 1));
  loudness = _mm_or_si128(loudness, _mm_add_epi32(magnitude, swapped));
}

std::uint32_t Unpack(const std::uint32_t* samples, std::uint32_t frames, double* left,
                     double* right) {
  __m128i loudness = _mm_setzero_si128();
  std::uint32_t i = 0;
  for (; i + 4 <= frames; i += 4) {
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
    // Each 16-bit sample into the top of a 32-bit lane, then shifted down
    // with its sign.
    const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16);
    const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(words, words), 16);
    StoreTwoFrames(low, left + i, right + i, loudness);
    StoreTwoFrames(high, left + i + 2, right + i + 2, loudness);
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

const TFastKernel kSse2Kernel{&TFastTransform<TSse2Ops>::Run, &Unpack, TSse2Ops::kLanes};
