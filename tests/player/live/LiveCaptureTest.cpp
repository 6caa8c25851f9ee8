// The captured live track without a sound server: it says why nothing is
// captured, names the device it waits for, and hands on no frames.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <thread>

#include "player/live/LiveCapture.h"

namespace {

// Points the client library at a socket nobody listens on.
class NoServer {
 public:
  NoServer() { ::setenv("PULSE_SERVER", "unix:/nonexistent/kivo-test/native", 1); }
  ~NoServer() { ::unsetenv("PULSE_SERVER"); }
  NoServer(const NoServer&) = delete;
  NoServer& operator=(const NoServer&) = delete;
};

constexpr std::chrono::microseconds kFramePeriod(33'333);

// The capture connects on its own thread: the problem shows within a
// couple of seconds of frames.
void FollowUntilAProblem(kivo::TLiveCapture& capture, bool playing) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  do {
    capture.Follow(playing);
    std::this_thread::sleep_for(kFramePeriod);
  } while (capture.Problem().empty() && std::chrono::steady_clock::now() < giveUp);
}

TEST(LiveCaptureTest, WithoutAServerItWaitsWithClearedPanelsAndSaysWhy) {
  const NoServer noServer;
  kivo::TLiveCapture named({"speakers", false}, kFramePeriod);
  FollowUntilAProblem(named, true);
  EXPECT_EQ(named.Title(), "speakers");
  EXPECT_NE(named.Problem().find("cannot capture \"speakers\": no sound server answers at "
                                 "unix:/nonexistent/kivo-test/native"),
            std::string::npos)
      << named.Problem();
  EXPECT_TRUE(named.HeardBlock().empty());
  EXPECT_EQ(named.PositionMs(), 0);

  kivo::TLiveCapture byDefault({"", false}, kFramePeriod);
  FollowUntilAProblem(byDefault, false);
  EXPECT_EQ(byDefault.Title(), "Monitor of the default output");
  EXPECT_NE(byDefault.Problem().find("cannot capture the default output's monitor"),
            std::string::npos)
      << byDefault.Problem();
}

}  // namespace
