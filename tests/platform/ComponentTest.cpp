#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/Classes.h"

namespace {

// A component that writes its name into a shared log when it dies.
class TLoggedComponent : public TComponent {
 public:
  TLoggedComponent(TComponent* owner, std::string name, std::vector<std::string>& log)
      : TComponent(owner), FName(std::move(name)), FLog(log) {}
  ~TLoggedComponent() override { FLog.push_back(FName); }

 private:
  std::string FName;
  std::vector<std::string>& FLog;
};

// --- Ownership ---------------------------------------------------------------

TEST(ComponentOwnership, OwnedComponentsDieWithTheirOwnerLastInsertedFirst) {
  std::vector<std::string> log;
  auto owner = std::make_unique<TLoggedComponent>(nullptr, "owner", log);
  auto* a = new TLoggedComponent(owner.get(), "a", log);
  new TLoggedComponent(owner.get(), "b", log);
  new TLoggedComponent(a, "a.child", log);
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(a->Owner(), owner.get());

  owner.reset();
  EXPECT_EQ(log, (std::vector<std::string>{"owner", "b", "a", "a.child"}));
}

TEST(ComponentOwnership, ComponentDeletedFirstLeavesItsOwnersList) {
  std::vector<std::string> log;
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* first = new TLoggedComponent(owner.get(), "first", log);
  auto* second = new TLoggedComponent(owner.get(), "second", log);
  delete first;
  ASSERT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->Components(0), second);
  owner.reset();
  EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
}

TEST(ComponentOwnership, InsertingTakesTheComponentFromItsFormerOwner) {
  auto former = std::make_unique<TComponent>(nullptr);
  auto later = std::make_unique<TComponent>(nullptr);
  auto* moved = new TComponent(former.get());
  later->InsertComponent(moved);
  EXPECT_EQ(former->ComponentCount(), 0);
  EXPECT_EQ(later->ComponentCount(), 1);
  EXPECT_EQ(moved->Owner(), later.get());
  former.reset();  // must not free the moved component
  EXPECT_EQ(later->Components(0), moved);
}

TEST(ComponentOwnership, RemovedComponentBelongsToTheCaller) {
  auto owner = std::make_unique<TComponent>(nullptr);
  std::unique_ptr<TComponent> released(new TComponent(owner.get()));
  owner->RemoveComponent(released.get());
  EXPECT_EQ(released->Owner(), nullptr);
  EXPECT_EQ(owner->ComponentCount(), 0);
}

TEST(ComponentOwnership, AComponentCannotComeToOwnItself) {
  auto root = std::make_unique<TComponent>(nullptr);
  auto* child = new TComponent(root.get());
  auto* grandchild = new TComponent(child);
  EXPECT_THROW(root->InsertComponent(root.get()), EComponentError);
  EXPECT_THROW(grandchild->InsertComponent(root.get()), EComponentError);
  EXPECT_EQ(root->Owner(), nullptr);
  EXPECT_EQ(grandchild->Owner(), child);
}

TEST(ComponentOwnership, ComponentIndexOutOfRangeRaises) {
  TComponent owner(nullptr);
  new TComponent(&owner);
  EXPECT_THROW(owner.Components(1), EListError);
  EXPECT_THROW(owner.Components(-1), EListError);
}

// --- State -------------------------------------------------------------------

// Keeps a pointer to a component it does not own and forgets it when told.
class TWatcher : public TComponent {
 public:
  explicit TWatcher(TComponent* AOwner) : TComponent(AOwner) {}
  ~TWatcher() override = default;

  std::vector<TComponent*> Heard;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove) Heard.push_back(AComponent);
  }
};

TEST(FreeNotification, WhicheverIsFreedFirstTheOtherHearsIt) {
  TComponent owner(nullptr);
  auto* watched = new TWatcher(&owner);
  TWatcher watcher(nullptr);
  watcher.FreeNotification(watched);
  watcher.FreeNotification(watched);
  owner.RemoveComponent(watched);
  owner.InsertComponent(watched);
  const std::vector<TComponent*> expected{watched};
  delete watched;
  EXPECT_EQ(watcher.Heard, expected) << "asking twice is asking once";

  auto* other = new TWatcher(nullptr);
  {
    TWatcher first(nullptr);
    other->FreeNotification(&first);
    EXPECT_TRUE(other->Heard.empty());
  }
  EXPECT_EQ(other->Heard.size(), 1u);
  delete other;
}

