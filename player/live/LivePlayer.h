// `kivo play` on a terminal: the visualisation window drawn live while the
// audio sounds, the keys and mouse clicks acting on the player, the status
// line below the picture.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "player/Session.h"

namespace kivo {

struct TLiveOptions {
  // False: no sound device is asked for; the player keeps time silently.
  bool Sound = true;
  // The last displayed frame, counted from 0; none: until the playlist ends
  // or a key quits.
  std::optional<std::size_t> LastFrame;
  // Serves what else waits on the player (remote clients) without
  // blocking: called once a frame and whenever input wakes the loop.
  std::function<void()> Pump;
  // Capture from this device (empty: the default output's monitor) instead
  // of playing the playlist's files.
  std::optional<std::string> Capture;
};

// Runs the session live on the terminal of standard output (keys from
// standard input, or from the controlling terminal when standard input
// carries audio). Says on `notices`, before the view takes the screen,
// when it plays silently. Returns the frames displayed; the terminal is as
// it was when it returns, also through an exception.
std::size_t PlayLive(TPlayerSession& session, const TLiveOptions& options, std::ostream& notices);

}  // namespace kivo
