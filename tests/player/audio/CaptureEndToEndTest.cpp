// The built `kivo` capturing from a real sound server: a PulseAudio daemon
// (or a PipeWire server) of each test's own with a null sink, a tone played
// into it with paplay, its monitor or one application's stream captured by
// `kivo levels --capture` and `--capture-app`, `kivo devices` and `kivo
// play --capture` in tmux.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/player/TmuxTestSupport.h"
#include "tests/player/audio/PipeWireServer.h"
#include "tests/player/audio/PulseServer.h"

namespace {

namespace fs = std::filesystem;
using namespace kivo_test;

// 50 cycles in each 2048 frames at 44.1 kHz: bin 50, which band 5 of the
// default pattern (bins 40 to 59) covers, whatever the block's phase.
constexpr const char* kToneHz = "1076.660156";
constexpr std::size_t kToneBand = 5;
// Bin 100, in band 7 (bins 80 to 119).
constexpr const char* kOtherToneHz = "2153.320312";
constexpr std::size_t kOtherToneBand = 7;
const std::string kGreen = "2;0;255;0m";

struct Levels {
  bool Clear = false;
  std::vector<int> Left;
  std::vector<int> Right;
};

std::vector<int> ParseInts(const std::string& list) {
  std::vector<int> values;
  std::istringstream stream(list);
  for (std::string item; std::getline(stream, item, ',');) values.push_back(std::stoi(item));
  return values;
}

// The blocks of `kivo levels` output; a line of another form fails the test.
std::vector<Levels> ParseBlocks(const std::string& output) {
  static const std::regex kLevels(
      R"re(^\{"block":\d+,"left":\[([-0-9,]*)\],"right":\[([-0-9,]*)\]\}$)re");
  static const std::regex kClear(R"re(^\{"block":\d+,"clear":true\}$)re");
  std::vector<Levels> blocks;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) {
    if (line.rfind("kivo: ", 0) == 0) continue;
    std::smatch match;
    if (std::regex_match(line, kClear)) {
      blocks.push_back({true, {}, {}});
    } else if (std::regex_match(line, match, kLevels)) {
      blocks.push_back({false, ParseInts(match[1]), ParseInts(match[2])});
    } else {
      ADD_FAILURE() << "not a levels line: " << line;
    }
  }
  return blocks;
}

