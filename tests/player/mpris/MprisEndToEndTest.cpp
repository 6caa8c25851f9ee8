// `kivo play` as a desktop media player: the real player live in tmux on
// a session bus of the test's own, playerctl and dbus-monitor as clients.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/player/TmuxTestSupport.h"
#include "tests/player/mpris/PrivateBus.h"

namespace {

namespace fs = std::filesystem;
using namespace kivo_test;

constexpr int kColumns = 320;
constexpr int kRows = 51;

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string StatusLineOf(const std::string& pane) { return LineOf(pane, kRows - 1); }

// A program left running in the background with its output in a file;
// stopped when the test ends.
class Background {
 public:
  Background(const std::string& command, const fs::path& output) : FOutput(output) {
    FPid = std::atoi(
        RunShell(command + " > " + Quoted(output.string()) + " 2>&1 & echo $!").Output.c_str());
  }
  ~Background() {
    if (FPid > 0) ::kill(FPid, SIGTERM);
  }
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

  std::string Output() const {
    std::ifstream file(FOutput);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }
  // Polls until the output holds every one of `texts`.
  bool WaitFor(std::initializer_list<std::string> texts) const {
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      const std::string output = Output();
      bool all = true;
      for (const std::string& text : texts) all = all && output.find(text) != std::string::npos;
      if (all) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

 private:
  fs::path FOutput;
  pid_t FPid = 0;
};

class MprisEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("kivo-mpris-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir / "runtime");
    if (!FBus.Running()) GTEST_SKIP() << "dbus-daemon cannot start";
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string MakeTone(const std::string& name, double seconds) const {
    const std::string path = (FDir / name).string();
    EXPECT_EQ(RunShell(std::string(SOX_PROGRAM) + " -n -r 44100 -c 2 -b 16 " + Quoted(path) +
                       " synth " + std::to_string(seconds) + " sine 1000 vol 0.5")
                  .Status,
              0);
    return path;
  }
  // A FLAC file with its title, artist and album in its tags.
  std::string MakeTagged(const std::string& name, double seconds) const {
    const std::string tone = MakeTone("untagged-" + name + ".wav", seconds);
    const std::string path = (FDir / name).string();
    EXPECT_EQ(RunShell(std::string(FFMPEG_PROGRAM) + " -loglevel error -y -i " + Quoted(tone) +
                       " -metadata title='Tagged Song' -metadata artist='Some Artist'"
                       " -metadata album='An Album' " +
                       Quoted(path))
                  .Status,
              0);
    return path;
  }

  // `kivo play ARGUMENTS` in the pane, with `busAddress` as its session
  // bus; the shell stays after it, so that its end is seen.
  bool StartPlay(const std::string& arguments, const std::string& busAddress) const {
    const std::string program = Quoted(KIVO_PROGRAM) + " play --no-sound --home " +
                                Quoted((FDir / "home").string()) + " " + arguments +
                                "; echo \"EXIT-STATUS=$?\"; sleep 600";
    return FTmux
               .Run("new-session -d -s view -x " + std::to_string(kColumns) + " -y " +
                    std::to_string(kRows) +
                    " -e XDG_RUNTIME_DIR=" + Quoted((FDir / "runtime").string()) +
                    " -e DBUS_SESSION_BUS_ADDRESS=" + Quoted(busAddress) + " " + Quoted(program))
               .Status == 0;
  }
  bool StartPlayOnTheBus(const std::string& arguments) const {
    return StartPlay(arguments, FBus.Address()) &&
           WaitForOutput(FBus.On("playerctl --list-all"), "kivo").find("kivo") != std::string::npos;
  }

  std::string Playerctl(const std::string& arguments) const {
    return Trimmed(RunShell(FBus.On("playerctl -p kivo " + arguments)).Output);
  }
  // Polls `playerctl ARGUMENTS` until it answers `expected`; its last answer.
  std::string PlayerctlUntil(const std::string& arguments, const std::string& expected) const {
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    std::string answer;
    while (std::chrono::steady_clock::now() < giveUp) {
      answer = Playerctl(arguments);
      if (answer == expected) break;
      std::this_thread::sleep_for(50ms);
    }
    return answer;
  }
  bool StatusLineShows(const std::string& text) const {
    return FTmux.WaitFor([&text](const std::string& pane) {
      return StatusLineOf(pane).find(text) != std::string::npos;
    });
  }

  fs::path FDir;
  PrivateBus FBus;
  Tmux FTmux;
};

TEST_F(MprisEndToEndTest, StatusPlayPauseNextAndTheTaggedFilesMetadata) {
  const std::string tone = MakeTone("tone.wav", 60);
  const std::string tagged = MakeTagged("tagged.flac", 30);
  ASSERT_TRUE(StartPlayOnTheBus(Quoted(tone) + " " + Quoted(tagged))) << FTmux.Pane();

  EXPECT_EQ(PlayerctlUntil("status", "Playing"), "Playing");
  EXPECT_EQ(Playerctl("metadata title"), "tone");
  EXPECT_EQ(Playerctl("metadata xesam:url"), "file://" + tone);
  EXPECT_EQ(Playerctl("metadata mpris:length"), "60000000");
  const std::string untagged = Playerctl("metadata");
  EXPECT_EQ(untagged.find("xesam:artist"), std::string::npos) << untagged;
  EXPECT_EQ(untagged.find("xesam:album"), std::string::npos) << untagged;

  // One player: the desktop's pause shows in the terminal, the terminal's
  // key in what the desktop reads.
  Playerctl("play-pause");
  EXPECT_EQ(PlayerctlUntil("status", "Paused"), "Paused");
  EXPECT_TRUE(StatusLineShows("paused")) << FTmux.Pane();
  FTmux.Run("send-keys -t view Space");
  EXPECT_EQ(PlayerctlUntil("status", "Playing"), "Playing");

  Playerctl("next");
  EXPECT_EQ(PlayerctlUntil("metadata title", "Tagged Song"), "Tagged Song");
  EXPECT_EQ(Playerctl("metadata artist"), "Some Artist");
  EXPECT_EQ(Playerctl("metadata album"), "An Album");
  EXPECT_EQ(Playerctl("metadata xesam:url"), "file://" + tagged);
  EXPECT_EQ(Playerctl("metadata mpris:length"), "30000000");
  EXPECT_EQ(Playerctl("metadata mpris:trackid"), "'/org/kivo/Track/2'");
  EXPECT_TRUE(StatusLineShows("Tagged Song")) << FTmux.Pane();

  // Quit as the desktop's menu asks it: the player ends normally.
  RunShell(
      FBus.On("dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.kivo "
              "/org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Quit"));
  EXPECT_TRUE(FTmux.WaitForText("EXIT-STATUS=0")) << FTmux.Pane();
}

TEST_F(MprisEndToEndTest, PositionAndVolumeRoundTrips) {
  ASSERT_TRUE(StartPlayOnTheBus(Quoted(MakeTone("tone.wav", 60)))) << FTmux.Pane();
  // Paused, the position stays where it was put.
  Playerctl("pause");
  ASSERT_TRUE(StatusLineShows("paused")) << FTmux.Pane();
  Playerctl("position 20");
  EXPECT_EQ(PlayerctlUntil("position", "20.000000"), "20.000000");
  EXPECT_TRUE(StatusLineShows("0:20 / 1:00")) << FTmux.Pane();
  Playerctl("position 5+");
  EXPECT_EQ(PlayerctlUntil("position", "25.000000"), "25.000000");

  Playerctl("volume 0.3");
  EXPECT_EQ(PlayerctlUntil("volume", "0.300000"), "0.300000");
  EXPECT_TRUE(StatusLineShows("vol 30%")) << FTmux.Pane();
  FTmux.Run("send-keys -t view +");
  EXPECT_EQ(PlayerctlUntil("volume", "0.350000"), "0.350000");

  // Playing on, the position goes on from where it was put.
  Playerctl("play");
  EXPECT_EQ(PlayerctlUntil("status", "Playing"), "Playing");
  const double position = std::stod(Playerctl("position"));
  EXPECT_GE(position, 25.0);
  EXPECT_LT(position, 60.0);
}

TEST_F(MprisEndToEndTest, ASecondClientHearsEveryChangeWhoeverMadeIt) {
  ASSERT_TRUE(
      StartPlayOnTheBus(Quoted(MakeTone("one.wav", 60)) + " " + Quoted(MakeTone("two.wav", 60))))
      << FTmux.Pane();
  const Background monitor(FBus.On("dbus-monitor --session "
                                   "\"type='signal',path='/org/mpris/MediaPlayer2'\""),
                           FDir / "monitor.txt");
  // The monitor is ready once the bus has made it one.
  ASSERT_TRUE(monitor.WaitFor({"NameLost"})) << monitor.Output();

  FTmux.Run("send-keys -t view Space");
  EXPECT_TRUE(monitor.WaitFor({"member=PropertiesChanged", "\"PlaybackStatus\"", "\"Paused\""}))
      << monitor.Output();
  Playerctl("volume 0.5");
  EXPECT_TRUE(monitor.WaitFor({"\"Volume\"", "double 0.5"})) << monitor.Output();
  Playerctl("position 5");
  EXPECT_TRUE(monitor.WaitFor({"member=Seeked", "int64 5000000"})) << monitor.Output();
  FTmux.Run("send-keys -t view n");
  EXPECT_TRUE(monitor.WaitFor({"\"Metadata\"", "\"/org/kivo/Track/2\"", "\"CanGoNext\""}))
      << monitor.Output();
  EXPECT_EQ(monitor.Output().find("\"Position\""), std::string::npos)
      << "the position is read, not signalled";
}

TEST_F(MprisEndToEndTest, WithoutABusThePlayerPlaysAsEverAndSaysNothingOfIt) {
  const std::string tone = MakeTone("tone.wav", 60);
  ASSERT_TRUE(StartPlay(Quoted(tone), "unix:path=" + (FDir / "no-bus").string())) << FTmux.Pane();
  // The time moves on.
  EXPECT_TRUE(FTmux.WaitFor([](const std::string& pane) {
    const std::string status = StatusLineOf(pane);
    return status.find(" / 1:00") != std::string::npos &&
           status.find("0:00 / 1:00") == std::string::npos;
  })) << FTmux.Pane();
  FTmux.Run("send-keys -t view q");
  ASSERT_TRUE(FTmux.WaitForText("EXIT-STATUS=0")) << FTmux.Pane();
  EXPECT_EQ(FTmux.Pane().find("bus"), std::string::npos) << FTmux.Pane();
}

// A file that is no audio, or a playlist, is refused to the desktop's
// client with an error, and what played goes on playing.
TEST_F(MprisEndToEndTest, OpeningAFileThatIsNoAudioIsAnErrorAndTheTrackPlaysOn) {
  const std::string tone = MakeTone("tone.wav", 60);
  const fs::path fake = FDir / "fake.wav";
  std::ofstream(fake) << "this is no audio file\n";
  const fs::path list = FDir / "list.m3u";
  std::ofstream(list) << tone << "\n";
  ASSERT_TRUE(StartPlayOnTheBus(Quoted(tone))) << FTmux.Pane();
  ASSERT_EQ(PlayerctlUntil("status", "Playing"), "Playing");

  const CommandResult refused =
      RunShell(FBus.On("dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.kivo "
                       "/org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Player.OpenUri string:" +
                       Quoted("file://" + fake.string())));
  EXPECT_NE(refused.Status, 0) << refused.Output;
  EXPECT_NE(refused.Output.find("InvalidArgs"), std::string::npos) << refused.Output;
  EXPECT_NE(refused.Output.find(fake.string()), std::string::npos) << refused.Output;

  const CommandResult playlist =
      RunShell(FBus.On("playerctl -p kivo open " + Quoted("file://" + list.string())));
  EXPECT_NE(playlist.Status, 0) << playlist.Output;

  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(Playerctl("status"), "Playing");
  EXPECT_EQ(Playerctl("metadata mpris:trackid"), "'/org/kivo/Track/1'");
  EXPECT_EQ(FTmux.Pane().find("EXIT-STATUS="), std::string::npos) << FTmux.Pane();
}

}  // namespace
