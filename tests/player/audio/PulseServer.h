// A PulseAudio server of the test's own: a null sink to play into and
// capture from, reached only through a socket in a temporary folder, so
// that no test touches the user's sound. Stopped when the guard goes, also
// when the test fails.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/player/TmuxTestSupport.h"

extern char** environ;

namespace kivo_test {

class PulseServer {
 public:
  explicit PulseServer(std::string sink) : FSink(std::move(sink)) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kivo-pulse-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    FFolder = pattern;
    std::filesystem::create_directories(FFolder / "home");
    std::filesystem::create_directories(FFolder / "runtime");
    Start();
  }
  ~PulseServer() {
    Stop();
    std::error_code ignored;
    if (!FFolder.empty()) std::filesystem::remove_all(FFolder, ignored);
  }
  PulseServer(const PulseServer&) = delete;
  PulseServer& operator=(const PulseServer&) = delete;

  // Starts the daemon (again, after Stop or a kill) on the same socket.
  void Start() {
    if (FFolder.empty() || FPid > 0) return;
    // As root the daemon warns that it is meant for the system mode, and runs.
    const std::string command =
        "exec " + Environment() + " pulseaudio --daemonize=no --system=false " +
        "--exit-idle-time=-1 --disable-shm=true -n --log-target=stderr " +
        Quoted("--load=module-null-sink sink_name=" + FSink +
               " sink_properties=device.description=KivoTestSink") +
        " " + Quoted("--load=module-native-protocol-unix auth-anonymous=1 socket=" + Socket()) +
        " 2>" + Quoted((FFolder / "daemon.log").string());
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    if (::posix_spawn(&FPid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
      FPid = -1;
  }

  // Polls until the server answers; false when it never does.
  bool WaitUntilReady() const {
    if (FPid <= 0) return false;
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      if (Run("pactl info").Status == 0) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

  // A stopped daemon is woken to take the end.
  void Stop() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGTERM);
    ::kill(FPid, SIGCONT);
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FPid = -1;
  }

  // SIGSTOP, SIGCONT or SIGKILL the daemon, as a user's system might.
  void Signal(int signal) const {
    if (FPid > 0) ::kill(FPid, signal);
  }

  const std::string& Sink() const { return FSink; }
  std::string Monitor() const { return FSink + ".monitor"; }
  std::string Socket() const { return (FFolder / "runtime" / "native").string(); }
  std::filesystem::path Folder() const { return FFolder; }

  // What a client of this server (and of no other) has in its environment.
  std::string Environment() const {
    return "env HOME=" + Quoted((FFolder / "home").string()) +
           " XDG_RUNTIME_DIR=" + Quoted((FFolder / "runtime").string()) +
           " PULSE_RUNTIME_PATH=" + Quoted((FFolder / "runtime" / "pulse").string()) +
           " PULSE_SERVER=" + Quoted("unix:" + Socket());
  }

  // Runs a shell command as a client of this server.
  CommandResult Run(const std::string& command) const {
    return RunShell(Environment() + " " + command);
  }

 private:
  std::string FSink;
  std::filesystem::path FFolder;
  pid_t FPid = -1;
};

// A program kept running in the background (paplay of a long tone), ended
// when the guard goes.
class BackgroundProgram {
 public:
  explicit BackgroundProgram(const std::string& command) {
    const std::string shell = "exec " + command;
    const char* argv[] = {"/bin/sh", "-c", shell.c_str(), nullptr};
    if (::posix_spawn(&FPid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
      FPid = -1;
  }
  ~BackgroundProgram() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGTERM);
    int status = 0;
    ::waitpid(FPid, &status, 0);
  }
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  bool Started() const { return FPid > 0; }

  // Whether it still runs (not ended, not reaped).
  bool Running() {
    if (FPid <= 0) return false;
    int status = 0;
    if (::waitpid(FPid, &status, WNOHANG) == 0) return true;
    FEnded = status;
    FPid = -1;
    return false;
  }
  // How it ended, once Running said it did: a wait status.
  int Ended() const { return FEnded; }

  // SIGKILL, say, as a crash would end it.
  void Signal(int signal) const {
    if (FPid > 0) ::kill(FPid, signal);
  }

  // Waits for the program to end; its exit status, or -1.
  int Wait() {
    if (FPid <= 0) return -1;
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t FPid = -1;
  int FEnded = 0;
};

}  // namespace kivo_test
