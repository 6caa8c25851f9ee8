// The link across processes when something outside goes wrong: a client or
// an unrelated process that stops, a player that stops or is killed, two
// clients starting a player at once, a skin switch under a remote client, a
// value too large for the bus. Each case on a private bus of its own, with
// the real player and `kivo remote`.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "hostlink/Kivo.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/IncomingObjectCalls.h"
#include "player/Home.h"
#include "tests/bus/PlayerStage.h"
#include "tests/player/TmuxTestSupport.h"

namespace {

using bus_test::PumpUntil;
using bus_test::ReadFile;
using bus_test::TChildProcess;
using bus_test::TStartedPlayer;
using namespace Kivo_tlb;
using namespace std::chrono_literals;

// The number after `"key":` in a JSON line; -1 when it is not there.
long JsonNumber(const std::string& line, const std::string& key) {
  const std::size_t at = line.find("\"" + key + "\":");
  if (at == std::string::npos) return -1;
  return std::stol(line.substr(at + key.size() + 3));
}

class LinkFaultsTest : public bus_test::THostLinkCase {
 protected:
  // `kivo play --view none` on a generated tone long enough for any case.
  std::unique_ptr<TChildProcess> PlayLive(std::vector<std::string> options = {}) {
    const std::filesystem::path tone = FStage.Home().parent_path() / "tone.wav";
    if (!std::filesystem::exists(tone))
      kivo_test::RunShell("sox -n -r 44100 -c 2 -b 16 " + kivo_test::Quoted(tone.string()) +
                          " synth 120 sine 440");
    std::vector<std::string> arguments{KIVO_PROGRAM, "play", "--view", "none", "--no-sound"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(tone.string());
    auto player = std::make_unique<TChildProcess>(
        arguments, (FStage.Home().parent_path() / "player.txt").string());
    EXPECT_TRUE(PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) != nullptr; }));
    return player;
  }

  std::string Status() { return FStage.Remote({"status"}).first; }
};

TEST_F(LinkFaultsTest, TheLivePlayerAnswersWhenPausedAndStopped) {
  const auto player = PlayLive();
  ASSERT_EQ(FStage.Remote({"pause"}).second, 0);
  EXPECT_NE(Status().find("\"status\":\"paused\""), std::string::npos);
  ASSERT_EQ(FStage.Remote({"stop"}).second, 0);
  EXPECT_NE(Status().find("\"status\":\"stopped\""), std::string::npos);
  ASSERT_EQ(FStage.Remote({"play"}).second, 0);
  EXPECT_NE(Status().find("\"status\":\"playing\""), std::string::npos);
  EXPECT_EQ(FStage.Remote({"quit"}).second, 0);
  EXPECT_EQ(player->Wait(), 0);
}

// A client whose registry names another home still reports the band
// pattern the running player plays with.
TEST_F(LinkFaultsTest, StatusTellsTheBandPatternOfTheRunningPlayersOwnHome) {
  const std::filesystem::path other = FStage.Home().parent_path() / "other-home";
  std::filesystem::create_directories(other);
  std::ofstream(other / "kivo.ini") << "[KIVO]\nSpeanaPattern=4\n";
  const auto player = PlayLive({"--home", other.string()});
  EXPECT_NE(Status().find("\"band_pattern\":4"), std::string::npos) << Status();
  EXPECT_EQ(FStage.Remote({"quit"}).second, 0);
  EXPECT_EQ(player->Wait(), 0);
}

