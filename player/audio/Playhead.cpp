#include "player/audio/Playhead.h"

#include <algorithm>
#include <stdexcept>

namespace kivo {

std::chrono::nanoseconds SteadyClock::Now() const {
  return std::chrono::steady_clock::now().time_since_epoch();
}

Playhead::Playhead(std::uint32_t sampleRate) : FSampleRate(sampleRate) {
  if (sampleRate == 0) throw std::invalid_argument("the sample rate must be positive");
}

std::uint64_t Playhead::Advanced(std::chrono::nanoseconds now) const {
  if (FPaused || now <= FAnchorTime) return FAnchorFrame;
  // Whole seconds and the rest apart, so that the product cannot overflow.
  constexpr std::uint64_t kNanosPerSecond = 1'000'000'000;
  const auto elapsed = static_cast<std::uint64_t>((now - FAnchorTime).count());
  const std::uint64_t frames = elapsed / kNanosPerSecond * FSampleRate +
                               elapsed % kNanosPerSecond * FSampleRate / kNanosPerSecond;
  const std::uint64_t room = FLimit > FAnchorFrame ? FLimit - FAnchorFrame : 0;
  return FAnchorFrame + std::min(frames, room);
}

std::uint64_t Playhead::Position(std::chrono::nanoseconds now) const {
  return std::max(FFloor, Advanced(now));
}

void Playhead::Anchor(std::uint64_t frame, std::uint64_t limit, std::chrono::nanoseconds at) {
  FFloor = Position(at);
  FAnchorFrame = frame;
  FAnchorTime = at;
  FLimit = limit;
}

void Playhead::Pause(std::chrono::nanoseconds now) {
  if (FPaused) return;
  FAnchorFrame = Position(now);
  FAnchorTime = now;
  FPaused = true;
}

void Playhead::Resume(std::chrono::nanoseconds now) {
  if (!FPaused) return;
  FAnchorTime = now;
  FPaused = false;
}

}  // namespace kivo