std::string ReadText(const fs::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The second tone's band is wider, so it shows lower (4) than the first (6).
bool ToneBandStandsOut(const std::vector<int>& levels, std::size_t toneBand = kToneBand) {
  if (levels.size() != 10 || levels[toneBand] < (toneBand == kToneBand ? 5 : 3)) return false;
  for (std::size_t band = 0; band < levels.size(); ++band)
    if (band != toneBand && levels[band] > 1) return false;
  return true;
}

// Waits until `output` holds `text`.
bool Shows(const fs::path& output, const std::string& text) {
  const auto giveUp = std::chrono::steady_clock::now() + kPatience;
  while (std::chrono::steady_clock::now() < giveUp) {
    if (ReadText(output).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

// Waits until a block in `output` after the first `after` shows the tone
// of `band` (`alone`: and nothing else); the number of blocks when it did,
// or 0.
std::size_t ShowsToneFrom(const fs::path& output, std::size_t after, std::size_t band,
                          bool alone = true) {
  const auto giveUp = std::chrono::steady_clock::now() + kPatience;
  while (std::chrono::steady_clock::now() < giveUp) {
    const std::vector<Levels> blocks = ParseBlocks(ReadText(output));
    for (std::size_t at = after; at < blocks.size(); ++at) {
      const Levels& block = blocks[at];
      if (block.Clear) continue;
      if (alone ? ToneBandStandsOut(block.Left, band) : block.Left[band] >= 5) return at + 1;
    }
    std::this_thread::sleep_for(50ms);
  }
  return 0;
}

// Waits until a block in `output` after the first `after` clears the
// panels; the number of blocks when one did, or 0.
std::size_t ClearsFrom(const fs::path& output, std::size_t after) {
  const auto giveUp = std::chrono::steady_clock::now() + kPatience;
  while (std::chrono::steady_clock::now() < giveUp) {
    const std::vector<Levels> blocks = ParseBlocks(ReadText(output));
    for (std::size_t at = after; at < blocks.size(); ++at)
      if (blocks[at].Clear) return at + 1;
    std::this_thread::sleep_for(50ms);
  }
  return 0;
}

// `q` ends the player in the pane within a second (a liveness bound).
bool QuitsWithinASecond(const Tmux& tmux) {
  tmux.Run("send-keys -t view q");
  const auto giveUp = std::chrono::steady_clock::now() + 1s;
  while (std::chrono::steady_clock::now() < giveUp) {
    if (tmux.Pane().find("EXIT-STATUS=0") != std::string::npos) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

class CaptureEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("kivo-capture-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string Kivo(const std::string& arguments) const {
    // `timeout` turns a hang into a failure instead of a stuck test.
    return "timeout 60 " + Quoted(KIVO_PROGRAM) + " " + arguments;
  }

  std::string MakeTone(const std::string& name, double seconds,
                       const std::string& hertz = kToneHz) const {
    const std::string path = (FDir / name).string();
    const std::string command = std::string(SOX_PROGRAM) + " -n -r 44100 -c 2 -b 16 " +
                                Quoted(path) + " synth " + std::to_string(seconds) + " sine " +
                                hertz + " vol 0.5 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path;
  }

  // Starts playing a long tone into `sink` and waits until the server has
  // the stream; `app` names the application that plays it.
  template <class Server>
  std::unique_ptr<BackgroundProgram> PlayTone(const Server& server, const std::string& sink,
                                              const std::string& hertz = kToneHz,
                                              const std::string& app = "") const {
    const std::size_t before = StreamCount(server);
    auto player = std::make_unique<BackgroundProgram>(
        // A short latency: the null sink then renders in small blocks
        // instead of seconds at a time, so the monitor hears it soon.
        server.Environment() + " paplay --latency-msec=20 --device=" + sink +
        (app.empty() ? std::string() : " " + Quoted("--property=application.name=" + app)) + " " +
        Quoted(MakeTone("tone-" + hertz + ".wav", 60, hertz)));
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      if (StreamCount(server) > before) return player;
      std::this_thread::sleep_for(50ms);
    }
    ADD_FAILURE() << "paplay never played";
    return player;
  }

  // `kivo play ARGUMENTS` as a tmux pane runs it: a home and runtime folder
  // of the test's own, and the exit status shown when it ends.
  std::string PlayInTmux(const PulseServer& server, const std::string& arguments) const {
    fs::create_directories(FDir / "runtime");
    return server.Environment() + " XDG_RUNTIME_DIR=" + Quoted((FDir / "runtime").string()) +
           " " + Quoted(KIVO_PROGRAM) + " play --home " + Quoted((FDir / "home").string()) + " " +
           arguments + "; echo \"EXIT-STATUS=$?\"; sleep 600";
  }

  template <class Server>
  static std::size_t StreamCount(const Server& server) {
    const std::string streams = server.Run("pactl list short sink-inputs").Output;
    return static_cast<std::size_t>(std::count(streams.begin(), streams.end(), '\n'));
  }

  // `kivo levels ARGUMENTS` kept running, its output and errors in a file.
  template <class Server>
  std::unique_ptr<BackgroundProgram> LevelsInBackground(const Server& server,
                                                        const std::string& arguments,
                                                        const fs::path& output) const {
    return std::make_unique<BackgroundProgram>(server.Environment() + " " +
                                               Kivo("levels " + arguments) + " >" +
                                               Quoted(output.string()) + " 2>&1");
  }

  // Without a device named, capture is of whatever the default output is:
  // a new default is followed, and so is the one left when it goes away.
  template <class Server>
  void FollowsTheDefaultOutputWhereverItMoves(const Server& server) {
    const CommandResult other = server.Run("pactl load-module module-null-sink sink_name=other");
    ASSERT_EQ(other.Status, 0);
    const auto tone = PlayTone(server, server.Sink());
    const std::string toneStream =
        server.Run("pactl list short sink-inputs | cut -f1 | tr -d '\\n'").Output;
    const fs::path output = FDir / "levels.txt";
    const auto levels = LevelsInBackground(server, "--capture --seconds 60", output);
    const std::size_t first = ShowsToneFrom(output, 0, kToneBand);
    ASSERT_NE(first, 0u) << ReadText(output);

    // The server takes every stream along to a new default: the first tone
    // is put back where it played, and the second one plays in the new.
    ASSERT_EQ(server.Run("pactl set-default-sink other").Status, 0);
    ASSERT_EQ(server.Run("pactl move-sink-input " + toneStream + " " + server.Sink()).Status, 0);
    const auto otherTone = PlayTone(server, "other", kOtherToneHz);
    const std::size_t moved = ShowsToneFrom(output, first, kOtherToneBand);
    ASSERT_NE(moved, 0u) << ReadText(output);

    // The server is asked until the sink is gone: it may unload it later.
    ASSERT_EQ(server.Run("pactl unload-module " + other.Output).Status, 0);
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (server.Run("pactl list short sinks").Output.find("other") != std::string::npos &&
           std::chrono::steady_clock::now() < giveUp)
      std::this_thread::sleep_for(50ms);
    EXPECT_NE(ShowsToneFrom(output, moved, kToneBand, false), 0u) << ReadText(output);
    // The device is named once the server has described it, which may be a
    // little after its sound arrives.
    const std::string back = "kivo: capturing kivotest.monitor (\"Monitor of KivoTestSink\")\n";
    ASSERT_TRUE(Shows(output, back)) << ReadText(output);
    const std::string text = ReadText(output);
    const std::size_t toOther = text.find("kivo: capturing other.monitor (\"Monitor of ");
    ASSERT_NE(toOther, std::string::npos) << text;
    EXPECT_LT(toOther, text.find(back)) << text;
  }

  // Two applications play two tones into one sink: each one captured
  // alone shows its own tone only, named by its name in any case.
  template <class Server>
  void CapturesOnlyTheChosenApplication(const Server& server) {
    const auto first = PlayTone(server, server.Sink(), kToneHz, "ToneA");
    const auto second = PlayTone(server, server.Sink(), kOtherToneHz, "ToneB");
    for (const auto& [app, band] : {std::pair<std::string, std::size_t>{"ToneB", kOtherToneBand},
                                    {"tonea", kToneBand}}) {
      const CommandResult captured =
          server.Run(Kivo("levels --capture-app " + app + " --seconds 1 --hop 1024"));
      ASSERT_EQ(captured.Status, 0) << captured.Output;
      EXPECT_NE(captured.Output.find("kivo: capturing stream "), std::string::npos)
          << captured.Output;
      const std::vector<Levels> blocks = ParseBlocks(captured.Output);
      EXPECT_EQ(blocks.size(), 44u);
      std::size_t clean = 0;
      for (const Levels& block : blocks) {
        if (block.Clear) continue;
        const std::size_t other = band == kToneBand ? kOtherToneBand : kToneBand;
        EXPECT_LT(block.Left[other], 3) << app << ": the other application's tone is not heard";
        if (ToneBandStandsOut(block.Left, band)) ++clean;
      }
      EXPECT_GE(clean, blocks.size() / 2) << captured.Output;
    }
  }

  fs::path FDir;
};

TEST_F(CaptureEndToEndTest, ATonePlayedIntoTheSinkShowsItsBandHighestAndSilenceClears) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());

  const CommandResult silence =
      server.Run(Kivo("levels --capture " + server.Monitor() + " --seconds 0.5"));
  ASSERT_EQ(silence.Status, 0) << silence.Output;
  EXPECT_NE(silence.Output.find("kivo: capturing kivotest.monitor"), std::string::npos);
  const std::vector<Levels> quiet = ParseBlocks(silence.Output);
  EXPECT_EQ(quiet.size(), 11u) << "0.5 s at 44.1 kHz in blocks of 2048";
  for (const Levels& block : quiet) EXPECT_TRUE(block.Clear);

  const auto tone = PlayTone(server, server.Sink());
  const CommandResult loud =
      server.Run(Kivo("levels --capture " + server.Monitor() + " --seconds 1 --hop 1024"));
  ASSERT_EQ(loud.Status, 0) << loud.Output;
  const std::vector<Levels> blocks = ParseBlocks(loud.Output);
  EXPECT_EQ(blocks.size(), 44u);
  // A loaded machine may leave gaps in the played stream: every block with
  // sound shows the tone's band highest, and most show it alone.
  std::size_t clean = 0;
  for (const Levels& block : blocks) {
    if (block.Clear) continue;
    ASSERT_EQ(block.Left.size(), 10u);
    const auto highest = std::max_element(block.Left.begin(), block.Left.end());
    EXPECT_EQ(static_cast<std::size_t>(highest - block.Left.begin()), kToneBand);
    EXPECT_EQ(block.Left, block.Right);
    if (ToneBandStandsOut(block.Left)) ++clean;
  }
  EXPECT_GE(clean, blocks.size() / 2) << loud.Output;
}

// The glyphs of a line of bars: a space or one three-byte block character.
std::vector<std::string> Glyphs(const std::string& bars) {
  std::vector<std::string> glyphs;
  for (std::size_t at = 0; at < bars.size();) {
    const std::size_t length = bars[at] == ' ' ? 1 : 3;
    glyphs.push_back(bars.substr(at, length));
    at += length;
  }
  return glyphs;
}

TEST_F(CaptureEndToEndTest, AStatusBarFeedShowsTheToneBandOneLinePerFrame) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  const CommandResult silence =
      server.Run(Kivo("levels --capture " + server.Monitor() + " --seconds 0.5 --format waybar"));
  ASSERT_EQ(silence.Status, 0) << silence.Output;
  std::istringstream quiet(silence.Output);
  std::size_t silentLines = 0;
  for (std::string line; std::getline(quiet, line);) {
    if (line.starts_with("kivo: capturing")) continue;
    EXPECT_EQ(line, R"({"text":"                    ","class":"silent"})");
    ++silentLines;
  }
  EXPECT_EQ(silentLines, 15u) << "half a second at 30 lines a second";

  const auto tone = PlayTone(server, server.Sink());
  const CommandResult loud = server.Run(Kivo("levels --capture " + server.Monitor() +
                                             " --seconds 1 --format bars --channels mix --fps 20"));
  ASSERT_EQ(loud.Status, 0) << loud.Output;
  std::istringstream lines(loud.Output);
  std::size_t count = 0;
  std::size_t toneShown = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("kivo: capturing")) continue;
    ++count;
    const std::vector<std::string> glyphs = Glyphs(line);
    ASSERT_EQ(glyphs.size(), 10u) << line;
    const std::string& band = glyphs[kToneBand];
    if (band == "▄" || band == "▅" || band == "▆" || band == "▇" || band == "█") ++toneShown;
  }
  EXPECT_EQ(count, 20u);
  EXPECT_GE(toneShown, count / 2) << loud.Output;
}

