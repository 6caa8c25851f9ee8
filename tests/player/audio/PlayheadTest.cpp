#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "player/audio/PlayedFrames.h"
#include "player/audio/Playhead.h"
#include "player/audio/SilentOutput.h"
#include "tests/player/audio/FakeClock.h"

namespace {

using namespace std::chrono_literals;
using kivo::Frame;
using kivo::Playhead;
using std::chrono::nanoseconds;

constexpr std::uint32_t kRate = 44100;

TEST(PlayheadTest, AdvancesInRealTimeFromItsAnchorUpToItsLimit) {
  Playhead playhead(kRate);
  const nanoseconds start = 5s;
  playhead.Anchor(1000, 1000 + kRate, start);
  EXPECT_EQ(playhead.Position(start), 1000u);
  EXPECT_EQ(playhead.Position(start + 500ms), 1000u + kRate / 2);
  EXPECT_EQ(playhead.Position(start + 1s), 1000u + kRate);
  EXPECT_EQ(playhead.Position(start + 10s), 1000u + kRate) << "nothing is heard past the limit";
  EXPECT_EQ(playhead.Position(start - 1s), 1000u) << "a moment before the anchor";
}

TEST(PlayheadTest, LongRunsDoNotOverflow) {
  Playhead playhead(192000);
  playhead.Anchor(0, UINT64_MAX, 0s);
  const auto aYear = std::chrono::duration_cast<nanoseconds>(std::chrono::hours(24 * 365));
  EXPECT_EQ(playhead.Position(aYear), std::uint64_t{192000} * 3600 * 24 * 365);
}

TEST(PlayheadTest, PausingHoldsThePositionAndResumingGoesOnFromIt) {
  Playhead playhead(kRate);
  playhead.Anchor(0, 10 * kRate, 0s);
  playhead.Pause(1s);
  EXPECT_TRUE(playhead.Paused());
  EXPECT_EQ(playhead.Position(5s), kRate);
  playhead.Pause(6s);  // a second pause changes nothing
  playhead.Resume(7s);
  EXPECT_FALSE(playhead.Paused());
  EXPECT_EQ(playhead.Position(8s), 2 * kRate);
  playhead.Resume(9s);  // nor does a second resume
  EXPECT_EQ(playhead.Position(9s), 3 * kRate);
}

TEST(PlayheadTest, ALaterAnchorBehindThePositionDoesNotTurnItBack) {
  Playhead playhead(kRate);
  playhead.Anchor(0, 10 * kRate, 0s);
  EXPECT_EQ(playhead.Position(1s), kRate);
  playhead.Anchor(kRate / 2, 10 * kRate, 1s);  // a device that reports late
  EXPECT_EQ(playhead.Position(1s), kRate);
  EXPECT_EQ(playhead.Position(1500ms), kRate) << "held until the anchor catches up";
  EXPECT_EQ(playhead.Position(2500ms), 2 * kRate);
}

TEST(PlayheadTest, AZeroRateIsRefused) { EXPECT_THROW(Playhead(0), std::invalid_argument); }

class SilentOutputTest : public ::testing::Test {
 protected:
  std::shared_ptr<FakeClock> FClock = std::make_shared<FakeClock>();
  kivo::SilentOutput FOutput{kRate, FClock};
  std::vector<Frame> FSecond = std::vector<Frame>(kRate, 7);
};

TEST_F(SilentOutputTest, HearsItsFramesInRealTime) {
  EXPECT_FALSE(FOutput.Audible());
  FOutput.Play(FSecond);
  FOutput.Play(FSecond);
  EXPECT_EQ(FOutput.QueuedFrames(), 2u * kRate);
  EXPECT_EQ(FOutput.HeardFrame(), 0u);
  FClock->Advance(250ms);
  EXPECT_EQ(FOutput.HeardFrame(), kRate / 4);
  FClock->Advance(1500ms);
  EXPECT_EQ(FOutput.HeardFrame(), kRate * 7 / 4);
}

TEST_F(SilentOutputTest, StopsAtTheEndOfWhatWasQueuedAndStartsAgainWhenGivenMore) {
  FOutput.Play(FSecond);
  FClock->Advance(3s);
  EXPECT_EQ(FOutput.HeardFrame(), kRate) << "ran dry";
  FOutput.Play(FSecond);
  EXPECT_EQ(FOutput.HeardFrame(), kRate) << "the time waited does not count";
  FClock->Advance(500ms);
  EXPECT_EQ(FOutput.HeardFrame(), kRate * 3 / 2);
}

TEST_F(SilentOutputTest, QueuingMoreWhilePlayingKeepsThePace) {
  FOutput.Play(FSecond);
  FClock->Advance(500ms);
  FOutput.Play(FSecond);
  FClock->Advance(1s);
  EXPECT_EQ(FOutput.HeardFrame(), kRate * 3 / 2);
}

TEST_F(SilentOutputTest, PauseHoldsTheClock) {
  FOutput.Play(FSecond);
  FClock->Advance(200ms);
  FOutput.Pause();
  EXPECT_TRUE(FOutput.Paused());
  FClock->Advance(10s);
  EXPECT_EQ(FOutput.HeardFrame(), kRate / 5);
  FOutput.Resume();
  FClock->Advance(300ms);
  EXPECT_EQ(FOutput.HeardFrame(), kRate / 2);
}

TEST_F(SilentOutputTest, FramesQueuedWhilePausedWaitForTheResume) {
  FOutput.Pause();
  FOutput.Play(FSecond);
  FClock->Advance(1s);
  EXPECT_EQ(FOutput.HeardFrame(), 0u);
  FOutput.Resume();
  FClock->Advance(100ms);
  EXPECT_EQ(FOutput.HeardFrame(), kRate / 10);
}

TEST(PlayedFramesTest, GivesTheBlockAtAPositionWhileItIsKept) {
  kivo::PlayedFrames played(8);
  std::vector<Frame> frames;
  for (Frame i = 0; i < 12; ++i) frames.push_back(i);
  played.Append(std::span(frames).first(5));
  played.Append(std::span(frames).subspan(5));
  EXPECT_EQ(played.End(), 12u);
  EXPECT_EQ(played.Block(4, 3), (std::vector<Frame>{4, 5, 6}));
  EXPECT_EQ(played.Block(10, 5), (std::vector<Frame>{10, 11})) << "cut at the end";
  EXPECT_TRUE(played.Block(3, 2).empty()) << "dropped already";
  EXPECT_TRUE(played.Block(12, 2).empty()) << "not played yet";
  EXPECT_EQ(played.Block(6, 4), (std::vector<Frame>{6, 7, 8, 9})) << "across the wrap";

  std::vector<Frame> many;
  for (Frame i = 12; i < 32; ++i) many.push_back(i);
  played.Append(many);
  EXPECT_EQ(played.End(), 32u);
  EXPECT_TRUE(played.Block(23, 9).empty()) << "an append longer than the history keeps its end";
  EXPECT_EQ(played.Block(24, 9), (std::vector<Frame>{24, 25, 26, 27, 28, 29, 30, 31}));
  EXPECT_THROW(kivo::PlayedFrames(0), std::invalid_argument);
}

}  // namespace
