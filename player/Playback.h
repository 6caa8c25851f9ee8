// Audio for the plug-in: which source a track plays from, how far apart
// the blocks are, and the blocks as the plug-in receives them.
#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include "player/PlayerState.h"
#include "player/input/FrameSource.h"
#include "plugin/PlayerContract.h"

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

// Reads and drops frames, as playing from a position does.
void SkipFrames(FrameSource& source, std::size_t frames);

// The block the plug-in is handed for `frames`, which lie at the start of a
// buffer of `capacity` frames.
TSampleBlock SampleBlockOf(std::span<Frame> frames, std::size_t capacity);

}  // namespace kivo
