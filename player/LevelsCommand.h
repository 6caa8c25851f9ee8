// `kivo levels`: runs audio through the plug-in's spectrum analysis, block
// by block, and prints the result of each block as one line: JSON, or bars
// for a status bar.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "player/LevelsLine.h"
#include "player/audio/AudioDevices.h"

namespace kivo {

struct LevelsOptions {
  // A file path, "-" for raw 16-bit stereo on standard input, or empty for
  // the built-in demo.
  std::string Input;
  // A capture device (empty: the default output's monitor) or an
  // application instead, for `Seconds`.
  std::optional<TCaptureTarget> Capture;
  double Seconds = 0;
  std::int32_t Pattern = 2;
  std::int32_t RecLevel = 100;
  std::int32_t Adjust = 100;
  // Frames from one block to the next; 0 for the format's own: 2048 for
  // JSON, one displayed frame at `Fps` (or kDefaultBarsFps) for bars.
  std::size_t Hop = 0;
  // Displayed frames per second, 0 when not asked for.
  int Fps = 0;
  TLevelsFormat Format = TLevelsFormat::Json;
  TLevelsChannels Channels = TLevelsChannels::Both;
};

inline constexpr int kDefaultBarsFps = 30;

// Writes one line per block to `out`; returns the number of blocks. A
// reader that closes the pipe ends it early, as done.
// Input errors are raised as InputError.
std::size_t RunLevels(const LevelsOptions& options, std::FILE* out);

}  // namespace kivo