TEST_F(LinkFaultsTest, AStoppedSubscriberNeitherStallsThePlayerNorHearsOutOfOrder) {
  const auto player = PlayLive();
  TChildProcess events({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
  ASSERT_TRUE(events.ReadLine().has_value());
  ::kill(events.Pid(), SIGSTOP);
  const long before = JsonNumber(Status(), "position");
  std::this_thread::sleep_for(10s);
  const long during = JsonNumber(Status(), "position");
  EXPECT_GT(during, before);
  ::kill(events.Pid(), SIGCONT);

  // It hears what it was sent in order, then either goes on or is told
  // that the player dropped it.
  long lastPosition = -1;
  bool aborted = false;
  while (const auto line = events.ReadLine()) {
    if (line->find("\"event\":\"abort\"") != std::string::npos) aborted = true;
    if (line->find("\"event\":\"position\"") == std::string::npos) continue;
    const long position = JsonNumber(*line, "lparam");
    EXPECT_GE(position, lastPosition) << *line;
    lastPosition = position;
    if (position > during) break;
  }
  if (aborted) {
    EXPECT_EQ(events.Wait(), 1);
    EXPECT_NE(ReadFile(FStage.Errors()).find("stopped sending notifications"), std::string::npos);
  } else {
    EXPECT_GT(lastPosition, during);
  }
  EXPECT_EQ(FStage.Remote({"quit"}).second, 0);
  EXPECT_EQ(player->Wait(), 0);
}

TEST_F(LinkFaultsTest, AnUnrelatedStoppedProcessCostsNothing) {
  TChildProcess peer({KOLMIRA_BUS_PEER, "KivoTestPeer"});
  ASSERT_TRUE(peer.ReadLine().has_value());
  ::kill(peer.Pid(), SIGSTOP);
  TStartedPlayer player;
  const auto [status, code] = FStage.Remote({"status"});
  EXPECT_EQ(code, 0);
  EXPECT_NE(status.find("\"status\":\"playing\""), std::string::npos) << status;
  // The player holds the plug-in, so the render shows the bare window.
  TChildProcess render({KIVO_PROGRAM, "render", "--block", "1", "--allow-bare-window", "--png",
                        (FStage.Home().parent_path() / "one.png").string()});
  EXPECT_EQ(render.Wait(), 0);
  ::kill(peer.Pid(), SIGCONT);
}

TEST_F(LinkFaultsTest, TwoClientsStartingAPlayerAtOnceStartOne) {
  kivo::TKivoHome(FStage.Home()).Prepare(KIVO_PROGRAM, KOLMIRA_SKINS_DIR "/bars/design.ini");
  std::pair<std::string, int> first;
  std::pair<std::string, int> second;
  std::thread one([&] { first = FStage.Remote({"status"}); });
  std::thread two([&] { second = FStage.Remote({"status"}); });
  one.join();
  two.join();
  EXPECT_EQ(first.second, 0) << ReadFile(FStage.Errors());
  EXPECT_EQ(second.second, 0) << ReadFile(FStage.Errors());
  // Once the player is closed, no other is left listed.
  EXPECT_EQ(FStage.Remote({"quit"}).second, 0);
  EXPECT_TRUE(PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) == nullptr; }));
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(FindWindowA("TFormKIVO", nullptr), nullptr);
}

TEST_F(LinkFaultsTest, AStoppedPlayerGivesAClearErrorAndNoSecondPlayer) {
  TStartedPlayer player;
  const HWND window = FindWindowA("TFormKIVO", nullptr);
  ::kill(player.Pid(), SIGSTOP);
  EXPECT_EQ(FStage.Remote({"status"}).second, 1);
  EXPECT_NE(ReadFile(FStage.Errors()).find("does not answer"), std::string::npos);
  EXPECT_EQ(FindWindowA("TFormKIVO", nullptr), window);
  ::kill(player.Pid(), SIGCONT);
  player.Kill();
  EXPECT_TRUE(PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) == nullptr; }));
}

class TCloseEvents {
 public:
  void Closed(TObject*) { ++Closes; }
  void Unbound(TObject*) { ++Unbinds; }
  int Closes = 0;
  int Unbinds = 0;
};

