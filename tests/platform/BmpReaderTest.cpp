// Hand-built bitmaps for the variants no tool writes, and the files the
// reader must refuse without reading or writing outside a buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/vcl/BmpReader.h"
#include "platform/vcl/SysUtils.h"
#include "tests/platform/BmpTestSupport.h"
#include "tests/platform/FilesTestSupport.h"

namespace {

using bmp_test::kBiBitFields;
using bmp_test::kBiRgb;
using bmp_test::kBiRle4;
using bmp_test::kBiRle8;
using bmp_test::TBmpFile;

constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0xFF0000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kGrey = 0x808080;

TBmpImage Decode(const TBmpFile& file) {
  const auto bytes = file.Bytes();
  return DecodeBmp(bytes);
}

using TPixels = std::vector<std::uint32_t>;

// ---- Uncompressed layouts ----

TEST(BmpUncompressed, TopDownRowsComeInFileOrder) {
  TBmpFile file{.Width = 2, .Height = -2};
  file.Data = {0,   0, 255, 0,   255, 0,   0, 0,   // red, green, padding
               255, 0, 0,   255, 255, 255, 0, 0};  // blue, white, padding
  const auto image = Decode(file);
  EXPECT_EQ(image.Height, 2);
  EXPECT_EQ(image.Pixels, (TPixels{kRed, kGreen, kBlue, kWhite}));
}

TEST(BmpUncompressed, BottomUpRowsAreTurnedOver) {
  TBmpFile file{.Width = 1, .Height = 2};
  file.Data = {0, 0, 255, 0, 255, 0, 0, 0};
  EXPECT_EQ(Decode(file).Pixels, (TPixels{kBlue, kRed}));
}

TEST(BmpUncompressed, OneBitPixelsAreReadHighBitFirstAcrossBytes) {
  TBmpFile file{.Width = 10, .Height = 1, .BitsPerPixel = 1, .Palette = {kRed, kBlue}};
  file.Data = {0b10110000, 0b01000000, 0, 0};
  EXPECT_EQ(Decode(file).Pixels,
            (TPixels{kBlue, kRed, kBlue, kBlue, kRed, kRed, kRed, kRed, kRed, kBlue}));
}

TEST(BmpUncompressed, FourBitPixelsUseEachRowsPadding) {
  TBmpFile file{
      .Width = 3, .Height = 2, .BitsPerPixel = 4, .Palette = {kBlack, kRed, kGreen, kBlue}};
  file.Data = {0x12, 0x30, 0xEE, 0xEE,   // bottom row, padding filled with junk
               0x32, 0x10, 0x00, 0x00};  // top row
  EXPECT_EQ(Decode(file).Pixels, (TPixels{kBlue, kGreen, kRed, kRed, kGreen, kBlue}));
}

TEST(BmpUncompressed, IndexBeyondAShortPaletteIsBlack) {
  // Two colours declared; index 5 would lie in the pixel data itself.
  TBmpFile file{
      .Width = 2, .Height = 1, .BitsPerPixel = 4, .ColoursUsed = 2, .Palette = {kRed, kBlue}};
  file.Data = {0x15, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Decode(file).Pixels, (TPixels{kBlue, kBlack}));
}

TEST(BmpUncompressed, CorePaletteShorterThanTheDepthEndsAtThePixelData) {
  TBmpFile file{
      .HeaderSize = 12, .Width = 2, .Height = 1, .BitsPerPixel = 8, .Palette = {kGrey, kGreen}};
  file.Data = {1, 0, 0, 0};
  EXPECT_EQ(Decode(file).Pixels, (TPixels{kGreen, kGrey}));
}

TEST(BmpUncompressed, ThirtyTwoBitsWithoutBitFieldsIgnoreTheFourthByte) {
  TBmpFile file{.Width = 3, .Height = 1, .BitsPerPixel = 32};
  file.Data = {0, 0, 255, 0, 0, 255, 0, 0x7F, 0x80, 0x80, 0x80, 0xFF};
  EXPECT_EQ(Decode(file).Pixels, (TPixels{kRed, kGreen, kGrey}));
}

TEST(BmpUncompressed, SixteenBitsWithoutBitFieldsAreFiveFiveFive) {
  TBmpFile file{.Width = 4, .Height = 1, .BitsPerPixel = 16};
  // white, pure blue, blue 16 of 31, and the unused top bit set on black.
  file.Data = {0xFF, 0x7F, 0x1F, 0x00, 0x10, 0x00, 0x00, 0x80};
  EXPECT_EQ(Decode(file).Pixels, (TPixels{kWhite, kBlue, 0x840000, kBlack}));
}

TEST(BmpUncompressed, V4HeaderIsReadLikeAnInfoHeader) {
  TBmpFile file{.HeaderSize = 108, .Width = 1, .Height = 1};
  file.Data = {0x10, 0x20, 0x30, 0};
  EXPECT_EQ(Decode(file).Pixels, (TPixels{0x102030}));
}

TEST(BmpUncompressed, ZeroWidthOrHeightGivesAnEmptyBitmap) {
  for (const auto& [width, height] : {std::pair{0, 5}, std::pair{5, 0}}) {
    const auto image = Decode(TBmpFile{.Width = width, .Height = height});
    EXPECT_EQ(image.Width, 0);
    EXPECT_EQ(image.Height, 0);
    EXPECT_TRUE(image.Pixels.empty());
  }
}

// ---- Bit fields ----

TEST(BmpBitFields, MasksAfterAnInfoHeaderScaleEveryWidthToEightBits) {
  TBmpFile file{.Width = 3,
                .Height = 1,
                .BitsPerPixel = 16,
                .Compression = kBiBitFields,
                .Masks = {0xF800, 0x07E0, 0x001F}};
  // green 32 of 63, red 16 of 31, all channels full.
  file.Data = {0x00, 0x04, 0x00, 0x80, 0xFF, 0xFF, 0, 0};
  EXPECT_EQ(Decode(file).Pixels, (TPixels{0x008200, 0x000084, kWhite}));
}

TEST(BmpBitFields, WideChannelsAreScaledDown) {
  TBmpFile file{.Width = 2,
                .Height = 1,
                .BitsPerPixel = 32,
                .Compression = kBiBitFields,
                .Masks = {0x3FF00000, 0x000FFC00, 0x000003FF}};
  // red 1023 of 1023, blue 512 of 1023; then green 1 of 1023.
  const std::uint32_t first = 1023u << 20 | 512u;
  const std::uint32_t second = 1u << 10;
  file.Data = {static_cast<std::uint8_t>(first),
               static_cast<std::uint8_t>(first >> 8),
               static_cast<std::uint8_t>(first >> 16),
               static_cast<std::uint8_t>(first >> 24),
               static_cast<std::uint8_t>(second),
               static_cast<std::uint8_t>(second >> 8),
               0,
               0};
  EXPECT_EQ(Decode(file).Pixels, (TPixels{0x8000FF, kBlack}));
}

TEST(BmpBitFields, MasksInsideFiftyTwoAndFiftySixByteHeaders) {
  for (const std::uint32_t size : {52u, 56u, 124u}) {
    TBmpFile file{.HeaderSize = size,
                  .Width = 1,
                  .Height = 1,
                  .BitsPerPixel = 16,
                  .Compression = kBiBitFields,
                  .Masks = {0x000F, 0x00F0, 0x0F00, 0xF000}};
    file.Data = {0x0F, 0x08, 0, 0};  // red 15, green 0, blue 8 of 15, alpha 0
    EXPECT_EQ(Decode(file).Pixels, (TPixels{0x8800FF})) << size;
  }
}

TEST(BmpBitFields, AMissingChannelIsZeroAndAGappedMaskIsRefused) {
  TBmpFile file{.Width = 1,
                .Height = 1,
                .BitsPerPixel = 32,
                .Compression = kBiBitFields,
                .Masks = {0x00FF0000, 0, 0x000000FF}};
  file.Data = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Decode(file).Pixels, (TPixels{0xFF00FF}));
  file.Masks[1] = 0x0000F0F0;
  EXPECT_THROW(Decode(file), EInvalidGraphic);
}

