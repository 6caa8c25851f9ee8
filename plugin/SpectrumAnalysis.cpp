#include "plugin/SpectrumAnalysis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

// Just below 2*pi; the tables are built from this very constant.
constexpr long double kFullTurn = 6.283185303L;

// The extended values nearest 1e-7 and 1e-2, and the double nearest 1.6.
constexpr long double kTenToMinusSeven = 0.0000001L;
constexpr long double kHundredth = 0.01L;
constexpr long double kLevelScale = static_cast<long double>(1.6);

constexpr std::int32_t kMaxLevel = 10;

// Only frames with |L| + |R| above this are loud enough to show.
constexpr std::uint32_t kSilenceMask = ~std::uint32_t{0xFF};

// Clears the busy flag however processing of a block ends, so that one
// failure does not drop every later block.
class TBusyScope {
 public:
  explicit TBusyScope(bool& busy) : FBusy(busy) { FBusy = true; }
  ~TBusyScope() { FBusy = false; }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  bool& FBusy;
};

std::uint32_t BitsOfLog2(std::size_t n) {
  std::uint32_t m = 0;
  while (n > 1) {
    n /= 2;
    ++m;
  }
  return m;
}

// Puts the outputs of the decimation in natural order: swaps every element
// with the one at its bit-reversed index, stepping the reversed index by a
// carry that runs from the top bit down.
void BitReversePermute(double* re, double* im, std::size_t n) {
  std::size_t r = 0;
  for (std::size_t j = 0; j < n; ++j) {
    if (j < r) {
      std::swap(re[j], re[r]);
      std::swap(im[j], im[r]);
    }
    std::size_t bit = n >> 1;
    while (bit != 0 && (r & bit) != 0) {
      r ^= bit;
      bit >>= 1;
    }
    r |= bit;
  }
}

// Where the decimation leaves bin k of 0..1023 among the magnitudes of a
// fast path: k with its ten bits reversed.
constexpr std::array<std::uint16_t, kFastBins> kBinPositions = [] {
  std::array<std::uint16_t, kFastBins> positions{};
  for (std::uint32_t k = 0; k < kFastBins; ++k) {
    std::uint32_t reversed = 0;
    for (std::uint32_t bit = 1, mirror = kFastBins / 2; bit < kFastBins; bit <<= 1, mirror >>= 1) {
      if ((k & bit) != 0) reversed |= mirror;
    }
    positions[k] = static_cast<std::uint16_t>(reversed);
  }
  return positions;
}();

int WidestBand(const TBandPattern& pattern) {
  int widest = 0;
  for (int band = 1; band < kBandCount; ++band) {
    const auto width = [&](int b) { return pattern.Edges[b + 1] - pattern.Edges[b]; };
    if (width(band) > width(widest)) widest = band;
  }
  return widest;
}

std::int32_t TruncateToInt32(long double x) {
  constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
  constexpr auto highest = std::numeric_limits<std::int32_t>::max();
  if (x <= lowest) return lowest;
  if (x >= highest) return highest;
  return static_cast<std::int32_t>(x);
}

}  // namespace

TSpectrumAnalysis::TSpectrumAnalysis() : TSpectrumAnalysis(DispatchedAnalysisPath()) {}

TSpectrumAnalysis::TSpectrumAnalysis(TAnalysisPath path)
    : FPath(AnalysisPathSupported(path) ? path : DispatchedAnalysisPath()),
      FKernel(FastKernelOf(FPath)),
      FLeftRe(kPoints),
      FLeftIm(kPoints),
      FRightRe(kPoints),
      FRightIm(kPoints),
      FFastScale(TransformScale(kPoints)) {
  static_assert(kPoints == kFastPoints);
  InitTables(kPoints);
}

void TSpectrumAnalysis::InitTables(std::size_t n) {
  FSine = TAlignedArray(n);
  FCosine = TAlignedArray(n);
  const long double step = kFullTurn / static_cast<long double>(n);
  for (std::size_t k = 0; k < n; ++k) {
    long double sine = 0;
    long double cosine = 0;
    ::sincosl(static_cast<long double>(k) * step, &sine, &cosine);
    FSine[k] = static_cast<double>(sine);
    FCosine[k] = static_cast<double>(cosine);
  }
  FFast.SetTables(FSine, FCosine);
}

