#include "player/live/LiveCapture.h"

#include <utility>

#include "player/BlockCutter.h"

namespace kivo {

namespace {

// A device said to capture that delivers nothing for this long is called
// stalled in the status line (a stopped server, say) until frames come.
constexpr auto kStallLimit = std::chrono::seconds(3);

std::string AskedTitle(const TCaptureTarget& asked) {
  return asked.Name.empty() ? std::string("Monitor of the default output") : asked.Name;
}

}  // namespace

TLiveCapture::TLiveCapture(const TCaptureTarget& asked, std::chrono::microseconds framePeriod)
    : FCapture(asked, framePeriod, PulseCapture::TServing::Caller),
      FTitle(AskedTitle(asked)),
      FApp(asked.App),
      FLastArrival(Clock::now()) {}

bool TLiveCapture::Stalled() {
  const std::uint64_t end = FCapture.Frames().End();
  const auto now = Clock::now();
  if (end != FLastEnd || FPaused || FStatus.State != TCaptureState::Capturing) {
    FLastEnd = end;
    FLastArrival = now;
  }
  return now - FLastArrival > kStallLimit;
}

void TLiveCapture::Follow(bool playing) {
  FCapture.Serve();
  FStatus = FCapture.Status();
  if (FApp) {
    if (FStatus.Stream && !FStatus.Stream->Application.empty())
      FTitle = FStatus.Stream->Application;
  } else if (!FStatus.Device.Description.empty()) {
    FTitle = FStatus.Device.Description;
  }
  const bool stalled = Stalled();
  switch (FStatus.State) {
    case TCaptureState::Capturing:
      FProblem = stalled ? "the capture device " + FStatus.Device.Name + " delivers nothing"
                           : std::string();
      break;
    case TCaptureState::Suspended:
      FProblem = "suspended";
      break;
    case TCaptureState::Connecting:
      FProblem.clear();
      break;
    case TCaptureState::Waiting:
    case TCaptureState::NoServer:
      FProblem = FStatus.Problem;
      break;
  }
  if (playing == !FPaused) return;
  FPaused = !playing;
  if (FPaused) {
    FCapture.Pause();
  } else {
    FFreshFrom = FCapture.Frames().End();
    FCapture.Resume();
  }
}

std::vector<Frame> TLiveCapture::HeardBlock() const {
  if (FPaused || FStatus.State != TCaptureState::Capturing) return {};
  return FCapture.Frames().Latest(BlockCutter::kBlockFrames, FFreshFrom);
}

std::int32_t TLiveCapture::PositionMs() const {
  if (FStatus.SampleRate == 0) return 0;
  return static_cast<std::int32_t>(FCapture.Frames().End() * 1000 / FStatus.SampleRate);
}

}  // namespace kivo
