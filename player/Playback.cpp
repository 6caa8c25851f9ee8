#include "player/Playback.h"

#include <algorithm>
#include <cstdio>
#include <thread>

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

TPacer::TPacer(std::size_t hop, int sampleRate, bool wait)
    : FBlockTime(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
          std::chrono::duration<double>(static_cast<double>(hop) / sampleRate))),
      FWait(wait) {}

void TPacer::WaitForBlock(std::size_t index) {
  if (!FWait) return;
  if (!FStarted) {
    FStart = std::chrono::steady_clock::now();
    FFirstIndex = index;
    FStarted = true;
    return;
  }
  const auto blocks = static_cast<std::int64_t>(index - FFirstIndex);
  std::this_thread::sleep_until(FStart + FBlockTime * blocks);
}

void TPacer::Restart() { FStarted = false; }

}  // namespace kivo
