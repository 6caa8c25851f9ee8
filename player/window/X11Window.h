// What the window view needs to know of X11 beneath SDL, kept apart since
// Xlib's headers define names (KeyPress, None) the player uses too.
//
// Xlib's default error handler ends the program. A window destroyed by
// another client (`xdotool windowclose`) makes SDL's later requests for it
// errors, so the player would end with status 1 instead of as a close.
// So does Xlib, silently, when the connection to the X server breaks (the
// server was killed or shut down), in the middle of whatever SDL asked;
// and SDL does not survive being returned to from there. So the view looks
// at the connection before it asks SDL for events, and ends in its own
// time when the server has closed it; a break that Xlib meets first (in
// the middle of a request) ends the program there, with the reason.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <string>

namespace kivo {

// While it lives, Xlib errors are recorded instead of ending the program;
// errors about the watched window mark it gone. The handler before it is
// put back at the end. Made before SDL's video starts: SDL's X11 driver
// keeps the handler it finds, calls it from its own, and puts it back
// before it closes its connections, whose closing reports the errors
// still on their way (a wake-up sent to a window that is gone).
class TXlibErrorTrap {
 public:
  TXlibErrorTrap();
  ~TXlibErrorTrap();
  TXlibErrorTrap(const TXlibErrorTrap&) = delete;
  TXlibErrorTrap& operator=(const TXlibErrorTrap&) = delete;

  // Watches `window`'s X window, and its connection to the X server;
  // nothing when it is no X11 window.
  void Watch(SDL_Window* window);
  // The watched window was destroyed, seen in `message` (SDL's system
  // event) or in a request that failed on it.
  bool WatchedWindowGone(const SDL_SysWMmsg* message);
  bool WatchedWindowGone() const;
  // The server closed the connection to the watched window's display,
  // seen by a look at the connection itself (Xlib is not asked). From then
  // on SDL must not be asked anything: the view ends in its own time.
  bool DisplayGone();
  // Why the window is gone when DisplayGone.
  static std::string GoneReason();
  // Whether an X connection is watched: a window opened on X11.
  static bool WatchesDisplay();
  // Waits up to `milliseconds` for the watched display to send something;
  // false when nothing came (nor did the connection end).
  static bool WaitForDisplay(int milliseconds);
};

}  // namespace kivo
