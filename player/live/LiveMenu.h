// The player's menu in the live player: opened by a right click, `m` or a
// client's request, chosen in with keys and the pointer, and what the
// clients hear of it: the tools submenu shown (status 22) and a client's
// item picked (class 0x800). What the player's own entries do is the
// live player's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "player/Session.h"
#include "player/live/LiveView.h"
#include "player/menu/MenuNavigation.h"
#include "player/menu/PlayerMenu.h"

namespace kivo {

class TLiveMenu {
 public:
  explicit TLiveMenu(TPlayerSession& session) : FSession(session) {}

  bool IsOpen() const { return FNavigation.has_value(); }
  const TShownMenu& Shown() const;

  // Opens the whole menu (kMainMenuId) or the tools submenu alone
  // (kToolsMenuId), with the tool list read again first. `facts` says
  // what the player's own entries show; its tools are filled in here.
  void Open(std::int32_t menuId, TMenuFacts facts);
  void Close() { FNavigation.reset(); }

  // The entry a key or the pointer picked, if any; the menu is closed then.
  // Keys the menu has no use for do nothing.
  std::optional<TMenuEntry> Press(Key key);
  std::optional<TMenuEntry> Point(const MenuPointer& pointer);

  // The design file of a picked skin entry.
  const std::string& SkinDesign(const TMenuEntry& entry) const;

 private:
  std::optional<TMenuEntry> Follow(const TMenuOutcome& outcome);

  TPlayerSession& FSession;
  std::optional<TMenuNavigation> FNavigation;
  // The skins the open menu lists.
  std::vector<std::string> FSkins;
};

}  // namespace kivo
