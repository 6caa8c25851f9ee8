// What the player's views tell its clients, heard by TKIVO here and by
// `kivo remote events` in another process, on a private bus: in a desktop
// window (its own Xvfb; xdotool and xprop as a person and a window manager
// act) focus, minimising, a double click, `t` and the strip's transport
// buttons; in the terminal (tmux) the status line's items, `t`, clicks on
// the transport buttons and double clicks. Each
// case starts with a client that stopped reading, which holds nothing up.
#include <gtest/gtest.h>
#include <signal.h>

#include <mutex>
#include <optional>
#include <thread>
#include <string>
#include <vector>

#include "hostlink/Kivo.h"
#include "platform/com/ComRuntime.h"
#include "tests/bus/PlayerStage.h"
#include "tests/player/TmuxTestSupport.h"
#include "tests/player/window/XvfbServer.h"

namespace {

using bus_test::PumpUntil;
using bus_test::TChildProcess;
using kivo_test::Quoted;
using kivo_test::RunShell;
using kivo_test::XClient;
using kivo_test::XvfbServer;
using namespace Kivo_tlb;

// Every view notification as "name value", in the order TKIVO raised them.
class TViewEvents {
 public:
  explicit TViewEvents(TKIVO& kivo) {
    kivo.OnActive = TKIVOFlagEvent(this, &TViewEvents::Active);
    kivo.OnMinimize = TKIVOFlagEvent(this, &TViewEvents::Minimize);
    kivo.OnStayOnTop = TKIVOFlagEvent(this, &TViewEvents::StayOnTop);
    kivo.OnDblClick = TKIVOParamEvent(this, &TViewEvents::DblClick);
    kivo.OnDisplayTrack = TKIVOParamEvent(this, &TViewEvents::Track);
    kivo.OnDisplayTitle = TKIVOParamEvent(this, &TViewEvents::Title);
    kivo.OnDisplayDevice = TKIVODeviceEvent(this, &TViewEvents::Device);
    kivo.OnDisplayTimer = TKIVOParamEvent(this, &TViewEvents::Timer);
    kivo.OnDisplayCaption = TNotifyEvent(this, &TViewEvents::Caption);
    kivo.OnButton = TKIVOEvent(this, &TViewEvents::Button);
  }

  // Waits until `event` was heard; false when it never is.
  bool Heard(const std::string& event) {
    return PumpUntil([&] {
      for (const std::string& each : Events)
        if (each == event) return true;
      return false;
    });
  }

  std::vector<std::string> Events;

 private:
  void Add(const std::string& name, long value) {
    Events.push_back(name + " " + std::to_string(value));
  }
  void Active(TObject*, bool Flag) { Add("active", Flag); }
  void Minimize(TObject*, bool Flag) { Add("minimize", Flag); }
  void StayOnTop(TObject*, bool Flag) { Add("stay-on-top", Flag); }
  void DblClick(TObject*, int Param) { Add("double-click", Param); }
  void Track(TObject*, int Param) { Add("track", Param); }
  void Title(TObject*, int Param) { Add("title", Param); }
  void Device(TObject*, TKIVODeviceType Device) { Add("device", Device); }
  void Timer(TObject*, int Param) { Add("timer", Param); }
  void Caption(TObject*) { Add("caption", 0); }
  void Button(TObject*, DWORD Event, int) { Add("button", static_cast<long>(Event)); }
};

// `kivo remote events` read on a thread of its own as it prints, so that it
// never stops taking its notifications.
class TEventsClient {
 public:
  explicit TEventsClient(const std::string& errors)
      : FClient({KIVO_PROGRAM, "remote", "events"}, errors) {
    FFirst = FClient.ReadLine().has_value();
    FReader = std::thread([this] {
      while (const auto line = FClient.ReadLine()) {
        std::lock_guard lock(FLock);
        FLines += *line + "\n";
      }
    });
  }
  ~TEventsClient() {
    ::kill(FClient.Pid(), SIGTERM);
    FReader.join();
  }
  bool Started() const { return FFirst; }
  // Waits until a line holds `text`; all lines so far.
  std::string LinesUpTo(const std::string& text) {
    PumpUntil([&] {
      std::lock_guard lock(FLock);
      return FLines.find(text) != std::string::npos;
    });
    std::lock_guard lock(FLock);
    return FLines;
  }

 private:
  TChildProcess FClient;
  bool FFirst = false;
  std::mutex FLock;
  std::string FLines;
  std::thread FReader;
};

class ViewStatesTest : public ::testing::Test {
 protected:
  ViewStatesTest() { CoInitialize(nullptr); }
  ~ViewStatesTest() override { CoUninitialize(); }

