// The media-player commands on the real automation object: they leave the
// player as the keys and the automation operations do, and the attached
// clients hear the same notifications.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <stdexcept>

#include "player/Tracks.h"
#include "player/live/KeyCommands.h"
#include "player/mpris/MprisPlayer.h"
#include "player/notify/ClientList.h"
#include "tests/player/PlayerTestSupport.h"

namespace {

using namespace kivo;
using kivo_test::TRecordingActions;
using kivo_test::TRecordingClient;

constexpr DWORD kEveryClass = 0xFFFFFFFF;

// One player with its automation object and one attached client that
// hears everything.
struct TPlayer {
  TPlayer()
      : Clients(RegisterWindowMessageA("WM_KIVO")),
        Client(Clients.MessageId()),
        Control(TKivoAutomation::Create(State, Clients, Actions)) {
    State.PlayList = {MakeStreamTrack("/music/one.wav", "One", 10000),
                      MakeStreamTrack("/music/two.wav", "Two", 20000),
                      MakeStreamTrack("/music/three.wav", "Three", 30000)};
    State.Track = 2;
    State.PositionMs = 4000;
    State.PlayStatus = kStatusPlaying;
    Clients.Attach(Client.Window());
    Clients.SetMask(Client.Window(), kEveryClass);
  }

  TPlayerState State;
  TRecordingActions Actions;
  TClientList Clients;
  TRecordingClient Client;
  TComPtr<Kivo_tlb::IKIVOControl> Control;
};

class MprisPlayerTest : public ::testing::Test {
 protected:
  MprisPlayerTest() : FMpris(*FPlayer.Control.Get(), FPlayer.State) {}

  std::vector<TNotification> Heard() { return FPlayer.Client.Take(); }
  TPlayerState& State() { return FPlayer.State; }

