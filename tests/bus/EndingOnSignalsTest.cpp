// SIGTERM, SIGINT and SIGHUP end every kind of player as its own end does:
// a `kivo remote events` client attached to it hears the close and ends,
// the player's window leaves the bus, and the player exits (not killed)
// with 128 + the signal's number. Each case on the program's private bus.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

// This C library's header leaves out the C linkage.
extern "C" {
#include <sys/pidfd.h>
}

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/com/ComRuntime.h"
#include "platform/win/Messages.h"
#include "player/Home.h"
#include "tests/bus/ChildProcess.h"
#include "tests/bus/PlayerStage.h"
#include "tests/player/TmuxTestSupport.h"

namespace {

using bus_test::PumpUntil;
using bus_test::TChildProcess;
using bus_test::THostLinkStage;
using bus_test::TStartedPlayer;

struct TStopSignal {
  int Number;
  const char* Name;
};

constexpr TStopSignal kStopSignals[] = {{SIGTERM, "TERM"}, {SIGINT, "INT"}, {SIGHUP, "HUP"}};

void PrintTo(const TStopSignal& signal, std::ostream* out) { *out << "SIG" << signal.Name; }

bool PlayerOnTheBus() { return FindWindowA("TFormKIVO", nullptr) != nullptr; }

// Reads the client's lines until the player's close; false when the client
// ended or went quiet without it.
bool HearsTheClose(TChildProcess& events) {
  while (const auto line = events.ReadLine())
    if (line->find("\"event\":\"close\"") != std::string::npos) return true;
  return false;
}

// A `kivo remote events` client, attached once its first line came.
class TEventsClient {
 public:
  explicit TEventsClient(const THostLinkStage& stage)
      : FProcess({KIVO_PROGRAM, "remote", "events"}, stage.Errors().string()) {
    Attached = FProcess.ReadLine().has_value();
  }

  TChildProcess& Process() { return FProcess; }
  bool Attached = false;

 private:
  TChildProcess FProcess;
};

// The programs `parent` started, read from each of its threads.
std::vector<pid_t> ChildrenOf(pid_t parent) {
  std::vector<pid_t> children;
  const std::filesystem::path tasks = "/proc/" + std::to_string(parent) + "/task";
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream list(task.path() / "children");
    for (pid_t child = 0; list >> child;) children.push_back(child);
  }
  return children;
}

// Whole: the signature first and the closing chunk last, as a run cut
// short must still leave it.
bool IsCompletePng(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const std::string signature = "\x89PNG\r\n\x1a\n";
  const std::string end("\0\0\0\0IEND\xae\x42\x60\x82", 12);
  return bytes.size() > signature.size() + end.size() && bytes.starts_with(signature) &&
         bytes.ends_with(end);
}

// A program this test did not start itself (the player a client started),
// killed when the test ends, also when it fails before the program ended;
// held by a pidfd, so that a number given again meanwhile is left alone.
class TKilledAtEnd {
 public:
  explicit TKilledAtEnd(pid_t pid) : FPidFd(pidfd_open(pid, 0)) {}
  ~TKilledAtEnd() {
    if (FPidFd < 0) return;
    pidfd_send_signal(FPidFd, SIGKILL, nullptr, 0);
    ::close(FPidFd);
  }
  TKilledAtEnd(const TKilledAtEnd&) = delete;
  TKilledAtEnd& operator=(const TKilledAtEnd&) = delete;

 private:
  int FPidFd;
};

// Blocks `signal` in this thread while it lives, as a client that takes
// its signals with sigwait does.
class TBlockedSignal {
 public:
  explicit TBlockedSignal(int signal) {
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, signal);
    pthread_sigmask(SIG_BLOCK, &blocked, &FPrevious);
  }
  ~TBlockedSignal() { pthread_sigmask(SIG_SETMASK, &FPrevious, nullptr); }
  TBlockedSignal(const TBlockedSignal&) = delete;
  TBlockedSignal& operator=(const TBlockedSignal&) = delete;

 private:
  sigset_t FPrevious;
};

class EndingOnSignalsTest : public bus_test::THostLinkCase {};

class HeadlessPlayerSignalTest : public EndingOnSignalsTest,
                                 public ::testing::WithParamInterface<TStopSignal> {};

TEST_P(HeadlessPlayerSignalTest, EndsAsAClosedPlayerWithTheSignalsStatus) {
  const int signal = GetParam().Number;
  std::optional<TStartedPlayer> player;
  {
    // The starter's blocked signal is no part of the player's start.
    const TBlockedSignal blocked(signal);
    player.emplace();
  }
  TEventsClient events(FStage);
  ASSERT_TRUE(events.Attached);
  ::kill(player->Pid(), signal);
  EXPECT_TRUE(HearsTheClose(events.Process()));
  EXPECT_EQ(events.Process().Wait(), 0);
  EXPECT_EQ(player->Wait(), 128 + signal);
  EXPECT_TRUE(PumpUntil([] { return !PlayerOnTheBus(); }));
}