  // A `kivo remote events` client that stops reading at once.
  std::unique_ptr<TChildProcess> StoppedClient() {
    auto client = std::make_unique<TChildProcess>(
        std::vector<std::string>{KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
    EXPECT_TRUE(client->ReadLine().has_value());
    ::kill(client->Pid(), SIGSTOP);
    return client;
  }

  // Continues the stopped client, which then reads on or hears that it was
  // dropped; it ends either way.
  static void Continue(TChildProcess& client) {
    ::kill(client.Pid(), SIGCONT);
    ::kill(client.Pid(), SIGTERM);
    client.Wait();
  }

  // A tone of two minutes to play.
  std::filesystem::path Tone() const {
    const std::filesystem::path tone = FStage.Home().parent_path() / "tone.wav";
    kivo_test::RunShell("sox -n -r 44100 -c 2 -b 16 " + Quoted(tone.string()) +
                        " synth 120 sine 440");
    return tone;
  }

  // Who listens while a case acts on the player, attached in this order: a
  // client stopped with SIGSTOP, which must delay nothing, a `kivo remote
  // events` client, and a TKIVO bound here.
  struct TListeners {
    explicit TListeners(ViewStatesTest& test)
        : Stopped(test.StoppedClient()), Names(test.FStage.Errors().string()), Kivo(nullptr),
          Events(Kivo) {
      Kivo.Bind();
    }
    bool Attached() { return Names.Started() && Kivo.IsBound(); }

    std::unique_ptr<TChildProcess> Stopped;
    TEventsClient Names;
    TKIVO Kivo;
    TViewEvents Events;
  };

  bus_test::THostLinkStage FStage;
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(ViewStatesTest, TheWindowTellsFocusMinimisingADoubleClickAndStayOnTop) {
  std::optional<XvfbServer> server;
  try {
    server.emplace();
  } catch (const std::exception& error) {
    GTEST_SKIP() << "no Xvfb: " << error.what();
  }
  const std::string display = server->Display();
  XClient x(display);
  ::setenv("DISPLAY", display.c_str(), 1);
  ::setenv("SDL_VIDEODRIVER", "x11", 1);
  TChildProcess player({KIVO_PROGRAM, "play", "--view", "window", "--freeze", "100", "--hop",
                        "2048", "--scale", "2", "--display-mode", "3"},
                       FStage.Errors().string());
  const std::optional<Window> window = x.WaitForWindowOf(player.Pid());
  ASSERT_TRUE(window) << bus_test::ReadFile(FStage.Errors());
  ASSERT_TRUE(PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) != nullptr; }));
  TListeners listeners(*this);
  ASSERT_TRUE(listeners.Attached());
  auto& [stopped, names, kivo, events] = listeners;
  const std::string id = std::to_string(*window);
  const auto run = [&display](const std::string& command) {
    const kivo_test::CommandResult result = RunShell("DISPLAY=" + Quoted(display) + " " + command);
    EXPECT_EQ(result.Status, 0) << command << ": " << result.Output;
  };

  // The pointer may have given the window the focus as it opened.
  const Window other = x.Cover(*window);
  run("xdotool windowfocus --sync " + std::to_string(other));
  EXPECT_TRUE(events.Heard("active 0"));
  run("xdotool windowfocus --sync " + id);
  EXPECT_TRUE(events.Heard("active 1"));
  run("xdotool windowfocus --sync " + std::to_string(other));
  EXPECT_TRUE(PumpUntil([&] { return events.Events.back() == "active 0"; }));
  x.Uncover(other);

  // What a window manager does when it minimises and restores a window.
  run("xprop -id " + id + " -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_HIDDEN");
  EXPECT_TRUE(events.Heard("minimize 1"));
  run("xprop -id " + id + " -remove _NET_WM_STATE");
  EXPECT_TRUE(events.Heard("minimize 0"));

  // Window pixel 80, 50 (the left panel) at scale 2.
  run("xdotool mousemove --sync --window " + id + " 161 101 click --repeat 2 --delay 80 1");
  EXPECT_TRUE(events.Heard("double-click " + std::to_string(80 | (50 << 16))))
      << ::testing::PrintToString(events.Events);

  run("xdotool windowfocus --sync " + id + " key t");
  EXPECT_TRUE(events.Heard("stay-on-top 1"));
  EXPECT_TRUE(PumpUntil([&] { return Contains(x.Title(*window), "on top"); }));
  run("xdotool windowfocus --sync " + id + " key t");
  EXPECT_TRUE(events.Heard("stay-on-top 0"));

