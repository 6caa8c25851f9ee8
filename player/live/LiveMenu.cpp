#include "player/live/LiveMenu.h"

#include <algorithm>

namespace kivo {

namespace {

std::optional<TMenuKey> MenuKeyOf(Key key) {
  switch (key) {
    case Key::Up:
      return TMenuKey::Up;
    case Key::Down:
      return TMenuKey::Down;
    case Key::Left:
      return TMenuKey::Left;
    case Key::Right:
      return TMenuKey::Right;
    case Key::Enter:
      return TMenuKey::Enter;
    // The key that opened the menu closes it too.
    case Key::Escape:
    case Key::M:
      return TMenuKey::Escape;
    default:
      return std::nullopt;
  }
}

}  // namespace

const TShownMenu& TLiveMenu::Shown() const {
  static const TShownMenu kClosed;
  return FNavigation ? FNavigation->Shown() : kClosed;
}

void TLiveMenu::Open(std::int32_t menuId, TMenuFacts facts) {
  FSession.RereadTools();
  facts.Tools = FSession.Tools().Items();
  FSkins = facts.Skins;
  const TMenuEntry menu = BuildPlayerMenu(facts);
  const TMenuEntry* shown = FindMenuEntry(menu, menuId);
  FNavigation.emplace(shown != nullptr && shown->IsSubmenu() ? *shown : menu);
  if (FNavigation->Shown().front().Id == kToolsMenuId) FSession.NotifyMenuShown(kToolsMenuId);
}

std::optional<TMenuEntry> TLiveMenu::Press(Key key) {
  const std::optional<TMenuKey> menuKey = MenuKeyOf(key);
  if (!FNavigation || !menuKey) return std::nullopt;
  return Follow(FNavigation->Press(*menuKey));
}

std::optional<TMenuEntry> TLiveMenu::Point(const MenuPointer& pointer) {
  if (!FNavigation) return std::nullopt;
  return Follow(FNavigation->Point(pointer.At, pointer.Click));
}

// The clients' submenu shown, and a client's item picked while it is still
// in the tool list (a client may have deleted it while the menu was open).
std::optional<TMenuEntry> TLiveMenu::Follow(const TMenuOutcome& outcome) {
  if (outcome.Opened == kToolsMenuId) FSession.NotifyMenuShown(kToolsMenuId);
  if (outcome.Closed) FNavigation.reset();
  if (!outcome.Picked || outcome.Picked->Action != TMenuAction::Tool) return outcome.Picked;
  const auto& tools = FSession.Tools().Items();
  const std::int32_t id = outcome.Picked->Id;
  if (std::any_of(tools.begin(), tools.end(), [id](const TToolItem& tool) { return tool.Id == id; }))
    FSession.NotifyMenuPicked(id);
  return outcome.Picked;
}

const std::string& TLiveMenu::SkinDesign(const TMenuEntry& entry) const {
  static const std::string kNone;
  const auto index = static_cast<std::size_t>(entry.Value);
  return entry.Action == TMenuAction::Skin && index < FSkins.size() ? FSkins[index] : kNone;
}

}  // namespace kivo
