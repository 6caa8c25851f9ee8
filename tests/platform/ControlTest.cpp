#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace {

std::vector<TControl*> ChildrenOf(const TWinControl& parent) {
  std::vector<TControl*> children;
  for (std::int32_t i = 0; i < parent.ControlCount(); ++i) children.push_back(parent.Controls(i));
  return children;
}

class TClickCounter : public TObject {
 public:
  void Clicked(TObject* sender) { Senders.push_back(sender); }
  std::vector<TObject*> Senders;
};

// --- The control tree --------------------------------------------------------

TEST(ControlTree, ChildrenKeepTheOrderTheyWerePutIn) {
  TPanel window(nullptr);
  auto* a = new TLabel(&window);
  auto* b = new TPanel(&window);
  auto* c = new TImage(&window);
  c->SetParent(&window);
  a->SetParent(&window);
  b->SetParent(&window);
  EXPECT_EQ(ChildrenOf(window), (std::vector<TControl*>{c, a, b}));
  EXPECT_EQ(a->Parent(), &window);
}

TEST(ControlTree, ReparentingMovesToTheEndOfTheNewParent) {
  TPanel window(nullptr);
  auto* left = new TPanel(&window);
  auto* right = new TPanel(&window);
  left->SetParent(&window);
  right->SetParent(&window);
  auto* inRight = new TLabel(&window);
  inRight->SetParent(right);
  auto* moved = new TLabel(&window);
  moved->SetParent(left);

  moved->SetParent(right);
  EXPECT_EQ(ChildrenOf(*left), std::vector<TControl*>{});
  EXPECT_EQ(ChildrenOf(*right), (std::vector<TControl*>{inRight, moved}));
  moved->SetParent(nullptr);
  EXPECT_EQ(ChildrenOf(*right), std::vector<TControl*>{inRight});
  EXPECT_EQ(moved->Parent(), nullptr);
}

TEST(ControlTree, DeletedControlLeavesItsParent) {
  TPanel window(nullptr);
  auto* a = new TLabel(&window);
  auto* b = new TLabel(&window);
  a->SetParent(&window);
  b->SetParent(&window);
  delete a;
  EXPECT_EQ(ChildrenOf(window), std::vector<TControl*>{b});
}

TEST(ControlTree, ParentAndOwnerAreIndependent) {
  TPanel window(nullptr);
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* label = new TLabel(owner.get());
  label->SetParent(&window);
  EXPECT_EQ(window.ComponentCount(), 0);
  owner.reset();  // the owner frees the label, which leaves the window
  EXPECT_EQ(window.ControlCount(), 0);
}

TEST(ControlTree, DeletedParentLeavesItsChildrenToTheirOwners) {
  TComponent owner(nullptr);
  auto parent = std::make_unique<TPanel>(nullptr);
  auto* child = new TLabel(&owner);
  child->SetParent(parent.get());
  parent.reset();
  EXPECT_EQ(child->Parent(), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(ControlTree, OwnerThatIsAlsoParentFreesItsChildrenOnce) {
  auto panel = std::make_unique<TPanel>(nullptr);
  for (int i = 0; i < 5; ++i) (new TLabel(panel.get()))->SetParent(panel.get());
  auto* inner = new TPanel(panel.get());
  inner->SetParent(panel.get());
  (new TLabel(panel.get()))->SetParent(inner);
  EXPECT_EQ(panel->ControlCount(), 6);
  panel.reset();  // the sanitizers report any double free or leak
}

TEST(ControlTree, AControlCannotLieInsideItself) {
  TPanel outer(nullptr);
  auto* inner = new TPanel(&outer);
  inner->SetParent(&outer);
  EXPECT_THROW(outer.SetParent(&outer), EInvalidOperation);
  EXPECT_THROW(outer.SetParent(inner), EInvalidOperation);
  EXPECT_EQ(outer.Parent(), nullptr);
  EXPECT_EQ(inner->Parent(), &outer);
}

// --- Properties and events ---------------------------------------------------

TEST(ControlProperties, PlatformDefaults) {
  TPanel panel(nullptr);
  EXPECT_EQ(panel.BevelWidth(), 1);
  EXPECT_EQ(panel.BevelOuter(), bvRaised);
  EXPECT_EQ(panel.BevelInner(), bvNone);
  EXPECT_EQ(panel.Color(), clBtnFace);
  EXPECT_TRUE(panel.Visible());
  EXPECT_EQ(panel.Cursor(), crDefault);
  EXPECT_FALSE(panel.ShowHint());
  TLabel label(nullptr);
  EXPECT_TRUE(label.AutoSize());
  EXPECT_EQ(label.Caption(), "");
  TImage image(nullptr);
  EXPECT_TRUE(image.Picture()->Bitmap()->Empty());
}

TEST(ControlProperties, SetBoundsAndBoundsRect) {
  TLabel label(nullptr);
  label.SetBounds(3, 4, 10, 20);
  label.SetLeft(5);
  EXPECT_EQ(label.BoundsRect(), Rect(5, 4, 15, 24));
  label.SetHeight(2);
  EXPECT_EQ(label.Height(), 2);
}

TEST(ControlEvents, ClickReachesTheHandlerWithTheControlAsSender) {
  TClickCounter counter;
  TLabel label(nullptr);
  label.Click();  // unassigned: nothing happens
  label.OnClick = TNotifyEvent(&counter, &TClickCounter::Clicked);
  label.OnDblClick = TNotifyEvent(&counter, &TClickCounter::Clicked);
  label.Click();
  label.DblClick();
  EXPECT_EQ(counter.Senders, (std::vector<TObject*>{&label, &label}));
}

TEST(ControlRepaint, ChangesAskForRepaintUpToTheTopAndSameValuesDoNot) {
  TPanel window(nullptr);
  auto* panel = new TPanel(&window);
  panel->SetParent(&window);
  auto* label = new TLabel(&window);
  label->SetParent(panel);
  const std::uint64_t windowBefore = window.RepaintRequests();
  const std::uint64_t panelBefore = panel->RepaintRequests();

  label->SetColor(clRed);
  EXPECT_EQ(window.RepaintRequests(), windowBefore + 1);
  EXPECT_EQ(panel->RepaintRequests(), panelBefore + 1);

  label->SetColor(clRed);
  label->SetVisible(true);
  label->SetBounds(label->Left(), label->Top(), label->Width(), label->Height());
  EXPECT_EQ(window.RepaintRequests(), windowBefore + 1);

  label->SetVisible(false);
  panel->SetBevelInner(bvLowered);
  label->Invalidate();
  EXPECT_EQ(window.RepaintRequests(), windowBefore + 4);
}

}  // namespace
