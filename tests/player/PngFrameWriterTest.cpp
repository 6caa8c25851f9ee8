// The PNG files of `--frames`, encoded on threads: every file holds its
// frame's pixels, files are written in order, and an error stops the run.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/render/PngWriter.h"
#include "player/FrameOutputs.h"
#include "player/PngFrameWriter.h"

namespace {

using kivo::FramePngPath;
using kivo::TPngFrameWriter;
namespace fs = std::filesystem;

// The file's pixels as 0xAABBGGRR, or nothing when it cannot be read.
std::vector<std::uint32_t> ReadPixels(const std::string& path) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return {};
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint32_t> pixels(image.width * image.height);
  if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) return {};
  return pixels;
}

// A frame whose every pixel depends on its number.
TFrame NumberedFrame(std::uint32_t number) {
  TFrame frame(64, 24);
  for (std::size_t i = 0; i < frame.Pixels.size(); ++i)
    frame.Pixels[i] = (i % 7 == number % 7 ? 0xFF000000u : 0x80000000u) |
                      static_cast<std::uint32_t>((i * 2654435761u + number) & 0xFFFFFFu);
  return frame;
}

class PngFrameWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("kivo-png-frames-" + std::to_string(getpid()));
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string File(std::size_t block) const { return FramePngPath(FDir.string(), block); }

  fs::path FDir;
};

TEST_F(PngFrameWriterTest, EveryFileHoldsItsFramesPixelsWhateverTheEncodersAndQueue) {
  struct TSetup {
    std::size_t Encoders, Queued;
  };
  // A queue of one makes the caller encode too.
  for (const TSetup setup : {TSetup{1, 1}, TSetup{2, 1}, TSetup{1, 8}, TSetup{2, 4}}) {
    std::vector<TFrame> given;
    {
      TPngFrameWriter writer(FDir.string(), setup.Encoders, setup.Queued);
      for (std::uint32_t block = 0; block < 40; ++block) {
        const bool unchanged = block % 5 == 4;
        if (!unchanged) given.push_back(NumberedFrame(block));
        // An unchanged frame's pixels are not read: a stale one stands in.
        writer.Write(unchanged ? TFrame(1, 1) : given.back(), block, unchanged);
        if (unchanged) given.push_back(given.back());
      }
      writer.Finish();
    }
    for (std::size_t block = 0; block < given.size(); ++block) {
      ASSERT_EQ(ReadPixels(File(block)), given[block].Pixels)
          << "block " << block << " with " << setup.Encoders << " encoders, queue " << setup.Queued;
    }
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
}

TEST_F(PngFrameWriterTest, AFirstFrameMarkedUnchangedIsStillEncoded) {
  TPngFrameWriter writer(FDir.string(), 1, 2);
  const TFrame frame = NumberedFrame(3);
  writer.Write(frame, 0, true);
  writer.Finish();
  EXPECT_EQ(ReadPixels(File(0)), frame.Pixels);
}

TEST_F(PngFrameWriterTest, AFileThatCannotBeWrittenStopsTheFilesAfterItAndIsReported) {
  fs::create_directories(File(3));  // a folder where the file should go
  TPngFrameWriter writer(FDir.string(), 2, 2);
  std::string error;
  try {
    for (std::uint32_t block = 0; block < 30; ++block)
      writer.Write(NumberedFrame(block), block, false);
    writer.Finish();
  } catch (const EPngWriteError& raised) {
    error = raised.what();
  }
  EXPECT_NE(error.find(File(3)), std::string::npos) << error;
  for (std::size_t block = 0; block < 3; ++block) EXPECT_TRUE(fs::is_regular_file(File(block)));
  for (std::size_t block = 4; block < 30; ++block)
    EXPECT_FALSE(fs::exists(File(block))) << "written after the failed one: " << block;
}

TEST_F(PngFrameWriterTest, AnEmptyFrameIsReportedByFinish) {
  TPngFrameWriter writer(FDir.string(), 1, 4);
  writer.Write(TFrame(0, 0), 0, false);
  EXPECT_THROW(writer.Finish(), EPngWriteError);
  EXPECT_FALSE(fs::exists(File(0)));
}

TEST(PngEncodingTest, FastAndSmallFilesHoldTheSamePixels) {
  const TFrame frame = NumberedFrame(5);
  std::vector<std::uint8_t> fast;
  std::vector<std::uint8_t> small;
  EncodePng(frame, TPngCompression::Fast, fast);
  EncodePng(frame, TPngCompression::Small, small);
  EXPECT_NE(fast, small);
  const fs::path dir = fs::temp_directory_path();
  for (const auto* bytes : {&fast, &small}) {
    const std::string path = (dir / ("kivo-png-encoding-" + std::to_string(getpid()))).string();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes->data(), 1, bytes->size(), file);
    std::fclose(file);
    EXPECT_EQ(ReadPixels(path), frame.Pixels);
    fs::remove(path);
  }
}

}  // namespace