void TSpectrumAnalysis::Transform(double* re, double* im, std::size_t n) const {
  if (n != FCosine.size()) {
    throw std::invalid_argument("transform size differs from the table size");
  }
  const std::uint32_t m = BitsOfLog2(n);
  const double* cosine = FCosine.data();
  const double* sine = FSine.data();

  std::size_t half = n;
  std::size_t groups = 1;
  for (std::uint32_t stage = 0; stage < m; ++stage) {
    half /= 2;
    std::size_t base = 0;
    for (std::size_t g = 0; g < groups; ++g) {
      std::size_t t = 0;
      for (std::size_t l = 0; l < half; ++l) {
        const std::size_t a = base + l;
        const std::size_t b = a + half;
        const double ar = re[a];
        const double ai = im[a];
        const double br = re[b];
        const double bi = im[b];
        re[a] = ar + br;
        im[a] = ai + bi;
        const double dr = ar - br;
        const double di = ai - bi;
        const double cw = cosine[t];
        const double sw = sine[t];
        re[b] = dr * cw - di * sw;
        im[b] = dr * sw + di * cw;
        t += groups;
      }
      base += 2 * half;
    }
    groups *= 2;
  }

  BitReversePermute(re, im, n);

  const double scale = TransformScale(n);
  for (std::size_t j = 0; j < n; ++j) {
    re[j] *= scale;
    im[j] *= scale;
  }
}

double TSpectrumAnalysis::TransformScale(std::size_t n) {
  // In extended precision, then rounded once: a square root in double would
  // land one unit in the last place low for 2048.
  return static_cast<double>(1.0L / std::sqrt(static_cast<long double>(n)));
}

double TSpectrumAnalysis::BandSum(std::int32_t first, std::int32_t end, const double* re,
                                  const double* im) {
  double sum = 0.0;
  for (std::int32_t k = first; k < end; ++k) {
    sum += std::sqrt(im[k] * im[k] + re[k] * re[k]);
  }
  return sum;
}

std::int32_t TSpectrumAnalysis::BandLevel(double bandSum, std::int32_t gain,
                                          std::int32_t adjustment) {
  // Extended precision, multiplied left to right: in double, a sum that
  // lands exactly on a whole level can fall just below it.
  long double x = TruncateToInt32(bandSum);
  x *= kLevelScale;
  x *= gain;
  x *= kTenToMinusSeven;
  x *= adjustment;
  x *= kHundredth;
  x += 0.5L;
  if (x >= kMaxLevel) return kMaxLevel;
  return TruncateToInt32(x);
}

std::int32_t TSpectrumAnalysis::ApplyRecLevel(std::int32_t sample, std::int32_t recLevel) {
  // Wide enough for any 32-bit level times any 16-bit sample.
  const std::int64_t scaled = std::int64_t{recLevel} * sample / 100;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(scaled, -32768, 32767));
}

bool TSpectrumAnalysis::UnpackFrames(const std::uint32_t* samples, std::uint32_t frames) {
  const bool scaled = FRecLevel != kUnityRecLevel;
  std::uint32_t loudness = 0;
  for (std::uint32_t i = 0; i < frames; ++i) {
    std::uint32_t word = 0;
    std::memcpy(&word, samples + i, sizeof word);
    std::int32_t left = static_cast<std::int16_t>(word & 0xFFFF);
    std::int32_t right = static_cast<std::int16_t>(word >> 16);
    if (scaled) {
      left = ApplyRecLevel(left, FRecLevel);
      right = ApplyRecLevel(right, FRecLevel);
    }
    FLeftRe[i] = left;
    FRightRe[i] = right;
    loudness |= static_cast<std::uint32_t>(std::abs(left) + std::abs(right));
  }
  return (loudness & kSilenceMask) != 0;
}

TBandLevels TSpectrumAnalysis::AnalyseChannel(double* re, double* im, TBandSums& sums) {
  Transform(re, im, kPoints);
  const TBandPattern& pattern = BandPatternOrDefault(FSpeanaPattern);
  for (int band = 0; band < kBandCount; ++band) {
    sums[band] = BandSum(pattern.Edges[band], pattern.Edges[band + 1], re, im);
  }
  return LevelsOf(sums);
}

