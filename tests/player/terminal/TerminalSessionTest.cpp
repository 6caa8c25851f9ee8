#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>

#include <array>
#include <csignal>
#include <string>

#include "player/terminal/TerminalSession.h"
#include "tests/player/terminal/PseudoTerminal.h"

namespace {

using kivo::TerminalSession;
using namespace std::chrono_literals;

const std::string kEnter = "\x1b[?1049h\x1b[?7l\x1b[?25l\x1b[?1000h\x1b[?1006h";
const std::string kLeave = "\x1b[0m\x1b[H\x1b[2J\x1b[?1006l\x1b[?1000l\x1b[?25h\x1b[?7h\x1b[?1049l";

termios ModeOf(int fd) {
  termios mode{};
  EXPECT_EQ(::tcgetattr(fd, &mode), 0);
  return mode;
}

bool SameMode(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag;
}

struct sigaction HandlerOf(int signal) {
  struct sigaction action {};
  ::sigaction(signal, nullptr, &action);
  return action;
}

class TerminalSessionTest : public ::testing::Test {
 protected:
  PseudoTerminal FTerminal;
};

TEST_F(TerminalSessionTest, TakesTheTerminalOverAndGivesItBackAsItWas) {
  const termios before = ModeOf(FTerminal.ProgramSide());
  ASSERT_NE(before.c_lflag & ICANON, 0u);
  {
    TerminalSession session(FTerminal.ProgramSide(), FTerminal.ProgramSide());
    const termios raw = ModeOf(FTerminal.ProgramSide());
    EXPECT_EQ(raw.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_NE(raw.c_lflag & ISIG, 0u) << "Ctrl-C and Ctrl-Z still send their signals";
    EXPECT_EQ(FTerminal.TakeOutput(), kEnter);
  }
  EXPECT_TRUE(SameMode(ModeOf(FTerminal.ProgramSide()), before));
  EXPECT_EQ(FTerminal.TakeOutput(), kLeave);
}

TEST_F(TerminalSessionTest, SignalHandlersAreOnlyInstalledWhileTheSessionLasts) {
  const auto before = HandlerOf(SIGTERM).sa_handler;
  {
    TerminalSession session(FTerminal.ProgramSide(), FTerminal.ProgramSide());
    EXPECT_NE(HandlerOf(SIGTERM).sa_handler, before);
    EXPECT_NE(HandlerOf(SIGSEGV).sa_handler, SIG_DFL);
  }
  EXPECT_EQ(HandlerOf(SIGTERM).sa_handler, before);
}

TEST_F(TerminalSessionTest, OnlyOneSessionAtATimeAndOnlyOnATerminal) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  EXPECT_THROW(TerminalSession(pipeFds[0], pipeFds[1]), std::runtime_error);
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);

  TerminalSession session(FTerminal.ProgramSide(), FTerminal.ProgramSide());
  EXPECT_THROW(TerminalSession(FTerminal.ProgramSide(), FTerminal.ProgramSide()), std::logic_error);
}

TEST_F(TerminalSessionTest, ReadsWhatIsTypedAndReportsSize) {
  FTerminal.SetSize(100, 30);
  TerminalSession session(FTerminal.ProgramSide(), FTerminal.ProgramSide());
  EXPECT_EQ(session.Size(), (kivo::TerminalSize{100, 30}));

  FTerminal.Type("q\x1b[<0;1;1M");
  std::array<char, 64> buffer{};
  const std::size_t got = session.WaitForInput(buffer, 5000ms);
  EXPECT_EQ(std::string(buffer.data(), got), "q\x1b[<0;1;1M") << "raw mode passes bytes as typed";
}

TEST_F(TerminalSessionTest, AResizeIsReportedOnceAndEndsTheWait) {
  TerminalSession session(FTerminal.ProgramSide(), FTerminal.ProgramSide());
  EXPECT_FALSE(session.TakeResize());
  FTerminal.SetSize(50, 20);
  ::raise(SIGWINCH);
  std::array<char, 16> buffer{};
  EXPECT_EQ(session.WaitForInput(buffer, 60000ms), 0u);
  EXPECT_TRUE(session.TakeResize());
  EXPECT_FALSE(session.TakeResize());
  EXPECT_EQ(session.Size(), (kivo::TerminalSize{50, 20}));
}

// Continued after a stop, the session takes the terminal again as the
// shell left it and has the view drawn anew, as after a resize.
TEST_F(TerminalSessionTest, AContinueTakesTheTerminalAgainAndEndsTheWait) {
  const termios before = ModeOf(FTerminal.ProgramSide());
  TerminalSession session(FTerminal.ProgramSide(), FTerminal.ProgramSide());
  const termios raw = ModeOf(FTerminal.ProgramSide());
  FTerminal.TakeOutput();
  ::tcsetattr(FTerminal.ProgramSide(), TCSANOW, &before);
  ::raise(SIGCONT);
  std::array<char, 16> buffer{};
  EXPECT_EQ(session.WaitForInput(buffer, 60000ms), 0u);
  EXPECT_TRUE(session.TakeResize());
  EXPECT_TRUE(SameMode(ModeOf(FTerminal.ProgramSide()), raw));
  EXPECT_EQ(FTerminal.TakeOutput(), kEnter);
  EXPECT_FALSE(session.StopRequested());
}

TEST_F(TerminalSessionTest, InterruptTerminateAndHangUpAskThePlayerToStop) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    TerminalSession session(FTerminal.ProgramSide(), FTerminal.ProgramSide());
    EXPECT_FALSE(session.StopRequested());
    ::raise(signal);
    std::array<char, 16> buffer{};
    EXPECT_EQ(session.WaitForInput(buffer, 60000ms), 0u);
    EXPECT_TRUE(session.StopRequested());
  }
}

TEST_F(TerminalSessionTest, AClosedTerminalAsksThePlayerToStop) {
  TerminalSession session(FTerminal.ProgramSide(), FTerminal.ProgramSide());
  FTerminal.HangUp();
  std::array<char, 16> buffer{};
  EXPECT_EQ(session.WaitForInput(buffer, 60000ms), 0u);
  EXPECT_TRUE(session.StopRequested());
}

void CrashInsideASession(int terminal, int signal) {
  TerminalSession session(terminal, terminal);
  ::raise(signal);
}

TEST_F(TerminalSessionTest, ACrashRestoresTheTerminalAndStillKillsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "fast");
  const termios before = ModeOf(FTerminal.ProgramSide());
  EXPECT_EXIT(CrashInsideASession(FTerminal.ProgramSide(), SIGABRT),
              ::testing::KilledBySignal(SIGABRT), "");
  EXPECT_TRUE(SameMode(ModeOf(FTerminal.ProgramSide()), before));
  EXPECT_EQ(FTerminal.TakeOutput(), kEnter + kLeave);

  // A segmentation fault may first be reported by a sanitizer; the program
  // ends abnormally either way, with the terminal restored.
  EXPECT_EXIT(
      CrashInsideASession(FTerminal.ProgramSide(), SIGSEGV),
      [](int status) { return WIFSIGNALED(status) || WEXITSTATUS(status) != 0; }, "");
  EXPECT_TRUE(SameMode(ModeOf(FTerminal.ProgramSide()), before));
  EXPECT_EQ(FTerminal.TakeOutput().substr(0, kEnter.size() + kLeave.size()), kEnter + kLeave);
}

}  // namespace
