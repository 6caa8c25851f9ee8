// `kivo render` and `kivo play`: the command-line options of a player
// session and the two commands that run one.
#pragma once

#include <stdexcept>

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "player/Session.h"
#include "player/audio/AudioDevices.h"

namespace kivo {

// The settings a session's options are read into, before they are checked.
struct TSessionCommandLine {
  TSessionOptions Session;
  std::string Size;
  std::vector<std::string> DisplayModeChanges;
  std::string RenderInput;
  bool Refuse = false;
  bool NoWait = false;
  bool NoSound = false;
  // `play --capture` or `--capture-app`: the device (empty: the default
  // output's monitor) or application asked for instead of files.
  std::optional<TCaptureTarget> Capture;
  // `play` only: the view ("window", "terminal", "none"; empty: chosen),
  // the window's scale and the block to freeze at.
  std::string View;
  std::optional<std::int32_t> Scale;
  std::optional<std::size_t> Freeze;
};

// `kivo render INPUT --png OUT.png [--block N]`: as fast as possible, the
// window written once the blocks are done.
CLI::App* AddRenderCommand(CLI::App& app, TSessionCommandLine& commandLine);
// `kivo play [INPUT...]`: live on a terminal, rendered otherwise.
CLI::App* AddPlayCommand(CLI::App& app, TSessionCommandLine& commandLine);

// The checked options of a session; `render` tells which command read them.
TSessionOptions SessionOptionsOf(const TSessionCommandLine& commandLine, bool render);

// A render whose pictures show the bare window: the plug-in did not run.
class BareWindowError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// The exit status for it, apart from the other failures' 1.
inline constexpr int kBareWindowStatus = 3;
// Runs a session that feeds every block as fast as possible.
void RenderSession(const TSessionOptions& options);

// The default skin's design file, among the player's own files.
std::string DefaultDesignPath();

}  // namespace kivo
