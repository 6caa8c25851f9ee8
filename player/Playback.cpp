#include "player/Playback.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "player/BlockCutter.h"
#include "player/input/DemoSource.h"
#include "player/input/RawStereoSource.h"
#include "player/input/SoundFileSource.h"

namespace kivo {

TTrackAudio OpenTrackAudio(const TTrack& track) {
  TTrackAudio audio;
  if (track.Path.empty()) {
    audio.Source = std::make_unique<DemoSource>();
    audio.SampleRate = DemoSource::kSampleRate;
  } else if (track.Path == "-") {
    audio.Source = std::make_unique<RawStereoSource>(stdin);
  } else {
    auto file = std::make_unique<SoundFileSource>(track.Path);
    audio.SampleRate = file->SampleRate();
    audio.Source = std::move(file);
  }
  return audio;
}

std::size_t BlockHop(std::size_t hop, int fps, int sampleRate) {
  if (hop != 0) return hop;
  return static_cast<std::size_t>(std::max(1, sampleRate / std::max(1, fps)));
}

std::size_t FramesAt(std::int32_t positionMs, int sampleRate) {
  return static_cast<std::size_t>(std::max(positionMs, 0)) * static_cast<std::size_t>(sampleRate) /
         1000;
}

std::int32_t MillisecondsAt(std::size_t frames, int sampleRate) {
  return static_cast<std::int32_t>(frames * 1000 / static_cast<std::size_t>(sampleRate));
}

void SkipFrames(FrameSource& source, std::size_t frames) {
  std::vector<Frame> discard(BlockCutter::kBlockFrames);
  while (frames > 0) {
    const std::size_t want = std::min(frames, discard.size());
    const std::size_t got = source.Read(std::span(discard).first(want));
    if (got == 0) return;
    frames -= got;
  }
}

TSampleBlock SampleBlockOf(std::span<Frame> frames, std::size_t capacity) {
  return {frames.data(), static_cast<std::uint32_t>(capacity * sizeof(Frame)),
          static_cast<std::uint32_t>(frames.size() * sizeof(Frame))};
}

}  // namespace kivo
