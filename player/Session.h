// One run of the player: its home and settings, its main window, its
// automation server, the windows and host object it lends the plug-in, the
// plug-in itself, and the loop that plays the audio block by block.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/win/Messages.h"
#include "player/Home.h"
#include "player/PlayerState.h"
#include "player/Timers.h"
#include "player/automation/AutomationServer.h"
#include "player/host/HostPluginObject.h"
#include "player/host/PluginLibrary.h"
#include "player/host/VisualisationWindow.h"
#include "player/input/FrameSource.h"
#include "player/menu/ToolIds.h"
#include "player/notify/ClientList.h"
#include "plugin/SpectrumAnalysis.h"

namespace kivo {

class TTrackSkips;

struct TSessionOptions {
  // Files, M3U playlists and folders to play in order; "-" is raw stereo
  // on standard input; none plays the built-in demo.
  std::vector<std::string> Inputs;
  std::string Home;
  // Empty: the player's own kolmira.so, which must then be there.
  std::string PluginPath;
  // Empty: the settings file's design.
  std::string Design;
  std::optional<TWindowSize> Size;
  THostOptions Host;
  std::optional<std::int32_t> DisplayMode;
  std::optional<std::int32_t> RecLevel;
  std::optional<std::int32_t> Adjust;
  std::optional<std::int32_t> Volume;
  int Fps = 30;
  std::size_t Hop = 0;
  // The last block to play, counted from 0 over the whole run.
  std::optional<std::size_t> LastBlock;
  std::string Png;
  std::string FramesFolder;
  std::string Video;
  // Display modes set through the automation interface right after the
  // block of that number was played: (block, mode).
  std::vector<std::pair<std::size_t, std::int32_t>> DisplayModeChanges;
  // A render without the plug-in in its pictures ends without complaint.
  bool AllowBareWindow = false;
};

class TPlayerSession final : public TPlayerActions {
 public:
  // Prepares the home, reads the settings and registers the player; raises
  // std::runtime_error (or InputError) with a message for the user.
  TPlayerSession(TSessionOptions options, std::string defaultDesign);
  ~TPlayerSession();
  TPlayerSession(const TPlayerSession&) = delete;
  TPlayerSession& operator=(const TPlayerSession&) = delete;

  // Renders: starts the plug-in, feeds it every block as fast as possible,
  // writes the pictures asked for and stops it; returns the blocks played.
  std::size_t Run();

  // The steps of a run for a loop of its own (the live view): Begin starts
  // the plug-in (reporting on standard error when it cannot run) and the
  // playback; PlayBlock hands over the block that ends at `positionMs` of
  // the current track, with the notifications that go with it; End writes
  // the PNG asked for and stops the plug-in.
  void Begin();
  void PlayBlock(TSampleBlock block, std::int32_t positionMs);
  void End();
  // Starts or stops playback when the on- or off-timer's minute begins.
  void FollowTimers();
  // Makes the display-mode changes asked for after block `block`.
  void ApplyDisplayModeChanges(std::size_t block);
  // Moves to another skin while playing: the settings file names the new
  // design, the plug-in hears status 18 and, since it reads its design
  // only when it starts, is stopped and started again in a window of the
  // new design's size. When it cannot start with the new design, the
  // previous one comes back and the reason is returned.
  std::optional<std::string> ChangeDesign(const std::string& design);

  bool PluginRunning() const { return FPluginRunning; }
  // After Run: whether the plug-in was running when the last picture was
  // taken.
  bool PluginInPicture() const { return FPluginInPicture; }
  const TPlayerState& State() const { return FState; }
  TPlayerState& State() { return FState; }
  const TSessionOptions& Options() const { return FOptions; }
  const TKivoHome& Home() const { return FHome; }
  Kivo_tlb::IKIVOControl& Control() { return *FControl.Get(); }
  // The attached clients, for what the player's own views report.
  TClientList& Clients() { return FClients; }
  // The visualisation window: rendered for pictures, hit by clicks.
  TPanel& Window() { return FWindows->Window(); }
  // The window as painted; painted again only when it changed.
  const TFrame& WindowFrame() { return FWindows->Painted(); }
  // The same, with where it changed.
  TFrameUpdate WindowUpdate() { return FWindows->PaintedUpdate(); }
  std::size_t WindowPaints() const { return FWindows->Paints(); }

