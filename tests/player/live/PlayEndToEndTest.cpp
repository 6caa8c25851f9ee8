// `kivo play` itself with the real plug-in: live in a real terminal (tmux,
// the pane captured with its colours) and, without a terminal, rendering.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "tests/player/TmuxTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace kivo_test;

// The bars skin's window is 320 x 100 pixels: in 320 columns and 50 rows it
// is shown unscaled, two pixels a cell, with the status line below.
constexpr int kColumns = 320;
constexpr int kRows = 51;
constexpr int kPictureRows = 50;
// Its segments are green (TColor 65280); as a foreground or background code.
const std::string kGreen = "2;0;255;0m";

class PlayEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("kivo-play-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string Home() const { return (FDir / "home").string(); }
  // Each run has its own runtime folder, where the plug-in's
  // single-instance lock lies, so that tests running at once do not meet.
  std::string Runtime() const {
    fs::create_directories(FDir / "runtime");
    return (FDir / "runtime").string();
  }

  // A steady stereo sine, so that the panels show the same levels frame
  // after frame.
  std::string MakeTone(double seconds, const std::string& name = "tone.wav") const {
    const std::string path = (FDir / name).string();
    const std::string command = std::string(SOX_PROGRAM) + " -n -r 44100 -c 2 -b 16 " +
                                Quoted(path) + " synth " + std::to_string(seconds) +
                                " sine 1000 vol 0.5 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path;
  }

  // Starts `kivo play ARGUMENTS` in the pane after `prefix` (a pipe into
  // its standard input, or settings of its environment); the shell stays
  // after it, so that the screen it leaves is seen.
  bool StartPlay(const Tmux& tmux, const std::string& arguments, const std::string& prefix = "",
                 int columns = kColumns, int rows = kRows) const {
    const std::string program = "printf 'NORMAL-SCREEN\\n'; " + prefix + Quoted(KIVO_PROGRAM) +
                                " play --view terminal --home " + Quoted(Home()) + " " + arguments +
                                "; echo \"EXIT-STATUS=$?\"; sleep 600";
    const CommandResult started = tmux.Run(
        "new-session -d -s view -x " + std::to_string(columns) + " -y " + std::to_string(rows) +
        " -e COLORTERM=truecolor -e XDG_RUNTIME_DIR=" + Quoted(Runtime()) + " " + Quoted(program));
    return started.Status == 0;
  }

  fs::path FDir;
};

// The picture rows of a captured pane, without the status line.
std::string Picture(const std::string& pane) {
  std::string picture;
  for (int row = 0; row < kPictureRows; ++row) picture += LineOf(pane, row) + "\n";
  return picture;
}

std::string StatusLineOf(const std::string& pane) { return LineOf(pane, kRows - 1); }

bool ShowsSegments(const std::string& pane) {
  return Picture(pane).find(kGreen) != std::string::npos;
}

// A frame's cells and its status line come in one write, which tmux may
// read in parts, the status line last: a pane with the segments alone can
// still be a frame half shown.
auto ShowsSegmentsAndStatus(std::string text) {
  return [text = std::move(text)](const std::string& pane) {
    return ShowsSegments(pane) && StatusLineOf(pane).find(text) != std::string::npos;
  };
}

// The picture once two captures in a row agree: the panels have settled.
std::string SettledPicture(const Tmux& tmux) {
  std::string last;
  std::string settled;
  tmux.WaitFor([&](const std::string& pane) {
    const std::string picture = Picture(pane);
    const bool same = picture == last && ShowsSegments(pane);
    if (same) settled = picture;
    last = picture;
    return same;
  });
  return settled;
}

