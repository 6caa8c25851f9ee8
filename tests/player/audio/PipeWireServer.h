// A PipeWire server of the test's own, with its session manager and its
// pulse server, on a session bus of its own (WirePlumber needs one): a
// null sink made by the server's own configuration, reached only through
// sockets in a temporary folder. Clients see it as PulseServer's are seen
// (the same Environment, Run and names), so that a test can run against
// either. Stopped, every process of it, when the guard goes.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/player/TmuxTestSupport.h"

extern char** environ;

namespace kivo_test {

class PipeWireServer {
 public:
  // Whether the programs are there to start one.
  static bool Installed() {
    return RunShell("command -v pipewire && command -v wireplumber && command -v pipewire-pulse "
                    "&& command -v dbus-run-session")
               .Status == 0;
  }

  explicit PipeWireServer(std::string sink) : FSink(std::move(sink)) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kivo-pipewire-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    FFolder = pattern;
    for (const char* folder : {"home", "runtime", "state", "config/pipewire/pipewire.conf.d"})
      std::filesystem::create_directories(FFolder / folder);
    std::filesystem::permissions(FFolder / "runtime", std::filesystem::perms::owner_all);
    WriteSinkConfig();
    // The session manager and the pulse server start once the server's
    // socket is there; each test's server lives in its own process group.
    const std::string script =
        "pipewire & while [ ! -S \"$XDG_RUNTIME_DIR/pipewire-0\" ]; do sleep 0.05; done; "
        "wireplumber & pipewire-pulse & wait";
    const std::string command = "exec " + Environment() + " XDG_CONFIG_HOME=" +
                                Quoted((FFolder / "config").string()) + " XDG_STATE_HOME=" +
                                Quoted((FFolder / "state").string()) +
                                " dbus-run-session -- sh -c " + Quoted(script) + " >" +
                                Quoted((FFolder / "daemon.log").string()) + " 2>&1";
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    if (::posix_spawn(&FPid, "/bin/sh", nullptr, &attributes, const_cast<char**>(argv),
                      environ) != 0)
      FPid = -1;
    posix_spawnattr_destroy(&attributes);
  }
  ~PipeWireServer() {
    Stop();
    std::error_code ignored;
    if (!FFolder.empty()) std::filesystem::remove_all(FFolder, ignored);
  }
  PipeWireServer(const PipeWireServer&) = delete;
  PipeWireServer& operator=(const PipeWireServer&) = delete;

  // Polls until the pulse server answers and the session manager has made
  // the null sink the default output; false when that never happens.
  bool WaitUntilReady() const {
    if (FPid <= 0) return false;
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      const CommandResult sink = Run("pactl get-default-sink");
      if (sink.Status == 0 && sink.Output == FSink + "\n") return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

  // Ends the whole group: the bus, the server, its session manager and its
  // pulse server; those that do not go within a few seconds are killed.
  void Stop() {
    if (FPid <= 0) return;
    ::kill(-FPid, SIGTERM);
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (::kill(-FPid, 0) == 0 && std::chrono::steady_clock::now() < giveUp) {
      ::waitpid(FPid, nullptr, WNOHANG);
      std::this_thread::sleep_for(20ms);
    }
    ::kill(-FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
    FPid = -1;
  }

  const std::string& Sink() const { return FSink; }
  std::string Monitor() const { return FSink + ".monitor"; }
  std::string Socket() const { return (FFolder / "runtime" / "pulse" / "native").string(); }

  // What a client of this server (and of no other) has in its environment.
  std::string Environment() const {
    return "env -u DBUS_SESSION_BUS_ADDRESS HOME=" + Quoted((FFolder / "home").string()) +
           " XDG_RUNTIME_DIR=" + Quoted((FFolder / "runtime").string()) +
           " PULSE_RUNTIME_PATH=" + Quoted((FFolder / "runtime" / "pulse").string()) +
           " PULSE_SERVER=" + Quoted("unix:" + Socket());
  }

  CommandResult Run(const std::string& command) const {
    return RunShell(Environment() + " " + command);
  }

 private:
  // A null sink at the rate the tests' tones are made for, described as
  // PulseServer's is.
  void WriteSinkConfig() const {
    std::ofstream config(FFolder / "config" / "pipewire" / "pipewire.conf.d" / "kivo-sink.conf");
    config << "context.objects = [\n"
              "  { factory = adapter\n"
              "    args = { factory.name = support.null-audio-sink node.name = \""
           << FSink
           << "\"\n"
              "             node.description = \"KivoTestSink\" media.class = \"Audio/Sink\"\n"
              "             audio.position = [ FL FR ] audio.rate = 44100\n"
              "             monitor.channel-volumes = true object.linger = true } }\n"
              "]\n";
  }

  std::string FSink;
  std::filesystem::path FFolder;
  pid_t FPid = -1;
};

}  // namespace kivo_test
