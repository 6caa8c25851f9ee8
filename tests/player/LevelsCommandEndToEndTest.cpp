// Runs the built `kivo levels` on audio written by a real tool (sox) and on
// raw standard input, and checks its output and its error paths.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Both panels at level 8 in band 1: a 12-cycle-per-block tone of amplitude
// about 14540 lands its band sum at x = 8.5.
const std::string kToneLine = R"("left":[0,8,0,0,0,0,0,0,0,0],"right":[0,8,0,0,0,0,0,0,0,0]})";

struct RunResult {
  int ExitCode = -1;
  std::vector<std::string> Lines;
  std::string Errors;
};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string ReadText(const fs::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

struct BlockLevels {
  std::vector<int> Left;
  std::vector<int> Right;
};

std::vector<int> ParseInts(const std::string& list) {
  std::vector<int> values;
  std::istringstream stream(list);
  for (std::string item; std::getline(stream, item, ',');) values.push_back(std::stoi(item));
  return values;
}

BlockLevels ParseLevels(const std::string& line) {
  static const std::regex kLevels(
      R"re(^\{"block":\d+,"left":\[([-0-9,]*)\],"right":\[([-0-9,]*)\]\}$)re");
  std::smatch match;
  if (!std::regex_match(line, match, kLevels)) return {};
  return {ParseInts(match[1]), ParseInts(match[2])};
}

class LevelsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("kivo-levels-" + std::to_string(::getpid()));
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string File(const std::string& name) const { return (FDir / name).string(); }

  // Makes audio with sox; `sox` arguments go between the output options and
  // the effects.
  void Sox(const std::string& arguments) const {
    const std::string command = std::string(SOX_PROGRAM) + " " + arguments + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  void MakeTone(const std::string& name) const {
    Sox("-n -r 2048 -c 2 -b 16 -D " + Quoted(File(name)) + " synth 2 sine 12 vol 0.4437");
  }

  RunResult Kivo(const std::string& arguments, const std::string& input = "/dev/null") const {
    const std::string command = std::string(KIVO_PROGRAM) + " " + arguments + " <" + Quoted(input) +
                                " >" + Quoted(File("out")) + " 2>" + Quoted(File("err"));
    const int status = std::system(command.c_str());
    RunResult result;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Lines = SplitLines(ReadText(File("out")));
    result.Errors = ReadText(File("err"));
    return result;
  }

  void ExpectOneLineError(const std::string& arguments, const std::string& mentions) const {
    const RunResult result = Kivo(arguments);
    EXPECT_NE(result.ExitCode, 0) << arguments;
    EXPECT_TRUE(result.Lines.empty()) << arguments;
    EXPECT_EQ(SplitLines(result.Errors).size(), 1u) << result.Errors;
    EXPECT_NE(result.Errors.find(mentions), std::string::npos) << result.Errors;
  }

 private:
  fs::path FDir;
};

TEST_F(LevelsCommandTest, WavFileFromSoxGivesTheToneLevels) {
  MakeTone("tone.wav");
  const RunResult result = Kivo("levels " + Quoted(File("tone.wav")));
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_EQ(result.Lines,
            (std::vector<std::string>{"{\"block\":0," + kToneLine, "{\"block\":1," + kToneLine}));
}

TEST_F(LevelsCommandTest, SettingsChangeTheLevels) {
  MakeTone("tone.wav");
  const std::string tone = Quoted(File("tone.wav"));
  EXPECT_EQ(Kivo("levels --adjust 50 " + tone).Lines.at(0),
            R"({"block":0,"left":[0,4,0,0,0,0,0,0,0,0],"right":[0,4,0,0,0,0,0,0,0,0]})");
  EXPECT_EQ(Kivo("levels --pattern 1 " + tone).Lines.at(0),
            R"({"block":0,"left":[0,0,0,5,0,0,0,0,0,0],"right":[0,0,0,5,0,0,0,0,0,0]})");
  EXPECT_EQ(
      Kivo("levels --rec-level 0 " + tone).Lines,
      (std::vector<std::string>{R"({"block":0,"clear":true})", R"({"block":1,"clear":true})"}));
}

TEST_F(LevelsCommandTest, HopOverlapsBlocksAndShortensTheLast) {
  MakeTone("tone.wav");
  const RunResult result = Kivo("levels --hop 1024 " + Quoted(File("tone.wav")));
  ASSERT_EQ(result.Lines.size(), 4u);
  EXPECT_EQ(result.Lines[2], "{\"block\":2," + kToneLine);
  EXPECT_NE(result.Lines[3], "{\"block\":3," + kToneLine) << "the last block holds 1024 frames";
}

TEST_F(LevelsCommandTest, MonoFlacPlaysOnBothChannels) {
  Sox("-n -r 44100 -c 1 -b 24 " + Quoted(File("a440.flac")) + " synth 1 sine 440");
  const RunResult result = Kivo("levels " + Quoted(File("a440.flac")));
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  ASSERT_EQ(result.Lines.size(), 22u) << "44100 frames make 21 whole blocks and a short one";
  for (const std::string& line : result.Lines) {
    const BlockLevels levels = ParseLevels(line);
    ASSERT_EQ(levels.Left.size(), 10u) << line;
    EXPECT_EQ(levels.Left, levels.Right) << line;
  }
  EXPECT_EQ(ParseLevels(result.Lines[0]).Left[3], 10) << "440 Hz is bin 20.4, in band 3";
}

TEST_F(LevelsCommandTest, RawStandardInputMatchesTheWavFile) {
  MakeTone("tone.wav");
  Sox(Quoted(File("tone.wav")) + " -t raw -e signed -b 16 -c 2 -L " + Quoted(File("tone.raw")));
  const RunResult fromFile = Kivo("levels " + Quoted(File("tone.wav")));
  const RunResult fromStdin = Kivo("levels -", File("tone.raw"));
  ASSERT_EQ(fromStdin.ExitCode, 0) << fromStdin.Errors;
  EXPECT_EQ(fromStdin.Lines, fromFile.Lines);

  std::ofstream(File("silence.raw"), std::ios::binary) << std::string(4 * 100, '\0');
  EXPECT_EQ(Kivo("levels -", File("silence.raw")).Lines,
            (std::vector<std::string>{R"({"block":0,"clear":true})"}));
}

TEST_F(LevelsCommandTest, DemoRunsWithoutInput) {
  const RunResult result = Kivo("levels");
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  ASSERT_GT(result.Lines.size(), 100u);
  EXPECT_NE(result.Lines[10].find("\"left\":["), std::string::npos);
  EXPECT_EQ(Kivo("levels --demo").Lines, result.Lines);
}

TEST_F(LevelsCommandTest, BadInputGivesOneClearLine) {
  ExpectOneLineError("levels " + Quoted(File("absent.wav")), "absent.wav");
  std::ofstream(File("notes.txt")) << "this is no audio file\n";
  ExpectOneLineError("levels " + Quoted(File("notes.txt")), "notes.txt");
  ExpectOneLineError("levels --pattern 6", "--pattern");
  ExpectOneLineError("levels --hop 0", "--hop");
  ExpectOneLineError("levels --rec-level loud", "--rec-level");
  ExpectOneLineError("levels --adjust 99999999999", "--adjust");
  ExpectOneLineError("levels --demo " + Quoted(File("absent.wav")), "--demo");
  ExpectOneLineError("", "a command is required");
}

// A playlist or a folder, which `play` takes, is no one stream of blocks:
// it is refused by what it is, even when it would hold playable audio.
TEST_F(LevelsCommandTest, APlaylistOrAFolderIsRefusedAsNoOneStream) {
  fs::create_directories(File("album"));
  MakeTone("album/tone.wav");
  std::ofstream(File("list.m3u")) << "album/tone.wav\n";
  ExpectOneLineError("levels " + Quoted(File("album")), "is a folder");
  ExpectOneLineError("levels " + Quoted(File("list.m3u")), "is a playlist");
  const RunResult result = Kivo("levels " + Quoted(File("list.m3u")));
  EXPECT_NE(result.Errors.find("levels takes one audio stream"), std::string::npos)
      << result.Errors;
}

// Every numeric option of every command says what it takes, in words.
TEST_F(LevelsCommandTest, OptionErrorsSayWhatWasExpected) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"levels --hop 0", "--hop: 0 is not a positive number of frames"},
      {"levels --hop 99999999999999999999999",
       "--hop: 99999999999999999999999 is too large for a positive number of frames"},
      {"levels --capture --seconds 0", "--seconds: 0 is not a positive number of seconds"},
      {"levels --format xml", "--format: xml is not one of json, bars, waybar"},
      {"levels --channels centre", "--channels: centre is not one of left, right, both, mix"},
      {"levels --fps 0", "--fps: 0 is not a frame rate from 1 to 1000"},
      {"levels --capture --seconds inf", "--seconds: inf is not a positive number of seconds"},
      {"play --scale 0", "--scale: 0 is not a window scale from 1 to 64"},
      {"play --freeze soon", "--freeze: soon is not a block number (0 or more)"},
      {"render --png x.png --set-display-mode 10:9",
       "--set-display-mode: 10:9 is not BLOCK:MODE, a block number and a display mode from 0 "
       "to 4"},
      {"render --png x.png --set-display-mode 10", "--set-display-mode: 10 is not BLOCK:MODE"},
      {"render --png x.png --size 0x5",
       "--size: 0x5 is not a window size WIDTHxHEIGHT, each from 1 to 4096"},
      {"levels --pattern 9", "--pattern: 9 is not a band pattern from 0 to 5"},
      {"levels --rec-level 1.5",
       "--rec-level: 1.5 is not a recording level in percent from -2147483648 to 2147483647"},
      {"levels --adjust 2147483648", "--adjust: 2147483648 is not a level adjustment"},
      {"render --png x.png --block -1", "--block: -1 is not a block number (0 or more)"},
      {"render --png x.png --fps 0", "--fps: 0 is not a frame rate from 1 to 1000"},
      {"render --png x.png --hop -3", "--hop: -3 is not a positive number of frames"},
      {"render --png x.png --host-version new", "--host-version: new is not a version number"},
      {"play --volume 101", "--volume: 101 is not a volume from 0 to 100"},
      {"play --display-mode 5", "--display-mode: 5 is not a display mode from 0 to 4"},
      {"play --rec-level x", "--rec-level: x is not a recording level in percent"},
      {"play --adjust 0x10", "--adjust: 0x10 is not a level adjustment in percent"},
  };
  for (const auto& [arguments, says] : cases) {
    ExpectOneLineError(arguments, "kivo: " + says);
    EXPECT_LT(Kivo(arguments).Errors.size(), 120u) << arguments;
  }
}