  TPlayer FPlayer;
  TMprisPlayer FMpris;
};

// What one command through the media-player interface and its equivalent
// on another player (a key or an automation operation) leave behind.
struct TOutcome {
  std::int32_t PlayStatus;
  std::int32_t Track;
  std::int32_t PositionMs;
  std::int32_t Volume;
  bool Repeat;
  bool Random;
  std::vector<TNotification> Heard;
  bool operator==(const TOutcome&) const = default;
};

TOutcome OutcomeOf(TPlayer& player) {
  const TPlayerState& s = player.State;
  return {s.PlayStatus, s.Track, s.PositionMs, s.Volume, s.Repeat, s.Random, player.Client.Take()};
}

void PrintTo(const TOutcome& o, std::ostream* out) {
  *out << "status " << o.PlayStatus << " track " << o.Track << " at " << o.PositionMs << " vol "
       << o.Volume << " repeat " << o.Repeat << " random " << o.Random << " heard "
       << ::testing::PrintToString(o.Heard);
}

TEST(MprisOneStateTest, EachCommandDoesWhatItsKeyOrAutomationOperationDoes) {
  using Control = Kivo_tlb::IKIVOControl;
  struct Case {
    const char* Name;
    std::function<void(TMprisPlayer&)> ThroughMpris;
    std::function<void(Control&, TPlayerState&)> Equivalent;
  };
  const Case cases[] = {
      {"pause", [](TMprisPlayer& m) { m.Pause(); },
       [](Control& c, TPlayerState& s) { ApplyKey(Key::Space, c, s); }},
      {"play-pause", [](TMprisPlayer& m) { m.PlayPause(); },
       [](Control& c, TPlayerState& s) { ApplyKey(Key::Space, c, s); }},
      {"next", [](TMprisPlayer& m) { m.Next(); },
       [](Control& c, TPlayerState& s) { ApplyKey(Key::N, c, s); }},
      {"previous", [](TMprisPlayer& m) { m.Previous(); },
       [](Control& c, TPlayerState& s) { ApplyKey(Key::B, c, s); }},
      {"volume", [](TMprisPlayer& m) { m.SetVolume(0.95); },
       [](Control& c, TPlayerState& s) { ApplyKey(Key::Minus, c, s); }},
      {"stop", [](TMprisPlayer& m) { m.Stop(); }, [](Control& c, TPlayerState&) { c.Stop(); }},
      {"seek", [](TMprisPlayer& m) { m.Seek(-2500000); },
       [](Control& c, TPlayerState&) { c.Seek(-2500, 1); }},
      {"set position", [](TMprisPlayer& m) { m.SetPosition("/org/kivo/Track/2", 12000000); },
       [](Control& c, TPlayerState&) { c.set_Position(12000); }},
      {"loop", [](TMprisPlayer& m) { m.SetLoopStatus("Playlist"); },
       [](Control& c, TPlayerState&) { c.set_Repeat(VARIANT_TRUE); }},
      {"shuffle", [](TMprisPlayer& m) { m.SetShuffle(true); },
       [](Control& c, TPlayerState&) { c.set_Random(VARIANT_TRUE); }},
  };
  for (const Case& c : cases) {
    TPlayer throughMpris;
    TPlayer other;
    TMprisPlayer mpris(*throughMpris.Control.Get(), throughMpris.State);
    c.ThroughMpris(mpris);
    c.Equivalent(*other.Control.Get(), other.State);
    const TOutcome outcome = OutcomeOf(throughMpris);
    EXPECT_EQ(outcome, OutcomeOf(other)) << c.Name;
    EXPECT_FALSE(outcome.Heard.empty()) << c.Name << " is heard by the clients";
  }
}

TEST_F(MprisPlayerTest, APauseIsThePlayStatusNotificationThePlugInListensTo) {
  FMpris.Pause();
  EXPECT_EQ(State().PlayStatus, kStatusPaused);
  EXPECT_EQ(Heard(), (std::vector<TNotification>{{ClassPlayStatus, kStatusPaused}}));
  FMpris.Pause();
  EXPECT_EQ(State().PlayStatus, kStatusPaused) << "pausing a paused player changes nothing";
  EXPECT_TRUE(Heard().empty());

  FMpris.Play();
  EXPECT_EQ(State().PlayStatus, kStatusPlaying);
  EXPECT_EQ(Heard(), (std::vector<TNotification>{{ClassPlayStatus, kStatusPlaying}}));
  FMpris.Play();
  EXPECT_TRUE(Heard().empty()) << "playing on is no change";
}

TEST_F(MprisPlayerTest, PlayPauseTogglesAndStartsAStoppedPlayer) {
  FMpris.PlayPause();
  EXPECT_EQ(State().PlayStatus, kStatusPaused);
  FMpris.PlayPause();
  EXPECT_EQ(State().PlayStatus, kStatusPlaying);
  FMpris.Stop();
  EXPECT_EQ(State().PlayStatus, kStatusStopped);
  EXPECT_EQ(State().PositionMs, 0);
  Heard();
  FMpris.PlayPause();
  EXPECT_EQ(State().PlayStatus, kStatusPlaying);
  EXPECT_EQ(Heard(), (std::vector<TNotification>{{ClassPlayStatus, kStatusPlaying}}));
}

TEST_F(MprisPlayerTest, SeeksStayInTheTrackAndCountAsJumps) {
  const std::uint32_t jumps = State().SeekCount;
  FMpris.Seek(3000000);
  EXPECT_EQ(State().PositionMs, 7000);
  EXPECT_TRUE(State().SeekPending);
  EXPECT_EQ(Heard(), (std::vector<TNotification>{{ClassPosition, 7000}}));
  FMpris.Seek(-60000000);
  EXPECT_EQ(State().PositionMs, 0);
  FMpris.Seek(std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(State().PositionMs, 20000) << "held at the end, where the track ends as played";
  EXPECT_EQ(State().SeekCount, jumps + 3);

  FMpris.SetPosition("/org/kivo/Track/2", 15500000);
  EXPECT_EQ(State().PositionMs, 15500);
  Heard();
  // Another track's id, a position beyond the track or before it: ignored.
  FMpris.SetPosition("/org/kivo/Track/1", 1000000);
  FMpris.SetPosition("/org/kivo/Track/2", 20000001);
  FMpris.SetPosition("/org/kivo/Track/2", -1);
  EXPECT_EQ(State().PositionMs, 15500);
  EXPECT_TRUE(Heard().empty());

  // Standard input cannot seek.
  State().PlayList[1] = MakeStreamTrack("-", "Standard input", 0);
  FMpris.Seek(1000000);
  FMpris.SetPosition("/org/kivo/Track/2", 0);
  EXPECT_TRUE(Heard().empty());
}

TEST_F(MprisPlayerTest, VolumeLoopAndShuffleAreThePlayersOwn) {
  FMpris.SetVolume(0.42);
  EXPECT_EQ(State().Volume, 42);
  EXPECT_EQ(Heard(), (std::vector<TNotification>{StatusNotification(stChangeVolume, 42)}));
  FMpris.SetVolume(3.0);
  EXPECT_EQ(State().Volume, 100);

  FMpris.SetLoopStatus("Track");
  EXPECT_TRUE(State().Repeat);
  FMpris.SetLoopStatus("None");
  EXPECT_FALSE(State().Repeat);
  Heard();
  EXPECT_THROW(FMpris.SetLoopStatus("Forever"), std::invalid_argument);
  EXPECT_TRUE(Heard().empty());

  FMpris.SetShuffle(true);
  EXPECT_TRUE(State().Random);
  EXPECT_EQ(Heard(), (std::vector<TNotification>{StatusNotification(stRandom, 1)}));
}

TEST_F(MprisPlayerTest, NextAtTheEndDoesNothingUnlessThePlaylistRepeats) {
  State().Track = 3;
  FMpris.Next();
  EXPECT_EQ(State().Track, 3);
  State().Repeat = true;
  FMpris.Next();
  EXPECT_EQ(State().Track, 1);
  FMpris.Previous();
  EXPECT_EQ(State().Track, 3);
}

// A 16-bit stereo WAV file of `frames` silent frames at 8000 Hz.
void WriteSilentWav(const std::filesystem::path& path, std::uint32_t frames) {
  std::ofstream file(path, std::ios::binary);
  auto put = [&file](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file.put(static_cast<char>(value >> (8 * i) & 0xFF));
  };
  const std::uint32_t dataBytes = frames * 4;
  file << "RIFF";
  put(36 + dataBytes, 4);
  file << "WAVEfmt ";
  put(16, 4);
  put(1, 2);
  put(2, 2);
  put(8000, 4);
  put(8000 * 4, 4);
  put(4, 2);
  put(16, 2);
  file << "data";
  put(dataBytes, 4);
  for (std::uint32_t i = 0; i < dataBytes; ++i) file.put(0);
}

TEST_F(MprisPlayerTest, OpenUriAddsTheFileAndPlaysIt) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("kivo-open uri-" + std::to_string(::getpid()) + ".wav");
  WriteSilentWav(file, 800);
  State().PlayStatus = kStatusStopped;
  FMpris.OpenUri(FileUriOf(file.string()));
  EXPECT_EQ(State().PlayList.size(), 4u);
  EXPECT_EQ(State().Track, 4);
  EXPECT_EQ(State().PlayList[3].Path, file.string());
  EXPECT_EQ(State().PlayStatus, kStatusPlaying);
  std::filesystem::remove(file);

  const std::size_t tracks = State().PlayList.size();
  EXPECT_THROW(FMpris.OpenUri("http://example.org/a.wav"), std::invalid_argument);
  EXPECT_THROW(FMpris.OpenUri(FileUriOf(file.string())), std::invalid_argument) << "gone";
  EXPECT_THROW(FMpris.OpenUri("file:///"), std::invalid_argument) << "a folder";
  std::ofstream(file) << "not audio, but a file";
  EXPECT_THROW(FMpris.OpenUri(FileUriOf(file.string())), std::invalid_argument) << "no audio";
  std::filesystem::remove(file);
  EXPECT_EQ(State().PlayList.size(), tracks);
  EXPECT_EQ(State().Track, 4);
}

TEST_F(MprisPlayerTest, QuitClosesThePlayerAsAClientWould) {
  FMpris.Quit();
  EXPECT_TRUE(State().QuitRequested);
  EXPECT_EQ(Heard(), (std::vector<TNotification>{{ClassClose, 0}}));
}

}  // namespace