TEST_F(CaptureEndToEndTest, DevicesListsTheSinkAndItsMonitorAsTheDefaults) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  const CommandResult devices = server.Run(Kivo("devices"));
  ASSERT_EQ(devices.Status, 0) << devices.Output;
  EXPECT_NE(devices.Output.find("capture   kivotest.monitor  \"Monitor of KivoTestSink\"  44100 "
                                "Hz  [monitor of the default output]\n"),
            std::string::npos)
      << devices.Output;
  EXPECT_NE(devices.Output.find("playback  kivotest  \"KivoTestSink\"  44100 Hz  [default output]"),
            std::string::npos)
      << devices.Output;

  // The default device and a part of a description pick the same monitor.
  for (const std::string asked : {"", " testsink"}) {
    const CommandResult captured = server.Run(Kivo("levels --capture" + asked + " --seconds 0.1"));
    EXPECT_EQ(captured.Status, 0) << captured.Output;
    EXPECT_NE(captured.Output.find("capturing kivotest.monitor"), std::string::npos)
        << captured.Output;
  }
}

TEST_F(CaptureEndToEndTest, AMissingDeviceNamesWhatWasAskedAndWhatThereIs) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  const CommandResult missing = server.Run(Kivo("levels --capture nosuchsink --seconds 1"));
  EXPECT_NE(missing.Status, 0);
  EXPECT_EQ(missing.Output,
            "kivo: no capture device matches \"nosuchsink\"; there are: kivotest.monitor (Monitor "
            "of KivoTestSink)\n");
}