INSTANTIATE_TEST_SUITE_P(Signals, HeadlessPlayerSignalTest, ::testing::ValuesIn(kStopSignals),
                         [](const auto& info) { return std::string(info.param.Name); });

// The player `kivo remote events` started itself, while it blocks SIGINT
// and SIGTERM for its own wait.
TEST_F(EndingOnSignalsTest, APlayerStartedByRemoteEventsEndsOnSigterm) {
  kivo::TKivoHome(FStage.Home()).Prepare(KIVO_PROGRAM, KOLMIRA_SKINS_DIR "/bars/design.ini");
  ASSERT_FALSE(PlayerOnTheBus());
  TEventsClient events(FStage);
  ASSERT_TRUE(events.Attached);
  const std::vector<pid_t> started = ChildrenOf(events.Process().Pid());
  ASSERT_EQ(started.size(), 1u);
  const TKilledAtEnd player(started.front());
  ::kill(started.front(), SIGTERM);
  EXPECT_TRUE(HearsTheClose(events.Process()));
  EXPECT_EQ(events.Process().Wait(), 0);
  EXPECT_TRUE(PumpUntil([] { return !PlayerOnTheBus(); }));
}

// Endless random audio on standard input: only the signal ends the render.
TEST_F(EndingOnSignalsTest, ARenderStopsBetweenBlocksAndStillWritesAWholePicture) {
  const std::filesystem::path picture = FStage.Home().parent_path() / "cut.png";
  TChildProcess render({KIVO_PROGRAM, "render", "-", "--png", picture.string()},
                       FStage.Errors().string(), "/dev/urandom");
  ASSERT_TRUE(PumpUntil(PlayerOnTheBus));
  TEventsClient events(FStage);
  ASSERT_TRUE(events.Attached);
  ::kill(render.Pid(), SIGTERM);
  EXPECT_TRUE(HearsTheClose(events.Process()));
  EXPECT_EQ(render.Wait(), 128 + SIGTERM);
  EXPECT_FALSE(render.Signalled());
  EXPECT_TRUE(IsCompletePng(picture));
  EXPECT_TRUE(PumpUntil([] { return !PlayerOnTheBus(); }));
}

TEST_F(EndingOnSignalsTest, PlayingWithoutAViewEndsOnSigint) {
  TChildProcess play({KIVO_PROGRAM, "play", "--view", "none", "--no-sound"},
                     FStage.Errors().string());
  ASSERT_TRUE(PumpUntil(PlayerOnTheBus));
  TEventsClient events(FStage);
  ASSERT_TRUE(events.Attached);
  ::kill(play.Pid(), SIGINT);
  EXPECT_TRUE(HearsTheClose(events.Process()));
  EXPECT_EQ(play.Wait(), 128 + SIGINT);
  EXPECT_FALSE(play.Signalled());
  EXPECT_TRUE(PumpUntil([] { return !PlayerOnTheBus(); }));
}

// The terminal view hangs up: the pane gets its normal screen back. The
// pane's shell reports the status (tmux itself may be started with SIGCHLD
// blocked, as programs run from some harnesses are, and then never learn it).
TEST_F(EndingOnSignalsTest, PlayingInATerminalEndsOnSighupAndGivesTheScreenBack) {
  kivo_test::Tmux tmux;
  const std::string program =
      "env DBUS_SESSION_BUS_ADDRESS=" + kivo_test::Quoted(::getenv("DBUS_SESSION_BUS_ADDRESS")) +
      " KIVO_HOME=" + kivo_test::Quoted(FStage.Home().string()) +
      " KIVO_REGISTRY_DIR=" + kivo_test::Quoted(::getenv("KIVO_REGISTRY_DIR")) +
      " XDG_RUNTIME_DIR=" + kivo_test::Quoted(::getenv("XDG_RUNTIME_DIR")) + " " +
      kivo_test::Quoted(KIVO_PROGRAM) +
      " play --no-sound --view terminal; echo \"EXIT-STATUS=$?\"; sleep 600";
  ASSERT_EQ(tmux.Run("new-session -d -s view -x 120 -y 40 " + kivo_test::Quoted(program)).Status,
            0);
  ASSERT_TRUE(PumpUntil(PlayerOnTheBus));
  ASSERT_TRUE(PumpUntil([&] { return tmux.Format("#{alternate_on}") == "1"; }));
  const std::vector<pid_t> players = ChildrenOf(std::stoi(tmux.Format("#{pane_pid}")));
  ASSERT_EQ(players.size(), 1u);
  const TKilledAtEnd player(players.front());
  TEventsClient events(FStage);
  ASSERT_TRUE(events.Attached);
  ::kill(players.front(), SIGHUP);
  EXPECT_TRUE(HearsTheClose(events.Process()));
  EXPECT_TRUE(tmux.WaitForText("EXIT-STATUS=" + std::to_string(128 + SIGHUP))) << tmux.Pane();
  EXPECT_EQ(tmux.Format("#{alternate_on}"), "0");
  EXPECT_TRUE(PumpUntil([] { return !PlayerOnTheBus(); }));
}

}  // namespace
