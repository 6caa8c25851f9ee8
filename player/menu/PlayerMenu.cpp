#include "player/menu/PlayerMenu.h"

#include <algorithm>
#include <array>
#include <filesystem>

namespace kivo {

namespace {

// The player's own entries.
constexpr std::int32_t kPlayPauseId = 0x4001;
constexpr std::int32_t kNextId = 0x4002;
constexpr std::int32_t kPreviousId = 0x4003;
constexpr std::int32_t kStayOnTopId = 0x4004;
constexpr std::int32_t kQuitId = 0x4005;
constexpr std::int32_t kBandPatterns = 6;

constexpr std::array<const char*, 5> kDisplayModeNames = {
    "Track information", "Level meter", "Spectrum bars", "Spectrum with peaks",
    "Spectrum with falling peaks"};

TMenuEntry Command(std::int32_t id, std::string caption, TMenuAction action) {
  TMenuEntry entry;
  entry.Id = id;
  entry.Caption = std::move(caption);
  entry.Action = action;
  return entry;
}

TMenuEntry Choice(std::int32_t id, std::string caption, TMenuAction action, std::int32_t value,
                  bool checked) {
  TMenuEntry entry = Command(id, std::move(caption), action);
  entry.Value = value;
  entry.Checkable = true;
  entry.Checked = checked;
  return entry;
}

// An empty submenu says so in a line that cannot be chosen.
TMenuEntry Submenu(std::int32_t id, std::string caption, std::vector<TMenuEntry> items,
                   const char* empty = "(none)") {
  TMenuEntry entry = Command(id, std::move(caption), TMenuAction::Submenu);
  entry.Items = std::move(items);
  if (entry.Items.empty()) {
    TMenuEntry none = Command(0, empty, TMenuAction::Nothing);
    none.Enabled = false;
    entry.Items.push_back(std::move(none));
  }
  return entry;
}

TMenuEntry SkinsMenu(const TMenuFacts& facts) {
  std::vector<TMenuEntry> items;
  const std::size_t shown = std::min<std::size_t>(facts.Skins.size(), kMostMenuSkins);
  for (std::size_t i = 0; i < shown; ++i) {
    const std::string& design = facts.Skins[i];
    const std::string name = std::filesystem::path(design).parent_path().filename().string();
    const auto index = static_cast<std::int32_t>(i);
    items.push_back(Choice(kSkinsMenuId + 1 + index, name, TMenuAction::Skin, index,
                           design == facts.Design));
  }
  return Submenu(kSkinsMenuId, "Skins", std::move(items));
}

TMenuEntry DisplayModeMenu(const TMenuFacts& facts) {
  std::vector<TMenuEntry> items;
  for (std::size_t mode = 0; mode < kDisplayModeNames.size(); ++mode) {
    const auto value = static_cast<std::int32_t>(mode);
    items.push_back(Choice(kDisplayModeMenuId + 1 + value,
                           std::to_string(mode) + "  " + kDisplayModeNames[mode],
                           TMenuAction::DisplayMode, value, facts.DisplayMode == value));
  }
  return Submenu(kDisplayModeMenuId, "Display mode", std::move(items));
}

TMenuEntry BandPatternMenu(const TMenuFacts& facts) {
  std::vector<TMenuEntry> items;
  for (std::int32_t pattern = 0; pattern < kBandPatterns; ++pattern)
    items.push_back(Choice(kBandPatternMenuId + 1 + pattern, "Pattern " + std::to_string(pattern),
                           TMenuAction::BandPattern, pattern, facts.BandPattern == pattern));
  return Submenu(kBandPatternMenuId, "Band pattern", std::move(items));
}

// The link gives clients only the names: every item is shown enabled and
// unchecked.
TMenuEntry ToolsMenu(const TMenuFacts& facts) {
  std::vector<TMenuEntry> items;
  for (const TToolItem& tool : facts.Tools)
    items.push_back(Command(tool.Id, tool.Name, TMenuAction::Tool));
  return Submenu(kToolsMenuId, "Tools", std::move(items), "(no tools)");
}

}  // namespace

TMenuEntry BuildPlayerMenu(const TMenuFacts& facts) {
  TMenuEntry stayOnTop = Command(kStayOnTopId, "Stay on top", TMenuAction::StayOnTop);
  stayOnTop.Checkable = true;
  stayOnTop.Checked = facts.StayOnTop;
  return Submenu(kMainMenuId, "Menu",
                 {Command(kPlayPauseId, facts.Playing ? "Pause" : "Play", TMenuAction::PlayPause),
                  Command(kNextId, "Next", TMenuAction::Next),
                  Command(kPreviousId, "Previous", TMenuAction::Previous), SkinsMenu(facts),
                  DisplayModeMenu(facts), BandPatternMenu(facts), std::move(stayOnTop),
                  ToolsMenu(facts), Command(kQuitId, "Quit", TMenuAction::Quit)});
}

const TMenuEntry* FindMenuEntry(const TMenuEntry& menu, std::int32_t id) {
  if (menu.Id == id) return &menu;
  for (const TMenuEntry& item : menu.Items)
    if (const TMenuEntry* found = FindMenuEntry(item, id)) return found;
  return nullptr;
}

}  // namespace kivo
