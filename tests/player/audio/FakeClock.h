// A clock that moves only when a test moves it.
#pragma once

#include "player/audio/Playhead.h"

class FakeClock final : public kivo::MonotonicClock {
 public:
  std::chrono::nanoseconds Now() const override { return FNow; }
  void Advance(std::chrono::nanoseconds by) { FNow += by; }

 private:
  std::chrono::nanoseconds FNow{std::chrono::hours(1)};
};
