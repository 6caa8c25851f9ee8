#include "player/live/PlayCommand.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "player/Tracks.h"
#include "player/input/FrameSource.h"
#include "player/live/LivePlayer.h"
#include "player/mpris/MprisService.h"

namespace kivo {

namespace {

// The desktop's media-player clients, when there are any, are served from
// the live loop while it runs.
TLiveOptions LiveOptionsOf(const TSessionCommandLine& line, const TSessionOptions& options,
                           TMprisService* mpris, std::optional<std::string> capture) {
  TLiveOptions live;
  live.Sound = !line.NoSound;
  live.LastFrame = options.LastBlock;
  live.Capture = std::move(capture);
  if (mpris != nullptr) live.Pump = [mpris] { mpris->Pump(); };
  return live;
}

// One live track, named after the device once it opens; its length is unknown.
void PlayCapture(const TSessionCommandLine& line, const TSessionOptions& options) {
  if (!options.Inputs.empty()) throw InputError("give either INPUT files or --capture");
  if (line.NoWait || ::isatty(STDOUT_FILENO) == 0)
    throw InputError(
        "--capture plays live on a terminal; `kivo levels --capture` prints captured levels "
        "anywhere");
  TPlayerSession session(options, DefaultDesignPath());
  session.State().PlayList = {MakeStreamTrack(*line.Capture, *line.Capture, 0)};
  const std::unique_ptr<TMprisService> mpris =
      TMprisService::Connect(session.Control(), session.State(), std::cerr);
  PlayLive(session, LiveOptionsOf(line, options, mpris.get(), line.Capture), std::cerr);
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
  const std::unique_ptr<TMprisService> mpris =
      TMprisService::Connect(session.Control(), session.State(), std::cerr);
  PlayLive(session, LiveOptionsOf(line, options, mpris.get(), std::nullopt), std::cerr);
}

}  // namespace kivo