// Capture counts captured time: a device that goes away is waited for,
// and the command ends when it has had its seconds of sound.
TEST_F(CaptureEndToEndTest, ANamedDeviceThatGoesAwayIsWaitedForAndTakenAgain) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  const CommandResult loaded = server.Run("pactl load-module module-null-sink sink_name=brief");
  ASSERT_EQ(loaded.Status, 0);
  const fs::path output = FDir / "levels.txt";
  BackgroundProgram levels(server.Environment() + " " +
                           Kivo("levels --capture brief --seconds 1") + " >" +
                           Quoted(output.string()) + " 2>&1");
  ASSERT_TRUE(Shows(output, "{\"block\":2,")) << ReadText(output);
  ASSERT_EQ(server.Run("pactl unload-module " + loaded.Output).Status, 0);
  ASSERT_TRUE(Shows(output,
                    "kivo: the capture device brief.monitor went away; waiting for it (no capture "
                    "device matches \"brief\"; there are: kivotest.monitor (Monitor of "
                    "KivoTestSink))\n"))
      << ReadText(output);
  // The default output's monitor is not taken instead.
  ASSERT_EQ(server.Run("pactl load-module module-null-sink sink_name=brief").Status, 0);
  EXPECT_EQ(levels.Wait(), 0) << ReadText(output);
  const std::string text = ReadText(output);
  EXPECT_NE(text.find("kivo: capturing brief.monitor (\"Monitor of Null Output\")\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(ParseBlocks(text).size(), 22u) << "a second of sound in blocks of 2048: " << text;
}

// A suspended source (by pactl, then by pasuspender) is said at once, and
// the levels go on when it resumes.
TEST_F(CaptureEndToEndTest, ASuspendedSourceIsWaitedForAndTheLevelsGoOn) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  const fs::path output = FDir / "levels.txt";
  BackgroundProgram levels(server.Environment() + " " +
                           Kivo("levels --capture " + server.Monitor() + " --seconds 2") + " >" +
                           Quoted(output.string()) + " 2>&1");
  ASSERT_TRUE(Shows(output, "{\"block\":2,")) << ReadText(output);
  ASSERT_EQ(server.Run("pactl suspend-sink " + server.Sink() + " 1").Status, 0);
  ASSERT_TRUE(Shows(output, "kivo: kivotest.monitor is suspended; waiting for it\n"))
      << ReadText(output);
  ASSERT_EQ(server.Run("pactl suspend-sink " + server.Sink() + " 0").Status, 0);
  ASSERT_TRUE(Shows(output, "kivo: capturing kivotest.monitor (\"Monitor of KivoTestSink\")\n"))
      << ReadText(output);

  const BackgroundProgram suspender(server.Environment() + " pasuspender -- sleep 2");
  EXPECT_EQ(levels.Wait(), 0) << ReadText(output);
  const std::string text = ReadText(output);
  EXPECT_EQ(ParseBlocks(text).size(), 44u) << text;
}

