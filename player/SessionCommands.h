// `kivo render` and `kivo play`: the command-line options of a player
// session and the two commands that run one.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "player/Session.h"

namespace kivo {

// The settings a session's options are read into, before they are checked.
struct TSessionCommandLine {
  TSessionOptions Session;
  std::string Size;
  std::vector<std::string> DisplayModeChanges;
  std::string RenderInput;
  bool Refuse = false;
  bool NoWait = false;
};

// `kivo render INPUT --png OUT.png [--block N]`: as fast as possible, the
// window written once the blocks are done.
CLI::App* AddRenderCommand(CLI::App& app, TSessionCommandLine& commandLine);
// `kivo play [INPUT...]`: plays in real time unless --no-wait.
CLI::App* AddPlayCommand(CLI::App& app, TSessionCommandLine& commandLine);

// Checks the options and runs the session; `render` tells which command.
void RunSessionCommand(TSessionCommandLine& commandLine, bool render);

// The default skin's design file: beside the player in
// <prefix>/share/skins, or in the build tree's skins.
std::string DefaultDesignPath();

}  // namespace kivo
