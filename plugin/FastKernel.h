// What a fast path of the analysis offers: one channel's 2048-point
// transform, run as the scalar reference runs it but with independent
// butterflies side by side, ending in the magnitudes of bins 0..1023.
//
// Each fast path lives in a file of its own, compiled for its instruction
// set; this header holds plain data only, so that no inline code compiled
// for a wider instruction set can stand in for the baseline's.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kFastPoints = 2048;
inline constexpr std::size_t kFastStages = 10;  // the eleventh is folded into the magnitudes
inline constexpr std::size_t kFastBins = kFastPoints / 2;
inline constexpr std::size_t kFastQuarter = kFastPoints / 4;

// Streams that a pass walks side by side must not start at the same offset
// within 4 KiB, or they fall into the same cache sets and evict each other.
// Every array of the fast paths is therefore followed by this many spare
// doubles: whole cache lines, so that arrays of whole lines each start on a
// line and no access of eight lanes straddles two.
inline constexpr std::size_t kFastPad = 24;

// The reference's twiddles laid out stage by stage: stage s (half-size
// h = 1024 >> s) uses entries l << s of the tables for l = 0..h-1; here
// Cos[s][l] and Sin[s][l], contiguous. Stage 0's entries from 512 on sit
// apart, in Cos0Upper and Sin0Upper, for the cache's sake.
struct TStageTwiddles {
  const double* Cos[kFastStages];
  const double* Sin[kFastStages];
  const double* Cos0Upper;
  const double* Sin0Upper;
};

// One channel's working memory. Position p of the transform is Quarter[p /
// 512] [p % 512], each quarter an array of its own (see kFastPad).
struct TFastChannel {
  double* Re[4];
  double* Im[4];
  double* Magnitudes;  // 1024
};

// The real samples: 2048 frames at unity recording level when Frames is not
// null, otherwise the arrays Left and Right of 2048 doubles.
struct TFastInput {
  const std::uint32_t* Frames;
  const double* Left;
  const double* Right;
};

// Transforms both channels through the first ten stages, then adds the last
// stage's pairs, scales them and stores the magnitude of the bin at
// decimated position 2g into Magnitudes[g], g = 0..1023: that is bin k = g
// with its ten bits reversed.
using TFastStereoKernel = void (*)(const TFastInput& input, const TFastChannel& left,
                                   const TFastChannel& right, const TStageTwiddles& twiddles,
                                   double scale);

// Splits `frames` stereo frames (left in the low half) into left and right
// doubles and returns the bitwise or of |L| + |R| over all frames: the
// unpacking at unity recording level, several frames at a time.
using TFastUnpack = std::uint32_t (*)(const std::uint32_t* samples, std::uint32_t frames,
                                      double* left, double* right);

// The same at any other recording level: each sample becomes level x
// sample / 100 truncated toward zero and clamped to 16 bits, exactly as the
// reference's integer gain gives it. The product is exact in a double
// (below 2^46 in magnitude), and truncating it times the double nearest
// 0.01, which lies just above 1/100, gives the truncated quotient.
using TFastScaledUnpack = std::uint32_t (*)(const std::uint32_t* samples, std::uint32_t frames,
                                            std::int32_t recLevel, double* left, double* right);

// Without unpacking: a value with a bit above bit 7 set exactly when some
// frame has |L| + |R| of 256 or more, as the bitwise or has.
using TFastLoudness = std::uint32_t (*)(const std::uint32_t* samples, std::uint32_t frames);

struct TFastKernel {
  TFastStereoKernel Run;
  TFastUnpack Unpack;
  TFastScaledUnpack UnpackScaled;
  TFastLoudness Loudness;
  std::size_t Lanes;  // doubles per vector, as compiled into the kernel's own file
};

extern const TFastKernel kPortableKernel;
#if defined(KOLMIRA_X86_PATHS)
extern const TFastKernel kSse2Kernel;
extern const TFastKernel kAvx2Kernel;
extern const TFastKernel kAvx512Kernel;
#endif
