#include "bench/FftwPipeline.h"

#include <fftw3.h>
#include <immintrin.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPoints = 2048;
constexpr int kBins = kPoints / 2 + 1;

}  // namespace

FftwPipeline::FftwPipeline(TLayout layout)
    : FLayout(layout),
      FInput(fftw_alloc_real(2 * kPoints)),
      FOutput(fftw_alloc_complex(2 * kBins)) {
  int n = kPoints;
  const bool interleaved = layout == TLayout::Interleaved;
  const int stride = interleaved ? 2 : 1;
  FPlan = fftw_plan_many_dft_r2c(1, &n, 2, FInput, nullptr, stride, interleaved ? 1 : kPoints,
                                 FOutput, nullptr, stride, interleaved ? 1 : kBins, FFTW_PATIENT);
}

FftwPipeline::~FftwPipeline() {
  fftw_destroy_plan(FPlan);
  fftw_free(FOutput);
  fftw_free(FInput);
}

bool FftwPipeline::Supported() { return __builtin_cpu_supports("avx2"); }

__attribute__((target("avx2"))) std::uint32_t FftwPipeline::Unpack(const std::uint32_t* frames,
                                                                   std::size_t count) {
  __m256i loudness = _mm256_setzero_si256();
  const __m256i lefts_then_rights = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  double* leftIn = FInput;
  double* rightIn = FInput + kPoints;
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frames + i));
    const __m256i samples = _mm256_cvtepi16_epi32(words);
    const __m256i magnitude = _mm256_abs_epi32(samples);
    loudness = _mm256_or_si256(loudness, _mm256_hadd_epi32(magnitude, magnitude));
    if (FLayout == TLayout::Interleaved) {
      _mm256_storeu_pd(FInput + 2 * i, _mm256_cvtepi32_pd(_mm256_castsi256_si128(samples)));
      _mm256_storeu_pd(FInput + 2 * i + 4,
                       _mm256_cvtepi32_pd(_mm256_extracti128_si256(samples, 1)));
    } else {
      const __m256i split = _mm256_permutevar8x32_epi32(samples, lefts_then_rights);
      _mm256_storeu_pd(leftIn + i, _mm256_cvtepi32_pd(_mm256_castsi256_si128(split)));
      _mm256_storeu_pd(rightIn + i, _mm256_cvtepi32_pd(_mm256_extracti128_si256(split, 1)));
    }
  }
  alignas(32) std::uint32_t lanes[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), loudness);
  std::uint32_t result = 0;
  for (std::uint32_t lane : lanes) result |= lane;
  const std::size_t leftStep = FLayout == TLayout::Interleaved ? 2 : 1;
  double* left = FInput;
  double* right = FLayout == TLayout::Interleaved ? FInput + 1 : rightIn;
  for (; i < count; ++i) {
    const auto l = static_cast<std::int16_t>(frames[i] & 0xFFFF);
    const auto r = static_cast<std::int16_t>(frames[i] >> 16);
    left[i * leftStep] = l;
    right[i * leftStep] = r;
    result |= static_cast<std::uint32_t>(std::abs(l) + std::abs(r));
  }
  for (; i < kPoints; ++i) {
    left[i * leftStep] = 0;
    right[i * leftStep] = 0;
  }
  return result;
}

namespace {

__attribute__((target("avx2"))) double HorizontalSum(__m256d four) {
  const __m128d two = _mm_add_pd(_mm256_castpd256_pd128(four), _mm256_extractf128_pd(four, 1));
  return _mm_cvtsd_f64(_mm_add_sd(two, _mm_unpackhi_pd(two, two)));
}

double Magnitude(const double* bin) { return std::sqrt(bin[0] * bin[0] + bin[1] * bin[1]); }

}  // namespace

// Each band's sum of magnitudes straight from the bins, in one pass: the
// squares, roots and sums of four bins at a time, in any order.
__attribute__((target("avx2"))) void FftwPipeline::BandSums(TBandSums& left,
                                                            TBandSums& right) const {
  const TBandPattern& pattern = BandPatternOrDefault(kDefaultBandPattern);
  const double* bins = &FOutput[0][0];
  if (FLayout == TLayout::Interleaved) {
    // Bin k of both channels: [Lre Lim Rre Rim].
    for (int band = 0; band < kBandCount; ++band) {
      int k = pattern.Edges[band];
      const int end = pattern.Edges[band + 1];
      __m256d sums = _mm256_setzero_pd();  // [L L R R]
      for (; k + 2 <= end; k += 2) {
        const __m256d a = _mm256_loadu_pd(bins + 4 * k);
        const __m256d b = _mm256_loadu_pd(bins + 4 * k + 4);
        sums = _mm256_add_pd(
            sums, _mm256_sqrt_pd(_mm256_hadd_pd(_mm256_mul_pd(a, a), _mm256_mul_pd(b, b))));
      }
      const __m128d lefts = _mm256_castpd256_pd128(sums);
      const __m128d rights = _mm256_extractf128_pd(sums, 1);
      left[band] = _mm_cvtsd_f64(_mm_add_sd(lefts, _mm_unpackhi_pd(lefts, lefts)));
      right[band] = _mm_cvtsd_f64(_mm_add_sd(rights, _mm_unpackhi_pd(rights, rights)));
      for (; k < end; ++k) {
        left[band] += Magnitude(bins + 4 * k);
        right[band] += Magnitude(bins + 4 * k + 2);
      }
    }
    return;
  }
  for (int channel = 0; channel < 2; ++channel) {
    const double* from = bins + 2 * channel * kBins;
    TBandSums& sums = channel == 0 ? left : right;
    for (int band = 0; band < kBandCount; ++band) {
      int k = pattern.Edges[band];
      const int end = pattern.Edges[band + 1];
      __m256d four = _mm256_setzero_pd();
      for (; k + 4 <= end; k += 4) {
        const __m256d a = _mm256_loadu_pd(from + 2 * k);
        const __m256d b = _mm256_loadu_pd(from + 2 * k + 4);
        four = _mm256_add_pd(
            four, _mm256_sqrt_pd(_mm256_hadd_pd(_mm256_mul_pd(a, a), _mm256_mul_pd(b, b))));
      }
      sums[band] = HorizontalSum(four);
      for (; k < end; ++k) sums[band] += Magnitude(from + 2 * k);
    }
  }
}

TBandLevels FftwPipeline::Levels(const TBandSums& sums) {
  const double scale = 1.0 / std::sqrt(double{kPoints});
  const TBandPattern& pattern = BandPatternOrDefault(kDefaultBandPattern);
  TBandLevels levels{};
  for (int band = 0; band < kBandCount; ++band)
    levels[band] = TSpectrumAnalysis::BandLevel(sums[band] * scale, pattern.Gains[band], 100);
  return levels;
}

bool FftwPipeline::Analyse(const std::uint32_t* frames, std::size_t count, TBandLevels& left,
                           TBandLevels& right) {
  count = std::min<std::size_t>(count, kPoints);
  if ((Unpack(frames, count) & ~0xFFu) == 0) return false;
  fftw_execute(FPlan);
  TBandSums leftSums;
  TBandSums rightSums;
  BandSums(leftSums, rightSums);
  left = Levels(leftSums);
  right = Levels(rightSums);
  return true;
}