TEST_F(PlayEndToEndTest, PanelsAppearKeysSetTheModeAndThePeaksAndQGivesTheScreenBack) {
  const std::string tone = MakeTone(60);
  Tmux tmux;
  if (!StartPlay(tmux, "--no-sound --display-mode 2 " + Quoted(tone)))
    GTEST_SKIP() << "tmux cannot start";

  ASSERT_TRUE(tmux.WaitFor(ShowsSegmentsAndStatus("tone"))) << tmux.Pane();
  const std::string first = tmux.Pane();
  EXPECT_NE(first.find(kUpperHalf), std::string::npos);
  EXPECT_EQ(first.find("NORMAL-SCREEN"), std::string::npos) << "the view has its own screen";
  EXPECT_EQ(tmux.Format("#{alternate_on}"), "1");
  EXPECT_NE(StatusLineOf(first).find("tone"), std::string::npos) << StatusLineOf(first);
  EXPECT_NE(StatusLineOf(first).find("mode 2"), std::string::npos) << StatusLineOf(first);

  // Display mode 2 shows bars only; 3 holds the peaks, whose markers add
  // to the steady tone's bars; back in 2 they are gone again.
  const std::string barsOnly = SettledPicture(tmux);
  ASSERT_FALSE(barsOnly.empty()) << tmux.Pane();
  tmux.Run("send-keys -t view 3");
  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return StatusLineOf(pane).find("mode 3") != std::string::npos;
  })) << tmux.Pane();
  const std::string withPeaks = SettledPicture(tmux);
  EXPECT_NE(withPeaks, barsOnly) << "peak markers";
  tmux.Run("send-keys -t view 2");
  ASSERT_TRUE(tmux.WaitFor([&barsOnly](const std::string& pane) {
    return Picture(pane) == barsOnly;
  })) << "the markers go with display mode 2";

  tmux.Run("send-keys -t view q");
  ASSERT_TRUE(tmux.WaitForText("EXIT-STATUS=")) << tmux.Pane();
  const std::string after = tmux.Pane();
  EXPECT_NE(after.find("EXIT-STATUS=0"), std::string::npos) << after;
  EXPECT_NE(after.find("NORMAL-SCREEN"), std::string::npos) << after;
  EXPECT_NE(after.find("Sound is off"), std::string::npos) << "said once, on the normal screen";
  EXPECT_EQ(after.find(kUpperHalf), std::string::npos) << after;
  EXPECT_EQ(tmux.Format("#{alternate_on}#{cursor_flag}#{mouse_sgr_flag}"), "010");
}

// Another player holds the plug-in, so no skin can start it: none is
// taken for broken, and once the other has gone `s` brings the plug-in back.
TEST_F(PlayEndToEndTest, SkinsAreNotBlamedForAPlugInThatAnotherPlayerHolds) {
  const std::string tone = MakeTone(60);
  const std::string holder = (FDir / "holder-home").string();
  const std::string holding = "XDG_RUNTIME_DIR=" + Quoted(Runtime()) + " " +
                              Quoted(KIVO_PROGRAM) + " play --view none --no-sound --home " +
                              Quoted(holder) + " " + Quoted(tone) + " >/dev/null 2>&1 & echo $! >" +
                              Quoted((FDir / "holder.pid").string()) + "; sleep 1; ";
  Tmux tmux;
  if (!StartPlay(tmux, "--no-sound " + Quoted(tone), holding)) GTEST_SKIP() << "tmux cannot start";
  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return StatusLineOf(pane).find("tone") != std::string::npos;
  })) << tmux.Pane();
  EXPECT_FALSE(ShowsSegments(tmux.Pane()));

  tmux.Run("send-keys -t view s");
  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return StatusLineOf(pane).find("not shown") != std::string::npos;
  })) << tmux.Pane();
  EXPECT_NE(StatusLineOf(tmux.Pane()).find("s tries again"), std::string::npos);

  ASSERT_EQ(std::system(("kill $(cat " + Quoted((FDir / "holder.pid").string()) + ")").c_str()),
            0);
  // Each skin in turn, until the plug-in starts again with one of them.
  ASSERT_TRUE(tmux.WaitFor([&tmux](const std::string& pane) {
    if (ShowsSegments(pane)) return true;
    tmux.Run("send-keys -t view s");
    return false;
  })) << tmux.Pane();
  EXPECT_EQ(StatusLineOf(tmux.Pane()).find("not loaded"), std::string::npos);
  tmux.Run("send-keys -t view q");
  ASSERT_TRUE(tmux.WaitForText("EXIT-STATUS=0")) << tmux.Pane();
}

