#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

#include "tests/plugin/AnalysisTestSupport.h"

namespace {

using analysis_test::BlockOf;
using analysis_test::CosineFrames;
using analysis_test::Frame;
using analysis_test::TRecorder;

constexpr TBandLevels kSilentBands{};

class SpectrumAnalysisTest : public ::testing::Test {
 protected:
  SpectrumAnalysisTest() {
    Analysis.FRecLevel = 100;
    Analysis.FSpeanaPattern = 2;
    Analysis.FAdjustSpeanaLevel = 100;
  }

  TRecorder Run(const TSampleBlock& block) {
    TRecorder recorder;
    Analysis.Sampling(&block, true, recorder);
    return recorder;
  }

  TRecorder Run(std::vector<std::uint32_t> frames) {
    const TSampleBlock block = BlockOf(frames);
    return Run(block);
  }

  TSpectrumAnalysis Analysis;
};

// --- Frame count -----------------------------------------------------------

TEST_F(SpectrumAnalysisTest, SizeBelowOneFrameIsSilent) {
  std::vector<std::uint32_t> frames{Frame(30000, 30000), Frame(30000, 30000)};
  const TRecorder result = Run(TSampleBlock{frames.data(), 8, 3});
  EXPECT_EQ(result.Clears, 1);
  EXPECT_TRUE(result.Left.empty());
}

TEST_F(SpectrumAnalysisTest, PartialFrameAtTheEndIsDropped) {
  // The first frame alone is barely sound; the second lights the top band.
  std::vector<std::uint32_t> frames{Frame(300, 0), Frame(32767, 32767)};
  const TRecorder seven = Run(TSampleBlock{frames.data(), 8, 7});
  const TRecorder one = Run(TSampleBlock{frames.data(), 8, 4});
  const TRecorder two = Run(TSampleBlock{frames.data(), 8, 8});
  ASSERT_EQ(seven.Left.size(), 1u);
  EXPECT_EQ(seven.Left, one.Left);
  EXPECT_EQ(seven.Right, one.Right);
  EXPECT_NE(seven.Right, two.Right);
}

TEST_F(SpectrumAnalysisTest, AtMost2048FramesAreAnalysed) {
  std::vector<std::uint32_t> frames(2049, Frame(0, 0));
  frames[2047] = Frame(30000, 30000);
  EXPECT_EQ(Run(TSampleBlock{frames.data(), 8196, 8195}).Left.size(), 1u)
      << "8195 bytes hold 2048 whole frames";

  frames[2047] = Frame(0, 0);
  frames[2048] = Frame(30000, 30000);
  EXPECT_EQ(Run(TSampleBlock{frames.data(), 8196, 8196}).Clears, 1)
      << "frame 2048 lies beyond the analysed frames";
}

// --- Silence ---------------------------------------------------------------

TEST_F(SpectrumAnalysisTest, SilenceEndsAtMagnitudeSum256) {
  EXPECT_EQ(Run({Frame(200, 55), Frame(-100, -155), Frame(0, 0)}).Clears, 1);
  EXPECT_EQ(Run({Frame(200, 56)}).Left.size(), 1u);
  EXPECT_EQ(Run({Frame(-128, -128)}).Left.size(), 1u);
  // Quiet frames whose sums only together pass 255 stay silent.
  EXPECT_EQ(Run({Frame(128, 0), Frame(127, 0), Frame(0, -64)}).Clears, 1);
}

TEST_F(SpectrumAnalysisTest, ZeroRecordingLevelSilencesEverything) {
  Analysis.FRecLevel = 0;
  EXPECT_EQ(Run(CosineFrames(30000, 12)).Clears, 1);
}

// --- Recording level -------------------------------------------------------

TEST(RecLevelTest, ScalesTruncatesTowardZeroAndClamps) {
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(20000, 200), 32767);
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(-20000, 200), -32768);
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(-3, 50), -1);
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(3, 50), 1);
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(1001, 150), 1501);
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(-32768, 0), 0);
}

TEST(RecLevelTest, NoLevelOverflows) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(32767, kMax), 32767);
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(-32768, kMax), -32768);
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(32767, kMin), -32768);
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(-32768, kMin), 32767);
  EXPECT_EQ(TSpectrumAnalysis::ApplyRecLevel(-1, kMax), -32768);
}

