// The player's start heard by clients made before it, and user
// notifications sent through `kivo remote notify-user`, each case on a
// private bus of its own with the real player: a stopped client first,
// then bad arguments and no player.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "hostlink/Kivo.h"
#include "hostlink/KivoConstants.h"
#include "platform/com/ComRuntime.h"
#include "tests/bus/PlayerStage.h"

namespace {

using bus_test::PumpUntil;
using bus_test::ReadFile;
using bus_test::TChildProcess;
using bus_test::TStartedPlayer;

class TClientEvents {
 public:
  void Open(TObject*) { ++Opens; }
  void User(TObject*, DWORD Code, int Value) { Users.emplace_back(Code, Value); }
  int Opens = 0;
  std::vector<std::pair<DWORD, int>> Users;
};

class PlayerStartTest : public bus_test::THostLinkCase {};

// The first open notification a listener heard (the announces of clients
// reach it too); empty when it ended first.
std::string OpenHeardBy(TChildProcess& listener) {
  while (const auto line = listener.ReadLine())
    if (line->starts_with("1 ")) return *line;
  return {};
}

std::string MainWindowValue() {
  return std::to_string(HandleValue(FindWindowA("TFormKIVO", nullptr)));
}

TEST_F(PlayerStartTest, AClientMadeBeforeThePlayerBindsWhenItStartsAndAStoppedOneDelaysNothing) {
  TChildProcess stopped({KOLMIRA_BUS_PEER, "--listen"}, FStage.Errors().string());
  ASSERT_EQ(stopped.ReadLine().value_or(""), "ready");
  ::kill(stopped.Pid(), SIGSTOP);
  TChildProcess listening({KOLMIRA_BUS_PEER, "--listen"}, FStage.Errors().string());
  ASSERT_EQ(listening.ReadLine().value_or(""), "ready");

  TKIVO kivo(nullptr);
  TClientEvents events;
  kivo.OnOpen = TNotifyEvent(&events, &TClientEvents::Open);
  ProcessMessages();
  ASSERT_FALSE(kivo.IsBound());

  // Started while a client does not read: the broadcast waits for nobody,
  // so the player gets to its idle loop.
  TStartedPlayer player;
  EXPECT_TRUE(PumpUntil([&] { return kivo.IsBound(); }));
  EXPECT_GE(events.Opens, 1);
  EXPECT_EQ(kivo.GetPlayStatus(), 526);

  const std::string open = "1 " + MainWindowValue();
  EXPECT_EQ(OpenHeardBy(listening), open);
  ::kill(stopped.Pid(), SIGCONT);
  EXPECT_EQ(OpenHeardBy(stopped), open);
}

TEST_F(PlayerStartTest, NotifyUserReachesEveryClientPastAStoppedOne) {
  TStartedPlayer player;
  TChildProcess events({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
  ASSERT_TRUE(events.ReadLine().has_value());
  TChildProcess stoppedEvents({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
  ASSERT_TRUE(stoppedEvents.ReadLine().has_value());
  ::kill(stoppedEvents.Pid(), SIGSTOP);

  TKIVO kivo(nullptr);
  TClientEvents heard;
  kivo.OnUser = TKIVOEvent(&heard, &TClientEvents::User);
  kivo.Bind();
  ASSERT_TRUE(kivo.IsBound());

  EXPECT_EQ(FStage.Remote({"notify-user", "65535", "--", "-3"}).second, 0);
  EXPECT_EQ(FStage.Remote({"notify-user", "0", "2147483647"}).second, 0);
  EXPECT_TRUE(PumpUntil([&] { return heard.Users.size() >= 2; }));
  const std::vector<std::pair<DWORD, int>> expected = {{65535, -3}, {0, 2147483647}};
  EXPECT_EQ(heard.Users, expected);

  const auto userLine = [](TChildProcess& client) {
    while (const auto line = client.ReadLine())
      if (line->find("\"event\":\"user\"") != std::string::npos) return *line;
    return std::string();
  };
  EXPECT_EQ(userLine(events), "{\"event\":\"user\",\"wparam\":2147549183,\"lparam\":-3}");
  ::kill(stoppedEvents.Pid(), SIGCONT);
  EXPECT_EQ(userLine(stoppedEvents), "{\"event\":\"user\",\"wparam\":2147549183,\"lparam\":-3}");
  ::kill(events.Pid(), SIGTERM);
  ::kill(stoppedEvents.Pid(), SIGTERM);
}

TEST_F(PlayerStartTest, NotifyUserRefusesBadArgumentsAndStartsNoPlayer) {
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"notify-user", "65536", "1"}, {"notify-user", "-1", "1"},
        {"notify-user", "x", "1"}, {"notify-user", "1"}, {"notify-user", "1", "2147483648"}}) {
    const auto [output, status] = FStage.Remote(bad);
    EXPECT_EQ(status, 2) << bad[1];
  }
  EXPECT_NE(ReadFile(FStage.Errors()).find("CODE"), std::string::npos) << ReadFile(FStage.Errors());

  EXPECT_EQ(FStage.Remote({"notify-user", "1", "2"}).second, 1);
  EXPECT_NE(ReadFile(FStage.Errors()).find("no player is running"), std::string::npos);
  EXPECT_EQ(FindWindowA("TFormKIVO", nullptr), nullptr);
}

}  // namespace
