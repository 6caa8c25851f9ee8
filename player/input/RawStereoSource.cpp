#include "player/input/RawStereoSource.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace kivo {

std::size_t RawStereoSource::Read(std::span<Frame> frames) {
  constexpr std::size_t kFrameBytes = 4;
  FBytes.resize(frames.size() * kFrameBytes);
  const std::size_t bytes = std::fread(FBytes.data(), 1, FBytes.size(), FStream);
  if (std::ferror(FStream)) {
    throw InputError(std::string("cannot read standard input: ") + std::strerror(errno));
  }
  const std::size_t count = bytes / kFrameBytes;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* b = &FBytes[i * kFrameBytes];
    frames[i] = Frame{b[0]} | Frame{b[1]} << 8 | Frame{b[2]} << 16 | Frame{b[3]} << 24;
  }
  return count;
}

}  // namespace kivo
