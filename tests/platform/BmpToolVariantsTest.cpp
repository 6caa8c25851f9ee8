// Bitmaps written by ImageMagick in every variant it offers, read back
// pixel for pixel against the picture they were made from.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/vcl/BmpReader.h"
#include "tests/platform/FilesTestSupport.h"

namespace {

constexpr int kWidth = 7;  // odd, so that rows need padding at every depth
constexpr int kHeight = 4;

enum class TSource { ManyColours, EightColours, BlackAndWhite };

std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r | g << 8 | b << 16;
}

// 28 different colours: too many for a 4-bit palette.
std::vector<std::uint32_t> ManyColours() {
  std::vector<std::uint32_t> pixels;
  for (std::uint32_t i = 0; i < kWidth * kHeight; ++i) {
    pixels.push_back(Rgb((i * 37 + 11) & 0xFF, (i * 91 + 7) & 0xFF, (255 - i * 9) & 0xFF));
  }
  return pixels;
}

// Channels 0 or 255 only, which every bit-field width holds exactly.
std::vector<std::uint32_t> EightColours() {
  std::vector<std::uint32_t> pixels;
  for (std::uint32_t i = 0; i < kWidth * kHeight; ++i) {
    const std::uint32_t c = (i * 5) % 8;
    pixels.push_back(Rgb(c & 1 ? 255 : 0, c & 2 ? 255 : 0, c & 4 ? 255 : 0));
  }
  return pixels;
}

std::vector<std::uint32_t> BlackAndWhite() {
  std::vector<std::uint32_t> pixels;
  for (std::uint32_t i = 0; i < kWidth * kHeight; ++i) {
    pixels.push_back((i * 3) % 5 < 2 ? 0xFFFFFF : 0);
  }
  return pixels;
}

std::vector<std::uint32_t> PixelsOf(TSource source) {
  switch (source) {
    case TSource::ManyColours:
      return ManyColours();
    case TSource::EightColours:
      return EightColours();
    case TSource::BlackAndWhite:
      return BlackAndWhite();
  }
  return {};
}

void WritePpm(const std::string& path, const std::vector<std::uint32_t>& pixels) {
  std::string text = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
  for (const auto colour : pixels) {
    text += static_cast<char>(colour & 0xFF);
    text += static_cast<char>((colour >> 8) & 0xFF);
    text += static_cast<char>((colour >> 16) & 0xFF);
  }
  files_test::WriteText(path, text);
}

struct TVariant {
  const char* Name;
  TSource Source;
  const char* Options;
  const char* Coder;  // BMP2: core header, BMP3: info header, BMP: V5 header
  std::uint32_t HeaderSize;
  std::uint16_t BitsPerPixel;
  std::uint32_t Compression;
};

struct TStoredFormat {
  std::uint32_t HeaderSize;
  std::uint16_t BitsPerPixel;
  std::uint32_t Compression;
};

// Read straight from the bytes, to prove that the tool wrote the variant
// the test is about.
TStoredFormat StoredFormat(const std::vector<std::uint8_t>& file) {
  auto u32 = [&](std::size_t at) {
    return std::uint32_t{file[at]} | file[at + 1] << 8 | file[at + 2] << 16 |
           std::uint32_t{file[at + 3]} << 24;
  };
  const std::uint32_t size = u32(14);
  if (size == 12) return {size, static_cast<std::uint16_t>(file[24] | file[25] << 8), 0};
  return {size, static_cast<std::uint16_t>(file[28] | file[29] << 8), u32(30)};
}

class BmpToolVariants : public testing::TestWithParam<TVariant> {};

TEST_P(BmpToolVariants, DecodeToTheSourcePixels) {
  const TVariant& variant = GetParam();
  ASSERT_STRNE(KOLMIRA_IMAGEMAGICK_CONVERT, "")
      << "ImageMagick's convert is needed (scripts/install-deps.sh)";
  const files_test::TTempDir dir;
  const auto source = PixelsOf(variant.Source);
  const std::string ppm = dir.File("source.ppm");
  const std::string bmp = dir.File("out.bmp");
  WritePpm(ppm, source);
  const std::string command = std::string(KOLMIRA_IMAGEMAGICK_CONVERT) + " '" + ppm + "' " +
                              variant.Options + " " + variant.Coder + ":'" + bmp + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  const auto stored = StoredFormat(files_test::ReadBytes(bmp));
  ASSERT_EQ(stored.HeaderSize, variant.HeaderSize);
  ASSERT_EQ(stored.BitsPerPixel, variant.BitsPerPixel);
  ASSERT_EQ(stored.Compression, variant.Compression);

  const TBmpImage image = ReadBmpFile(bmp);
  EXPECT_EQ(image.Width, kWidth);
  EXPECT_EQ(image.Height, kHeight);
  EXPECT_EQ(image.BitsPerPixel, variant.BitsPerPixel);
  EXPECT_EQ(image.Pixels, source);
}

const TVariant kVariants[] = {
    {"Info24", TSource::ManyColours, "", "BMP3", 40, 24, 0},
    {"Core24", TSource::ManyColours, "", "BMP2", 12, 24, 0},
    {"V5_24", TSource::ManyColours, "", "BMP", 124, 24, 0},
    {"Info8", TSource::ManyColours, "-type palette -compress None", "BMP3", 40, 8, 0},
    {"Info8Rle", TSource::ManyColours, "-type palette -compress RLE", "BMP3", 40, 8, 1},
    {"V5_8Rle", TSource::EightColours, "-type palette -compress RLE", "BMP", 124, 8, 1},
    {"Info4", TSource::EightColours, "-type palette", "BMP3", 40, 4, 0},
    {"Core4", TSource::EightColours, "-type palette", "BMP2", 12, 4, 0},
    {"V5_4", TSource::EightColours, "-type palette", "BMP", 124, 4, 0},
    {"Info1", TSource::BlackAndWhite, "-monochrome", "BMP3", 40, 1, 0},
    {"Core1", TSource::BlackAndWhite, "-monochrome", "BMP2", 12, 1, 0},
    {"V5Rgb565", TSource::EightColours, "-define bmp:subtype=RGB565", "BMP", 124, 16, 3},
    {"V5Rgb555", TSource::EightColours, "-define bmp:subtype=RGB555", "BMP", 124, 16, 3},
    {"V5Argb4444", TSource::EightColours, "-alpha on -define bmp:subtype=ARGB4444", "BMP", 124, 16,
     3},
    {"V5Argb1555", TSource::EightColours, "-alpha on -define bmp:subtype=ARGB1555", "BMP", 124, 16,
     3},
    {"V5Argb32", TSource::ManyColours, "-alpha on", "BMP", 124, 32, 3},
    {"V5HalfTransparent32", TSource::ManyColours, "-alpha on -channel A -evaluate set 50% +channel",
     "BMP", 124, 32, 3},
};

INSTANTIATE_TEST_SUITE_P(ImageMagick, BmpToolVariants, testing::ValuesIn(kVariants),
                         [](const testing::TestParamInfo<TVariant>& info) {
                           return info.param.Name;
                         });

}  // namespace
