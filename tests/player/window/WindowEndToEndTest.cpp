// `kivo play` in a desktop window on an X server of the test's own: the
// window's pixels read back from the screen against `kivo render`'s
// picture of the same block, clicks and keys sent as a person's, skins
// switched, the window closed as a window manager closes it.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "player/window/StatusStrip.h"
#include "player/window/WindowScale.h"
#include "tests/player/TmuxTestSupport.h"
#include "tests/player/window/XvfbServer.h"

namespace {

namespace fs = std::filesystem;
using namespace kivo_test;

// The block every picture is frozen at: mid-way through the demo, where
// the bars stand at different heights and peaks are held above some.
constexpr int kBlock = 100;
const std::string kFreeze = "--freeze " + std::to_string(kBlock) + " --hop 2048";

std::string SkinDesign(const std::string& skin) {
  return std::string(KOLMIRA_SKINS_DIR) + "/" + skin + "/design.ini";
}

Pixels ReadPng(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Pixels pixels;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    ADD_FAILURE() << "cannot read " << path;
    return pixels;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(image));
  png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr);
  pixels.Width = static_cast<int>(image.width);
  pixels.Height = static_cast<int>(image.height);
  for (std::size_t i = 0; i + 2 < bytes.size(); i += 3)
    pixels.Rgb.push_back(std::uint32_t{bytes[i]} << 16 | std::uint32_t{bytes[i + 1]} << 8 |
                         bytes[i + 2]);
  return pixels;
}

// How many pixels of the picture's area differ from `picture` drawn where
// the placement puts it, each of its pixels a square of the placement's
// scale; -1 when its area does not lie inside the screen.
long MismatchesAt(const Pixels& screen, const Pixels& picture, const kivo::PicturePlacement& at) {
  const int scale = at.Scale;
  if (at.Left < 0 || at.Top < 0 || at.Left + picture.Width * scale > screen.Width ||
      at.Top + picture.Height * scale > std::min(screen.Height, at.StripTop))
    return -1;
  long differ = 0;
  for (int y = 0; y < picture.Height * scale; ++y)
    for (int x = 0; x < picture.Width * scale; ++x)
      if (screen.At(at.Left + x, at.Top + y) != picture.At(x / scale, y / scale)) ++differ;
  return differ;
}

// Where a window of the screen's size places the picture.
kivo::PicturePlacement PlacementIn(const Pixels& screen, const Pixels& picture) {
  return kivo::PlacePicture({picture.Width, picture.Height}, {screen.Width, screen.Height},
                            kivo::kStatusStripRows);
}

// How many pixels of the picture's area differ from `picture` drawn at
// `scale` in a window of the picture's size and the strip's at that
// scale; -1 when the window has another size.
long Mismatches(const Pixels& screen, const Pixels& picture, int scale) {
  if (screen.Width != picture.Width * scale ||
      screen.Height != (picture.Height + kivo::kStatusStripRows) * scale)
    return -1;
  return MismatchesAt(screen, picture, PlacementIn(screen, picture));
}

// How many pixels of the screen's strip differ from what the strip draws
// for the title at the placement, in memory.
long StripMismatches(const Pixels& screen, const std::string& title,
                     const kivo::PicturePlacement& placement) {
  std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> drawn(
      SDL_CreateRGBSurfaceWithFormat(0, screen.Width, screen.Height, 32, SDL_PIXELFORMAT_RGB888),
      &SDL_FreeSurface);
  if (!drawn) return -1;
  std::optional<kivo::TTransportButton> held;
  if (title.find("  paused") != std::string::npos) held = kivo::tbPlayPause;
  if (title.find("  stopped") != std::string::npos) held = kivo::tbStop;
  kivo::TStatusStrip strip;
  strip.Show(title, held);
  strip.Draw(*drawn, placement);
  long differ = 0;
  for (int y = placement.StripTop; y < screen.Height; ++y)
    for (int x = 0; x < screen.Width; ++x) {
      const auto* row = static_cast<const std::uint32_t*>(drawn->pixels) + y * drawn->pitch / 4;
      if ((row[x] & 0xFFFFFF) != screen.At(x, y)) ++differ;
    }
  return differ;
}