TEST_F(CaptureEndToEndTest, TheDefaultOutputIsFollowedWhereverItMoves) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  FollowsTheDefaultOutputWhereverItMoves(server);
}

// `q` is answered within a second while the captured source is suspended,
// which the status line shows.
TEST_F(CaptureEndToEndTest, PlayAnswersItsKeysWhileTheSourceIsSuspended) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  Tmux tmux;
  const std::string program = PlayInTmux(server, "--capture " + server.Monitor());
  ASSERT_EQ(tmux.Run("new-session -d -s view -x 160 -y 45 " + Quoted(program)).Status, 0);
  const auto statusShows = [&tmux](const std::string& text) {
    return tmux.WaitFor([&](const std::string& pane) {
      for (std::size_t row = 0; row < 45; ++row)
        if (LineOf(pane, row).find(text) != std::string::npos) return true;
      return false;
    });
  };
  ASSERT_TRUE(statusShows("Monitor of KivoTestSink  0:")) << tmux.Pane();
  ASSERT_EQ(server.Run("pactl suspend-sink " + server.Sink() + " 1").Status, 0);
  ASSERT_TRUE(statusShows("suspended")) << tmux.Pane();
  // The volume keys are answered under the suspend.
  static const std::regex kVolume(R"(vol (\d+)%)");
  std::smatch volume;
  const std::string before = tmux.Pane();
  ASSERT_TRUE(std::regex_search(before, volume, kVolume)) << before;
  tmux.Run("send-keys -t view " + std::string(volume[1] == "0" ? "+" : "-"));
  const std::string was = volume[0];
  EXPECT_TRUE(tmux.WaitFor([&](const std::string& pane) {
    std::smatch now;
    return std::regex_search(pane, now, kVolume) && now[0] != was;
  })) << tmux.Pane();
  ASSERT_EQ(server.Run("pactl suspend-sink " + server.Sink() + " 0").Status, 0);
  EXPECT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return pane.find("suspended") == std::string::npos;
  })) << tmux.Pane();

  ASSERT_EQ(server.Run("pactl suspend-sink " + server.Sink() + " 1").Status, 0);
  ASSERT_TRUE(statusShows("suspended")) << tmux.Pane();
  EXPECT_TRUE(QuitsWithinASecond(tmux)) << tmux.Pane();
}

TEST_F(CaptureEndToEndTest, WithoutAServerEachCommandSaysSoInOneLine) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  server.Stop();
  for (const std::string command :
       {"devices", "levels --capture --seconds 1", "levels --capture kivotest --seconds 1"}) {
    const CommandResult result = server.Run(Kivo(command));
    EXPECT_EQ(result.Status >> 8, 1) << command << ": " << result.Output;
    EXPECT_EQ(std::count(result.Output.begin(), result.Output.end(), '\n'), 1) << result.Output;
    EXPECT_NE(result.Output.find("no sound server answers at unix:" + server.Socket()),
              std::string::npos)
        << result.Output;
  }
}

