#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <thread>
#include <vector>

#include "player/audio/CaptureBuffer.h"

namespace {

using namespace std::chrono_literals;
using kivo::CaptureBuffer;
using kivo::Frame;

std::vector<Frame> Count(Frame first, std::size_t count) {
  std::vector<Frame> frames(count);
  std::iota(frames.begin(), frames.end(), first);
  return frames;
}

TEST(CaptureBufferTest, TheLatestFramesEndAtTheLastOneAppendedAndNeverReachBeforeFrom) {
  CaptureBuffer buffer(16);
  EXPECT_TRUE(buffer.Latest(4).empty());
  buffer.Append(Count(0, 6));
  EXPECT_EQ(buffer.End(), 6u);
  EXPECT_EQ(buffer.Latest(4), Count(2, 4));
  EXPECT_EQ(buffer.Latest(10), Count(0, 6)) << "fewer at the start of capture";
  EXPECT_EQ(buffer.Latest(4, 5), Count(5, 1)) << "nothing from before a resume";
  EXPECT_TRUE(buffer.Latest(4, 9).empty());
}

TEST(CaptureBufferTest, TheRingKeepsOnlyItsCapacity) {
  CaptureBuffer buffer(8);
  buffer.Append(Count(0, 5));
  buffer.Append(Count(5, 7));
  EXPECT_EQ(buffer.End(), 12u);
  EXPECT_EQ(buffer.Latest(100), Count(4, 8));
}

// Appends that wrap round the ring, and one larger than the ring, which
// keeps only its end.
TEST(CaptureBufferTest, FramesThatWrapRoundOrOverfillTheRingComeOutInOrder) {
  CaptureBuffer buffer(8);
  buffer.Append(Count(0, 6));
  buffer.Append(Count(6, 5));
  EXPECT_EQ(buffer.Latest(8), Count(3, 8));
  buffer.Append(Count(11, 19));
  EXPECT_EQ(buffer.End(), 30u);
  EXPECT_EQ(buffer.Latest(8), Count(22, 8));
  std::uint64_t position = 0;
  std::vector<Frame> got(5);
  EXPECT_EQ(buffer.ReadAt(position, got, std::chrono::steady_clock::now()), 5u);
  EXPECT_EQ(got, Count(22, 5));
}

// The server's bytes, one byte off any alignment: left then right, each
// 16 bits, negative ones too.
TEST(CaptureBufferTest, ServerSamplesBecomeFramesOfLeftAndRight) {
  const std::int16_t samples[] = {1, -1, -32768, 32767, 300, -300};
  std::vector<std::uint8_t> bytes(1 + sizeof samples);
  std::memcpy(bytes.data() + 1, samples, sizeof samples);
  CaptureBuffer buffer(2);
  buffer.AppendSamples(bytes.data() + 1, 3);
  EXPECT_EQ(buffer.Latest(2),
            (std::vector<Frame>{kivo::PackFrame(-32768, 32767), kivo::PackFrame(300, -300)}));
}

TEST(CaptureBufferTest, AReaderGetsTheStreamInOrderAndSkipsWhatWasDropped) {
  CaptureBuffer buffer(8);
  buffer.Append(Count(0, 6));
  std::uint64_t position = 0;
  std::vector<Frame> got(4);
  EXPECT_EQ(buffer.ReadAt(position, got, std::chrono::steady_clock::now()), 4u);
  EXPECT_EQ(got, Count(0, 4));
  EXPECT_EQ(position, 4u);

  buffer.Append(Count(6, 10));  // frames 4 to 7 fall out of the ring
  EXPECT_EQ(buffer.ReadAt(position, got, std::chrono::steady_clock::now()), 4u);
  EXPECT_EQ(got, Count(8, 4));
  EXPECT_EQ(position, 12u);
}

TEST(CaptureBufferTest, AReaderWaitsForFramesUntilItsDeadline) {
  CaptureBuffer buffer(8);
  std::uint64_t position = 0;
  std::vector<Frame> got(4);
  EXPECT_EQ(buffer.ReadAt(position, got, std::chrono::steady_clock::now() + 1ms), 0u);
  EXPECT_EQ(position, 0u);

  std::thread device([&buffer] {
    std::this_thread::sleep_for(10ms);
    buffer.Append(Count(40, 3));
  });
  EXPECT_EQ(buffer.ReadAt(position, got, std::chrono::steady_clock::now() + 20s), 3u);
  device.join();
  EXPECT_EQ(std::vector<Frame>(got.begin(), got.begin() + 3), Count(40, 3));
}

}  // namespace