TEST_F(PlayEndToEndTest, VolumePatternPauseAndAClickReachThePlugIn) {
  const std::string tone = MakeTone(60);
  Tmux tmux;
  // Through SDL this time, on its dummy device that takes the sound in
  // real time.
  if (!StartPlay(tmux, "--display-mode 3 --volume 10 " + Quoted(tone), "SDL_AUDIODRIVER=dummy "))
    GTEST_SKIP() << "tmux cannot start";
  ASSERT_TRUE(tmux.WaitFor(ShowsSegmentsAndStatus("vol 10%"))) << tmux.Pane();
  EXPECT_EQ(StatusLineOf(tmux.Pane()).find("sound off"), std::string::npos) << "a device plays";

  // A click on the left panel (window pixel 80, 50: cell 80, row 25) moves
  // the peak mode from 2 to 3, and the player's display mode follows to 4.
  tmux.Run("send-keys -t view -l " + Quoted("\x1b[<0;81;26M"));
  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return StatusLineOf(pane).find("mode 4") != std::string::npos;
  })) << tmux.Pane();

  tmux.Run("send-keys -t view p");
  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return StatusLineOf(pane).find("pattern 3") != std::string::npos;
  })) << tmux.Pane();
  std::ifstream settings(fs::path(Home()) / "kivo.ini");
  std::stringstream text;
  text << settings.rdbuf();
  EXPECT_NE(text.str().find("SpeanaPattern=3"), std::string::npos) << text.str();

  // Both channels heard at 0: the plug-in clears its panels.
  tmux.Run("send-keys -t view -l -- --");
  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return StatusLineOf(pane).find("vol 0%") != std::string::npos && !ShowsSegments(pane);
  })) << tmux.Pane();
  tmux.Run("send-keys -t view +");
  ASSERT_TRUE(tmux.WaitFor(ShowsSegments)) << tmux.Pane();

  tmux.Run("send-keys -t view Space");
  ASSERT_TRUE(tmux.WaitForText("paused")) << tmux.Pane();
  const std::string pausedAt = StatusLineOf(tmux.Pane());
  tmux.Run("send-keys -t view Space");
  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return StatusLineOf(pane).find("paused") == std::string::npos;
  })) << tmux.Pane();

  tmux.Run("send-keys -t view q");
  ASSERT_TRUE(tmux.WaitForText("EXIT-STATUS=0")) << tmux.Pane();
  EXPECT_NE(pausedAt.find("vol 5%"), std::string::npos) << pausedAt;
  EXPECT_EQ(tmux.Pane().find("silently"), std::string::npos) << "the device opened";
}

TEST_F(PlayEndToEndTest, WithoutATerminalPlaySaysSoAndRendersLikeRender) {
  const std::string tone = MakeTone(1);
  const std::string png = (FDir / "window.png").string();
  const CommandResult result =
      RunShell("XDG_RUNTIME_DIR=" + Quoted(Runtime()) + " " + Quoted(KIVO_PROGRAM) +
               " play --home " + Quoted(Home()) + " --png " + Quoted(png) + " --hop 4410 " +
               Quoted(tone) + " </dev/null 2>&1 | cat");
  EXPECT_EQ(result.Status, 0) << result.Output;
  EXPECT_NE(result.Output.find("standard output is not a terminal"), std::string::npos)
      << result.Output;
  EXPECT_TRUE(fs::exists(png));
}

TEST_F(PlayEndToEndTest, AudioOnStandardInputPlaysLiveWithTheKeysFromTheTerminal) {
  const std::string tone = MakeTone(60);
  Tmux tmux;
  const std::string feed = Quoted(SOX_PROGRAM) + " " + Quoted(tone) + " -t raw - | ";
  if (!StartPlay(tmux, "--no-sound -", feed)) GTEST_SKIP() << "tmux cannot start";
  ASSERT_TRUE(tmux.WaitFor(ShowsSegmentsAndStatus("Standard input"))) << tmux.Pane();
  tmux.Run("send-keys -t view q");
  ASSERT_TRUE(tmux.WaitForText("EXIT-STATUS=")) << tmux.Pane();
  EXPECT_NE(tmux.Pane().find("EXIT-STATUS=0"), std::string::npos) << tmux.Pane();
}