  // ---- TPlayerActions ----
  HWND MainWindow() const override { return FMainWindow; }
  void SaveSettings() override;
  void WriteFormImage(const std::string& path) override;
  std::vector<std::string> ToolNames() const override;
  void Show(const std::string& title, const std::vector<std::string>& lines) override;
  void UpdateSpectrum() override;
  void UpdateOutputLevels() override;

  // The clients' items of the player's menu. Reread takes the tool list
  // again (also on each tool change a client posts) and tells the clients
  // which items are gone (status 27).
  const TToolIds& Tools() const { return FTools; }
  void RereadTools();
  // A menu of the player's shown (status 22) or a client's item picked
  // (class 0x800), told to the attached clients.
  void NotifyMenuShown(std::int32_t menuId);
  void NotifyMenuPicked(std::int32_t itemId);
  // Who opens the player's menu in a view when a client asks for it (show
  // menu, show tool menu); none: the menus are printed as lists instead.
  void SetMenuOpener(std::function<void(std::int32_t menuId)> opener) {
    FMenuOpener = std::move(opener);
  }
  bool OpenMenu(std::int32_t menuId) override;

  // How many blocks the player analysed itself: only those whose spectrum
  // a client heard or read.
  std::size_t OwnAnalyses() const { return FOwnAnalyses; }

 private:
  class TComInit {
   public:
    TComInit();
    ~TComInit();
    TComInit(const TComInit&) = delete;
    TComInit& operator=(const TComInit&) = delete;
  };

  void ApplyOptions();
  void MakePlayList();
  void StartPlugin();
  // Runs the plug-in's start; the reason when it did not start.
  std::optional<std::string> RunPlugin();
  enum class TPluginStop { ForGood, ForRestart };
  void AbortPlugin(TPluginStop stop);
  void StopPlugin();
  void MakeWindows();
  std::optional<std::string> SwitchDesign(const std::string& design);
  void AnnounceOpen();
  void WndProc(TMessage& message);
  // Skips a track the render cannot play; false when the playlist ended.
  bool PassOver(TTrackSkips& skips, const std::string& reason);
  void KeepLatestBlock(const TSampleBlock& block);
  void NotifyPlayback(std::int32_t previousMs);

  TSessionOptions FOptions;
  TKivoHome FHome;
  TPlayerState FState;
  TComInit FComInit;
  TClientList FClients;
  HWND FMainWindow = nullptr;
  std::unique_ptr<TAutomationServer> FServer;
  TComPtr<Kivo_tlb::IKIVOControl> FControl;
  TComPtr<Kivo_tlb::IKIVOPlayList> FPlayList;
  // The library is unloaded only after the windows, which may still own
  // components the plug-in made.
  std::unique_ptr<TPluginLibrary> FLibrary;
  std::unique_ptr<TVisualisationWindow> FWindows;
  std::unique_ptr<THostPlugin> FHost;
  bool FPluginRunning = false;
  bool FPluginInPicture = false;
  // The player's own analysis runs only for a client that hears or reads
  // its spectrum, on the latest block, kept here until then.
  TSpectrumAnalysis FAnalysis;
  std::vector<Frame> FLatestFrames;
  TSampleBlock FLatestBlock{};
  bool FSpectrumCurrent = true;
  // The output levels likewise, at the volume the latest block was played at.
  std::int32_t FLatestVolume = 0;
  bool FOutputLevelsCurrent = true;
  std::size_t FOwnAnalyses = 0;
  TToolIds FTools;
  std::function<void(std::int32_t)> FMenuOpener;
  TLocalMinuteClock FClock;
  std::int32_t FTimerMinute;
};

}  // namespace kivo
