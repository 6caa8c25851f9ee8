// `kivo levels`: runs audio through the plug-in's spectrum analysis, block
// by block, and prints the result of each block as one JSON line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace kivo {

struct LevelsOptions {
  // A file path, "-" for raw 16-bit stereo on standard input, or empty for
  // the built-in demo.
  std::string Input;
  // A capture device instead (empty: the default output's monitor), for
  // `Seconds`.
  std::optional<std::string> Capture;
  double Seconds = 0;
  std::int32_t Pattern = 2;
  std::int32_t RecLevel = 100;
  std::int32_t Adjust = 100;
  std::size_t Hop = 2048;
};

// Writes one line per block to `out`; returns the number of blocks.
// Input errors are raised as InputError.
std::size_t RunLevels(const LevelsOptions& options, std::FILE* out);

}  // namespace kivo
