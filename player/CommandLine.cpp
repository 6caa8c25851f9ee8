#include "player/CommandLine.h"

#include "kivo_version.h"
#include "player/DevicesCommand.h"
#include "player/NumberOptions.h"

namespace kivo {

namespace {

CLI::App* AddLevelsCommand(CLI::App& app, LevelsOptions& options, bool& demo,
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
      ->check(WholeNumber(0, 5, "a band pattern"));
  levels->add_option("--rec-level", options.RecLevel, "Recording level in percent")
      ->capture_default_str()
      ->check(AnyInt32("a recording level in percent"));
  levels->add_option("--adjust", options.Adjust, "Level adjustment in percent")
      ->capture_default_str()
      ->check(AnyInt32("a level adjustment in percent"));
  levels->add_option("--hop", options.Hop, "Frames from the start of one block to the next")
      ->capture_default_str()
      ->check(WholeNumber(1, kNoUpperBound, "a positive number of frames"));
  AddLevelsCaptureOptions(levels, capture, options);
  return levels;
}

}  // namespace

const char* KivoVersion() { return KIVO_VERSION; }

TCommandLine::TCommandLine()
    : App("kivo: a stand-in audio player that drives the Kolmira spectrum analyser", "kivo") {
  App.failure_message(OneLineFailure);
  App.require_subcommand(1);
  App.set_version_flag("--version", std::string("kivo ") + KivoVersion(),
                       "Print the version and end");
  LevelsCommand = AddLevelsCommand(App, Levels, Demo, LevelsCapture);
  DevicesCommand = AddDevicesCommand(App);
  RenderCommand = AddRenderCommand(App, Render);
  PlayCommand = AddPlayCommand(App, Play);
  PlayCapture.AddTo(PlayCommand);
  RemoteCommand = AddRemoteCommand(App, Remote);
}

}  // namespace kivo
