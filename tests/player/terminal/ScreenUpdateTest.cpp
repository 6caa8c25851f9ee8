#include <gtest/gtest.h>

#include <array>
#include <random>
#include <regex>
#include <string>

#include "player/terminal/CellGrid.h"
#include "player/terminal/ScreenUpdate.h"

namespace {

using kivo::BuildCellGrid;
using kivo::CellGrid;
using kivo::ColorMode;
using kivo::EncodeChangedCells;
using kivo::FitWindow;

constexpr std::uint32_t kRed = 0xFF0000FFu;
constexpr std::uint32_t kBlue = 0xFFFF0000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;
const std::string kUpperHalf = "\u2580";
const std::string kLowerHalf = "\u2584";

// A frame of one colour, as large as an area of columns x rows cells.
TFrame Filled(std::int32_t columns, std::int32_t rows, std::uint32_t pixel) {
  return TFrame(columns, 2 * rows, pixel);
}

CellGrid GridOf(const TFrame& frame, std::int32_t columns, std::int32_t rows) {
  return BuildCellGrid(frame, FitWindow(frame.Width, frame.Height, columns, rows));
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

std::size_t CursorMoves(const std::string& text) {
  static const std::regex move("\x1b\\[[0-9]+;[0-9]+H");
  return static_cast<std::size_t>(
      std::distance(std::sregex_iterator(text.begin(), text.end(), move), std::sregex_iterator()));
}

TEST(CellGridTest, EachCellHoldsTwoVerticallyAdjacentPixels) {
  TFrame frame(2, 4, kRed);
  frame.Pixels[1 * 2 + 1] = kBlue;  // (1, 1): the lower pixel of cell (1, 0)
  const CellGrid grid = GridOf(frame, 2, 2);
  ASSERT_EQ(grid.Cells.size(), 4u);
  EXPECT_EQ(grid.At(0, 0).Upper, kRed);
  EXPECT_EQ(grid.At(1, 0).Upper, kRed);
  EXPECT_EQ(grid.At(1, 0).Lower, kBlue);
  EXPECT_EQ(grid.At(1, 1).Lower, kRed);
}

TEST(CellGridTest, CellsBesideACentredPictureAreEmpty) {
  const CellGrid grid = GridOf(TFrame(2, 2, kRed), 4, 3);  // picture at column 1, pixel row 2
  EXPECT_EQ(grid.At(0, 1), (kivo::TerminalCell{0, 0}));
  EXPECT_EQ(grid.At(1, 1), (kivo::TerminalCell{kRed, kRed}));
  EXPECT_EQ(grid.At(2, 1), (kivo::TerminalCell{kRed, kRed}));
  EXPECT_EQ(grid.At(3, 1), (kivo::TerminalCell{0, 0}));
  EXPECT_EQ(grid.At(1, 0), (kivo::TerminalCell{0, 0}));
}

TEST(CellGridTest, AScaledPictureAveragesTheBoxesItCovers) {
  // 8 x 8 into 2 x 2 pixels (one row of two cells): each pixel averages 4 x 4.
  TFrame frame(8, 8, kRed);
  for (std::int32_t x = 0; x < 8; ++x) frame.Pixels[static_cast<std::size_t>(x)] = kBlue;
  for (std::int32_t y = 4; y < 8; ++y) {
    for (std::int32_t x = 0; x < 4; ++x) frame.Pixels[static_cast<std::size_t>(y * 8 + x)] = 0;
  }
  frame.Pixels[4 * 8 + 4] = kGreen;
  const CellGrid grid = GridOf(frame, 2, 1);
  // A one-pixel line across the top still tints the upper pixels.
  EXPECT_EQ(grid.At(0, 0).Upper, 0xFF4000BFu);
  EXPECT_EQ(grid.At(1, 0).Upper, 0xFF4000BFu);
  EXPECT_EQ(grid.At(0, 0).Lower, 0u) << "a transparent box stays transparent";
  EXPECT_EQ(grid.At(1, 0).Lower, 0xFF0010EFu);
}

TEST(CellGridTest, ABoxMostlyTransparentIsTransparentAndHalfShownIsShown) {
  TFrame frame(2, 4, 0);
  frame.Pixels[0] = kRed;                     // one of four in the upper box
  frame.Pixels[4] = frame.Pixels[5] = kBlue;  // two of four in the lower box
  const CellGrid grid = GridOf(frame, 1, 1);
  EXPECT_EQ(grid.At(0, 0), (kivo::TerminalCell{0, kBlue}));
}

TEST(CellGridTest, ALayoutForAnotherWindowSizeIsRefused) {
  EXPECT_THROW(BuildCellGrid(TFrame(4, 4), FitWindow(5, 4, 10, 10)), std::invalid_argument);
}

// Each picture pixel by the layout's own definition: the box it covers,
// averaged over its shown pixels.
std::uint32_t ReferencePixel(const TFrame& frame, const kivo::ViewLayout& layout,
                             std::int32_t column, std::int32_t pixelRow) {
  const std::int32_t x = column - layout.Left;
  const std::int32_t y = pixelRow - layout.Top;
  if (x < 0 || y < 0 || x >= layout.PictureWidth || y >= layout.PictureHeight) return 0;
  const kivo::WindowBox box = layout.SourceBox(x, y);
  if (box.Right - box.Left == 1 && box.Bottom - box.Top == 1) return frame.At(box.Left, box.Top);
  std::uint64_t sums[3] = {};
  std::uint64_t shown = 0;
  for (std::int32_t sy = box.Top; sy < box.Bottom; ++sy) {
    for (std::int32_t sx = box.Left; sx < box.Right; ++sx) {
      const std::uint32_t pixel = frame.At(sx, sy);
      if ((pixel >> 24) == 0) continue;
      for (int channel = 0; channel < 3; ++channel)
        sums[channel] += (pixel >> (8 * channel)) & 0xFF;
      ++shown;
    }
  }
  const auto area = static_cast<std::uint64_t>((box.Right - box.Left) * (box.Bottom - box.Top));
  if (2 * shown < area) return 0;
  std::uint32_t average = TFrame::Opaque;
  for (int channel = 0; channel < 3; ++channel)
    average |= static_cast<std::uint32_t>((sums[channel] + shown / 2) / shown) << (8 * channel);
  return average;
}

TEST(CellGridTest, OneMapServesEveryFrameOfItsSizeAsEachBoxAveragesIt) {
  std::mt19937 random(7);
  struct TCase {
    std::int32_t Width, Height, Columns, Rows;
  };
  // Scaled down by width and by height, unscaled and centred, odd sizes.
  for (const TCase c : {TCase{320, 100, 140, 44}, TCase{400, 120, 80, 23}, TCase{37, 91, 50, 12},
                        TCase{20, 10, 30, 9}, TCase{341, 121, 140, 44}}) {
    const kivo::ViewLayout layout = FitWindow(c.Width, c.Height, c.Columns, c.Rows);
    const kivo::CellMap map(layout);
    CellGrid grid;
    for (int frameNumber = 0; frameNumber < 3; ++frameNumber) {
      TFrame frame(c.Width, c.Height);
      // Some transparent pixels, so that boxes are partly shown.
      for (std::uint32_t& pixel : frame.Pixels)
        pixel = random() % 4 == 0 ? 0 : (static_cast<std::uint32_t>(random()) | TFrame::Opaque);
      map.Build(frame, grid);
      ASSERT_EQ(grid.Columns, c.Columns);
      ASSERT_EQ(grid.Rows, c.Rows);
      for (std::int32_t row = 0; row < c.Rows; ++row) {
        for (std::int32_t column = 0; column < c.Columns; ++column) {
          ASSERT_EQ(grid.At(column, row).Upper, ReferencePixel(frame, layout, column, 2 * row))
              << c.Width << "x" << c.Height << " cell " << column << "," << row;
          ASSERT_EQ(grid.At(column, row).Lower, ReferencePixel(frame, layout, column, 2 * row + 1))
              << c.Width << "x" << c.Height << " cell " << column << "," << row;
        }
      }
    }
  }
}

TEST(CellGridTest, ARefreshOfTheChangedAreasGivesTheGridOfTheNewFrameAndNamesTheCells) {
  std::mt19937 random(11);
  // Scaled and unscaled, so that boxes of one pixel and of several change.
  for (const auto [width, height, columns, rows] :
       {std::array{320, 100, 140, 44}, std::array{30, 20, 40, 12}, std::array{341, 121, 77, 21}}) {
    const kivo::CellMap map(FitWindow(width, height, columns, rows));
    TFrame frame(width, height, kRed);
    CellGrid grid;
    map.Build(frame, grid);
    for (int step = 0; step < 20; ++step) {
      const CellGrid before = grid;
      // A few rectangles of new colour, as moving bars and markers make,
      // some of them reported as changed though they were not.
      std::vector<TRect> areas;
      for (int change = 0; change < step % 4; ++change) {
        const auto left = static_cast<std::int32_t>(random() % static_cast<unsigned>(width));
        const auto top = static_cast<std::int32_t>(random() % static_cast<unsigned>(height));
        const TRect area{left, top, std::min(width, left + 1 + 2 * step),
                         std::min(height, top + 1 + step)};
        areas.push_back(area);
        if (change == 2) continue;
        const auto colour =
            random() % 3 == 0 ? 0u : (static_cast<std::uint32_t>(random()) | TFrame::Opaque);
        for (std::int32_t y = area.Top; y < area.Bottom; ++y)
          for (std::int32_t x = area.Left; x < area.Right; ++x)
            frame.Pixels[static_cast<std::size_t>(y * width + x)] = colour;
      }
      std::vector<std::size_t> changed;
      map.Refresh(frame, areas, grid, changed);
      CellGrid whole;
      map.Build(frame, whole);
      ASSERT_EQ(grid.Cells, whole.Cells) << width << "x" << height << " step " << step;
      std::vector<std::size_t> differing;
      for (std::size_t cell = 0; cell < whole.Cells.size(); ++cell)
        if (whole.Cells[cell] != before.Cells[cell]) differing.push_back(cell);
      EXPECT_EQ(changed, differing);
    }
  }
}

TEST(ScreenUpdateTest, AnUnchangedFrameWritesNothing) {
  const CellGrid grid = GridOf(Filled(6, 3, kRed), 6, 3);
  EXPECT_EQ(EncodeChangedCells(&grid, grid, ColorMode::TrueColor), "");
}

TEST(ScreenUpdateTest, OneChangedPixelRewritesOnlyItsCell) {
  TFrame frame = Filled(6, 3, kRed);
  const CellGrid before = GridOf(frame, 6, 3);
  frame.Pixels[3 * 6 + 4] = kBlue;  // (4, 3): lower pixel of cell (4, 1)
  const CellGrid after = GridOf(frame, 6, 3);

  const std::string out = EncodeChangedCells(&before, after, ColorMode::TrueColor);
  EXPECT_EQ(out, "\x1b[2;5H\x1b[38;2;255;0;0;48;2;0;0;255m" + kUpperHalf + "\x1b[0m");
}

TEST(ScreenUpdateTest, AFullDrawWritesEveryCellWithOneMovePerRow) {
  const CellGrid grid = GridOf(Filled(5, 3, kGreen), 5, 3);
  const std::string out = EncodeChangedCells(nullptr, grid, ColorMode::TrueColor);
  EXPECT_EQ(Count(out, kUpperHalf), 15u);
  EXPECT_EQ(CursorMoves(out), 3u);
  EXPECT_EQ(Count(out, "38;2;0;255;0"), 1u) << "the colours are set once while they stay";
  EXPECT_EQ(out.substr(0, 6), "\x1b[1;1H");
}

TEST(ScreenUpdateTest, AGridOfAnotherSizeIsDrawnInFull) {
  const CellGrid small = GridOf(Filled(2, 2, kRed), 2, 2);
  const CellGrid large = GridOf(Filled(3, 2, kRed), 3, 2);
  EXPECT_EQ(Count(EncodeChangedCells(&small, large, ColorMode::TrueColor), kUpperHalf), 6u);
}

TEST(ScreenUpdateTest, SeparateChangesOnARowEachGetAMoveAndAdjacentOnesShareOne) {
  TFrame frame = Filled(8, 1, kRed);
  const CellGrid before = GridOf(frame, 8, 1);
  for (const int x : {1, 2, 6}) frame.Pixels[static_cast<std::size_t>(x)] = kBlue;
  const std::string out = EncodeChangedCells(&before, GridOf(frame, 8, 1), ColorMode::TrueColor);
  EXPECT_EQ(Count(out, kUpperHalf), 3u);
  EXPECT_EQ(CursorMoves(out), 2u);
  EXPECT_NE(out.find("\x1b[1;2H"), std::string::npos);
  EXPECT_NE(out.find("\x1b[1;7H"), std::string::npos);
}

TEST(ScreenUpdateTest, TheCellAfterTheLastColumnIsPlacedAnew) {
  const CellGrid grid = GridOf(Filled(2, 2, kRed), 2, 2);
  const std::string out = EncodeChangedCells(nullptr, grid, ColorMode::TrueColor);
  EXPECT_NE(out.find("\x1b[2;1H"), std::string::npos);
}

TEST(ScreenUpdateTest, TransparentPixelsShowTheTerminalBackground) {
  TFrame frame(3, 2, 0);
  frame.Pixels[1] = kRed;      // cell 1: upper only
  frame.Pixels[3 + 2] = kRed;  // cell 2: lower only
  const std::string out = EncodeChangedCells(nullptr, GridOf(frame, 3, 1), ColorMode::TrueColor);
  EXPECT_EQ(out, "\x1b[1;1H\x1b[39;49m \x1b[38;2;255;0;0m" + kUpperHalf + kLowerHalf + "\x1b[0m");
}

TEST(ScreenUpdateTest, WithoutTwentyFourBitColourThePaletteIsUsed) {
  const CellGrid grid = GridOf(Filled(1, 1, kRed), 1, 1);
  const std::string out = EncodeChangedCells(nullptr, grid, ColorMode::Palette256);
  EXPECT_EQ(out, "\x1b[1;1H\x1b[38;5;196;48;5;196m" + kUpperHalf + "\x1b[0m");
}

TEST(ScreenUpdateTest, TheGridIsPlacedOnTheGivenScreenRow) {
  const CellGrid grid = GridOf(Filled(1, 1, kRed), 1, 1);
  EXPECT_EQ(EncodeChangedCells(nullptr, grid, ColorMode::TrueColor, 4).substr(0, 6), "\x1b[4;1H");
}

TEST(TextRowTest, TheRowIsClearedThenWrittenWithTheTextClipped) {
  EXPECT_EQ(kivo::EncodeTextRow("abc\x1b", 24, 4), "\x1b[24;1H\x1b[0m\x1b[Kabc?");
  EXPECT_EQ(kivo::EncodeTextRow("abcdef", 1, 4), "\x1b[1;1H\x1b[0m\x1b[Kabcd");
}

TEST(TextRowTest, OneUpdateIsMarkedAsSynchronised) {
  EXPECT_EQ(kivo::WrapAsOneUpdate("x"), "\x1b[?2026hx\x1b[?2026l");
}

}  // namespace