// `kivo play` as a child process, its output in a file; killed when the
// test ends before it does.
class PlayerProcess {
 public:
  PlayerProcess(const std::string& arguments, const std::vector<std::string>& environment,
                const fs::path& log) {
    FPid = ::fork();
    if (FPid == 0) {
      // Gone with the test, even when the test is killed.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      for (const std::string& setting : environment) ::putenv(::strdup(setting.c_str()));
      const std::string command =
          "exec " + Quoted(KIVO_PROGRAM) + " play " + arguments + " >" + Quoted(log) + " 2>&1";
      ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~PlayerProcess() {
    if (FPid <= 0 || FStatus) return;
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
  }
  PlayerProcess(const PlayerProcess&) = delete;
  PlayerProcess& operator=(const PlayerProcess&) = delete;

  pid_t Pid() const { return FPid; }

  // The exit status once it ended; nothing when it is still running.
  std::optional<int> WaitForExit() { return WaitForExitWithin(kXPatience); }
  std::optional<int> WaitForExitWithin(std::chrono::milliseconds patience) {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    do {
      int status = 0;
      if (::waitpid(FPid, &status, WNOHANG) == FPid) {
        FKilled = WIFSIGNALED(status);
        FStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else if (std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(20ms);
      }
    } while (!FStatus && std::chrono::steady_clock::now() < giveUp);
    return FStatus;
  }
  // Once it ended: killed by a signal rather than exiting with 128 + it.
  bool Killed() const { return FKilled; }

 private:
  pid_t FPid = -1;
  std::optional<int> FStatus;
  bool FKilled = false;
};

class WindowEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("kivo-window-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir);
    FServer = std::make_unique<XvfbServer>();
    FClient = std::make_unique<XClient>(FServer->Display());
  }
  void TearDown() override {
    FClient.reset();
    FServer.reset();
    fs::remove_all(FDir);
  }

  fs::path Home() const { return FDir / "home"; }
  // Each program has its own runtime folder, where the plug-in's
  // single-instance lock lies, so that the player and a render beside it
  // do not meet.
  std::string Runtime(const std::string& name) const {
    const fs::path folder = FDir / ("runtime-" + name);
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_all);
    return folder.string();
  }

  // `kivo render`'s picture of the frozen block.
  Pixels Rendered(const std::string& design, int displayMode) const {
    const fs::path png = FDir / "rendered.png";
    const CommandResult run = RunShell(
        "XDG_RUNTIME_DIR=" + Quoted(Runtime("render")) + " " + Quoted(KIVO_PROGRAM) +
        " render --home " + Quoted((FDir / "render-home").string()) + " --design " +
        Quoted(design) + " --hop 2048 --block " + std::to_string(kBlock) + " --display-mode " +
        std::to_string(displayMode) + " --png " + Quoted(png.string()));
    EXPECT_EQ(run.Status, 0) << run.Output;
    return ReadPng(png);
  }

  // `environment` and, in a build with the sanitizers, the display
  // drivers preloaded so that what they keep to the end is known as theirs.
  static std::vector<std::string> PlayerEnvironment(std::vector<std::string> environment) {
#ifdef KIVO_PRELOAD
    const char* options = std::getenv("ASAN_OPTIONS");
    environment.push_back(std::string("ASAN_OPTIONS=") + (options != nullptr ? options : "") +
                          ":verify_asan_link_order=0");
    environment.push_back("LD_PRELOAD=" KIVO_PRELOAD);
#endif
    return environment;
  }

  std::unique_ptr<PlayerProcess> Play(const std::string& arguments) const {
    return std::make_unique<PlayerProcess>(
        "--view window --home " + Quoted(Home().string()) + " " + arguments,
        PlayerEnvironment({"DISPLAY=" + FServer->Display(), "SDL_VIDEODRIVER=x11",
                           "SDL_AUDIODRIVER=dummy", "XDG_RUNTIME_DIR=" + Runtime("play")}),
        FDir / "play.log");
  }

  std::string Log() const {
    std::ifstream file(FDir / "play.log");
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  // Polls the screen until the window shows `picture` at `scale`; the
  // mismatching pixels of the last look otherwise.
  long WaitForPicture(Window window, const Pixels& picture, int scale) const {
    long differ = -1;
    const auto giveUp = std::chrono::steady_clock::now() + kXPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      differ = Mismatches(FClient->ReadBack(window), picture, scale);
      if (differ == 0) break;
      std::this_thread::sleep_for(50ms);
    }
    return differ;
  }

  bool WaitForTitle(Window window, const std::function<bool(const std::string&)>& ready) const {
    const auto giveUp = std::chrono::steady_clock::now() + kXPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      if (ready(FClient->Title(window))) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }
  bool WaitForTitleWith(Window window, const std::string& text) const {
    return WaitForTitle(window, [&text](const std::string& title) {
      return title.find(text) != std::string::npos;
    });
  }

  // Input as a person gives it, through the server's test extension.
  void Xdotool(const std::string& arguments) const {
    const CommandResult run =
        RunShell("DISPLAY=" + Quoted(FServer->Display()) + " xdotool " + arguments);
    EXPECT_EQ(run.Status, 0) << run.Output;
  }
  void Type(Window window, const std::string& key) const {
    Xdotool("windowfocus --sync " + std::to_string(window) + " key " + key);
  }
  void Click(Window window, int x, int y) const {
    Xdotool("mousemove --sync --window " + std::to_string(window) + " " + std::to_string(x) + " " +
            std::to_string(y) + " click 1");
  }

  fs::path FDir;
  std::unique_ptr<XvfbServer> FServer;
  std::unique_ptr<XClient> FClient;
};

// The server killed or shut down takes the window with it: the player ends
// at once with the reason, not from inside Xlib.
TEST_F(WindowEndToEndTest, AnXServerThatGoesAwayEndsThePlayerWithTheReason) {
  auto player = Play("--hop 2048 --scale 2");
  const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
  ASSERT_TRUE(window) << Log();
  ASSERT_TRUE(WaitForTitleWith(*window, "Demo")) << FClient->Title(*window);
  const std::string display = FServer->Display();
  FClient.reset();
  FServer.reset();
  EXPECT_EQ(player->WaitForExit(), 1) << Log();
  EXPECT_FALSE(player->Killed());
  EXPECT_NE(Log().find("kivo: the window is gone: the X display '" + display +
                       "' does not answer any more"),
            std::string::npos)
      << Log();
}

// Told to end while the server goes away, the player may be closing its
// window when the connection breaks: it ends all the same, with the
// status of either.
TEST_F(WindowEndToEndTest, APlayerEndingAsItsXServerGoesAwayStillEnds) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    FClient.reset();
    FServer = std::make_unique<XvfbServer>();
    FClient = std::make_unique<XClient>(FServer->Display());
    auto player = Play("--hop 2048 --scale 4");
    const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
    ASSERT_TRUE(window) << Log();
    ASSERT_TRUE(WaitForTitleWith(*window, "Demo")) << FClient->Title(*window);
    FClient.reset();
    ::kill(player->Pid(), SIGTERM);
    FServer.reset();
    const std::optional<int> status = player->WaitForExit();
    ASSERT_TRUE(status) << "still running: " << Log();
    EXPECT_TRUE(*status == 128 + SIGTERM || *status == 1) << *status << Log();
    if (*status == 1) {
      EXPECT_NE(Log().find("kivo: the window is gone"), std::string::npos) << Log();
    }
    EXPECT_FALSE(player->Killed());
  }
}

