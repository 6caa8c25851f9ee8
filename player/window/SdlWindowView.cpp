#include "player/window/SdlWindowView.h"

#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace kivo {

namespace {

[[noreturn]] void FailWith(const std::string& what) {
  throw std::runtime_error(what + ": " + SDL_GetError());
}

// SDL falls back on its offscreen driver when no display answers, and then
// a window "opens" that nobody sees. Those drivers count only when asked
// for by name.
bool ShowsNothing(std::string_view driver) { return driver == "offscreen" || driver == "dummy"; }

bool AskedFor(std::string_view driver) {
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  return asked != nullptr && std::string_view(asked).find(driver) != std::string_view::npos;
}

std::string NoDisplayReason() {
  if (const char* display = std::getenv("DISPLAY"); display != nullptr && *display != '\0')
    return std::string("the X display '") + display + "' does not answer";
  if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland != nullptr && *wayland != '\0')
    return std::string("no Wayland compositor answers on '") + wayland + "'";
  return "no display is set (DISPLAY, WAYLAND_DISPLAY)";
}

// The keys that type no text: the menu's.
std::optional<Key> KeyOfKeySym(SDL_Keycode sym) {
  switch (sym) {
    case SDLK_UP:
      return Key::Up;
    case SDLK_DOWN:
      return Key::Down;
    case SDLK_LEFT:
      return Key::Left;
    case SDLK_RIGHT:
      return Key::Right;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return Key::Enter;
    case SDLK_ESCAPE:
      return Key::Escape;
    default:
      return std::nullopt;
  }
}

PixelSize ScreenSize(SDL_Window* window) {
  const int display = window != nullptr ? std::max(SDL_GetWindowDisplayIndex(window), 0) : 0;
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(display, &usable) != 0) return {0, 0};
  return {usable.w, usable.h};
}

}  // namespace

TSdlWindowView::TVideo::TVideo() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) FailWith("cannot open a window");
  const std::string_view driver = SDL_GetCurrentVideoDriver();
  if (ShowsNothing(driver) && !AskedFor(driver)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw std::runtime_error("cannot open a window: " + NoDisplayReason());
  }
  if (driver != "x11") return;
  // X11 takes the window's surface as it is, from shared memory: through a
  // renderer SDL would load a GL driver and redraw the whole window. Other
  // drivers (Wayland) have only the renderer's way to show a surface.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // A window destroyed by another client comes as X's own event.
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

// SDL's X11 driver waits for the server's answers while it closes, which
// never come on a broken connection: the process ends without closing it.
TSdlWindowView::TVideo::~TVideo() {
  if (!FErrors.DisplayGone()) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

TSdlWindowView::TSdlWindowView(std::optional<std::int32_t> scale) : FScale(scale) {}

TSdlWindowView::~TSdlWindowView() {
  // Left to the process's end with the connection it belongs to.
  if (FVideo.Errors().DisplayGone()) static_cast<void>(FWindow.release());
}

void TSdlWindowView::Open(PixelSize picture, const std::string& title) {
  const PixelSize size = Fit(picture, ScreenSize(nullptr));
  FWindow.reset(SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 size.Width, size.Height, SDL_WINDOW_RESIZABLE));
  if (!FWindow) FailWith("cannot open a window");
  FVideo.Errors().Watch(FWindow.get());
  FShownTitle = title;
  FPlacement = PlacePicture(picture, size, kStatusStripRows);
}

void TSdlWindowView::Place(PixelSize window) {
  FPlacement = PlacePicture(FPicture.Size(), window, kStatusStripRows);
  FStale = true;
}

// The window's size for the picture, and the notice when the screen cuts it.
PixelSize TSdlWindowView::Fit(PixelSize picture, PixelSize screen) {
  const WindowFit fit = FitWindow(picture, FScale, screen, kStatusStripRows);
  FFitNotice = fit.Cut ? "  (larger than the screen: shown cut, at scale 1)" : "";
  FShownStatus.reset();
  return fit.Size;
}

// A new skin brings a picture of another size: without --scale the scale
// is chosen again for it, as for the first, and the desktop window follows.
void TSdlWindowView::Refit(PixelSize picture) {
  const PixelSize size = Fit(picture, ScreenSize(FWindow.get()));
  SDL_SetWindowSize(FWindow.get(), size.Width, size.Height);
  FPlacement = PlacePicture(picture, size, kStatusStripRows);
  FStale = true;
}

// Killed or shut down, the X server took the window with it: the player
// ends with the reason, as when there was no display to begin with.
void TSdlWindowView::EndIfDisplayGone() {
  if (FVideo.Errors().DisplayGone()) throw std::runtime_error(TXlibErrorTrap::GoneReason());
}

