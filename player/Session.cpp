#include "player/Session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/com/ComRuntime.h"
#include "platform/render/PngWriter.h"
#include "player/BlockCutter.h"
#include "player/FrameOutputs.h"
#include "player/Playback.h"
#include "player/PngFrameWriter.h"
#include "player/ProgramFiles.h"
#include "player/StopSignals.h"
#include "player/TrackSkips.h"
#include "player/Tracks.h"
#include "player/VideoRecorder.h"
#include "player/host/DesignCheck.h"
#include "player/input/DemoSource.h"

namespace kivo {

namespace {

// Collects what the player's own analysis decides about a block.
class TOwnSpectrum final : public TAnalysisOutput {
 public:
  void ClearPanels() override { FLevels.fill(0); }
  void SetLevels(TChannel channel, const TBandLevels& levels) override {
    for (std::size_t band = 0; band < FLevels.size(); ++band) {
      const std::int32_t level = std::clamp(levels[band], 0, 15);
      FLevels[band] = channel == TChannel::Left ? level : std::max(FLevels[band], level);
    }
  }
  const std::array<std::int32_t, 10>& Levels() const { return FLevels; }

 private:
  std::array<std::int32_t, 10> FLevels{};
};

std::filesystem::path RunningExecutable() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) throw std::runtime_error("cannot find the player's own program: " + error.message());
  return self;
}

std::array<std::int32_t, 2> PeakLevels(std::span<const Frame> frames, std::int32_t volume) {
  std::int32_t left = 0;
  std::int32_t right = 0;
  for (Frame frame : frames) {
    left = std::max(left, std::abs(static_cast<std::int32_t>(static_cast<std::int16_t>(frame))));
    right = std::max(right,
                     std::abs(static_cast<std::int32_t>(static_cast<std::int16_t>(frame >> 16))));
  }
  return {left * volume / 100, right * volume / 100};
}

}  // namespace

TPlayerSession::TComInit::TComInit() {
  if (FAILED(CoInitialize(nullptr)))
    throw std::runtime_error("cannot initialise the component object runtime");
}

TPlayerSession::TComInit::~TComInit() { CoUninitialize(); }

TPlayerSession::TPlayerSession(TSessionOptions options, std::string defaultDesign)
    : FOptions(std::move(options)),
      FHome(ResolveHomeFolder(FOptions.Home)),
      FClients(RegisterWindowMessageA("WM_KIVO")),
      FTimerMinute(FClock.MinuteOfDay()) {
  if (FOptions.PluginPath.empty()) RequireDefaultPlugin(OwnProgramFiles());
  FHome.Prepare(RunningExecutable(), defaultDesign);
  FHome.LoadSettings(FState);
  ApplyOptions();
  // The plug-in takes a missing design file for one without panels.
  if (!FState.Design.empty() && !std::filesystem::is_regular_file(FState.Design))
    std::fprintf(stderr,
                 "kivo: warning: no design file %s: the plug-in starts with its defaults, "
                 "without panels\n",
                 FState.Design.c_str());
  if (const std::string notice = DesignNotice(FState.Design); !notice.empty())
    std::fprintf(stderr, "kivo: warning: %s\n", notice.c_str());
  MakePlayList();
  // The class first: a client that finds the main window can then create
  // the automation object at once.
  FServer = std::make_unique<TAutomationServer>(FState, FClients, *this);
  FMainWindow =
      CreateTopLevelWindow("TFormKIVO", "KIVO", TWndMethod(this, &TPlayerSession::WndProc));
  FControl = TKivoAutomation::Create(FState, FClients, *this);
  FControl.QueryInterface(Kivo_tlb::IID_IKIVOPlayList, FPlayList);
  MakeWindows();
  FTools.Update(FHome.ReadableToolNames());
}

TPlayerSession::~TPlayerSession() {
  StopPlugin();
  DestroyWindow(FMainWindow);
}

void TPlayerSession::MakeWindows() {
  const TWindowSize size = FOptions.Size.value_or(WindowSizeForDesign(FState.Design));
  FState.Width = size.Width;
  FState.Height = size.Height;
  FHost.reset();
  FWindows = std::make_unique<TVisualisationWindow>(size);
  FHost = std::make_unique<THostPlugin>(FOptions.Host, *FWindows);
}

void TPlayerSession::ApplyOptions() {
  if (!FOptions.Design.empty())
    FState.Design = std::filesystem::absolute(FOptions.Design).lexically_normal().string();
  if (FOptions.DisplayMode)
    FState.DisplayMode = static_cast<Kivo_tlb::TKIVODisplayMode>(*FOptions.DisplayMode);
  if (FOptions.RecLevel) FState.RecLevel = *FOptions.RecLevel;
  if (FOptions.Adjust) FState.AdjustSpeanaLevel = *FOptions.Adjust;
  if (FOptions.Volume) FState.Volume = *FOptions.Volume;
}

