// The player's open menu as text over the terminal's picture: each list a
// box of lines, the first at an anchor cell, each submenu beside the line
// that opened it; the chosen line in reverse colours, disabled lines dim.
// A list longer than the screen shows the part around its chosen line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "player/menu/MenuNavigation.h"

namespace kivo {

// Where a list is drawn, in 0-based cells: its top-left corner, its width,
// and which of its entries are shown (`Count` from `First`).
struct MenuBox {
  std::int32_t Column = 0;
  std::int32_t Row = 0;
  std::int32_t Width = 0;
  std::int32_t First = 0;
  std::int32_t Count = 0;
  bool operator==(const MenuBox&) const = default;
};

// The boxes of the menu's lists on a screen of `columns` x `rows`, the
// first at (`column`, `row`) or as near it as it fits.
std::vector<MenuBox> LayOutMenuText(const TShownMenu& menu, std::int32_t columns,
                                    std::int32_t rows, std::int32_t column, std::int32_t row);

// The output that draws the boxes; it ends with the attributes reset.
std::string EncodeMenuText(const TShownMenu& menu, const std::vector<MenuBox>& boxes);

// The entry drawn on a cell, the innermost list first; nothing outside.
std::optional<TMenuSpot> MenuSpotAt(const std::vector<MenuBox>& boxes, std::int32_t column,
                                    std::int32_t row);

// One entry's line, `width` columns wide: its check, caption and a mark
// for a submenu.
std::string MenuLine(const TMenuEntry& entry, std::int32_t width);

}  // namespace kivo
