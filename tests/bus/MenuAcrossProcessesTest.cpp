// The player's menu picked by a person, heard by a TKIVO in this process,
// which the player, in a process of its own, knows only over the private
// bus: `m`, the arrows, Enter and Escape in the terminal (tmux), a right
// click, the keys and the mouse in the desktop window (Xvfb, xdotool).
// Each tool is added as a client adds it (SetTool), so its item is 0x5001.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "hostlink/Kivo.h"
#include "platform/vcl/IniFiles.h"
#include "platform/win/Messages.h"
#include "tests/bus/ChildProcess.h"
#include "tests/bus/PlayerStage.h"
#include "tests/player/TmuxTestSupport.h"
// GCC 12 takes the display name's concatenation there, inlined here, for
// an overlapping copy (a known false -Wrestrict).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#include "tests/player/window/XvfbServer.h"
#pragma GCC diagnostic pop

namespace {

using bus_test::PumpUntil;
using bus_test::TChildProcess;
using bus_test::THostLinkStage;
using kivo_test::kUpperHalf;

constexpr int kToolsMenu = 0x5000;
constexpr int kFirstTool = 0x5001;

class TMenuLog {
 public:
  void Menu(TObject* sender) {
    Picked.push_back(sender != nullptr ? static_cast<TKIVOMenu*>(sender)->MenuId : 0);
  }
  void Shown(TObject* sender) { Displayed.push_back(static_cast<TKIVOMenu*>(sender)->MenuId); }
  std::vector<int> Picked;
  std::vector<int> Displayed;
};

bool PlayerOnTheBus() { return FindWindowA("TFormKIVO", nullptr) != nullptr; }

class MenuAcrossProcessesTest : public ::testing::Test {
 protected:
  MenuAcrossProcessesTest() { CoInitialize(nullptr); }
  ~MenuAcrossProcessesTest() override { CoUninitialize(); }

  // A TKIVO here, bound to the running player, listening to its menu.
  void Bind(TKIVO& kivo) {
    kivo.OnMenu = TNotifyEvent(&FLog, &TMenuLog::Menu);
    kivo.OnDisplayMenu = TNotifyEvent(&FLog, &TMenuLog::Shown);
    kivo.Bind();
    ASSERT_TRUE(kivo.IsBound());
  }