// ---- Run-length encoding ----

TEST(BmpRle8, RunsDeltasAndLineEndsLeaveUnwrittenPixelsAtEntryZero) {
  TBmpFile file{.Width = 4,
                .Height = 3,
                .BitsPerPixel = 8,
                .Compression = kBiRle8,
                .Palette = {kGrey, kRed, kGreen, kBlue}};
  file.Data = {
      3, 1,              // bottom row: three red
      0, 2, 0, 1,        // delta: straight up into the middle row
      1, 3,              // one blue
      0, 0,              // end of line: start of the top row
      0, 2, 1, 0,        // delta: one right
      0, 3, 2, 3, 1, 0,  // absolute run of three, padded to a word
      0, 1,              // end of bitmap
  };
  EXPECT_EQ(Decode(file).Pixels, (TPixels{kGrey, kGreen, kBlue, kRed,  //
                                          kGrey, kGrey, kGrey, kBlue,  //
                                          kRed, kRed, kRed, kGrey}));
}

TEST(BmpRle8, RunsPastTheEdgeAreClippedNotWrapped) {
  TBmpFile file{
      .Width = 2, .Height = 2, .BitsPerPixel = 8, .Compression = kBiRle8, .Palette = {kGrey, kRed}};
  file.Data = {200, 1, 0, 2, 250, 250, 5, 1, 0, 1};
  EXPECT_EQ(Decode(file).Pixels, (TPixels{kGrey, kGrey, kRed, kRed}));
}

