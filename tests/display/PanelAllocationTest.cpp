// Forty meters are set per analysed block: in the steady state that must
// not allocate. This program counts every allocation.
#include <gtest/gtest.h>

#include "tests/display/DisplayTestSupport.h"
#include "tests/support/CountingAllocator.h"

namespace {

// Levels that rise and fall so that bars, peaks and hold counters all move.
void RunBlocks(TSpeanaPanel& left, TSpeanaPanel& right, std::int32_t blocks) {
  for (std::int32_t block = 0; block < blocks; ++block) {
    for (std::int32_t k = 0; k < 10; ++k) {
      const std::int32_t level = (block * 7 + k * 3) % 14 - 2;
      left.SetLevel(k, level);
      right.SetLevel(k, 10 - level);
    }
  }
}

TEST(PanelAllocationTest, SettingLevelsAllocatesNothing) {
  const long atStart = AllocationCount();
  display_test::TWindow window;
  display_test::TPanelSetup bars;
  display_test::TPanelSetup columns;
  columns.Direction = 7;
  TSpeanaPanel* left = display_test::MakePanel(window, bars);
  TSpeanaPanel* right = display_test::MakePanel(window, columns);
  display_test::SetDefaultColors(*left);
  display_test::SetDefaultColors(*right);
  ASSERT_GT(AllocationCount(), atStart) << "the counter sees the layout's allocations";

  for (const std::uint8_t mode : {1, 2, 3}) {
    left->SetPeakMode(mode);
    right->SetPeakMode(mode);
    const long before = AllocationCount();
    RunBlocks(*left, *right, 200);
    left->ClearLevels();
    EXPECT_EQ(AllocationCount() - before, 0) << "peak mode " << int{mode};
  }
}

}  // namespace
