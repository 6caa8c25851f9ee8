// Audio for the plug-in: which source a track plays from, how far apart
// the blocks are, and the pacing of the blocks in real time.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "player/PlayerState.h"
#include "player/input/FrameSource.h"

namespace kivo {

inline constexpr int kDefaultSampleRate = 44100;

// A track's audio: its file, raw stereo from standard input for the path
// "-", the built-in demo for an empty path. Raises InputError.
struct TTrackAudio {
  std::unique_ptr<FrameSource> Source;
  int SampleRate = kDefaultSampleRate;
};
TTrackAudio OpenTrackAudio(const TTrack& track);

// Frames from the start of one block to the next: `hop` when given (not
// 0), else one displayed frame's worth at `fps`, at least 1.
std::size_t BlockHop(std::size_t hop, int fps, int sampleRate);

// Frames of a position in milliseconds, and back.
std::size_t FramesAt(std::int32_t positionMs, int sampleRate);
std::int32_t MillisecondsAt(std::size_t frames, int sampleRate);

// Waits until a block is due: block n is due n hops after the first one.
// Without waiting, every block is due at once.
class TPacer {
 public:
  TPacer(std::size_t hop, int sampleRate, bool wait);
  void WaitForBlock(std::size_t index);
  // Starts counting again from now, as after a pause or a seek.
  void Restart();

 private:
  std::chrono::steady_clock::duration FBlockTime;
  bool FWait;
  std::chrono::steady_clock::time_point FStart;
  std::size_t FFirstIndex = 0;
  bool FStarted = false;
};

}  // namespace kivo
