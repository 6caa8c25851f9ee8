#include "player/window/X11Window.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <unistd.h>

#include <atomic>
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

std::atomic<bool> WaitingForEvents{false};
// DisplayString of the watched window's display, kept for the reason.
std::string WatchedDisplay;

// Called first on a broken connection, for every display.
int RecordBrokenConnection(Display*) {
  ConnectionBroken = true;
  if (!WaitingForEvents.load()) {
    const std::string message = "kivo: " + TXlibErrorTrap::GoneReason() + "\n";
    static_cast<void>(::write(STDERR_FILENO, message.data(), message.size()));
    // Nothing more can be done through SDL, and closing would wait too.
    std::_Exit(1);
  }
  return 0;
}

// Called next on the watched window's display: returning instead of
// ending the program leaves the display marked broken.
void KeepRunning(Display*, void*) {}

}  // namespace

TXlibErrorTrap::TXlibErrorTrap() {
  WatchedWindow = None;
  WindowGone = false;
  ConnectionBroken = false;
  PreviousHandler = XSetErrorHandler(RecordError);
  PreviousIoHandler = XSetIOErrorHandler(RecordBrokenConnection);
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
  XSetIOErrorExitHandler(info.info.x11.display, KeepRunning, nullptr);
}

bool TXlibErrorTrap::WatchedWindowGone(const SDL_SysWMmsg* message) {
  if (message->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& event = message->msg.x11.event;
  if (event.type == DestroyNotify && event.xdestroywindow.window == WatchedWindow.load())
    WindowGone = true;
  return WatchedWindowGone();
}

bool TXlibErrorTrap::WatchedWindowGone() const { return WindowGone.load(); }

bool TXlibErrorTrap::DisplayGone() const { return ConnectionBroken.load(); }

std::string TXlibErrorTrap::GoneReason() {
  return "the window is gone: the X display '" + WatchedDisplay + "' does not answer any more";
}

TXlibErrorTrap::TWaitingForEvents::TWaitingForEvents() { WaitingForEvents = true; }

TXlibErrorTrap::TWaitingForEvents::~TWaitingForEvents() { WaitingForEvents = false; }

}  // namespace kivo
