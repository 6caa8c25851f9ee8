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
}

std::optional<std::string> CaptureChoice::Chosen() const {
  if (FOption == nullptr || FOption->count() == 0) return std::nullopt;
  return FDevice;
}

void AddLevelsCaptureOptions(CLI::App* levels, CaptureChoice& capture, LevelsOptions& options) {
  capture.AddTo(levels);
  levels->add_option("--seconds", options.Seconds, "Seconds of sound to capture; time while the source is suspended or gone is waited out, not counted")
      ->check(PositiveDecimal("a positive number of seconds"));
}

void ApplyLevelsCapture(const CaptureChoice& capture, bool demo, LevelsOptions& options) {
  options.Capture = capture.Chosen();
  if (options.Capture && (demo || !options.Input.empty()))
    throw InputError("give either INPUT, --demo or --capture");
  if (options.Capture.has_value() != (options.Seconds > 0))
    throw InputError("--capture and --seconds S go together");
}

}  // namespace kivo
