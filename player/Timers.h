// The player's switch timers: playback starts at the on-time and stops at
// the off-time (minutes after midnight) while the timer is on.
#pragma once

#include <cstdint>
#include <ctime>

#include "player/PlayerState.h"

namespace kivo {

enum class TTimerAction { None, Start, Stop };

// What is due when the clock's minute moves from `previousMinute` to
// `minute`: a timer fires once, as its minute begins. Stopping wins when
// both fall on the same minute.
TTimerAction DueTimerAction(const TPlayerState& state, std::int32_t previousMinute,
                            std::int32_t minute);

// The local time's minutes after midnight.
std::int32_t LocalMinuteOfDay();

// LocalMinuteOfDay, worked out again only once the clock's second has
// moved on: the live loop asks for it every frame.
class TLocalMinuteClock {
 public:
  std::int32_t MinuteOfDay();

 private:
  std::time_t FSecond = -1;
  std::int32_t FMinute = 0;
};

}  // namespace kivo
