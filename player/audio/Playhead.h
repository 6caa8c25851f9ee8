// Which frame of the played audio is being heard now. The frame heard at a
// known moment (the anchor) advances in real time from there, up to a limit
// it cannot pass: the end of what the output has been given. It never goes
// back, and stands still while paused.
#pragma once

#include <chrono>
#include <cstdint>

namespace kivo {

// Time since an arbitrary start that never jumps back.
class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  virtual std::chrono::nanoseconds Now() const = 0;
};

class SteadyClock final : public MonotonicClock {
 public:
  std::chrono::nanoseconds Now() const override;
};

class Playhead {
 public:
  explicit Playhead(std::uint32_t sampleRate);

  // Frame `frame` is heard at `at`; the position will not pass `limit`.
  void Anchor(std::uint64_t frame, std::uint64_t limit, std::chrono::nanoseconds at);
  void SetLimit(std::uint64_t limit) { FLimit = limit; }

  void Pause(std::chrono::nanoseconds now);
  void Resume(std::chrono::nanoseconds now);
  bool Paused() const { return FPaused; }

  std::uint64_t Position(std::chrono::nanoseconds now) const;

 private:
  std::uint64_t Advanced(std::chrono::nanoseconds now) const;

  std::uint32_t FSampleRate;
  std::uint64_t FAnchorFrame = 0;
  std::chrono::nanoseconds FAnchorTime{0};
  std::uint64_t FFloor = 0;  // the position already reported before the anchor moved
  std::uint64_t FLimit = 0;
  bool FPaused = false;
};

}  // namespace kivo
