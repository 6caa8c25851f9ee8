// The player's menu as a tree of entries: the player's own commands first,
// then the "Tools" submenu with the items clients put into the tool list.
// What each entry does is left to the live player; this unit only says
// what is shown and under which identifier.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/menu/ToolIds.h"

namespace kivo {

// The four menus clients know by fixed identifiers. Every other identifier
// is an entry's: the player's own entries below 0x5000 and inside the
// display-mode and skins blocks; client items from 0x5001 (ToolIds.h).
inline constexpr std::int32_t kMainMenuId = 0x4000;
inline constexpr std::int32_t kToolsMenuId = 0x5000;
inline constexpr std::int32_t kDisplayModeMenuId = 0x8000;
inline constexpr std::int32_t kSkinsMenuId = 0x9000;
inline constexpr std::int32_t kBandPatternMenuId = 0x4010;

// The most skins the skins submenu lists (identifiers 0x9001 to 0x9FFF).
inline constexpr std::int32_t kMostMenuSkins = 0xFFF;

enum class TMenuAction {
  Submenu,
  PlayPause,
  Next,
  Previous,
  Skin,         // Value: the skin's index in TMenuFacts::Skins
  DisplayMode,  // Value: the mode
  BandPattern,  // Value: the pattern
  StayOnTop,
  Quit,
  Tool,    // a client's item: its identifier is what the clients hear
  Nothing  // a line that only says something ("no tools"), identifier 0
};

struct TMenuEntry {
  std::int32_t Id = 0;
  std::string Caption;
  TMenuAction Action = TMenuAction::Nothing;
  std::int32_t Value = 0;
  bool Checkable = false;
  bool Checked = false;
  bool Enabled = true;
  std::vector<TMenuEntry> Items;  // a submenu's entries

  bool IsSubmenu() const { return Action == TMenuAction::Submenu; }
  bool operator==(const TMenuEntry&) const = default;
};

// What the menu shows of the player's state.
struct TMenuFacts {
  bool Playing = false;
  std::int32_t DisplayMode = 0;
  std::int32_t BandPattern = 0;
  bool StayOnTop = false;
  // The design files of the skins, and the one in use.
  std::vector<std::string> Skins;
  std::string Design;
  std::vector<TToolItem> Tools;
};

// The whole menu, identifier kMainMenuId.
TMenuEntry BuildPlayerMenu(const TMenuFacts& facts);

// The entry or submenu of identifier `id` in `menu` (the menu itself too);
// null when there is none.
const TMenuEntry* FindMenuEntry(const TMenuEntry& menu, std::int32_t id);

}  // namespace kivo
