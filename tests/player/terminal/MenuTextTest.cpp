// The open menu as text: where its boxes go on small and large screens,
// what each line says, which entry a cell shows, and when the picture
// under the menu must be drawn again.
#include <gtest/gtest.h>

#include "player/menu/MenuNavigation.h"
#include "player/terminal/MenuOverText.h"
#include "player/terminal/MenuText.h"

namespace {

using namespace kivo;

TMenuEntry Entry(std::string caption, TMenuAction action = TMenuAction::Tool) {
  TMenuEntry entry;
  entry.Id = 0x5001;
  entry.Caption = std::move(caption);
  entry.Action = action;
  return entry;
}

TMenuList List(std::size_t entries, std::int32_t selected) {
  TMenuList list;
  for (std::size_t i = 0; i < entries; ++i) list.Entries.push_back(Entry("item " + std::to_string(i)));
  list.Selected = selected;
  return list;
}

TEST(MenuTextTest, ListsTooLongOrTooWideForTheScreenAreCutAndKeepTheirChosenLineShown) {
  const TShownMenu menu = {List(30, 25)};
  const std::vector<MenuBox> boxes = LayOutMenuText(menu, 10, 8, 5, 6);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Count, 8);
  EXPECT_EQ(boxes[0].First, 18) << "the chosen line is the last one shown";
  EXPECT_EQ(boxes[0].Width, 10);
  EXPECT_EQ(boxes[0].Column, 0);
  EXPECT_EQ(boxes[0].Row, 0);
  EXPECT_EQ(MenuSpotAt(boxes, 3, 7), (TMenuSpot{0, 25}));
  // No screen at all: nothing drawn, nothing hit.
  const std::vector<MenuBox> none = LayOutMenuText(menu, 0, 0, 0, 0);
  EXPECT_EQ(none[0].Count, 0);
  EXPECT_TRUE(EncodeMenuText(menu, none).empty());
  EXPECT_FALSE(MenuSpotAt(none, 0, 0));
}

TEST(MenuTextTest, ASubmenuOpensBesideItsLineOrOnTheLeftAtTheScreensEdge) {
  const TShownMenu menu = {List(5, 3), List(2, 0)};
  const std::vector<MenuBox> boxes = LayOutMenuText(menu, 80, 24, 2, 4);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].Column, boxes[0].Column + boxes[0].Width);
  EXPECT_EQ(boxes[1].Row, 4 + 3);
  EXPECT_EQ(MenuSpotAt(boxes, boxes[1].Column, 8), (TMenuSpot{1, 1}));
  EXPECT_EQ(MenuSpotAt(boxes, 2, 4), (TMenuSpot{0, 0}));
  EXPECT_FALSE(MenuSpotAt(boxes, 1, 4));
  const std::vector<MenuBox> atEdge = LayOutMenuText(menu, 30, 24, 20, 4);
  EXPECT_EQ(atEdge[1].Column + atEdge[1].Width, atEdge[0].Column);
}

TEST(MenuTextTest, LinesShowChecksSubmenusAndCaptionsMadeSafe) {
  TMenuEntry check = Entry("Stay on top", TMenuAction::StayOnTop);
  check.Checkable = true;
  check.Checked = true;
  EXPECT_EQ(MenuLine(check, 20), " [x] Stay on top    ");
  EXPECT_EQ(MenuLine(Entry("Tools", TMenuAction::Submenu), 14), "     Tools  > ");
  // A client's caption cannot move the cursor; wide characters take two.
  EXPECT_EQ(MenuLine(Entry("a\x1b[2Jb"), 14), "     a?[2Jb   ");
  EXPECT_EQ(MenuLine(Entry("漢字"), 12), "     漢字   ");
  EXPECT_EQ(MenuLine(Entry("far too long a caption"), 12), "     far    ");
}

TEST(MenuTextTest, ThePictureIsDrawnAgainOnlyWhereTheMenuUncoversIt) {
  TMenuOverText over;
  over.Resize(80, 24);
  EXPECT_TRUE(over.Over(true).empty()) << "no menu, nothing over the frame";
  EXPECT_FALSE(over.Show({List(5, 0)})) << "opening covers, uncovers nothing";
  EXPECT_FALSE(over.Over(false).empty()) << "drawn once it changed";
  EXPECT_TRUE(over.Over(false).empty()) << "not again while the frame leaves it alone";
  EXPECT_FALSE(over.Over(true).empty()) << "again after the frame wrote";
  EXPECT_FALSE(over.Show({List(5, 1)})) << "another line chosen";
  EXPECT_FALSE(over.Show({List(5, 1), List(3, 0)})) << "a submenu opened beside it";
  EXPECT_TRUE(over.Show({List(5, 2)})) << "the submenu closed";
  EXPECT_TRUE(over.Show({})) << "the menu closed";
  EXPECT_TRUE(over.Over(true).empty());
  EXPECT_FALSE(over.Show({}));
}

}  // namespace
