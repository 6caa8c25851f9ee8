#include "player/live/LivePlayer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <variant>

#include "platform/render/HitTest.h"
#include "platform/win/Messages.h"
#include "player/Playback.h"
#include "player/live/KeyCommands.h"
#include "player/live/LiveAudio.h"
#include "player/terminal/InputDecoder.h"
#include "player/terminal/TerminalSession.h"
#include "player/terminal/TerminalView.h"

namespace kivo {

namespace {

using Clock = std::chrono::steady_clock;

// Queued beyond what is heard: more than a displayed frame and a device
// buffer, little enough that a track change is heard at once.
constexpr std::size_t kAheadFrames = 8192;

// The keyboard: standard input when it is the terminal, else the
// controlling terminal, so that audio can still come through a pipe.
class TKeyboard {
 public:
  TKeyboard() {
    if (::isatty(0) != 0) return;
    FOwned = ::open("/dev/tty", O_RDONLY | O_CLOEXEC);
    if (FOwned < 0) throw std::runtime_error("no terminal to read the keys from");
  }
  ~TKeyboard() {
    if (FOwned >= 0) ::close(FOwned);
  }
  TKeyboard(const TKeyboard&) = delete;
  TKeyboard& operator=(const TKeyboard&) = delete;

  int Fd() const { return FOwned >= 0 ? FOwned : 0; }

 private:
  int FOwned = -1;
};

class TLivePlayer {
 public:
  TLivePlayer(TPlayerSession& session, const TLiveOptions& options, std::ostream& notices)
      : FSession(session), FOptions(options), FNotices(notices) {}

  std::size_t Run();

 private:
  bool FollowTransport();
  void OpenTrack();
  void FeedHeardBlock();
  PlayerStatus Status() const;
  // Reads keys and clicks until `deadline`; false when the player is to end.
  bool HandleInputUntil(Clock::time_point deadline);
  bool Handle(const InputEvent& event);

