#include "player/audio/CaptureBuffer.h"

#include <algorithm>
#include <stdexcept>

namespace kivo {

CaptureBuffer::CaptureBuffer(std::size_t capacity) : FRing(capacity) {
  if (capacity == 0) throw std::invalid_argument("a capture buffer needs room");
}

void CaptureBuffer::Append(std::span<const Frame> frames) {
  {
    const std::lock_guard lock(FLock);
    for (const Frame frame : frames) FRing[FEnd++ % FRing.size()] = frame;
  }
  FArrived.notify_all();
}

std::uint64_t CaptureBuffer::End() const {
  const std::lock_guard lock(FLock);
  return FEnd;
}

std::vector<Frame> CaptureBuffer::Latest(std::size_t count, std::uint64_t from) const {
  const std::lock_guard lock(FLock);
  const std::uint64_t kept = FEnd - std::min<std::uint64_t>(FEnd, FRing.size());
  const std::uint64_t start = std::max({kept, from, FEnd - std::min<std::uint64_t>(FEnd, count)});
  std::vector<Frame> frames;
  frames.reserve(static_cast<std::size_t>(FEnd - std::min(start, FEnd)));
  for (std::uint64_t at = start; at < FEnd; ++at) frames.push_back(FRing[at % FRing.size()]);
  return frames;
}

std::size_t CaptureBuffer::ReadAt(std::uint64_t& position, std::span<Frame> frames,
                                  std::chrono::steady_clock::time_point until) {
  std::unique_lock lock(FLock);
  FArrived.wait_until(lock, until, [&] { return FEnd > position; });
  position = std::max(position, FEnd - std::min<std::uint64_t>(FEnd, FRing.size()));
  std::size_t copied = 0;
  for (; copied < frames.size() && position < FEnd; ++copied, ++position)
    frames[copied] = FRing[position % FRing.size()];
  return copied;
}

}  // namespace kivo