// A sound server that stops answering, and then one that dies, leave the
// player answering its keys, with the reason in the status line.
TEST_F(CaptureEndToEndTest, PlayAnswersItsKeysWhenTheServerStopsAndWhenItDies) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  Tmux tmux;
  const std::string program = PlayInTmux(server, "--capture " + server.Monitor());
  ASSERT_EQ(tmux.Run("new-session -d -s view -x 200 -y 45 " + Quoted(program)).Status, 0);
  const auto shows = [&tmux](const std::string& text) {
    return tmux.WaitFor(
        [&](const std::string& pane) { return pane.find(text) != std::string::npos; });
  };
  ASSERT_TRUE(shows("Monitor of KivoTestSink  0:")) << tmux.Pane();

  server.Signal(SIGSTOP);
  EXPECT_TRUE(shows("the capture device kivotest.monitor delivers nothing")) << tmux.Pane();
  tmux.Run("send-keys -t view 2");
  EXPECT_TRUE(shows("mode 2")) << tmux.Pane();
  server.Signal(SIGCONT);
  EXPECT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return pane.find("delivers nothing") == std::string::npos;
  })) << tmux.Pane();

  server.Signal(SIGKILL);
  EXPECT_TRUE(shows("no sound server answers at unix:" + server.Socket())) << tmux.Pane();
  EXPECT_TRUE(QuitsWithinASecond(tmux)) << tmux.Pane();
}

// `kivo play --capture` waits for a device that is not there yet, shows the
// tone played into it, and clears its panels while the device is gone.
TEST_F(CaptureEndToEndTest, PlayShowsTheDeviceLiveAndWaitsWhileItIsMissing) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  Tmux tmux;
  const std::string program = PlayInTmux(server, "--display-mode 2 --capture latersink");
  ASSERT_EQ(
      tmux.Run("new-session -d -s view -x 320 -y 51 -e COLORTERM=truecolor " + Quoted(program))
          .Status,
      0);
  const auto statusLine = [](const std::string& pane) { return LineOf(pane, 50); };
  const auto picture = [](const std::string& pane) {
    std::string rows;
    for (std::size_t row = 0; row < 50; ++row) rows += LineOf(pane, row);
    return rows;
  };
  ASSERT_TRUE(tmux.WaitFor([&](const std::string& pane) {
    // The device asked for titles the track; the problem is the notice.
    return statusLine(pane).find("latersink  0:") != std::string::npos &&
           statusLine(pane).find("  no capture device matches \"latersink\"") != std::string::npos;
  })) << tmux.Pane();

  const CommandResult loaded = server.Run("pactl load-module module-null-sink sink_name=latersink");
  ASSERT_EQ(loaded.Status, 0);
  ASSERT_TRUE(tmux.WaitFor([&](const std::string& pane) {
    return statusLine(pane).find("Monitor of Null Output  0:") != std::string::npos;
  })) << tmux.Pane();
  EXPECT_EQ(picture(tmux.Pane()).find(kGreen), std::string::npos) << "silence: no bars";

  {
    const auto tone = PlayTone(server, "latersink");
    EXPECT_TRUE(tmux.WaitFor([&](const std::string& pane) {
      return picture(pane).find(kGreen) != std::string::npos;
    })) << tmux.Pane();
    // Pausing stops the capture; resuming shows the tone again.
    tmux.Run("send-keys -t view ' '");
    EXPECT_TRUE(tmux.WaitFor([&](const std::string& pane) {
      return statusLine(pane).find("paused") != std::string::npos;
    })) << tmux.Pane();
    tmux.Run("send-keys -t view ' '");
    EXPECT_TRUE(tmux.WaitFor([&](const std::string& pane) {
      return statusLine(pane).find("paused") == std::string::npos &&
             picture(pane).find(kGreen) != std::string::npos;
    })) << tmux.Pane();
  }
  EXPECT_TRUE(tmux.WaitFor([&](const std::string& pane) {
    return picture(pane).find(kGreen) == std::string::npos;
  })) << "the tone ended: the panels clear";

  // The server moves the stream to the sink that is left; the player
  // notices that its device is gone all the same.
  ASSERT_EQ(server.Run("pactl unload-module " + loaded.Output).Status, 0);
  EXPECT_TRUE(tmux.WaitFor([&](const std::string& pane) {
    return statusLine(pane).find("no capture device matches \"latersink\"") != std::string::npos ||
           statusLine(pane).find("went away") != std::string::npos;
  })) << tmux.Pane();

  tmux.Run("send-keys -t view q");
  EXPECT_TRUE(tmux.WaitForText("EXIT-STATUS=0")) << tmux.Pane();
}