// Only what a paint changed is sent to the display: after paints that each
// changed part of the picture, after a cover taken away and after resizes
// the window still shows the picture exactly.
TEST_F(WindowEndToEndTest, ChangedFramesCoversAndResizesLeaveThePictureExact) {
  const std::string bars = SkinDesign("bars");
  auto player = Play(kFreeze + " --scale 2 --display-mode 2");
  const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
  ASSERT_TRUE(window) << Log();
  const Pixels barsOnly = Rendered(bars, 2);
  ASSERT_EQ(WaitForPicture(*window, barsOnly, 2), 0);

  // Each key clears the panels and plays the frozen block again: paints
  // that change the bars' areas, and the peak markers' with mode 3.
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    Type(*window, "3");
    EXPECT_TRUE(WaitForTitleWith(*window, "mode 3")) << FClient->Title(*window);
    EXPECT_TRUE(WaitForTitle(*window, [&](const std::string&) {
      return Mismatches(FClient->ReadBack(*window), barsOnly, 2) > 0;
    })) << "the peak markers show";
    Type(*window, "2");
    EXPECT_TRUE(WaitForTitleWith(*window, "mode 2")) << FClient->Title(*window);
    EXPECT_EQ(WaitForPicture(*window, barsOnly, 2), 0);
  }

  // The frozen picture paints nothing new: only the view can draw again
  // what the cover hid.
  const Window cover = FClient->Cover(*window);
  EXPECT_TRUE(WaitForTitle(*window, [&](const std::string&) {
    return FClient->ReadBack(*window, true).At(0, 0) == 0xFFFFFF;
  })) << "covered";
  FClient->Uncover(cover);
  EXPECT_EQ(WaitForPicture(*window, barsOnly, 2), 0) << "drawn again when uncovered";
  EXPECT_EQ(Mismatches(FClient->ReadBack(*window, true), barsOnly, 2), 0) << "on the screen";

  // Smaller than the picture and its strip at scale 2: scale 1, centred on
  // black above the strip (139 rows: 19 above the picture, 20 below it).
  Xdotool("windowsize --sync " + std::to_string(*window) + " 500 150");
  EXPECT_TRUE(WaitForTitle(*window, [&](const std::string&) {
    const Pixels screen = FClient->ReadBack(*window);
    if (screen.Width != 500 || screen.Height != 150) return false;
    const kivo::PicturePlacement placement = PlacementIn(screen, barsOnly);
    return placement.Left == 90 && placement.Top == 19 && placement.StripTop == 139 &&
           MismatchesAt(screen, barsOnly, placement) == 0 && screen.At(0, 0) == 0 &&
           screen.At(499, 138) == 0 && screen.At(89, 18) == 0 && screen.At(410, 119) == 0;
  })) << "the picture at scale 1 in the middle";
  Xdotool("windowsize --sync " + std::to_string(*window) + " 640 222");
  EXPECT_EQ(WaitForPicture(*window, barsOnly, 2), 0) << "back at scale 2";

  Type(*window, "q");
  EXPECT_EQ(player->WaitForExit(), 0) << Log();
}