TEST_F(LevelsCommandTest, AnUnknownCommandIsNamedWithTheCommandsThereAre) {
  ExpectOneLineError("frobnicate --hop 3",
                     "kivo: unknown command 'frobnicate' (commands: levels, ");
  ExpectOneLineError("frobnicate", ", render, play");
  ExpectOneLineError("--quiet frobnicate", "unknown command 'frobnicate'");
}

// Each refusal is the whole of what is printed, and the status of a
// refused command line.
TEST_F(LevelsCommandTest, UnknownOptionsAndBadOutputPathsAreNamedWithStatusTwo) {
  std::ofstream(File("a-file")) << "not a folder\n";
  const std::string file = File("a-file");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"--unknown-option", "kivo: unknown option '--unknown-option' (try --help)"},
      {"render --frobnicate", "kivo render: unknown option '--frobnicate' (try --help)"},
      {"levels --loud " + Quoted(file), "kivo levels: unknown option '--loud' (try --help)"},
      {"render --png x.png --frames " + Quoted(file),
       "kivo: --frames: '" + file + "' is not a folder (try --help)"},
      {"render --png x.png --frames " + Quoted(file + "/frames"),
       "kivo: --frames: cannot make '" + file + "/frames': '" + file +
           "' is not a folder (try --help)"},
      {"render --png " + Quoted(file + "/x.png"),
       "kivo: --png: '" + file + "' is not a folder (try --help)"},
      {"render --png " + Quoted(File("")), "is a folder, not a file"},
      {"render --png " + Quoted(File("absent/x.png")), "no folder '" + File("absent") + "'"},
      {"render --png x.png --video " + Quoted(File("")), "kivo: --video: '"},
      // Permissions do not tell for root; the folder is tried.
      {"render --png /proc/x.png", "kivo: --png: cannot write in '/proc': "},
  };
  for (const auto& [arguments, says] : cases) {
    SCOPED_TRACE(arguments);
    const RunResult result = Kivo(arguments);
    EXPECT_EQ(result.ExitCode, 2) << result.Errors;
    EXPECT_TRUE(result.Lines.empty());
    EXPECT_EQ(SplitLines(result.Errors).size(), 1u) << result.Errors;
    EXPECT_NE(result.Errors.find(says), std::string::npos) << result.Errors;
  }
}

