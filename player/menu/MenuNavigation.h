// A menu while it is open: the lists shown (the menu and the submenus
// opened from it, each beside its parent), the entry chosen in each, and
// what keys and the pointer do to them. The views draw `Shown()` and say
// where the pointer is in its terms (a list and an entry of it).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "player/menu/PlayerMenu.h"

namespace kivo {

// One open list: its submenu's identifier, its entries, the one chosen
// (-1 when none is).
struct TMenuList {
  std::int32_t Id = 0;
  std::vector<TMenuEntry> Entries;
  std::int32_t Selected = -1;
  bool operator==(const TMenuList&) const = default;
};

// Empty: no menu is open.
using TShownMenu = std::vector<TMenuList>;

// A place in the open menu: list `Level` (0 the outermost), entry `Index`.
struct TMenuSpot {
  std::int32_t Level = 0;
  std::int32_t Index = 0;
  bool operator==(const TMenuSpot&) const = default;
};

enum class TMenuKey { Up, Down, Left, Right, Enter, Escape };

// What a key or the pointer did: a submenu opened (its identifier), an
// entry picked (the menu closes with it), or the menu closed.
struct TMenuOutcome {
  std::optional<std::int32_t> Opened;
  std::optional<TMenuEntry> Picked;
  bool Closed = false;
};

class TMenuNavigation {
 public:
  // Opens `menu` with its first enabled entry chosen.
  explicit TMenuNavigation(const TMenuEntry& menu);

  const TShownMenu& Shown() const { return FLists; }

  // Up and Down move among the enabled entries of the innermost list,
  // round; Right and Enter open the chosen submenu, Enter picks any other
  // entry; Left closes the innermost submenu; Escape closes the menu.
  TMenuOutcome Press(TMenuKey key);
  // The pointer over an entry (hovering chooses it and opens a submenu),
  // or outside every list (nothing). A click picks an entry and, outside,
  // closes the menu.
  TMenuOutcome Point(std::optional<TMenuSpot> spot, bool click);

 private:
  TMenuList& Innermost() { return FLists.back(); }
  void Move(std::int32_t step);
  TMenuOutcome OpenChosen();
  TMenuOutcome Choose(TMenuSpot spot);
  TMenuOutcome Activate();

  TShownMenu FLists;
};

}  // namespace kivo