// Files that are missing or unreadable stay in the playlist: they are
// skipped when their turn comes, as a file that goes while playing is.
void TPlayerSession::MakePlayList() {
  for (const std::string& input : FOptions.Inputs) {
    if (input == "-") {
      FState.PlayList.push_back(MakeStreamTrack("-", "Standard input", 0));
      continue;
    }
    for (const std::string& path : AudioPathsOfInput(input))
      FState.PlayList.push_back(MakeTrack(path));
  }
  if (!FOptions.Inputs.empty() && FState.PlayList.empty())
    throw InputError("nothing to play: no audio file in " + FOptions.Inputs.front() +
                     (FOptions.Inputs.size() > 1 ? " or the other inputs" : ""));
  if (FState.PlayList.empty())
    FState.PlayList.push_back(MakeStreamTrack(
        "", "Demo", MillisecondsAt(DemoSource::TotalFrames(), DemoSource::kSampleRate)));
}

void TPlayerSession::StartPlugin() {
  const std::string path =
      FOptions.PluginPath.empty() ? OwnProgramFiles().Plugin().string() : FOptions.PluginPath;
  try {
    FLibrary = std::make_unique<TPluginLibrary>(path);
  } catch (const PluginError& error) {
    std::fprintf(stderr, "kivo: %s; playing without it\n", error.what());
    return;
  }
  if (const std::optional<std::string> failure = RunPlugin())
    std::fprintf(stderr, "kivo: %s\n", failure->c_str());
}

std::optional<std::string> TPlayerSession::RunPlugin() {
  try {
    FLibrary->Run()(FHost->Object());
  } catch (const std::exception& error) {
    ProcessMessages();
    return std::string("the plug-in could not start: ") + error.what();
  }
  ProcessMessages();
  if (FHost->ExitCount() > 0) return std::string("the plug-in did not start; playing without it");
  FPluginRunning = true;
  return std::nullopt;
}

void TPlayerSession::AbortPlugin(TPluginStop stop) {
  if (stop == TPluginStop::ForRestart)
    FClients.NotifyInProcess({ClassClose, LParamOf(kClosedInOrder)});
  else if (!FState.CloseAnnounced)
    FClients.Notify({ClassClose, LParamOf(kClosedInOrder)});
  ProcessMessages();
  // Also after a refused or failed start: the plug-in lets go of its lock.
  FLibrary->Abort()();
  FPluginRunning = false;
}

void TPlayerSession::StopPlugin() {
  if (!FLibrary) return;
  AbortPlugin(TPluginStop::ForGood);
  FWindows.reset();
  FLibrary.reset();
}

std::optional<std::string> TPlayerSession::ChangeDesign(const std::string& design) {
  const std::string previous = FState.Design;
  std::optional<std::string> failure = SwitchDesign(design);
  if (failure) SwitchDesign(previous);
  return failure;
}

std::optional<std::string> TPlayerSession::SwitchDesign(const std::string& design) {
  FState.Design = design;
  FHome.SaveSettings(FState);
  FClients.Notify(StatusNotification(stDesign, 0));
  ProcessMessages();
  if (!FLibrary) {
    MakeWindows();
    return std::nullopt;
  }
  // Only the plug-in starts again: the clients of other processes go on
  // with the player as it was.
  AbortPlugin(TPluginStop::ForRestart);
  // The windows go after the plug-in stopped: they may own what it left.
  MakeWindows();
  std::optional<std::string> failure = RunPlugin();
  if (!failure) {
    FClients.NotifyInProcess({ClassRun, 0});
    ProcessMessages();
  }
  return failure;
}

// Clients made before the player (with AutoLink) bind on hearing it; the
// broadcast is posted, so a client that does not read its messages (a
// stopped process) keeps nobody waiting. Those that announce themselves
// later are answered one by one.
void TPlayerSession::AnnounceOpen() {
  PostMessageA(HWND_BROADCAST, FClients.MessageId(), ClassOpen,
               LParamOf(HandleValue(FMainWindow)));
}

void TPlayerSession::WndProc(TMessage& message) {
  if (message.Msg != FClients.MessageId()) {
    message.Result = DefWindowProcA(FMainWindow, message.Msg, message.WParam, message.LParam);
    return;
  }
  // A client that announces itself hears that the player is open.
  if (message.WParam == AnnounceMessage) {
    const HWND client = WindowFromValue(static_cast<LONG>(message.LParam));
    FClients.NotifyWindow(client, {ClassOpen, LParamOf(HandleValue(FMainWindow))});
  }
  if (message.WParam == ToolChangeMessage) RereadTools();
  message.Result = 1;
}

