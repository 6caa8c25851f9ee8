// The fast path for any processor: two lanes of plain doubles, which the
// compiler may map onto whatever vectors the target has.
#include <cmath>

#include "plugin/FastKernelBody.h"

namespace {

struct TPair {
  double X0;
  double X1;
};

TPair operator+(TPair a, TPair b) { return {a.X0 + b.X0, a.X1 + b.X1}; }
TPair operator-(TPair a, TPair b) { return {a.X0 - b.X0, a.X1 - b.X1}; }
TPair operator*(TPair a, TPair b) { return {a.X0 * b.X0, a.X1 * b.X1}; }

struct TPortableOps {
  using V = TPair;
  static constexpr std::size_t kLanes = 2;
  static V Load(const double* p) { return {p[0], p[1]}; }
  static void Store(double* p, V v) {
    p[0] = v.X0;
    p[1] = v.X1;
  }
  static V Splat(double x) { return {x, x}; }
  static V Sqrt(V v) { return {std::sqrt(v.X0), std::sqrt(v.X1)}; }
  static void PairUp(V u, V v, V& a, V& b) {
    a = u;
    b = v;
  }
  static V SumPairs(V a, V b) { return {a.X0 + a.X1, b.X0 + b.X1}; }
  static V Stage9Twiddle(const double* p) { return Load(p); }
};

}  // namespace

const TFastKernel kPortableKernel{&TFastTransform<TPortableOps>::Run, nullptr,
                                  TPortableOps::kLanes};