void TSdlWindowView::Present(const TFrameUpdate& window, const PlayerStatus& status) {
  EndIfDisplayGone();
  const TFrame& frame = window.Frame;
  const PixelSize picture{frame.Width, frame.Height};
  if (!FWindow) {
    Open(picture, FormatStatus(status));
  } else if (picture != FPicture.Size()) {
    Refit(picture);
  }
  FollowStayOnTop(status.StayOnTop);
  ShowStatus(status);
  // A paint already shown costs the display nothing, and so does a status
  // the strip shows already.
  const bool shown = window.Serial != 0 && window.Serial == FShownSerial;
  const bool follows = !shown && Take(window);
  if (FStale) {
    DrawAll();
  } else if (follows) {
    DrawAreas(window.Changed);
  } else if (FStripStale) {
    DrawAreas({});
  }
}

// The title and the strip say the same. The status changes about once a
// second while the picture changes every frame, so the title is made only
// when the status (or the fit notice) changed.
void TSdlWindowView::ShowStatus(const PlayerStatus& status) {
  if (FShownStatus == status) return;
  FShownStatus = status;
  const std::string title = FormatStatus(status) + FFitNotice;
  if (title != FShownTitle) {
    SDL_SetWindowTitle(FWindow.get(), title.c_str());
    FShownTitle = title;
  }
  if (FStrip.Show(title, HeldButton(status))) FStripStale = true;
}

// Only the changed areas when the kept picture holds the paint they are
// counted from, else the whole picture.
bool TSdlWindowView::Take(const TFrameUpdate& window) {
  const bool follows = FShownSerial != 0 && window.PreviousSerial == FShownSerial &&
                       FPicture.Size() == PixelSize{window.Frame.Width, window.Frame.Height};
  if (follows) {
    FPicture.Take(window.Frame, window.Changed);
  } else {
    FPicture.TakeAll(window.Frame);
    FStale = true;
  }
  FShownSerial = window.Serial;
  return follows;
}

// SDL makes the surface anew after the window's size changed, and the new
// one holds nothing yet: the picture is placed in it again and drawn whole.
SDL_Surface& TSdlWindowView::Surface() {
  SDL_Surface* surface = SDL_GetWindowSurface(FWindow.get());
  if (surface == nullptr) FailWith("cannot draw in the window");
  const PixelSize size{surface->w, surface->h};
  if (surface != FSurface || size != FSurfaceSize) {
    FSurface = surface;
    FSurfaceSize = size;
    Place(size);
  }
  return *surface;
}

void TSdlWindowView::DrawAreas(std::span<const TRect> areas) {
  SDL_Surface& surface = Surface();
  if (FStale) return DrawAll();
  FSent.clear();
  for (const TRect& area : areas) {
    const SDL_Rect drawn = FPicture.Draw(surface, FPlacement, area);
    if (drawn.w > 0 && drawn.h > 0) FSent.push_back(drawn);
  }
  if (FStripStale) DrawStrip(surface);
  if (FSent.empty()) return;
  FMenu.DrawOver(surface, FSent);
  if (SDL_UpdateWindowSurfaceRects(FWindow.get(), FSent.data(), static_cast<int>(FSent.size())) != 0)
    FailWith("cannot show the window's picture");
}

void TSdlWindowView::DrawAll() {
  SDL_Surface& surface = Surface();
  FSent.clear();
  FPicture.DrawAll(surface, FPlacement);
  DrawStrip(surface);
  if (FMenu.IsOpen()) FMenu.Draw(surface, FPlacement.Scale);
  if (SDL_UpdateWindowSurface(FWindow.get()) != 0) FailWith("cannot show the window's picture");
  FStale = false;
}

void TSdlWindowView::DrawStrip(SDL_Surface& surface) {
  const SDL_Rect drawn = FStrip.Draw(surface, FPlacement);
  if (drawn.w > 0 && drawn.h > 0) FSent.push_back(drawn);
  FStripStale = false;
}

// The window is drawn whole when the menu changes, so that what it covered
// before shows the picture again exactly.
void TSdlWindowView::ShowMenu(const TShownMenu& menu) {
  if (!FMenu.Show(menu)) return;
  FHovered.reset();
  FStale = true;
}

// While the menu is open a press is on it, or beside it (which closes it);
// a right press opens it there.
void TSdlWindowView::HandlePress(const SDL_MouseButtonEvent& press,
                                 std::vector<ViewEvent>& events) {
  if (FMenu.IsOpen()) {
    events.emplace_back(MenuPointer{FMenu.SpotAt(press.x, press.y), true});
  } else if (press.button == SDL_BUTTON_RIGHT) {
    FMenu.AnchorAt(press.x, press.y);
    events.emplace_back(MenuRequest{});
  } else if (press.button == SDL_BUTTON_LEFT) {
    // Each press on a button is a press of its own, the second of a double
    // click too.
    if (const auto button =
            TStatusStrip::ButtonAt(FPlacement, FSurfaceSize.Width, press.x, press.y)) {
      events.emplace_back(ButtonClick{*button});
    } else if (const auto point = PicturePointAt(FPlacement, press.x, press.y)) {
      events.emplace_back(PictureClick{*point});
      if (press.clicks == 2) events.emplace_back(PictureDoubleClick{*point});
    }
  }
}

