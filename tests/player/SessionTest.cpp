// A player session inside the test process: it answers a client's announce
// with the open notification and plays without a plug-in when there is none.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "hostlink/Kivo.h"
#include "player/Session.h"

namespace {

using namespace kivo;
namespace fs = std::filesystem;

class TOpenLog {
 public:
  void Open(TObject*) { ++Opens; }
  int Opens = 0;
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
  ASSERT_EQ(session.RenderWindow().Width, 20);

  EXPECT_EQ(session.ChangeDesign(wide.string()), std::nullopt);
  ProcessMessages();
  EXPECT_EQ(log.Changes, 1);
  EXPECT_EQ(client.GetDesign(), wide.string());
  EXPECT_EQ(session.RenderWindow().Width, 60);
  EXPECT_EQ(session.RenderWindow().Height, 30);
  std::ifstream settings(FDir / "home" / "kivo.ini");
  const std::string text(std::istreambuf_iterator<char>(settings), {});
  EXPECT_NE(text.find("Design=" + wide.string()), std::string::npos) << text;
}

}  // namespace
