#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/ImgList.h"

namespace {

// A bitmap whose pixel (x, y) holds x + 16 * y, so a copy shows where each
// pixel came from.
void FillNumbered(TBitmap& bitmap, std::int32_t width, std::int32_t height) {
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) bitmap.Canvas()->SetPixels(x, y, x + 16 * y);
  }
}

void FillSolid(TBitmap& bitmap, std::int32_t width, std::int32_t height, TColor color) {
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) bitmap.Canvas()->SetPixels(x, y, color);
  }
}

std::vector<TColor> PixelsOf(const TBitmap& bitmap) {
  std::vector<TColor> pixels;
  for (std::int32_t y = 0; y < bitmap.Height(); ++y) {
    for (std::int32_t x = 0; x < bitmap.Width(); ++x)
      pixels.push_back(bitmap.Canvas()->Pixels(x, y));
  }
  return pixels;
}

// --- Pixels ------------------------------------------------------------------

TEST(CanvasPixels, OutsideTheBitmapReadsInvalidAndWritesNothing) {
  TBitmap bitmap;
  EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), CLR_INVALID);
  FillSolid(bitmap, 3, 2, clBlue);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}}) {
    EXPECT_EQ(bitmap.Canvas()->Pixels(x, y), CLR_INVALID) << x << "," << y;
    bitmap.Canvas()->SetPixels(x, y, clRed);
  }
  EXPECT_EQ(PixelsOf(bitmap), std::vector<TColor>(6, clBlue));
}

TEST(CanvasPixels, SystemColoursAreStoredResolved) {
  TBitmap bitmap;
  FillSolid(bitmap, 1, 1, clBtnShadow);
  EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), RGB(0x80, 0x80, 0x80));
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(0xD4, 0xD0, 0xC8));
  EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);
  EXPECT_EQ(ColorToRGB(0x123456), 0x123456);
}

// --- CopyRect ----------------------------------------------------------------

class CopyRectTest : public ::testing::Test {
 protected:
  CopyRectTest() {
    FillNumbered(Source, 4, 4);
    FillSolid(Dest, 3, 3, clWhite);
  }
  TBitmap Source;
  TBitmap Dest;
};

TEST_F(CopyRectTest, CopiesARectangleOnePixelForOne) {
  Dest.Canvas()->CopyRect(Rect(0, 0, 2, 2), Source.Canvas(), Rect(1, 2, 3, 4));
  EXPECT_EQ(PixelsOf(Dest),
            (std::vector<TColor>{33, 34, clWhite, 49, 50, clWhite, clWhite, clWhite, clWhite}));
}

TEST_F(CopyRectTest, SourceBeyondTheBitmapLeavesThoseDestinationPixels) {
  // A partial frame: the source rectangle runs past the right and bottom.
  Dest.Canvas()->CopyRect(Rect(0, 0, 3, 3), Source.Canvas(), Rect(2, 2, 5, 5));
  EXPECT_EQ(PixelsOf(Dest),
            (std::vector<TColor>{34, 35, clWhite, 50, 51, clWhite, clWhite, clWhite, clWhite}));
}