// An application is named, or is not: an empty name and a device beside
// it are refused as usage; one that plays nothing is waited for, its
// silence counted; each of two is then captured alone.
TEST_F(CaptureEndToEndTest, CaptureAppWaitsForSilentApplicationsAndHearsOnlyTheOneNamed) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  for (const std::string refused :
       {"levels --capture-app '' --seconds 1", "levels --capture --capture-app x --seconds 1",
        "play --capture-app ''"}) {
    const CommandResult result = server.Run(Kivo(refused));
    EXPECT_EQ(result.Status >> 8, 2) << refused << ": " << result.Output;
    EXPECT_NE(result.Output.find("--capture"), std::string::npos) << result.Output;
  }

  const CommandResult waiting =
      server.Run(Kivo("levels --capture-app NoSuchPlayer --seconds 0.5"));
  ASSERT_EQ(waiting.Status, 0) << waiting.Output;
  EXPECT_NE(waiting.Output.find("kivo: waiting for \"NoSuchPlayer\" to play, at 44100 Hz for 0.5 s\n"),
            std::string::npos)
      << waiting.Output;
  const std::vector<Levels> quiet = ParseBlocks(waiting.Output);
  EXPECT_EQ(quiet.size(), 11u) << "half a second of silence in blocks of 2048";
  for (const Levels& block : quiet) EXPECT_TRUE(block.Clear);

  CapturesOnlyTheChosenApplication(server);
}

// A browser's next track is a new stream: when the application's stream
// is killed the capture waits with cleared panels, takes its next stream,
// and keeps it when the server moves it to another sink.
TEST_F(CaptureEndToEndTest, CaptureAppTakesTheNextStreamAndFollowsItToAnotherSink) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  ASSERT_EQ(server.Run("pactl load-module module-null-sink sink_name=other").Status, 0);
  auto first = PlayTone(server, server.Sink(), kToneHz, "Player");
  const fs::path output = FDir / "levels.txt";
  const auto levels = LevelsInBackground(server, "--capture-app Player --seconds 60", output);
  const std::size_t heard = ShowsToneFrom(output, 0, kToneBand);
  ASSERT_NE(heard, 0u) << ReadText(output);

  first->Signal(SIGKILL);
  first->Wait();
  ASSERT_TRUE(Shows(output, "kivo: waiting for \"Player\" to play\n")) << ReadText(output);
  const std::size_t cleared = ClearsFrom(output, heard);
  ASSERT_NE(cleared, 0u) << "the blocks go on, cleared: " << ReadText(output);

  const auto next = PlayTone(server, server.Sink(), kOtherToneHz, "Player");
  const std::size_t nextHeard = ShowsToneFrom(output, cleared, kOtherToneBand);
  ASSERT_NE(nextHeard, 0u) << (levels->Running() ? "" : "ended: " + std::to_string(levels->Ended()))
                           << ReadText(output);

  const std::string stream =
      server.Run("pactl list short sink-inputs | cut -f1 | tr -d '\\n'").Output;
  ASSERT_EQ(server.Run("pactl move-sink-input " + stream + " other").Status, 0);
  ASSERT_TRUE(Shows(output, "(pacat) playing to other\n") ||
              Shows(output, "(paplay) playing to other\n"))
      << ReadText(output);
  const std::size_t moved = ParseBlocks(ReadText(output)).size();
  EXPECT_NE(ShowsToneFrom(output, moved, kOtherToneBand), 0u) << ReadText(output);
}

// A server that dies under an application's capture is said at once and
// connected to again; the application is waited for on the new server.
TEST_F(CaptureEndToEndTest, CaptureAppRecoversWhenTheServerDiesAndComesBack) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  const auto first = PlayTone(server, server.Sink(), kToneHz, "Player");
  const fs::path output = FDir / "levels.txt";
  const auto levels = LevelsInBackground(server, "--capture-app Player --seconds 60", output);
  ASSERT_NE(ShowsToneFrom(output, 0, kToneBand), 0u) << ReadText(output);

  server.Signal(SIGKILL);
  ASSERT_TRUE(Shows(output, "kivo: cannot capture what \"Player\" plays: no sound server answers at "
                            "unix:" + server.Socket()))
      << ReadText(output);
  server.Stop();
  server.Start();
  ASSERT_TRUE(server.WaitUntilReady());
  ASSERT_TRUE(Shows(output, "kivo: waiting for \"Player\" to play\n")) << ReadText(output);
  const std::size_t waited = ParseBlocks(ReadText(output)).size();
  const auto again = PlayTone(server, server.Sink(), kOtherToneHz, "Player");
  EXPECT_NE(ShowsToneFrom(output, waited, kOtherToneBand), 0u) << ReadText(output);
}

