#include "player/live/TrackPlayback.h"

#include <algorithm>
#include <ostream>
#include <sstream>
#include <vector>

#include "player/Playback.h"

namespace kivo {

namespace {

// Queued beyond what is heard: more than a displayed frame and a device
// buffer, little enough that a track change is heard at once.
constexpr std::size_t kAheadFrames = 8192;

}  // namespace

TTrackPlayback::TTrackPlayback(TPlayerSession& session, bool sound, std::ostream* notices)
    : FSession(session), FSound(sound), FNotices(notices) {}

// The sound output follows the track's sample rate; the notice about
// playing silently is given for the first output only.
void TTrackPlayback::OpenTrack() {
  TTrackAudio audio = OpenTrackAudio(*FSession.State().CurrentTrack());
  if (!FAudio || audio.SampleRate != FSampleRate) {
    std::ostringstream notices;
    FAudio = std::make_unique<TLiveAudio>(
        OpenSoundOutput({static_cast<std::uint32_t>(audio.SampleRate), FSound}, notices),
        kAheadFrames);
    if (FNotices != nullptr) *FNotices << notices.str() << std::flush;
    FNotices = nullptr;
    FSampleRate = audio.SampleRate;
  }
  TPlayerState& state = FSession.State();
  const std::size_t first = FramesAt(state.PositionMs, audio.SampleRate);
  SkipFrames(*audio.Source, first);
  FAudio->Open(std::move(audio.Source), first);
  FOpenTrack = state.Track;
  state.SeekPending = false;
}

bool TTrackPlayback::Follow() {
  const TPlayerState& state = FSession.State();
  const bool playing = state.PlayStatus == kStatusPlaying;
  if (!playing || state.CurrentTrack() == nullptr) {
    if (FAudio && !FAudio->Output().Paused()) FAudio->Output().Pause();
    return !playing;
  }
  if (!FAudio || state.Track != FOpenTrack || state.SeekPending) OpenTrack();
  if (FAudio->Output().Paused()) FAudio->Output().Resume();
  const float gain = static_cast<float>(std::clamp(state.Volume, 0, 100)) / 100.0f;
  FAudio->Output().SetVolume(gain, gain);
  FAudio->Fill();
  if (FAudio->Finished()) return FSession.Control().Next() == S_OK;
  return true;
}

void TTrackPlayback::FeedHeardBlock() {
  if (!FAudio || FSession.State().PlayStatus != kStatusPlaying) return;
  std::vector<Frame> heard = FAudio->HeardBlock();
  if (heard.empty()) return;
  FSession.PlayBlock(SampleBlockOf(heard, heard.size()),
                     MillisecondsAt(static_cast<std::size_t>(FAudio->TrackFrame()), FSampleRate));
}

}  // namespace kivo