// A new skin's picture is drawn whole at its own size; the paints after it
// change it area by area as before.
TEST_F(WindowEndToEndTest, AfterASkinSwitchChangedFramesStillAddUpToThePicture) {
  auto player = Play(kFreeze + " --scale 2 --display-mode 2 --design " +
                     Quoted(SkinDesign("bars")));
  const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
  ASSERT_TRUE(window) << Log();
  ASSERT_EQ(WaitForPicture(*window, Rendered(SkinDesign("bars"), 2), 2), 0);
  Type(*window, "s");
  const Pixels frames = Rendered(SkinDesign("frames"), 2);
  ASSERT_EQ(WaitForPicture(*window, frames, 2), 0) << "the frames skin, whole";
  Type(*window, "3");
  EXPECT_TRUE(WaitForTitle(*window, [&](const std::string&) {
    return Mismatches(FClient->ReadBack(*window), frames, 2) > 0;
  })) << "the peak markers show";
  Type(*window, "2");
  EXPECT_EQ(WaitForPicture(*window, frames, 2), 0);
  FClient->AskToClose(*window);
  EXPECT_EQ(player->WaitForExit(), 0) << Log();
}

TEST_F(WindowEndToEndTest, EachDefaultSkinShowsTheRenderedPicturePixelForPixelAndClosingEndsIt) {
  // Without --scale the largest that takes at most three quarters of the
  // 1280 x 1024 screen: 3 for the 320-wide bars, 2 for the others.
  const std::vector<std::tuple<std::string, std::string, int>> runs = {
      {"bars", "", 3}, {"frames", "--scale 2", 2}, {"picture", "--scale 2", 2}};
  for (const auto& [skin, scaleOption, scale] : runs) {
    SCOPED_TRACE(skin);
    const Pixels rendered = Rendered(SkinDesign(skin), 3);
    auto player = Play(kFreeze + " --display-mode 3 --design " + Quoted(SkinDesign(skin)) + " " +
                       scaleOption);
    const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
    ASSERT_TRUE(window) << Log();
    EXPECT_EQ(WaitForPicture(*window, rendered, scale), 0);
    EXPECT_TRUE(WaitForTitleWith(*window, "Demo  0:04 / 0:16  vol 100%  mode 3  pattern 2"))
        << FClient->Title(*window);

    FClient->AskToClose(*window);
    EXPECT_EQ(player->WaitForExit(), 0) << Log();
  }
}

