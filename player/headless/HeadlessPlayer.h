// The player as a client starts it: no arguments, the client waiting for
// its message loop to become idle, no standard streams. It plays
// with sound and no view, and keeps running when the playlist ends, until a
// client closes it or shuts it down, or a stop signal ends it as a close
// does (player/StopSignals.h).
#pragma once

namespace kivo {

// `program` is the path the player was started as (the home's link when a
// client started it, so that the home is the link's folder). Returns the
// process's exit status.
int RunStartedPlayer(const char* program);

}  // namespace kivo
