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

// The reference's twiddles laid out stage by stage: stage s (half-size
// h = 1024 >> s) uses entries l << s of the tables for l = 0..h-1; here they
// sit one after another from offset 2048 - 2h, so that a stage reads them
// contiguously.
struct TStageTwiddles {
  const double* Cos;
  const double* Sin;
};

// Transforms re (real samples; im is written, never read) in place through
// the first ten stages, then adds the last stage's pairs, scales them and
// stores the magnitude of the bin at decimated position 2g into
// magnitudes[g], g = 0..1023. That is bin k = g with its ten bits reversed.
using TFastChannelKernel = void (*)(double* re, double* im, double* magnitudes,
                                    const TStageTwiddles& twiddles, double scale);

// Splits `frames` stereo frames (left in the low half) into left and right
// doubles and returns the bitwise or of |L| + |R| over all frames: the
// unpacking at unity recording level, several frames at a time.
using TFastUnpack = std::uint32_t (*)(const std::uint32_t* samples, std::uint32_t frames,
                                      double* left, double* right);

struct TFastKernel {
  TFastChannelKernel Run;
  TFastUnpack Unpack;  // null where the scalar unpacking is as good
  std::size_t Lanes;   // doubles per vector, as compiled into the kernel's own file
};

extern const TFastKernel kPortableKernel;
#if defined(KOLMIRA_X86_PATHS)
extern const TFastKernel kSse2Kernel;
extern const TFastKernel kAvx2Kernel;
#endif
