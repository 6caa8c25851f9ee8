// An X server of the test's own (Xvfb on a display number it picks itself
// among the free ones), and what a test does with the windows on it:
// finding a program's window, reading its title and its pixels back,
// covering it, asking it to close as a window manager would.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// Xlib's macro would rename every member called Status.
#undef Status
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kivo_test {

using namespace std::chrono_literals;

// Only guards against hanging; how long anything takes is not checked.
constexpr auto kXPatience = 30s;

// Started in the constructor, ready when it returns (Xvfb has written its
// display number), stopped in the destructor.
class XvfbServer {
 public:
  XvfbServer() {
    int ready[2];
    if (::pipe(ready) != 0) throw std::runtime_error("no pipe for Xvfb");
    FPid = ::fork();
    if (FPid == 0) {
      ::close(ready[0]);
      // Gone with the test, even when the test is killed.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      // Its complaints about display numbers in use are not the test's.
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, STDERR_FILENO);
      const std::string fd = std::to_string(ready[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(ready[1]);
    FDisplay = ":" + ReadDisplayNumber(ready[0]);
    ::close(ready[0]);
    if (FDisplay == ":") {
      Stop();
      throw std::runtime_error("Xvfb did not start");
    }
  }
  ~XvfbServer() { Stop(); }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  const std::string& Display() const { return FDisplay; }

 private:
  static std::string ReadDisplayNumber(int fd) {
    std::string number;
    const auto giveUp = std::chrono::steady_clock::now() + kXPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      pollfd wait{fd, POLLIN, 0};
      if (::poll(&wait, 1, 100) <= 0) continue;
      char c = 0;
      if (::read(fd, &c, 1) != 1) break;
      if (c == '\n') return number;
      number += c;
    }
    return {};
  }
  void Stop() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGTERM);
    ::waitpid(FPid, nullptr, 0);
    FPid = -1;
  }

  pid_t FPid = -1;
  std::string FDisplay;
};

struct Pixels {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Rgb;  // 0xRRGGBB, top row first
  std::uint32_t At(int x, int y) const {
    return Rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
               static_cast<std::size_t>(x)];
  }
};

// A client connection to the test's server.
class XClient {
 public:
  explicit XClient(const std::string& display) : FDisplay(XOpenDisplay(display.c_str())) {
    if (FDisplay == nullptr) throw std::runtime_error("cannot connect to " + display);
    // A window that changes its size or goes away between two requests
    // makes the second one fail; the tests look again instead of ending.
    XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
  }
  ~XClient() { XCloseDisplay(FDisplay); }
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;

  // The mapped top-level window of process `pid`, once there is one.
  std::optional<Window> WaitForWindowOf(pid_t pid) const {
    const auto giveUp = std::chrono::steady_clock::now() + kXPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
      if (const auto window = WindowOf(pid)) return window;
      std::this_thread::sleep_for(50ms);
    }
    return std::nullopt;
  }

  std::string Title(Window window) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(FDisplay, window, Intern("_NET_WM_NAME"), 0, 4096, False,
                           Intern("UTF8_STRING"), &type, &format, &count, &left,
                           &data) == Success &&
        data != nullptr) {
      title.assign(reinterpret_cast<char*>(data), count);
      XFree(data);
    }
    return title;
  }

  std::pair<int, int> Size(Window window) const {
    XWindowAttributes attributes{};
    XGetWindowAttributes(FDisplay, window, &attributes);
    return {attributes.width, attributes.height};
  }

  // What the window shows on the screen; with `onScreen`, what the screen
  // shows where the window lies, whatever lies over it.
  Pixels ReadBack(Window window, bool onScreen = false) const {
    const auto [width, height] = Size(window);
    Pixels pixels;
    int left = 0;
    int top = 0;
    if (onScreen) {
      Window child = 0;
      XTranslateCoordinates(FDisplay, window, DefaultRootWindow(FDisplay), 0, 0, &left, &top,
                            &child);
      window = DefaultRootWindow(FDisplay);
    }
    XImage* image = XGetImage(FDisplay, window, left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) return pixels;
    pixels.Width = width;
    pixels.Height = height;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        pixels.Rgb.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
    XDestroyImage(image);
    return pixels;
  }

  // A white window over `window`, as another program's may lie there.
  Window Cover(Window window) const {
    const Window root = DefaultRootWindow(FDisplay);
    Window child = 0;
    int x = 0;
    int y = 0;
    XTranslateCoordinates(FDisplay, window, root, 0, 0, &x, &y, &child);
    const auto [width, height] = Size(window);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = WhitePixel(FDisplay, DefaultScreen(FDisplay));
    const Window cover = XCreateWindow(
        FDisplay, root, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
        CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(FDisplay, cover);
    XSync(FDisplay, False);
    return cover;
  }
  // Takes the cover away: what lay under it has to be drawn again.
  void Uncover(Window cover) const {
    XDestroyWindow(FDisplay, cover);
    XSync(FDisplay, False);
  }

  // What a window manager sends when the close button is pressed.
  void AskToClose(Window window) const {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = Intern("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(Intern("WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(FDisplay, window, False, NoEventMask, &event);
    XFlush(FDisplay);
  }

 private:
  Atom Intern(const char* name) const { return XInternAtom(FDisplay, name, False); }

  std::optional<Window> WindowOf(pid_t pid) const {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(FDisplay, DefaultRootWindow(FDisplay), &root, &parent, &children, &count) == 0)
      return std::nullopt;
    std::optional<Window> found;
    for (unsigned int i = 0; i < count && !found; ++i) {
      XWindowAttributes attributes{};
      if (XGetWindowAttributes(FDisplay, children[i], &attributes) == 0 ||
          attributes.map_state != IsViewable)
        continue;
      if (PidOf(children[i]) == pid) found = children[i];
    }
    if (children != nullptr) XFree(children);
    return found;
  }

  long PidOf(Window window) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(FDisplay, window, Intern("_NET_WM_PID"), 0, 1, False, XA_CARDINAL, &type,
                           &format, &count, &left, &data) == Success &&
        data != nullptr) {
      if (count == 1) pid = *reinterpret_cast<long*>(data);
      XFree(data);
    }
    return pid;
  }

  ::Display* FDisplay;
};

}  // namespace kivo_test