void TPlayerSession::KeepLatestBlock(const TSampleBlock& block) {
  const std::span<const Frame> frames(block.Samples,
                                      block.Samples != nullptr ? block.Size / sizeof(Frame) : 0);
  FLatestFrames.assign(frames.begin(), frames.end());
  FLatestBlock = block;
  if (block.Samples != nullptr) FLatestBlock.Samples = FLatestFrames.data();
  FSpectrumCurrent = false;
  FLatestVolume = FState.Volume;
  FOutputLevelsCurrent = false;
}

void TPlayerSession::UpdateOutputLevels() {
  if (FOutputLevelsCurrent) return;
  FOutputLevelsCurrent = true;
  FState.OutputLevels = PeakLevels(FLatestFrames, FLatestVolume);
}

void TPlayerSession::UpdateSpectrum() {
  if (FSpectrumCurrent) return;
  FSpectrumCurrent = true;
  FAnalysis.FRecLevel = FState.RecLevel;
  FAnalysis.FSpeanaPattern = std::clamp(FState.SpeanaPattern, 0, 5);
  FAnalysis.FAdjustSpeanaLevel = FState.AdjustSpeanaLevel;
  TOwnSpectrum spectrum;
  FAnalysis.Sampling(&FLatestBlock, true, spectrum);
  FState.Spectrum = spectrum.Levels();
  ++FOwnAnalyses;
}

void TPlayerSession::NotifyPlayback(std::int32_t previousMs) {
  const std::int32_t now = FState.PositionMs;
  FClients.Notify({ClassPosition, LParamOf(now)});
  if (FClients.Wants(ClassVolume)) {
    UpdateOutputLevels();
    FClients.Notify(VolumeNotification(FState.OutputLevels[0], FState.OutputLevels[1]));
  }
  if (FClients.Wants(ClassSpeana)) {
    UpdateSpectrum();
    FClients.Notify(SpeanaNotification(FState.Spectrum));
  }
  if (now / 1000 != previousMs / 1000) {
    FState.Counter = now / 1000;
    FClients.Notify({ClassCounter, LParamOf(FState.Counter)});
    FClients.Notify({ClassTimer, LParamOf(now / 1000)});
  }
  const std::int32_t line = LyricsLineAt(FState.Lyrics, now + FState.LyricsAdjustMs);
  if (line != LyricsLineAt(FState.Lyrics, previousMs + FState.LyricsAdjustMs))
    FClients.Notify({ClassLyrics, LParamOf(line)});
}

void TPlayerSession::ApplyDisplayModeChanges(std::size_t block) {
  for (const auto& [at, mode] : FOptions.DisplayModeChanges) {
    if (at != block) continue;
    if (FAILED(FControl->set_DisplayMode(static_cast<Kivo_tlb::TKIVODisplayMode>(mode))))
      std::fprintf(stderr, "kivo: display mode %d does not exist\n", mode);
    ProcessMessages();
  }
}

// Only a player that plays in real time keeps the clock's timers.
void TPlayerSession::FollowTimers() {
  const std::int32_t now = FClock.MinuteOfDay();
  const TTimerAction action = DueTimerAction(FState, FTimerMinute, now);
  FTimerMinute = now;
  if (action == TTimerAction::Start) FControl->Play();
  if (action == TTimerAction::Stop) FControl->Stop();
}

void TPlayerSession::Begin() {
  AnnounceOpen();
  StartPlugin();
  FControl->Play();
  FClients.Notify({ClassRun, 0});
  ProcessMessages();
}

void TPlayerSession::PlayBlock(TSampleBlock block, std::int32_t positionMs) {
  const std::int32_t previousMs = FState.PositionMs;
  FState.PositionMs = positionMs;
  KeepLatestBlock(block);
  NotifyPlayback(previousMs);
  if (FPluginRunning) FLibrary->Sampling()(&block);
  ProcessMessages();
}

void TPlayerSession::End() {
  if (!FOptions.Png.empty()) WritePng(FWindows->Render(), FOptions.Png);
  StopPlugin();
}

