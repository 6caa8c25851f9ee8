// One output line of `kivo levels` for one block: the JSON record of its
// levels, or a line of bars for a status bar (plain, or as waybar's JSON).
#pragma once

#include <cstddef>
#include <string>

#include "plugin/SpectrumAnalysis.h"

namespace kivo {

enum class TLevelsFormat { Json, Bars, Waybar };
enum class TLevelsChannels { Left, Right, Both, Mix };

// What the analysis decided for one block.
struct TBlockLevels {
  bool Cleared = false;
  TBandLevels Left{};
  TBandLevels Right{};
};

// A level as one block character: a space for 0 (or below), then the
// nearest of the eight heights "▁" to "█", which only 10 fills.
const char* LevelBar(std::int32_t level);

// The bars of the chosen channels: ten characters for one channel or the
// mix (the rounded-up mean of both), twenty for both, left first. A block
// that clears the panels shows as spaces.
std::string BarsText(const TBlockLevels& levels, TLevelsChannels channels);

// Appends the block's line, newline included, in `format`.
void AppendLevelsLine(std::size_t block, const TBlockLevels& levels, TLevelsFormat format,
                      TLevelsChannels channels, std::string& line);

}  // namespace kivo
