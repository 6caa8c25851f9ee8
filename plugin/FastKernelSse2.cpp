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

}  // namespace

const TFastKernel kSse2Kernel{&TFastTransform<TSse2Ops>::Run, TSse2Ops::kLanes};