// `devices --apps`: nothing to list is said, each stream is a line with
// the sink it plays to, and no server is one line of error.
TEST_F(CaptureEndToEndTest, DevicesAppsListsEachStreamAndItsSink) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  const CommandResult none = server.Run(Kivo("devices --apps"));
  EXPECT_EQ(none.Status, 0) << none.Output;
  EXPECT_EQ(none.Output, "kivo: no application plays now\n");

  ASSERT_EQ(server.Run("pactl load-module module-null-sink sink_name=other").Status, 0);
  const auto first = PlayTone(server, server.Sink(), kToneHz, "ToneA");
  const auto second = PlayTone(server, "other", kOtherToneHz, "Tone B");
  const CommandResult two = server.Run(Kivo("devices --apps"));
  EXPECT_EQ(two.Status, 0) << two.Output;
  static const std::regex kTwo(
      "\\d+  \"ToneA\"  (pacat|paplay)  kivotest\n\\d+  \"Tone B\"  (pacat|paplay)  other\n");
  EXPECT_TRUE(std::regex_match(two.Output, kTwo)) << two.Output;

  server.Stop();
  const CommandResult gone = server.Run(Kivo("devices --apps"));
  EXPECT_EQ(gone.Status >> 8, 1) << gone.Output;
  EXPECT_EQ(std::count(gone.Output.begin(), gone.Output.end(), '\n'), 1) << gone.Output;
  EXPECT_NE(gone.Output.find("no sound server answers at unix:" + server.Socket()),
            std::string::npos)
      << gone.Output;
}

// `kivo play --capture-app` waits with cleared panels while the application
// plays nothing, shows its tone once it plays, and waits again when its
// stream ends, the keys answered throughout.
TEST_F(CaptureEndToEndTest, PlayCaptureAppWaitsWithClearedPanelsAndShowsTheApplication) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  Tmux tmux;
  const std::string program = PlayInTmux(server, "--display-mode 2 --capture-app Player");
  ASSERT_EQ(
      tmux.Run("new-session -d -s view -x 320 -y 51 -e COLORTERM=truecolor " + Quoted(program))
          .Status,
      0);
  const auto statusLine = [](const std::string& pane) { return LineOf(pane, 50); };
  const auto picture = [](const std::string& pane) {
    std::string rows;
    for (std::size_t row = 0; row < 50; ++row) rows += LineOf(pane, row);
    return rows;
  };
  const auto waiting = [&](const std::string& pane) {
    return statusLine(pane).find("waiting for \"Player\" to play") != std::string::npos &&
           picture(pane).find(kGreen) == std::string::npos;
  };
  ASSERT_TRUE(tmux.WaitFor(waiting)) << tmux.Pane();

  {
    const auto tone = PlayTone(server, server.Sink(), kToneHz, "Player");
    EXPECT_TRUE(tmux.WaitFor([&](const std::string& pane) {
      return statusLine(pane).find("waiting") == std::string::npos &&
             picture(pane).find(kGreen) != std::string::npos;
    })) << tmux.Pane();
  }
  EXPECT_TRUE(tmux.WaitFor(waiting)) << "its stream ended: " << tmux.Pane();
  EXPECT_TRUE(QuitsWithinASecond(tmux)) << tmux.Pane();
}

// The same capture through PipeWire's pulse server, when it is installed.
constexpr const char* kNoPipeWire =
    "PipeWire is not installed (pipewire, wireplumber, pipewire-pulse and dbus-run-session are "
    "needed; scripts/install-deps.sh installs them)";

TEST_F(CaptureEndToEndTest, OnPipeWireTheDefaultOutputIsFollowed) {
  if (!PipeWireServer::Installed()) GTEST_SKIP() << kNoPipeWire;
  PipeWireServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  FollowsTheDefaultOutputWhereverItMoves(server);
}

TEST_F(CaptureEndToEndTest, OnPipeWireEachApplicationIsCapturedAlone) {
  if (!PipeWireServer::Installed()) GTEST_SKIP() << kNoPipeWire;
  PipeWireServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  CapturesOnlyTheChosenApplication(server);
}

}  // namespace
