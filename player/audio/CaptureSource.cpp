#include "player/audio/CaptureSource.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace kivo {

namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting read looks whether the device is still there.
constexpr auto kLookAgain = std::chrono::milliseconds(100);
// A device that delivers nothing for this long counts as gone.
constexpr auto kSilenceLimit = std::chrono::seconds(5);

}  // namespace

TOpenedCapture OpenCaptureDevice(const std::string& asked) {
  TAudioDevices devices;
  try {
    devices = ListAudioDevices();
  } catch (const CaptureError& error) {
    throw CaptureError(
        "cannot capture " +
        (asked.empty() ? std::string("the default output's monitor") : "\"" + asked + "\"") + ": " +
        error.what());
  }
  const TAudioDevice& device = FindCaptureDevice(devices, asked);
  return {device, std::make_unique<SdlCapture>(device.Name, device.SampleRate)};
}

CaptureSource::CaptureSource(TOpenedCapture capture, std::uint64_t frames)
    : FDevice(std::move(capture.Device)),
      FCapture(std::move(capture.Capture)),
      FPosition(FCapture->Frames().End()),
      FEnd(FPosition + frames) {}

std::size_t CaptureSource::Read(std::span<Frame> frames) {
  std::size_t filled = 0;
  auto lastArrival = Clock::now();
  while (filled < frames.size() && FPosition < FEnd) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(frames.size() - filled, FEnd - FPosition));
    const std::size_t got = FCapture->Frames().ReadAt(FPosition, frames.subspan(filled, want),
                                                      Clock::now() + kLookAgain);
    if (got > 0) {
      filled += got;
      lastArrival = Clock::now();
    }
    if (FCapture->Lost())
      throw CaptureError("the capture device " + FDevice.Name + " went away; " +
                         CaptureDevicesNow());
    if (Clock::now() - lastArrival > kSilenceLimit)
      throw CaptureError("the capture device " + FDevice.Name + " delivers nothing");
  }
  return filled;
}

std::unique_ptr<CaptureSource> CaptureFor(const std::string& asked, double seconds,
                                          std::FILE* status) {
  TOpenedCapture opened = OpenCaptureDevice(asked);
  const std::uint32_t rate = opened.Capture->SampleRate();
  std::fprintf(status, "kivo: capturing %s (\"%s\") at %u Hz for %g s\n",
               opened.Device.Name.c_str(), opened.Device.Description.c_str(), rate, seconds);
  std::fflush(status);
  const auto frames = static_cast<std::uint64_t>(std::llround(std::max(seconds, 0.0) * rate));
  return std::make_unique<CaptureSource>(std::move(opened), frames);
}

}  // namespace kivo
