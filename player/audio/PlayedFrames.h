// The frames most recently handed to the sound output, kept by position,
// so that the player can give the plug-in the block that is being heard
// rather than the one just read.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "player/input/FrameSource.h"

namespace kivo {

class PlayedFrames {
 public:
  // Keeps at most `capacity` frames; older ones are dropped.
  explicit PlayedFrames(std::size_t capacity);

  void Append(std::span<const Frame> frames);
  // The position after the last frame appended.
  std::uint64_t End() const { return FEnd; }

  // Up to `count` frames from position `start` on: fewer when they run past
  // the end, none when they were dropped already or not appended yet.
  std::vector<Frame> Block(std::uint64_t start, std::size_t count) const;

 private:
  // The oldest position still kept.
  std::uint64_t First() const { return FEnd - std::min<std::uint64_t>(FEnd, FRing.size()); }

  // Position p lives at FRing[p % size]: appending overwrites the oldest.
  std::vector<Frame> FRing;
  std::uint64_t FEnd = 0;
};

}  // namespace kivo
