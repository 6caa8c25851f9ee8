// A program the test starts with its standard output in a pipe the test
// reads line by line (standard error goes to a file of the test's choice,
// or stays the test's own; standard input comes from a file, by default
// /dev/null); killed and reaped when the guard ends.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bus_test {

using namespace std::chrono_literals;

// Only guards against hanging; how long anything takes is not checked.
constexpr auto kPatience = 30s;

class TChildProcess {
 public:
  explicit TChildProcess(const std::vector<std::string>& arguments,
                         const std::string& errors = "/dev/null",
                         const std::string& input = "/dev/null") {
    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
    FPid = ::fork();
    if (FPid < 0) throw std::runtime_error("cannot fork");
    if (FPid == 0) {
      ::dup2(output[1], STDOUT_FILENO);
      const int error = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      if (error >= 0) ::dup2(error, STDERR_FILENO);
      const int source = ::open(input.c_str(), O_RDONLY);
      if (source >= 0) ::dup2(source, STDIN_FILENO);
      std::vector<char*> argv;
      for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(output[1]);
    FOutput = output[0];
  }
  ~TChildProcess() {
    Kill();
    ::close(FOutput);
  }
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  int Pid() const { return FPid; }

  // The next line of its output, or nothing once it ended or the patience ran out.
  std::optional<std::string> ReadLine() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
      if (const auto end = FBuffer.find('\n'); end != std::string::npos) {
        std::string line = FBuffer.substr(0, end);
        FBuffer.erase(0, end + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd ready{FOutput, POLLIN, 0};
      if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
      char chunk[4096];
      const ssize_t got = ::read(FOutput, chunk, sizeof chunk);
      if (got <= 0) return std::nullopt;
      FBuffer.append(chunk, static_cast<std::size_t>(got));
    }
  }

  // Its exit status, once it ended within the patience; -1 otherwise.
  int Wait() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (FPid > 0 && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(FPid, &status, WNOHANG) == FPid) {
        FPid = -1;
        FSignalled = WIFSIGNALED(status);
        FStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return FStatus;
      }
      ::usleep(10000);
    }
    return FPid > 0 ? -1 : FStatus;
  }

  // Whether, once Wait saw it end, a signal killed it (its status then
  // being 128 + the signal) rather than it exiting with that status.
  bool Signalled() const { return FSignalled; }

  void Kill() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
    FPid = -1;
  }

 private:
  pid_t FPid = -1;
  int FOutput = -1;
  int FStatus = -1;
  bool FSignalled = false;
  std::string FBuffer;
};

}  // namespace bus_test
