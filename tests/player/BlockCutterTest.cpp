#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "player/BlockCutter.h"

namespace {

using kivo::BlockCutter;
using kivo::Frame;

// Frame i of the input holds the value i, so a block shows where it starts.
class CountingSource final : public kivo::FrameSource {
 public:
  explicit CountingSource(std::size_t total) : FTotal(total) {}
  std::size_t Read(std::span<Frame> frames) override {
    std::size_t count = 0;
    while (count < frames.size() && FNext < FTotal) frames[count++] = static_cast<Frame>(FNext++);
    return count;
  }

 private:
  std::size_t FTotal;
  std::size_t FNext = 0;
};

struct BlockShape {
  Frame First;
  std::size_t Frames;
  bool operator==(const BlockShape&) const = default;
};

std::vector<BlockShape> Cut(std::size_t total, std::size_t hop) {
  CountingSource source(total);
  BlockCutter cutter(source, hop);
  std::vector<BlockShape> shapes;
  for (auto block = cutter.Next(); !block.empty(); block = cutter.Next()) {
    for (std::size_t i = 1; i < block.size(); ++i) {
      EXPECT_EQ(block[i], block[0] + i) << "frames of a block are consecutive";
    }
    shapes.push_back({block[0], block.size()});
  }
  return shapes;
}

TEST(BlockCutterTest, BackToBackBlocksEndWithAShorterOne) {
  EXPECT_EQ(Cut(5000, 2048), (std::vector<BlockShape>{{0, 2048}, {2048, 2048}, {4096, 904}}));
  EXPECT_EQ(Cut(4096, 2048), (std::vector<BlockShape>{{0, 2048}, {2048, 2048}}));
  EXPECT_EQ(Cut(10, 2048), (std::vector<BlockShape>{{0, 10}}));
}

TEST(BlockCutterTest, ShortHopsOverlapBlocks) {
  EXPECT_EQ(
      Cut(5000, 1024),
      (std::vector<BlockShape>{{0, 2048}, {1024, 2048}, {2048, 2048}, {3072, 1928}, {4096, 904}}));
}

TEST(BlockCutterTest, LongHopsSkipFrames) {
  EXPECT_EQ(Cut(8000, 3000), (std::vector<BlockShape>{{0, 2048}, {3000, 2048}, {6000, 2000}}));
  EXPECT_EQ(Cut(3000, 3000), (std::vector<BlockShape>{{0, 2048}}));
}

TEST(BlockCutterTest, EmptyInputGivesNoBlock) { EXPECT_TRUE(Cut(0, 2048).empty()); }

TEST(BlockCutterTest, RefusesAHopOfZero) {
  CountingSource source(10);
  EXPECT_THROW(BlockCutter(source, 0), std::invalid_argument);
}

}  // namespace
