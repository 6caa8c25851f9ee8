#include "player/live/FrozenBlock.h"

#include <algorithm>

#include "player/BlockCutter.h"
#include "player/Playback.h"

namespace kivo {

TFrozenBlock::TFrozenBlock(TPlayerSession& session, std::size_t last)
    : FSession(session), FBuffer(BlockCutter::kBlockFrames) {
  TPlayerState& state = session.State();
  if (state.CurrentTrack() == nullptr) return;
  TTrackAudio audio = OpenTrackAudio(*state.CurrentTrack());
  const std::size_t hop = BlockHop(session.Options().Hop, session.Options().Fps, audio.SampleRate);
  const std::size_t start = FramesAt(state.PositionMs, audio.SampleRate);
  SkipFrames(*audio.Source, start);
  BlockCutter cutter(*audio.Source, hop);
  for (std::size_t block = 0; block <= last; ++block) {
    const std::span<Frame> frames = cutter.Next();
    if (frames.empty()) break;
    std::copy(frames.begin(), frames.end(), FBuffer.begin());
    FFrames = frames.size();
    FPositionMs = MillisecondsAt(start + block * hop + frames.size(), audio.SampleRate);
    PlayAgain();
  }
}

void TFrozenBlock::PlayAgain() {
  if (FFrames == 0) return;
  FSession.PlayBlock(SampleBlockOf(std::span<Frame>(FBuffer.data(), FFrames), FBuffer.size()),
                     FPositionMs);
}

}  // namespace kivo
