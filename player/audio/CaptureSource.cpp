#include "player/audio/CaptureSource.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace kivo {

namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting read looks at the device's state.
constexpr auto kLookAgain = std::chrono::milliseconds(100);
// A device said to capture that delivers nothing for this long is stuck,
// and so is a server that does not start the capture in that time.
constexpr auto kSilenceLimit = std::chrono::seconds(5);

// The first answer: a device captured (or suspended), or why none is.
TCaptureStatus FirstAnswer(const PulseCapture& capture) {
  const auto giveUp = Clock::now() + kSilenceLimit;
  for (;;) {
    const TCaptureStatus status = capture.Status();
    switch (status.State) {
      case TCaptureState::Capturing:
      case TCaptureState::Suspended:
        return status;
      case TCaptureState::Waiting:
      case TCaptureState::NoServer:
        throw CaptureError(status.Problem);
      case TCaptureState::Connecting:
        if (Clock::now() > giveUp)
          throw CaptureError("the sound server does not start capturing " + status.Device.Name);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        break;
    }
  }
}

}  // namespace

CaptureSource::CaptureSource(const std::string& asked, double seconds,
                             std::chrono::microseconds fragment, std::FILE* notices)
    : FCapture(asked, fragment), FNotices(notices), FTold(FirstAnswer(FCapture)) {
  std::fprintf(FNotices, "kivo: capturing %s (\"%s\") at %u Hz for %g s\n",
               FTold.Device.Name.c_str(), FTold.Device.Description.c_str(), FTold.SampleRate,
               seconds);
  if (FTold.State == TCaptureState::Suspended)
    std::fprintf(FNotices, "kivo: %s is suspended; waiting for it\n", FTold.Device.Name.c_str());
  std::fflush(FNotices);
  FPosition = FCapture.Frames().End();
  FEnd = FPosition + static_cast<std::uint64_t>(std::llround(std::max(seconds, 0.0) * FTold.SampleRate));
}

void CaptureSource::Tell(const TCaptureStatus& status) {
  if (status.State == FTold.State && status.Device.Name == FTold.Device.Name &&
      status.Problem == FTold.Problem)
    return;
  switch (status.State) {
    case TCaptureState::Capturing:
      std::fprintf(FNotices, "kivo: capturing %s (\"%s\")\n", status.Device.Name.c_str(),
                   status.Device.Description.c_str());
      break;
    case TCaptureState::Suspended:
      std::fprintf(FNotices, "kivo: %s is suspended; waiting for it\n",
                   status.Device.Name.c_str());
      break;
    case TCaptureState::Waiting:
    case TCaptureState::NoServer:
      std::fprintf(FNotices, "kivo: %s\n", status.Problem.c_str());
      break;
    case TCaptureState::Connecting:
      return;
  }
  std::fflush(FNotices);
  FTold = status;
}

std::size_t CaptureSource::Read(std::span<Frame> frames) {
  std::size_t filled = 0;
  auto lastArrival = Clock::now();
  while (filled < frames.size() && FPosition < FEnd) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(frames.size() - filled, FEnd - FPosition));
    const std::size_t got = FCapture.Frames().ReadAt(FPosition, frames.subspan(filled, want),
                                                     Clock::now() + kLookAgain);
    const TCaptureStatus status = FCapture.Status();
    Tell(status);
    if (got > 0 || status.State != TCaptureState::Capturing) {
      filled += got;
      lastArrival = Clock::now();
    }
    if (Clock::now() - lastArrival > kSilenceLimit)
      throw CaptureError("the capture device " + status.Device.Name + " delivers nothing");
  }
  return filled;
}

}  // namespace kivo
