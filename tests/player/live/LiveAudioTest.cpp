// The live audio on a silent output whose clock the test moves: what is
// queued ahead, which block is heard, and where in the track it lies.
#include <gtest/gtest.h>

#include <memory>

#include "player/audio/SilentOutput.h"
#include "player/live/LiveAudio.h"
#include "tests/player/audio/FakeClock.h"

namespace {

using namespace kivo;
using namespace std::chrono_literals;

constexpr std::uint32_t kRate = 1000;  // one frame per millisecond
constexpr std::size_t kAhead = 3000;

// Frames numbered from `first` on, `count` of them.
class CountingSource final : public FrameSource {
 public:
  CountingSource(Frame first, std::size_t count) : FNext(first), FLeft(count) {}
  std::size_t Read(std::span<Frame> frames) override {
    const std::size_t got = std::min(frames.size(), FLeft);
    for (std::size_t i = 0; i < got; ++i) frames[i] = FNext++;
    FLeft -= got;
    Reads += got > 0 ? 1 : 0;
    return got;
  }
  int Reads = 0;

 private:
  Frame FNext;
  std::size_t FLeft;
};

class LiveAudioTest : public ::testing::Test {
 protected:
  LiveAudioTest()
      : FClock(std::make_shared<FakeClock>()),
        FAudio(std::make_unique<SilentOutput>(kRate, FClock), kAhead) {}

  void Play(Frame first, std::size_t count, std::uint64_t firstFrame = 0) {
    FAudio.Open(std::make_unique<CountingSource>(first, count), firstFrame);
    FAudio.Fill();
  }

  std::shared_ptr<FakeClock> FClock;
  TLiveAudio FAudio;
};

TEST_F(LiveAudioTest, QueuesOnlyALittleAheadOfWhatIsHeard) {
  Play(0, 100000);
  const std::uint64_t queued = FAudio.Output().QueuedFrames();
  EXPECT_GE(queued, kAhead);
  EXPECT_LT(queued, kAhead + 2048) << "not the whole track at once";
  FAudio.Fill();
  EXPECT_EQ(FAudio.Output().QueuedFrames(), queued) << "nothing heard, nothing more needed";
  FClock->Advance(1s);
  FAudio.Fill();
  EXPECT_GE(FAudio.Output().QueuedFrames(), 1000 + kAhead);
}

TEST_F(LiveAudioTest, TheBlockHandedOnEndsAtTheFrameHeardNow) {
  Play(0, 100000);
  EXPECT_TRUE(FAudio.HeardBlock().empty()) << "nothing heard yet";

  FClock->Advance(500ms);
  std::vector<Frame> block = FAudio.HeardBlock();
  ASSERT_EQ(block.size(), 500u) << "only what was heard, not what was queued ahead";
  EXPECT_EQ(block.front(), 0u);
  EXPECT_EQ(block.back(), 499u);

  FClock->Advance(2500ms);
  FAudio.Fill();
  block = FAudio.HeardBlock();
  ASSERT_EQ(block.size(), 2048u);
  EXPECT_EQ(block.front(), 3000u - 2048u);
  EXPECT_EQ(block.back(), 2999u);
  EXPECT_EQ(FAudio.TrackFrame(), 3000u);
}

TEST_F(LiveAudioTest, APausedOutputHandsOnTheSameBlock) {
  Play(0, 100000);
  FClock->Advance(700ms);
  FAudio.Output().Pause();
  const std::vector<Frame> before = FAudio.HeardBlock();
  FClock->Advance(5s);
  EXPECT_EQ(FAudio.HeardBlock(), before);
  FAudio.Output().Resume();
  FClock->Advance(100ms);
  EXPECT_EQ(FAudio.HeardBlock().back(), 799u);
}

// The end of the first track still sounds after the second is opened,
// but its frames belong to the first: nothing of it is handed on as the
// second's, which counts from its own first frame once that is heard.
TEST_F(LiveAudioTest, ANewTrackCountsAndHandsOnOnlyItsOwnFramesOnceTheyAreHeard) {
  Play(0, 1000);
  FClock->Advance(200ms);
  // The second track starts 5000 frames in, as after a seek.
  Play(1'000'000, 100000, 5000);
  EXPECT_EQ(FAudio.TrackFrame(), 5000u) << "the first track still sounds";
  EXPECT_TRUE(FAudio.HeardBlock().empty()) << "none of the second heard yet";
  FClock->Advance(800ms);
  EXPECT_EQ(FAudio.TrackFrame(), 5000u) << "the first track's last frame is heard now";
  EXPECT_TRUE(FAudio.HeardBlock().empty());
  FClock->Advance(200ms);
  EXPECT_EQ(FAudio.TrackFrame(), 5200u);
  const std::vector<Frame> block = FAudio.HeardBlock();
  ASSERT_EQ(block.size(), 200u);
  EXPECT_EQ(block.front(), 1'000'000u) << "the second track's first frame";
  EXPECT_EQ(block.back(), 1'000'199u);
}

TEST_F(LiveAudioTest, FinishesOnceTheLastFrameWasHeard) {
  Play(0, 1500);
  EXPECT_FALSE(FAudio.Finished());
  FClock->Advance(1499ms);
  FAudio.Fill();
  EXPECT_FALSE(FAudio.Finished()) << "one frame still to be heard";
  FClock->Advance(1ms);
  FAudio.Fill();
  EXPECT_TRUE(FAudio.Finished());
}

TEST_F(LiveAudioTest, AnEmptySourceIsFinishedAtOnce) {
  Play(0, 0);
  EXPECT_TRUE(FAudio.Finished());
  EXPECT_TRUE(FAudio.HeardBlock().empty());
}

}  // namespace
