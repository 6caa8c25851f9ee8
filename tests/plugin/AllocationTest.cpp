// Analysing a block must not allocate: it runs once per block on the
// player's user-interface thread. This program counts every allocation.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/plugin/AnalysisTestSupport.h"

namespace {
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

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

  const long before = gAllocations.load();
  analysis.Sampling(&soundBlock, true, output);
  analysis.Sampling(&silentBlock, true, output);
  analysis.Sampling(nullptr, true, output);
  const long after = gAllocations.load();

  EXPECT_EQ(after - before, 0);
  EXPECT_EQ(output.LevelSets, 2);
  EXPECT_EQ(output.Clears, 2);
}

}  // namespace
