// A tmux server of the test's own, to run a program in a real terminal:
// keys sent to it, its pane captured with the colour codes.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

namespace kivo_test {

using namespace std::chrono_literals;

// Only guards against hanging; how long anything takes is not checked.
constexpr auto kPatience = 20s;

inline std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct CommandResult {
  int Status = -1;
  std::string Output;
};

inline CommandResult RunShell(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    result.Output.append(buffer, got);
  }
  result.Status = ::pclose(pipe);
  return result;
}

// A tmux server of its own, on a socket in a temporary folder.
class Tmux {
 public:
  Tmux() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kivo-tmux-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) FFolder = pattern;
  }
  ~Tmux() {
    Run("kill-server");
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }
  Tmux(const Tmux&) = delete;
  Tmux& operator=(const Tmux&) = delete;

  CommandResult Run(const std::string& arguments) const {
    // The server leaves the user's session bus and display out of the
    // programs it runs: they play in the terminal and reach no desktop.
    return RunShell(
        "env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY -u WAYLAND_DISPLAY tmux -f /dev/null -S " +
        Quoted((FFolder / "socket").string()) + " " + arguments);
  }

  std::string Pane() const { return Run("capture-pane -p -e -t view").Output; }
  std::string Format(const std::string& format) const {
    std::string text = Run("display-message -p -t view " + Quoted(format)).Output;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }

  // Polls until `ready` holds for the pane; false when it never does.
  bool WaitFor(const std::function<bool(const std::string&)>& ready) const {
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      if (ready(Pane())) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

  bool WaitForText(const std::string& text) const {
    return WaitFor(
        [&text](const std::string& pane) { return pane.find(text) != std::string::npos; });
  }

 private:
  std::filesystem::path FFolder;
};

inline const std::string kUpperHalf = "\u2580";

// Line `index` (from 0) of a captured pane.
inline std::string LineOf(const std::string& pane, std::size_t index) {
  std::size_t start = 0;
  for (std::size_t line = 0; line < index && start != std::string::npos; ++line) {
    start = pane.find('\n', start);
    if (start != std::string::npos) ++start;
  }
  if (start == std::string::npos) return {};
  return pane.substr(start, pane.find('\n', start) - start);
}

}  // namespace kivo_test
