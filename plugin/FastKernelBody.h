// The body of every fast path, written once over a vector type. Each path's
// file supplies the vector operations and includes this inside its own
// translation unit; everything here has internal linkage, so the copies
// compiled for different instruction sets never meet at link time.
//
// Every value goes through exactly the reference's chain of operations:
// a butterfly is the reference's butterfly, only many of them run side by
// side. Stages are taken two at a time over groups that stay in the cache;
// after the first pass each quarter of the points is finished on its own.
#pragma once

#include <cstddef>

#include "plugin/FastKernel.h"

namespace {

// Ops supplies: V, kLanes, Load, Store, Splat, Sqrt and the shuffles of the
// last two stages, PairUp and SumPairs, with Stage9Twiddle to match.
template <class Ops>
struct TFastTransform {
  using V = typename Ops::V;
  static constexpr std::size_t W = Ops::kLanes;
  static constexpr std::size_t kQuarter = kFastPoints / 4;
  static_assert(W <= 4, "the last pass folds at most four lanes");

  static constexpr std::size_t StageOffset(std::size_t stage) {
    return kFastPoints - (kFastPoints >> stage);
  }

  // The reference's butterfly: sum to a, difference times the twiddle to b.
  static void Butterfly(V& ar, V& ai, V& br, V& bi, V cw, V sw) {
    const V sr = ar + br;
    const V si = ai + bi;
    const V dr = ar - br;
    const V di = ai - bi;
    ar = sr;
    ai = si;
    br = dr * cw - di * sw;
    bi = dr * sw + di * cw;
  }

  // Stages 0 and 1 over all points. The input is real, so the imaginary
  // parts that stage 0 reads are zero, and so are those that stage 1 reads
  // in the first half; their products are left out (they could only change
  // the sign of a zero, which no magnitude sees).
  static void FirstPass(double* re, double* im, const TStageTwiddles& tw) {
    constexpr std::size_t h = kFastPoints / 2;
    constexpr std::size_t q = h / 2;
    const double* c0 = tw.Cos + StageOffset(0);
    const double* s0 = tw.Sin + StageOffset(0);
    const double* c1 = tw.Cos + StageOffset(1);
    const double* s1 = tw.Sin + StageOffset(1);
    const V zero = Ops::Splat(0.0);
    for (std::size_t l = 0; l < q; l += W) {
      const std::size_t a = l;
      const std::size_t b = a + q;
      const std::size_t c = a + h;
      const std::size_t d = c + q;
      const V xa = Ops::Load(re + a);
      const V xb = Ops::Load(re + b);
      const V xc = Ops::Load(re + c);
      const V xd = Ops::Load(re + d);

      const V ra = xa + xc;
      const V dac = xa - xc;
      V rc = dac * Ops::Load(c0 + l);
      V ic = dac * Ops::Load(s0 + l);
      const V rb = xb + xd;
      const V dbd = xb - xd;
      V rd = dbd * Ops::Load(c0 + l + q);
      V id = dbd * Ops::Load(s0 + l + q);

      const V cw = Ops::Load(c1 + l);
      const V sw = Ops::Load(s1 + l);
      const V dab = ra - rb;
      Ops::Store(re + a, ra + rb);
      Ops::Store(im + a, zero);
      Ops::Store(re + b, dab * cw);
      Ops::Store(im + b, dab * sw);
      Butterfly(rc, ic, rd, id, cw, sw);
      Ops::Store(re + c, rc);
      Ops::Store(im + c, ic);
      Ops::Store(re + d, rd);
      Ops::Store(im + d, id);
    }
  }

