// `kivo play` live: the visualisation window drawn on a view (the
// terminal, a desktop window, or none) while the audio sounds, the keys and
// mouse clicks acting on the player, the status line beside the picture.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/Session.h"
#include "player/audio/AudioDevices.h"
#include "player/live/LiveView.h"

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
  // Capture from this device (empty: the default output's monitor) or
  // application instead of playing the playlist's files.
  std::optional<TCaptureTarget> Capture;
  // Makes the view once the sound is open, so that the sound's notice is
  // read before the view takes the screen.
  std::function<std::unique_ptr<TLiveView>()> MakeView;
  // A still picture: blocks 0 to this one are played at once, and this one
  // once more after each key or click (which may have cleared the panels);
  // nothing is heard.
  std::optional<std::size_t> FreezeBlock;
  // The folders whose skins the `s` key steps through.
  std::vector<std::filesystem::path> SkinFolders;
};

// Runs the session live on the view that `options.MakeView` makes. Says on
// `notices`, before the view takes the screen, when it plays silently.
// Returns the frames displayed; the view is gone when it returns, also
// through an exception.
std::size_t PlayLive(TPlayerSession& session, const TLiveOptions& options, std::ostream& notices);

}  // namespace kivo