TEST(FreeNotification, AnOwnerFreeingItsComponentsTellsTheirWatchers) {
  TWatcher watcher(nullptr);
  auto* owner = new TComponent(nullptr);
  auto* first = new TComponent(owner);
  auto* second = new TComponent(owner);
  watcher.FreeNotification(first);
  watcher.FreeNotification(second);
  const std::vector<TComponent*> expected{second, first};
  delete owner;
  EXPECT_EQ(watcher.Heard, expected);
}

TEST(FreeNotification, RemovedNotificationsAreNotSent) {
  TWatcher watcher(nullptr);
  auto* watched = new TWatcher(nullptr);
  watcher.FreeNotification(watched);
  watched->RemoveFreeNotification(&watcher);
  delete watched;
  EXPECT_TRUE(watcher.Heard.empty());
}

class TStateProbe : public TComponent {
 public:
  using TComponent::TComponent;
  void Loaded() override {
    StateInLoaded = ComponentState();
    TComponent::Loaded();
  }
  TComponentState StateInLoaded;
};

TEST(ComponentState, DesigningReachesOwnedComponents) {
  TComponent owner(nullptr);
  auto* owned = new TComponent(&owner);
  owner.SetDesigning(true);
  EXPECT_TRUE(owned->ComponentState().Contains(csDesigning));
  auto* later = new TComponent(&owner);
  EXPECT_TRUE(later->ComponentState().Contains(csDesigning));
  owner.SetDesigning(false);
  EXPECT_TRUE(owned->ComponentState().Empty());
  EXPECT_TRUE(later->ComponentState().Empty());
}

TEST(ComponentState, ReadingLoadsThenCallsLoadedOnce) {
  TStateProbe probe(nullptr);
  TComponentState whileReading;
  ReadComponent(probe, [&] { whileReading = probe.ComponentState(); });
  EXPECT_EQ(whileReading, (TComponentState{csLoading, csReading}));
  EXPECT_EQ(probe.StateInLoaded, TComponentState{csLoading});
  EXPECT_TRUE(probe.ComponentState().Empty());
}

TEST(ComponentState, FailedReadStopsReadingWithoutLoaded) {
  TStateProbe probe(nullptr);
  EXPECT_THROW(ReadComponent(probe, [] { throw Exception("bad stream"); }), Exception);
  EXPECT_FALSE(probe.ComponentState().Contains(csReading));
  EXPECT_TRUE(probe.StateInLoaded.Empty());
}

TEST(ComponentSet, IncludeExcludeAndCombine) {
  TComponentState state{csLoading};
  state.Include(csDesigning).Exclude(csLoading);
  EXPECT_EQ(state, TComponentState{csDesigning});
  const TComponentState both = state + TComponentState{csReading};
  EXPECT_TRUE(both.Contains(csReading));
  EXPECT_EQ(both - state, TComponentState{csReading});
  EXPECT_EQ(both * state, state);
}

// --- TList -------------------------------------------------------------------

TEST(List, KeepsOrderThroughInsertDeleteAndRemove) {
  int a = 0, b = 0, c = 0;
  TList list;
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&c), 1);
  list.Insert(1, &b);
  EXPECT_EQ(list.IndexOf(&b), 1);
  EXPECT_EQ(list.Last(), &c);
  EXPECT_EQ(list.Remove(&a), 0);
  EXPECT_EQ(list.Remove(&a), -1);
  list.Delete(1);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.First(), &b);
}

TEST(List, SetCountGrowsWithNullAndShrinksFromTheEnd) {
  int a = 0;
  TList list;
  list.Add(&a);
  list.SetCount(3);
  EXPECT_EQ(list.Items(0), &a);
  EXPECT_EQ(list.Items(2), nullptr);
  list.SetCount(0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.SetCount(-1), EListError);
}

TEST(List, IndexOutOfRangeRaises) {
  int a = 0;
  TList list;
  EXPECT_THROW(list.First(), EListError);
  list.Add(&a);
  EXPECT_THROW(list.Items(1), EListError);
  EXPECT_THROW(list.SetItems(-1, &a), EListError);
  EXPECT_THROW(list.Delete(1), EListError);
  EXPECT_THROW(list.Insert(2, &a), EListError);
  list.Insert(1, &a);
  EXPECT_EQ(list.Count(), 2);
}

}  // namespace
