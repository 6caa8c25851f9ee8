// A session bus of the test's own: a dbus-daemon listening in a temporary
// folder, stopped when the test ends, whatever its outcome. Programs reach
// it through the address in their environment.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "tests/player/TmuxTestSupport.h"

namespace kivo_test {

class PrivateBus {
 public:
  PrivateBus() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kivo-bus-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    FFolder = pattern;
    // The daemon prints its address once it listens, then its process id.
    const CommandResult started =
        RunShell("dbus-daemon --session --fork --print-address=1 --print-pid=1 --address=" +
                 Quoted("unix:path=" + (FFolder / "bus").string()));
    const std::size_t end = started.Output.find('\n');
    if (started.Status != 0 || end == std::string::npos) return;
    FAddress = started.Output.substr(0, end);
    FPid = std::atoi(started.Output.c_str() + end + 1);
  }
  ~PrivateBus() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool Running() const { return FPid > 0 && !FAddress.empty(); }
  const std::string& Address() const { return FAddress; }
  // `command` with this bus as its session bus.
  std::string On(const std::string& command) const {
    return "env DBUS_SESSION_BUS_ADDRESS=" + Quoted(FAddress) + " " + command;
  }

  void Stop() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGTERM);
    FPid = 0;
  }

 private:
  std::filesystem::path FFolder;
  std::string FAddress;
  pid_t FPid = 0;
};

// Sets an environment variable for the test's own process and puts the
// old value back at the end.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (FOld)
      ::setenv(FName, FOld->c_str(), 1);
    else
      ::unsetenv(FName);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* FName;
  std::optional<std::string> FOld;
};

// Runs `command` in the background while `serve` keeps answering on this
// thread; the command's result once it is done (or given up on).
template <class Serve>
CommandResult RunWhileServing(const std::string& command, Serve serve) {
  std::future<CommandResult> result = std::async(std::launch::async, RunShell, command);
  const auto giveUp = std::chrono::steady_clock::now() + kPatience;
  while (result.wait_for(5ms) != std::future_status::ready &&
         std::chrono::steady_clock::now() < giveUp)
    serve();
  return result.get();
}

// Polls `command` until its output holds `text`; its last output.
inline std::string WaitForOutput(const std::string& command, const std::string& text) {
  const auto giveUp = std::chrono::steady_clock::now() + kPatience;
  std::string output;
  while (std::chrono::steady_clock::now() < giveUp) {
    output = RunShell(command).Output;
    if (output.find(text) != std::string::npos) break;
    std::this_thread::sleep_for(50ms);
  }
  return output;
}

}  // namespace kivo_test
