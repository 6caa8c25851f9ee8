// The live player's tracks in the test process, without a sound device: a
// client that adds a file that cannot be played and selects it hears the
// track change, and the track that played goes on; every track of a
// playlist plays from its start to its end, however it was reached.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

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

  // A tone of `seconds`, in the format the name's extension says.
  std::string MakeTone(const std::string& name, double seconds = 30) const {
    const std::string path = (FDir / name).string();
    EXPECT_EQ(std::system((std::string(SOX_PROGRAM) + " -n -r 8000 -c 2 -b 16 '" + path +
                           "' synth " + std::to_string(seconds) + " sine 440 2>/dev/null")
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

// Positions seen while each track was the current one, in the order the
// tracks became current.
struct TTrackPositions {
  std::int32_t Track;
  std::vector<std::int32_t> Positions;
};

// Plays as the live loop does, a few milliseconds a round, until `done`
// holds or the playlist ends (a liveness bound only).
class TPlaylistRun {
 public:
  explicit TPlaylistRun(TPlayerSession& session)
      : FSession(session), FTracks(session, false, nullptr) {}

  bool PlayWhile(const std::function<bool()>& going) {
    const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (going()) {
      if (std::chrono::steady_clock::now() > patience) {
        ADD_FAILURE() << "the playlist did not get there";
        return false;
      }
      if (!FTracks.Follow()) return false;
      FTracks.FeedHeardBlock();
      Record();
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    return true;
  }
  bool PlayToTheEnd() {
    return PlayWhile([] { return true; });
  }
  bool PlayUntilPosition(std::int32_t ms) {
    return PlayWhile([&] { return FSession.State().PositionMs < ms; });
  }

  const std::vector<TTrackPositions>& Seen() const { return FSeen; }

 private:
  void Record() {
    const TPlayerState& state = FSession.State();
    if (FSeen.empty() || FSeen.back().Track != state.Track) FSeen.push_back({state.Track, {}});
    FSeen.back().Positions.push_back(state.PositionMs);
  }

  TPlayerSession& FSession;
  TTrackPlayback FTracks;
  std::vector<TTrackPositions> FSeen;
};

std::vector<std::int32_t> TracksOf(const std::vector<TTrackPositions>& seen) {
  std::vector<std::int32_t> tracks;
  for (const TTrackPositions& track : seen) tracks.push_back(track.Track);
  return tracks;
}

// From 0 up, never back, and never beyond `lengthMs`; up to its end when
// `toTheEnd`.
void ExpectPlayedFromTheStart(const TTrackPositions& seen, std::int32_t lengthMs, bool toTheEnd) {
  SCOPED_TRACE("track " + std::to_string(seen.Track));
  ASSERT_FALSE(seen.Positions.empty());
  EXPECT_EQ(seen.Positions.front(), 0) << "a track starts at its beginning";
  for (std::size_t i = 1; i < seen.Positions.size(); ++i)
    ASSERT_GE(seen.Positions[i], seen.Positions[i - 1]) << "at round " << i;
  EXPECT_LE(seen.Positions.back(), lengthMs);
  if (toTheEnd) {
    EXPECT_GE(seen.Positions.back(), lengthMs - 150) << "played to its end";
  }
}

// Short tracks of mixed lengths and formats, one that is no audio and one
// that has gone between them: each that plays is heard whole, in order.
TEST_F(TrackPlaybackTest, APlaylistOfShortTracksPlaysEveryTrackFromItsStartToItsEnd) {
  const std::string notAudio = (FDir / "notes.wav").string();
  std::FILE* text = std::fopen(notAudio.c_str(), "w");
  ASSERT_NE(text, nullptr);
  std::fputs("not a sound\n", text);
  std::fclose(text);
  FOptions.Inputs = {MakeTone("one.wav", 1.2), notAudio, MakeTone("two.flac", 0.6),
                     MakeTone("gone.wav", 1), MakeTone("three.ogg", 0.9)};
  TPlayerSession session(FOptions, "");
  session.Begin();
  fs::remove(FOptions.Inputs[3]);
  TPlaylistRun run(session);
  EXPECT_FALSE(run.PlayToTheEnd()) << "the playlist ends";

  const std::vector<TTrackPositions>& seen = run.Seen();
  ASSERT_EQ(TracksOf(seen), (std::vector<std::int32_t>{1, 3, 5}));
  ExpectPlayedFromTheStart(seen[0], 1200, true);
  ExpectPlayedFromTheStart(seen[1], 600, true);
  ExpectPlayedFromTheStart(seen[2], 900, true);
  session.End();
}

// Next, back, a track chosen by number and a seek past the end: the track
// then played starts at 0, and a seek past the end moves one track on only.
TEST_F(TrackPlaybackTest, EveryWayToAnotherTrackStartsItAtItsBeginning) {
  FOptions.Inputs = {MakeTone("one.wav", 3), MakeTone("two.flac", 3), MakeTone("three.ogg", 0.8)};
  TPlayerSession session(FOptions, "");
  session.Begin();
  Kivo_tlb::IKIVOControl& control = session.Control();
  TPlaylistRun run(session);

  ASSERT_TRUE(run.PlayUntilPosition(400));
  ASSERT_EQ(control.Next(), S_OK);
  ASSERT_TRUE(run.PlayUntilPosition(400));
  ASSERT_EQ(control.Back(), S_OK);
  ASSERT_TRUE(run.PlayUntilPosition(300));
  ASSERT_EQ(control.set_Track(2), S_OK);
  ASSERT_TRUE(run.PlayUntilPosition(300));
  ASSERT_EQ(control.set_Position(99999999), S_OK);
  EXPECT_FALSE(run.PlayToTheEnd());

  const std::vector<TTrackPositions>& seen = run.Seen();
  ASSERT_EQ(TracksOf(seen), (std::vector<std::int32_t>{1, 2, 1, 2, 3}));
  for (std::size_t i = 0; i + 1 < seen.size(); ++i) ExpectPlayedFromTheStart(seen[i], 3000, false);
  // The sought track's last positions are its end; the one after it plays whole.
  EXPECT_EQ(seen[3].Positions.back(), 3000);
  ExpectPlayedFromTheStart(seen[4], 800, true);
  session.End();
}

}  // namespace
