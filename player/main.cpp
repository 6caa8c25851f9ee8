// kivo: the stand-in player that runs the Kolmira spectrum analyser.
#include <cstdio>
#include <exception>
#include <string>

#include "platform/win/Messages.h"
#include "player/CommandLine.h"
#include "player/DevicesCommand.h"
#include "player/NumberOptions.h"
#include "player/StopSignals.h"
#include "player/headless/HeadlessPlayer.h"
#include "player/input/FrameSource.h"
#include "player/live/PlayCommand.h"

namespace {

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
  kivo::TCommandLine line;
  try {
    line.App.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return kivo::RefuseCommandLine(line.App, error);
  }

  try {
    if (line.LevelsCommand->parsed()) {
      if (line.Demo && !line.Levels.Input.empty()) {
        throw kivo::InputError("give either INPUT or --demo, not both");
      }
      kivo::ApplyLevelsCapture(line.LevelsCapture, line.Demo, line.Levels);
      kivo::WarnOfNegativeLevels(line.Levels.RecLevel, line.Levels.Adjust, stderr);
      kivo::RunLevels(line.Levels, stdout);
    } else if (line.DevicesCommand->parsed()) {
      kivo::RunDevices(line.DevicesApps, stdout, stderr);
    } else if (line.RenderCommand->parsed()) {
      kivo::WarnOfNegativeLevels(line.Render.Session.RecLevel, line.Render.Session.Adjust,
                                 stderr);
      return EndingOnStopSignals(
          [&] { kivo::RenderSession(kivo::SessionOptionsOf(line.Render, true)); });
    } else if (line.PlayCommand->parsed()) {
      line.Play.Capture = line.PlayCapture.Chosen();
      kivo::WarnOfNegativeLevels(line.Play.Session.RecLevel, line.Play.Session.Adjust, stderr);
      return EndingOnStopSignals([&] { kivo::RunPlayCommand(line.Play); });
    } else if (line.RemoteCommand->parsed()) {
      return kivo::RunRemoteCommand(line.Remote);
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
