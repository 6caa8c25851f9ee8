// Where the player's audio goes: frames are queued ahead of time, and the
// output tells which of them is being heard now, so that the player can
// hand the plug-in the frames that sound at that moment. Positions count
// frames from the first one queued.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <span>
#include <utility>

#include "player/input/FrameSource.h"

namespace kivo {

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;

  // Queues frames after those queued before.
  virtual void Play(std::span<const Frame> frames) = 0;
  // How many frames were queued since the start.
  virtual std::uint64_t QueuedFrames() const = 0;
  // The position of the frame being heard now; it stops at the end of what
  // was queued.
  virtual std::uint64_t HeardFrame() const = 0;

  // Gains 0..1 for the left and right channel, applied to what is heard
  // from now on, including frames already queued.
  virtual void SetVolume(float left, float right) = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  virtual bool Paused() const = 0;

  // False for an output that only keeps time.
  virtual bool Audible() const = 0;
};

struct SoundOptions {
  std::uint32_t SampleRate = 44100;
  bool Enabled = true;  // false: the --no-sound choice
};

// The system's sound output, or, when sound is off or no device opens, a
// silent one that keeps real time; then it says so once on `notices`.
std::unique_ptr<SoundOutput> OpenSoundOutput(const SoundOptions& options, std::ostream& notices);

// A frame with each channel scaled by its gain (0..1), rounded to nearest.
Frame ApplyVolume(Frame frame, float left, float right);

}  // namespace kivo