  void Keys(const kivo_test::Tmux& tmux, const std::vector<std::string>& keys) const {
    for (const std::string& key : keys) {
      tmux.Run("send-keys -t view " + key);
      // One key a read, as a person types them.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }

  THostLinkStage FStage;
  TMenuLog FLog;
};

bool MenuShown(const std::string& pane) { return pane.find("Stay on top") != std::string::npos; }
bool PanelsShownAlone(const std::string& pane) {
  return !MenuShown(pane) && pane.find(kUpperHalf) != std::string::npos;
}

// A client killed while the menu is open is dropped when its post fails;
// the player and the other client go on, and the pick still arrives.
TEST_F(MenuAcrossProcessesTest, AClientKilledWhileTheMenuIsOpenDisturbsNothingInTheTerminal) {
  kivo_test::Tmux tmux;
  ASSERT_TRUE(bus_test::PlayLiveInTmux(tmux, FStage, "--no-sound"));
  TChildProcess doomed({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
  ASSERT_TRUE(doomed.ReadLine()) << "attached";
  TKIVO kivo(nullptr);
  Bind(kivo);
  kivo.SetTool("Sing along", "karaoke");

  Keys(tmux, {"m"});
  ASSERT_TRUE(tmux.WaitFor(MenuShown)) << tmux.Pane();
  ::kill(doomed.Pid(), SIGKILL);
  // Up from the first entry goes round to Quit, then to Tools.
  Keys(tmux, {"Up", "Up", "Right"});
  ASSERT_TRUE(tmux.WaitForText("Sing along")) << tmux.Pane();
  EXPECT_TRUE(PumpUntil([&] { return !FLog.Displayed.empty(); }));
  EXPECT_EQ(FLog.Displayed, std::vector<int>{kToolsMenu});
  Keys(tmux, {"Enter"});
  EXPECT_TRUE(PumpUntil([&] { return !FLog.Picked.empty(); }));
  EXPECT_EQ(FLog.Picked, std::vector<int>{kFirstTool});
  EXPECT_TRUE(tmux.WaitFor(PanelsShownAlone)) << "the pick closed the menu\n" << tmux.Pane();

  // Keys go to the menu while it is open: q there does not quit.
  Keys(tmux, {"m", "q"});
  EXPECT_TRUE(tmux.WaitFor(MenuShown));
  Keys(tmux, {"Escape"});
  EXPECT_TRUE(tmux.WaitFor(PanelsShownAlone)) << tmux.Pane();
  EXPECT_TRUE(PlayerOnTheBus());
  EXPECT_TRUE(kivo.IsBound());
  EXPECT_EQ(FLog.Picked, std::vector<int>{kFirstTool});

  Keys(tmux, {"q"});
  EXPECT_TRUE(PumpUntil([] { return !PlayerOnTheBus(); }));
}

// A tool in the settings file that no attached client put there: picking
// it tells nobody, and the player plays on. A mouse click picks too.
TEST_F(MenuAcrossProcessesTest, AnItemPickedWithNoClientAttachedDoesNothingHarmful) {
  kivo_test::Tmux tmux;
  ASSERT_TRUE(bus_test::PlayLiveInTmux(tmux, FStage, "--no-sound"));
  TIniFile(FStage.Home() / "kivo.ini").WriteString("Tool", "Lonely", "1");
  Keys(tmux, {"m", "Up", "Up", "Right"});
  ASSERT_TRUE(tmux.WaitForText("Lonely")) << tmux.Pane();
  Keys(tmux, {"Enter"});
  EXPECT_TRUE(tmux.WaitFor(PanelsShownAlone)) << tmux.Pane();
  // A right click opens the menu where it was; a click on Quit picks it.
  tmux.Run("send-keys -t view -l " + kivo_test::Quoted("\x1b[<2;3;2M"));
  ASSERT_TRUE(tmux.WaitFor(MenuShown)) << tmux.Pane();
  const std::string quitRow = kivo_test::LineOf(tmux.Pane(), 1 + 8);
  EXPECT_NE(quitRow.find("Quit"), std::string::npos) << tmux.Pane();
  tmux.Run("send-keys -t view -l " + kivo_test::Quoted("\x1b[<0;6;10M"));
  EXPECT_TRUE(PumpUntil([] { return !PlayerOnTheBus(); }));
}

class MenuInAWindowTest : public MenuAcrossProcessesTest {
 protected:
  void SetUp() override {
    FServer = std::make_unique<kivo_test::XvfbServer>();
    FClient = std::make_unique<kivo_test::XClient>(FServer->Display());
  }

  std::unique_ptr<TChildProcess> Play() const {
    ::setenv("DISPLAY", FServer->Display().c_str(), 1);
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    return std::make_unique<TChildProcess>(
        std::vector<std::string>{KIVO_PROGRAM, "play", "--view", "window", "--freeze", "100",
                                 "--hop", "2048", "--scale", "2"},
        FStage.Errors().string());
  }
  void Xdotool(const std::string& arguments) const {
    const kivo_test::CommandResult run = kivo_test::RunShell(
        "DISPLAY=" + kivo_test::Quoted(FServer->Display()) + " xdotool " + arguments);
    EXPECT_EQ(run.Status, 0) << run.Output;
  }
  void Key(Window window, const std::string& key) const {
    Xdotool("windowfocus --sync " + std::to_string(window) + " key " + key);
  }
  // Without --sync, which waits for a move and so for its time-out when
  // the pointer is there already; the server takes the move and the click
  // in order all the same.
  void Pointer(Window window, int x, int y, const std::string& then = "") const {
    Xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
            std::to_string(y) + " " + then);
  }
  // Polls the screen until `ready` holds for what the window shows.
  bool WaitForScreen(Window window,
                     const std::function<bool(const kivo_test::Pixels&)>& ready) const {
    return PumpUntil([&] { return ready(FClient->ReadBack(window)); });
  }

  std::unique_ptr<kivo_test::XvfbServer> FServer;
  std::unique_ptr<kivo_test::XClient> FClient;
};

constexpr std::uint32_t kMenuFace = 0xD4D0C8;
constexpr std::uint32_t kMenuChosen = 0x0A246A;

// At the window's scale 2 in a window this tall the menu's cells are 12 x
// 26 pixels; a right click at (40, 30) puts the menu's first line in cell
// row 1 from column 3 (pixels 36 to 275 wide: "Display mode" and its
// frame, 20 cells), its Tools line in row 8 and the tools submenu beside
// it from column 23.
constexpr int kMenuX = 66;
constexpr int LineY(int line) { return (1 + line) * 26 + 13; }
constexpr int kToolsSubmenuX = 23 * 12 + 30;

TEST_F(MenuInAWindowTest, ARightClickOpensTheMenuKeysAndTheMouseChooseAndThePictureComesBack) {
  auto player = Play();
  const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
  ASSERT_TRUE(window);
  ASSERT_TRUE(PumpUntil(PlayerOnTheBus));
  TKIVO kivo(nullptr);
  Bind(kivo);
  kivo.SetTool("Sing along", "karaoke");
  Xdotool("windowsize --sync " + std::to_string(*window) + " 700 400");
  // The frozen picture, settled in the larger window.
  kivo_test::Pixels picture;
  ASSERT_TRUE(WaitForScreen(*window, [&](const kivo_test::Pixels& screen) {
    const bool settled = screen.Width == 700 && screen.Rgb == picture.Rgb;
    picture = screen;
    return settled;
  }));

  // The keys: a right click opens it at the pointer, Up Up Right opens the
  // tools, Enter picks the client's item.
  Pointer(*window, 40, 30, "click 3");
  ASSERT_TRUE(WaitForScreen(*window, [](const kivo_test::Pixels& screen) {
    return screen.At(kMenuX, LineY(0)) == kMenuChosen && screen.At(kMenuX, LineY(1)) == kMenuFace;
  })) << "the first line chosen";
  Key(*window, "Up");
  Key(*window, "Up");
  Key(*window, "Right");
  EXPECT_TRUE(PumpUntil([&] { return !FLog.Displayed.empty(); }));
  EXPECT_EQ(FLog.Displayed, std::vector<int>{kToolsMenu});
  EXPECT_TRUE(WaitForScreen(*window, [](const kivo_test::Pixels& screen) {
    return screen.At(kToolsSubmenuX, LineY(7)) == kMenuChosen;
  })) << "the tools submenu beside its line";
  Key(*window, "Return");
  EXPECT_TRUE(PumpUntil([&] { return !FLog.Picked.empty(); }));
  EXPECT_EQ(FLog.Picked, std::vector<int>{kFirstTool});
  EXPECT_TRUE(WaitForScreen(*window, [&](const kivo_test::Pixels& screen) {
    return screen.Rgb == picture.Rgb;
  })) << "the picture exactly as it was where the menu lay";

  // The mouse: hovering Tools opens it, a click picks the item.
  Pointer(*window, 40, 30, "click 3");
  ASSERT_TRUE(WaitForScreen(*window, [](const kivo_test::Pixels& screen) {
    return screen.At(kMenuX, LineY(0)) == kMenuChosen;
  }));
  Pointer(*window, kMenuX, LineY(7));
  EXPECT_TRUE(WaitForScreen(*window, [](const kivo_test::Pixels& screen) {
    return screen.At(kMenuX, LineY(7)) == kMenuChosen &&
           screen.At(kToolsSubmenuX, LineY(7)) == kMenuChosen;
  }));
  Pointer(*window, kToolsSubmenuX, LineY(7), "click 1");
  EXPECT_TRUE(PumpUntil([&] { return FLog.Picked.size() == 2; }));
  EXPECT_EQ(FLog.Picked, (std::vector<int>{kFirstTool, kFirstTool}));
  EXPECT_EQ(FLog.Displayed, (std::vector<int>{kToolsMenu, kToolsMenu}));

  // Escape, and a click beside the menu, close it and leave the picture.
  for (const bool byKey : {true, false}) {
    Pointer(*window, 40, 30, "click 3");
    ASSERT_TRUE(WaitForScreen(*window, [](const kivo_test::Pixels& screen) {
      return screen.At(kMenuX, LineY(0)) == kMenuChosen;
    }));
    if (byKey)
      Key(*window, "Escape");
    else
      Pointer(*window, 650, 380, "click 1");
    EXPECT_TRUE(WaitForScreen(*window, [&](const kivo_test::Pixels& screen) {
      return screen.Rgb == picture.Rgb;
    })) << (byKey ? "Escape" : "a click beside it");
  }
  EXPECT_EQ(FLog.Picked.size(), 2u);
  Key(*window, "q");
  EXPECT_EQ(player->Wait(), 0);
}

}  // namespace
