// `--capture [DEVICE]` or `--capture-app NAME` on the command line: absent,
// given without a device (the default output's monitor), with one, or an
// application's name.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "player/LevelsCommand.h"
#include "player/audio/AudioDevices.h"

namespace kivo {

class CaptureChoice {
 public:
  // Adds `--capture [DEVICE]` and `--capture-app NAME` to `command`; an
  // empty NAME is refused as a usage error.
  void AddTo(CLI::App* command);
  // Nothing when neither is given; an empty device name for the default
  // output's monitor.
  std::optional<TCaptureTarget> Chosen() const;

 private:
  std::string FDevice;
  std::string FApp;
  CLI::Option* FOption = nullptr;
  CLI::Option* FAppOption = nullptr;
};

// `kivo levels`: `--capture [DEVICE]`, `--capture-app NAME` and `--seconds S`.
void AddLevelsCaptureOptions(CLI::App* levels, CaptureChoice& capture, LevelsOptions& options);
// Takes the choice into `options`; raises InputError when it clashes with
// another input or lacks its duration.
void ApplyLevelsCapture(const CaptureChoice& capture, bool demo, LevelsOptions& options);

}  // namespace kivo
