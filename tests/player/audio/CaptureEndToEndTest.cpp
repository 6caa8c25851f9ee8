// The built `kivo` capturing from a real sound server: a PulseAudio daemon
// of each test's own with a null sink, a tone played into it with paplay,
// its monitor captured by `kivo levels --capture`, `kivo devices` and
// `kivo play --capture` in tmux.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/player/TmuxTestSupport.h"
#include "tests/player/audio/PulseServer.h"

namespace {

namespace fs = std::filesystem;
using namespace kivo_test;

// 50 cycles in each 2048 frames at 44.1 kHz: bin 50, which band 5 of the
// default pattern (bins 40 to 59) covers, whatever the block's phase.
constexpr const char* kToneHz = "1076.660156";
constexpr std::size_t kToneBand = 5;
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
    if (line.rfind("kivo: capturing", 0) == 0) continue;
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

bool ToneBandStandsOut(const std::vector<int>& levels) {
  if (levels.size() != 10 || levels[kToneBand] < 5) return false;
  for (std::size_t band = 0; band < levels.size(); ++band)
    if (band != kToneBand && levels[band] > 1) return false;
  return true;
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

  std::string MakeTone(const std::string& name, double seconds) const {
    const std::string path = (FDir / name).string();
    const std::string command = std::string(SOX_PROGRAM) + " -n -r 44100 -c 2 -b 16 " +
                                Quoted(path) + " synth " + std::to_string(seconds) + " sine " +
                                kToneHz + " vol 0.5 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path;
  }

  // Starts playing a long tone into `sink` and waits until the server has
  // the stream.
  std::unique_ptr<BackgroundProgram> PlayTone(const PulseServer& server,
                                              const std::string& sink) const {
    auto player = std::make_unique<BackgroundProgram>(
        server.Environment() + " paplay --device=" + sink + " " + Quoted(MakeTone("tone.wav", 60)));
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      if (!server.Run("pactl list short sink-inputs").Output.empty()) return player;
      std::this_thread::sleep_for(50ms);
    }
    ADD_FAILURE() << "paplay never played";
    return player;
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

TEST_F(CaptureEndToEndTest, ADeviceThatGoesAwayEndsTheCaptureWithOneLine) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  ASSERT_EQ(server.Run("pactl load-module module-null-sink sink_name=brief").Status, 0);
  const fs::path output = FDir / "levels.txt";
  BackgroundProgram levels(server.Environment() + " " +
                           Kivo("levels --capture brief --seconds 60") + " >" +
                           Quoted(output.string()) + " 2>&1");
  const auto captured = [&output](const std::string& text) {
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      if (ReadText(output).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  };
  ASSERT_TRUE(captured("{\"block\":2,")) << ReadText(output);
  ASSERT_EQ(server.Run("pactl unload-module module-null-sink").Status, 0);
  EXPECT_EQ(levels.Wait(), 1) << ReadText(output);
  EXPECT_NE(
      ReadText(output).find("kivo: the capture device brief.monitor went away; there are none\n"),
      std::string::npos)
      << ReadText(output);
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

// `kivo play --capture` waits for a device that is not there yet, shows the
// tone played into it, and clears its panels while the device is gone.
TEST_F(CaptureEndToEndTest, PlayShowsTheDeviceLiveAndWaitsWhileItIsMissing) {
  PulseServer server("kivotest");
  ASSERT_TRUE(server.WaitUntilReady());
  Tmux tmux;
  fs::create_directories(FDir / "runtime");
  const std::string program =
      server.Environment() + " XDG_RUNTIME_DIR=" + Quoted((FDir / "runtime").string()) + " " +
      Quoted(KIVO_PROGRAM) + " play --home " + Quoted((FDir / "home").string()) +
      " --display-mode 2 --capture latersink" + "; echo \"EXIT-STATUS=$?\"; sleep 600";
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

}  // namespace
