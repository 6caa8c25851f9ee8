#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/render/Renderer.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace {

const std::uint32_t kFace = FramePixel(clBtnFace);
const std::uint32_t kShadow = FramePixel(clBtnShadow);
const std::uint32_t kLight = FramePixel(clBtnHighlight);
const std::uint32_t kRed = FramePixel(clRed);
const std::uint32_t kBlue = FramePixel(clBlue);
const std::uint32_t kLime = FramePixel(clLime);

// One row of a frame, for readable expectations.
std::vector<std::uint32_t> RowOf(const TFrame& frame, std::int32_t y) {
  return {frame.Pixels.begin() + y * frame.Width, frame.Pixels.begin() + (y + 1) * frame.Width};
}

std::vector<std::uint32_t> ColumnOf(const TFrame& frame, std::int32_t x) {
  std::vector<std::uint32_t> column;
  for (std::int32_t y = 0; y < frame.Height; ++y) column.push_back(frame.At(x, y));
  return column;
}

class RendererTest : public ::testing::Test {
 protected:
  RendererTest() : Window(nullptr) {
    Window.SetBounds(0, 0, 6, 5);
    Window.SetBevelOuter(bvNone);
    Window.SetColor(clBlue);
  }

  template <class T>
  T* Add(TWinControl* parent, std::int32_t left, std::int32_t top, std::int32_t width,
         std::int32_t height) {
    auto* control = new T(&Window);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
  }

  TPanel Window;
};

// --- Panels and bevels -------------------------------------------------------

TEST_F(RendererTest, PanelWithoutBevelsIsItsFaceColour) {
  const TFrame frame = RenderControl(Window);
  ASSERT_EQ(frame.Width, 6);
  ASSERT_EQ(frame.Height, 5);
  EXPECT_EQ(frame.Pixels, std::vector<std::uint32_t>(30, kBlue));
}

TEST_F(RendererTest, RaisedBevelIsLightTopLeftAndShadowBottomRight) {
  Window.SetBevelOuter(bvRaised);
  const TFrame frame = RenderControl(Window);
  EXPECT_EQ(RowOf(frame, 0), (std::vector{kLight, kLight, kLight, kLight, kLight, kShadow}));
  EXPECT_EQ(RowOf(frame, 2), (std::vector{kLight, kBlue, kBlue, kBlue, kBlue, kShadow}));
  EXPECT_EQ(RowOf(frame, 4), std::vector<std::uint32_t>(6, kShadow));
  EXPECT_EQ(ColumnOf(frame, 0), (std::vector{kLight, kLight, kLight, kLight, kShadow}));
}

TEST_F(RendererTest, LoweredBevelIsShadowTopLeftAndLightBottomRight) {
  Window.SetBevelOuter(bvLowered);
  const TFrame frame = RenderControl(Window);
  EXPECT_EQ(RowOf(frame, 0), (std::vector{kShadow, kShadow, kShadow, kShadow, kShadow, kLight}));
  EXPECT_EQ(RowOf(frame, 1), (std::vector{kShadow, kBlue, kBlue, kBlue, kBlue, kLight}));
  EXPECT_EQ(RowOf(frame, 4), std::vector<std::uint32_t>(6, kLight));
}

TEST_F(RendererTest, SpaceBevelLooksRaised) {
  Window.SetBevelOuter(bvRaised);
  const TFrame raised = RenderControl(Window);
  Window.SetBevelOuter(bvSpace);
  EXPECT_EQ(RenderControl(Window).Pixels, raised.Pixels);
}

TEST_F(RendererTest, OuterBevelAtTheEdgeThenInnerBevelInsideIt) {
  Window.SetBevelOuter(bvLowered);
  Window.SetBevelInner(bvRaised);
  const TFrame frame = RenderControl(Window);
  EXPECT_EQ(RowOf(frame, 0), (std::vector{kShadow, kShadow, kShadow, kShadow, kShadow, kLight}));
  EXPECT_EQ(RowOf(frame, 1), (std::vector{kShadow, kLight, kLight, kLight, kShadow, kLight}));
  EXPECT_EQ(RowOf(frame, 2), (std::vector{kShadow, kLight, kBlue, kBlue, kShadow, kLight}));
  EXPECT_EQ(RowOf(frame, 3), (std::vector{kShadow, kShadow, kShadow, kShadow, kShadow, kLight}));
}

TEST_F(RendererTest, BevelWidthRepeatsEachBevelInward) {
  Window.SetBevelOuter(bvRaised);
  Window.SetBevelWidth(2);
  const TFrame frame = RenderControl(Window);
  EXPECT_EQ(RowOf(frame, 1), (std::vector{kLight, kLight, kLight, kLight, kShadow, kShadow}));
  EXPECT_EQ(RowOf(frame, 2), (std::vector{kLight, kLight, kBlue, kBlue, kShadow, kShadow}));
  EXPECT_EQ(RowOf(frame, 3), (std::vector{kLight, kShadow, kShadow, kShadow, kShadow, kShadow}));
}

TEST_F(RendererTest, BevelsWiderThanThePanelStopAtItsMiddle) {
  Window.SetBevelOuter(bvRaised);
  Window.SetBevelInner(bvLowered);
  Window.SetBevelWidth(1000);
  const TFrame frame = RenderControl(Window);
  EXPECT_EQ(frame.At(0, 0), kLight);
  EXPECT_EQ(frame.At(5, 4), kShadow);
  EXPECT_NE(frame.At(2, 2), 0u);
}

