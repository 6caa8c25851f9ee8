#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/render/PngWriter.h"

namespace {

struct TReadBack {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::vector<std::uint8_t> Rgba;
};

TReadBack ReadPng(const std::string& path) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  TReadBack result;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return result;
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) == 0) return result;
  result.Width = image.width;
  result.Height = image.height;
  result.Rgba = std::move(rgba);
  return result;
}

class PngWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir = std::filesystem::temp_directory_path() / ("kivo_png_" + std::string(info->name()));
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  std::filesystem::path Dir;
};

TEST_F(PngWriterTest, WrittenPixelsReadBackAsRgbaBytes) {
  TFrame frame(3, 2);
  frame.Pixels = {FramePixel(clRed),        FramePixel(clLime), FramePixel(clBlue),
                  FramePixel(RGB(1, 2, 3)), 0x80402010u,        0u};
  const std::string path = (Dir / "frame.png").string();
  WritePng(frame, path);

  const TReadBack read = ReadPng(path);
  ASSERT_EQ(read.Width, 3u);
  ASSERT_EQ(read.Height, 2u);
  EXPECT_EQ(read.Rgba,
            (std::vector<std::uint8_t>{255, 0, 0, 255, 0,    255,  0,    255,  0, 0, 255, 255,  //
                                       1,   2, 3, 255, 0x10, 0x20, 0x40, 0x80, 0, 0, 0,   0}));
}

TEST_F(PngWriterTest, UnwritablePathRaises) {
  const TFrame frame(1, 1, FramePixel(clRed));
  EXPECT_THROW(WritePng(frame, (Dir / "no" / "such" / "dir.png").string()), EPngWriteError);
}

TEST_F(PngWriterTest, EmptyFrameRaises) {
  EXPECT_THROW(WritePng(TFrame(0, 5), (Dir / "empty.png").string()), EPngWriteError);
  EXPECT_FALSE(std::filesystem::exists(Dir / "empty.png"));
}

}  // namespace
