// The session bus dies under a player that no person sees: nothing could
// ever reach it again, so it ends as a close ends it, says why, and a
// `kivo remote events` client waiting on it ends too rather than waiting
// for ever. Each case kills the program's private bus, so each runs in a
// process of its own (as ctest runs them).
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/bus/Bus.h"
#include "tests/bus/ChildProcess.h"
#include "tests/bus/PlayerStage.h"

namespace {

using bus_test::PumpUntil;
using bus_test::ReadFile;
using bus_test::TChildProcess;
using bus_test::TStartedPlayer;

class SessionBusGoneTest : public bus_test::THostLinkCase {};

TEST_F(SessionBusGoneTest, AStartedPlayerAndItsEventsClientEndWhenTheBusDies) {
  TStartedPlayer player;
  TChildProcess events({KIVO_PROGRAM, "remote", "events"}, FStage.Errors().string());
  ASSERT_TRUE(events.ReadLine().has_value());

  ASSERT_NE(kivo_bus::TBus::Get(), nullptr);
  bus_test::ProgramBus().Kill();
  EXPECT_TRUE(PumpUntil(kivo_bus::SessionBusLost));

  EXPECT_EQ(player.Wait(), 1);
  std::string heard;
  while (const auto line = events.ReadLine()) heard += *line + "\n";
  EXPECT_EQ(events.Wait(), 1) << heard;
  EXPECT_FALSE(events.Signalled());
  EXPECT_NE(ReadFile(FStage.Errors()).find("the session bus has gone"), std::string::npos)
      << ReadFile(FStage.Errors());
}

// A bus that is only stopped may come back: nothing ends, and once it
// goes on the player answers as before.
TEST_F(SessionBusGoneTest, AStoppedBusEndsNothing) {
  TStartedPlayer player;
  const int daemon = bus_test::ProgramBus().Pid();
  ASSERT_EQ(::kill(daemon, SIGSTOP), 0);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  ASSERT_EQ(::kill(daemon, SIGCONT), 0);
  EXPECT_EQ(FStage.Remote({"status"}).second, 0) << ReadFile(FStage.Errors());
  EXPECT_FALSE(kivo_bus::SessionBusLost());
}

}  // namespace
