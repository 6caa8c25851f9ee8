// Captured audio as an input like any other: the device a name picks,
// opened through SDL, read as a stream of frames for a set time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "player/audio/AudioDevices.h"
#include "player/audio/SdlCapture.h"
#include "player/input/FrameSource.h"

namespace kivo {

struct TOpenedCapture {
  TAudioDevice Device;
  std::unique_ptr<SdlCapture> Capture;
};

// The capture device `asked` names (FindCaptureDevice), capturing at its
// own rate. Raises CaptureError.
TOpenedCapture OpenCaptureDevice(const std::string& asked);

class CaptureSource final : public FrameSource {
 public:
  // `frames` frames of what `capture` delivers from now on.
  CaptureSource(TOpenedCapture capture, std::uint64_t frames);

  const TAudioDevice& Device() const { return FDevice; }
  std::uint32_t SampleRate() const { return FCapture->SampleRate(); }

  // Waits for the frames as they arrive. Raises CaptureError when the
  // device goes away or stops delivering.
  std::size_t Read(std::span<Frame> frames) override;

 private:
  TAudioDevice FDevice;
  std::unique_ptr<SdlCapture> FCapture;
  std::uint64_t FPosition;
  std::uint64_t FEnd;
};

// `seconds` of the device `asked` names, from now on; says on `status`
// what it captures.
std::unique_ptr<CaptureSource> CaptureFor(const std::string& asked, double seconds,
                                          std::FILE* status);

}  // namespace kivo
