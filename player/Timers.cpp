#include "player/Timers.h"

#include <ctime>

namespace kivo {

TTimerAction DueTimerAction(const TPlayerState& state, std::int32_t previousMinute,
                            std::int32_t minute) {
  if (minute == previousMinute) return TTimerAction::None;
  if (state.OffTimer && state.OffTime == minute) return TTimerAction::Stop;
  if (state.OnTimer && state.OnTime == minute) return TTimerAction::Start;
  return TTimerAction::None;
}

std::int32_t LocalMinuteOfDay() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_hour * 60 + local.tm_min;
}

}  // namespace kivo
