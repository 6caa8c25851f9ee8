// Takes over a terminal for a full-screen view, and gives it back: raw
// input, the alternate screen, a hidden cursor and mouse reports while the
// session lasts; the terminal as it was afterwards, also when the program
// is interrupted or crashes. One session at a time per process.
#pragma once

#include <termios.h>

#include <chrono>
#include <span>

#include "player/terminal/TerminalView.h"

namespace kivo {

class TerminalSession {
 public:
  // Raises std::runtime_error when `inputFd` is not a terminal and
  // std::logic_error when another session is active.
  explicit TerminalSession(int inputFd = 0, int outputFd = 1);
  ~TerminalSession();

  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  TerminalSize Size() const;

  // Waits up to `timeout` for input and reads what is there into `buffer`;
  // returns how many bytes it read, 0 when the time ran out or a signal
  // (a resize, an interrupt) ended the wait.
  // `alsoWakeFd`, when not -1, ends the wait early (with nothing read)
  // once it polls readable.
  std::size_t WaitForInput(std::span<char> buffer, std::chrono::milliseconds timeout,
                           int alsoWakeFd = -1);

  // True once after the terminal changed its size.
  bool TakeResize();
  // True after SIGINT, SIGTERM or SIGHUP, or once the terminal hung up: the
  // program should finish and end the session, which restores the terminal.
  // A handler of these signals there before the session hears them too.
  bool StopRequested() const;

  int OutputFd() const { return FOutputFd; }

 private:
  void Leave() noexcept;
  void InstallSignalHandlers();
  void RestoreSignalHandlers();

  int FInputFd;
  int FOutputFd;
};

// Writes all of `data` to `fd`, retrying after interruptions and partial
// writes; raises std::system_error when the descriptor fails.
void WriteAll(int fd, std::string_view data);

}  // namespace kivo
