// Whole panels painted through the renderer, as the player shows them.
#include <gtest/gtest.h>

#include "platform/render/Renderer.h"
#include "tests/display/DisplayTestSupport.h"

namespace {

using display_test::MakePanel;
using display_test::TPanelSetup;

std::uint32_t Pixel(TColor color) { return FramePixel(color); }

class PanelRenderTest : public ::testing::Test {
 protected:
  display_test::TWindow Window;
  files_test::TTempDir Dir;
};

TEST_F(PanelRenderTest, BarStyleShowsLitSegmentsPeaksAndGapsOnTheFace) {
  TPanelSetup setup;
  setup.Width = 202;
  setup.Height = 102;
  setup.Outer = bvRaised;  // inner area 200 x 100 from (1, 1)
  setup.Color = clNavy;
  TSpeanaPanel* panel = MakePanel(Window, setup);
  display_test::SetDefaultColors(*panel);
  panel->SetPeakMode(2);
  panel->SetLevel(0, 10);
  panel->SetLevel(1, 3);

  const TFrame frame = RenderControl(*panel);
  ASSERT_EQ(frame.Width, 202);
  EXPECT_EQ(frame.At(0, 0), Pixel(clBtnHighlight));
  EXPECT_EQ(frame.At(201, 101), Pixel(clBtnShadow));
  // Band 0, the bottom row, full: cyan at the left, red at the right, the
  // face in the one-pixel gaps and margins.
  EXPECT_EQ(frame.At(1, 95), Pixel(clAqua));
  EXPECT_EQ(frame.At(125, 95), Pixel(clYellow));
  EXPECT_EQ(frame.At(199, 99), Pixel(clRed));
  EXPECT_EQ(frame.At(20, 95), Pixel(clNavy));
  EXPECT_EQ(frame.At(200, 95), Pixel(clRed)) << "the level-10 peak marker fills the last gap";
  EXPECT_EQ(frame.At(199, 91), Pixel(clNavy));
  EXPECT_EQ(frame.At(199, 100), Pixel(clNavy));
  // Band 1 at level 3 with its peak marker in the gap after segment 2.
  EXPECT_EQ(frame.At(59, 85), Pixel(clAqua));
  EXPECT_EQ(frame.At(60, 85), Pixel(clAqua));
  EXPECT_EQ(frame.At(61, 85), Pixel(clNavy));
  EXPECT_EQ(frame.At(40, 85), Pixel(clNavy));
  // Quiet bands show only the face.
  EXPECT_EQ(frame.At(10, 10), Pixel(clNavy));
}

TEST_F(PanelRenderTest, ColumnsGrowUpwardFromTheBottom) {
  TPanelSetup setup;
  setup.Color = clBlack;
  setup.Direction = 1;
  TSpeanaPanel* panel = MakePanel(Window, setup);
  display_test::SetDefaultColors(*panel);
  panel->SetLevel(9, 7);

  const TFrame frame = RenderControl(*panel);
  EXPECT_EQ(frame.At(190, 95), Pixel(clAqua));
  EXPECT_EQ(frame.At(190, 35), Pixel(clYellow));
  EXPECT_EQ(frame.At(190, 25), Pixel(clBlack));
  EXPECT_EQ(frame.At(180, 95), Pixel(clBlack)) << "margin between columns";
  EXPECT_EQ(frame.At(10, 95), Pixel(clBlack));
}

TEST_F(PanelRenderTest, BarStyleOverAPictureShowsThePictureWhereSegmentsAreUnlit) {
  const std::string back = Dir.File("back.bmp");
  // Teal stripes on olive, narrower than the inner area.
  display_test::WriteBmp(
      back, 150, 100, [](std::int32_t x, std::int32_t) { return x % 2 == 0 ? clTeal : clOlive; });
  TPanelSetup setup;
  setup.Color = clNavy;
  setup.Graphics = back;
  TSpeanaPanel* panel = MakePanel(Window, setup);
  display_test::SetDefaultColors(*panel);
  panel->SetLevel(0, 8);
  panel->SetLevel(0, 2);

  const TFrame frame = RenderControl(*panel);
  EXPECT_EQ(frame.At(5, 95), Pixel(clAqua));
  EXPECT_EQ(frame.At(25, 95), Pixel(clAqua));
  // Segments once lit and now unlit are hidden: the picture shows.
  EXPECT_EQ(frame.At(44, 95), Pixel(clTeal));
  EXPECT_EQ(frame.At(45, 95), Pixel(clOlive));
  EXPECT_EQ(frame.At(10, 10), Pixel(clTeal));
  // Beyond the picture's width, the face.
  EXPECT_EQ(frame.At(160, 95), Pixel(clNavy));
}

TEST_F(PanelRenderTest, FrameStyleShowsEachBandsFrameUnderItsPeakMarker) {
  const std::string sheet = Dir.File("sheet.bmp");
  // One row of eleven 10 x 40 frames, level L drawn in grey L * 20.
  display_test::WriteBmp(sheet, 110, 40, [](std::int32_t x, std::int32_t) {
    const auto grey = static_cast<std::uint8_t>(x / 10 * 20);
    return RGB(grey, grey, grey);
  });
  TPanelSetup setup;
  setup.Height = 40;
  setup.Color = clMaroon;
  setup.Style = TSpeanaPanel::kFrameStyle;
  setup.Direction = 1;
  setup.Graphics = sheet;
  TSpeanaPanel* panel = MakePanel(Window, setup);
  display_test::SetDefaultColors(*panel);
  panel->SetPeakMode(3);
  panel->SetLevel(3, 7);
  panel->SetLevel(0, 2);

  const TFrame frame = RenderControl(*panel);
  EXPECT_EQ(frame.At(65, 30), Pixel(RGB(140, 140, 140)));
  EXPECT_EQ(frame.At(5, 30), Pixel(RGB(40, 40, 40)));
  EXPECT_EQ(frame.At(105, 30), Pixel(clBlack)) << "a quiet band shows frame 0";
  // The frame is shown unscaled: beyond its ten columns the face shows.
  EXPECT_EQ(frame.At(75, 30), Pixel(clMaroon));
  // The level-7 peak marker crosses band 3's image in segment 6's colour.
  EXPECT_EQ(frame.At(65, 12), Pixel(clYellow));
  EXPECT_EQ(frame.At(65, 13), Pixel(RGB(140, 140, 140)));
}

}  // namespace
