// The spectrum analysis: one stereo sample block in, either an order to
// clear both panels or ten band levels per channel out. It knows no control;
// whoever drives it forwards its output to the panels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "plugin/AlignedArray.h"
#include "plugin/AnalysisPath.h"
#include "plugin/BandPatterns.h"
#include "plugin/FastWorkspace.h"
#include "plugin/PlayerContract.h"

enum class TChannel { Left, Right };

// A level per band, 0 to 10; a negative level adjustment can make it
// negative, which a panel shows as 0.
using TBandLevels = std::array<std::int32_t, kBandCount>;

// The magnitude sum of each band, before it is scaled to a level.
using TBandSums = std::array<double, kBandCount>;

// Receives what the analysis of one block decides.
class TAnalysisOutput {
 public:
  virtual void ClearPanels() = 0;
  virtual void SetLevels(TChannel channel, const TBandLevels& levels) = 0;

 protected:
  ~TAnalysisOutput() = default;
};

class TSpectrumAnalysis {
 public:
  static constexpr std::size_t kPoints = 2048;
  static constexpr std::uint32_t kMaxFrames = kPoints;
  static constexpr std::int32_t kUnityRecLevel = 100;

  // Allocates the sample arrays and the tables once; analysing a block
  // allocates nothing. The transform and band sums run on `path`, by
  // default the one dispatched for this processor; a path it cannot run
  // falls back to the dispatched one.
  TSpectrumAnalysis();
  explicit TSpectrumAnalysis(TAnalysisPath path);

  // The path that computes this analysis's band sums.
  TAnalysisPath Path() const { return FPath; }

  // Runs one block. `panelsVisible` tells whether at least one panel shows;
  // when none does, the block is ignored entirely. Output goes to `output`
  // while the block is being processed; a block that arrives meanwhile
  // (through re-entry) is dropped.
  void Sampling(const TSampleBlock* block, bool panelsVisible, TAnalysisOutput& output);

  // Builds sine and cosine tables of n entries, replacing earlier ones.
  void InitTables(std::size_t n);

  // In-place transform of n complex points with a positive exponent, scaled
  // by 1/sqrt(n). n must be the size the tables were built for. This is the
  // scalar reference, whatever the path.
  void Transform(double* re, double* im, std::size_t n) const;

  // Sum of the magnitudes of bins first..end-1.
  static double BandSum(std::int32_t first, std::int32_t end, const double* re, const double* im);

  // The double nearest 1/sqrt(n).
  static double TransformScale(std::size_t n);

  // Maps a band's magnitude sum to its level.
  static std::int32_t BandLevel(double bandSum, std::int32_t gain, std::int32_t adjustment);

  // Scales a sample by the recording level in percent, truncating toward
  // zero and clamping to 16 bits.
  static std::int32_t ApplyRecLevel(std::int32_t sample, std::int32_t recLevel);

  std::int32_t FRecLevel = 0;
  std::int32_t FSpeanaPattern = 0;
  std::int32_t FAdjustSpeanaLevel = 0;

  const TAlignedArray& SineTable() const { return FSine; }
  const TAlignedArray& CosineTable() const { return FCosine; }

  // The band sums of the last block analysed (not of a silent one).
  const TBandSums& LastBandSums(TChannel channel) const {
    return FBandSums[channel == TChannel::Left ? 0 : 1];
  }

 private:
  // Unpacks the frames into the real arrays and reports whether any frame
  // is loud enough to analyse.
  bool UnpackFrames(const std::uint32_t* samples, std::uint32_t frames);
  TBandLevels AnalyseChannel(double* re, double* im, TBandSums& sums);
  // The same work on a fast path.
  void SamplingFast(const std::uint32_t* samples, std::uint32_t frames, TAnalysisOutput& output);
  void FastBandSums(const std::uint32_t* frames);
  TBandLevels LevelsOf(const TBandSums& sums) const;

  TAnalysisPath FPath;
  const TFastKernel* FKernel;
  TAlignedArray FSine;
  TAlignedArray FCosine;
  bool FBusy = false;
  TAlignedArray FLeftRe;
  TAlignedArray FLeftIm;
  TAlignedArray FRightRe;
  TAlignedArray FRightIm;
  TFastWorkspace FFast;
  double FFastScale;
  std::array<TBandSums, 2> FBandSums{};
};
