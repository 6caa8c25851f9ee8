#include "player/terminal/TerminalSession.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace kivo {

namespace {

// Alternate screen, no automatic wrap (so that nothing written in the last
// column scrolls the screen), hidden cursor, button reports in SGR form.
constexpr std::string_view kEnter = "\x1b[?1049h\x1b[?7l\x1b[?25l\x1b[?1000h\x1b[?1006h";
// The same undone in reverse order, attributes reset. The alternate screen
// is cleared first: a terminal that resized it (tmux) may otherwise carry
// its lines over to the normal screen.
constexpr std::string_view kLeave =
    "\x1b[0m\x1b[H\x1b[2J\x1b[?1006l\x1b[?1000l\x1b[?25h\x1b[?7h\x1b[?1049l";

constexpr std::array kStopSignals = {SIGINT, SIGTERM, SIGHUP};
constexpr std::array kCrashSignals = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGQUIT};
constexpr std::array kJobSignals = {SIGTSTP, SIGCONT};

// Signal handlers can reach only plain globals; they are set before the
// handlers are installed and cleared after they are removed.
volatile std::sig_atomic_t gActive = 0;
volatile std::sig_atomic_t gResized = 0;
volatile std::sig_atomic_t gStop = 0;
int gInputFd = -1;
int gOutputFd = -1;
termios gSaved{};
termios gRaw{};
int gWakeRead = -1;
int gWakeWrite = -1;
struct sigaction gPrevious[NSIG];

// The signal handlers, and what they call, use async-signal-safe calls only.
void WriteFromSignal(std::string_view text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t result = ::write(gOutputFd, text.data() + written, text.size() - written);
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) break;
    written += static_cast<std::size_t>(result);
  }
}

void RestoreTerminalFromSignal() {
  WriteFromSignal(kLeave);
  ::tcsetattr(gInputFd, TCSANOW, &gSaved);
}

// Takes the terminal again after the program was stopped and continued.
void EnterTerminalFromSignal() {
  ::tcsetattr(gInputFd, TCSANOW, &gRaw);
  WriteFromSignal(kEnter);
}

void Wake() {
  const int savedErrno = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(gWakeWrite, &byte, 1);
  errno = savedErrno;
}

void OnResize(int) {
  gResized = 1;
  Wake();
}

// The handler there was before (the player's, which keeps the signal for
// its exit status) hears the signal too.
void PassOn(int signal) {
  const struct sigaction& previous = gPrevious[signal];
  if ((previous.sa_flags & SA_SIGINFO) != 0) return;
  if (previous.sa_handler == SIG_DFL || previous.sa_handler == SIG_IGN) return;
  previous.sa_handler(signal);
}

void OnStop(int signal) {
  gStop = 1;
  Wake();
  PassOn(signal);
}

// Ctrl-Z: the terminal as it was, for the shell, then the stop the signal
// would have made; execution goes on here when the program is continued.
void OnSuspend(int signal) {
  const int savedErrno = errno;
  if (gActive != 0) RestoreTerminalFromSignal();
  struct sigaction ours {};
  struct sigaction stop {};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  ::sigaction(signal, &stop, &ours);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, signal);
  ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  ::raise(signal);
  ::sigaction(signal, &ours, nullptr);
  errno = savedErrno;
}

// Continued (after Ctrl-Z and fg, or any stop): the shell had the terminal
// meanwhile and may have changed its mode, its size and its screen, so the
// view takes it again and is drawn anew, as after a resize.
void OnContinue(int) {
  const int savedErrno = errno;
  if (gActive != 0) EnterTerminalFromSignal();
  gResized = 1;
  Wake();
  errno = savedErrno;
}

// Puts the terminal back, then lets the signal do what it would have done.
void OnCrash(int signal) {
  if (gActive != 0) {
    gActive = 0;
    RestoreTerminalFromSignal();
  }
  ::sigaction(signal, &gPrevious[signal], nullptr);
  ::raise(signal);
}

void Install(int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, &gPrevious[signal]);
}

// Raw, except that the terminal's interrupt, quit and suspend keys still
// send their signals.
termios RawModeOf(termios mode) {
  ::cfmakeraw(&mode);
  mode.c_lflag |= ISIG;
  mode.c_cc[VMIN] = 1;
  mode.c_cc[VTIME] = 0;
  return mode;
}

void MakePipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot make the signal pipe");
  }
  gWakeRead = fds[0];
  gWakeWrite = fds[1];
}

void DrainWakePipe() {
  char bytes[64];
  while (::read(gWakeRead, bytes, sizeof bytes) > 0) {
  }
}

}  // namespace

void WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t result = ::write(fd, data.data(), data.size());
    if (result < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "cannot write to the terminal");
    }
    data.remove_prefix(static_cast<std::size_t>(result));
  }
}

TerminalSession::TerminalSession(int inputFd, int outputFd)
    : FInputFd(inputFd), FOutputFd(outputFd) {
  if (gActive != 0) throw std::logic_error("a terminal session is already active");
  termios saved{};
  if (::tcgetattr(inputFd, &saved) != 0) throw std::runtime_error("the input is not a terminal");

  MakePipe();
  gInputFd = inputFd;
  gOutputFd = outputFd;
  gSaved = saved;
  gRaw = RawModeOf(saved);
  gResized = 0;
  gStop = 0;
  gActive = 1;
  InstallSignalHandlers();

  ::tcsetattr(inputFd, TCSANOW, &gRaw);
  try {
    WriteAll(outputFd, kEnter);
  } catch (...) {
    Leave();
    throw;
  }
}

TerminalSession::~TerminalSession() { Leave(); }

void TerminalSession::Leave() noexcept {
  gActive = 0;
  RestoreSignalHandlers();
  ::tcsetattr(FInputFd, TCSANOW, &gSaved);
  try {
    WriteAll(FOutputFd, kLeave);
  } catch (const std::system_error&) {
    // The terminal is gone; there is nothing left to restore on it.
  }
  ::close(gWakeRead);
  ::close(gWakeWrite);
  gWakeRead = gWakeWrite = -1;
}

void TerminalSession::InstallSignalHandlers() {
  Install(SIGWINCH, OnResize, SA_RESTART);
  for (const int signal : kStopSignals) Install(signal, OnStop, SA_RESTART);
  Install(SIGTSTP, OnSuspend, SA_RESTART);
  Install(SIGCONT, OnContinue, SA_RESTART);
  for (const int signal : kCrashSignals) Install(signal, OnCrash, 0);
}

void TerminalSession::RestoreSignalHandlers() {
  ::sigaction(SIGWINCH, &gPrevious[SIGWINCH], nullptr);
  for (const int signal : kStopSignals) ::sigaction(signal, &gPrevious[signal], nullptr);
  for (const int signal : kJobSignals) ::sigaction(signal, &gPrevious[signal], nullptr);
  for (const int signal : kCrashSignals) ::sigaction(signal, &gPrevious[signal], nullptr);
}

TerminalSize TerminalSession::Size() const {
  winsize size{};
  if (::ioctl(FOutputFd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) {
    return {80, 24};
  }
  return {size.ws_col, size.ws_row};
}

std::size_t TerminalSession::WaitForInput(std::span<char> buffer, std::chrono::milliseconds timeout,
                                          int alsoWakeFd) {
  pollfd fds[3] = {{FInputFd, POLLIN, 0}, {gWakeRead, POLLIN, 0}, {alsoWakeFd, POLLIN, 0}};
  const int ready = ::poll(fds, alsoWakeFd >= 0 ? 3 : 2, static_cast<int>(timeout.count()));
  if (ready <= 0) return 0;
  if ((fds[1].revents & POLLIN) != 0) DrainWakePipe();
  if ((fds[0].revents & POLLIN) != 0) {
    const ssize_t got = ::read(FInputFd, buffer.data(), buffer.size());
    if (got > 0) return static_cast<std::size_t>(got);
    if (got == 0 || errno != EINTR) gStop = 1;
  } else if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
    gStop = 1;  // the terminal is gone: nothing will be typed any more
  }
  return 0;
}

bool TerminalSession::TakeResize() {
  if (gResized == 0) return false;
  gResized = 0;
  return true;
}

bool TerminalSession::StopRequested() const { return gStop != 0; }

}  // namespace kivo
