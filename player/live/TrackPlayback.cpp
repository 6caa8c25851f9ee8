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

// Long enough to read which track was skipped, short enough not to stay
// beside the one that plays instead.
constexpr auto kSkipNoticeTime = std::chrono::seconds(5);

}  // namespace

TTrackPlayback::TTrackPlayback(TPlayerSession& session, bool sound, std::ostream* notices)
    : FSession(session),
      FSound(sound),
      FNotices(notices),
      FSkips(session.State(), session.Control()) {}

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
  FSkips.Opened();
  FNothingPlayable = false;
}

bool TTrackPlayback::OpenPlayableTrack() {
  const TPlayerState& state = FSession.State();
  // Each skip selects another track or stops the player: the loop ends.
  while (state.PlayStatus == kStatusPlaying && state.CurrentTrack() != nullptr &&
         (!FAudio || state.Track != FOpenTrack || state.SeekPending)) {
    try {
      OpenTrack();
    } catch (const InputError& error) {
      if (!PassOver(error.what())) return false;
    }
  }
  return true;
}

bool TTrackPlayback::PassOver(const std::string& reason) {
  const TSkipOutcome outcome = FSkips.Skip(reason);
  FSkippedAt = Clock::now();
  switch (outcome) {
    case TSkipOutcome::NextTrack:
      return true;
    case TSkipOutcome::EndOfList:
      return KeepOpenTrack();
    case TSkipOutcome::NothingPlayable:
      FNothingPlayable = true;
      FSession.Control().Stop();
      return true;
  }
  return true;
}

bool TTrackPlayback::KeepOpenTrack() {
  TPlayerState& state = FSession.State();
  if (!FAudio || FAudio->Finished() || FOpenTrack == state.Track) return false;
  if (FSession.Control().set_Track(FOpenTrack) != S_OK) return false;
  // Its audio still plays: the next heard block brings the position back.
  state.SeekPending = false;
  return true;
}

bool TTrackPlayback::Follow() {
  if (!OpenPlayableTrack()) return false;
  const TPlayerState& state = FSession.State();
  const bool playing = state.PlayStatus == kStatusPlaying;
  if (!playing || state.CurrentTrack() == nullptr) {
    if (FAudio && !FAudio->Output().Paused()) FAudio->Output().Pause();
    return !playing;
  }
  if (FAudio->Output().Paused()) FAudio->Output().Resume();
  const float gain = static_cast<float>(std::clamp(state.Volume, 0, 100)) / 100.0f;
  FAudio->Output().SetVolume(gain, gain);
  try {
    FAudio->Fill();
  } catch (const InputError& error) {
    return PassOver(error.what());
  }
  // The next track opens at once, so that no round shows a track that
  // is current but not yet playing.
  if (FAudio->Finished()) return FSession.Control().Next() == S_OK && OpenPlayableTrack();
  return true;
}

// Only the open track's own audio: once another track is selected, or the
// open one is sought, its blocks would carry the old position into the next.
void TTrackPlayback::FeedHeardBlock() {
  const TPlayerState& state = FSession.State();
  if (!FAudio || state.PlayStatus != kStatusPlaying) return;
  if (state.Track != FOpenTrack || state.SeekPending) return;
  std::vector<Frame> heard = FAudio->HeardBlock();
  if (heard.empty()) return;
  FSession.PlayBlock(SampleBlockOf(heard, heard.size()),
                     MillisecondsAt(static_cast<std::size_t>(FAudio->TrackFrame()), FSampleRate));
}

std::string TTrackPlayback::Notice() const {
  if (FNothingPlayable && FSession.State().PlayStatus != kStatusPlaying) return FSkips.Message();
  if (FSkips.Message().empty() || Clock::now() - FSkippedAt > kSkipNoticeTime) return {};
  return FSkips.Message();
}

}  // namespace kivo
