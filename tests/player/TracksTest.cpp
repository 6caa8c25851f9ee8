// Lyrics files and playlist files as the player reads them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "player/Tracks.h"
#include "player/input/FrameSource.h"

namespace {

using namespace kivo;
namespace fs = std::filesystem;

TEST(LyricsTest, EveryTimeTagGivesALineSortedByTimeAndOtherTagsAreSkipped) {
  const std::vector<TLyricsLine> lines = ParseLyrics(
      "[ar:Someone]\r\n[01:02.5]late\n[00:01.25][00:03]twice\nno tag\n[xx:10]bad\n[00:02.125]");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].TimeMs, 1250);
  EXPECT_EQ(lines[0].Text, "twice");
  EXPECT_EQ(lines[1].TimeMs, 2125);
  EXPECT_EQ(lines[1].Text, "");
  EXPECT_EQ(lines[2].TimeMs, 3000);
  EXPECT_EQ(lines[3].TimeMs, 62500);
  EXPECT_EQ(lines[3].Text, "late");
}

TEST(LyricsTest, TheLineAtAPositionIsTheLastOneStarted) {
  const std::vector<TLyricsLine> lines = {{1000, "a"}, {2000, "b"}, {2000, "c"}, {5000, "d"}};
  EXPECT_EQ(LyricsLineAt(lines, 999), -1);
  EXPECT_EQ(LyricsLineAt(lines, 1000), 0);
  EXPECT_EQ(LyricsLineAt(lines, 2500), 2);
  EXPECT_EQ(LyricsLineAt(lines, 99999), 3);
  EXPECT_EQ(LyricsLineAt({}, 10), -1);
}

TEST(LyricsTest, LyricsComeFromTheFileBesideTheAudio) {
  const fs::path dir = fs::temp_directory_path() / ("kivo-lrc-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "song.lrc") << "[00:00.10]hello\n";
  EXPECT_EQ(LoadLyricsBeside((dir / "song.flac").string()).size(), 1u);
  EXPECT_TRUE(LoadLyricsBeside((dir / "other.wav").string()).empty());
  EXPECT_TRUE(LoadLyricsBeside("").empty());
  fs::remove_all(dir);
}

TEST(PlayListFileTest, RelativeEntriesAreTakenFromThePlaylistsFolder) {
  const fs::path dir = fs::temp_directory_path() / ("kivo-m3u-" + std::to_string(getpid()));
  fs::create_directories(dir / "sub");
  std::ofstream(dir / "sub" / "list.m3u")
      << "#EXTM3U\n#EXTINF:3,x\na.wav\r\n\n/abs/b.wav\n../c.wav\n";
  EXPECT_EQ(ReadPlayListFile((dir / "sub" / "list.m3u").string()),
            (std::vector<std::string>{(dir / "sub" / "a.wav").string(), "/abs/b.wav",
                                      (dir / "c.wav").string()}));
  EXPECT_THROW(ReadPlayListFile((dir / "none.m3u").string()), InputError);
  EXPECT_THROW(WritePlayListFile((dir / "no" / "such" / "x.m3u").string(), {}), InputError);
  fs::remove_all(dir);
}

TEST(TrackTest, AFileThatIsNoAudioKeepsItsNameAndHasNoLength) {
  const TTrack track = MakeTrack("/nonexistent/Some Song.mp3");
  EXPECT_EQ(track.Title, "Some Song");
  EXPECT_EQ(track.Path, "/nonexistent/Some Song.mp3");
  EXPECT_EQ(track.LengthMs, 0);
}

}  // namespace