// The plug-in takes negative levels as they come, so they run; a line
// says what they do.
TEST_F(LevelsCommandTest, NegativeLevelsRunWithAWarning) {
  MakeTone("tone.wav");
  const std::string tone = Quoted(File("tone.wav"));
  const RunResult turned = Kivo("levels --rec-level -50 " + tone);
  EXPECT_EQ(turned.ExitCode, 0);
  EXPECT_EQ(turned.Errors,
            "kivo: --rec-level -50 is negative: the samples are turned over, which the bars show "
            "as --rec-level 50\n");
  EXPECT_EQ(turned.Lines, Kivo("levels --rec-level 50 " + tone).Lines);
  ASSERT_FALSE(turned.Lines.empty());

  const RunResult empty = Kivo("levels --adjust -5 " + tone);
  EXPECT_EQ(empty.ExitCode, 0);
  EXPECT_EQ(empty.Errors,
            "kivo: --adjust -5 is negative: every level falls below 0, so the bars stay empty\n");
  EXPECT_EQ(empty.Lines.size(), turned.Lines.size());
  EXPECT_TRUE(Kivo("levels --rec-level 0 --adjust 0 " + tone).Errors.empty());
}

// The bars of one channel's levels as the JSON line gives them.
std::string BarsOf(const std::vector<int>& levels) {
  const char* const heights[] = {" ", "▁", "▂", "▂", "▃", "▄", "▅", "▆", "▆", "▇", "█"};
  std::string bars;
  for (const int level : levels) bars += heights[std::clamp(level, 0, 10)];
  return bars;
}

