// A pseudo-terminal pair for tests: the program side (what a terminal
// session takes over) and the terminal side (what the screen would show).
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

class PseudoTerminal {
 public:
  PseudoTerminal() {
    FTerminalSide = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FTerminalSide < 0 || ::grantpt(FTerminalSide) != 0 || ::unlockpt(FTerminalSide) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    FProgramSide = ::open(::ptsname(FTerminalSide), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FProgramSide < 0) throw std::runtime_error("cannot open the pseudo-terminal");
    ::fcntl(FTerminalSide, F_SETFL, O_NONBLOCK);
  }
  ~PseudoTerminal() {
    if (FProgramSide >= 0) ::close(FProgramSide);
    if (FTerminalSide >= 0) ::close(FTerminalSide);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int ProgramSide() const { return FProgramSide; }

  // Everything the program wrote that has not been read yet.
  std::string TakeOutput() {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(FTerminalSide, buffer, sizeof buffer)) > 0;) {
      text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
  }

  void Type(const std::string& bytes) {
    if (::write(FTerminalSide, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      throw std::runtime_error("cannot type into the pseudo-terminal");
    }
  }

  // Closes the terminal side, as when a terminal window is closed.
  void HangUp() {
    ::close(FTerminalSide);
    FTerminalSide = -1;
  }

  void SetSize(unsigned short columns, unsigned short rows) {
    winsize size{};
    size.ws_col = columns;
    size.ws_row = rows;
    ::ioctl(FTerminalSide, TIOCSWINSZ, &size);
  }

 private:
  int FTerminalSide = -1;
  int FProgramSide = -1;
};
