// The frames a capture device delivered, the most recent ones kept in a
// ring: the device's thread appends, the player takes the latest block or
// reads the stream in order. Positions count frames since capture began.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "player/input/FrameSource.h"

namespace kivo {

class CaptureBuffer {
 public:
  // Keeps the latest `capacity` frames.
  explicit CaptureBuffer(std::size_t capacity);

  void Append(std::span<const Frame> frames);
  // The same from a sound server's 16-bit native-endian stereo frames, at
  // any alignment.
  void AppendSamples(const std::uint8_t* bytes, std::size_t frames);
  // The position after the last frame appended.
  std::uint64_t End() const;

  // Up to `count` frames that end at the latest one, none before `from`.
  std::vector<Frame> Latest(std::size_t count, std::uint64_t from = 0) const;

  // Copies frames from `position` on into `frames`, waiting until `until`
  // for the first one; moves `position` past them. Frames already dropped
  // from the ring are skipped. Returns how many it copied (0: none came).
  std::size_t ReadAt(std::uint64_t& position, std::span<Frame> frames,
                     std::chrono::steady_clock::time_point until);

 private:
  // Frames [from, to) of the ring into `out`, in at most two runs; the
  // range must lie within what the ring keeps.
  void CopyOut(std::uint64_t from, std::uint64_t to, Frame* out) const;
  // `frames` frames at `bytes` into the ring, the latest ones kept.
  void CopyIn(const std::uint8_t* bytes, std::size_t frames);

  mutable std::mutex FLock;
  std::condition_variable FArrived;
  std::vector<Frame> FRing;
  std::uint64_t FEnd = 0;
};

}  // namespace kivo
