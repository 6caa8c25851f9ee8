#include "player/audio/PlayedFrames.h"

#include <algorithm>
#include <stdexcept>

namespace kivo {

PlayedFrames::PlayedFrames(std::size_t capacity) : FCapacity(capacity) {
  if (capacity == 0) throw std::invalid_argument("a history must keep at least one frame");
}

void PlayedFrames::Append(std::span<const Frame> frames) {
  FFrames.insert(FFrames.end(), frames.begin(), frames.end());
  const std::size_t excess = FFrames.size() > FCapacity ? FFrames.size() - FCapacity : 0;
  FFrames.erase(FFrames.begin(), FFrames.begin() + static_cast<std::ptrdiff_t>(excess));
  FFirst += excess;
}

std::vector<Frame> PlayedFrames::Block(std::uint64_t start, std::size_t count) const {
  if (start < FFirst || start >= End()) return {};
  const auto from = FFrames.begin() + static_cast<std::ptrdiff_t>(start - FFirst);
  const auto available = static_cast<std::size_t>(End() - start);
  return std::vector<Frame>(from, from + static_cast<std::ptrdiff_t>(std::min(count, available)));
}

}  // namespace kivo
