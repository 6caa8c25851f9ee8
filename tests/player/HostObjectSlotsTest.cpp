// The host plug-in object's table as the plug-in reaches it: slot n is the
// n-th pointer of the table, whatever the names in the shared header say.
// The player's object is called through the raw slots 0, 1, 2, 13, 14 and
// 15, and the header's layout is checked against the same numbers.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "player/host/HostPluginObject.h"
#include "plugin/PlayerContract.h"

namespace {

using namespace kivo;

constexpr std::size_t kSlotCount = 16;

template <typename Function>
Function Slot(const THostPluginObject* object, std::size_t slot) {
  static_assert(sizeof(Function) == sizeof(void*));
  Function function = nullptr;
  std::memcpy(&function,
              reinterpret_cast<const unsigned char*>(object->VTable) + slot * sizeof(void*),
              sizeof function);
  return function;
}

std::size_t SlotOf(std::size_t offset) { return offset / sizeof(void*); }

TEST(HostObjectSlots, TheSharedTableHasSixteenSlotsWithTheOperationsAtTheirNumbers) {
  EXPECT_EQ(sizeof(THostPluginVTable), kSlotCount * sizeof(void*));
  EXPECT_EQ(SlotOf(offsetof(THostPluginVTable, GetHostVersion)), 0u);
  EXPECT_EQ(SlotOf(offsetof(THostPluginVTable, AcceptsVersion)), 1u);
  EXPECT_EQ(SlotOf(offsetof(THostPluginVTable, ExitPlugin)), 2u);
  EXPECT_EQ(SlotOf(offsetof(THostPluginVTable, Unused)), 3u);
  EXPECT_EQ(sizeof(THostPluginVTable::Unused), 10 * sizeof(void*));
  EXPECT_EQ(SlotOf(offsetof(THostPluginVTable, GetHostComponent)), 13u);
  EXPECT_EQ(SlotOf(offsetof(THostPluginVTable, AttachControl)), 14u);
  EXPECT_EQ(SlotOf(offsetof(THostPluginVTable, GetOwnerComponent)), 15u);
  EXPECT_EQ(offsetof(THostPluginObject, VTable), 0u) << "the table is the object's first word";
}

TEST(HostObjectSlots, ThePlayersObjectAnswersThroughTheRawSlots) {
  TVisualisationWindow windows({40, 30});
  THostPlugin host({6123, true}, windows);
  THostPluginObject* object = host.Object();
  for (std::size_t slot = 0; slot < kSlotCount; ++slot)
    EXPECT_NE(Slot<void (*)(THostPluginObject*)>(object, slot), nullptr) << "slot " << slot;

  EXPECT_EQ(Slot<std::int32_t (*)(THostPluginObject*)>(object, 0)(object), 6123);
  EXPECT_NE(
      Slot<std::uint32_t (*)(THostPluginObject*, std::int32_t)>(object, 1)(object, 6000) & 0xFF,
      0u);
  EXPECT_EQ(host.AskedVersions(), std::vector<std::int32_t>{6000});
  Slot<std::int32_t (*)(THostPluginObject*)>(object, 2)(object);
  EXPECT_EQ(host.ExitCount(), 1);

  using TGetHostComponent = TComponent* (*)(THostPluginObject*, std::int32_t);
  EXPECT_EQ(Slot<TGetHostComponent>(object, 13)(object, 1), &windows.Window());
  EXPECT_EQ(Slot<TGetHostComponent>(object, 13)(object, 33), &windows.SecondWindow());
  TControl* control = &windows.SecondWindow();
  Slot<void (*)(THostPluginObject*, TControl*)>(object, 14)(object, control);
  EXPECT_EQ(host.AttachedControls(), std::vector<TControl*>{control});
  EXPECT_EQ(Slot<TComponent* (*)(THostPluginObject*)>(object, 15)(object), &windows.Owner());
}

}  // namespace
