// The live view in a desktop window (X11 or Wayland, through SDL): the
// visualisation window at a whole-number scale without filtering, the
// status line as the window's title and in a strip below the picture with
// the transport buttons, keys and clicks from the window.
// The picture is scaled into the window's own surface in memory, without
// a renderer, and only the areas a paint changed are sent to the display.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "player/live/LiveView.h"
#include "player/window/MenuPicture.h"
#include "player/window/ScaledPicture.h"
#include "player/window/StatusStrip.h"
#include "player/window/WindowScale.h"
#include "player/window/X11Window.h"

namespace kivo {

class TSdlWindowView final : public TLiveView {
 public:
  // `scale`: each window pixel as a scale x scale square; none: the
  // largest scale that fits comfortably on the screen. Raises
  // std::runtime_error with the reason when no display can be used, also
  // when SDL would fall back on a driver that shows nothing (offscreen,
  // dummy) without SDL_VIDEODRIVER asking for it. The window opens with
  // the first frame.
  explicit TSdlWindowView(std::optional<std::int32_t> scale);
  ~TSdlWindowView() override;
  TSdlWindowView(const TSdlWindowView&) = delete;
  TSdlWindowView& operator=(const TSdlWindowView&) = delete;

  void Present(const TFrameUpdate& window, const PlayerStatus& status) override;
  std::vector<ViewEvent> WaitForInput(Clock::time_point deadline) override;
  bool StopRequested() const override { return FStopRequested; }
  void ShowMenu(const TShownMenu& menu) override;
  bool HasMenu() const override { return true; }

 private:
  class TVideo {
   public:
    TVideo();
    ~TVideo();
    TVideo(const TVideo&) = delete;
    TVideo& operator=(const TVideo&) = delete;

    // Xlib errors (on X11) do not end the program.
    TXlibErrorTrap& Errors() { return FErrors; }
    const TXlibErrorTrap& Errors() const { return FErrors; }

   private:
    // There before SDL's video starts and after it ends.
    TXlibErrorTrap FErrors;
  };
  template <typename T, void (*Destroy)(T*)>
  struct TDestroyer {
    void operator()(T* object) const { Destroy(object); }
  };

  void Open(PixelSize picture, const std::string& title);
  void Refit(PixelSize picture);
  PixelSize Fit(PixelSize picture, PixelSize screen);
  void Place(PixelSize window);
  void ShowStatus(const PlayerStatus& status);
  // Takes the paint into the kept picture; whether only its changed areas
  // were taken.
  bool Take(const TFrameUpdate& window);
  SDL_Surface& Surface();
  void DrawAreas(std::span<const TRect> areas);
  void DrawAll();
  // Draws the strip and adds its rectangle to the ones to send.
  void DrawStrip(SDL_Surface& surface);
  void Handle(const SDL_Event& event, std::vector<ViewEvent>& events);
  void HandlePress(const SDL_MouseButtonEvent& press, std::vector<ViewEvent>& events);
  void HandleMotion(const SDL_MouseMotionEvent& motion, std::vector<ViewEvent>& events);
  void NoteWindowState(std::uint8_t windowEvent, std::vector<ViewEvent>& events);
  void FollowStayOnTop(bool stayOnTop);
  void EndIfDisplayGone();
  bool TakeEvents(std::vector<ViewEvent>& events);
  void WaitForSdlEvent(int milliseconds, std::vector<ViewEvent>& events);

  std::optional<std::int32_t> FScale;
  TVideo FVideo;
  std::unique_ptr<SDL_Window, TDestroyer<SDL_Window, SDL_DestroyWindow>> FWindow;
  // The window's own; made anew by SDL when the window's size changes.
  SDL_Surface* FSurface = nullptr;
  PixelSize FSurfaceSize;
  TScaledPicture FPicture;
  TStatusStrip FStrip;
  // The strip shows something new, not drawn yet.
  bool FStripStale = true;
  TMenuOverPicture FMenu;
  // The menu entry last under the pointer, so that a move within it is
  // not told again.
  std::optional<TMenuSpot> FHovered;
  PicturePlacement FPlacement;
  std::vector<SDL_Rect> FSent;
  // The paint the kept picture holds; 0 for none.
  std::uint64_t FShownSerial = 0;
  std::string FShownTitle;
  // The status the title and the strip were last made from.
  std::optional<PlayerStatus> FShownStatus;
  // Said in the title while the picture is larger than the screen.
  std::string FFitNotice;
  // The window lost its contents or its size: drawn whole again.
  bool FStale = true;
  bool FStopRequested = false;
  bool FActive = false;
  bool FMinimized = false;
  bool FStayOnTop = false;
};

}  // namespace kivo
