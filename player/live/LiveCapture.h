// A live track whose frames come from a capture device rather than a file:
// at each displayed frame the latest block captured. Nothing is played
// back. The loop serves the capture itself, once a frame, so that taking
// the sound costs no wake-up of its own; that never waits for the server,
// so no state of the server or device (none, suspended, gone, slow) ever
// holds up the loop. While there is nothing to hear it says why and the
// panels clear.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "player/audio/PulseCapture.h"

namespace kivo {

class TLiveCapture {
 public:
  // `asked`: a device name or part of one, empty for the default output's
  // monitor; or an application. `framePeriod`: the time between displayed
  // frames, which is what the server hands over at a time.
  TLiveCapture(const TCaptureTarget& asked, std::chrono::microseconds framePeriod);

  // Takes what the server sent, looks at the capture's state, and
  // captures only while `playing`:
  // resuming goes on with fresh frames.
  void Follow(bool playing);

  // Up to one analysis block (2048 frames) ending at the latest frame
  // captured since capture last began or resumed; empty while nothing is
  // captured.
  std::vector<Frame> HeardBlock() const;
  // Time captured while playing, over every device captured.
  std::int32_t PositionMs() const;
  // The device's description once one is captured (the application's name
  // for an application), else what was asked.
  const std::string& Title() const { return FTitle; }
  // Why nothing is captured; empty while capturing.
  const std::string& Problem() const { return FProblem; }

 private:
  using Clock = std::chrono::steady_clock;

  // No frame at all for a while from a device said to capture.
  bool Stalled();

  PulseCapture FCapture;
  TCaptureStatus FStatus;
  std::string FTitle;
  bool FApp;
  std::string FProblem;
  std::uint64_t FFreshFrom = 0;  // position of the first frame since capture resumed
  bool FPaused = false;
  std::uint64_t FLastEnd = 0;      // frames delivered when last looked at
  Clock::time_point FLastArrival;  // when that count last grew
};

}  // namespace kivo
