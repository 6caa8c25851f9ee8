// The block pipeline of the spectrum analysis with FFTW doing the
// transforms in the fastest arrangement we know: both channels' real-input
// transforms in one plan, planned once with FFTW_PATIENT, the unpacking in
// AVX2, and the magnitudes summed into bands straight from the bins in one
// AVX2 pass with sums reassociated freely. It is
// the yardstick for the exact analysis, not a replacement: FFTW orders its
// arithmetic its own way, so its levels may differ at boundaries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/SpectrumAnalysis.h"

struct fftw_plan_s;

class FftwPipeline {
 public:
  // Interleaved: the two channels sit side by side, sample by sample (as
  // they arrive), so that FFTW runs both transforms in the same vectors.
  // Otherwise each channel's 2048 samples follow one another.
  enum class TLayout { Separate, Interleaved };

  explicit FftwPipeline(TLayout layout);
  ~FftwPipeline();
  FftwPipeline(const FftwPipeline&) = delete;
  FftwPipeline& operator=(const FftwPipeline&) = delete;

  // Whether this processor can run the pipeline (it needs AVX2).
  static bool Supported();

  // Returns false when the block is silent.
  bool Analyse(const std::uint32_t* frames, std::size_t count, TBandLevels& left,
               TBandLevels& right);

 private:
  std::uint32_t Unpack(const std::uint32_t* frames, std::size_t count);
  void BandSums(TBandSums& left, TBandSums& right) const;
  static TBandLevels Levels(const TBandSums& sums);

  TLayout FLayout;
  double* FInput;        // two channels of 2048 real samples
  double (*FOutput)[2];  // two channels of 1025 complex bins
  fftw_plan_s* FPlan;
};
