// A still picture in the live view, for screenshots and tests: blocks 0 to
// `last` of the current track are cut and played as `kivo render` plays
// them, so that the window shows what `kivo render --block last` writes;
// the last block can be played again when the panels were cleared.
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
