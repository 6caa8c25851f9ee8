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
#include <cstdint>

#include "plugin/FastKernel.h"

namespace {

// ---- Frames one at a time: the tails a vector does not fill ----------------

std::int32_t LeftOf(std::uint32_t frame) { return static_cast<std::int16_t>(frame & 0xFFFF); }
std::int32_t RightOf(std::uint32_t frame) { return static_cast<std::int16_t>(frame >> 16); }

// |left| + |right|, which the loudness test ORs over the block.
std::uint32_t Loudness(std::int32_t left, std::int32_t right) {
  return static_cast<std::uint32_t>((left < 0 ? -left : left) + (right < 0 ? -right : right));
}
std::uint32_t ScalarLoudness(std::uint32_t frame) { return Loudness(LeftOf(frame), RightOf(frame)); }

// The reference's integer gain in doubles, as the vector paths take it.
std::int32_t ScaleOne(std::int32_t sample, double level) {
  const double quotient = static_cast<double>(sample) * level * 0.01;
  return static_cast<std::int32_t>(quotient < -32768.0 ? -32768.0
                                   : quotient > 32767.0 ? 32767.0
                                                        : quotient);
}

// Frames `from` to `frames` unpacked, and their loudness.
std::uint32_t UnpackFrom(std::uint32_t from, const std::uint32_t* samples, std::uint32_t frames,
                         double* left, double* right) {
  std::uint32_t loudness = 0;
  for (std::uint32_t i = from; i < frames; ++i) {
    left[i] = LeftOf(samples[i]);
    right[i] = RightOf(samples[i]);
    loudness |= ScalarLoudness(samples[i]);
  }
  return loudness;
}

// Frames `from` to `frames` unpacked at `level` percent, and their
// loudness after the gain.
std::uint32_t UnpackScaledFrom(std::uint32_t from, const std::uint32_t* samples,
                               std::uint32_t frames, double level, double* left, double* right) {
  std::uint32_t loudness = 0;
  for (std::uint32_t i = from; i < frames; ++i) {
    const std::int32_t l = ScaleOne(LeftOf(samples[i]), level);
    const std::int32_t r = ScaleOne(RightOf(samples[i]), level);
    left[i] = l;
    right[i] = r;
    loudness |= Loudness(l, r);
  }
  return loudness;
}

// ---- The transform -------------------------------------------------------------

// Ops supplies: V, kLanes, Load, Store, Splat, Sqrt, LoadFrames (W frames
// to a vector of lefts and one of rights) and the shuffles of the last two
// stages, PairUp and SumPairs, with Stage9Twiddle to match; eight lanes
// also SplitGroups and Stage8Twiddle.
template <class Ops>
struct TFastTransform {
  using V = typename Ops::V;
  static constexpr std::size_t W = Ops::kLanes;
  static_assert(W <= 8, "the last pass folds at most eight lanes");

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

  // The same butterfly where both points are real: the imaginary sum is
  // zero and the products with the zero imaginary difference are left out
  // (they could only change the sign of a zero, which no magnitude sees).
  static void RealButterfly(V& ar, V& br, V& bi, V cw, V sw) {
    const V dr = ar - br;
    ar = ar + br;
    br = dr * cw;
    bi = dr * sw;
  }

  // Where the first pass reads its real samples: frames as they came in,
  // or the real arrays.
  struct TFrameInput {
    const std::uint32_t* Frames;
    void Load(std::size_t i, V& left, V& right) const { Ops::LoadFrames(Frames + i, left, right); }
  };
  struct TArrayInput {
    const double* Left;
    const double* Right;
    void Load(std::size_t i, V& left, V& right) const {
      left = Ops::Load(Left + i);
      right = Ops::Load(Right + i);
    }
  };

