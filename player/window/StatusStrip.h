// The strip along the desktop window's bottom, below the picture: the
// transport buttons and the status line as the terminal's last row shows
// them, in the window's small font with each font pixel a square of the
// picture's scale. A click on a button does what the terminal's does.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <string>

#include "player/notify/Notifications.h"
#include "player/terminal/StatusLine.h"
#include "player/window/MenuFont.h"
#include "player/window/WindowScale.h"

namespace kivo {

// Font pixels around the line of text: above, below and before it.
inline constexpr std::int32_t kStatusStripPadding = 2;
// The strip's height in picture rows (font pixels).
inline constexpr std::int32_t kStatusStripRows = kGlyphHeight + 2 * kStatusStripPadding;

// The button shown held down: stop while stopped, play/pause while paused.
std::optional<TTransportButton> HeldButton(const PlayerStatus& status);

class TStatusStrip {
 public:
  // What the strip is to show after the buttons (the title's text), and
  // the button held down; false when it shows just that already.
  bool Show(const std::string& text, std::optional<TTransportButton> held);

  // Draws the strip whole where the placement puts it, in a surface as wide
  // as the window; the rectangle drawn (empty when the strip has no room).
  SDL_Rect Draw(SDL_Surface& surface, const PicturePlacement& placement) const;

  // The button whose box lies under a point of a window `width` pixels
  // wide, as drawn there; nothing beside the boxes, and nothing for a
  // button the window is too narrow to show whole.
  static std::optional<TTransportButton> ButtonAt(const PicturePlacement& placement,
                                                  std::int32_t width, std::int32_t x,
                                                  std::int32_t y);

 private:
  // What was asked for, compared frame after frame; the line is made only
  // when it changes.
  bool FShown = false;
  std::string FText;
  std::optional<TTransportButton> FHeld;
  // The buttons' faces and the text, made safe, one cell each.
  std::u32string FLine;
};

}  // namespace kivo
