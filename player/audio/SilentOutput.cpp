#include "player/audio/SilentOutput.h"

#include <stdexcept>
#include <utility>

namespace kivo {

SilentOutput::SilentOutput(std::uint32_t sampleRate, std::shared_ptr<const MonotonicClock> clock)
    : FClock(std::move(clock)), FPlayhead(sampleRate) {
  if (!FClock) throw std::invalid_argument("a silent output needs a clock");
}

void SilentOutput::Play(std::span<const Frame> frames) {
  const auto now = FClock->Now();
  const std::uint64_t heard = FPlayhead.Position(now);
  FQueued += frames.size();
  // After running dry the output has waited; time starts again from here.
  if (heard == FQueued - frames.size()) {
    FPlayhead.Anchor(heard, FQueued, now);
  } else {
    FPlayhead.SetLimit(FQueued);
  }
}

std::uint64_t SilentOutput::HeardFrame() const { return FPlayhead.Position(FClock->Now()); }

void SilentOutput::Pause() { FPlayhead.Pause(FClock->Now()); }

void SilentOutput::Resume() { FPlayhead.Resume(FClock->Now()); }

}  // namespace kivo