TEST_F(WindowEndToEndTest, AClickCyclesThePeakModeAndAKeySetsTheDisplayMode) {
  const std::string bars = SkinDesign("bars");
  auto player = Play(kFreeze + " --scale 2 --display-mode 3");
  const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
  ASSERT_TRUE(window) << Log();
  const Pixels held = Rendered(bars, 3);
  ASSERT_EQ(WaitForPicture(*window, held, 2), 0);

  // On the left panel: peak mode 2 (held) moves to 3 (falling) and the
  // player to display mode 4. The click clears the panels, the frozen block
  // is played once more: the peaks start again from its bars, so the
  // markers held above them are gone, and markers are still shown.
  Click(*window, 80 * 2, 50 * 2);
  EXPECT_TRUE(WaitForTitleWith(*window, "mode 4")) << FClient->Title(*window);
  const Pixels barsOnly = Rendered(bars, 2);
  EXPECT_TRUE(WaitForTitle(*window, [&](const std::string&) {
    const Pixels screen = FClient->ReadBack(*window);
    return Mismatches(screen, held, 2) > 0 && Mismatches(screen, barsOnly, 2) > 0;
  })) << "the peak markers changed";

  // A larger window keeps the scale and centres the picture on black above
  // the strip.
  Xdotool("windowsize --sync " + std::to_string(*window) + " 700 260");
  EXPECT_TRUE(WaitForTitle(*window, [&](const std::string&) {
    const Pixels screen = FClient->ReadBack(*window);
    return screen.Width == 700 && screen.At(0, 0) == 0 && screen.At(699, 237) == 0;
  })) << "the picture is centred on black";

  // Display mode 2 shows the bars alone, as rendered, 30 pixels in from
  // the left and right of the larger window, 19 from its top and the strip.
  Type(*window, "2");
  EXPECT_TRUE(WaitForTitleWith(*window, "mode 2")) << FClient->Title(*window);
  EXPECT_TRUE(WaitForTitle(*window, [&](const std::string&) {
    const Pixels screen = FClient->ReadBack(*window);
    const kivo::PicturePlacement placement = PlacementIn(screen, barsOnly);
    return placement.Scale == 2 && placement.Left == 30 && placement.Top == 19 &&
           placement.StripTop == 238 && MismatchesAt(screen, barsOnly, placement) == 0;
  }));

  Type(*window, "q");
  EXPECT_EQ(player->WaitForExit(), 0) << Log();
}

