// Every command of kivo with the options it reads: the one table that
// `--help`, the manual page and the shell completion are all made from.
#pragma once

#include <CLI/CLI.hpp>

#include "player/CaptureOption.h"
#include "player/LevelsCommand.h"
#include "player/SessionCommands.h"
#include "player/remote/RemoteCommand.h"

namespace kivo {

// "0.1.0", with the git description of the checkout it was built from
// after it when there was one.
const char* KivoVersion();

// The parser and the settings it reads into. It refers to its own members,
// so it stays where it was made.
struct TCommandLine {
  TCommandLine();
  TCommandLine(const TCommandLine&) = delete;
  TCommandLine& operator=(const TCommandLine&) = delete;

  CLI::App App;
  LevelsOptions Levels;
  bool Demo = false;
  CaptureChoice LevelsCapture;
  TSessionCommandLine Render;
  TSessionCommandLine Play;
  CaptureChoice PlayCapture;
  bool DevicesApps = false;
  TRemoteCommandLine Remote;

  CLI::App* LevelsCommand = nullptr;
  CLI::App* DevicesCommand = nullptr;
  CLI::App* RenderCommand = nullptr;
  CLI::App* PlayCommand = nullptr;
  CLI::App* RemoteCommand = nullptr;
};

}  // namespace kivo
