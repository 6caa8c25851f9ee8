#include "player/live/PlayCommand.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "player/Tracks.h"
#include "player/input/FrameSource.h"
#include "player/live/LivePlayer.h"

namespace kivo {

namespace {

// One live track, named after the device once it opens; its length is unknown.
void PlayCapture(const TSessionCommandLine& line, const TSessionOptions& options) {
  if (!options.Inputs.empty()) throw InputError("give either INPUT files or --capture");
  if (line.NoWait || ::isatty(STDOUT_FILENO) == 0)
    throw InputError(
        "--capture plays live on a terminal; `kivo levels --capture` prints captured levels "
        "anywhere");
  TPlayerSession session(options, DefaultDesignPath());
  session.State().PlayList = {MakeStreamTrack(*line.Capture, *line.Capture, 0)};
  PlayLive(session, {true, options.LastBlock, line.Capture}, std::cerr);
}

}  // namespace

void RunPlayCommand(const TSessionCommandLine& line) {
  const TSessionOptions options = SessionOptionsOf(line, false);
  if (line.Capture) {
    PlayCapture(line, options);
    return;
  }
  if (line.NoWait) {
    RenderSession(options);
    return;
  }
  if (::isatty(STDOUT_FILENO) == 0) {
    std::fprintf(stderr, "kivo: standard output is not a terminal; rendering instead\n");
    RenderSession(options);
    return;
  }
  if (!options.FramesFolder.empty() || !options.Video.empty())
    throw InputError("--frames and --video are written when rendering: add --no-wait");
  TPlayerSession session(options, DefaultDesignPath());
  PlayLive(session, {!line.NoSound, options.LastBlock, std::nullopt}, std::cerr);
}

}  // namespace kivo