TEST_F(CopyRectTest, DestinationIsClippedToItsBitmap) {
  Dest.Canvas()->CopyRect(Rect(-1, 2, 3, 6), Source.Canvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(PixelsOf(Dest),
            (std::vector<TColor>{clWhite, clWhite, clWhite, clWhite, clWhite, clWhite, 1, 2, 3}));
}

TEST_F(CopyRectTest, SourceLeftOfAndAboveTheBitmapIsSkipped) {
  Dest.Canvas()->CopyRect(Rect(0, 0, 3, 3), Source.Canvas(), Rect(-2, -1, 1, 2));
  EXPECT_EQ(PixelsOf(Dest), (std::vector<TColor>{clWhite, clWhite, clWhite, clWhite, clWhite, 0,
                                                 clWhite, clWhite, 16}));
}

TEST_F(CopyRectTest, FarAwayOrEmptyRectanglesCopyNothing) {
  Dest.Canvas()->CopyRect(Rect(100000, 0, 100003, 3), Source.Canvas(), Rect(0, 0, 3, 3));
  Dest.Canvas()->CopyRect(Rect(0, 0, 3, 3), Source.Canvas(), Rect(2000000000, 0, 2000000003, 3));
  Dest.Canvas()->CopyRect(Rect(2, 2, 0, 0), Source.Canvas(), Rect(0, 0, 2, 2));
  Dest.Canvas()->CopyRect(Rect(0, 0, 2, 2), Source.Canvas(), Rect(0, 0, 0, 2));
  Dest.Canvas()->CopyRect(Rect(0, 0, 2, 2), nullptr, Rect(0, 0, 2, 2));
  EXPECT_EQ(PixelsOf(Dest), std::vector<TColor>(9, clWhite));
}

TEST_F(CopyRectTest, RectanglesSpanningTheWholeCoordinateRangeDoNotOverflow) {
  constexpr std::int32_t kMin = INT32_MIN;
  constexpr std::int32_t kMax = INT32_MAX;
  Dest.Canvas()->CopyRect(Rect(kMin, kMin, kMax, kMax), Source.Canvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(PixelsOf(Dest), (std::vector<TColor>{34, 34, 34, 34, 34, 34, 34, 34, 34}));
  Dest.Canvas()->CopyRect(Rect(0, 0, 3, 3), Source.Canvas(), Rect(kMin, kMin, kMax, kMax));
  EXPECT_EQ(PixelsOf(Dest), std::vector<TColor>(9, 34));
  EXPECT_EQ(Bounds(kMax - 1, kMin, 10, 10), Rect(kMax - 1, kMin, kMax, kMin + 10));
}

TEST_F(CopyRectTest, DifferentSizesStretchToTheNearestPixel) {
  Dest.SetWidth(4);
  Dest.SetHeight(2);
  Dest.Canvas()->CopyRect(Rect(0, 0, 4, 2), Source.Canvas(), Rect(0, 0, 2, 2));
  EXPECT_EQ(PixelsOf(Dest), (std::vector<TColor>{0, 0, 1, 1, 16, 16, 17, 17}));
}

TEST_F(CopyRectTest, OverlappingCopyWithinOneBitmapReadsTheOriginal) {
  Source.Canvas()->CopyRect(Rect(1, 0, 4, 1), Source.Canvas(), Rect(0, 0, 3, 1));
  EXPECT_EQ(Source.Canvas()->Pixels(1, 0), 0);
  EXPECT_EQ(Source.Canvas()->Pixels(2, 0), 1);
  EXPECT_EQ(Source.Canvas()->Pixels(3, 0), 2);
}

TEST_F(CopyRectTest, CopyModesCombineSourceAndDestination) {
  TBitmap one;
  FillSolid(one, 1, 1, 0x00F0F0);
  const auto copyWith = [&](TCopyMode mode) {
    FillSolid(Dest, 1, 1, 0x0FFF00);
    Dest.Canvas()->SetCopyMode(mode);
    Dest.Canvas()->CopyRect(Rect(0, 0, 1, 1), one.Canvas(), Rect(0, 0, 1, 1));
    return Dest.Canvas()->Pixels(0, 0);
  };
  EXPECT_EQ(copyWith(cmSrcCopy), 0x00F0F0);
  EXPECT_EQ(copyWith(cmNotSrcCopy), 0xFF0F0F);
  EXPECT_EQ(copyWith(cmSrcAnd), 0x00F000);
  EXPECT_EQ(copyWith(cmSrcPaint), 0x0FFFF0);
  EXPECT_EQ(copyWith(cmSrcInvert), 0x0F0FF0);
  EXPECT_EQ(copyWith(cmBlackness), clBlack);
  EXPECT_EQ(copyWith(cmWhiteness), clWhite);
  EXPECT_THROW(copyWith(0x00BB0226), EInvalidGraphicOperation);
}

// --- Bitmap ------------------------------------------------------------------

TEST(Bitmap, ResizingKeepsThePixelsThatStayAndWhitensNewOnes) {
  TBitmap bitmap;
  FillNumbered(bitmap, 3, 2);
  bitmap.SetWidth(2);
  bitmap.SetHeight(3);
  EXPECT_EQ(PixelsOf(bitmap), (std::vector<TColor>{0, 1, 16, 17, clWhite, clWhite}));
  bitmap.SetHeight(-5);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_TRUE(bitmap.Empty());
}

TEST(Bitmap, HugeSizesAreRefusedBeforeAllocating) {
  TBitmap bitmap;
  bitmap.SetWidth(1 << 20);
  EXPECT_THROW(bitmap.SetHeight(1 << 20), EInvalidGraphicOperation);
  EXPECT_EQ(bitmap.Height(), 0);
}

TEST(Bitmap, PixelFormatChangesOnlyWithoutLoss) {
  TBitmap bitmap;
  EXPECT_EQ(bitmap.PixelFormat(), pfDevice);
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetPixelFormat(pf32bit);
  EXPECT_EQ(bitmap.PixelFormat(), pf32bit);
  EXPECT_THROW(bitmap.SetPixelFormat(pf8bit), EInvalidGraphicOperation);
  EXPECT_EQ(bitmap.PixelFormat(), pf32bit);
}

TEST(Bitmap, AssignCopiesAndNullEmpties) {
  TBitmap source;
  FillNumbered(source, 2, 2);
  source.SetPixelFormat(pf24bit);
  TBitmap copy;
  copy.Assign(&source);
  source.Canvas()->SetPixels(0, 0, clRed);
  EXPECT_EQ(PixelsOf(copy), (std::vector<TColor>{0, 1, 16, 17}));
  EXPECT_EQ(copy.PixelFormat(), pf24bit);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
}

TEST(Bitmap, CopiesShareAStampUntilEitherIsWritten) {
  TBitmap source;
  FillNumbered(source, 2, 2);
  TBitmap copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.ContentStamp(), source.ContentStamp());

  copy.Canvas()->SetPixels(1, 1, clRed);
  EXPECT_NE(copy.ContentStamp(), source.ContentStamp());
  EXPECT_EQ(PixelsOf(source), (std::vector<TColor>{0, 1, 16, 17}));
  EXPECT_EQ(PixelsOf(copy), (std::vector<TColor>{0, 1, 16, clRed}));

  // The one left alone keeps its stamp while the other changes again.
  const std::uint64_t before = source.ContentStamp();
  copy.Assign(&source);
  source.SetWidth(3);
  EXPECT_NE(source.ContentStamp(), before);
  EXPECT_EQ(copy.ContentStamp(), before);
  EXPECT_EQ(PixelsOf(copy), (std::vector<TColor>{0, 1, 16, 17}));
}

TEST(Bitmap, CopyRectOntoASharingBitmapLeavesTheOtherAlone) {
  TBitmap source;
  FillNumbered(source, 2, 2);
  TBitmap copy;
  copy.Assign(&source);
  copy.Canvas()->CopyRect(Rect(0, 0, 1, 1), source.Canvas(), Rect(1, 1, 2, 2));
  EXPECT_EQ(PixelsOf(copy), (std::vector<TColor>{17, 1, 16, 17}));
  EXPECT_EQ(PixelsOf(source), (std::vector<TColor>{0, 1, 16, 17}));
}

// --- Loading files -----------------------------------------------------------

class BitmapFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir = std::filesystem::temp_directory_path() / ("kivo_bitmap_" + std::string(info->name()));
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  // A bottom-up 24-bit file of 2 x 2 pixels: top row red, green; bottom
  // row blue, white.
  std::string WriteTwoByTwo() {
    // clang-format off
    const std::vector<std::uint8_t> bytes{
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                             // file header
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,  // info header
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0,                                         // bottom row
        0, 0, 0xFF, 0, 0xFF, 0, 0, 0};                                              // top row
    // clang-format on
    const std::filesystem::path path = Dir / "two.bmp";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  std::filesystem::path Dir;
};

TEST_F(BitmapFileTest, LoadsPixelsAndTheStoredFormat) {
  TBitmap bitmap;
  bitmap.LoadFromFile(WriteTwoByTwo());
  ASSERT_EQ(bitmap.Width(), 2);
  ASSERT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(PixelsOf(bitmap), (std::vector<TColor>{clRed, clLime, clBlue, clWhite}));
}

TEST_F(BitmapFileTest, FailedLoadRaisesAndLeavesTheBitmapAsItWas) {
  TBitmap bitmap;
  FillSolid(bitmap, 1, 1, clAqua);
  EXPECT_THROW(bitmap.LoadFromFile((Dir / "missing.bmp").string()), EFOpenError);
  const std::filesystem::path garbage = Dir / "garbage.bmp";
  std::ofstream(garbage) << "not a bitmap at all";
  EXPECT_THROW(bitmap.LoadFromFile(garbage.string()), EInvalidGraphic);
  EXPECT_EQ(PixelsOf(bitmap), std::vector<TColor>{clAqua});
}

// --- Image list --------------------------------------------------------------

class ImageListTest : public ::testing::Test {
 protected:
  ImageListTest() : List(nullptr) {
    List.SetWidth(2);
    List.SetHeight(2);
  }
  TImageList List;
};

TEST_F(ImageListTest, AddCutsWholeCellsAlongTheTopRow) {
  TBitmap sheet;
  FillNumbered(sheet, 5, 3);  // two whole cells; a partial column and row are left out
  EXPECT_EQ(List.Add(&sheet), 0);
  EXPECT_EQ(List.Add(&sheet), 2);
  ASSERT_EQ(List.Count(), 4);
  TBitmap frame;
  List.GetBitmap(1, &frame);
  EXPECT_EQ(frame.Width(), 2);
  EXPECT_EQ(PixelsOf(frame), (std::vector<TColor>{2, 3, 18, 19}));
  List.GetBitmap(2, &frame);
  EXPECT_EQ(PixelsOf(frame), (std::vector<TColor>{0, 1, 16, 17}));
}

TEST_F(ImageListTest, SheetCutThroughOneTileKeepsTheLastFrameOfARowPartial) {
  // A sheet of two and a half frames, copied frame by frame onto one tile:
  // beyond the sheet the tile keeps what the frame before left there.
  TBitmap sheet;
  FillNumbered(sheet, 5, 2);
  sheet.SetPixelFormat(pf24bit);
  TBitmap tile;
  tile.SetPixelFormat(sheet.PixelFormat());
  tile.SetWidth(2);
  tile.SetHeight(2);
  tile.Canvas()->SetCopyMode(cmSrcCopy);
  List.SetMasked(false);
  for (std::int32_t left = 0; left < sheet.Width(); left += 2) {
    tile.Canvas()->CopyRect(Rect(0, 0, 2, 2), sheet.Canvas(), Rect(left, 0, left + 2, 2));
    List.Add(&tile);
  }
  ASSERT_EQ(List.Count(), 3);
  TBitmap frame;
  List.GetBitmap(2, &frame);
  EXPECT_EQ(PixelsOf(frame), (std::vector<TColor>{4, 3, 20, 19}));
}

TEST_F(ImageListTest, StoredImagesDoNotFollowTheSourceBitmap) {
  TBitmap tile;
  FillSolid(tile, 2, 2, clRed);
  List.Add(&tile);
  FillSolid(tile, 2, 2, clLime);
  List.Add(&tile);
  TBitmap frame;
  List.GetBitmap(0, &frame);
  EXPECT_EQ(PixelsOf(frame), std::vector<TColor>(4, clRed));
}

TEST_F(ImageListTest, AFrameShownTwiceKeepsItsStampAndWritingItLeavesTheList) {
  TBitmap sheet;
  FillNumbered(sheet, 4, 2);
  List.Add(&sheet);
  TBitmap shown;
  List.GetBitmap(0, &shown);
  const std::uint64_t first = shown.ContentStamp();
  List.GetBitmap(1, &shown);
  EXPECT_NE(shown.ContentStamp(), first);
  List.GetBitmap(0, &shown);
  EXPECT_EQ(shown.ContentStamp(), first);

  shown.Canvas()->SetPixels(0, 0, clRed);
  TBitmap again;
  List.GetBitmap(0, &again);
  EXPECT_EQ(PixelsOf(again), (std::vector<TColor>{0, 1, 16, 17}));
  EXPECT_EQ(again.ContentStamp(), first);
}

TEST_F(ImageListTest, BadIndexOrNullBitmapChangesNothing) {
  TBitmap tile;
  FillSolid(tile, 2, 2, clRed);
  List.Add(&tile);
  TBitmap frame;
  FillSolid(frame, 1, 1, clBlue);
  List.GetBitmap(1, &frame);
  List.GetBitmap(-1, &frame);
  List.GetBitmap(0, nullptr);
  EXPECT_EQ(PixelsOf(frame), std::vector<TColor>{clBlue});
}

TEST_F(ImageListTest, ImagesSmallerThanACellAreRefused) {
  TBitmap narrow;
  FillSolid(narrow, 1, 2, clRed);
  EXPECT_THROW(List.Add(&narrow), EInvalidOperation);
  EXPECT_EQ(List.Add(nullptr), -1);
  EXPECT_EQ(List.Count(), 0);
}

TEST_F(ImageListTest, CellsWithoutAreaAddNothing) {
  TBitmap tile;
  FillSolid(tile, 4, 4, clRed);
  List.SetWidth(0);
  EXPECT_EQ(List.Add(&tile), -1);
  List.SetWidth(2);
  List.SetHeight(-3);
  EXPECT_EQ(List.Add(&tile), -1);
  EXPECT_EQ(List.Count(), 0);
}

TEST_F(ImageListTest, ResizingOrClearingEmptiesTheList) {
  TBitmap tile;
  FillSolid(tile, 4, 4, clRed);
  List.Add(&tile);
  List.SetHeight(2);  // unchanged size keeps the images
  EXPECT_EQ(List.Count(), 2);
  List.SetHeight(3);
  EXPECT_EQ(List.Count(), 0);
  List.Add(&tile);
  List.Clear();
  EXPECT_EQ(List.Count(), 0);
}

TEST_F(ImageListTest, MaskLeavesTheTargetWhereItIsNotBlack) {
  TBitmap tile;
  FillSolid(tile, 2, 2, clRed);
  TBitmap mask;
  FillSolid(mask, 2, 2, clBlack);
  mask.Canvas()->SetPixels(1, 0, clWhite);
  ASSERT_TRUE(List.Masked());
  List.Add(&tile, &mask);
  TBitmap frame;
  FillSolid(frame, 2, 2, clBlue);
  List.GetBitmap(0, &frame);
  EXPECT_EQ(PixelsOf(frame), (std::vector<TColor>{clRed, clBlue, clRed, clRed}));

  List.SetMasked(false);
  List.GetBitmap(0, &frame);
  EXPECT_EQ(PixelsOf(frame), std::vector<TColor>(4, clRed));
}

// --- Font --------------------------------------------------------------------

TEST(Font, SizeAndHeightAreOneValueAtNinetySixDpi) {
  TFont font;
  EXPECT_EQ(font.Size(), 8);
  EXPECT_EQ(font.Height(), -11);
  font.SetSize(12);
  EXPECT_EQ(font.Height(), -16);
  font.SetSize(9);  // 12 pixels exactly
  EXPECT_EQ(font.Height(), -12);
  font.SetSize(10);  // 13.33 rounds to 13
  EXPECT_EQ(font.Height(), -13);
  font.SetHeight(-15);  // 11.25 points
  EXPECT_EQ(font.Size(), 11);
  font.SetHeight(-14);  // 10.5 points round away from zero
  EXPECT_EQ(font.Size(), 11);
  font.SetHeight(20);  // a cell height reads as a negative size
  EXPECT_EQ(font.Size(), -15);
}

TEST(Font, DefaultsAndAssign) {
  TFont font;
  EXPECT_EQ(font.Name(), "MS Sans Serif");
  EXPECT_EQ(font.Charset(), DEFAULT_CHARSET);
  EXPECT_EQ(font.Color(), clWindowText);
  EXPECT_TRUE(font.Style().Empty());

  TFont other;
  other.SetName("Arial");
  other.SetCharset(SHIFTJIS_CHARSET);
  other.SetHeight(-20);
  other.SetStyle(TFontStyles{fsBold, fsStrikeOut});
  other.SetColor(clRed);
  font.Assign(other);
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.Charset(), SHIFTJIS_CHARSET);
  EXPECT_EQ(font.Height(), -20);
  EXPECT_TRUE(font.Style().Contains(fsStrikeOut));
  EXPECT_FALSE(font.Style().Contains(fsItalic));
  EXPECT_EQ(font.Color(), clRed);
}

}  // namespace
