#include "player/remote/RemoteCommand.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <thread>

#include "hostlink/Kivo.h"
#include "platform/bus/Bus.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/Messages.h"
#include "player/NumberOptions.h"
#include "player/notify/Notifications.h"
#include "player/remote/JsonText.h"
#include "plugin/BandPatterns.h"

namespace kivo {

namespace {

struct TAction {
  const char* Name;
  const char* Help;
  // Takes the value (required), or an optional track number.
  // CodeAndValue: a code in the range and any 32-bit value after it.
  enum class TArgument { None, Value, OptionalTrack, CodeAndValue } Argument;
  // The argument's name and what it is, for the help and refusals.
  const char* ArgumentName = nullptr;
  const char* Expected = nullptr;
  // The values the player takes; the commands refuse others before
  // anything is sent, rather than leave them to the player to clamp or
  // ignore.
  std::int32_t Least = 0;
  std::int32_t Most = std::numeric_limits<std::int32_t>::max();
};

constexpr TAction kActions[] = {
    {"status", "Print the player's state as one JSON object", TAction::TArgument::None},
    {"play", "Start playing", TAction::TArgument::None},
    {"pause", "Pause, or go on when paused", TAction::TArgument::None},
    {"stop", "Stop playing", TAction::TArgument::None},
    {"next", "Go to the next track", TAction::TArgument::None},
    {"back", "Go to the previous track", TAction::TArgument::None},
    {"volume", "Set the volume, 0 to 100", TAction::TArgument::Value, "VOLUME", "a volume", 0, 100},
    {"display-mode", "Set the display mode, 0 to 4", TAction::TArgument::Value, "MODE",
     "a display mode", 0, 4},
    {"seek", "Jump to a position in the track, 0 or more milliseconds", TAction::TArgument::Value,
     "MS", "a position in milliseconds"},
    {"track-info",
     "Print a track's information as JSON: track 1 or later (default: the current one)",
     TAction::TArgument::OptionalTrack, "TRACK", "a positive track number", 1},
    {"lyrics", "Print the lyrics lines as JSON, one line each", TAction::TArgument::None},
    {"quit", "Close the player", TAction::TArgument::None},
    {"events", "Print each notification of the player as one JSON line until interrupted",
     TAction::TArgument::None},
    {"notify-user",
     "Have the player send every attached client a user notification: CODE 0 to 65535, then "
     "any 32-bit VALUE (the running player only; none is started for it)",
     TAction::TArgument::CodeAndValue, "CODE", "a user code", 0, 65535},
};

CLI::Validator RangeOf(const TAction& action) {
  if (action.Most == std::numeric_limits<std::int32_t>::max())
    return Int32From(action.Least, action.Expected);
  return WholeNumber(action.Least, action.Most, action.Expected);
}

const char* PlayStatusName(int status) {
  switch (status) {
    case 525:
      return "stopped";
    case 526:
      return "playing";
    case 529:
      return "paused";
    default:
      return "not-ready";
  }
}

std::string TrackInfoJson(int index, const TTrackInfo& info) {
  std::ostringstream out;
  out << "{\"track\":" << index << ",\"title\":" << JsonString(info.Text1)
      << ",\"artist\":" << JsonString(info.Text2) << ",\"path\":" << JsonString(info.Path)
      << ",\"album\":" << JsonString(info.Text4) << ",\"comment\":" << JsonString(info.Text5)
      << ",\"length\":" << info.Number1 << ",\"kind\":" << info.Kind << "}";
  return out.str();
}

// The band pattern is the player's setting that the plug-in reads from the
// player's settings file, as the plug-in does, with the plug-in's default.
// The file is the one beside the program the running player is reached
// through, which may lie in another home than the registry here names.
int BandPattern(TKIVO& kivo) {
  std::string program = ProgramPathOfWindow(kivo.GetKIVOHandle());
  if (program.empty()) program = kivo.HostPath;
  TIniFile settings(ChangeFileExt(program, ".ini"));
  return settings.ReadInteger("KIVO", "SpeanaPattern", kDefaultBandPattern);
}

void PrintStatus(TKIVO& kivo) {
  const int track = kivo.GetTrack();
  const int status = kivo.GetPlayStatus();
  std::printf(
      "{\"status\":\"%s\",\"play_status\":%d,\"track\":%d,\"title\":%s,\"position\":%d,"
      "\"length\":%d,\"volume\":%d,\"display_mode\":%d,\"band_pattern\":%d}\n",
      PlayStatusName(status), status, track, JsonString(kivo.GetTrackInfo(track).Text1).c_str(),
      kivo.GetPosition(), kivo.GetLength(), kivo.GetVolume(),
      static_cast<int>(kivo.GetDisplayMode()), BandPattern(kivo));
}

void PrintLyrics(TKIVO& kivo) {
  for (int line = 0;; ++line) {
    const TLyrics* lyrics = kivo.GetLyricsText(line);
    if (lyrics == nullptr) break;
    std::printf("{\"line\":%d,\"time\":%d,\"text\":%s}\n", line, lyrics->Number,
                JsonString(lyrics->Text).c_str());
  }
}

// The names of the notification classes, for the events' JSON lines.
const char* ClassName(DWORD wParam) {
  static const std::map<DWORD, const char*> names = {
      {0x1, "open"},          {0x2, "close"},         {0x4, "run"},           {0x8, "abort"},
      {0x10, "play-status"},  {0x20, "timer"},        {0x40, "counter"},      {0x80, "position"},
      {0x100, "volume"},      {0x200, "lyrics"},      {0x400, "move"},        {0x800, "menu"},
      {0x10000000, "speana"}, {0x20000000, "button"}, {0x40000000, "status"}, {0x80000000, "user"}};
  const DWORD notificationClass = wParam < 0x10000 ? wParam : (wParam & 0xFFFF0000);
  const auto found = names.find(notificationClass);
  return found == names.end() ? "unknown" : found->second;
}

// The status codes by name, as the status class's sub-code.
const char* StatusName(DWORD code) {
  static const std::map<DWORD, const char*> names = {
      {1, "visible"},         {2, "active"},          {3, "minimize"},
      {4, "stay-on-top"},     {5, "repeat"},          {6, "random"},
      {7, "display-time"},    {8, "display-track"},   {9, "display-title"},
      {10, "display-device"}, {11, "display-timer"},  {12, "display-caption"},
      {13, "change-volume"},  {14, "open-track"},     {15, "close-track"},
      {16, "load-lyrics"},    {17, "save-settings"},  {18, "design"},
      {21, "change-playlist"}, {22, "display-menu"},  {25, "click"},
      {26, "double-click"},   {27, "menu-deleted"},   {28, "change-display-mode"},
      {30, "moved"},          {31, "adjust-level"}};
  const auto found = names.find(code);
  return found == names.end() ? nullptr : found->second;
}

const char* ButtonName(DWORD code) {
  for (const TTransportButtonName& button : kTransportButtons)
    if (button.Button == code) return button.Name;
  return nullptr;
}

// The sub-code's name for the status and button classes; nullptr for the
// others and for codes without one.
const char* SubCodeName(DWORD wParam) {
  const DWORD notificationClass = NotificationClass(wParam);
  if (notificationClass == ClassStatus) return StatusName(wParam & 0xFFFF);
  if (notificationClass == ClassButton) return ButtonName(wParam & 0xFFFF);
  return nullptr;
}

// What clients send the player (their announce, a tool change) comes by
// broadcast to this client's window too; it is no notification.
bool FromAClient(DWORD wParam) { return wParam == AnnounceMessage || wParam == ToolChangeMessage; }

// Prints the notifications until SIGINT or SIGTERM, or until the player
// closes. The signals are blocked in every thread and taken by one that
// wakes the main thread's loop.
class TEventPrinter {
 public:
  explicit TEventPrinter(TKIVO& kivo) : FKivo(kivo) {
    kivo.OnKIVO = TKIVOEvent(this, &TEventPrinter::Print);
  }

