// The player's menu without a view: the identifiers of the clients' items
// across re-reads of the tool list, the menu's entries, and choosing in it
// with keys and the pointer.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "hostlink/KivoConstants.h"
#include "player/menu/MenuNavigation.h"
#include "player/menu/PlayerMenu.h"
#include "player/menu/ToolIds.h"

namespace {

using namespace kivo;
using Names = std::vector<std::string>;

std::vector<std::int32_t> IdsOf(const TToolIds& tools) {
  std::vector<std::int32_t> ids;
  for (const TToolItem& item : tools.Items()) ids.push_back(item.Id);
  return ids;
}

bool IsFixed(std::int32_t id) {
  return std::find(std::begin(FixedMenuIds), std::end(FixedMenuIds), id) != std::end(FixedMenuIds);
}

TEST(ToolIdsTest, AnUnreadableListKeepsTheItemsAndAnEmptyOneDeletesThemAllOnce) {
  TToolIds tools;
  EXPECT_TRUE(tools.Update(Names{"Alpha", "Beta"}).empty());
  EXPECT_TRUE(tools.Update(std::nullopt).empty()) << "a list that cannot be read deletes nothing";
  EXPECT_EQ(IdsOf(tools), (std::vector<std::int32_t>{0x5001, 0x5002}));
  EXPECT_EQ(tools.Update(Names{}), (std::vector<std::int32_t>{0x5001, 0x5002}));
  EXPECT_TRUE(tools.Update(Names{}).empty()) << "told once";
  EXPECT_TRUE(tools.Items().empty());
}

TEST(ToolIdsTest, IdentifiersStayWithTheirNamesAcrossRereadsAndAreNeverGivenAgain) {
  TToolIds tools;
  tools.Update(Names{"Alpha", "Beta", "Gamma"});
  EXPECT_EQ(IdsOf(tools), (std::vector<std::int32_t>{0x5001, 0x5002, 0x5003}));
  // Beta deleted: only its identifier is gone; a new item takes a new one.
  EXPECT_EQ(tools.Update(Names{"Alpha", "Gamma", "Delta"}), std::vector<std::int32_t>{0x5002});
  EXPECT_EQ(IdsOf(tools), (std::vector<std::int32_t>{0x5001, 0x5003, 0x5004}));
  // The list's order is the menu's; keys differ only in case are one item.
  EXPECT_TRUE(tools.Update(Names{"delta", "ALPHA", "Gamma", "gamma"}).empty());
  EXPECT_EQ(IdsOf(tools), (std::vector<std::int32_t>{0x5004, 0x5001, 0x5003}));
  EXPECT_EQ(tools.Items().front().Name, "delta") << "shown as the list spells it now";
  // A name that comes back is a new item.
  tools.Update(Names{"Alpha"});
  tools.Update(Names{"Alpha", "Beta"});
  EXPECT_EQ(IdsOf(tools), (std::vector<std::int32_t>{0x5001, 0x5005}));
}

TEST(ToolIdsTest, ToolsNamedLikeMenuIdentifiersOrEmptyAreItemsLikeAnyOther) {
  TToolIds tools;
  tools.Update(Names{"0x4000", "20480", "$5000", "", "0"});
  EXPECT_EQ(IdsOf(tools), (std::vector<std::int32_t>{0x5001, 0x5002, 0x5003, 0x5004, 0x5005}));
}

TEST(ToolIdsTest, IdentifiersPassOverTheFixedMenusAndThePlayersOwnBlocks) {
  TToolIds tools;
  std::set<std::int32_t> seen;
  // Each read replaces the one item, so every read numbers a new one.
  for (int i = 0; i < 0x3100; ++i) {
    tools.Update(Names{"tool " + std::to_string(i)});
    const std::int32_t id = tools.Items().front().Id;
    ASSERT_NE(id, 0);
    ASSERT_FALSE(IsFixed(id)) << std::hex << id;
    ASSERT_FALSE(id >= 0x8000 && id < 0xA000) << std::hex << id;
    ASSERT_TRUE(seen.insert(id).second) << "given twice: " << std::hex << id;
  }
  EXPECT_EQ(tools.Items().front().Id, 0xA000 + 0x3100 - (0x8000 - 0x5001) - 1);
}

TMenuFacts SomeFacts() {
  TMenuFacts facts;
  facts.Playing = true;
  facts.DisplayMode = 3;
  facts.BandPattern = 5;
  facts.Skins = {"/s/bars/design.ini", "/s/frames/design.ini"};
  facts.Design = "/s/frames/design.ini";
  facts.Tools = {{0x5001, "Lyrics editor"}, {0x5003, "Tag writer"}};
  return facts;
}

std::vector<std::string> Captions(const TMenuEntry& menu) {
  std::vector<std::string> captions;
  for (const TMenuEntry& entry : menu.Items) captions.push_back(entry.Caption);
  return captions;
}

TEST(PlayerMenuTest, ThePlayersEntriesComeFirstThenTheClientsItemsInTheirOrder) {
  const TMenuEntry menu = BuildPlayerMenu(SomeFacts());
  EXPECT_EQ(menu.Id, kMainMenuId);
  EXPECT_EQ(Captions(menu),
            (std::vector<std::string>{"Pause", "Next", "Previous", "Skins", "Display mode",
                                      "Band pattern", "Stay on top", "Tools", "Quit"}));
  const TMenuEntry* tools = FindMenuEntry(menu, kToolsMenuId);
  ASSERT_NE(tools, nullptr);
  ASSERT_EQ(tools->Items.size(), 2u);
  EXPECT_EQ(tools->Items[1].Id, 0x5003);
  EXPECT_EQ(tools->Items[1].Caption, "Tag writer");
  EXPECT_EQ(tools->Items[1].Action, TMenuAction::Tool);
  EXPECT_TRUE(tools->Items[1].Enabled);
  EXPECT_FALSE(tools->Items[1].Checked);

  // The current mode, pattern and skin are checked, and only they.
  for (const std::int32_t id : {kDisplayModeMenuId, kBandPatternMenuId, kSkinsMenuId}) {
    const TMenuEntry* submenu = FindMenuEntry(menu, id);
    ASSERT_NE(submenu, nullptr);
    EXPECT_EQ(std::count_if(submenu->Items.begin(), submenu->Items.end(),
                            [](const TMenuEntry& entry) { return entry.Checked; }),
              1);
  }
  EXPECT_TRUE(FindMenuEntry(menu, kDisplayModeMenuId)->Items[3].Checked);
  EXPECT_EQ(FindMenuEntry(menu, kDisplayModeMenuId)->Items.size(), 5u);
  EXPECT_TRUE(FindMenuEntry(menu, kBandPatternMenuId)->Items[5].Checked);
  EXPECT_EQ(FindMenuEntry(menu, kSkinsMenuId)->Items[1].Caption, "frames");
  EXPECT_TRUE(FindMenuEntry(menu, kSkinsMenuId)->Items[1].Checked);
}

TEST(PlayerMenuTest, NoIdentifierOfThePlayersOwnIsAClientsOrZeroOrGivenTwice) {
  TMenuFacts facts = SomeFacts();
  facts.Tools.clear();
  std::set<std::int32_t> ids;
  std::function<void(const TMenuEntry&)> collect = [&](const TMenuEntry& entry) {
    if (entry.Action != TMenuAction::Nothing) {
      EXPECT_NE(entry.Id, 0) << entry.Caption;
      EXPECT_TRUE(entry.Id < kFirstToolId || entry.Id >= 0x8000) << entry.Caption;
      EXPECT_TRUE(ids.insert(entry.Id).second) << entry.Caption;
    }
    for (const TMenuEntry& item : entry.Items) collect(item);
  };
  collect(BuildPlayerMenu(facts));
}

TEST(PlayerMenuTest, AnEmptyToolListOrNoSkinsShowALineThatCannotBeChosen) {
  TMenuFacts facts;
  const TMenuEntry menu = BuildPlayerMenu(facts);
  EXPECT_EQ(menu.Items[0].Caption, "Play") << "a stopped player offers to play";
  const TMenuEntry& none = FindMenuEntry(menu, kToolsMenuId)->Items.at(0);
  EXPECT_EQ(none.Caption, "(no tools)");
  EXPECT_FALSE(none.Enabled);
  EXPECT_FALSE(FindMenuEntry(menu, kSkinsMenuId)->Items.at(0).Enabled);

  // Opened on its own, nothing in it can be chosen or picked.
  TMenuNavigation navigation(*FindMenuEntry(menu, kToolsMenuId));
  EXPECT_EQ(navigation.Shown().front().Selected, -1);
  EXPECT_FALSE(navigation.Press(TMenuKey::Down).Picked);
  EXPECT_FALSE(navigation.Press(TMenuKey::Enter).Picked);
  EXPECT_FALSE(navigation.Point(TMenuSpot{0, 0}, true).Picked);
  EXPECT_EQ(navigation.Shown().size(), 1u) << "still open";
}

TEST(MenuNavigationTest, KeysMoveRoundOpenSubmenusPickAndClose) {
  TMenuNavigation navigation(BuildPlayerMenu(SomeFacts()));
  EXPECT_EQ(navigation.Shown().front().Selected, 0);
  navigation.Press(TMenuKey::Up);
  EXPECT_EQ(navigation.Shown().front().Selected, 8) << "round to Quit";
  navigation.Press(TMenuKey::Up);
  const TMenuOutcome opened = navigation.Press(TMenuKey::Right);
  EXPECT_EQ(opened.Opened, kToolsMenuId);
  ASSERT_EQ(navigation.Shown().size(), 2u);
  EXPECT_EQ(navigation.Shown()[1].Selected, 0);
  navigation.Press(TMenuKey::Left);
  EXPECT_EQ(navigation.Shown().size(), 1u);
  navigation.Press(TMenuKey::Left);
  EXPECT_EQ(navigation.Shown().size(), 1u) << "the outermost list stays";
  EXPECT_EQ(navigation.Press(TMenuKey::Enter).Opened, kToolsMenuId);
  navigation.Press(TMenuKey::Down);
  const TMenuOutcome picked = navigation.Press(TMenuKey::Enter);
  ASSERT_TRUE(picked.Picked);
  EXPECT_EQ(picked.Picked->Id, 0x5003);
  EXPECT_TRUE(picked.Closed);
  EXPECT_TRUE(navigation.Shown().empty());
  EXPECT_FALSE(navigation.Press(TMenuKey::Enter).Picked) << "a closed menu does nothing";

  TMenuNavigation again(BuildPlayerMenu(SomeFacts()));
  again.Press(TMenuKey::Right);  // Pause is no submenu
  EXPECT_EQ(again.Shown().size(), 1u);
  EXPECT_TRUE(again.Press(TMenuKey::Escape).Closed);
  EXPECT_TRUE(again.Shown().empty());
}

TEST(MenuNavigationTest, ThePointerChoosesOpensOnHoverPicksOnClickAndClosesOutside) {
  TMenuNavigation navigation(BuildPlayerMenu(SomeFacts()));
  // Hovering a submenu opens it, once; hovering an entry beside it closes it.
  EXPECT_EQ(navigation.Point(TMenuSpot{0, 4}, false).Opened, kDisplayModeMenuId);
  EXPECT_FALSE(navigation.Point(TMenuSpot{0, 4}, false).Opened);
  EXPECT_EQ(navigation.Shown().size(), 2u);
  EXPECT_FALSE(navigation.Point(TMenuSpot{0, 1}, false).Picked);
  EXPECT_EQ(navigation.Shown().size(), 1u);
  EXPECT_EQ(navigation.Shown()[0].Selected, 1);
  // Places that are no entry change nothing.
  EXPECT_FALSE(navigation.Point(TMenuSpot{3, 0}, true).Picked);
  EXPECT_FALSE(navigation.Point(TMenuSpot{0, 99}, true).Picked);
  EXPECT_FALSE(navigation.Point(std::nullopt, false).Closed) << "moving outside keeps it open";
  // A click in a submenu picks its entry.
  navigation.Point(TMenuSpot{0, 4}, true);
  const TMenuOutcome picked = navigation.Point(TMenuSpot{1, 2}, true);
  ASSERT_TRUE(picked.Picked);
  EXPECT_EQ(picked.Picked->Action, TMenuAction::DisplayMode);
  EXPECT_EQ(picked.Picked->Value, 2);

  TMenuNavigation outside(BuildPlayerMenu(SomeFacts()));
  const TMenuOutcome closed = outside.Point(std::nullopt, true);
  EXPECT_TRUE(closed.Closed);
  EXPECT_FALSE(closed.Picked);
  EXPECT_TRUE(outside.Shown().empty());
}

}  // namespace
