#include "player/menu/MenuNavigation.h"

namespace kivo {

namespace {

TMenuList ListOf(const TMenuEntry& menu) {
  TMenuList list{menu.Id, menu.Items, -1};
  for (std::size_t i = 0; i < list.Entries.size(); ++i) {
    if (list.Entries[i].Enabled) {
      list.Selected = static_cast<std::int32_t>(i);
      break;
    }
  }
  return list;
}

const TMenuEntry* Chosen(const TMenuList& list) {
  if (list.Selected < 0 || list.Selected >= static_cast<std::int32_t>(list.Entries.size()))
    return nullptr;
  return &list.Entries[static_cast<std::size_t>(list.Selected)];
}

}  // namespace

TMenuNavigation::TMenuNavigation(const TMenuEntry& menu) { FLists.push_back(ListOf(menu)); }

void TMenuNavigation::Move(std::int32_t step) {
  TMenuList& list = Innermost();
  const auto count = static_cast<std::int32_t>(list.Entries.size());
  std::int32_t at = list.Selected < 0 ? (step > 0 ? -1 : 0) : list.Selected;
  for (std::int32_t tried = 0; tried < count; ++tried) {
    at = (at + step + count) % count;
    if (list.Entries[static_cast<std::size_t>(at)].Enabled) {
      list.Selected = at;
      return;
    }
  }
}

TMenuOutcome TMenuNavigation::OpenChosen() {
  const TMenuEntry* chosen = Chosen(Innermost());
  if (chosen == nullptr || !chosen->IsSubmenu() || !chosen->Enabled) return {};
  TMenuList opened = ListOf(*chosen);
  FLists.push_back(std::move(opened));
  return {Innermost().Id, std::nullopt, false};
}

TMenuOutcome TMenuNavigation::Activate() {
  const TMenuEntry* chosen = Chosen(Innermost());
  if (chosen == nullptr || !chosen->Enabled) return {};
  if (chosen->IsSubmenu()) return OpenChosen();
  TMenuOutcome outcome{std::nullopt, *chosen, true};
  FLists.clear();
  return outcome;
}

TMenuOutcome TMenuNavigation::Press(TMenuKey key) {
  if (FLists.empty()) return {};
  switch (key) {
    case TMenuKey::Up:
      Move(-1);
      return {};
    case TMenuKey::Down:
      Move(1);
      return {};
    case TMenuKey::Right:
      return OpenChosen();
    case TMenuKey::Left:
      if (FLists.size() > 1) FLists.pop_back();
      return {};
    case TMenuKey::Enter:
      return Activate();
    case TMenuKey::Escape:
      FLists.clear();
      return {std::nullopt, std::nullopt, true};
  }
  return {};
}

// The lists beyond the spot's close; its entry is chosen and, when it is a
// submenu, opened beside it.
TMenuOutcome TMenuNavigation::Choose(TMenuSpot spot) {
  if (spot.Level < 0 || spot.Level >= static_cast<std::int32_t>(FLists.size())) return {};
  TMenuList& list = FLists[static_cast<std::size_t>(spot.Level)];
  if (spot.Index < 0 || spot.Index >= static_cast<std::int32_t>(list.Entries.size())) return {};
  if (!list.Entries[static_cast<std::size_t>(spot.Index)].Enabled) return {};
  const bool same = list.Selected == spot.Index;
  const bool openedAlready = same && FLists.size() > static_cast<std::size_t>(spot.Level) + 1;
  if (openedAlready) return {};
  FLists.resize(static_cast<std::size_t>(spot.Level) + 1);
  Innermost().Selected = spot.Index;
  return OpenChosen();
}

TMenuOutcome TMenuNavigation::Point(std::optional<TMenuSpot> spot, bool click) {
  if (FLists.empty()) return {};
  if (!spot) {
    if (!click) return {};
    FLists.clear();
    return {std::nullopt, std::nullopt, true};
  }
  const TMenuOutcome chosen = Choose(*spot);
  if (!click || chosen.Opened) return chosen;
  const auto level = static_cast<std::size_t>(spot->Level);
  if (level + 1 != FLists.size() || FLists[level].Selected != spot->Index) return chosen;
  return Activate();
}

}  // namespace kivo
