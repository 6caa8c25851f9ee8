// Menu wrappers: the four fixed ones, the list made on demand, and the
// player's menu notifications.
#include "tests/hostlink/KivoTestSupport.h"

namespace kivo_test {
namespace {

using ::testing::ElementsAre;

class KivoMenuTest : public TKivoTest {};

// Writes down which wrapper was chosen.
struct TMenuSelect {
  std::vector<std::string>& Log;
  void Select(TObject* Sender) {
    Log.push_back("OnSelect " + std::to_string(static_cast<TKIVOMenu*>(Sender)->MenuId));
  }
};

TEST_F(KivoMenuTest, FixedWrappersAreTheSameObjectsBeforeDuringAndAfterBinding) {
  StartPlayer();
  TKIVO& kivo = MakeKivo();
  TKIVOMenu* fixed[4];
  const int ids[4] = {0x4000, 0x5000, 0x9000, 0x8000};
  for (int i = 0; i < 4; ++i) {
    fixed[i] = kivo.GetMenu(ids[i]);
    ASSERT_NE(fixed[i], nullptr);
    EXPECT_EQ(fixed[i]->MenuId, ids[i]);
    EXPECT_EQ(fixed[i]->Owner(), &kivo);
  }
  kivo.Bind();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(kivo.GetMenu(ids[i]), fixed[i]);
  kivo.Unbind();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(kivo.GetMenu(ids[i]), fixed[i]);
  EXPECT_EQ(kivo.MenuCount(), 0);
}

TEST_F(KivoMenuTest, AnIdentifierGetsOneWrapperUntilTheListIsCleared) {
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.GetMenu(0), nullptr);
  TKIVOMenu* seven = kivo.GetMenu(7);
  EXPECT_EQ(kivo.GetMenu(7), seven);
  EXPECT_EQ(kivo.MenuCount(), 1);
  EXPECT_EQ(kivo.GetMenu(-1)->MenuId, -1);
  EXPECT_EQ(kivo.MenuCount(), 2);
  kivo.ClearMenuList();
  EXPECT_EQ(kivo.MenuCount(), 0);
  seven = kivo.GetMenu(7);
  seven->SetTag(1);
  EXPECT_EQ(kivo.GetMenu(7)->Tag(), 1);
  EXPECT_EQ(kivo.MenuCount(), 1);
}

TEST_F(KivoMenuTest, RemovingNullFreesOnlyTheFirstListedWrapper) {
  TKIVO& kivo = MakeKivo();
  EXPECT_EQ(kivo.RemoveMenu(nullptr), nullptr);
  kivo.GetMenu(1);
  TKIVOMenu* two = kivo.GetMenu(2);
  TKIVOMenu* three = kivo.GetMenu(3);
  const int owned = kivo.ComponentCount();
  EXPECT_NE(kivo.RemoveMenu(nullptr), nullptr);
  EXPECT_EQ(kivo.MenuCount(), 2);
  EXPECT_EQ(kivo.ComponentCount(), owned - 1);
  EXPECT_EQ(kivo.GetMenu(2), two);
  EXPECT_EQ(kivo.GetMenu(3), three);
}

TEST_F(KivoMenuTest, RemovingAWrapperHandsItToTheCaller) {
  TKIVO& kivo = MakeKivo();
  TKIVOMenu* five = kivo.GetMenu(5);
  EXPECT_EQ(kivo.RemoveMenu(five), five);
  EXPECT_EQ(kivo.MenuCount(), 0);
  EXPECT_EQ(kivo.RemoveMenu(five), nullptr);
  EXPECT_EQ(kivo.RemoveMenu(kivo.GetMenu(0x4000)), nullptr);
  delete five;
}

TEST_F(KivoMenuTest, DeletingFreesListedWrappersAndLeavesFixedOnes) {
  TKIVO& kivo = MakeKivo();
  TKIVOMenu* fixed = kivo.GetMenu(0x5000);
  const int owned = kivo.ComponentCount();
  kivo.DeleteMenu(fixed);
  EXPECT_EQ(kivo.GetMenu(0x5000), fixed);
  EXPECT_EQ(kivo.ComponentCount(), owned);
  kivo.GetMenu(8);
  TKIVOMenu* nine = kivo.GetMenu(9);
  kivo.DeleteMenu(nine);
  EXPECT_EQ(kivo.MenuCount(), 1);
  EXPECT_EQ(kivo.ComponentCount(), owned + 1);
  kivo.DeleteMenu(nullptr);
  EXPECT_EQ(kivo.MenuCount(), 0);
  EXPECT_EQ(kivo.ComponentCount(), owned);
}

// The four fixed wrappers are the component's only other components, so
// its component count tells whether a wrapper left the list was freed too.
constexpr int kFixedWrappers = 4;

TEST_F(KivoMenuTest, BindingAndUnbindingClearTheListAndFreeTheWrappers) {
  StartPlayer();
  TKIVO& kivo = MakeKivo();
  ASSERT_EQ(kivo.ComponentCount(), kFixedWrappers);
  kivo.GetMenu(1);
  kivo.GetMenu(2);
  kivo.Bind();
  EXPECT_EQ(kivo.MenuCount(), 0);
  EXPECT_EQ(kivo.ComponentCount(), kFixedWrappers);
  kivo.GetMenu(3);
  kivo.GetMenu(4);
  kivo.GetMenu(5);
  kivo.Unbind();
  EXPECT_EQ(kivo.MenuCount(), 0);
  EXPECT_EQ(kivo.ComponentCount(), kFixedWrappers);
}

TEST_F(KivoMenuTest, ClearingTheListFreesTheWrappers) {
  TKIVO& kivo = MakeKivo();
  kivo.GetMenu(1);
  kivo.GetMenu(2);
  ASSERT_EQ(kivo.ComponentCount(), kFixedWrappers + 2);
  kivo.ClearMenuList();
  EXPECT_EQ(kivo.ComponentCount(), kFixedWrappers);
}

TEST_F(KivoMenuTest, AChosenItemCallsItsHandlerThenOnMenu) {
  TKIVO& kivo = BoundKivo();
  std::vector<std::string> log;
  TRecorder menu(log, "OnMenu");
  TMenuSelect select{log};
  kivo.OnMenu = TNotifyEvent(&menu, &TRecorder::Notify);
  kivo.GetMenu(0x9000)->OnSelect = TNotifyEvent(&select, &TMenuSelect::Select);
  Notify(0x800, 0x9000);
  Notify(0x800, 0);
  Notify(0x800, 42);
  EXPECT_THAT(log, ElementsAre("OnSelect 36864", "OnMenu", "OnMenu", "OnMenu"));
  EXPECT_EQ(menu.Senders[0], kivo.GetMenu(0x9000));
  EXPECT_EQ(menu.Senders[1], nullptr);
  EXPECT_EQ(menu.Senders[2], kivo.GetMenu(42));
  EXPECT_EQ(kivo.MenuCount(), 1);
}

// A handler that unbinds the component, which frees the listed wrappers.
struct TUnbindingSelect {
  TKIVO* Kivo;
  void Select(TObject*) { Kivo->Unbind(); }
};

TEST_F(KivoMenuTest, AHandlerThatFreesItsWrapperLeavesOnMenuWithoutOne) {
  TKIVO& kivo = BoundKivo();
  std::vector<std::string> log;
  TRecorder menu(log, "OnMenu");
  TUnbindingSelect select{&kivo};
  kivo.OnMenu = TNotifyEvent(&menu, &TRecorder::Notify);
  kivo.GetMenu(42)->OnSelect = TNotifyEvent(&select, &TUnbindingSelect::Select);
  Notify(0x800, 42);
  ASSERT_THAT(log, ElementsAre("OnMenu"));
  EXPECT_EQ(menu.Senders[0], nullptr);
}

TEST_F(KivoMenuTest, DeletedItemsLeaveTheListAndFixedOnesStay) {
  TKIVO& kivo = BoundKivo();
  TKIVOMenu* fixed = kivo.GetMenu(0x4000);
  kivo.GetMenu(11);
  kivo.GetMenu(12);
  Notify(0x4000001B, 0x4000);
  EXPECT_EQ(kivo.GetMenu(0x4000), fixed);
  EXPECT_EQ(kivo.MenuCount(), 2);
  Notify(0x4000001B, 11);
  EXPECT_EQ(kivo.MenuCount(), 1);
  EXPECT_EQ(kivo.ComponentCount(), kFixedWrappers + 1) << "the deleted wrapper is freed";
  kivo.NotifyDeleteMenu(12);
  EXPECT_EQ(kivo.MenuCount(), 0);
  EXPECT_EQ(kivo.ComponentCount(), kFixedWrappers);
}

TEST_F(KivoMenuTest, AMenuAboutToShowNeedsAHandlerAndAnIdentifier) {
  TKIVO& kivo = BoundKivo();
  Notify(0x40000016, 77);
  EXPECT_EQ(kivo.MenuCount(), 0) << "no wrapper without a handler";
  std::vector<std::string> log;
  TRecorder display(log, "OnDisplayMenu");
  kivo.OnDisplayMenu = TNotifyEvent(&display, &TRecorder::Notify);
  Notify(0x40000016, 0);
  EXPECT_TRUE(log.empty());
  Notify(0x40000016, 77);
  ASSERT_THAT(log, ElementsAre("OnDisplayMenu"));
  EXPECT_EQ(display.Senders[0], kivo.GetMenu(77));
  EXPECT_EQ(kivo.MenuCount(), 1);
}

}  // namespace
}  // namespace kivo_test
