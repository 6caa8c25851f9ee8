#include "player/audio/CaptureSource.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <thread>

namespace kivo {

namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting read looks at the device's state.
constexpr auto kLookAgain = std::chrono::milliseconds(100);
constexpr std::uint32_t kNoStream = UINT32_MAX;
// A device said to capture that delivers nothing for this long is stuck,
// and so is a server that does not start the capture in that time.
constexpr auto kSilenceLimit = std::chrono::seconds(5);

// The first answer: a device captured (or suspended), or why none is. An
// application that plays nothing yet is waited for.
TCaptureStatus FirstAnswer(const PulseCapture& capture, bool app) {
  const auto giveUp = Clock::now() + kSilenceLimit;
  for (;;) {
    const TCaptureStatus status = capture.Status();
    switch (status.State) {
      case TCaptureState::Capturing:
      case TCaptureState::Suspended:
        return status;
      case TCaptureState::Waiting:
        if (app && status.SampleRate > 0) return status;
        throw CaptureError(status.Problem);
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

CaptureSource::CaptureSource(const TCaptureTarget& asked, double seconds,
                             std::chrono::microseconds fragment, std::FILE* notices)
    : FCapture(asked, fragment), FNotices(notices), FTold(FirstAnswer(FCapture, asked.App)) {
  if (FTold.State == TCaptureState::Waiting) {
    std::fprintf(FNotices, "kivo: %s, at %u Hz for %g s\n", FTold.Problem.c_str(),
                 FTold.SampleRate, seconds);
  } else {
    std::fprintf(FNotices, "kivo: capturing %s at %u Hz for %g s\n",
                 CapturedText(FTold).c_str(), FTold.SampleRate, seconds);
  }
  if (FTold.State == TCaptureState::Suspended)
    std::fprintf(FNotices, "kivo: %s is suspended; waiting for it\n", FTold.Device.Name.c_str());
  std::fflush(FNotices);
  FPosition = FCapture.Frames().End();
  FEnd = FPosition + static_cast<std::uint64_t>(std::llround(std::max(seconds, 0.0) * FTold.SampleRate));
}

void CaptureSource::Tell(const TCaptureStatus& status) {
  const auto streamIndex = [](const TCaptureStatus& of) {
    return of.Stream ? of.Stream->Index : kNoStream;
  };
  if (status.State == FTold.State && status.Device.Name == FTold.Device.Name &&
      streamIndex(status) == streamIndex(FTold) && status.Problem == FTold.Problem)
    return;
  switch (status.State) {
    case TCaptureState::Capturing:
      std::fprintf(FNotices, "kivo: capturing %s\n", CapturedText(status).c_str());
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
