#include "player/live/PlayCommand.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "player/input/FrameSource.h"
#include "player/live/LivePlayer.h"

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
  PlayLive(session, {!line.NoSound, options.LastBlock}, std::cerr);
}

}  // namespace kivo
