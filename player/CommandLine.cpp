#include "player/CommandLine.h"

#include <string>

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
      "{\"block\":N,\"left\":[ten levels],\"right\":[ten levels]}.\n"
      "With --format bars, each line is the levels as block characters (a space for 0, then\n"
      "up to a full block for 10) for a status bar; --format waybar wraps that line as\n"
      "{\"text\":BARS,\"class\":\"playing\"} or \"silent\". Bars come one displayed frame\n"
      "apart (--fps) and each line is flushed; a reader that closes the pipe ends the\n"
      "command with status 0.");
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
  levels
      ->add_option("--hop", options.Hop,
                   "Frames from the start of one block to the next (default: 2048 for json, one "
                   "displayed frame for bars and waybar)")
      ->check(WholeNumber(1, kNoUpperBound, "a positive number of frames"));
  levels
      ->add_option("--fps", options.Fps,
                   "Displayed frames (lines) per second, which set the hop when --hop is not "
                   "given (default for bars and waybar: " +
                       std::to_string(kDefaultBarsFps) + ")")
      ->check(WholeNumber(1, 1000, "a frame rate"));
  AddChoice<TLevelsFormat>(levels, "--format",
                           {{"json", TLevelsFormat::Json},
                            {"bars", TLevelsFormat::Bars},
                            {"waybar", TLevelsFormat::Waybar}},
                           options.Format, "Output lines: json (the default), bars or waybar");
  AddChoice<TLevelsChannels>(levels, "--channels",
                             {{"left", TLevelsChannels::Left},
                              {"right", TLevelsChannels::Right},
                              {"both", TLevelsChannels::Both},
                              {"mix", TLevelsChannels::Mix}},
                             options.Channels,
                             "Channels the bars show: both (the default; left's ten, then "
                             "right's), left, right or mix (the mean of both, rounded up)");
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
  DevicesCommand = AddDevicesCommand(App, DevicesApps);
  RenderCommand = AddRenderCommand(App, Render);
  PlayCommand = AddPlayCommand(App, Play);
  PlayCapture.AddTo(PlayCommand);
  RemoteCommand = AddRemoteCommand(App, Remote);
}

}  // namespace kivo