// Ctrl-Z gives the shell its screen back and stops the player; fg takes
// the terminal again and draws the picture anew: a steady tone changes no
// cell by itself, so the segments come back only with a full redraw.
TEST_F(PlayEndToEndTest, CtrlZAndFgLeaveAndRestoreTheView) {
  const std::string tone = MakeTone(60);
  Tmux tmux;
  const CommandResult started = tmux.Run(
      "new-session -d -s view -x " + std::to_string(kColumns) + " -y " + std::to_string(kRows) +
      " -e COLORTERM=truecolor -e XDG_RUNTIME_DIR=" + Quoted(Runtime()) +
      " 'bash --norc --noprofile -i'");
  if (started.Status != 0) GTEST_SKIP() << "tmux cannot start";
  const std::string command =
      Quoted(KIVO_PROGRAM) + " play --home " + Quoted(Home()) + " --no-sound " + Quoted(tone);
  tmux.Run("send-keys -t view -l " + Quoted(command));
  tmux.Run("send-keys -t view Enter");
  ASSERT_TRUE(tmux.WaitFor(ShowsSegments)) << tmux.Pane();

  tmux.Run("send-keys -t view C-z");
  ASSERT_TRUE(tmux.WaitForText("Stopped")) << tmux.Pane();
  EXPECT_FALSE(ShowsSegments(tmux.Pane()));
  EXPECT_EQ(tmux.Format("#{alternate_on}#{cursor_flag}#{mouse_sgr_flag}"), "010");

  tmux.Run("send-keys -t view fg Enter");
  ASSERT_TRUE(tmux.WaitFor(ShowsSegmentsAndStatus("tone"))) << tmux.Pane();
  EXPECT_EQ(tmux.Format("#{alternate_on}#{cursor_flag}#{mouse_sgr_flag}"), "101");

  // The keys are read raw again, and Ctrl-C still ends play cleanly.
  tmux.Run("send-keys -t view 3");
  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return StatusLineOf(pane).find("mode 3") != std::string::npos;
  })) << tmux.Pane();
  tmux.Run("send-keys -t view C-c");
  ASSERT_TRUE(tmux.WaitFor([&tmux](const std::string&) {
    return tmux.Format("#{alternate_on}") == "0";
  })) << tmux.Pane();
  tmux.Run("send-keys -t view -l " + Quoted("echo \"EXIT-STATUS=$?\""));
  tmux.Run("send-keys -t view Enter");
  // The shell's answer on a line of its own, not the command line typed:
  // the terminal's Ctrl-C is SIGINT, which the status tells.
  ASSERT_TRUE(tmux.WaitForText("\nEXIT-STATUS=")) << tmux.Pane();
  EXPECT_NE(tmux.Pane().find("\nEXIT-STATUS=130"), std::string::npos) << tmux.Pane();
}

TEST_F(PlayEndToEndTest, APlayThatEndsByItselfGivesTheScreenBack) {
  const std::string tone = MakeTone(0.5);
  Tmux tmux;
  if (!StartPlay(tmux, "--no-sound " + Quoted(tone))) GTEST_SKIP() << "tmux cannot start";
  ASSERT_TRUE(tmux.WaitForText("EXIT-STATUS=")) << tmux.Pane();
  EXPECT_NE(tmux.Pane().find("EXIT-STATUS=0"), std::string::npos) << tmux.Pane();
  EXPECT_EQ(tmux.Format("#{alternate_on}"), "0");
}

// A file removed and one overwritten with text while the first track
// plays are skipped when their turn comes, the status line saying so; the
// last track plays and the player ends with the playlist.
TEST_F(PlayEndToEndTest, TracksThatGoOrTurnToTextWhilePlayingAreSkippedAndTheLastPlays) {
  const std::string tone = MakeTone(4);
  const std::string removed = MakeTone(2, "removed.wav");
  const std::string texted = MakeTone(2, "texted.wav");
  const std::string last = MakeTone(3, "last.wav");
  Tmux tmux;
  if (!StartPlay(tmux, "--no-sound " + Quoted(tone) + " " + Quoted(removed) + " " + Quoted(texted) +
                           " " + Quoted(last)))
    GTEST_SKIP() << "tmux cannot start";

  ASSERT_TRUE(tmux.WaitFor(ShowsSegmentsAndStatus("tone"))) << tmux.Pane();
  fs::remove(removed);
  std::ofstream(texted, std::ios::trunc) << "no longer audio\n";

  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    const std::string status = StatusLineOf(pane);
    return status.find("last") != std::string::npos &&
           status.find("track 3 skipped: cannot read") != std::string::npos;
  })) << tmux.Pane();
  ASSERT_TRUE(tmux.WaitForText("EXIT-STATUS=")) << tmux.Pane();
  EXPECT_NE(tmux.Pane().find("EXIT-STATUS=0"), std::string::npos) << tmux.Pane();
}

