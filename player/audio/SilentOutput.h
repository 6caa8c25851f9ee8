// An output that plays nothing but hears its frames in real time, as a
// device would: the player paces itself by it just the same.
#pragma once

#include <memory>

#include "player/audio/Playhead.h"
#include "player/audio/SoundOutput.h"

namespace kivo {

class SilentOutput final : public SoundOutput {
 public:
  SilentOutput(std::uint32_t sampleRate, std::shared_ptr<const MonotonicClock> clock);

  void Play(std::span<const Frame> frames) override;
  std::uint64_t QueuedFrames() const override { return FQueued; }
  std::uint64_t HeardFrame() const override;
  void SetVolume(float, float) override {}
  void Pause() override;
  void Resume() override;
  bool Paused() const override { return FPlayhead.Paused(); }
  bool Audible() const override { return false; }

 private:
  std::shared_ptr<const MonotonicClock> FClock;
  Playhead FPlayhead;
  std::uint64_t FQueued = 0;
};

}  // namespace kivo
