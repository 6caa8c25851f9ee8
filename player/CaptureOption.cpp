#include "player/CaptureOption.h"

#include "player/NumberOptions.h"
#include "player/input/FrameSource.h"

namespace kivo {

void CaptureChoice::AddTo(CLI::App* command) {
  FOption = command
                ->add_option("--capture", FDevice,
                             "Capture from DEVICE (a name or part of one, as `kivo devices` lists "
                             "them); without DEVICE, the monitor of the default output: whatever "
                             "the system plays")
                ->expected(0, 1);
  FAppOption =
      command
          ->add_option("--capture-app", FApp,
                       "Capture only what the application NAME plays (its name or binary, or a "
                       "part of one, as `kivo devices --apps` lists them), taking its next "
                       "stream when one ends and waiting while it plays nothing")
          ->type_name("NAME")
          ->check(CLI::Validator(
              [](const std::string& name) {
                return name.empty() ? std::string("an application's name is needed")
                                    : std::string();
              },
              ""))
          ->excludes(FOption);
}

std::optional<TCaptureTarget> CaptureChoice::Chosen() const {
  if (FAppOption != nullptr && FAppOption->count() > 0) return TCaptureTarget{FApp, true};
  if (FOption == nullptr || FOption->count() == 0) return std::nullopt;
  return TCaptureTarget{FDevice, false};
}

void AddLevelsCaptureOptions(CLI::App* levels, CaptureChoice& capture, LevelsOptions& options) {
  capture.AddTo(levels);
  levels->add_option("--seconds", options.Seconds, "Seconds of sound to capture; time while the source is suspended or gone is waited out, not counted (an application that plays nothing plays silence, which counts)")
      ->check(PositiveDecimal("a positive number of seconds"));
}

void ApplyLevelsCapture(const CaptureChoice& capture, bool demo, LevelsOptions& options) {
  options.Capture = capture.Chosen();
  if (options.Capture && (demo || !options.Input.empty()))
    throw InputError("give either INPUT, --demo or --capture");
  if (options.Capture.has_value() != (options.Seconds > 0))
    throw InputError("--capture (or --capture-app) and --seconds S go together");
}

}  // namespace kivo
