#include "player/live/PlayCommand.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "player/input/FrameSource.h"
#include "player/live/LivePlayer.h"
#include "player/mpris/MprisService.h"

namespace kivo {

void RunPlayCommand(const TSessionCommandLine& line) {
  const TSessionOptions options = SessionOptionsOf(line, false);
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
  TLiveOptions live;
  live.Sound = !line.NoSound;
  live.LastFrame = options.LastBlock;
  if (mpris) live.Pump = [&mpris] { mpris->Pump(); };
  PlayLive(session, live, std::cerr);
}

}  // namespace kivo
