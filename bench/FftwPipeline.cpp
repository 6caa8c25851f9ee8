#include "bench/FftwPipeline.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kPoints = 2048;
constexpr int kBins = kPoints / 2 + 1;

}  // namespace

FftwPipeline::FftwPipeline()
    : FInput(fftw_alloc_real(2 * kPoints)), FOutput(fftw_alloc_complex(2 * kBins)) {
  int n = kPoints;
  FPlan = fftw_plan_many_dft_r2c(1, &n, 2, FInput, nullptr, 1, kPoints, FOutput, nullptr, 1, kBins,
                                 FFTW_MEASURE);
}

FftwPipeline::~FftwPipeline() {
  fftw_destroy_plan(FPlan);
  fftw_free(FOutput);
  fftw_free(FInput);
}

bool FftwPipeline::Analyse(const std::uint32_t* frames, std::size_t count, TBandLevels& left,
                           TBandLevels& right) {
  count = std::min<std::size_t>(count, kPoints);
  double* leftIn = FInput;
  double* rightIn = FInput + kPoints;
  std::uint32_t loudness = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const auto l = static_cast<std::int16_t>(frames[i] & 0xFFFF);
    const auto r = static_cast<std::int16_t>(frames[i] >> 16);
    leftIn[i] = l;
    rightIn[i] = r;
    loudness |= static_cast<std::uint32_t>(std::abs(l) + std::abs(r));
  }
  if ((loudness & ~0xFFu) == 0) return false;
  std::fill(leftIn + count, leftIn + kPoints, 0.0);
  std::fill(rightIn + count, rightIn + kPoints, 0.0);

  fftw_execute(FPlan);

  const double scale = 1.0 / std::sqrt(double{kPoints});
  const TBandPattern& pattern = BandPatternOrDefault(kDefaultBandPattern);
  for (int channel = 0; channel < 2; ++channel) {
    const fftw_complex* bins = FOutput + channel * kBins;
    TBandLevels& levels = channel == 0 ? left : right;
    for (int band = 0; band < kBandCount; ++band) {
      double sum = 0;
      for (int k = pattern.Edges[band]; k < pattern.Edges[band + 1]; ++k) {
        sum += std::sqrt(bins[k][0] * bins[k][0] + bins[k][1] * bins[k][1]);
      }
      levels[band] = TSpectrumAnalysis::BandLevel(sum * scale, pattern.Gains[band], 100);
    }
  }
  return true;
}
