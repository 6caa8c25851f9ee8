// The fast path for any processor: two lanes of plain doubles, which the
// compiler may map onto whatever vectors the target has.
#include <cmath>
#include <cstdint>

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
  static void LoadFrames(const std::uint32_t* p, V& left, V& right) {
    left = {Left(p[0]), Left(p[1])};
    right = {Right(p[0]), Right(p[1])};
  }
  static double Left(std::uint32_t frame) { return static_cast<std::int16_t>(frame & 0xFFFF); }
  static double Right(std::uint32_t frame) { return static_cast<std::int16_t>(frame >> 16); }
};

std::uint32_t Unpack(const std::uint32_t* samples, std::uint32_t frames, double* left,
                     double* right) {
  return UnpackFrom(0, samples, frames, left, right);
}

std::uint32_t UnpackScaled(const std::uint32_t* samples, std::uint32_t frames,
                           std::int32_t recLevel, double* left, double* right) {
  return UnpackScaledFrom(0, samples, frames, recLevel, left, right);
}

std::uint32_t LoudnessOf(const std::uint32_t* samples, std::uint32_t frames) {
  std::uint32_t loudness = 0;
  for (std::uint32_t i = 0; i < frames; ++i) loudness |= ScalarLoudness(samples[i]);
  return loudness;
}

}  // namespace

const TFastKernel kPortableKernel{&TFastTransform<TPortableOps>::Run, &Unpack, &UnpackScaled, &LoudnessOf,
                                  TPortableOps::kLanes};