TEST(BmpRle4, NibblesAlternateInRunsAndAbsoluteRunsArePadded) {
  TBmpFile file{.Width = 6,
                .Height = 2,
                .BitsPerPixel = 4,
                .Compression = kBiRle4,
                .Palette = {kGrey, kRed, kGreen, kBlue}};
  file.Data = {
      5, 0x12,                       // bottom row: 1 2 1 2 1
      0, 0,                          // end of line
      0, 5,    0x31, 0x21, 0x30, 0,  // absolute 3 1 2 1 3 in three bytes, padded to four
      0, 1,                          // end of bitmap
  };
  EXPECT_EQ(Decode(file).Pixels, (TPixels{kBlue, kRed, kGreen, kRed, kBlue, kGrey,  //
                                          kRed, kGreen, kRed, kGreen, kRed, kGrey}));
}

TEST(BmpRle, TopDownOrUnterminatedStreamsAreRefused) {
  TBmpFile file{
      .Width = 2, .Height = -2, .BitsPerPixel = 8, .Compression = kBiRle8, .Palette = {kRed}};
  file.Data = {2, 0, 0, 1};
  EXPECT_THROW(Decode(file), EInvalidGraphic);
  file.Height = 2;
  EXPECT_NO_THROW(Decode(file));
  file.Data = {2, 0, 0, 0, 2, 0, 0, 0};
  EXPECT_THROW(Decode(file), EInvalidGraphic);
}

// ---- Refused files ----

std::vector<TBmpFile> SmallFiles() {
  TBmpFile rgb{.Width = 3, .Height = 2, .Data = std::vector<std::uint8_t>(24, 0x40)};
  TBmpFile paletted{.Width = 3,
                    .Height = 2,
                    .BitsPerPixel = 4,
                    .Palette = {kRed, kBlue},
                    .Data = {0x10, 0x10, 0, 0, 0x01, 0x10, 0, 0}};
  TBmpFile core{.HeaderSize = 12,
                .Width = 9,
                .Height = 1,
                .BitsPerPixel = 1,
                .Palette = {kRed, kBlue},
                .Data = {0xAA, 0x80, 0, 0}};
  TBmpFile rle{.Width = 4,
               .Height = 2,
               .BitsPerPixel = 8,
               .Compression = kBiRle8,
               .Palette = {kRed, kBlue},
               .Data = {4, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1}};
  TBmpFile fields{.Width = 1,
                  .Height = 1,
                  .BitsPerPixel = 16,
                  .Compression = kBiBitFields,
                  .Masks = {0xF800, 0x07E0, 0x001F},
                  .Data = {1, 2, 0, 0}};
  return {rgb, paletted, core, rle, fields};
}

