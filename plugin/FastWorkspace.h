// The working memory of the fast paths: both channels' quarters and
// magnitudes, and the twiddles stage by stage, laid out so that the streams
// a pass walks side by side fall into different cache sets.
#pragma once

#include <array>
#include <cstddef>

#include "plugin/AlignedArray.h"
#include "plugin/FastKernel.h"

class TFastWorkspace {
 public:
  TFastWorkspace();
  TFastWorkspace(const TFastWorkspace&) = delete;
  TFastWorkspace& operator=(const TFastWorkspace&) = delete;

  // Copies the reference's tables into the stage layout; tables of another
  // size than 2048 leave the workspace without twiddles.
  void SetTables(const TAlignedArray& sine, const TAlignedArray& cosine);
  bool HasTwiddles() const { return FHasTwiddles; }

  const TStageTwiddles& Twiddles() const { return FTwiddles; }
  const TFastChannel& Left() const { return FChannels[0]; }
  const TFastChannel& Right() const { return FChannels[1]; }

 private:
  // Hands out consecutive arrays of one allocation, each followed by the
  // padding, the first on a cache-line boundary.
  class TCarver {
   public:
    explicit TCarver(TAlignedArray& storage);
    double* Next(std::size_t count);

   private:
    double* FNext;
  };

  TAlignedArray FData;
  TAlignedArray FTables;
  // Where the twiddles are written; FTwiddles is the kernels' read-only view.
  std::array<double*, kFastStages> FCos{};
  std::array<double*, kFastStages> FSin{};
  double* FCos0Upper = nullptr;
  double* FSin0Upper = nullptr;
  TStageTwiddles FTwiddles{};
  std::array<TFastChannel, 2> FChannels{};
  bool FHasTwiddles = false;
};
