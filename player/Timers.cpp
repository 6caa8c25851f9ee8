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

namespace {

std::int32_t LocalMinuteOfDayAt(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return local.tm_hour * 60 + local.tm_min;
}

}  // namespace

std::int32_t LocalMinuteOfDay() { return LocalMinuteOfDayAt(std::time(nullptr)); }

std::int32_t TLocalMinuteClock::MinuteOfDay() {
  const std::time_t now = std::time(nullptr);
  if (now != FSecond) {
    FMinute = LocalMinuteOfDayAt(now);
    FSecond = now;
  }
  return FMinute;
}

}  // namespace kivo