TEST(BmpRefused, EveryShorterPrefixOfAGoodFileIsRefused) {
  for (const auto& file : SmallFiles()) {
    const auto bytes = file.Bytes();
    ASSERT_NO_THROW(DecodeBmp(bytes));
    for (std::size_t length = 0; length < bytes.size(); ++length) {
      const std::vector<std::uint8_t> prefix(bytes.begin(),
                                             bytes.begin() + static_cast<std::ptrdiff_t>(length));
      EXPECT_THROW(DecodeBmp(prefix), EInvalidGraphic)
          << "length " << length << " of " << bytes.size();
    }
  }
}

TEST(BmpRefused, AbsurdSizesBeforeAnythingIsAllocated) {
  const TBmpFile tooWide{.Width = 100000, .Height = 1};
  const TBmpFile tooMany{.Width = 20000, .Height = 20000};
  const TBmpFile tooTall{.Width = 1, .Height = -100000};
  const TBmpFile negativeWidth{.Width = -4, .Height = 4};
  const TBmpFile hugeCompressed{
      .Width = 16384, .Height = 16385, .BitsPerPixel = 8, .Compression = kBiRle8, .Data = {0, 1}};
  const TBmpFile moreDataThanTheFileHolds{.Width = 16000, .Height = 16000, .Data = {1, 2, 3}};
  for (const auto& file :
       {tooWide, tooMany, tooTall, negativeWidth, hugeCompressed, moreDataThanTheFileHolds}) {
    EXPECT_THROW(Decode(file), EInvalidGraphic) << file.Width << " x " << file.Height;
  }
}

// A few bytes of run-length data can stand for any number of pixels, so the
// pixel limit alone bounds what a small file costs.
TEST(BmpRefused, MoreThanTheLimitsPixelsHoweverFewBytesTheyTake) {
  const std::vector<std::uint8_t> endOfBitmap = {0, 1};
  const TBmpFile largest{.Width = 4096,
                         .Height = 4096,
                         .BitsPerPixel = 8,
                         .Compression = kBiRle8,
                         .Data = endOfBitmap};
  const auto image = Decode(largest);
  EXPECT_EQ(image.Pixels.size(), std::size_t{4096} * 4096);
  EXPECT_EQ(BmpMaxPixels, std::int64_t{4096} * 4096);
  const TBmpFile longAndThin{.Width = 32768,
                             .Height = 512,
                             .BitsPerPixel = 8,
                             .Compression = kBiRle8,
                             .Data = endOfBitmap};
  EXPECT_EQ(Decode(longAndThin).Pixels.size(), std::size_t{32768} * 512);
  const TBmpFile onePixelTooMany{.Width = 32768,
                                 .Height = 513,
                                 .BitsPerPixel = 8,
                                 .Compression = kBiRle8,
                                 .Data = endOfBitmap};
  const TBmpFile oneRowTooMany{.Width = 4096,
                               .Height = 4097,
                               .BitsPerPixel = 8,
                               .Compression = kBiRle8,
                               .Data = endOfBitmap};
  const TBmpFile topDownTooMany{.Width = 4097, .Height = -4096, .Data = {0, 0, 0, 0}};
  for (const auto& file : {onePixelTooMany, oneRowTooMany, topDownTooMany}) {
    EXPECT_THROW(Decode(file), EInvalidGraphic) << file.Width << " x " << file.Height;
  }
}

