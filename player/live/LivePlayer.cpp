#include "player/live/LivePlayer.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <span>
#include <utility>
#include <variant>

#include "platform/render/HitTest.h"
#include "platform/win/Messages.h"
#include "player/Playback.h"
#include "player/StopSignals.h"
#include "player/audio/SdlOutput.h"
#include "player/host/DesignCheck.h"
#include "player/live/FrozenBlock.h"
#include "player/live/KeyCommands.h"
#include "player/live/LiveCapture.h"
#include "player/live/LiveMenu.h"
#include "player/live/SkinCycle.h"
#include "player/live/TrackPlayback.h"
#include "player/live/ViewStates.h"

namespace kivo {

namespace {

using Clock = std::chrono::steady_clock;

class TLivePlayer {
 public:
  TLivePlayer(TPlayerSession& session, const TLiveOptions& options, std::ostream& notices)
      : FSession(session),
        FOptions(options),
        FNotices(notices),
        FTracks(session, options.Sound, &notices),
        FSkins(options.SkinFolders),
        FMenu(session) {
    if (FOptions.Capture)
      FCapture = std::make_unique<TLiveCapture>(*FOptions.Capture, FramePeriod());
  }
  ~TLivePlayer() { FSession.SetMenuOpener({}); }
  TLivePlayer(const TLivePlayer&) = delete;
  TLivePlayer& operator=(const TLivePlayer&) = delete;

  std::size_t Run();

 private:
  std::chrono::microseconds FramePeriod() const {
    return std::chrono::microseconds(1'000'000 / std::max(1, FSession.Options().Fps));
  }
  bool FollowTransport();
  void FollowCapture();
  void FeedHeardBlock();
  PlayerStatus Status() const;
  Kivo_tlb::TKIVODeviceType Device() const;
  // Reads keys and clicks until `deadline`; false when the player is to end.
  bool HandleInputUntil(Clock::time_point deadline);
  bool Handle(const ViewEvent& event);
  void NextSkin();
  void ChangeSkin(const std::string& design);
  void OpenMenu(std::int32_t menuId);
  void OpenAskedMenu();
  // Follows a key or the pointer on the open menu; false when the entry
  // picked ends the player.
  bool FollowMenu(const std::optional<TMenuEntry>& picked);
  bool Apply(const TMenuEntry& entry);
  void Pump() const {
    if (FOptions.Pump) FOptions.Pump();
  }

