// A playlist played by the real player, as a `kivo remote events` client
// in another process hears it: every track that plays opens at 0 and runs
// to its end, in order, past a file that is no audio and one that has gone;
// a seek past the end moves one track on and no further.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/com/ComRuntime.h"
#include "tests/bus/PlayerStage.h"
#include "tests/player/TmuxTestSupport.h"

namespace {

using bus_test::PumpUntil;
using bus_test::TChildProcess;

constexpr long kOpenTrack = 0x40000000 + 14;

long JsonNumber(const std::string& line, const std::string& key) {
  const std::size_t at = line.find("\"" + key + "\":");
  if (at == std::string::npos) return -1;
  return std::stol(line.substr(at + key.size() + 3));
}

// The positions heard after each track's open, in the order of the opens.
struct THeardTrack {
  long Track;
  std::vector<long> Positions;
};

class PlaylistAcrossProcessesTest : public bus_test::THostLinkCase {
 protected:
  std::string Tone(const std::string& name, double seconds) {
    const std::string path = (Folder() / name).string();
    kivo_test::RunShell("sox -n -r 44100 -c 2 -b 16 " + kivo_test::Quoted(path) + " synth " +
                        std::to_string(seconds) + " sine 330");
    return path;
  }
  std::filesystem::path Folder() const { return FStage.Home().parent_path(); }

  std::unique_ptr<TChildProcess> Play(const std::vector<std::string>& tracks) {
    std::vector<std::string> arguments{KIVO_PROGRAM, "play", "--view", "none", "--no-sound"};
    arguments.insert(arguments.end(), tracks.begin(), tracks.end());
    auto player = std::make_unique<TChildProcess>(arguments, (Folder() / "player.txt").string());
    EXPECT_TRUE(PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) != nullptr; }));
    return player;
  }

  // Reads the client's lines until the player closes (or the client ends).
  static std::vector<THeardTrack> HearUntilClose(TChildProcess& events) {
    std::vector<THeardTrack> heard;
    while (const auto line = events.ReadLine()) {
      if (line->find("\"event\":\"close\"") != std::string::npos) break;
      if (JsonNumber(*line, "wparam") == kOpenTrack)
        heard.push_back({JsonNumber(*line, "lparam"), {}});
      if (line->find("\"event\":\"position\"") != std::string::npos && !heard.empty())
        heard.back().Positions.push_back(JsonNumber(*line, "lparam"));
    }
    return heard;
  }

  static std::vector<long> TracksOf(const std::vector<THeardTrack>& heard) {
    std::vector<long> tracks;
    for (const THeardTrack& track : heard) tracks.push_back(track.Track);
    return tracks;
  }

  // From its start (the first block heard is at most a few frames in) to
  // its end, never back, never beyond.
  static void ExpectWhole(const THeardTrack& heard, long lengthMs) {
    SCOPED_TRACE("track " + std::to_string(heard.Track));
    ASSERT_FALSE(heard.Positions.empty());
    EXPECT_LE(heard.Positions.front(), 200) << "a track starts at its beginning";
    for (std::size_t i = 1; i < heard.Positions.size(); ++i)
      ASSERT_GE(heard.Positions[i], heard.Positions[i - 1]);
    EXPECT_LE(heard.Positions.back(), lengthMs);
    EXPECT_GE(heard.Positions.back(), lengthMs - 200) << "played to its end";
  }
};

TEST_F(PlaylistAcrossProcessesTest, EveryTrackThatPlaysIsHeardWholeAndInOrder) {
  const std::string notAudio = (Folder() / "notes.flac").string();
  std::ofstream(notAudio) << "not a sound\n";
  const std::string gone = Tone("gone.wav", 1);
  const auto player =
      Play({Tone("one.wav", 3), notAudio, Tone("two.flac", 1.5), gone, Tone("three.ogg", 2)});
  std::filesystem::remove(gone);
  TChildProcess events({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
  const std::vector<THeardTrack> heard = HearUntilClose(events);
  EXPECT_EQ(player->Wait(), 0);

  // The first opened before the client; the two that cannot play are
  // opened and passed over at once, with no position of their own.
  ASSERT_EQ(TracksOf(heard), (std::vector<long>{2, 3, 4, 5}));
  EXPECT_TRUE(heard[0].Positions.empty());
  EXPECT_TRUE(heard[2].Positions.empty());
  ExpectWhole(heard[1], 1500);
  ExpectWhole(heard[3], 2000);
}

TEST_F(PlaylistAcrossProcessesTest, ASeekPastTheEndMovesOneTrackOn) {
  const auto player = Play({Tone("one.wav", 60), Tone("two.wav", 2.5), Tone("three.wav", 1.5)});
  TChildProcess events({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
  ASSERT_TRUE(events.ReadLine().has_value());
  ASSERT_EQ(FStage.Remote({"seek", "99999999"}).second, 0);
  const std::vector<THeardTrack> heard = HearUntilClose(events);
  EXPECT_EQ(player->Wait(), 0);

  ASSERT_EQ(TracksOf(heard), (std::vector<long>{2, 3}));
  ExpectWhole(heard[0], 2500);
  ExpectWhole(heard[1], 1500);
}

}  // namespace