  // Stages 0 and 1 of one channel at l in each quarter. The input is real,
  // and so are the sums of stage 0 that the first half of stage 1 takes.
  // The first quarter, sums of sums, is still all real: its imaginary
  // parts, all zero, are left for the pass that next reads it to write.
  static void FirstButterflies(const TFastChannel& channel, std::size_t l, V xa, V xb, V xc, V xd,
                               const TStageTwiddles& tw) {
    V ic;
    RealButterfly(xa, xc, ic, Ops::Load(tw.Cos[0] + l), Ops::Load(tw.Sin[0] + l));
    V id;
    RealButterfly(xb, xd, id, Ops::Load(tw.Cos0Upper + l), Ops::Load(tw.Sin0Upper + l));
    const V cw = Ops::Load(tw.Cos[1] + l);
    const V sw = Ops::Load(tw.Sin[1] + l);
    V ib;
    RealButterfly(xa, xb, ib, cw, sw);
    Butterfly(xc, ic, xd, id, cw, sw);
    Ops::Store(channel.Re[0] + l, xa);
    Ops::Store(channel.Re[1] + l, xb);
    Ops::Store(channel.Im[1] + l, ib);
    Ops::Store(channel.Re[2] + l, xc);
    Ops::Store(channel.Im[2] + l, ic);
    Ops::Store(channel.Re[3] + l, xd);
    Ops::Store(channel.Im[3] + l, id);
  }

  // Stages 0 and 1 over all points of both channels: the one pass that
  // touches more than the cache holds, so it reads each input and each
  // twiddle once for both channels.
  template <class Input>
  static void FirstPass(const Input& input, const TFastChannel& left, const TFastChannel& right,
                        const TStageTwiddles& tw) {
    constexpr std::size_t q = kFastQuarter;
    for (std::size_t l = 0; l < q; l += W) {
      V la;
      V lb;
      V lc;
      V ld;
      V ra;
      V rb;
      V rc;
      V rd;
      input.Load(l, la, ra);
      input.Load(l + q, lb, rb);
      input.Load(l + 2 * q, lc, rc);
      input.Load(l + 3 * q, ld, rd);
      FirstButterflies(left, l, la, lb, lc, ld, tw);
      FirstButterflies(right, l, ra, rb, rc, rd, tw);
    }
  }

  // Square roots still to be taken, in place. The last pass leaves its
  // squared magnitudes here and the next quarter's passes, which keep the
  // adders busy but leave the square-root unit idle, take them one vector
  // per step.
  struct TRootsDue {
    double* Next = nullptr;
    double* End = nullptr;
    void TakeOne() {
      if (Next == End) return;
      Ops::Store(Next, Ops::Sqrt(Ops::Load(Next)));
      Next += W;
    }
    void TakeAll() {
      while (Next != End) TakeOne();
    }
  };

  // Stages 2 and 3 over the first quarter, whose points are all real (see
  // FirstButterflies): three of each four points' butterflies take real
  // points. The first half of the quarter stays real; its imaginary parts
  // are written as the zeros they are, for the passes that follow.
  static void RealQuarterPass(double* re, double* im, const TStageTwiddles& tw,
                              TRootsDue& roots) {
    constexpr std::size_t h = kFastPoints / 2 >> 2;
    constexpr std::size_t q = h / 2;
    const double* c0 = tw.Cos[2];
    const double* s0 = tw.Sin[2];
    const double* c1 = tw.Cos[3];
    const double* s1 = tw.Sin[3];
    for (std::size_t a = 0; a < q; a += W) {
      const std::size_t b = a + q;
      const std::size_t c = a + h;
      const std::size_t d = c + q;
      V ar = Ops::Load(re + a);
      V br = Ops::Load(re + b);
      V cr = Ops::Load(re + c);
      V dr = Ops::Load(re + d);
      V ci;
      V di;
      RealButterfly(ar, cr, ci, Ops::Load(c0 + a), Ops::Load(s0 + a));
      RealButterfly(br, dr, di, Ops::Load(c0 + b), Ops::Load(s0 + b));
      const V cw = Ops::Load(c1 + a);
      const V sw = Ops::Load(s1 + a);
      V bi;
      RealButterfly(ar, br, bi, cw, sw);
      Butterfly(cr, ci, dr, di, cw, sw);
      Ops::Store(re + a, ar);
      Ops::Store(im + a, Ops::Splat(0.0));
      Ops::Store(re + b, br);
      Ops::Store(im + b, bi);
      Ops::Store(re + c, cr);
      Ops::Store(im + c, ci);
      Ops::Store(re + d, dr);
      Ops::Store(im + d, di);
      roots.TakeOne();
    }
  }

