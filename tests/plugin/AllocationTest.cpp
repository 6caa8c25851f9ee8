// Analysing a block must not allocate: it runs once per block on the
// player's user-interface thread. This program counts every allocation.
#include <gtest/gtest.h>

#include "tests/plugin/AnalysisTestSupport.h"
#include "tests/support/CountingAllocator.h"

namespace {

class CountingOutput final : public TAnalysisOutput {
 public:
  void ClearPanels() override { ++Clears; }
  void SetLevels(TChannel, const TBandLevels&) override { ++LevelSets; }
  int Clears = 0;
  int LevelSets = 0;
};

TEST(AllocationTest, AnalysingBlocksAllocatesNothing) {
  TSpectrumAnalysis analysis;
  analysis.FRecLevel = 150;
  analysis.FSpeanaPattern = 2;
  analysis.FAdjustSpeanaLevel = 100;
  std::vector<std::uint32_t> sound = analysis_test::CosineFrames(10000, 12);
  std::vector<std::uint32_t> silence(2048, 0);
  const TSampleBlock soundBlock = analysis_test::BlockOf(sound);
  const TSampleBlock silentBlock = analysis_test::BlockOf(silence);
  CountingOutput output;

  const long before = AllocationCount();
  analysis.Sampling(&soundBlock, true, output);
  analysis.Sampling(&silentBlock, true, output);
  analysis.Sampling(nullptr, true, output);
  const long after = AllocationCount();

  EXPECT_EQ(after - before, 0);
  EXPECT_EQ(output.LevelSets, 2);
  EXPECT_EQ(output.Clears, 2);
}

}  // namespace
