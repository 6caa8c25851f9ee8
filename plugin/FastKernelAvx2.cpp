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

}  // namespace

const TFastKernel kAvx2Kernel{&TFastTransform<TAvx2Ops>::Run, TAvx2Ops::kLanes};
