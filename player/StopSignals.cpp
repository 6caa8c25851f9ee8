#include "player/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <system_error>

namespace kivo {

namespace {

constexpr std::array kStopSignals = {SIGINT, SIGTERM, SIGHUP};

// A signal handler reaches only plain globals.
volatile std::sig_atomic_t gReceived = 0;
volatile std::sig_atomic_t gActive = 0;
int gWakeRead = -1;
int gWakeWrite = -1;
struct sigaction gPrevious[kStopSignals.size()];

void OnStopSignal(int signal) {
  if (gActive == 0) return;
  if (gReceived == 0) gReceived = signal;
  const int savedErrno = errno;
  const char byte = 1;
  // The pipe is never drained: once full, it is readable all the same.
  [[maybe_unused]] const ssize_t ignored = ::write(gWakeWrite, &byte, 1);
  errno = savedErrno;
}

}  // namespace

TStopSignals::TStopSignals() {
  if (gActive != 0) throw std::logic_error("the stop signals are already taken");
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
    throw std::system_error(errno, std::generic_category(), "cannot make the stop-signal pipe");
  gWakeRead = ends[0];
  gWakeWrite = ends[1];
  gReceived = 0;
  gActive = 1;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  // Reads and writes go on; the waits that are to end poll the pipe.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < kStopSignals.size(); ++i)
    ::sigaction(kStopSignals[i], &action, &gPrevious[i]);
}

TStopSignals::~TStopSignals() {
  for (std::size_t i = 0; i < kStopSignals.size(); ++i)
    ::sigaction(kStopSignals[i], &gPrevious[i], nullptr);
  gActive = 0;
  ::close(gWakeRead);
  ::close(gWakeWrite);
  gWakeRead = gWakeWrite = -1;
}

int StopSignalReceived() { return gReceived; }

int StopSignalWakeFd() { return gWakeRead; }

int ExitStatusAfter(int signal) { return signal == 0 ? 0 : 128 + signal; }

}  // namespace kivo