void TSpectrumAnalysis::SamplingFast(const std::uint32_t* samples, std::uint32_t frames,
                                     TAnalysisOutput& output) {
  // At unity level a full block goes from the frames straight into the
  // transform; anything else is unpacked and padded first.
  const bool unity = FRecLevel == kUnityRecLevel;
  const bool direct = unity && frames == kMaxFrames;
  std::uint32_t loudness = 0;
  if (direct) {
    loudness = FKernel->Loudness(samples, frames);
  } else if (unity) {
    loudness = FKernel->Unpack(samples, frames, FLeftRe.data(), FRightRe.data());
  } else {
    loudness = FKernel->UnpackScaled(samples, frames, FRecLevel, FLeftRe.data(), FRightRe.data());
  }
  if ((loudness & kSilenceMask) == 0) {
    output.ClearPanels();
    return;
  }
  if (!direct) {
    std::fill(FLeftRe.data() + frames, FLeftRe.data() + kPoints, 0.0);
    std::fill(FRightRe.data() + frames, FRightRe.data() + kPoints, 0.0);
  }
  FastBandSums(direct ? samples : nullptr);
  output.SetLevels(TChannel::Left, LevelsOf(FBandSums[0]));
  output.SetLevels(TChannel::Right, LevelsOf(FBandSums[1]));
}

void TSpectrumAnalysis::FastBandSums(const std::uint32_t* frames) {
  if (!FFast.HasTwiddles()) {
    throw std::invalid_argument("transform size differs from the table size");
  }
  const TFastInput input{frames, FLeftRe.data(), FRightRe.data()};
  const TFastChannel& left = FFast.Left();
  const TFastChannel& right = FFast.Right();
  FKernel->Run(input, left, right, FFast.Twiddles(), FFastScale);

  // Each band's sum runs bin by bin in the reference's order, a chain of
  // dependent additions. The widest band's chains run beside the others',
  // so that four chains are under way at once.
  const TBandPattern& pattern = BandPatternOrDefault(FSpeanaPattern);
  const double* leftMagnitudes = left.Magnitudes;
  const double* rightMagnitudes = right.Magnitudes;
  const int widest = WidestBand(pattern);
  std::int32_t wideBin = pattern.Edges[widest];
  const std::int32_t wideEnd = pattern.Edges[widest + 1];
  double wideLeft = 0.0;
  double wideRight = 0.0;
  const auto addWideBin = [&] {
    wideLeft += leftMagnitudes[kBinPositions[wideBin]];
    wideRight += rightMagnitudes[kBinPositions[wideBin]];
    ++wideBin;
  };
  for (int band = 0; band < kBandCount; ++band) {
    if (band == widest) continue;
    double leftSum = 0.0;
    double rightSum = 0.0;
    for (std::int32_t k = pattern.Edges[band]; k < pattern.Edges[band + 1]; ++k) {
      leftSum += leftMagnitudes[kBinPositions[k]];
      rightSum += rightMagnitudes[kBinPositions[k]];
      if (wideBin < wideEnd) addWideBin();
    }
    FBandSums[0][band] = leftSum;
    FBandSums[1][band] = rightSum;
  }
  while (wideBin < wideEnd) addWideBin();
  FBandSums[0][widest] = wideLeft;
  FBandSums[1][widest] = wideRight;
}

TBandLevels TSpectrumAnalysis::LevelsOf(const TBandSums& sums) const {
  const TBandPattern& pattern = BandPatternOrDefault(FSpeanaPattern);
  TBandLevels levels{};
  for (int band = 0; band < kBandCount; ++band) {
    levels[band] = BandLevel(sums[band], pattern.Gains[band], FAdjustSpeanaLevel);
  }
  return levels;
}

void TSpectrumAnalysis::Sampling(const TSampleBlock* block, bool panelsVisible,
                                 TAnalysisOutput& output) {
  if (!panelsVisible) return;
  const bool busyOnEntry = FBusy;
  if (block == nullptr || block->Samples == nullptr || block->Size > block->Capacity) {
    if (!busyOnEntry) output.ClearPanels();
    return;
  }
  if (FBusy) return;

  const TBusyScope busy(FBusy);
  const std::uint32_t frames = std::min(block->Size / 4, kMaxFrames);
  if (FKernel != nullptr) {
    SamplingFast(block->Samples, frames, output);
    return;
  }
  std::fill_n(FLeftIm.data(), kPoints, 0.0);
  std::fill_n(FRightIm.data(), kPoints, 0.0);
  if (!UnpackFrames(block->Samples, frames)) {
    output.ClearPanels();
    return;
  }
  std::fill(FLeftRe.data() + frames, FLeftRe.data() + kPoints, 0.0);
  std::fill(FRightRe.data() + frames, FRightRe.data() + kPoints, 0.0);
  output.SetLevels(TChannel::Left, AnalyseChannel(FLeftRe.data(), FLeftIm.data(), FBandSums[0]));
  output.SetLevels(TChannel::Right, AnalyseChannel(FRightRe.data(), FRightIm.data(), FBandSums[1]));
}
