// Cuts a frame source into blocks of up to 2048 frames, a new block
// starting every `hop` frames; blocks overlap when hop < 2048 and skip
// frames when it is larger. The last blocks may be shorter.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "player/input/FrameSource.h"

namespace kivo {

class BlockCutter {
 public:
  static constexpr std::size_t kBlockFrames = 2048;

  BlockCutter(FrameSource& source, std::size_t hop);

  // The next block, or an empty span once the input is used up. The frames
  // stay valid until the next call.
  std::span<Frame> Next();

 private:
  void SkipTo(std::size_t start);
  void Fill();

  FrameSource& FSource;
  std::size_t FHop;
  std::size_t FNextStart = 0;
  std::size_t FWindowStart = 0;  // input position of FWindow[0]
  std::vector<Frame> FWindow;
  bool FExhausted = false;
};

}  // namespace kivo
