// The system's sound output through SDL: frames wait in a queue that SDL's
// audio thread drains, with the volume applied as it takes them.
#pragma once

#include <SDL2/SDL.h>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "player/audio/Playhead.h"
#include "player/audio/SoundOutput.h"

namespace kivo {

class SdlOutput final : public SoundOutput {
 public:
  // Raises std::runtime_error with SDL's reason when no device opens.
  SdlOutput(std::uint32_t sampleRate, std::shared_ptr<const MonotonicClock> clock);
  ~SdlOutput() override;

  // Whether a sound device is open for output now: the player's status
  // says "sound off" while none is, whoever opened or failed to.
  static bool AnyOpen();

  SdlOutput(const SdlOutput&) = delete;
  SdlOutput& operator=(const SdlOutput&) = delete;

  void Play(std::span<const Frame> frames) override;
  std::uint64_t QueuedFrames() const override;
  std::uint64_t HeardFrame() const override;
  void SetVolume(float left, float right) override;
  void Pause() override;
  void Resume() override;
  bool Paused() const override;
  bool Audible() const override { return true; }

 private:
  static void SDLCALL FillCallback(void* self, Uint8* stream, int length);
  void Fill(std::span<std::int16_t> samples);

  std::shared_ptr<const MonotonicClock> FClock;
  SDL_AudioDeviceID FDevice = 0;
  std::uint32_t FDeviceFrames = 0;  // what SDL takes per call: the device's latency
  mutable std::mutex FLock;         // guards what follows, shared with the audio thread
  std::deque<Frame> FQueue;
  std::uint64_t FQueued = 0;
  std::uint64_t FTaken = 0;  // frames handed to the device so far
  Playhead FPlayhead;
  std::atomic<float> FLeftGain{1.0f};
  std::atomic<float> FRightGain{1.0f};
};

}  // namespace kivo