TEST(BmpRefused, FormatsThePlatformDoesNotRead) {
  const TBmpFile unknownHeader{.HeaderSize = 64, .Width = 1, .Height = 1, .Data = {0, 0, 0, 0}};
  const TBmpFile oddDepth{.Width = 1, .Height = 1, .BitsPerPixel = 7, .Data = {0, 0, 0, 0}};
  const TBmpFile jpeg{.Width = 1, .Height = 1, .Compression = 4, .Data = {0, 0, 0, 0}};
  const TBmpFile rle8AtFourBits{
      .Width = 1, .Height = 1, .BitsPerPixel = 4, .Compression = kBiRle8, .Data = {0, 1}};
  const TBmpFile fieldsAt24Bits{.Width = 1,
                                .Height = 1,
                                .Compression = kBiBitFields,
                                .Masks = {0xFF, 0xFF00, 0xFF0000},
                                .Data = {0, 0, 0, 0}};
  const TBmpFile coreAt16Bits{
      .HeaderSize = 12, .Width = 1, .Height = 1, .BitsPerPixel = 16, .Data = {0, 0, 0, 0}};
  for (const auto& file :
       {unknownHeader, oddDepth, jpeg, rle8AtFourBits, fieldsAt24Bits, coreAt16Bits}) {
    EXPECT_THROW(Decode(file), EInvalidGraphic) << file.HeaderSize << "/" << file.BitsPerPixel;
  }
}

TEST(BmpRefused, OffsetsOutsideTheFileOrInsideTheHeader) {
  TBmpFile file{.Width = 1, .Height = 1, .Data = {1, 2, 3, 0}};
  file.PixelOffset = 4000;
  EXPECT_THROW(Decode(file), EInvalidGraphic);
  file.PixelOffset = 20;
  EXPECT_THROW(Decode(file), EInvalidGraphic);
  TBmpFile palette{
      .Width = 1, .Height = 1, .BitsPerPixel = 8, .ColoursUsed = 1000000, .Data = {0, 0, 0, 0}};
  EXPECT_NO_THROW(Decode(palette));  // declared colours beyond 2^8 are capped, not read
}

TEST(BmpRefused, GarbageIsRefusedOrReadWithinItsBounds) {
  std::mt19937 random(20261209);
  const auto base = SmallFiles();
  for (int round = 0; round < 4000; ++round) {
    auto bytes = base[static_cast<std::size_t>(round) % base.size()].Bytes();
    const int flips = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < flips; ++i) {
      bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    }
    try {
      const auto image = DecodeBmp(bytes);
      EXPECT_EQ(image.Pixels.size(),
                static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height));
    } catch (const EInvalidGraphic&) {
    }
  }
  const std::vector<std::uint8_t> notABitmap{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0,
                                             0,   0,   0,   0,   0,   0,   0, 0, 0};
  EXPECT_THROW(DecodeBmp(notABitmap), EInvalidGraphic);
}

// ---- Files ----

TEST(BmpFile, MissingAndUnreadableFilesRaiseTheOpenError) {
  const files_test::TTempDir dir;
  const std::string missing = dir.File("missing.bmp");
  try {
    ReadBmpFile(missing);
    FAIL() << "no error";
  } catch (const EFOpenError& error) {
    EXPECT_NE(error.Message().find(missing), std::string::npos) << error.Message();
  }
  EXPECT_THROW(ReadBmpFile(dir.Path().string()), EFOpenError);
}

TEST(BmpFile, AMalformedFileNamesItselfInTheError) {
  const files_test::TTempDir dir;
  const std::string path = dir.File("skin.bmp");
  files_test::WriteText(path, "BM this is not a bitmap");
  try {
    ReadBmpFile(path);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& error) {
    EXPECT_NE(error.Message().find(path), std::string::npos) << error.Message();
  }
  const auto good = SmallFiles().front().Bytes();
  files_test::WriteBytes(path, good);
  EXPECT_EQ(ReadBmpFile(path).Pixels, TPixels(6, 0x404040));
}

}  // namespace
