// The line below the picture that says what the player is doing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
  // Playing without a sound device, or with --no-sound: the person hears
  // nothing and should know that it is not the music.
  bool SoundOff = false;
  bool StayOnTop = false;
  // Stopped (not paused): play starts the track from its beginning.
  bool Stopped = false;

  bool operator==(const PlayerStatus&) const = default;
};

// For example "Song title  1:05 / 3:20  vol 80%  mode 2  pattern 1  paused"
// ("stopped" instead when stopped).
// `Track` is the item the player chose to show first (usually the title).
std::string FormatStatus(const PlayerStatus& status);

// The status as a terminal shows it: the line at the bottom and, when the
// notice does not fit on it, the notice whole on lines of its own above
// it (at most `mostNoticeRows`; words kept together where they can be).
struct StatusRows {
  std::vector<std::string> Notice;
  std::string Line;
  bool operator==(const StatusRows&) const = default;
};
StatusRows LayOutStatus(const PlayerStatus& status, std::int32_t columns,
                        std::int32_t mostNoticeRows);

}  // namespace kivo
