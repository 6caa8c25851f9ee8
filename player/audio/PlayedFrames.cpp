#include "player/audio/PlayedFrames.h"

#include <algorithm>
#include <stdexcept>

namespace kivo {

PlayedFrames::PlayedFrames(std::size_t capacity) {
  if (capacity == 0) throw std::invalid_argument("a history must keep at least one frame");
  FRing.resize(capacity);
}

void PlayedFrames::Append(std::span<const Frame> frames) {
  if (frames.size() > FRing.size()) {
    FEnd += frames.size() - FRing.size();
    frames = frames.last(FRing.size());
  }
  while (!frames.empty()) {
    const std::size_t at = static_cast<std::size_t>(FEnd % FRing.size());
    const std::size_t count = std::min(frames.size(), FRing.size() - at);
    std::copy_n(frames.begin(), count, FRing.begin() + static_cast<std::ptrdiff_t>(at));
    frames = frames.subspan(count);
    FEnd += count;
  }
}

std::vector<Frame> PlayedFrames::Block(std::uint64_t start, std::size_t count) const {
  if (start < First() || start >= End()) return {};
  const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(count, End() - start));
  std::vector<Frame> block;
  block.reserve(size);
  while (block.size() < size) {
    const std::size_t at = static_cast<std::size_t>((start + block.size()) % FRing.size());
    const std::size_t part = std::min(size - block.size(), FRing.size() - at);
    const auto from = FRing.begin() + static_cast<std::ptrdiff_t>(at);
    block.insert(block.end(), from, from + static_cast<std::ptrdiff_t>(part));
  }
  return block;
}

}  // namespace kivo