  int doubleClicks = 0;
  for (const std::string& event : events.Events) doubleClicks += event.starts_with("double-click");
  EXPECT_EQ(doubleClicks, 1);

  Continue(*stopped);
  const std::string heard =
      names.LinesUpTo("\"name\":\"stay-on-top\",\"wparam\":1073741828,\"lparam\":0");
  for (const char* name : {"active", "minimize", "double-click", "stay-on-top"})
    EXPECT_TRUE(Contains(heard, std::string("\"event\":\"status\",\"name\":\"") + name + "\""))
        << name << "\n" << heard;
  kivo.Close();
  EXPECT_EQ(player.Wait(), 0);
}

// The strip below the window's picture at scale 2 (bars: 640 x 200, the
// strip from row 200, 22 rows): each cell 12 pixels wide from x = 4, a
// button's box from 2 pixels before its first cell, rows 202 to 219.
constexpr int StripCellX(int column) { return 4 + column * 12 + 6; }
constexpr int kStripButtonY = 211;
constexpr std::uint32_t kHeldFace = 0x0A246A;

TEST_F(ViewStatesTest, TheWindowsStripButtonsDoWhatTheTerminalsDoAndTellTheClients) {
  std::optional<XvfbServer> server;
  try {
    server.emplace();
  } catch (const std::exception& error) {
    GTEST_SKIP() << "no Xvfb: " << error.what();
  }
  const std::filesystem::path tone = Tone();
  const std::string display = server->Display();
  XClient x(display);
  ::setenv("DISPLAY", display.c_str(), 1);
  ::setenv("SDL_VIDEODRIVER", "x11", 1);
  TChildProcess player({KIVO_PROGRAM, "play", "--view", "window", "--no-sound", "--scale", "2",
                        tone.string()},
                       FStage.Errors().string());
  const std::optional<Window> window = x.WaitForWindowOf(player.Pid());
  ASSERT_TRUE(window) << bus_test::ReadFile(FStage.Errors());
  ASSERT_TRUE(PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) != nullptr; }));
  ASSERT_TRUE(PumpUntil([&] { return Contains(x.Title(*window), "tone"); })) << x.Title(*window);
  TListeners listeners(*this);
  ASSERT_TRUE(listeners.Attached());
  auto& [stopped, names, kivo, events] = listeners;
  const std::string id = std::to_string(*window);
  const auto click = [&](int px, int py) {
    const kivo_test::CommandResult result =
        RunShell("DISPLAY=" + Quoted(display) + " xdotool mousemove --sync --window " + id + " " +
                 std::to_string(px) + " " + std::to_string(py) + " click 1");
    EXPECT_EQ(result.Status, 0) << result.Output;
  };
  const auto titleHas = [&](const std::string& text) {
    return PumpUntil([&] { return Contains(x.Title(*window), text); });
  };

  // On the strip but on no button: the gap between two buttons, the
  // status text, the row above the boxes. Nothing happens, nothing is sent.
  click(StripCellX(4), kStripButtonY);
  click(StripCellX(30), kStripButtonY);
  click(StripCellX(7), 201);
  // A key after them: once its notification is heard, they were handled.
  RunShell("DISPLAY=" + Quoted(display) + " xdotool windowfocus --sync " + id + " key t");
  EXPECT_TRUE(events.Heard("stay-on-top 1"));
  EXPECT_EQ(kivo.GetPlayStatus(), 526) << "still playing";

  click(StripCellX(7), kStripButtonY);  // play/pause
  EXPECT_TRUE(events.Heard("button 2"));
  EXPECT_TRUE(titleHas("  paused"));
  EXPECT_TRUE(PumpUntil([&] {
    return x.ReadBack(*window).At(StripCellX(7) - 6, 203) == kHeldFace;
  })) << "play/pause held down";
  click(StripCellX(12), kStripButtonY);  // stop, while paused
  EXPECT_TRUE(events.Heard("button 3"));
  EXPECT_TRUE(PumpUntil([&] { return kivo.GetPlayStatus() == 525; }));
  EXPECT_TRUE(titleHas("  stopped"));
  EXPECT_TRUE(PumpUntil([&] {
    const kivo_test::Pixels screen = x.ReadBack(*window);
    return screen.At(StripCellX(12) - 6, 203) == kHeldFace &&
           screen.At(StripCellX(7) - 6, 203) != kHeldFace;
  })) << "stop held down";
  click(StripCellX(7), kStripButtonY);  // play again, from the stop
  EXPECT_TRUE(PumpUntil([&] { return kivo.GetPlayStatus() == 526; }));
  EXPECT_TRUE(PumpUntil([&] { return !Contains(x.Title(*window), "stopped"); }));
  click(StripCellX(1), kStripButtonY);  // previous
  EXPECT_TRUE(events.Heard("button 1"));
  click(StripCellX(17), kStripButtonY);  // next
  EXPECT_TRUE(events.Heard("button 4"));
  int buttons = 0;
  for (const std::string& event : events.Events) buttons += event.starts_with("button");
  EXPECT_EQ(buttons, 5) << ::testing::PrintToString(events.Events);
  for (const std::string& event : events.Events)
    EXPECT_FALSE(event.starts_with("double-click")) << "the strip is no panel";

  Continue(*stopped);
  const std::string heard = names.LinesUpTo("\"name\":\"next\"");
  for (const char* name : {"play-pause", "stop", "previous", "next"})
    EXPECT_TRUE(Contains(heard, std::string("\"event\":\"button\",\"name\":\"") + name + "\""))
        << name << "\n" << heard;
  kivo.Close();
  EXPECT_EQ(player.Wait(), 0);
}