  // Stages `stage` and `stage` + 1 over one quarter.
  static void Radix4Pass(double* re, double* im, std::size_t stage, const TStageTwiddles& tw,
                         TRootsDue& roots) {
    const std::size_t h = kFastPoints / 2 >> stage;
    const std::size_t q = h / 2;
    const double* c0 = tw.Cos[stage];
    const double* s0 = tw.Sin[stage];
    const double* c1 = tw.Cos[stage + 1];
    const double* s1 = tw.Sin[stage + 1];
    for (std::size_t base = 0; base < kFastQuarter; base += 2 * h) {
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
        roots.TakeOne();
      }
    }
  }

  // Eight lanes take two groups of eight points per step; narrower
  // vectors take one group in two or four vectors.
  static constexpr std::size_t kGroupsPerStep = W > 4 ? W / 4 : 1;
  static constexpr std::size_t kStepPoints = 8 * kGroupsPerStep;

  // Stage 8's twiddles for the vectors of one step. With two groups per
  // step each vector holds four points of each group (see SplitGroups), so
  // it takes the group's four twiddles twice over.
  static V Stage8Twiddle(const double* p) {
    if constexpr (kGroupsPerStep == 2) {
      return Ops::Stage8Twiddle(p);
    } else {
      return Ops::Load(p);
    }
  }

  // With two groups per step, [group 0] [group 1] become [the first
  // halves] [the second halves], so that stage 8's pairs lie across the
  // two vectors; narrower vectors hold them across already.
  static void PairUpStage8(V* xr, V* xi) {
    if constexpr (kGroupsPerStep == 2) {
      Ops::SplitGroups(xr[0], xr[1]);
      Ops::SplitGroups(xi[0], xi[1]);
    }
  }

  // Stages 8 and 9 of one quarter on groups of eight points held in
  // registers, then the sum half of the last stage (its difference half
  // holds bins 1024..2047, which no band reads), the scale and the squared
  // magnitudes.
  static void LastPass(const double* re, const double* im, double* squares,
                       const TStageTwiddles& tw, V scale) {
    constexpr std::size_t kVectors = kStepPoints / W;
    constexpr std::size_t kHalf = kVectors / 2;
    const double* c8 = tw.Cos[8];
    const double* s8 = tw.Sin[8];
    const V c9 = Ops::Stage9Twiddle(tw.Cos[9]);
    const V s9 = Ops::Stage9Twiddle(tw.Sin[9]);
    for (std::size_t base = 0; base < kFastQuarter; base += kStepPoints) {
      V xr[kVectors];
      V xi[kVectors];
      for (std::size_t j = 0; j < kVectors; ++j) {
        xr[j] = Ops::Load(re + base + j * W);
        xi[j] = Ops::Load(im + base + j * W);
      }
      PairUpStage8(xr, xi);
      for (std::size_t j = 0; j < kHalf; ++j) {
        Butterfly(xr[j], xi[j], xr[j + kHalf], xi[j + kHalf], Stage8Twiddle(c8 + j * W),
                  Stage8Twiddle(s8 + j * W));
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
        Ops::Store(squares + base / 2 + j * W, yi * yi + yr * yr);
      }
    }
  }

  // After the first pass each quarter is finished on its own, both
  // channels' in turn while the quarter's twiddles are in the cache.
  static void Run(const TFastInput& input, const TFastChannel& left, const TFastChannel& right,
                  const TStageTwiddles& tw, double scale) {
    if (input.Frames != nullptr) {
      FirstPass(TFrameInput{input.Frames}, left, right, tw);
    } else {
      FirstPass(TArrayInput{input.Left, input.Right}, left, right, tw);
    }
    const V f = Ops::Splat(scale);
    const TFastChannel* channels[] = {&left, &right};
    TRootsDue roots;
    for (std::size_t quarter = 0; quarter < 4; ++quarter) {
      for (const TFastChannel* channel : channels) {
        double* re = channel->Re[quarter];
        double* im = channel->Im[quarter];
        if (quarter == 0) {
          RealQuarterPass(re, im, tw, roots);
        } else {
          Radix4Pass(re, im, 2, tw, roots);
        }
        Radix4Pass(re, im, 4, tw, roots);
        Radix4Pass(re, im, 6, tw, roots);
        roots.TakeAll();
        double* squares = channel->Magnitudes + quarter * kFastQuarter / 2;
        LastPass(re, im, squares, tw, f);
        roots = TRootsDue{squares, squares + kFastQuarter / 2};
      }
    }
    roots.TakeAll();
  }
};

}  // namespace
