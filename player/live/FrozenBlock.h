// A still picture in the live view, for screenshots and tests: blocks 0 to
// `last` of the current track are cut and played as `kivo render` plays
// them, and from then on that last block is played again for every
// displayed frame instead of the audio heard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "player/Session.h"
#include "player/input/FrameSource.h"

namespace kivo {

class TFrozenBlock {
 public:
  // Plays blocks 0 to `last` (fewer when the track is shorter).
  TFrozenBlock(TPlayerSession& session, std::size_t last);

  // Plays the last block again.
  void PlayAgain();

 private:
  TPlayerSession& FSession;
  std::vector<Frame> FBuffer;
  std::size_t FFrames = 0;
  std::int32_t FPositionMs = 0;
};

}  // namespace kivo