TEST_F(WindowEndToEndTest, SSwitchesTheSkinAndABrokenOneIsReportedAndPassedOver) {
  // Between bars and frames in name order; its graphics file is missing.
  fs::create_directories(Home() / "skins" / "broken");
  std::ofstream(Home() / "skins" / "broken" / "design.ini")
      << "[SpeanaL]\nVisible=1\nWidth=50\nHeight=40\nGraphics=missing.bmp\n";
  const std::string bars = SkinDesign("bars");
  auto player = Play(kFreeze + " --scale 2 --display-mode 2 --design " + Quoted(bars));
  const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
  ASSERT_TRUE(window) << Log();
  const Pixels barsPicture = Rendered(bars, 2);
  ASSERT_EQ(WaitForPicture(*window, barsPicture, 2), 0);

  Type(*window, "s");
  EXPECT_TRUE(WaitForTitleWith(*window, "skin broken not loaded")) << FClient->Title(*window);
  EXPECT_EQ(WaitForPicture(*window, barsPicture, 2), 0) << "the bars came back";

  Type(*window, "s");
  const std::string frames = SkinDesign("frames");
  EXPECT_EQ(WaitForPicture(*window, Rendered(frames, 2), 2), 0) << "a window of the frames' size";
  EXPECT_TRUE(WaitForTitle(*window, [](const std::string& title) {
    return title.find("not loaded") == std::string::npos;
  })) << FClient->Title(*window);
  std::ifstream settings(Home() / "kivo.ini");
  const std::string text(std::istreambuf_iterator<char>(settings), {});
  EXPECT_NE(text.find("Design=" + fs::path(frames).lexically_normal().string()), std::string::npos)
      << text;

  FClient->AskToClose(*window);
  EXPECT_EQ(player->WaitForExit(), 0) << Log();
}

// A skin larger than the 1280 x 1024 screen at scale 1 gets a window no
// larger than the screen, says so in the title, and the next skin gets a
// comfortable scale of its own again.
TEST_F(WindowEndToEndTest, ASkinLargerThanTheScreenIsCutToItAndTheNextOneFitsAgain) {
  fs::create_directories(Home() / "skins" / "aa-huge");
  const std::string huge = (Home() / "skins" / "aa-huge" / "design.ini").string();
  std::ofstream(huge) << "[SpeanaL]\nVisible=1\nWidth=4000\nHeight=3000\nBackColor=255\n";
  auto player = Play(kFreeze + " --display-mode 2 --design " + Quoted(huge));
  const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
  ASSERT_TRUE(window) << Log();
  EXPECT_TRUE(WaitForTitleWith(*window, "larger than the screen")) << FClient->Title(*window);
  const auto [width, height] = FClient->Size(*window);
  EXPECT_LE(width, 1280);
  EXPECT_LE(height, 1024);

  Type(*window, "s");
  EXPECT_TRUE(WaitForTitle(*window, [](const std::string& title) {
    return title.find("larger than the screen") == std::string::npos;
  })) << FClient->Title(*window);
  // The bars skin's 320 x 100 at the comfortable scale 3, not the huge one's 1.
  EXPECT_EQ(WaitForPicture(*window, Rendered(SkinDesign("bars"), 2), 3), 0);
  FClient->AskToClose(*window);
  EXPECT_EQ(player->WaitForExit(), 0) << Log();
}

// The strip below the picture shows the buttons and the title's text as
// the strip draws them at the window's scale, and in a narrower window at
// scale 1 as much of it as fits in whole cells.
TEST_F(WindowEndToEndTest, TheStripShowsTheButtonsAndTheTitlePixelForPixel) {
  auto player = Play(kFreeze + " --scale 2 --display-mode 2");
  const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
  ASSERT_TRUE(window) << Log();
  const Pixels bars = Rendered(SkinDesign("bars"), 2);
  ASSERT_EQ(WaitForPicture(*window, bars, 2), 0);
  for (const auto& [width, height] : {std::pair{640, 222}, std::pair{400, 130}}) {
    SCOPED_TRACE(width);
    Xdotool("windowsize --sync " + std::to_string(*window) + " " + std::to_string(width) + " " +
            std::to_string(height));
    long differ = -1;
    EXPECT_TRUE(WaitForTitle(*window, [&](const std::string& title) {
      const Pixels screen = FClient->ReadBack(*window);
      if (screen.Width != width || screen.Height != height) return false;
      differ = StripMismatches(screen, title, PlacementIn(screen, bars));
      return differ == 0 && title.find("Demo  0:04") != std::string::npos;
    })) << differ << " pixels differ; " << FClient->Title(*window);
  }
  Type(*window, "q");
  EXPECT_EQ(player->WaitForExit(), 0) << Log();
}

