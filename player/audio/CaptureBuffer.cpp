#include "player/audio/CaptureBuffer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace kivo {

CaptureBuffer::CaptureBuffer(std::size_t capacity) : FRing(capacity) {
  if (capacity == 0) throw std::invalid_argument("a capture buffer needs room");
}

void CaptureBuffer::Append(std::span<const Frame> frames) {
  {
    const std::lock_guard lock(FLock);
    CopyIn(reinterpret_cast<const std::uint8_t*>(frames.data()), frames.size());
  }
  FArrived.notify_all();
}

void CaptureBuffer::AppendSamples(const std::uint8_t* bytes, std::size_t frames) {
  static_assert(sizeof(Frame) == 2 * sizeof(std::int16_t));
  // On a little-endian processor the bytes of a frame are the packed
  // frame itself.
  if constexpr (std::endian::native == std::endian::little) {
    {
      const std::lock_guard lock(FLock);
      CopyIn(bytes, frames);
    }
    FArrived.notify_all();
  } else {
    std::vector<Frame> packed(frames);
    for (std::size_t i = 0; i < frames; ++i) {
      std::int16_t pair[2];
      std::memcpy(pair, bytes + i * sizeof pair, sizeof pair);
      packed[i] = PackFrame(pair[0], pair[1]);
    }
    Append(packed);
  }
}

void CaptureBuffer::CopyIn(const std::uint8_t* bytes, std::size_t frames) {
  const std::size_t size = FRing.size();
  // Of more than the ring holds only the last ring's worth can stay.
  const std::size_t dropped = frames > size ? frames - size : 0;
  FEnd += dropped;
  bytes += dropped * sizeof(Frame);
  frames -= dropped;
  while (frames > 0) {
    const std::size_t at = static_cast<std::size_t>(FEnd % size);
    const std::size_t run = std::min(frames, size - at);
    std::memcpy(FRing.data() + at, bytes, run * sizeof(Frame));
    bytes += run * sizeof(Frame);
    frames -= run;
    FEnd += run;
  }
}

void CaptureBuffer::CopyOut(std::uint64_t from, std::uint64_t to, Frame* out) const {
  const std::size_t size = FRing.size();
  while (from < to) {
    const std::size_t at = static_cast<std::size_t>(from % size);
    const std::size_t run = static_cast<std::size_t>(std::min<std::uint64_t>(to - from, size - at));
    out = std::copy_n(FRing.data() + at, run, out);
    from += run;
  }
}

std::uint64_t CaptureBuffer::End() const {
  const std::lock_guard lock(FLock);
  return FEnd;
}

std::vector<Frame> CaptureBuffer::Latest(std::size_t count, std::uint64_t from) const {
  const std::lock_guard lock(FLock);
  const std::uint64_t kept = FEnd - std::min<std::uint64_t>(FEnd, FRing.size());
  const std::uint64_t start = std::max({kept, from, FEnd - std::min<std::uint64_t>(FEnd, count)});
  std::vector<Frame> frames(static_cast<std::size_t>(FEnd - std::min(start, FEnd)));
  CopyOut(std::min(start, FEnd), FEnd, frames.data());
  return frames;
}

std::size_t CaptureBuffer::ReadAt(std::uint64_t& position, std::span<Frame> frames,
                                  std::chrono::steady_clock::time_point until) {
  std::unique_lock lock(FLock);
  FArrived.wait_until(lock, until, [&] { return FEnd > position; });
  position = std::max(position, FEnd - std::min<std::uint64_t>(FEnd, FRing.size()));
  const std::size_t copied =
      FEnd > position
          ? static_cast<std::size_t>(std::min<std::uint64_t>(frames.size(), FEnd - position))
          : 0;
  CopyOut(position, position + copied, frames.data());
  position += copied;
  return copied;
}

}  // namespace kivo