  // 0, or 1 when the player's process ended without closing or the
  // session bus went away.
  int Run(const sigset_t& signals) {
    FKivo.SetEvents(
        TKIVOEventSet{evVolume, evSpeana, evLyrics, evCounter, evPosition, evTimer, evMove});
    const HWND wake = FKivo.WindowHandle;
    std::thread watcher([&] {
      int signal = 0;
      sigwait(&signals, &signal);
      FSignalled = true;
      FStop = true;
      PostMessageA(wake, WM_NULL, 0, 0);
    });
    // The handler outlives this printer: it only wakes the window, which
    // fails harmlessly once the window is gone.
    if (kivo_bus::TBus* bus = kivo_bus::TBus::Get())
      bus->OnLost([wake] { PostMessageA(wake, WM_NULL, 0, 0); });
    MSG message;
    while (!FStop && !kivo_bus::SessionBusLost() && GetMessageA(&message, nullptr, 0, 0))
      DispatchMessageA(&message);
    const bool busLost = !FStop && kivo_bus::SessionBusLost();
    // Ended by the player's close: the watcher still waits for its signal.
    if (!FSignalled) pthread_kill(watcher.native_handle(), SIGTERM);
    watcher.join();
    if (busLost) {
      std::fprintf(stderr, "kivo: the session bus has gone, so the player can no longer be heard\n");
      return 1;
    }
    if (FPlayerVanished) {
      std::fprintf(stderr, "kivo: the player's process ended without closing\n");
      return 1;
    }
    if (FAborted) {
      std::fprintf(stderr,
                   "kivo: the player stopped sending notifications here: this program was not "
                   "taking them\n");
      return 1;
    }
    return 0;
  }