  TPlayerSession& FSession;
  TLiveOptions FOptions;
  std::ostream& FNotices;
  bool FNoticeGiven = false;
  std::unique_ptr<TLiveAudio> FAudio;
  int FSampleRate = 0;
  std::int32_t FOpenTrack = 0;
  TKeyboard FKeyboard;
  std::unique_ptr<TerminalSession> FTerminal;
  std::unique_ptr<TerminalView> FView;
  InputDecoder FDecoder;
};

// The sound output follows the track's sample rate; the notice about
// playing silently is given for the first output only.
void TLivePlayer::OpenTrack() {
  TTrackAudio audio = OpenTrackAudio(*FSession.State().CurrentTrack());
  if (!FAudio || audio.SampleRate != FSampleRate) {
    std::ostringstream notices;
    FAudio = std::make_unique<TLiveAudio>(
        OpenSoundOutput({static_cast<std::uint32_t>(audio.SampleRate), FOptions.Sound}, notices),
        kAheadFrames);
    if (!FNoticeGiven) FNotices << notices.str() << std::flush;
    FNoticeGiven = true;
    FSampleRate = audio.SampleRate;
  }
  TPlayerState& state = FSession.State();
  const std::size_t first = FramesAt(state.PositionMs, audio.SampleRate);
  SkipFrames(*audio.Source, first);
  FAudio->Open(std::move(audio.Source), first);
  FOpenTrack = state.Track;
  state.SeekPending = false;
}

// Keeps the sound in step with the player's state; false when the
// playlist has ended.
bool TLivePlayer::FollowTransport() {
  const TPlayerState& state = FSession.State();
  if (state.PlayStatus != kStatusPlaying) {
    if (FAudio && !FAudio->Output().Paused()) FAudio->Output().Pause();
    return true;
  }
  if (state.CurrentTrack() == nullptr) return false;
  if (!FAudio || state.Track != FOpenTrack || state.SeekPending) OpenTrack();
  if (FAudio->Output().Paused()) FAudio->Output().Resume();
  const float gain = static_cast<float>(std::clamp(state.Volume, 0, 100)) / 100.0f;
  FAudio->Output().SetVolume(gain, gain);
  FAudio->Fill();
  if (FAudio->Finished()) return FSession.Control().Next() == S_OK;
  return true;
}

void TLivePlayer::FeedHeardBlock() {
  if (!FAudio || FSession.State().PlayStatus != kStatusPlaying) return;
  std::vector<Frame> heard = FAudio->HeardBlock();
  if (heard.empty()) return;
  FSession.PlayBlock(SampleBlockOf(heard, heard.size()),
                     MillisecondsAt(static_cast<std::size_t>(FAudio->TrackFrame()), FSampleRate));
}

PlayerStatus TLivePlayer::Status() const {
  const TPlayerState& state = FSession.State();
  const TTrack* track = state.CurrentTrack();
  PlayerStatus status;
  status.Track = track != nullptr ? track->Title : std::string();
  status.PositionSeconds = state.PositionMs / 1000;
  status.DurationSeconds = state.LengthMs() > 0 ? state.LengthMs() / 1000 : -1;
  status.VolumePercent = state.Volume;
  status.DisplayMode = state.DisplayMode;
  status.BandPattern = state.SpeanaPattern;
  status.Paused = state.PlayStatus == kStatusPaused;
  return status;
}

bool TLivePlayer::Handle(const InputEvent& event) {
  if (const auto* key = std::get_if<KeyPress>(&event)) {
    return ApplyKey(key->Pressed, FSession.Control(), FSession.State()) == KeyOutcome::Continue;
  }
  const auto& click = std::get<MouseClick>(event);
  if (click.Button != MouseButton::Left) return true;
  if (const auto point = FView->WindowPointAt(click.Column, click.Row))
    ClickAt(FSession.Window(), point->X, point->Y);
  return true;
}

bool TLivePlayer::HandleInputUntil(Clock::time_point deadline) {
  std::array<char, 256> buffer{};
  for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    const std::size_t got = FTerminal->WaitForInput(buffer, wait);
    for (const InputEvent& event : FDecoder.Feed(std::string_view(buffer.data(), got))) {
      if (!Handle(event)) return false;
      ProcessMessages();
    }
    if (FTerminal->StopRequested()) return false;
    if (FTerminal->TakeResize()) FView->Resize(FTerminal->Size());
  }
  return true;
}

std::size_t TLivePlayer::Run() {
  // The sound is opened first, so that its notice is read on the normal screen.
  if (!FollowTransport()) return 0;
  FTerminal = std::make_unique<TerminalSession>(FKeyboard.Fd(), STDOUT_FILENO);
  FView = std::make_unique<TerminalView>(
      FTerminal->Size(), DetectColorMode(std::getenv("COLORTERM")),
      [](std::string_view output) { WriteAll(STDOUT_FILENO, output); });
  const auto frameTime = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(1.0 / std::max(1, FSession.Options().Fps)));
  auto next = Clock::now();
  std::size_t shown = 0;
  while (!(FOptions.LastFrame && shown > *FOptions.LastFrame)) {
    FSession.FollowTimers();
    if (FSession.State().QuitRequested || !FollowTransport()) break;
    FeedHeardBlock();
    FSession.ApplyDisplayModeChanges(shown);
    FView->Present(FSession.WindowFrame(), Status());
    ++shown;
    // A late frame is not caught up on: the next one comes a frame's time later.
    next = std::max(next + frameTime, Clock::now());
    if (!HandleInputUntil(next)) break;
  }
  return shown;
}

}  // namespace

std::size_t PlayLive(TPlayerSession& session, const TLiveOptions& options, std::ostream& notices) {
  session.Begin();
  std::size_t frames = 0;
  {
    TLivePlayer player(session, options, notices);
    frames = player.Run();
  }
  session.End();
  return frames;
}

}  // namespace kivo