void TSdlWindowView::HandleMotion(const SDL_MouseMotionEvent& motion,
                                  std::vector<ViewEvent>& events) {
  if (!FMenu.IsOpen()) return;
  const std::optional<TMenuSpot> spot = FMenu.SpotAt(motion.x, motion.y);
  if (!spot || spot == FHovered) return;
  FHovered = spot;
  events.emplace_back(MenuPointer{spot, false});
}

// The window manager's hint follows the player's state.
void TSdlWindowView::FollowStayOnTop(bool stayOnTop) {
  if (stayOnTop == FStayOnTop) return;
  FStayOnTop = stayOnTop;
  SDL_SetWindowAlwaysOnTop(FWindow.get(), stayOnTop ? SDL_TRUE : SDL_FALSE);
}

// Told once per change: window managers repeat focus and restore events.
void TSdlWindowView::NoteWindowState(std::uint8_t windowEvent, std::vector<ViewEvent>& events) {
  using TState = WindowStateChange::TState;
  const auto note = [&events](bool& shown, TState state, bool on) {
    if (shown == on) return;
    shown = on;
    events.emplace_back(WindowStateChange{state, on});
  };
  switch (windowEvent) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      note(FActive, TState::Active, true);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      note(FActive, TState::Active, false);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      note(FMinimized, TState::Minimized, true);
      break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_MAXIMIZED:
      note(FMinimized, TState::Minimized, false);
      break;
    default:
      break;
  }
}

void TSdlWindowView::Handle(const SDL_Event& event, std::vector<ViewEvent>& events) {
  switch (event.type) {
    case SDL_QUIT:
      FStopRequested = true;
      break;
    case SDL_SYSWMEVENT:
      if (FVideo.Errors().WatchedWindowGone(event.syswm.msg)) FStopRequested = true;
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) FStopRequested = true;
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        Place({event.window.data1, event.window.data2});
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED) FStale = true;
      NoteWindowState(event.window.event, events);
      break;
    case SDL_TEXTINPUT:
      for (const char* at = event.text.text; *at != '\0'; ++at) {
        if (const auto key = KeyOfCharacter(*at)) events.emplace_back(KeyPress{*key});
      }
      break;
    case SDL_KEYDOWN:
      // Control keys type no text.
      if (event.key.keysym.sym == SDLK_c && (event.key.keysym.mod & KMOD_CTRL) != 0)
        events.emplace_back(KeyPress{Key::CtrlC});
      if (const auto key = KeyOfKeySym(event.key.keysym.sym)) events.emplace_back(KeyPress{*key});
      break;
    case SDL_MOUSEBUTTONDOWN:
      HandlePress(event.button, events);
      break;
    case SDL_MOUSEMOTION:
      HandleMotion(event.motion, events);
      break;
    default:
      break;
  }
}

// False when there was none.
bool TSdlWindowView::TakeEvents(std::vector<ViewEvent>& events) {
  SDL_Event event;
  bool any = false;
  while (SDL_PollEvent(&event) != 0) {
    Handle(event, events);
    any = true;
  }
  return any;
}

// Without an X connection of its own to watch (Wayland, or before the
// window opens) the wait is SDL's where SDL waits on the display itself;
// elsewhere SDL would look every millisecond, so the view looks only every
// few.
void TSdlWindowView::WaitForSdlEvent(int milliseconds, std::vector<ViewEvent>& events) {
  const std::string_view driver = SDL_GetCurrentVideoDriver();
  if (driver == "wayland" || driver == "x11") {
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, milliseconds) == 0) return;
    Handle(event, events);
    TakeEvents(events);
    return;
  }
  constexpr int kLookEvery = 10;
  for (int left = milliseconds; left > 0; left -= kLookEvery) {
    SDL_Delay(static_cast<Uint32>(std::min(left, kLookEvery)));
    if (TakeEvents(events)) return;
  }
}

std::vector<ViewEvent> TSdlWindowView::WaitForInput(Clock::time_point deadline) {
  std::vector<ViewEvent> events;
  const auto now = Clock::now();
  const auto wait =
      now < deadline ? std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count() : 0;
  // The connection is looked at before SDL is asked for what came on it,
  // which it cannot survive once the server has gone.
  TXlibErrorTrap& errors = FVideo.Errors();
  if (!errors.DisplayGone() && !TakeEvents(events)) {
    if (!TXlibErrorTrap::WatchesDisplay()) {
      WaitForSdlEvent(static_cast<int>(wait), events);
    } else if (TXlibErrorTrap::WaitForDisplay(static_cast<int>(wait)) && !errors.DisplayGone()) {
      // After a wait in which nothing came there is nothing new to take.
      TakeEvents(events);
    }
  }
  EndIfDisplayGone();
  // A destroyed window is closed, whether its end was seen as an event
  // or as a request that failed.
  if (FVideo.Errors().WatchedWindowGone()) FStopRequested = true;
  if (FStale && FWindow && !FStopRequested) DrawAll();
  return events;
}

}  // namespace kivo
