// The block pipeline of the spectrum analysis with FFTW doing the
// transforms in its fastest arrangement: both channels' real-input
// transforms in one plan, planned once with FFTW_MEASURE.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/SpectrumAnalysis.h"

struct fftw_plan_s;

class FftwPipeline {
 public:
  FftwPipeline();
  ~FftwPipeline();
  FftwPipeline(const FftwPipeline&) = delete;
  FftwPipeline& operator=(const FftwPipeline&) = delete;

  // Returns false when the block is silent.
  bool Analyse(const std::uint32_t* frames, std::size_t count, TBandLevels& left,
               TBandLevels& right);

 private:
  double* FInput;        // two channels of 2048 real samples
  double (*FOutput)[2];  // two channels of 1025 complex bins
  fftw_plan_s* FPlan;
};
