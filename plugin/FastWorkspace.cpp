#include "plugin/FastWorkspace.h"

#include <cstdint>

namespace {

constexpr std::size_t kCacheLine = 64;
constexpr std::size_t kLineDoubles = kCacheLine / sizeof(double);

constexpr std::size_t Padded(std::size_t count) { return count + kFastPad; }

// Per channel: four real and four imaginary quarters, the magnitudes.
constexpr std::size_t kDataDoubles = 2 * (8 * Padded(kFastQuarter) + Padded(kFastBins));

// Stage s has 1024 >> s entries of each table, stage 0 in two arrays.
constexpr std::size_t TableDoubles() {
  std::size_t total = 0;
  for (std::size_t stage = 0; stage < kFastStages; ++stage) {
    const std::size_t half = kFastPoints / 2 >> stage;
    total += stage == 0 ? 4 * Padded(half / 2) : 2 * Padded(half);
  }
  return total;
}

}  // namespace

TFastWorkspace::TCarver::TCarver(TAlignedArray& storage) {
  const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
  const std::size_t skip = (kCacheLine - address % kCacheLine) % kCacheLine / sizeof(double);
  FNext = storage.data() + skip;
}

double* TFastWorkspace::TCarver::Next(std::size_t count) {
  double* array = FNext;
  FNext += Padded(count);
  return array;
}

TFastWorkspace::TFastWorkspace()
    : FData(kDataDoubles + kLineDoubles), FTables(TableDoubles() + kLineDoubles) {
  TCarver carver(FData);
  for (TFastChannel& channel : FChannels) {
    for (double*& quarter : channel.Re) quarter = carver.Next(kFastQuarter);
    for (double*& quarter : channel.Im) quarter = carver.Next(kFastQuarter);
    channel.Magnitudes = carver.Next(kFastBins);
  }
  TCarver tables(FTables);
  const std::size_t upper = kFastPoints / 4;
  FCos[0] = tables.Next(upper);
  FCos0Upper = tables.Next(upper);
  FSin[0] = tables.Next(upper);
  FSin0Upper = tables.Next(upper);
  for (std::size_t stage = 1; stage < kFastStages; ++stage) {
    const std::size_t half = kFastPoints / 2 >> stage;
    FCos[stage] = tables.Next(half);
    FSin[stage] = tables.Next(half);
  }
  for (std::size_t stage = 0; stage < kFastStages; ++stage) {
    FTwiddles.Cos[stage] = FCos[stage];
    FTwiddles.Sin[stage] = FSin[stage];
  }
  FTwiddles.Cos0Upper = FCos0Upper;
  FTwiddles.Sin0Upper = FSin0Upper;
}

void TFastWorkspace::SetTables(const TAlignedArray& sine, const TAlignedArray& cosine) {
  FHasTwiddles = sine.size() == kFastPoints && cosine.size() == kFastPoints;
  if (!FHasTwiddles) return;
  const std::size_t upper = kFastPoints / 4;
  for (std::size_t l = 0; l < upper; ++l) {
    FCos[0][l] = cosine[l];
    FSin[0][l] = sine[l];
    FCos0Upper[l] = cosine[l + upper];
    FSin0Upper[l] = sine[l + upper];
  }
  for (std::size_t stage = 1; stage < kFastStages; ++stage) {
    const std::size_t half = kFastPoints / 2 >> stage;
    for (std::size_t l = 0; l < half; ++l) {
      FCos[stage][l] = cosine[l << stage];
      FSin[stage][l] = sine[l << stage];
    }
  }
}