  // Stages `stage` and `stage` + 1 over the groups in [begin, end).
  static void Radix4Pass(double* re, double* im, std::size_t begin, std::size_t end,
                         std::size_t stage, const TStageTwiddles& tw) {
    const std::size_t h = kFastPoints / 2 >> stage;
    const std::size_t q = h / 2;
    const double* c0 = tw.Cos + StageOffset(stage);
    const double* s0 = tw.Sin + StageOffset(stage);
    const double* c1 = tw.Cos + StageOffset(stage + 1);
    const double* s1 = tw.Sin + StageOffset(stage + 1);
    for (std::size_t base = begin; base < end; base += 2 * h) {
      for (std::size_t l = 0; l < q; l += W) {
        const std::size_t a = base + l;
        const std::size_t b = a + q;
        const std::size_t c = a + h;
        const std::size_t d = c + q;
        V ar = Ops::Load(re + a);
        V ai = Ops::Load(im + a);
        V br = Ops::Load(re + b);
        V bi = Ops::Load(im + b);
        V cr = Ops::Load(re + c);
        V ci = Ops::Load(im + c);
        V dr = Ops::Load(re + d);
        V di = Ops::Load(im + d);
        Butterfly(ar, ai, cr, ci, Ops::Load(c0 + l), Ops::Load(s0 + l));
        Butterfly(br, bi, dr, di, Ops::Load(c0 + l + q), Ops::Load(s0 + l + q));
        const V cw = Ops::Load(c1 + l);
        const V sw = Ops::Load(s1 + l);
        Butterfly(ar, ai, br, bi, cw, sw);
        Butterfly(cr, ci, dr, di, cw, sw);
        Ops::Store(re + a, ar);
        Ops::Store(im + a, ai);
        Ops::Store(re + b, br);
        Ops::Store(im + b, bi);
        Ops::Store(re + c, cr);
        Ops::Store(im + c, ci);
        Ops::Store(re + d, dr);
        Ops::Store(im + d, di);
      }
    }
  }

  // Stages 8 and 9 on groups of eight points held in registers, then the
  // sum half of the last stage (its difference half holds bins 1024..2047,
  // which no band reads), the scale, and the magnitudes.
  static void LastPass(double* re, double* im, double* magnitudes, std::size_t begin,
                       std::size_t end, const TStageTwiddles& tw, V scale) {
    constexpr std::size_t kVectors = 8 / W;
    constexpr std::size_t kHalf = kVectors / 2;
    const double* c8 = tw.Cos + StageOffset(8);
    const double* s8 = tw.Sin + StageOffset(8);
    const V c9 = Ops::Stage9Twiddle(tw.Cos + StageOffset(9));
    const V s9 = Ops::Stage9Twiddle(tw.Sin + StageOffset(9));
    for (std::size_t base = begin; base < end; base += 8) {
      V xr[kVectors];
      V xi[kVectors];
      for (std::size_t j = 0; j < kVectors; ++j) {
        xr[j] = Ops::Load(re + base + j * W);
        xi[j] = Ops::Load(im + base + j * W);
      }
      for (std::size_t j = 0; j < kHalf; ++j) {
        Butterfly(xr[j], xi[j], xr[j + kHalf], xi[j + kHalf], Ops::Load(c8 + j * W),
                  Ops::Load(s8 + j * W));
      }
      for (std::size_t j = 0; j < kHalf; ++j) {
        V ar;
        V br;
        V ai;
        V bi;
        Ops::PairUp(xr[2 * j], xr[2 * j + 1], ar, br);
        Ops::PairUp(xi[2 * j], xi[2 * j + 1], ai, bi);
        Butterfly(ar, ai, br, bi, c9, s9);
        const V yr = Ops::SumPairs(ar, br) * scale;
        const V yi = Ops::SumPairs(ai, bi) * scale;
        Ops::Store(magnitudes + base / 2 + j * W, Ops::Sqrt(yi * yi + yr * yr));
      }
    }
  }

  static void Run(double* re, double* im, double* magnitudes, const TStageTwiddles& tw,
                  double scale) {
    FirstPass(re, im, tw);
    const V f = Ops::Splat(scale);
    for (std::size_t begin = 0; begin < kFastPoints; begin += kQuarter) {
      const std::size_t end = begin + kQuarter;
      Radix4Pass(re, im, begin, end, 2, tw);
      Radix4Pass(re, im, begin, end, 4, tw);
      Radix4Pass(re, im, begin, end, 6, tw);
      LastPass(re, im, magnitudes, begin, end, tw, f);
    }
  }
};

}  // namespace
