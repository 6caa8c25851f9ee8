// A player session inside the test process: it answers a client's announce
// with the open notification and plays without a plug-in when there is none.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

#include "hostlink/Kivo.h"
#include "player/Playback.h"
#include "player/Session.h"

namespace {

using namespace kivo;
namespace fs = std::filesystem;

class TOpenLog {
 public:
  void Open(TObject*) { ++Opens; }
  int Opens = 0;
};

class TSpectrumLog {
 public:
  void Speana(TObject*, int* level) { Spectra.emplace_back(level, level + 10); }
  std::vector<std::vector<int>> Spectra;
};

class TVolumeLog {
 public:
  void Volume(TObject*, int left, int right) { Levels.push_back({left, right}); }
  std::vector<std::array<int, 2>> Levels;
};

// A block of 2048 frames of a tone, as loud on both channels.
std::vector<Frame> ToneBlock(double cyclesPerBlock, double amplitude) {
  std::vector<Frame> frames(2048);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const auto sample = static_cast<std::int16_t>(std::lround(
        amplitude * std::sin(2 * std::numbers::pi * cyclesPerBlock * static_cast<double>(i) /
                             static_cast<double>(frames.size()))));
    frames[i] = PackFrame(sample, sample);
  }
  return frames;
}

// What the player's own analysis says of a block with the default settings:
// the louder channel per band.
class TReferenceSpectrum final : public TAnalysisOutput {
 public:
  explicit TReferenceSpectrum(std::vector<Frame>& frames) {
    TSpectrumAnalysis analysis;
    analysis.FRecLevel = 100;
    analysis.FSpeanaPattern = 2;
    analysis.FAdjustSpeanaLevel = 100;
    const TSampleBlock block = SampleBlockOf(frames, frames.size());
    analysis.Sampling(&block, true, *this);
  }
  void ClearPanels() override { Levels.assign(10, 0); }
  void SetLevels(TChannel, const TBandLevels& levels) override {
    for (std::size_t band = 0; band < 10; ++band)
      Levels[band] = std::max(Levels[band], std::clamp(levels[band], 0, 15));
  }
  std::vector<int> Levels = std::vector<int>(10, 0);
};

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("kivo-session-unit-" + std::to_string(getpid()));
    fs::create_directories(FDir);
    if (const char* old = std::getenv("KIVO_REGISTRY_DIR")) FOldRegistry = old;
    FOptions.Home = (FDir / "home").string();
    FOptions.PluginPath = (FDir / "none.so").string();
    FOptions.LastBlock = 2;
    FOptions.Hop = 4096;
  }
  void TearDown() override {
    if (FOldRegistry.empty())
      unsetenv("KIVO_REGISTRY_DIR");
    else
      setenv("KIVO_REGISTRY_DIR", FOldRegistry.c_str(), 1);
    fs::remove_all(FDir);
  }

  fs::path FDir;
  std::string FOldRegistry;
  TSessionOptions FOptions;
};

TEST_F(SessionTest, AnnouncedClientsHearThatThePlayerIsOpen) {
  TPlayerSession session(FOptions, "");
  TKIVO client(nullptr);
  EXPECT_EQ(client.HostPath, (FDir / "home" / "kivo").string())
      << "the client finds the program path the player recorded";
  TOpenLog log;
  client.OnOpen = TNotifyEvent(&log, &TOpenLog::Open);
  ProcessMessages();
  EXPECT_EQ(log.Opens, 1);
  EXPECT_EQ(client.KIVOWindow(), session.MainWindow());
}

TEST_F(SessionTest, WithoutAPlugInTheDemoStillPlaysTheBlocksAskedFor) {
  FOptions.Png = (FDir / "window.png").string();
  FOptions.Size = TWindowSize{8, 6};
  FOptions.DisplayMode = 3;
  FOptions.Volume = 40;
  TPlayerSession session(FOptions, "");
  EXPECT_EQ(session.Run(), 3u);
  EXPECT_FALSE(session.PluginRunning());
  EXPECT_EQ(session.State().DisplayMode, Kivo_tlb::dmSpectrumPeaks);
  EXPECT_EQ(session.State().Volume, 40);
  EXPECT_EQ(session.State().Track, 1);
  EXPECT_EQ(session.State().PositionMs, (2 * 4096 + 2048) * 1000 / 44100);
  EXPECT_TRUE(fs::exists(FOptions.Png));
}

TEST_F(SessionTest, ARunThatDoesNotWaitEndsWithTheLastTrackEvenWhenRepeating) {
  fs::create_directories(FDir / "home");
  std::ofstream(FDir / "home" / "kivo.ini") << "[KIVO]\nRepeat=1\n";
  const std::string tone = (FDir / "tone.wav").string();
  ASSERT_EQ(std::system((std::string(SOX_PROGRAM) + " -n -r 8000 -c 2 -b 16 '" + tone +
                         "' synth 0.5 sine 440 2>/dev/null")
                            .c_str()),
            0);
  FOptions.Inputs = {tone, tone};
  FOptions.LastBlock.reset();
  FOptions.Hop = 2000;
  TPlayerSession session(FOptions, "");
  // Two tracks of 4000 frames: blocks at 0 and 2000 in each.
  EXPECT_EQ(session.Run(), 4u);
  EXPECT_TRUE(session.State().Repeat);
  EXPECT_EQ(session.State().Track, 2);
}

