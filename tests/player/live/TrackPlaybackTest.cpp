// The live player's tracks in the test process, without a sound device: a
// client that adds a file that cannot be played and selects it hears the
// track change, and the track that played goes on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/com/Bstr.h"
#include "player/Session.h"
#include "player/live/TrackPlayback.h"

namespace {

using namespace kivo;
namespace fs = std::filesystem;

class TrackPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("kivo-track-playback-" + std::to_string(getpid()));
    fs::create_directories(FDir);
    FOptions.Home = (FDir / "home").string();
    FOptions.PluginPath = (FDir / "none.so").string();
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string MakeTone(const std::string& name) const {
    const std::string path = (FDir / name).string();
    EXPECT_EQ(std::system((std::string(SOX_PROGRAM) + " -n -r 8000 -c 2 -b 16 '" + path +
                           "' synth 30 sine 440 2>/dev/null")
                              .c_str()),
              0);
    return path;
  }

  fs::path FDir;
  TSessionOptions FOptions;
};

TEST_F(TrackPlaybackTest, AnUnplayableTrackSelectedWhileAnotherPlaysLeavesThatOnePlaying) {
  FOptions.Inputs = {MakeTone("tone.wav")};
  TPlayerSession session(FOptions, "");
  session.Begin();
  TTrackPlayback tracks(session, false, nullptr);
  ASSERT_TRUE(tracks.Follow());
  ASSERT_EQ(session.State().Track, 1);

  TComPtr<Kivo_tlb::IKIVOPlayList> playList;
  TComPtr<Kivo_tlb::IKIVOControl>(&session.Control())
      .QueryInterface(Kivo_tlb::IID_IKIVOPlayList, playList);
  const std::string missing = (FDir / "missing.wav").string();
  ASSERT_EQ(playList->Add(StringToBstr(missing).Get()), S_OK);
  ASSERT_EQ(session.Control().set_Track(2), S_OK);

  EXPECT_TRUE(tracks.Follow());
  EXPECT_EQ(session.State().Track, 1);
  EXPECT_EQ(session.State().PlayStatus, kStatusPlaying);
  EXPECT_FALSE(session.State().SeekPending) << "its audio goes on, not again from its start";
  EXPECT_NE(tracks.Notice().find("track 2 skipped: cannot open '" + missing + "'"),
            std::string::npos)
      << tracks.Notice();
  session.End();
}

// With a track after it, the unplayable one gives way to that one; with
// none left that plays, the player stops and says so for as long.
TEST_F(TrackPlaybackTest, SkippingMovesOnAndStopsOnlyWhenNoTrackPlays) {
  const std::string gone = (FDir / "gone.wav").string();
  FOptions.Inputs = {gone, MakeTone("tone.wav")};
  TPlayerSession session(FOptions, "");
  session.Begin();
  TTrackPlayback tracks(session, false, nullptr);
  EXPECT_TRUE(tracks.Follow());
  EXPECT_EQ(session.State().Track, 2);
  EXPECT_EQ(session.State().PlayStatus, kStatusPlaying);

  fs::remove(FOptions.Inputs[1]);
  session.Control().set_Track(1);
  EXPECT_TRUE(tracks.Follow()) << "the player stays, stopped";
  EXPECT_EQ(session.State().PlayStatus, kStatusStopped);
  EXPECT_NE(tracks.Notice().find("no track of the playlist can be played"), std::string::npos)
      << tracks.Notice();
  session.End();
}

}  // namespace