 private:
  void Print(TObject*, DWORD Event, int Param) {
    if (FromAClient(Event)) return;
    const char* subName = SubCodeName(Event);
    std::printf("{\"event\":\"%s\",%s%s%s\"wparam\":%u,\"lparam\":%d}\n", ClassName(Event),
                subName != nullptr ? "\"name\":\"" : "", subName != nullptr ? subName : "",
                subName != nullptr ? "\"," : "", Event, Param);
    std::fflush(stdout);
    const std::string name = ClassName(Event);
    if (name != "close" && name != "abort") return;
    // The value of the close its process left with ours: it was killed.
    FPlayerVanished = name == "close" && Param == kClosedByExit;
    FAborted = name == "abort";
    FStop = true;
  }

  TKIVO& FKivo;
  std::atomic<bool> FStop{false};
  std::atomic<bool> FSignalled{false};
  bool FPlayerVanished = false;
  bool FAborted = false;
};

int Act(TKIVO& kivo, const TRemoteCommandLine& line, const sigset_t& signals) {
  const std::string& action = line.Action;
  if (action == "status") {
    PrintStatus(kivo);
  } else if (action == "play") {
    kivo.Play();
  } else if (action == "pause") {
    kivo.Pause();
  } else if (action == "stop") {
    kivo.Stop();
  } else if (action == "next") {
    kivo.Next();
  } else if (action == "back") {
    kivo.Back();
  } else if (action == "volume") {
    kivo.SetVolume(line.Value);
  } else if (action == "display-mode") {
    kivo.SetDisplayMode(static_cast<TKIVODisplayMode>(line.Value));
  } else if (action == "seek") {
    kivo.Seek(line.Value, 0);
  } else if (action == "track-info") {
    const int track = line.Track.value_or(kivo.GetTrack());
    if (track < 1 || track > kivo.GetTracks()) {
      std::fprintf(stderr, "kivo: the playlist has no track %d\n", track);
      return 1;
    }
    std::printf("%s\n", TrackInfoJson(track, kivo.GetTrackInfo(track)).c_str());
  } else if (action == "lyrics") {
    PrintLyrics(kivo);
  } else if (action == "quit") {
    kivo.Close();
  } else if (action == "events") {
    return TEventPrinter(kivo).Run(signals);
  } else if (action == "notify-user") {
    // No window: the player relays it to every attached client.
    kivo.NotifyEvent(nullptr, ClassUser | static_cast<DWORD>(line.Code), line.Value);
  }
  return 0;
}

}  // namespace

CLI::App* AddRemoteCommand(CLI::App& app, TRemoteCommandLine& commandLine) {
  CLI::App* remote = app.add_subcommand(
      "remote",
      "Drive a running player from here (starting one when none runs), over the session bus.");
  remote->require_subcommand(1);
  for (const TAction& action : kActions) {
    CLI::App* sub = remote->add_subcommand(action.Name, action.Help);
    sub->callback([&commandLine, name = std::string(action.Name)] { commandLine.Action = name; });
    if (action.Argument == TAction::TArgument::Value)
      sub->add_option(action.ArgumentName, commandLine.Value, "The value")
          ->required()
          ->check(RangeOf(action));
    if (action.Argument == TAction::TArgument::CodeAndValue) {
      sub->add_option(action.ArgumentName, commandLine.Code, "The user code")
          ->required()
          ->check(RangeOf(action));
      sub->add_option("VALUE", commandLine.Value, "The value, any 32-bit number")
          ->required()
          ->check(Int32From(std::numeric_limits<std::int32_t>::min(), "a 32-bit number"));
    }
    if (action.Argument == TAction::TArgument::OptionalTrack)
      sub->add_option(action.ArgumentName, commandLine.Track, "Track number")
          ->check(RangeOf(action));
  }
  return remote;
}

int RunRemoteCommand(const TRemoteCommandLine& commandLine) {
  // Blocked before the bus starts its thread, so that only the events'
  // watcher takes them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  if (commandLine.Action == "events") pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  if (!kivo_bus::SessionBusReachable()) {
    std::fprintf(stderr, "kivo: no session bus is reachable, so no player can be reached\n");
    return 1;
  }
  TKIVO kivo(nullptr);
  // A player started only to hear it would have no client to tell.
  if (commandLine.Action == "notify-user" && kivo.GetKIVOHandle() == nullptr) {
    std::fprintf(stderr, "kivo: no player is running, so there is nobody to notify\n");
    return 1;
  }
  kivo.Bind();
  if (!kivo.IsBound()) {
    // A player whose window is listed but that did not answer is stopped
    // or hung; no second one was started beside it.
    std::fprintf(stderr, kivo.GetKIVOHandle() != nullptr
                             ? "kivo: a player is running but does not answer (is it stopped?)\n"
                             : "kivo: no player is running and none could be started\n");
    return 1;
  }
  const int status = Act(kivo, commandLine, signals);
  std::fflush(stdout);
  return status;
}

}  // namespace kivo
