// The player's switch timers: playback starts at the on-time and stops at
// the off-time (minutes after midnight) while the timer is on.
#pragma once

#include <cstdint>

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

}  // namespace kivo