// SDL, which would take SIGTERM as a quit of its own, leaves it to the
// player: it ends as on closing the window, telling the signal.
TEST_F(WindowEndToEndTest, SigtermEndsThePlayerAsClosingTheWindowDoesWithItsStatus) {
  auto player = Play(kFreeze + " --scale 1");
  const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
  ASSERT_TRUE(window) << Log();
  ::kill(player->Pid(), SIGTERM);
  EXPECT_EQ(player->WaitForExit(), 128 + SIGTERM) << Log();
  EXPECT_FALSE(player->Killed());
}

// Clock ticks the process has spent on a processor.
long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  const std::string line{std::istreambuf_iterator<char>(stat), {}};
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  for (int i = 3; i < 14; ++i) fields >> field;
  long user = 0;
  long system = 0;
  fields >> user >> system;
  return user + system;
}

// A driver with no X connection of the view's own to look at (Wayland's;
// here the offscreen one, asked for by name): at two frames a second the
// player waits between them instead of spinning through its wait, and a
// stop signal still ends it.
TEST_F(WindowEndToEndTest, WithoutAnXConnectionTheWindowViewWaitsBetweenFrames) {
  PlayerProcess player("--view window --no-sound --fps 2 --home " + Quoted(Home().string()),
                       {"SDL_VIDEODRIVER=offscreen", "SDL_FRAMEBUFFER_ACCELERATION=0",
                        "SDL_AUDIODRIVER=dummy", "XDG_RUNTIME_DIR=" + Runtime("offscreen")},
                       FDir / "play.log");
  // Started (which takes seconds with the sanitizers), it comes to take a
  // little of a processor; spinning, it took all it was given (a third of
  // one on a busy machine) for as long as it ran.
  const long aFifth = ::sysconf(_SC_CLK_TCK) / 5;
  long ticks = -1;
  const auto giveUp = std::chrono::steady_clock::now() + kXPatience;
  while ((ticks < 0 || ticks >= aFifth) && std::chrono::steady_clock::now() < giveUp) {
    ASSERT_FALSE(player.WaitForExitWithin(0ms)) << Log();
    const long before = CpuTicks(player.Pid());
    std::this_thread::sleep_for(1s);
    ticks = CpuTicks(player.Pid()) - before;
  }
  EXPECT_LT(ticks, aFifth) << "the wait spins: " << ticks << " ticks in the last second";
  ::kill(player.Pid(), SIGTERM);
  EXPECT_EQ(player.WaitForExit(), 128 + SIGTERM) << Log();
}

TEST_F(WindowEndToEndTest, WithoutADisplayAWindowCannotBeAskedFor) {
  const CommandResult run =
      RunShell("env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 XDG_RUNTIME_DIR=" +
               Quoted(Runtime("none")) + " " + Quoted(KIVO_PROGRAM) + " play --view window " +
               "--no-sound --home " + Quoted(Home().string()) + " </dev/null");
  EXPECT_NE(run.Status, 0);
  EXPECT_NE(run.Output.find("cannot open a window"), std::string::npos) << run.Output;
}

// A display nobody serves: an X display number without a server, or a
// Wayland socket without a compositor. SDL would fall back on its
// offscreen driver, and a window nobody sees would "open".
std::string DisplayThatDoesNotAnswer() {
  for (int display = 900;; ++display)
    if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(display)))
      return "DISPLAY=:" + std::to_string(display);
}
std::vector<std::string> DisplaysThatDoNotAnswer() {
  return {"-u WAYLAND_DISPLAY " + DisplayThatDoesNotAnswer(),
          "-u DISPLAY WAYLAND_DISPLAY=kivo-no-compositor-" + std::to_string(::getpid())};
}