TEST_F(LinkFaultsTest, AKilledPlayerIsSeenToCloseByItsClients) {
  TStartedPlayer player;
  TKIVO kivo(nullptr);
  TCloseEvents seen;
  kivo.OnClose = TNotifyEvent(&seen, &TCloseEvents::Closed);
  kivo.OnUnbind = TNotifyEvent(&seen, &TCloseEvents::Unbound);
  kivo.Bind();
  ASSERT_TRUE(kivo.IsBound());
  TChildProcess events({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
  ASSERT_TRUE(events.ReadLine().has_value());

  player.Kill();
  EXPECT_TRUE(PumpUntil([&] { return seen.Closes == 1; }));
  EXPECT_FALSE(kivo.IsBound());
  EXPECT_EQ(seen.Unbinds, 1);
  std::string last;
  while (const auto line = events.ReadLine()) last = *line;
  EXPECT_NE(last.find("\"event\":\"close\""), std::string::npos) << last;
  EXPECT_EQ(events.Wait(), 1);
  EXPECT_NE(ReadFile(FStage.Errors()).find("ended without closing"), std::string::npos);
}

// Neither the end of the session nor the close left with the client repeats it.
TEST_F(LinkFaultsTest, AClosedPlayerTellsItsClientsOnce) {
  TStartedPlayer player;
  TKIVO kivo(nullptr);
  TCloseEvents seen;
  kivo.OnClose = TNotifyEvent(&seen, &TCloseEvents::Closed);
  kivo.Bind();
  ASSERT_TRUE(kivo.IsBound());
  kivo.Close();
  EXPECT_TRUE(PumpUntil([&] { return seen.Closes > 0; }));
  EXPECT_EQ(player.Wait(), 0);
  PumpUntil([&] { return seen.Closes > 1 || FindWindowA("TFormKIVO", nullptr) == nullptr; });
  std::this_thread::sleep_for(500ms);
  ProcessMessages();
  EXPECT_EQ(seen.Closes, 1);
}

TEST_F(LinkFaultsTest, ASkinSwitchKeepsRemoteClientsAttached) {
  kivo_test::Tmux tmux;
  ASSERT_TRUE(bus_test::PlayLiveInTmux(tmux, FStage, "--no-sound --view terminal"));
  TChildProcess events({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
  ASSERT_TRUE(events.ReadLine().has_value());
  tmux.Run("send-keys -t view s");
  // The design notification, then the player goes on playing.
  bool design = false;
  int positionsAfter = 0;
  while (positionsAfter < 10) {
    const auto line = events.ReadLine();
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->find("\"event\":\"close\""), std::string::npos) << *line;
    EXPECT_EQ(line->find("\"event\":\"run\""), std::string::npos) << *line;
    if (line->find("\"wparam\":" + std::to_string(0x40000000 | 18)) != std::string::npos)
      design = true;
    if (design && line->find("\"event\":\"position\"") != std::string::npos) ++positionsAfter;
  }
  EXPECT_TRUE(design);
  EXPECT_EQ(FStage.Remote({"quit"}).second, 0);
  std::string last;
  while (const auto line = events.ReadLine()) last = *line;
  EXPECT_NE(last.find("\"event\":\"close\""), std::string::npos) << last;
  EXPECT_EQ(events.Wait(), 0);
}

TEST_F(LinkFaultsTest, AStringTooLargeForTheBusFailsThatCallAlone) {
  TStartedPlayer player;
  const TComPtr<IKIVOControl> control = bus_test::RemoteControl();
  ASSERT_TRUE(control);
  const std::u16string huge(TInValues::kLargestTexts / 2 + 1, u'x');
  BSTR design = SysAllocStringLen(huge.data(), static_cast<UINT>(huge.size()));
  EXPECT_EQ(control->set_Design(design), E_INVALIDARG);
  SysFreeString(design);
  LONG volume = -1;
  EXPECT_EQ(control->get_Volume(&volume), S_OK);
  EXPECT_EQ(volume, 100);
}

}  // namespace
