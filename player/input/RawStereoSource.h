// Raw interleaved signed 16-bit little-endian stereo from a stream, such as
// standard input. A partial frame at the very end is dropped.
#pragma once

#include <cstdio>
#include <vector>

#include "player/input/FrameSource.h"

namespace kivo {

class RawStereoSource final : public FrameSource {
 public:
  explicit RawStereoSource(std::FILE* stream) : FStream(stream) {}

  std::size_t Read(std::span<Frame> frames) override;

 private:
  std::FILE* FStream;
  std::vector<unsigned char> FBytes;
};

}  // namespace kivo