TEST_F(RendererTest, SystemColoursPaintResolved) {
  Window.SetColor(clBtnFace);
  EXPECT_EQ(RenderControl(Window).At(3, 3), 0xFFC8D0D4u);
}

// --- Children ----------------------------------------------------------------

TEST_F(RendererTest, LaterSiblingsLieAboveEarlierOnes) {
  Add<TLabel>(&Window, 0, 0, 3, 1)->SetColor(clRed);
  Add<TLabel>(&Window, 2, 0, 3, 1)->SetColor(clLime);
  EXPECT_EQ(RowOf(RenderControl(Window), 0), (std::vector{kRed, kRed, kLime, kLime, kLime, kBlue}));
}

TEST_F(RendererTest, ChildrenAreClippedToTheirParent) {
  auto* panel = Add<TPanel>(&Window, 1, 1, 3, 2);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clLime);
  Add<TLabel>(panel, -1, 1, 10, 10)->SetColor(clRed);
  const TFrame frame = RenderControl(Window);
  EXPECT_EQ(RowOf(frame, 1), (std::vector{kBlue, kLime, kLime, kLime, kBlue, kBlue}));
  EXPECT_EQ(RowOf(frame, 2), (std::vector{kBlue, kRed, kRed, kRed, kBlue, kBlue}));
  EXPECT_EQ(RowOf(frame, 3), std::vector<std::uint32_t>(6, kBlue));
}

TEST_F(RendererTest, GrandchildrenSitAtTheSumOfTheirOffsetsInsideBothClips) {
  auto* outer = Add<TPanel>(&Window, 1, 1, 4, 3);
  outer->SetBevelOuter(bvNone);
  auto* inner = Add<TPanel>(outer, 1, 1, 5, 5);  // reaches past outer
  inner->SetBevelOuter(bvNone);
  inner->SetColor(clLime);
  const TFrame frame = RenderControl(Window);
  EXPECT_EQ(RowOf(frame, 2), (std::vector{kBlue, kFace, kLime, kLime, kLime, kBlue}));
  EXPECT_EQ(RowOf(frame, 4), std::vector<std::uint32_t>(6, kBlue));
}

TEST_F(RendererTest, InvisibleControlHidesItsChildren) {
  auto* panel = Add<TPanel>(&Window, 0, 0, 6, 5);
  panel->SetBevelOuter(bvNone);
  Add<TLabel>(panel, 0, 0, 2, 2)->SetColor(clRed);
  panel->SetVisible(false);
  auto* hiddenLabel = Add<TLabel>(&Window, 4, 0, 2, 2);
  hiddenLabel->SetVisible(false);
  EXPECT_EQ(RenderControl(Window).Pixels, std::vector<std::uint32_t>(30, kBlue));
}

TEST_F(RendererTest, ControlsWithoutAreaPaintNothing) {
  Add<TLabel>(&Window, 1, 1, 0, 3)->SetColor(clRed);
  Add<TLabel>(&Window, 1, 1, -4, -4)->SetColor(clRed);
  EXPECT_EQ(RenderControl(Window).Pixels, std::vector<std::uint32_t>(30, kBlue));
}

TEST_F(RendererTest, ExtremePositionsDoNotOverflow) {
  Add<TLabel>(&Window, 2147483647, 2147483647, 2147483647, 2147483647)->SetColor(clRed);
  Add<TLabel>(&Window, -2147483647 - 1, 0, 2147483647, 2)->SetColor(clRed);
  EXPECT_EQ(RenderControl(Window).Pixels, std::vector<std::uint32_t>(30, kBlue));
}

// --- Images ------------------------------------------------------------------

TEST_F(RendererTest, ImageShowsItsBitmapUnscaledFromTheTopLeftClippedToItself) {
  auto* image = Add<TImage>(&Window, 1, 1, 3, 2);
  TBitmap* bitmap = image->Picture()->Bitmap();
  bitmap->SetWidth(4);   // one column wider than the image
  bitmap->SetHeight(1);  // one row lower
  for (std::int32_t x = 0; x < 4; ++x)
    bitmap->Canvas()->SetPixels(x, 0, x % 2 == 0 ? clRed : clLime);
  const TFrame frame = RenderControl(Window);
  EXPECT_EQ(RowOf(frame, 1), (std::vector{kBlue, kRed, kLime, kRed, kBlue, kBlue}));
  EXPECT_EQ(RowOf(frame, 2), std::vector<std::uint32_t>(6, kBlue));
}

TEST_F(RendererTest, EmptyImageShowsWhatLiesBelow) {
  Add<TImage>(&Window, 0, 0, 6, 5);
  EXPECT_EQ(RenderControl(Window).Pixels, std::vector<std::uint32_t>(30, kBlue));
}

// --- Frames ------------------------------------------------------------------

TEST_F(RendererTest, PaintingIntoASmallerFrameStaysInside) {
  Add<TLabel>(&Window, 1, 1, 5, 4)->SetColor(clRed);
  TFrame frame(2, 2);
  PaintControl(Window, frame);
  EXPECT_EQ(frame.Pixels, (std::vector{kBlue, kBlue, kBlue, kRed}));
}

TEST_F(RendererTest, RootIsPaintedAtTheOriginWhateverItsPosition) {
  Window.SetLeft(100);
  Window.SetTop(50);
  EXPECT_EQ(RenderControl(Window).At(0, 0), kBlue);
}

TEST_F(RendererTest, InvisibleRootLeavesTheFrameUntouched) {
  Window.SetVisible(false);
  EXPECT_EQ(RenderControl(Window).Pixels, std::vector<std::uint32_t>(30, 0u));
}

}  // namespace