// The terminal's status line: its first item switched by `d`, the buttons
// at its start clicked (SGR mouse reports, as tmux passes a click on).
class TPlayInTmux {
 public:
  explicit TPlayInTmux(const std::string& tone, int columns = 200, int rows = 30) : FRows(rows) {
    const std::string program = Quoted(KIVO_PROGRAM) + " play --view terminal --no-sound " +
                                Quoted(tone) + "; echo \"EXIT-STATUS=$?\"; sleep 600";
    const auto setting = [](const char* name) {
      const char* value = std::getenv(name);
      return std::string(" -e ") + name + "=" + Quoted(value != nullptr ? value : "");
    };
    FStarted = FTmux
                   .Run("new-session -d -s view -x " + std::to_string(columns) + " -y " +
                        std::to_string(rows) + setting("DBUS_SESSION_BUS_ADDRESS") +
                        setting("XDG_RUNTIME_DIR") + setting("KIVO_HOME") +
                        setting("KIVO_REGISTRY_DIR") + " " + Quoted(program))
                   .Status == 0;
  }
  bool Started() const { return FStarted; }
  const kivo_test::Tmux& Tmux() const { return FTmux; }
  std::string StatusLine() const {
    return kivo_test::LineOf(FTmux.Run("capture-pane -p -t view").Output, FRows - 1);
  }
  bool StatusShows(const std::string& text) const {
    return FTmux.WaitFor([&](const std::string&) { return Contains(StatusLine(), text); });
  }
  void Keys(const std::string& keys) const { FTmux.Run("send-keys -t view -l " + Quoted(keys)); }
  // Left clicks (press and release) on a cell, 0-based, all in one tmux
  // command, so that they arrive together.
  void Click(int column, int row, int times = 1) const {
    const std::string at = std::to_string(column + 1) + ";" + std::to_string(row + 1);
    std::string clicks;
    for (int i = 0; i < times; ++i) clicks += "\x1b[<0;" + at + "M\x1b[<0;" + at + "m";
    Keys(clicks);
  }
  // A left click on the status line (the last row) at a 0-based column.
  void ClickStatusLine(int column, int times = 1) const { Click(column, FRows - 1, times); }

 private:
  kivo_test::Tmux FTmux;
  bool FStarted = false;
  int FRows;
};

