// A session bus of the test's own: a dbus-daemon started for the test
// process, named by DBUS_SESSION_BUS_ADDRESS for this process and every
// program it starts, and stopped when the guard ends, also when the test
// fails. The platform joins a bus once per process, so a test program that
// uses the bus in its own process keeps one guard for its whole run (ctest
// runs each case in a process of its own).
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace bus_test {

class TPrivateBus {
 public:
  TPrivateBus() {
    FILE* daemon =
        ::popen("dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1", "r");
    if (daemon == nullptr) throw std::runtime_error("cannot start dbus-daemon");
    char address[1024] = {};
    char pid[64] = {};
    const bool read = std::fgets(address, sizeof address, daemon) != nullptr &&
                      std::fgets(pid, sizeof pid, daemon) != nullptr;
    ::pclose(daemon);
    if (!read) throw std::runtime_error("dbus-daemon gave no address");
    FAddress = Trimmed(address);
    FPid = std::stoi(pid);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", FAddress.c_str(), 1);
  }
  ~TPrivateBus() {
    ::kill(FPid, SIGTERM);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
  TPrivateBus(const TPrivateBus&) = delete;
  TPrivateBus& operator=(const TPrivateBus&) = delete;

  const std::string& Address() const { return FAddress; }
  int Pid() const { return FPid; }

  // Kills the daemon, as a crashed session bus goes: every connection to
  // it breaks at once. Returns once the daemon has gone.
  void Kill() {
    ::kill(FPid, SIGKILL);
    while (::kill(FPid, 0) == 0) ::usleep(10'000);
  }

 private:
  static std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
  }

  std::string FAddress;
  int FPid = 0;
};

// The one bus of a test program, made before the first case runs.
inline TPrivateBus& ProgramBus() {
  static TPrivateBus bus;
  return bus;
}

}  // namespace bus_test
