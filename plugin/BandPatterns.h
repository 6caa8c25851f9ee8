// The six band patterns: which transform bins each of the ten bands sums,
// and the gain that scales each band's sum to a level.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int kBandCount = 10;

struct TBandPattern {
  // Band i covers bins Edges[i] up to, not including, Edges[i + 1].
  std::array<std::int32_t, kBandCount + 1> Edges;
  std::array<std::int32_t, kBandCount> Gains;
};

inline constexpr int kBandPatternCount = 6;
inline constexpr int kDefaultBandPattern = 2;

inline constexpr std::array<TBandPattern, kBandPatternCount> kBandPatterns{{
    {{0, 8, 20, 37, 63, 96, 137, 194, 282, 441, 1024}, {70, 66, 76, 78, 83, 76, 70, 80, 73, 65}},
    {{0, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024}, {805, 228, 115, 89, 74, 59, 44, 37, 47, 88}},
    {{0, 10, 15, 20, 30, 40, 60, 80, 120, 160, 1024},
     {56, 152, 192, 123, 144, 104, 131, 72, 88, 20}},
    {{0, 2, 5, 8, 11, 14, 17, 20, 40, 80, 1024}, {804, 154, 152, 200, 258, 281, 352, 67, 57, 13}},
    {{0, 2, 5, 10, 15, 20, 40, 80, 160, 320, 1024}, {802, 156, 99, 152, 192, 67, 58, 40, 41, 40}},
    {{0, 10, 15, 20, 30, 40, 80, 160, 320, 640, 1024},
     {56, 152, 192, 123, 144, 58, 40, 41, 51, 173}},
}};

// The pattern index comes unchecked from the player settings file; an index
// without a table falls back to the default pattern.
constexpr const TBandPattern& BandPatternOrDefault(std::int32_t index) {
  const bool known = index >= 0 && index < kBandPatternCount;
  return kBandPatterns[known ? index : kDefaultBandPattern];
}