TEST_F(PlayEndToEndTest, WithNoPlayableTrackThePlayerStaysOpenWithTheReasonUntilQ) {
  std::ofstream(FDir / "text.wav") << "no audio\n";
  Tmux tmux;
  if (!StartPlay(tmux, "--no-sound " + Quoted((FDir / "gone.wav").string()) + " " +
                           Quoted((FDir / "text.wav").string())))
    GTEST_SKIP() << "tmux cannot start";

  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return StatusLineOf(pane).find("no track of the playlist can be played") != std::string::npos;
  })) << tmux.Pane();
  // Well past the few seconds a skipped track is named for.
  std::this_thread::sleep_for(std::chrono::seconds(6));
  const std::string later = tmux.Pane();
  EXPECT_EQ(later.find("EXIT-STATUS="), std::string::npos) << later;
  EXPECT_NE(StatusLineOf(later).find("no track of the playlist can be played"), std::string::npos)
      << later;
  tmux.Run("send-keys -t view q");
  ASSERT_TRUE(tmux.WaitForText("EXIT-STATUS=")) << tmux.Pane();
  EXPECT_NE(tmux.Pane().find("EXIT-STATUS=0"), std::string::npos) << tmux.Pane();
}

// In an 80-column terminal the status line cannot hold a broken skin's
// reason, which names the file it missed: the reason goes whole on lines
// of its own above the status line; without a sound device the status
// line says the sound is off.
TEST_F(PlayEndToEndTest, ANoticeTooLongForTheStatusLineShowsWholeAboveItAndSoundOffIsSaid) {
  fs::create_directories(fs::path(Home()) / "skins" / "broken");
  std::ofstream(fs::path(Home()) / "skins" / "broken" / "design.ini")
      << "[SpeanaL]\nVisible=1\nWidth=50\nHeight=40\nGraphics=missing.bmp\n";
  constexpr int columns = 80;
  constexpr int rows = 24;
  Tmux tmux;
  // No device opens with a driver SDL does not have.
  if (!StartPlay(tmux, "", "SDL_AUDIODRIVER=none-such ", columns, rows))
    GTEST_SKIP() << "tmux cannot start";
  const auto statusLine = [](const std::string& pane) { return LineOf(pane, rows - 1); };
  ASSERT_TRUE(tmux.WaitFor([&](const std::string& pane) {
    return statusLine(pane).find("pattern 2  sound off") != std::string::npos;
  })) << tmux.Pane();

  tmux.Run("send-keys -t view s");
  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return pane.find("No such file or directory") != std::string::npos;
  })) << tmux.Pane();
  const std::string pane = tmux.Run("capture-pane -p -t view").Output;
  // Lines break at spaces, or inside a word longer than a line: compared
  // without the spaces, the rows above the status line hold the notice.
  const auto withoutSpaces = [](std::string text) {
    std::erase(text, ' ');
    return text;
  };
  std::string notice;
  for (int row = 0; row < rows - 1; ++row) notice += withoutSpaces(LineOf(pane, row));
  const std::string missing = (fs::path(Home()) / "skins" / "broken" / "missing.bmp").string();
  EXPECT_NE(notice.find("skinbrokennotloaded:"), std::string::npos) << pane;
  EXPECT_NE(notice.find(withoutSpaces(missing) + "\":Nosuchfileordirectory"), std::string::npos)
      << "the path whole: " << pane;
  EXPECT_EQ(statusLine(pane).find("not loaded"), std::string::npos) << statusLine(pane);
  EXPECT_NE(statusLine(pane).find("sound off"), std::string::npos) << statusLine(pane);

  tmux.Run("send-keys -t view q");
  ASSERT_TRUE(tmux.WaitForText("EXIT-STATUS=0")) << tmux.Pane();
}

}  // namespace
