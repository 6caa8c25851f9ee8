#include <gtest/gtest.h>

#include <vector>

#include "platform/render/HitTest.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace {

class TClickLog : public TObject {
 public:
  void Clicked(TObject* sender) { Clicks.push_back(sender); }
  void DoubleClicked(TObject* sender) { DoubleClicks.push_back(sender); }
  std::vector<TObject*> Clicks;
  std::vector<TObject*> DoubleClicks;
};

// A 100 x 50 window holding a panel at (10, 10) of 40 x 30, with two
// overlapping labels inside it.
class HitTestTest : public ::testing::Test {
 protected:
  HitTestTest() : Window(nullptr) {
    Window.SetBounds(0, 0, 100, 50);
    Panel = new TPanel(&Window);
    Panel->SetParent(&Window);
    Panel->SetBounds(10, 10, 40, 30);
    Lower = new TLabel(&Window);
    Lower->SetParent(Panel);
    Lower->SetBounds(0, 0, 20, 20);
    Upper = new TLabel(&Window);
    Upper->SetParent(Panel);
    Upper->SetBounds(10, 10, 20, 20);
  }

  TPanel Window;
  TPanel* Panel;
  TLabel* Lower;
  TLabel* Upper;
};

TEST_F(HitTestTest, FindsTheTopmostControlAtAPoint) {
  EXPECT_EQ(HitTest(Window, 15, 15), Lower);
  EXPECT_EQ(HitTest(Window, 25, 25), Upper);  // both labels are there
  EXPECT_EQ(HitTest(Window, 45, 15), Panel);
  EXPECT_EQ(HitTest(Window, 5, 5), &Window);
}

TEST_F(HitTestTest, EdgesIncludeLeftAndTopOnly) {
  EXPECT_EQ(HitTest(Window, 10, 10), Lower);
  EXPECT_EQ(HitTest(Window, 49, 39), Panel);
  EXPECT_EQ(HitTest(Window, 50, 39), &Window);
  EXPECT_EQ(HitTest(Window, 40, 40), &Window);
}

TEST_F(HitTestTest, InvisibleControlsAndWhatTheyHoldAreSkipped) {
  Upper->SetVisible(false);
  EXPECT_EQ(HitTest(Window, 25, 25), Lower);
  Panel->SetVisible(false);
  EXPECT_EQ(HitTest(Window, 15, 15), &Window);
  Window.SetVisible(false);
  EXPECT_EQ(HitTest(Window, 15, 15), nullptr);
}

TEST_F(HitTestTest, ChildrenOutsideTheirParentCannotBeHit) {
  Upper->SetBounds(35, 0, 20, 20);  // reaches 15 pixels past the panel
  EXPECT_EQ(HitTest(Window, 55, 15), &Window);
  EXPECT_EQ(HitTest(Window, 47, 15), Upper);
}

TEST_F(HitTestTest, PointsOutsideTheRootHitNothing) {
  EXPECT_EQ(HitTest(Window, -1, 0), nullptr);
  EXPECT_EQ(HitTest(Window, 0, 50), nullptr);
  EXPECT_EQ(HitTest(Window, 1LL << 40, 1), nullptr);
}

TEST_F(HitTestTest, ClickReachesTheHandlerOfTheControlHitWithItAsSender) {
  TClickLog log;
  Upper->OnClick = TNotifyEvent(&log, &TClickLog::Clicked);
  Upper->OnDblClick = TNotifyEvent(&log, &TClickLog::DoubleClicked);
  Panel->OnClick = TNotifyEvent(&log, &TClickLog::Clicked);

  EXPECT_EQ(ClickAt(Window, 25, 25), Upper);
  EXPECT_EQ(ClickAt(Window, 45, 15), Panel);
  EXPECT_EQ(ClickAt(Window, 15, 15), Lower);  // no handler: nothing runs
  EXPECT_EQ(DblClickAt(Window, 25, 25), Upper);
  EXPECT_EQ(ClickAt(Window, 200, 200), nullptr);

  EXPECT_EQ(log.Clicks, (std::vector<TObject*>{Upper, Panel}));
  EXPECT_EQ(log.DoubleClicks, std::vector<TObject*>{Upper});
}

}  // namespace
