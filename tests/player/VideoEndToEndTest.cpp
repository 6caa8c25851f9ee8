// `kivo render --video` with the real ffmpeg, read back with ffprobe: the
// window's size, a picture per block, the sound that was played and the
// time of the first picture; and where the pictures fall on the video's
// frame rate.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "player/VideoRecorder.h"

namespace {

namespace fs = std::filesystem;

TEST(FrameTimelineTest, PicturesOneHopApartFillOneSlotEach) {
  kivo::TFrameTimeline timeline(1470);
  EXPECT_EQ(timeline.Place(2048), 0u) << "the first picture only starts the video";
  EXPECT_EQ(timeline.Origin(), 2048u);
  for (std::uint64_t k = 1; k <= 5; ++k) EXPECT_EQ(timeline.Place(2048 + k * 1470), 1u) << k;
}

TEST(FrameTimelineTest, APictureInTheSameSlotReplacesTheOneHeldAndAGapIsFilled) {
  kivo::TFrameTimeline timeline(1000);
  timeline.Place(500);
  // The last blocks of a track all end at its end: they share a slot.
  EXPECT_EQ(timeline.Place(1499), 1u);
  EXPECT_EQ(timeline.Place(1700), 0u);
  EXPECT_EQ(timeline.Place(1999), 0u) << "nearer to slot 1 than to slot 2";
  EXPECT_EQ(timeline.Place(2000), 1u);
  // The next track's first block ends a whole block later.
  EXPECT_EQ(timeline.Place(5600), 3u) << "slot 2 held until slot 5";
}

struct TRun {
  int ExitCode = -1;
  std::string Output;
};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

TRun Shell(const std::string& command) {
  TRun run;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.Output.append(buffer, got);
  const int status = ::pclose(pipe);
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// What ffprobe says of one stream ("v:0", "a:0") or, for "", the container.
std::map<std::string, std::string> Probe(const std::string& video, const std::string& stream) {
  const std::string entries = stream.empty()
                                  ? "-show_entries format=duration"
                                  : "-select_streams " + stream +
                                        " -show_entries stream=codec_type,width,height,nb_frames,"
                                        "start_time,duration,sample_rate,channels";
  const TRun run = Shell(std::string(FFPROBE_PROGRAM) + " -v error " + entries +
                         " -of default=noprint_wrappers=1 " + Quoted(video));
  std::map<std::string, std::string> values;
  std::istringstream lines(run.Output);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

double Number(const std::map<std::string, std::string>& values, const std::string& key) {
  const auto found = values.find(key);
  return found == values.end() ? -1.0 : std::stod(found->second);
}

class VideoEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("kivo-video-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(FDir);
    fs::create_directories(FDir / "runtime");
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string File(const std::string& name) const { return (FDir / name).string(); }

  std::string Tone(const std::string& name, double seconds, int rate = 44100) const {
    const std::string command = std::string(SOX_PROGRAM) + " -n -r " + std::to_string(rate) +
                                " -c 2 -b 16 " + Quoted(File(name)) + " synth " +
                                std::to_string(seconds) + " sine 440 vol 0.5 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return Quoted(File(name));
  }

  TRun Kivo(const std::string& arguments) const {
    // The time-out only ends a player that waits for ffmpeg forever.
    return Shell("XDG_RUNTIME_DIR=" + Quoted(File("runtime")) + " timeout 600 " + KIVO_PROGRAM +
                 " " + arguments + " </dev/null");
  }
  // `kivo render` or `kivo play` with a home of the test's own.
  TRun Session(const std::string& arguments) const {
    return Kivo(arguments + " --home " + Quoted(File("home")));
  }

  // The blocks `kivo levels` cuts the same audio into.
  std::size_t Blocks(const std::string& input, std::size_t hop) const {
    const TRun run = Kivo("levels " + input + " --hop " + std::to_string(hop));
    return static_cast<std::size_t>(std::count(run.Output.begin(), run.Output.end(), '\n'));
  }

  fs::path FDir;
};

TEST_F(VideoEndToEndTest, AVideoHasThePicturesOfEveryBlockAndTheSoundInStep) {
  const std::string tone = Tone("tone.wav", 3.0);
  // 25 pictures a second: a block every 1764 frames.
  const TRun run = Session("render " + tone + " --fps 25 --png " + Quoted(File("o.png")) +
                           " --video " + Quoted(File("o.mp4")));
  ASSERT_EQ(run.ExitCode, 0) << run.Output;
  EXPECT_EQ(run.Output, "");

  const auto video = Probe(File("o.mp4"), "v:0");
  ASSERT_EQ(video.count("codec_type"), 1u) << "no video stream";
  EXPECT_EQ(video.at("width"), "320");
  EXPECT_EQ(video.at("height"), "100");
  EXPECT_EQ(Number(video, "nb_frames"), static_cast<double>(Blocks(tone, 1764)));
  // The first picture is that of block 0, heard to its end at frame 2048.
  EXPECT_NEAR(Number(video, "start_time"), 2048.0 / 44100.0, 0.002);

  const auto sound = Probe(File("o.mp4"), "a:0");
  ASSERT_EQ(sound.count("codec_type"), 1u) << "no audio stream";
  EXPECT_EQ(sound.at("sample_rate"), "44100");
  EXPECT_EQ(sound.at("channels"), "2");
  EXPECT_NEAR(Number(sound, "duration"), 3.0, 0.03);
  // The last picture is shown for one picture's time after the sound ends.
  EXPECT_NEAR(Number(Probe(File("o.mp4"), ""), "duration"), 3.0 + 1.0 / 25.0, 0.03);
}

TEST_F(VideoEndToEndTest, TheSoundEndsWithTheLastBlockAndTracksFollowInOrder) {
  const std::string first = Tone("first.wav", 1.0);
  const std::string second = Tone("second.wav", 1.5);
  const TRun all = Session("play --no-wait " + first + " " + second + " --hop 4410 --video " +
                           Quoted(File("all.mp4")));
  ASSERT_EQ(all.ExitCode, 0) << all.Output;
  EXPECT_NEAR(Number(Probe(File("all.mp4"), "a:0"), "duration"), 2.5, 0.03);
  EXPECT_EQ(Number(Probe(File("all.mp4"), "v:0"), "nb_frames"),
            static_cast<double>(Blocks(first, 4410) + Blocks(second, 4410)));

  // Blocks 0 to 9: the sound up to the end of block 9.
  const TRun part = Session("render " + second + " --hop 4410 --block 9 --png " +
                            Quoted(File("o.png")) + " --video " + Quoted(File("part.mp4")));
  ASSERT_EQ(part.ExitCode, 0) << part.Output;
  EXPECT_NEAR(Number(Probe(File("part.mp4"), "a:0"), "duration"), (9 * 4410 + 2048) / 44100.0,
              0.03);
  EXPECT_EQ(Number(Probe(File("part.mp4"), "v:0"), "nb_frames"), 10.0);
}

// The encoder holds dozens of pictures back before it writes one; with
// pictures this far apart, ffmpeg takes the sound many seconds ahead of them.
TEST_F(VideoEndToEndTest, PicturesFarApartStillGetAllTheirSound) {
  const std::string tone = Tone("long.wav", 20.0);
  const TRun run = Session("render " + tone + " --hop 20000 --png " + Quoted(File("o.png")) +
                           " --video " + Quoted(File("o.mp4")));
  ASSERT_EQ(run.ExitCode, 0) << run.Output;
  EXPECT_EQ(Number(Probe(File("o.mp4"), "v:0"), "nb_frames"),
            static_cast<double>(Blocks(tone, 20000)));
  EXPECT_NEAR(Number(Probe(File("o.mp4"), "a:0"), "duration"), 20.0, 0.03);
}

// A track that cannot be played adds nothing to the video, nor its sample
// rate to those that must agree; the tracks around it follow each other.
TEST_F(VideoEndToEndTest, AnUnplayableTrackIsSkippedAndLeftOutOfTheVideo) {
  const std::string first = Tone("first.wav", 1.0);
  std::ofstream(File("text.wav")) << "this is no audio file\n";
  const std::string second = Tone("second.wav", 1.5);
  const TRun run = Session("play --no-wait " + first + " " + Quoted(File("text.wav")) + " " +
                           Quoted(File("gone.wav")) + " " + second + " --hop 4410 --video " +
                           Quoted(File("o.mp4")));
  ASSERT_EQ(run.ExitCode, 0) << run.Output;
  EXPECT_NE(run.Output.find("track 2 skipped: cannot read"), std::string::npos) << run.Output;
  EXPECT_NE(run.Output.find("track 3 skipped: cannot open"), std::string::npos) << run.Output;
  EXPECT_NEAR(Number(Probe(File("o.mp4"), "a:0"), "duration"), 2.5, 0.03);
  EXPECT_EQ(Number(Probe(File("o.mp4"), "v:0"), "nb_frames"),
            static_cast<double>(Blocks(first, 4410) + Blocks(second, 4410)));
}

TEST_F(VideoEndToEndTest, TracksOfDifferentSampleRatesAreRefusedBeforeAnythingPlays) {
  const TRun run = Session("play --no-wait " + Tone("cd.wav", 0.5) + " " +
                           Tone("dat.wav", 0.5, 48000) + " --video " + Quoted(File("o.mp4")));
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Output.find("--video takes tracks of one sample rate"), std::string::npos)
      << run.Output;
  EXPECT_FALSE(fs::exists(File("o.mp4")));
}

}  // namespace
