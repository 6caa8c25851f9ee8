// The line below the picture that says what the player is doing.
#pragma once

#include <cstdint>
#include <string>

namespace kivo {

struct PlayerStatus {
  std::string Track;
  std::int64_t PositionSeconds = 0;
  std::int64_t DurationSeconds = -1;  // negative when unknown
  std::int32_t VolumePercent = 100;
  std::int32_t DisplayMode = 0;
  std::int32_t BandPattern = 0;
  bool Paused = false;
  // A message for the person, after everything else; empty: none.
  std::string Notice;

  bool operator==(const PlayerStatus&) const = default;
};

// For example "Song title  1:05 / 3:20  vol 80%  mode 2  pattern 1  paused".
std::string FormatStatus(const PlayerStatus& status);

}  // namespace kivo
