#include "player/live/LiveCapture.h"

#include <utility>

#include "player/BlockCutter.h"

namespace kivo {

namespace {

constexpr auto kRetryInterval = std::chrono::seconds(1);
// A device that delivers nothing at all for this long is opened again.
constexpr auto kStallLimit = std::chrono::seconds(3);

std::string AskedTitle(const std::string& asked) {
  return asked.empty() ? std::string("Monitor of the default output") : asked;
}

}  // namespace

TLiveCapture::TLiveCapture(std::string asked)
    : FAsked(std::move(asked)), FTitle(AskedTitle(FAsked)), FNextTry(Clock::now()) {}

void TLiveCapture::TryOpen(bool playing) {
  FNextTry = Clock::now() + kRetryInterval;
  try {
    FOpened = OpenCaptureDevice(FAsked);
  } catch (const CaptureError& error) {
    FProblem = error.what();
    return;
  }
  FProblem.clear();
  FTitle = FOpened->Device.Description;
  FFreshFrom = 0;
  FLastEnd = 0;
  FLastArrival = Clock::now();
  FPaused = !playing;
  if (FPaused) FOpened->Capture->Pause();
}

bool TLiveCapture::DeviceGone() {
  if (FOpened->Capture->Lost()) return true;
  const std::uint64_t end = FOpened->Capture->Frames().End();
  const auto now = Clock::now();
  if (end != FLastEnd || FPaused) {
    FLastEnd = end;
    FLastArrival = now;
  }
  return now - FLastArrival > kStallLimit;
}

void TLiveCapture::Close(const std::string& problem) {
  FEarlierMs += DeviceMs();
  FProblem = problem;
  FOpened.reset();
  FNextTry = Clock::now() + kRetryInterval;
}

void TLiveCapture::Follow(bool playing) {
  if (FOpened && DeviceGone())
    Close("the capture device " + FOpened->Device.Name + " went away; trying again");
  if (!FOpened) {
    if (Clock::now() >= FNextTry) TryOpen(playing);
    return;
  }
  if (playing == !FPaused) return;
  FPaused = !playing;
  if (FPaused) {
    FOpened->Capture->Pause();
  } else {
    FFreshFrom = FOpened->Capture->Frames().End();
    FLastArrival = Clock::now();
    FOpened->Capture->Resume();
  }
}

std::vector<Frame> TLiveCapture::HeardBlock() const {
  if (!FOpened || FPaused) return {};
  return FOpened->Capture->Frames().Latest(BlockCutter::kBlockFrames, FFreshFrom);
}

std::int32_t TLiveCapture::DeviceMs() const {
  if (!FOpened) return 0;
  return static_cast<std::int32_t>(FOpened->Capture->Frames().End() * 1000 /
                                   FOpened->Capture->SampleRate());
}

std::int32_t TLiveCapture::PositionMs() const { return FEarlierMs + DeviceMs(); }

}  // namespace kivo
