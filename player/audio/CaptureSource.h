// Captured audio as an input like any other: the device a name picks, or
// one application, read as a stream of frames for a set captured time. While the device is
// suspended or gone, or the server is, the read waits for it and says so.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "player/audio/PulseCapture.h"
#include "player/input/FrameSource.h"

namespace kivo {

class CaptureSource final : public FrameSource {
 public:
  // `seconds` of what the device `asked` names (empty: the default
  // output's monitor), or the application, delivers from now on, in
  // fragments of about `fragment`. Says on `notices` what it captures and,
  // later, each wait. Raises CaptureError when no server answers or no
  // device matches; an application that plays nothing is waited for, its
  // silence counted.
  CaptureSource(const TCaptureTarget& asked, double seconds, std::chrono::microseconds fragment,
                std::FILE* notices);

  const TAudioDevice& Device() const { return FTold.Device; }
  std::uint32_t SampleRate() const { return FTold.SampleRate; }

  // Waits for the frames as they arrive. Raises CaptureError when a device
  // said to capture delivers nothing for several seconds.
  std::size_t Read(std::span<Frame> frames) override;

 private:
  // Says what changed since it last told.
  void Tell(const TCaptureStatus& status);

  PulseCapture FCapture;
  std::FILE* FNotices;
  TCaptureStatus FTold;
  std::uint64_t FPosition = 0;
  std::uint64_t FEnd = 0;
};

}  // namespace kivo
