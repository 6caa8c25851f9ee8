#include "player/live/LiveAudio.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <utility>

#include "player/BlockCutter.h"

namespace kivo {

namespace {

constexpr std::size_t kReadFrames = 1024;

}  // namespace

TLiveAudio::TLiveAudio(std::unique_ptr<SoundOutput> output, std::size_t aheadFrames)
    : FOutput(std::move(output)),
      FAhead(aheadFrames),
      FPlayed(BlockCutter::kBlockFrames + aheadFrames + kReadFrames),
      FChunk(kReadFrames) {
  if (!FOutput) throw std::invalid_argument("live audio needs a sound output");
}

void TLiveAudio::Open(std::unique_ptr<FrameSource> source, std::uint64_t firstFrame) {
  FSource = std::move(source);
  FTrackStart = FOutput->QueuedFrames();
  FFirstFrame = firstFrame;
}

void TLiveAudio::Fill() {
  while (FSource && FOutput->QueuedFrames() < FOutput->HeardFrame() + FAhead) {
    const std::size_t got = FSource->Read(FChunk);
    if (got == 0) {
      FSource.reset();
      return;
    }
    const std::span<const Frame> frames(FChunk.data(), got);
    FPlayed.Append(frames);
    FOutput->Play(frames);
  }
}

bool TLiveAudio::Finished() const {
  return !FSource && FOutput->HeardFrame() >= FOutput->QueuedFrames();
}

std::uint64_t TLiveAudio::TrackFrame() const {
  const std::uint64_t heard = FOutput->HeardFrame();
  return FFirstFrame + (heard > FTrackStart ? heard - FTrackStart : 0);
}

std::vector<Frame> TLiveAudio::HeardBlock() const {
  const std::uint64_t heard = FOutput->HeardFrame();
  const std::uint64_t ofSource = heard > FTrackStart ? heard - FTrackStart : 0;
  const std::uint64_t count = std::min<std::uint64_t>(ofSource, BlockCutter::kBlockFrames);
  return FPlayed.Block(heard - count, static_cast<std::size_t>(count));
}

}  // namespace kivo
