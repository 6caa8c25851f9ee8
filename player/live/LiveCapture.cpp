#include "player/live/LiveCapture.h"

#include <utility>

#include "player/BlockCutter.h"

namespace kivo {

namespace {

constexpr auto kRetryInterval = std::chrono::seconds(1);

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
  FPaused = !playing;
  if (FPaused) FOpened->Capture->Pause();
}

void TLiveCapture::Follow(bool playing) {
  if (FOpened && FOpened->Capture->Lost()) {
    FEarlierMs += DeviceMs();
    FProblem = "the capture device " + FOpened->Device.Name + " went away; trying again";
    FOpened.reset();
    FNextTry = Clock::now() + kRetryInterval;
  }
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
