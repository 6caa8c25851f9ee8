// `--capture [DEVICE]` on the command line: absent, given without a device
// (the default output's monitor), or with one.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "player/LevelsCommand.h"

namespace kivo {

class CaptureChoice {
 public:
  // Adds `--capture [DEVICE]` to `command`.
  void AddTo(CLI::App* command);
  // Nothing when absent; an empty name for the default output's monitor.
  std::optional<std::string> Chosen() const;

 private:
  std::string FDevice;
  CLI::Option* FOption = nullptr;
};

// `kivo levels`: `--capture [DEVICE]` and `--seconds S`.
void AddLevelsCaptureOptions(CLI::App* levels, CaptureChoice& capture, LevelsOptions& options);
// Takes the choice into `options`; raises InputError when it clashes with
// another input or lacks its duration.
void ApplyLevelsCapture(const CaptureChoice& capture, bool demo, LevelsOptions& options);

}  // namespace kivo