TEST_F(WindowEndToEndTest, WithADisplayThatDoesNotAnswerAWindowAskedForIsAClearError) {
  std::vector<std::pair<std::string, std::string>> runs = {
      {"-u DISPLAY -u WAYLAND_DISPLAY", "cannot open a window: no display is set"}};
  runs.emplace_back(DisplaysThatDoNotAnswer()[0], "' does not answer");
  runs.emplace_back(DisplaysThatDoNotAnswer()[1], "no Wayland compositor answers on 'kivo-no-");
  for (const auto& [environment, reason] : runs) {
    SCOPED_TRACE(environment);
    const CommandResult run = RunShell(
        "env -u SDL_VIDEODRIVER " + environment + " XDG_RUNTIME_DIR=" + Quoted(Runtime("none")) +
        " " + Quoted(KIVO_PROGRAM) + " play --view window " + "--no-sound --home " +
        Quoted(Home().string()) + " </dev/null");
    EXPECT_TRUE(WIFEXITED(run.Status) && WEXITSTATUS(run.Status) == 1) << run.Output;
    EXPECT_NE(run.Output.find("kivo: cannot open a window: "), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find(reason), std::string::npos) << run.Output;
  }
}

TEST_F(WindowEndToEndTest, WithADisplayThatDoesNotAnswerTheTerminalViewShowsAndQQuits) {
  for (const std::string& environment : DisplaysThatDoNotAnswer()) {
    SCOPED_TRACE(environment);
    Tmux tmux;
    const std::string program = "env -u SDL_VIDEODRIVER " + environment + " " +
                                Quoted(KIVO_PROGRAM) + " play --no-sound --home " +
                                Quoted(Home().string()) + "; echo \"EXIT-STATUS=$?\"; sleep 600";
    if (tmux.Run("new-session -d -s view -x 240 -y 40 -e XDG_RUNTIME_DIR=" +
                 Quoted(Runtime("tmux")) + " " + Quoted(program))
            .Status != 0)
      GTEST_SKIP() << "tmux cannot start";
    ASSERT_TRUE(tmux.WaitForText("Demo")) << tmux.Pane();
    EXPECT_NE(tmux.Pane().find(kUpperHalf), std::string::npos) << "the panels in the terminal";
    tmux.Run("send-keys -t view q");
    ASSERT_TRUE(tmux.WaitForText("EXIT-STATUS=")) << tmux.Pane();
    const std::string after = tmux.Pane();
    EXPECT_NE(after.find("EXIT-STATUS=0"), std::string::npos) << after;
    EXPECT_NE(after.find("; showing the window in the terminal"), std::string::npos) << after;
  }
}

// `xdotool windowclose` destroys the window itself, as a crashed window
// manager or a killed session may: every later request for it fails.
TEST_F(WindowEndToEndTest, AWindowDestroyedFromOutsideEndsThePlayerAsAClose) {
  for (const std::string& how : {kFreeze, std::string("--hop 2048")}) {
    SCOPED_TRACE(how);
    auto player = Play(how + " --scale 1");
    const std::optional<Window> window = FClient->WaitForWindowOf(player->Pid());
    ASSERT_TRUE(window) << Log();
    ASSERT_TRUE(WaitForTitleWith(*window, "Demo")) << FClient->Title(*window);
    Xdotool("windowclose " + std::to_string(*window));
    EXPECT_EQ(player->WaitForExit(), 0) << Log();
    EXPECT_FALSE(player->Killed());
    EXPECT_EQ(Log().find("X Error"), std::string::npos) << Log();
    std::ifstream settings(Home() / "kivo.ini");
    const std::string text(std::istreambuf_iterator<char>(settings), {});
    EXPECT_NE(text.find("Design="), std::string::npos) << "settings kept: " << text;
  }
}

}  // namespace
