// What a desktop client sees of the player's state, and the conversions
// of its values back, without a bus.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "player/Tracks.h"
#include "player/mpris/MprisStatus.h"

namespace {

using namespace kivo;

TTrack FileTrack(const std::string& path, const std::string& title, std::int32_t lengthMs) {
  TTrack track = MakeStreamTrack(path, title, lengthMs);
  track.Artist = "Artist";
  track.Album = "Album";
  return track;
}

class MprisStatusTest : public ::testing::Test {
 protected:
  MprisStatusTest() {
    FState.PlayList = {FileTrack("/music/one.flac", "One", 61000),
                       FileTrack("/music/two songs.wav", "Two", 5000),
                       MakeStreamTrack("-", "Standard input", 0)};
    FState.Track = 1;
    FState.PlayStatus = kStatusPlaying;
  }
  TPlayerState FState;
};

TEST_F(MprisStatusTest, PlayStatusesRepeatRandomAndVolume) {
  EXPECT_EQ(MprisStatusOf(FState).PlaybackStatus, "Playing");
  FState.PlayStatus = kStatusPaused;
  EXPECT_EQ(MprisStatusOf(FState).PlaybackStatus, "Paused");
  for (const std::int32_t other : {kStatusStopped, kStatusNotReady, 0}) {
    FState.PlayStatus = other;
    EXPECT_EQ(MprisStatusOf(FState).PlaybackStatus, "Stopped") << other;
  }

  EXPECT_EQ(MprisStatusOf(FState).LoopStatus, "None");
  EXPECT_FALSE(MprisStatusOf(FState).Shuffle);
  FState.Repeat = true;
  FState.Random = true;
  EXPECT_EQ(MprisStatusOf(FState).LoopStatus, "Playlist");
  EXPECT_TRUE(MprisStatusOf(FState).Shuffle);

  FState.Volume = 35;
  EXPECT_DOUBLE_EQ(MprisStatusOf(FState).Volume, 0.35);
  FState.Volume = 250;
  EXPECT_DOUBLE_EQ(MprisStatusOf(FState).Volume, 1.0)
      << "a settings file's volume is held in range";
}

TEST_F(MprisStatusTest, MetadataOfAFileOfAStreamAndOfNoTrack) {
  FState.PositionMs = 1500;
  TMprisStatus status = MprisStatusOf(FState);
  EXPECT_EQ(status.Metadata.TrackId, "/org/kivo/Track/1");
  EXPECT_EQ(status.Metadata.LengthUs, 61000000);
  EXPECT_EQ(status.Metadata.Title, "One");
  EXPECT_EQ(status.Metadata.Url, "file:///music/one.flac");
  EXPECT_EQ(status.Metadata.Artist, "Artist");
  EXPECT_EQ(status.Metadata.Album, "Album");
  EXPECT_EQ(status.PositionUs, 1500000);
  EXPECT_TRUE(status.CanSeek);

  FState.Track = 2;
  EXPECT_EQ(MprisStatusOf(FState).Metadata.Url, "file:///music/two%20songs.wav");

  // Standard input has no place to seek to and no file to name.
  FState.Track = 3;
  status = MprisStatusOf(FState);
  EXPECT_EQ(status.Metadata.Url, "");
  EXPECT_EQ(status.Metadata.LengthUs, 0);
  EXPECT_FALSE(status.CanSeek);
  EXPECT_TRUE(status.CanPause);

  FState.Track = 0;
  status = MprisStatusOf(FState);
  TMprisTrack none;
  none.TrackId = kNoTrackId;
  EXPECT_EQ(status.Metadata, none);
  EXPECT_FALSE(status.CanPause);
  EXPECT_FALSE(status.CanSeek);
  EXPECT_TRUE(status.CanPlay) << "play starts the first track";

  FState.PlayList.clear();
  EXPECT_FALSE(MprisStatusOf(FState).CanPlay);
}

TEST_F(MprisStatusTest, TagsInAnotherEncodingReachTheBusAsValidText) {
  FState.PlayList[0].Title = "Caf\xE9 \xC3\xA9t\xC3";      // Latin-1, then a cut sequence
  FState.PlayList[0].Artist = "\xED\xA0\x80 \xC0\xAF ok";  // a surrogate, an overlong slash
  FState.PlayList[0].Album = "\xF0\x9F\x8E\xB5 \xE6\x97\xA5";
  const TMprisTrack track = MprisStatusOf(FState).Metadata;
  EXPECT_EQ(track.Title, "Caf\uFFFD \u00E9t\uFFFD");
  EXPECT_EQ(track.Artist, "\uFFFD\uFFFD\uFFFD \uFFFD\uFFFD ok");
  EXPECT_EQ(track.Album, "\U0001F3B5 \u65E5") << "valid text is kept as it is";
}

TEST_F(MprisStatusTest, NextAndPreviousAtTheEndsOfThePlaylist) {
  struct Case {
    std::int32_t Track;
    bool Repeat;
    bool Next;
    bool Previous;
  };
  for (const Case& c :
       {Case{1, false, true, false}, Case{2, false, true, true}, Case{3, false, false, true},
        Case{3, true, true, true}, Case{1, true, true, true}, Case{0, false, true, false}}) {
    FState.Track = c.Track;
    FState.Repeat = c.Repeat;
    const TMprisStatus status = MprisStatusOf(FState);
    EXPECT_EQ(status.CanGoNext, c.Next) << c.Track << " repeat " << c.Repeat;
    EXPECT_EQ(status.CanGoPrevious, c.Previous) << c.Track << " repeat " << c.Repeat;
  }
  FState.PlayList.clear();
  FState.Track = 0;
  FState.Repeat = true;
  EXPECT_FALSE(MprisStatusOf(FState).CanGoNext);
  EXPECT_FALSE(MprisStatusOf(FState).CanGoPrevious);
}

TEST_F(MprisStatusTest, OnlyWhatChangedIsSignalledAndThePositionNever) {
  const TMprisStatus before = MprisStatusOf(FState);
  EXPECT_TRUE(ChangedProperties(before, before).empty());

  FState.PositionMs = 30000;
  ++FState.SeekCount;
  EXPECT_TRUE(ChangedProperties(before, MprisStatusOf(FState)).empty());

  FState.PlayStatus = kStatusPaused;
  FState.Volume = 40;
  EXPECT_EQ(ChangedProperties(before, MprisStatusOf(FState)),
            (std::vector<std::string>{"PlaybackStatus", "Volume"}));

  // The last track without repeat: the metadata and what can be done change.
  FState.PlayStatus = kStatusPlaying;
  FState.Volume = 100;
  FState.Track = 3;
  EXPECT_EQ(ChangedProperties(before, MprisStatusOf(FState)),
            (std::vector<std::string>{"Metadata", "CanGoNext", "CanGoPrevious", "CanSeek"}));

  FState.Track = 1;
  FState.Repeat = true;
  FState.Random = true;
  EXPECT_EQ(ChangedProperties(before, MprisStatusOf(FState)),
            (std::vector<std::string>{"LoopStatus", "Shuffle", "CanGoPrevious"}));

  FState.Repeat = FState.Random = false;
  FState.PlayList[0].Artist = "Another";
  EXPECT_EQ(ChangedProperties(before, MprisStatusOf(FState)),
            (std::vector<std::string>{"Metadata"}))
      << "new tags of the same track";
}

TEST(MprisConversionTest, FileUrisBothWays) {
  EXPECT_EQ(FileUriOf("/a b/c%d/\xC3\xA9#?.wav"), "file:///a%20b/c%25d/%C3%A9%23%3F.wav");
  EXPECT_EQ(FilePathOfUri("file:///a%20b/c%25d/%C3%A9%23%3F.wav"), "/a b/c%d/\xC3\xA9#?.wav");
  EXPECT_EQ(FilePathOfUri(FileUriOf("/x/~y_z-1.flac")), "/x/~y_z-1.flac");
  EXPECT_EQ(FilePathOfUri("file://localhost/music/one.wav"), "/music/one.wav");
  EXPECT_EQ(FilePathOfUri("file:///plain"), "/plain");

  for (const char* refused :
       {"http://host/a.wav", "file://otherhost/a.wav", "file:relative.wav", "/no/scheme.wav",
        "file:///bad%2", "file:///bad%zz", "file:///nul%00byte", ""})
    EXPECT_EQ(FilePathOfUri(refused), "") << refused;
}

TEST(MprisConversionTest, VolumeAndLoopStatusFromAClient) {
  EXPECT_EQ(PlayerVolumeOf(0.5), 50);
  EXPECT_EQ(PlayerVolumeOf(0.356), 36);
  EXPECT_EQ(PlayerVolumeOf(1.0), 100);
  EXPECT_EQ(PlayerVolumeOf(7.5), 100);
  EXPECT_EQ(PlayerVolumeOf(-0.2), 0);
  EXPECT_EQ(PlayerVolumeOf(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(PlayerVolumeOf(std::numeric_limits<double>::infinity()), 100);

  EXPECT_FALSE(RepeatOfLoopStatus("None"));
  EXPECT_TRUE(RepeatOfLoopStatus("Playlist"));
  EXPECT_TRUE(RepeatOfLoopStatus("Track"));
  EXPECT_THROW(RepeatOfLoopStatus("none"), std::invalid_argument);
  EXPECT_THROW(RepeatOfLoopStatus(""), std::invalid_argument);
}

TEST(MprisConversionTest, TrackIds) {
  EXPECT_EQ(TrackIdOf(1), "/org/kivo/Track/1");
  EXPECT_EQ(TrackIdOf(12), "/org/kivo/Track/12");
  EXPECT_EQ(TrackIdOf(0), kNoTrackId);
}

}  // namespace
