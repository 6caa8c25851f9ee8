// kivo: the stand-in player that runs the Kolmira spectrum analyser.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>

#include "platform/win/Messages.h"
#include "player/CaptureOption.h"
#include "player/DevicesCommand.h"
#include "player/LevelsCommand.h"
#include "player/NumberOptions.h"
#include "player/SessionCommands.h"
#include "player/StopSignals.h"
#include "player/headless/HeadlessPlayer.h"
#include "player/input/FrameSource.h"
#include "player/live/PlayCommand.h"
#include "player/remote/RemoteCommand.h"

namespace {

CLI::App* AddLevelsCommand(CLI::App& app, kivo::LevelsOptions& options, bool& demo,
                           kivo::CaptureChoice& capture) {
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
      ->check(kivo::WholeNumber(0, 5, "a band pattern"));
  levels->add_option("--rec-level", options.RecLevel, "Recording level in percent")
      ->capture_default_str()
      ->check(kivo::AnyInt32("a recording level in percent"));
  levels->add_option("--adjust", options.Adjust, "Level adjustment in percent")
      ->capture_default_str()
      ->check(kivo::AnyInt32("a level adjustment in percent"));
  levels->add_option("--hop", options.Hop, "Frames from the start of one block to the next")
      ->capture_default_str()
      ->check(kivo::WholeNumber(1, kivo::kNoUpperBound, "a positive number of frames"));
  kivo::AddLevelsCaptureOptions(levels, capture, options);
  return levels;
}

// Rendering and playing end on a stop signal as at their own end; the
// status tells which signal it was.
template <class TRun>
int EndingOnStopSignals(TRun run) {
  const kivo::TStopSignals stopSignals;
  run();
  return kivo::ExitStatusAfter(kivo::StopSignalReceived());
}

}  // namespace

int main(int argc, char** argv) {
  // Started by a client that waits for it (no arguments): play headless.
  if (argc == 1 && StarterAwaitsIdle()) return kivo::RunStartedPlayer(argv[0]);
  CLI::App app{"kivo: a stand-in audio player that drives the Kolmira spectrum analyser"};
  app.failure_message(kivo::OneLineFailure);
  app.require_subcommand(1);

  kivo::LevelsOptions levelsOptions;
  bool demo = false;
  kivo::CaptureChoice levelsCapture;
  CLI::App* levels = AddLevelsCommand(app, levelsOptions, demo, levelsCapture);
  CLI::App* devices = kivo::AddDevicesCommand(app);
  kivo::TSessionCommandLine renderLine;
  CLI::App* render = kivo::AddRenderCommand(app, renderLine);
  kivo::TSessionCommandLine playLine;
  CLI::App* play = kivo::AddPlayCommand(app, playLine);
  kivo::CaptureChoice playCapture;
  playCapture.AddTo(play);
  kivo::TRemoteCommandLine remoteLine;
  CLI::App* remote = kivo::AddRemoteCommand(app, remoteLine);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return kivo::RefuseCommandLine(app, error);
  }

  try {
    if (levels->parsed()) {
      if (demo && !levelsOptions.Input.empty()) {
        throw kivo::InputError("give either INPUT or --demo, not both");
      }
      kivo::ApplyLevelsCapture(levelsCapture, demo, levelsOptions);
      kivo::WarnOfNegativeLevels(levelsOptions.RecLevel, levelsOptions.Adjust, stderr);
      kivo::RunLevels(levelsOptions, stdout);
    } else if (devices->parsed()) {
      kivo::RunDevices(stdout);
    } else if (render->parsed()) {
      kivo::WarnOfNegativeLevels(renderLine.Session.RecLevel, renderLine.Session.Adjust, stderr);
      return EndingOnStopSignals(
          [&] { kivo::RenderSession(kivo::SessionOptionsOf(renderLine, true)); });
    } else if (play->parsed()) {
      playLine.Capture = playCapture.Chosen();
      kivo::WarnOfNegativeLevels(playLine.Session.RecLevel, playLine.Session.Adjust, stderr);
      return EndingOnStopSignals([&] { kivo::RunPlayCommand(playLine); });
    } else if (remote->parsed()) {
      return kivo::RunRemoteCommand(remoteLine);
    }
  } catch (const kivo::BareWindowError& error) {
    std::fprintf(stderr, "kivo: %s\n", error.what());
    return kivo::kBareWindowStatus;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kivo: %s\n", error.what());
    return 1;
  }
  return 0;
}