  TPlayerSession& FSession;
  TLiveOptions FOptions;
  std::ostream& FNotices;
  TTrackPlayback FTracks;
  std::unique_ptr<TLiveCapture> FCapture;
  std::unique_ptr<TFrozenBlock> FFrozen;
  // A key or click may have cleared the panels (a new mode, a new skin):
  // the frozen block is played once more to show it again.
  bool FReplayFrozen = false;
  TSkinCycle FSkins;
  // Why the last skin asked for did not load, or what in its design the
  // plug-in could not take; shown until the next change.
  std::string FSkinNotice;
  std::unique_ptr<TLiveView> FView;
  TLiveMenu FMenu;
  // The menu a client asked to be shown, opened once its call returned.
  std::optional<std::int32_t> FMenuAsked;
};

// Keeps the sound in step with the player's state; false when the
// playlist has ended.
bool TLivePlayer::FollowTransport() {
  if (FFrozen) return true;
  if (FCapture) {
    FollowCapture();
    return true;
  }
  return FTracks.Follow();
}

// The captured track takes the device's name once it opens; until then
// its problem is told once, before the view takes the screen.
void TLivePlayer::FollowCapture() {
  const std::string problem = FCapture->Problem();
  FCapture->Follow(FSession.State().PlayStatus == kStatusPlaying);
  if (!FView && !FCapture->Problem().empty() && FCapture->Problem() != problem)
    FNotices << "kivo: " << FCapture->Problem() << '\n' << std::flush;
  for (TTrack& track : FSession.State().PlayList) track.Title = FCapture->Title();
}

void TLivePlayer::FeedHeardBlock() {
  if (FFrozen) {
    if (FReplayFrozen) FFrozen->PlayAgain();
    FReplayFrozen = false;
    return;
  }
  if (FCapture && FSession.State().PlayStatus == kStatusPlaying) {
    // Without a device the block is empty, which clears the panels.
    std::vector<Frame> heard = FCapture->HeardBlock();
    const std::size_t frames = heard.size();
    heard.resize(std::max<std::size_t>(frames, 1));
    FSession.PlayBlock(SampleBlockOf(std::span(heard).first(frames), heard.size()),
                       FCapture->PositionMs());
    return;
  }
  FTracks.FeedHeardBlock();
}

// What sounds: a file through a sound device, a captured stream, or nothing.
Kivo_tlb::TKIVODeviceType TLivePlayer::Device() const {
  if (FCapture) return Kivo_tlb::dtStream;
  return SdlOutput::AnyOpen() ? Kivo_tlb::dtFile : Kivo_tlb::dtNone;
}

PlayerStatus TLivePlayer::Status() const {
  const TPlayerState& state = FSession.State();
  PlayerStatus status;
  status.Track = ShownItemText(state, Device());
  status.StayOnTop = state.StayOnTop;
  status.PositionSeconds = state.PositionMs / 1000;
  status.DurationSeconds = state.LengthMs() > 0 ? state.LengthMs() / 1000 : -1;
  status.VolumePercent = state.Volume;
  status.DisplayMode = state.DisplayMode;
  status.BandPattern = state.SpeanaPattern;
  status.Paused = state.PlayStatus == kStatusPaused;
  status.Stopped = state.PlayStatus == kStatusStopped;
  // A notice, unlike the title, is shown whole when the line is too short:
  // the capture problem says what to do ("start PulseAudio ...").
  std::string notice = FCapture ? FCapture->Problem() : std::string();
  for (const std::string& more : {FSkinNotice, FTracks.Notice()})
    if (!more.empty()) notice = notice.empty() ? more : notice + "; " + more;
  status.Notice = notice;
  // A captured track is never played back, so sound off is no news there.
  status.SoundOff = !FCapture && !SdlOutput::AnyOpen();
  return status;
}

// The previous skin is back when the next one fails; the failed one is
// passed over from then on, so that `s` still reaches the others. When the
// plug-in does not start with the previous skin either (another player
// holds it, say), the skin is not to blame, and `s` tries it again.
void TLivePlayer::NextSkin() {
  if (const std::optional<std::string> next = FSkins.After(FSession.State().Design))
    ChangeSkin(*next);
}

void TLivePlayer::ChangeSkin(const std::string& design) {
  const std::optional<std::string> failure = FSession.ChangeDesign(design);
  FSkinNotice.clear();
  if (!failure) {
    FSkinNotice = DesignNotice(design);
    return;
  }
  if (!FSession.PluginRunning()) {
    FSkinNotice = "skin " + SkinName(design) + " not shown: " + *failure + "; s tries again";
    return;
  }
  FSkins.MarkBroken(design);
  FSkinNotice = "skin " + SkinName(design) + " not loaded: " + *failure;
}

void TLivePlayer::OpenMenu(std::int32_t menuId) {
  if (!FView->HasMenu()) return;
  const TPlayerState& state = FSession.State();
  TMenuFacts facts;
  facts.Playing = state.PlayStatus == kStatusPlaying;
  facts.DisplayMode = state.DisplayMode;
  facts.BandPattern = state.SpeanaPattern;
  facts.StayOnTop = state.StayOnTop;
  facts.Skins = ListSkinDesigns(FOptions.SkinFolders);
  facts.Design = state.Design;
  FMenu.Open(menuId, std::move(facts));
  FView->ShowMenu(FMenu.Shown());
}

// Outside the client's call, so that the menu's own notifications do not
// reach the client while it waits for its answer.
void TLivePlayer::OpenAskedMenu() {
  if (const std::optional<std::int32_t> asked = std::exchange(FMenuAsked, std::nullopt))
    OpenMenu(*asked);
}

bool TLivePlayer::FollowMenu(const std::optional<TMenuEntry>& picked) {
  FView->ShowMenu(FMenu.Shown());
  if (!picked) return true;
  FReplayFrozen = FFrozen != nullptr;
  return Apply(*picked);
}

// The player's own entries do what their keys do, so that the clients
// hear the same notifications.
bool TLivePlayer::Apply(const TMenuEntry& entry) {
  Kivo_tlb::IKIVOControl& control = FSession.Control();
  TPlayerState& state = FSession.State();
  switch (entry.Action) {
    case TMenuAction::PlayPause:
      return ApplyKey(Key::Space, control, state) != KeyOutcome::Quit;
    case TMenuAction::Next:
      return ApplyKey(Key::N, control, state) != KeyOutcome::Quit;
    case TMenuAction::Previous:
      return ApplyKey(Key::B, control, state) != KeyOutcome::Quit;
    case TMenuAction::Skin:
      if (const std::string& design = FMenu.SkinDesign(entry); !design.empty()) ChangeSkin(design);
      return true;
    case TMenuAction::DisplayMode:
      control.set_DisplayMode(static_cast<Kivo_tlb::TKIVODisplayMode>(entry.Value));
      return true;
    case TMenuAction::BandPattern:
      SetBandPattern(control, state, entry.Value);
      return true;
    case TMenuAction::StayOnTop:
      ToggleStayOnTop(state, FSession.Clients());
      return true;
    case TMenuAction::Quit:
      return false;
    case TMenuAction::Submenu:
    case TMenuAction::Tool:
    case TMenuAction::Nothing:
      return true;
  }
  return true;
}

bool TLivePlayer::Handle(const ViewEvent& event) {
  if (const auto* pointer = std::get_if<MenuPointer>(&event))
    return FollowMenu(FMenu.Point(*pointer));
  if (std::holds_alternative<MenuRequest>(event)) {
    OpenMenu(kMainMenuId);
    return true;
  }
  const auto* key = std::get_if<KeyPress>(&event);
  // While the menu is open the keys are the menu's; Ctrl-C still quits.
  if (key != nullptr && FMenu.IsOpen() && key->Pressed != Key::CtrlC)
    return FollowMenu(FMenu.Press(key->Pressed));
  FReplayFrozen = FFrozen != nullptr;
  if (HandleViewEvent(event, FSession)) return true;
  if (key != nullptr) {
    if (ApplyViewKey(key->Pressed, FSession, Device())) return true;
    switch (ApplyKey(key->Pressed, FSession.Control(), FSession.State())) {
      case KeyOutcome::Continue:
        return true;
      case KeyOutcome::NextSkin:
        NextSkin();
        return true;
      case KeyOutcome::OpenMenu:
        OpenMenu(kMainMenuId);
        return true;
      case KeyOutcome::Quit:
        return false;
    }
  }
  const WindowPoint point = std::get<PictureClick>(event).At;
  ClickAt(FSession.Window(), point.X, point.Y);
  return true;
}

// Messages are dispatched every time round, in whatever state the player
// is: calls from other processes wait in this thread's queue, and a paused
// or stopped player feeds no block that would dispatch them.
bool TLivePlayer::HandleInputUntil(Clock::time_point deadline) {
  do {
    for (const ViewEvent& event : FView->WaitForInput(deadline)) {
      if (!Handle(event)) return false;
      ProcessMessages();
    }
    ProcessMessages();
    Pump();
    OpenAskedMenu();
    // The desktop window leaves the stop signals to the player's own handlers.
    if (FView->StopRequested() || StopSignalReceived() != 0) return false;
  } while (Clock::now() < deadline);
  return true;
}

std::size_t TLivePlayer::Run() {
  if (FOptions.FreezeBlock)
    FFrozen = std::make_unique<TFrozenBlock>(FSession, *FOptions.FreezeBlock);
  // The sound is opened first, so that its notice is read on the normal screen.
  if (!FollowTransport()) return 0;
  FView = FOptions.MakeView();
  if (FView->HasMenu())
    FSession.SetMenuOpener([this](std::int32_t menuId) { FMenuAsked = menuId; });
  const auto frameTime = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(1.0 / std::max(1, FSession.Options().Fps)));
  auto next = Clock::now();
  std::size_t shown = 0;
  while (!(FOptions.LastFrame && shown > *FOptions.LastFrame)) {
    Pump();
    FSession.FollowTimers();
    if (FSession.State().QuitRequested || !FollowTransport()) break;
    FeedHeardBlock();
    FSession.ApplyDisplayModeChanges(shown);
    FView->Present(FSession.WindowUpdate(), Status());
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