TEST_F(SpectrumAnalysisTest, RecordingLevelAppliesBeforeTheSilenceTest) {
  Analysis.FRecLevel = 50;
  EXPECT_EQ(Run({Frame(300, 200)}).Clears, 1) << "300 + 200 halved is 250";
  Analysis.FRecLevel = 200;
  EXPECT_EQ(Run({Frame(100, 28)}).Left.size(), 1u) << "100 + 28 doubled is 256";
}

TEST_F(SpectrumAnalysisTest, HugeRecordingLevelGivesFullScaleLevels) {
  Analysis.FRecLevel = 100'000;
  const TRecorder loud = Run({Frame(1000, 1000)});
  Analysis.FRecLevel = 100;
  const TRecorder fullScale = Run({Frame(32767, 32767)});
  EXPECT_EQ(loud.Left, fullScale.Left);
  EXPECT_EQ(loud.Right, fullScale.Right);
}

// --- Levels ----------------------------------------------------------------

TEST_F(SpectrumAnalysisTest, SingleFullScaleFrameLightsOnlyTheTopBand) {
  const TRecorder result = Run({Frame(32767, 32767)});
  const TBandLevels expected{0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
  ASSERT_EQ(result.Left.size(), 1u);
  ASSERT_EQ(result.Right.size(), 1u);
  EXPECT_EQ(result.Left[0], expected);
  EXPECT_EQ(result.Right[0], expected);
}

TEST_F(SpectrumAnalysisTest, TwelveCycleCosineLightsBandOne) {
  const TRecorder result = Run(CosineFrames(10000, 12));
  const TBandLevels expected{0, 6, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(result.Left.size(), 1u);
  EXPECT_EQ(result.Left[0], expected);
  EXPECT_EQ(result.Right[0], expected);
}

TEST_F(SpectrumAnalysisTest, LeftIsAnalysedBeforeRightAndChannelsStaySeparate) {
  std::vector<std::uint32_t> frames = CosineFrames(10000, 12);
  for (auto& frame : frames) frame &= 0xFFFF;  // right channel silent
  std::vector<TChannel> order;
  TRecorder recorder;
  recorder.OnSetLevels = [&](TChannel channel) { order.push_back(channel); };
  const TSampleBlock block = BlockOf(frames);
  Analysis.Sampling(&block, true, recorder);
  EXPECT_EQ(order, (std::vector<TChannel>{TChannel::Left, TChannel::Right}));
  EXPECT_EQ(recorder.Left[0][1], 6);
  EXPECT_EQ(recorder.Right[0], kSilentBands);
}

TEST_F(SpectrumAnalysisTest, PatternSelectsEdgesAndGains) {
  // Bin 12 lies in band 4 of pattern 3 (bins 11..13), gain 258: x is about 9.84.
  Analysis.FSpeanaPattern = 3;
  const TRecorder result = Run(CosineFrames(10000, 12));
  EXPECT_EQ(result.Left[0], (TBandLevels{0, 0, 0, 0, 9, 0, 0, 0, 0, 0}));
}

TEST_F(SpectrumAnalysisTest, PatternWithoutTableFallsBackToDefault) {
  const TRecorder fallback = Run(CosineFrames(10000, 12));
  for (const std::int32_t pattern : {-1, 6, 7, std::numeric_limits<std::int32_t>::max()}) {
    Analysis.FSpeanaPattern = pattern;
    EXPECT_EQ(Run(CosineFrames(10000, 12)).Left, fallback.Left) << "pattern " << pattern;
  }
}

TEST(BandLevelTest, HalvesRoundUpAndLevelsCapAtTen) {
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(62'500, 100, 100), 1);  // x = 1.5
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(62'499, 100, 100), 1);
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(31'249, 100, 100), 0);
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(593'750, 100, 100), 10);    // x = 10.0
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(625'000, 100, 100), 10);    // x = 10.5
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(3'531'250, 100, 100), 10);  // x = 57
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(62'500.99, 100, 100), 1) << "the sum is truncated first";
}

TEST(BandLevelTest, ExactWholeLevelsSurviveTheArithmetic) {
  // In double precision this lands on 4.999999999999999.
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(562'500, 20, 250), 5);
}

TEST(BandLevelTest, NegativeAdjustmentGivesNegativeLevels) {
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(625'000, 100, -100), -9);  // x = -9.5
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(0, 100, -100), 0);
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(1.5e9, 805, std::numeric_limits<std::int32_t>::min()),
            std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(TSpectrumAnalysis::BandLevel(1.5e9, 805, std::numeric_limits<std::int32_t>::max()), 10);
}

// --- Busy flag and invalid blocks ------------------------------------------

TEST_F(SpectrumAnalysisTest, InvalidBlocksClearThePanels) {
  std::vector<std::uint32_t> frames = CosineFrames(10000, 12);
  EXPECT_EQ(Run(TSampleBlock{frames.data(), 100, 101}).Clears, 1) << "Size above Capacity";
  EXPECT_EQ(Run(TSampleBlock{nullptr, 8192, 8192}).Clears, 1) << "no samples";
  TRecorder recorder;
  Analysis.Sampling(nullptr, true, recorder);
  EXPECT_EQ(recorder.Clears, 1) << "no block";
  EXPECT_TRUE(recorder.Left.empty());
}

TEST_F(SpectrumAnalysisTest, HiddenPanelsIgnoreEveryBlock) {
  std::vector<std::uint32_t> frames = CosineFrames(10000, 12);
  const TSampleBlock valid = BlockOf(frames);
  const TSampleBlock invalid{frames.data(), 4, 8};
  TRecorder recorder;
  Analysis.Sampling(&valid, false, recorder);
  Analysis.Sampling(&invalid, false, recorder);
  Analysis.Sampling(nullptr, false, recorder);
  EXPECT_TRUE(recorder.NothingHappened());
}

TEST_F(SpectrumAnalysisTest, BlockArrivingDuringABlockIsDropped) {
  std::vector<std::uint32_t> outer = CosineFrames(10000, 12);
  std::vector<std::uint32_t> inner = CosineFrames(20000, 40);
  const TSampleBlock outerBlock = BlockOf(outer);
  const TSampleBlock innerBlock = BlockOf(inner);
  const TSampleBlock invalidBlock{inner.data(), 4, 8};

  TRecorder nested;
  TRecorder recorder;
  recorder.OnSetLevels = [&](TChannel channel) {
    if (channel != TChannel::Left) return;
    Analysis.Sampling(&innerBlock, true, nested);
    Analysis.Sampling(&invalidBlock, true, nested);
    Analysis.Sampling(nullptr, true, nested);
  };
  Analysis.Sampling(&outerBlock, true, recorder);

  EXPECT_TRUE(nested.NothingHappened());
  ASSERT_EQ(recorder.Right.size(), 1u);
  EXPECT_EQ(recorder.Right[0][1], 6) << "the outer block is finished undisturbed";

  // Once the outer block is done, blocks are taken again.
  EXPECT_EQ(Run(innerBlock).Left.size(), 1u);
}

TEST_F(SpectrumAnalysisTest, FailureInsideABlockDoesNotBlockLaterOnes) {
  std::vector<std::uint32_t> frames = CosineFrames(10000, 12);
  const TSampleBlock block = BlockOf(frames);
  TRecorder failing;
  failing.OnSetLevels = [](TChannel) { throw std::runtime_error("panel failed"); };
  EXPECT_THROW(Analysis.Sampling(&block, true, failing), std::runtime_error);

  const TRecorder next = Run(block);
  ASSERT_EQ(next.Left.size(), 1u);
  EXPECT_EQ(next.Left[0][1], 6);
}

TEST_F(SpectrumAnalysisTest, LeftoversOfALongerBlockDoNotLeakIntoAShorterOne) {
  Run(CosineFrames(30000, 100));
  const TRecorder result = Run({Frame(32767, 32767)});
  EXPECT_EQ(result.Left[0], (TBandLevels{0, 0, 0, 0, 0, 0, 0, 0, 0, 2}));
}

}  // namespace
