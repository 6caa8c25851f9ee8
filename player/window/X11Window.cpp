#include "player/window/X11Window.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace kivo {

namespace {

// Xlib's handler is one plain function for the whole process, so what it
// records is too; one trap at a time owns it.
std::atomic<XID> WatchedWindow{None};
std::atomic<bool> WindowGone{false};
std::atomic<bool> ConnectionBroken{false};
XErrorHandler PreviousHandler = nullptr;
XIOErrorHandler PreviousIoHandler = nullptr;

int RecordError(Display*, XErrorEvent* error) {
  const bool aboutWindow = error->error_code == BadWindow || error->error_code == BadDrawable;
  if (aboutWindow && error->resourceid == WatchedWindow.load()) WindowGone = true;
  return 0;
}

// The watched display's connection, -1 before one is watched.
std::atomic<int> WatchedConnection{-1};
// DisplayString of the watched window's display, kept for the reason.
std::string WatchedDisplay;

// Called on a broken connection, for every display, in the middle of
// whatever SDL asked: nothing more can be done through SDL, and closing
// would wait too.
int EndOnBrokenConnection(Display*) {
  const std::string message = "kivo: " + TXlibErrorTrap::GoneReason() + "\n";
  static_cast<void>(::write(STDERR_FILENO, message.data(), message.size()));
  std::_Exit(1);
}

}  // namespace

TXlibErrorTrap::TXlibErrorTrap() {
  WatchedWindow = None;
  WindowGone = false;
  ConnectionBroken = false;
  WatchedConnection = -1;
  PreviousHandler = XSetErrorHandler(RecordError);
  PreviousIoHandler = XSetIOErrorHandler(EndOnBrokenConnection);
}

TXlibErrorTrap::~TXlibErrorTrap() {
  XSetIOErrorHandler(PreviousIoHandler);
  XSetErrorHandler(PreviousHandler);
}

void TXlibErrorTrap::Watch(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return;
  WatchedWindow = info.info.x11.window;
  WindowGone = false;
  WatchedDisplay = DisplayString(info.info.x11.display);
  WatchedConnection = ConnectionNumber(info.info.x11.display);
}

bool TXlibErrorTrap::WatchedWindowGone(const SDL_SysWMmsg* message) {
  if (message->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& event = message->msg.x11.event;
  if (event.type == DestroyNotify && event.xdestroywindow.window == WatchedWindow.load())
    WindowGone = true;
  return WatchedWindowGone();
}

bool TXlibErrorTrap::WatchedWindowGone() const { return WindowGone.load(); }

bool TXlibErrorTrap::DisplayGone() {
  const int connection = WatchedConnection.load();
  if (ConnectionBroken.load() || connection < 0) return ConnectionBroken.load();
  char next = 0;
  const ssize_t got = ::recv(connection, &next, 1, MSG_PEEK | MSG_DONTWAIT);
  if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
    ConnectionBroken = true;
  return ConnectionBroken.load();
}

bool TXlibErrorTrap::WatchesDisplay() { return WatchedConnection.load() >= 0; }

bool TXlibErrorTrap::WaitForDisplay(int milliseconds) {
  pollfd connection{WatchedConnection.load(), POLLIN, 0};
  if (connection.fd < 0) return true;
  return ::poll(&connection, 1, milliseconds) != 0;
}

std::string TXlibErrorTrap::GoneReason() {
  return "the window is gone: the X display '" + WatchedDisplay + "' does not answer any more";
}

}  // namespace kivo