TEST_F(ViewStatesTest, TheTerminalTellsItsStatusItemsStayOnTopAndItsButtons) {
  const std::filesystem::path tone = Tone();
  TPlayInTmux play(tone.string());
  if (!play.Started()) GTEST_SKIP() << "tmux cannot start";
  ASSERT_TRUE(PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) != nullptr; }));
  ASSERT_TRUE(play.StatusShows("[|<] [>||] [[]] [>|]  tone")) << play.StatusLine();
  TListeners listeners(*this);
  ASSERT_TRUE(listeners.Attached());
  auto& [stopped, names, kivo, events] = listeners;

  // Title, then device (none: no sound device), timer, caption, track
  // number and the title again.
  struct TItemStep {
    const char* Heard;
    const char* Shown;
  };
  for (const TItemStep& step : {TItemStep{"device 0", "device: none"},
                                TItemStep{"timer -1", "timer: none"},
                                TItemStep{"caption 0", "[>|]  KIVO  "},
                                TItemStep{"track 1", "track 1/1"},
                                TItemStep{"title 1", "[>|]  tone"}}) {
    play.Keys("d");
    EXPECT_TRUE(events.Heard(step.Heard)) << step.Heard;
    EXPECT_TRUE(play.StatusShows(step.Shown)) << step.Shown;
  }

  play.Keys("t");
  EXPECT_TRUE(events.Heard("stay-on-top 1"));
  EXPECT_TRUE(play.StatusShows("on top"));

  // The buttons: "[|<] [>||] [[]] [>|]" from column 0.
  play.ClickStatusLine(7);  // play/pause
  EXPECT_TRUE(events.Heard("button 2"));
  EXPECT_TRUE(play.StatusShows("paused"));
  play.ClickStatusLine(4);  // the gap between two buttons: nothing
  play.ClickStatusLine(12);  // stop
  EXPECT_TRUE(events.Heard("button 3"));
  EXPECT_TRUE(PumpUntil([&] { return kivo.GetPlayStatus() == 525; }));
  play.ClickStatusLine(7);  // play again, from the stop
  EXPECT_TRUE(PumpUntil([&] { return kivo.GetPlayStatus() == 526; }));
  play.ClickStatusLine(0);   // previous
  EXPECT_TRUE(events.Heard("button 1"));
  play.ClickStatusLine(19);  // next
  EXPECT_TRUE(events.Heard("button 4"));
  int buttons = 0;
  for (const std::string& event : events.Events) buttons += event.starts_with("button");
  EXPECT_EQ(buttons, 5);

  Continue(*stopped);
  const std::string heard = names.LinesUpTo("\"name\":\"next\"");
  for (const char* name : {"display-device", "display-timer", "display-caption", "display-track",
                           "display-title", "stay-on-top"})
    EXPECT_TRUE(Contains(heard, std::string("\"name\":\"") + name + "\"")) << name << "\n" << heard;
  for (const char* name : {"play-pause", "stop", "previous", "next"})
    EXPECT_TRUE(Contains(heard, std::string("\"event\":\"button\",\"name\":\"") + name + "\""))
        << name << "\n" << heard;
  play.Keys("q");
  EXPECT_TRUE(play.Tmux().WaitForText("EXIT-STATUS=0"));
}

// Terminals report single presses; the view tells a double click on a
// panel itself. A 320 x 51 pane shows the bars skin unscaled: cell (80, 25)
// shows window pixel (80, 50), on the left panel.
TEST_F(ViewStatesTest, TheTerminalTellsADoubleClickOnAPanelAndNotOnTheStatusLine) {
  const std::filesystem::path tone = Tone();
  TPlayInTmux play(tone.string(), 320, 51);
  if (!play.Started()) GTEST_SKIP() << "tmux cannot start";
  ASSERT_TRUE(PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) != nullptr; }));
  ASSERT_TRUE(play.StatusShows("[|<] [>||] [[]] [>|]  tone")) << play.StatusLine();
  TListeners listeners(*this);
  ASSERT_TRUE(listeners.Attached());
  auto& [stopped, names, kivo, events] = listeners;
  const auto doubleClicks = [&events] {
    int count = 0;
    for (const std::string& event : events.Events) count += event.starts_with("double-click");
    return count;
  };

  // Twice on the status line's text, twice on the stop button: no panel
  // was clicked. The stop button still counts each press.
  play.ClickStatusLine(40, 2);
  play.ClickStatusLine(12, 2);
  EXPECT_TRUE(PumpUntil([&] {
    int stops = 0;
    for (const std::string& event : events.Events) stops += event == "button 3";
    return stops == 2;
  })) << ::testing::PrintToString(events.Events);
  EXPECT_EQ(doubleClicks(), 0);

  const std::string onThePanel = "double-click " + std::to_string(80 | (50 << 16));
  play.Click(80, 25, 2);
  EXPECT_TRUE(events.Heard(onThePanel)) << ::testing::PrintToString(events.Events);
  // Three presses: one double click, the third not chained onto it.
  play.Click(80, 25, 3);
  EXPECT_TRUE(PumpUntil([&] { return doubleClicks() == 2; }));
  play.Keys("t");
  EXPECT_TRUE(events.Heard("stay-on-top 1"));
  EXPECT_EQ(doubleClicks(), 2) << ::testing::PrintToString(events.Events);

  Continue(*stopped);
  const std::string heard = names.LinesUpTo("\"name\":\"stay-on-top\"");
  EXPECT_TRUE(Contains(heard, "\"event\":\"status\",\"name\":\"double-click\"")) << heard;
  play.Keys("q");
  EXPECT_TRUE(play.Tmux().WaitForText("EXIT-STATUS=0"));
}

}  // namespace
