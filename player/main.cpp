// kivo: the stand-in player that runs the Kolmira spectrum analyser.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "player/DevicesCommand.h"
#include "player/LevelsCommand.h"
#include "player/SessionCommands.h"
#include "player/input/FrameSource.h"
#include "player/live/PlayCommand.h"

namespace {

std::string OneLineFailure(const CLI::App*, const CLI::Error& error) {
  return std::string("kivo: ") + error.what() + " (try --help)\n";
}

// What `--capture [DEVICE]` was given: nothing when absent, an empty name
// for the default output's monitor.
struct CaptureChoice {
  std::string Device;
  CLI::Option* Option = nullptr;
  std::optional<std::string> Chosen() const {
    return Option->count() > 0 ? std::optional(Device) : std::nullopt;
  }
};

CLI::Option* AddCaptureOption(CLI::App* command, CaptureChoice& choice) {
  choice.Option = command
                      ->add_option("--capture", choice.Device,
                                   "Capture from DEVICE (a name or part of one, as `kivo devices` "
                                   "lists them); without DEVICE, the monitor of the default "
                                   "output: whatever the system plays")
                      ->expected(0, 1);
  return choice.Option;
}

CLI::App* AddLevelsCommand(CLI::App& app, kivo::LevelsOptions& options, bool& demo,
                           CaptureChoice& capture) {
  CLI::App* levels = app.add_subcommand(
      "levels",
      "Run audio through the spectrum analysis and print, for each block, one JSON line:\n"
      "{\"block\":N,\"clear\":true} when the block clears the panels, or\n"
      "{\"block\":N,\"left\":[ten levels],\"right\":[ten levels]}.");
  levels->add_option("INPUT", options.Input,
                     "Audio file to decode (WAV, FLAC, Ogg, ... as libsndfile reads it); '-' "
                     "reads raw signed 16-bit little-endian stereo from standard input; "
                     "without it, the built-in demo plays");
  levels->add_flag("--demo", demo, "Use the built-in music-like demo signal");
  levels->add_option("--pattern", options.Pattern, "Band pattern, 0 to 5")
      ->capture_default_str()
      ->check(CLI::Range(0, 5));
  levels->add_option("--rec-level", options.RecLevel, "Recording level in percent")
      ->capture_default_str();
  levels->add_option("--adjust", options.Adjust, "Level adjustment in percent")
      ->capture_default_str();
  levels->add_option("--hop", options.Hop, "Frames from the start of one block to the next")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  AddCaptureOption(levels, capture);
  levels->add_option("--seconds", options.Seconds, "Seconds of audio to capture")
      ->check(CLI::PositiveNumber);
  return levels;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"kivo: a stand-in audio player that drives the Kolmira spectrum analyser"};
  app.failure_message(OneLineFailure);
  app.require_subcommand(1);

  kivo::LevelsOptions levelsOptions;
  bool demo = false;
  CaptureChoice levelsCapture;
  CLI::App* levels = AddLevelsCommand(app, levelsOptions, demo, levelsCapture);
  CLI::App* devices = kivo::AddDevicesCommand(app);
  kivo::TSessionCommandLine renderLine;
  CLI::App* render = kivo::AddRenderCommand(app, renderLine);
  kivo::TSessionCommandLine playLine;
  CLI::App* play = kivo::AddPlayCommand(app, playLine);
  CaptureChoice playCapture;
  AddCaptureOption(play, playCapture);

  CLI11_PARSE(app, argc, argv);

  try {
    if (levels->parsed()) {
      if (demo && !levelsOptions.Input.empty()) {
        throw kivo::InputError("give either INPUT or --demo, not both");
      }
      levelsOptions.Capture = levelsCapture.Chosen();
      if (levelsOptions.Capture && (demo || !levelsOptions.Input.empty()))
        throw kivo::InputError("give either INPUT, --demo or --capture");
      if (levelsOptions.Capture.has_value() != (levelsOptions.Seconds > 0))
        throw kivo::InputError("--capture and --seconds S go together");
      kivo::RunLevels(levelsOptions, stdout);
    } else if (devices->parsed()) {
      kivo::RunDevices(stdout);
    } else if (render->parsed()) {
      kivo::RenderSession(kivo::SessionOptionsOf(renderLine, true));
    } else if (play->parsed()) {
      playLine.Capture = playCapture.Chosen();
      kivo::RunPlayCommand(playLine);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kivo: %s\n", error.what());
    return 1;
  }
  return 0;
}
