// A live track whose frames come from a capture device rather than a file:
// at each displayed frame the latest block captured. Nothing is played
// back. While the device is missing (no server, no such device, gone while
// playing) it says why and tries again about once a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "player/audio/CaptureSource.h"

namespace kivo {

class TLiveCapture {
 public:
  // `asked`: a device name or part of one; empty for the default output's
  // monitor.
  explicit TLiveCapture(std::string asked);

  // Opens the device when it is due, notices it going away, and captures
  // only while `playing`: resuming goes on with fresh frames.
  void Follow(bool playing);

  // Up to one analysis block (2048 frames) ending at the latest frame
  // captured since capture last began or resumed; empty while none.
  std::vector<Frame> HeardBlock() const;
  // Time captured while playing, over every device opened so far.
  std::int32_t PositionMs() const;
  // The device's name once it opened, else what was asked.
  const std::string& Title() const { return FTitle; }
  // Why nothing is captured; empty while capturing.
  const std::string& Problem() const { return FProblem; }

 private:
  using Clock = std::chrono::steady_clock;

  void TryOpen(bool playing);
  // Gone, or silent in the sense of delivering no frames at all for a while.
  bool DeviceGone();
  void Close(const std::string& problem);
  std::int32_t DeviceMs() const;

  std::string FAsked;
  std::string FTitle;
  std::string FProblem;
  std::optional<TOpenedCapture> FOpened;
  Clock::time_point FNextTry;
  std::uint64_t FFreshFrom = 0;  // position of the first frame since capture resumed
  std::int32_t FEarlierMs = 0;   // captured from devices opened before
  bool FPaused = false;
  std::uint64_t FLastEnd = 0;      // frames delivered when last looked at
  Clock::time_point FLastArrival;  // when that count last grew
};

}  // namespace kivo