TEST_F(LevelsCommandTest, AReaderThatClosesThePipeEndsTheBarsWithStatusZero) {
  Sox("-n -r 44100 -c 2 -b 16 " + Quoted(File("long.wav")) + " synth 600 sine 440 vol 0.3");
  for (const std::string format : {"bars", "waybar", "json"}) {
    const std::string command = "set -o pipefail; " + std::string(KIVO_PROGRAM) +
                                " levels --format " + format + " " + Quoted(File("long.wav")) +
                                " 2>" + Quoted(File("err")) + " | head -n 3 >/dev/null";
    const int status = std::system(("bash -c " + Quoted(command)).c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << format << ": " << status;
    EXPECT_EQ(ReadText(File("err")), "") << format;
  }
}

TEST_F(LevelsCommandTest, BarsShowTheSameBlocksLevelsOneDisplayedFrameApart) {
  Sox("-n -r 44100 -c 2 -b 16 " + Quoted(File("tones.wav")) +
      " synth 2 sine 300 sine 5000 vol 0.4");
  const std::string input = " " + Quoted(File("tones.wav"));
  const RunResult json = Kivo("levels --fps 25" + input);
  const RunResult bars = Kivo("levels --format bars --fps 25" + input);
  const RunResult left = Kivo("levels --format bars --fps 25 --channels left" + input);
  const RunResult waybar = Kivo("levels --format waybar" + input);
  ASSERT_EQ(bars.ExitCode, 0) << bars.Errors;
  // Two seconds at 25 frames a second: 1764 frames from one block to the next.
  ASSERT_EQ(json.Lines.size(), 50u);
  ASSERT_EQ(bars.Lines.size(), json.Lines.size());
  ASSERT_EQ(left.Lines.size(), json.Lines.size());
  EXPECT_EQ(waybar.Lines.size(), 60u) << "30 frames a second unless --fps says otherwise";
  bool heard = false;
  for (std::size_t i = 0; i < json.Lines.size(); ++i) {
    const BlockLevels levels = ParseLevels(json.Lines[i]);
    ASSERT_EQ(levels.Left.size(), 10u) << json.Lines[i];
    EXPECT_EQ(bars.Lines[i], BarsOf(levels.Left) + BarsOf(levels.Right)) << i;
    EXPECT_EQ(left.Lines[i], BarsOf(levels.Left)) << i;
    heard = heard || bars.Lines[i].find_first_not_of(' ') != std::string::npos;
  }
  EXPECT_TRUE(heard);
  EXPECT_EQ(waybar.Lines[10], "{\"text\":\"" + Kivo("levels --format bars" + input).Lines[10] +
                                  "\",\"class\":\"playing\"}");
}

TEST_F(LevelsCommandTest, SilenceIsASilentWaybarLine) {
  Sox("-n -r 44100 -c 2 -b 16 " + Quoted(File("quiet.wav")) + " trim 0 1");
  const RunResult waybar = Kivo("levels --format waybar --channels mix " + Quoted(File("quiet.wav")));
  ASSERT_EQ(waybar.ExitCode, 0) << waybar.Errors;
  ASSERT_FALSE(waybar.Lines.empty());
  for (const auto& line : waybar.Lines)
    EXPECT_EQ(line, R"({"text":"          ","class":"silent"})");
}

TEST_F(LevelsCommandTest, HelpExplainsTheCommand) {
  const RunResult result = Kivo("levels --help");
  EXPECT_EQ(result.ExitCode, 0);
  std::string help;
  for (const auto& line : result.Lines) help += line + "\n";
  for (const char* option : {"INPUT", "--pattern", "--rec-level", "--adjust", "--hop", "--demo",
                             "--format", "--channels", "--fps"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

}  // namespace