TEST_F(SessionTest, ThePlayersOwnSpectrumIsAnalysedOnlyWhenAClientHearsOrReadsIt) {
  TPlayerSession session(FOptions, "");
  session.Begin();
  TKIVO client(nullptr);
  TSpectrumLog log;
  client.OnSpeana = TKIVOSpeanaEvent(&log, &TSpectrumLog::Speana);
  client.Bind();
  ASSERT_TRUE(client.IsBound());

  std::vector<Frame> low = ToneBlock(20, 12000);
  std::vector<Frame> high = ToneBlock(300, 9000);
  session.PlayBlock(SampleBlockOf(high, high.size()), 46);
  session.PlayBlock(SampleBlockOf(low, low.size()), 92);
  ProcessMessages();
  EXPECT_EQ(session.OwnAnalyses(), 0u) << "nobody asked for the spectrum";
  EXPECT_TRUE(log.Spectra.empty());

  std::vector<int> read(10, -1);
  client.GetSpeana(read.data());
  const std::vector<int> lowSpectrum = TReferenceSpectrum(low).Levels;
  EXPECT_EQ(read, lowSpectrum) << "a read analyses the latest block";
  ASSERT_NE(lowSpectrum, std::vector<int>(10, 0));
  client.GetSpeana(read.data());
  EXPECT_EQ(session.OwnAnalyses(), 1u) << "a second read of the same block analyses nothing";

  client.SetEvents(TKIVOEventSet{evSpeana});
  session.PlayBlock(SampleBlockOf(high, high.size()), 138);
  session.PlayBlock(SampleBlockOf(low, low.size()), 184);
  ProcessMessages();
  const std::vector<int> highSpectrum = TReferenceSpectrum(high).Levels;
  ASSERT_NE(highSpectrum, lowSpectrum);
  EXPECT_EQ(log.Spectra, (std::vector<std::vector<int>>{highSpectrum, lowSpectrum}))
      << "a subscribed client hears every block's spectrum";
  client.GetSpeana(read.data());
  EXPECT_EQ(read, lowSpectrum);
  EXPECT_EQ(session.OwnAnalyses(), 3u);

  client.Unbind();
  session.End();
}

TEST_F(SessionTest, OutputLevelsAreThoseOfTheLatestBlockAtTheVolumeItWasPlayedAt) {
  TPlayerSession session(FOptions, "");
  session.Begin();
  TKIVO client(nullptr);
  TVolumeLog log;
  client.OnVolume = TKIVOLeftRightEvent(&log, &TVolumeLog::Volume);
  client.Bind();
  ASSERT_TRUE(client.IsBound());
  const auto peak = [](const std::vector<Frame>& frames) {
    int loudest = 0;
    for (const Frame frame : frames)
      loudest = std::max(loudest, std::abs(static_cast<int>(static_cast<std::int16_t>(frame))));
    return loudest;
  };

  std::vector<Frame> low = ToneBlock(20, 12000);
  std::vector<Frame> high = ToneBlock(300, 9000);
  session.State().Volume = 50;
  session.PlayBlock(SampleBlockOf(high, high.size()), 46);
  session.PlayBlock(SampleBlockOf(low, low.size()), 92);
  session.State().Volume = 100;
  ProcessMessages();
  EXPECT_TRUE(log.Levels.empty());
  int left = -1;
  int right = -1;
  client.GetVolumes(&left, &right);
  EXPECT_EQ(left, peak(low) / 2);
  EXPECT_EQ(right, peak(low) / 2);

  client.SetEvents(TKIVOEventSet{evVolume});
  session.PlayBlock(SampleBlockOf(high, high.size()), 138);
  session.PlayBlock(SampleBlockOf(low, low.size()), 184);
  ProcessMessages();
  EXPECT_EQ(log.Levels, (std::vector<std::array<int, 2>>{{peak(high), peak(high)},
                                                         {peak(low), peak(low)}}));
  client.Unbind();
  session.End();
}

}  // namespace

namespace {

class TDesignLog {
 public:
  void Design(TObject*) { ++Changes; }
  int Changes = 0;
};

TEST_F(SessionTest, ASkinChangeIsSavedAnnouncedAndSizesTheWindowAnew) {
  const fs::path small = FDir / "small.ini";
  const fs::path wide = FDir / "wide.ini";
  std::ofstream(small) << "[SpeanaL]\nVisible=1\nWidth=20\nHeight=10\n";
  std::ofstream(wide) << "[SpeanaL]\nVisible=1\nWidth=60\nHeight=30\n";
  FOptions.Design = small.string();
  TPlayerSession session(FOptions, "");
  TKIVO client(nullptr);
  client.Bind();
  TDesignLog log;
  client.OnDesign = TNotifyEvent(&log, &TDesignLog::Design);
  ASSERT_EQ(session.WindowFrame().Width, 20);

  EXPECT_EQ(session.ChangeDesign(wide.string()), std::nullopt);
  ProcessMessages();
  EXPECT_EQ(log.Changes, 1);
  EXPECT_EQ(client.GetDesign(), wide.string());
  EXPECT_EQ(session.WindowFrame().Width, 60);
  EXPECT_EQ(session.WindowFrame().Height, 30);
  std::ifstream settings(FDir / "home" / "kivo.ini");
  const std::string text(std::istreambuf_iterator<char>(settings), {});
  EXPECT_NE(text.find("Design=" + wide.string()), std::string::npos) << text;
}

}  // namespace