std::size_t TPlayerSession::Run() {
  std::optional<TVideoRecorder> video;
  if (!FOptions.Video.empty()) {
    const int rate = CommonSampleRate(FState.PlayList);
    video.emplace(FOptions.Video, FWindows->Window().Width(), FWindows->Window().Height(), rate,
                  BlockHop(FOptions.Hop, FOptions.Fps, rate));
  }
  std::optional<TPngFrameWriter> pictures;
  if (!FOptions.FramesFolder.empty()) {
    std::filesystem::create_directories(FOptions.FramesFolder);
    pictures.emplace(FOptions.FramesFolder);
  }

  Begin();
  TTrackSkips skips(FState, Control());
  std::size_t block = 0;
  std::int32_t openTrack = 0;
  TTrackAudio audio;
  std::unique_ptr<BlockCutter> cutter;
  std::size_t hop = 1;
  std::size_t startFrame = 0;
  std::size_t blockInTrack = 0;

  while (!FState.QuitRequested && !(FOptions.LastBlock && block > *FOptions.LastBlock)) {
    // A stop signal ends the run between blocks, with the pictures so far.
    if (StopSignalReceived() != 0) break;
    if (FState.PlayStatus != kStatusPlaying || FState.CurrentTrack() == nullptr) break;
    if (FState.Track != openTrack || FState.SeekPending) {
      try {
        audio = OpenTrackAudio(*FState.CurrentTrack());
      } catch (const InputError& error) {
        if (!PassOver(skips, error.what())) break;
        continue;
      }
      skips.Opened();
      hop = BlockHop(FOptions.Hop, FOptions.Fps, audio.SampleRate);
      startFrame = FramesAt(FState.PositionMs, audio.SampleRate);
      SkipFrames(*audio.Source, startFrame);
      if (video) audio.Source = video->Recording(std::move(audio.Source));
      cutter = std::make_unique<BlockCutter>(*audio.Source, hop);
      blockInTrack = 0;
      openTrack = FState.Track;
      FState.SeekPending = false;
    }
    std::span<Frame> frames;
    try {
      frames = cutter->Next();
    } catch (const InputError& error) {
      if (!PassOver(skips, error.what())) break;
      continue;
    }
    if (frames.empty()) {
      // Nobody listens along: a repeating playlist would never end, so the
      // run ends with its last track.
      const bool lastTrack = FState.Track >= static_cast<std::int32_t>(FState.PlayList.size());
      if (lastTrack || FControl->Next() != S_OK) break;
      continue;
    }
    const TSampleBlock sample = SampleBlockOf(frames, BlockCutter::kBlockFrames);
    // The block is the latest audio played: the position is its end.
    PlayBlock(sample,
              MillisecondsAt(startFrame + blockInTrack * hop + frames.size(), audio.SampleRate));
    ApplyDisplayModeChanges(block);
    if (pictures || video) {
      const std::size_t paints = FWindows->Paints();
      const TFrame& frame = FWindows->Painted();
      if (pictures) pictures->Write(frame, block, FWindows->Paints() == paints);
      if (video) video->WriteFrame(frame);
    }
    ++block;
    ++blockInTrack;
  }
  if (video) video->Finish();
  if (pictures) pictures->Finish();
  FPluginInPicture = FPluginRunning;
  End();
  return block;
}

// Renders say on standard error which track they skipped; one that has
// no track to play fails.
bool TPlayerSession::PassOver(TTrackSkips& skips, const std::string& reason) {
  const TSkipOutcome outcome = skips.Skip(reason);
  if (outcome == TSkipOutcome::NothingPlayable) throw InputError(skips.Message());
  std::fprintf(stderr, "kivo: %s\n", skips.Message().c_str());
  return outcome == TSkipOutcome::NextTrack;
}

void TPlayerSession::SaveSettings() { FHome.SaveSettings(FState); }

void TPlayerSession::WriteFormImage(const std::string& path) { WritePng(FWindows->Render(), path); }

std::vector<std::string> TPlayerSession::ToolNames() const { return FHome.ToolNames(); }

void TPlayerSession::Show(const std::string& title, const std::vector<std::string>& lines) {
  std::printf("%s:\n", title.c_str());
  for (const std::string& line : lines) std::printf("  %s\n", line.c_str());
  std::fflush(stdout);
}

void TPlayerSession::RereadTools() {
  for (const std::int32_t gone : FTools.Update(FHome.ReadableToolNames()))
    FClients.Notify(StatusNotification(stDeleteMenu, gone));
}

void TPlayerSession::NotifyMenuShown(std::int32_t menuId) {
  FClients.Notify(StatusNotification(stDisplayMenu, menuId));
}

// The tool list does not say which client added an item: every attached
// client hears it picked, and tells its own by the identifier.
void TPlayerSession::NotifyMenuPicked(std::int32_t itemId) {
  FClients.Notify({ClassMenu, LParamOf(itemId)});
}

bool TPlayerSession::OpenMenu(std::int32_t menuId) {
  if (!FMenuOpener) return false;
  FMenuOpener(menuId);
  return true;
}

}  // namespace kivo
