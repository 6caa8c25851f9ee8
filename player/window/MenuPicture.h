// The player's open menu drawn in the desktop window's surface, over the
// picture: laid out as the terminal lays it out, on a grid of character
// cells of the window's small font (at twice its size in a window scaled
// up and tall enough),
// the first list at the pointer. The view draws the picture first and the
// menu over it, so that it can send the areas of both.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "player/menu/MenuNavigation.h"
#include "player/terminal/MenuText.h"

namespace kivo {

class TMenuOverPicture {
 public:
  bool IsOpen() const { return !FMenu.empty(); }

  // The pixel of a right click: the menu opened next starts there.
  void AnchorAt(std::int32_t x, std::int32_t y);
  // Takes the menu to show (empty: none); false when it is the one shown.
  bool Show(const TShownMenu& menu);

  // Lays the menu out on the surface and draws it whole.
  void Draw(SDL_Surface& surface, std::int32_t pictureScale);
  // Draws again the lists that meet `drawn` (areas where the picture was
  // drawn over them) and adds their rectangles to it.
  void DrawOver(SDL_Surface& surface, std::vector<SDL_Rect>& drawn);

  // The entry under a pixel, as last drawn.
  std::optional<TMenuSpot> SpotAt(std::int32_t x, std::int32_t y) const;

 private:
  SDL_Rect RectOf(const MenuBox& box) const;
  void DrawList(SDL_Surface& surface, std::size_t level) const;

  TShownMenu FMenu;
  std::vector<MenuBox> FBoxes;
  std::int32_t FAnchorX = 0;
  std::int32_t FAnchorY = 0;
  // Each font pixel as a square of this side.
  std::int32_t FTextScale = 1;
};

}  // namespace kivo
