#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/render/Renderer.h"
#include "platform/render/Repainter.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/StdCtrls.h"

namespace {

bool Inside(const std::vector<TRect>& areas, std::int32_t x, std::int32_t y) {
  for (const TRect& area : areas) {
    if (area.Contains(Point(x, y))) return true;
  }
  return false;
}

class RepainterTest : public ::testing::Test {
 protected:
  RepainterTest() : Owner(nullptr), Frames(&Owner) {
    Root = new TPanel(&Owner);
    Root->SetBounds(0, 0, 40, 30);
    Root->SetBevelInner(bvLowered);
    Root->SetBevelWidth(2);
    Root->SetColor(clNavy);
    Inner = Add<TPanel>(Root, 5, 4, 20, 16);
    Inner->SetColor(clTeal);
    Picture = Add<TImage>(Inner, 2, 2, 12, 9);
    Deep = Add<TPanel>(Inner, 9, 8, 10, 7);
    Deep->SetColor(clOlive);
    Add<TLabel>(Deep, 2, 1, 4, 3)->SetColor(clFuchsia);
    Frames.SetWidth(10);
    Frames.SetHeight(7);
    Frames.SetMasked(false);
    for (const TColor colour : {clRed, clLime, clBlue, clYellow}) {
      TBitmap frame;
      frame.SetWidth(10);
      frame.SetHeight(7);
      for (std::int32_t y = 0; y < 7; ++y) {
        for (std::int32_t x = 0; x < 10; ++x) frame.Canvas()->SetPixels(x, y, colour + x + y);
      }
      Frames.Add(&frame);
    }
    Frames.GetBitmap(0, Picture->Picture()->Bitmap());
    for (std::int32_t i = 0; i < 6; ++i) {
      TLabel* label = Add<TLabel>(i % 2 == 0 ? Root : static_cast<TWinControl*>(Inner), 3 * i,
                                  2 * i, 6, 3);
      label->SetColor(clMaroon + 0x10 * i);
      Labels.push_back(label);
    }
  }

  template <class T>
  T* Add(TWinControl* parent, std::int32_t left, std::int32_t top, std::int32_t width,
         std::int32_t height) {
    auto* control = new T(&Owner);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
  }

  // Paints again and checks the frame against a painting from nothing, and
  // that nothing changed outside the areas reported.
  void PaintAndCheck() {
    const TFrame before = Painter.Frame();
    const std::uint64_t serial = Painter.Update().Serial;
    Painter.Paint(*Root);
    const TFrame& after = Painter.Frame();
    ASSERT_EQ(after.Pixels, RenderControl(*Root).Pixels);
    const TFrameUpdate update = Painter.Update();
    EXPECT_NE(update.Serial, serial);
    if (before.Width != after.Width || before.Height != after.Height) return;
    EXPECT_EQ(update.PreviousSerial, serial);
    const std::vector<TRect> changed(update.Changed.begin(), update.Changed.end());
    for (std::int32_t y = 0; y < after.Height; ++y) {
      for (std::int32_t x = 0; x < after.Width; ++x) {
        if (after.At(x, y) != before.At(x, y)) {
          ASSERT_TRUE(Inside(changed, x, y)) << "pixel " << x << "," << y << " changed unreported";
        }
      }
    }
  }

  TComponent Owner;
  TImageList Frames;
  TPanel* Root = nullptr;
  TPanel* Inner = nullptr;
  TImage* Picture = nullptr;
  TPanel* Deep = nullptr;
  std::vector<TLabel*> Labels;
  TRepainter Painter;
};

TEST_F(RepainterTest, ReportsOnlyWhatChangedAndNothingForARepeatedFrame) {
  Painter.Paint(*Root);
  ASSERT_EQ(Painter.Update().Changed.size(), 1u);
  EXPECT_EQ(Painter.Update().Changed[0], Rect(0, 0, 40, 30));

  Labels[0]->SetColor(clWhite);
  PaintAndCheck();
  ASSERT_EQ(Painter.Update().Changed.size(), 1u);
  EXPECT_EQ(Painter.Update().Changed[0], Rect(0, 0, 6, 3));

  // The same frame shown again, as a band image is refilled every block.
  Frames.GetBitmap(0, Picture->Picture()->Bitmap());
  Picture->Invalidate();
  PaintAndCheck();
  EXPECT_TRUE(Painter.Update().Changed.empty());

  // Another frame: where its bitmap reaches, which is less than the image.
  Frames.GetBitmap(2, Picture->Picture()->Bitmap());
  PaintAndCheck();
  ASSERT_EQ(Painter.Update().Changed.size(), 1u);
  EXPECT_EQ(Painter.Update().Changed[0], Rect(7, 6, 17, 13));

  // Of a bitmap that changed in one place, only that place.
  Picture->Picture()->Bitmap()->Canvas()->SetPixels(3, 2, clWhite);
  Picture->Invalidate();
  PaintAndCheck();
  ASSERT_EQ(Painter.Update().Changed.size(), 1u);
  EXPECT_EQ(Painter.Update().Changed[0], Rect(10, 8, 11, 9));
}

TEST_F(RepainterTest, AHiddenRootLeavesTheFrameTransparentAndComesBackWhole) {
  Painter.Paint(*Root);
  Root->SetVisible(false);
  PaintAndCheck();
  EXPECT_EQ(Painter.Frame().Pixels, std::vector<std::uint32_t>(40 * 30, 0u));
  Root->SetVisible(true);
  PaintAndCheck();
}

// Every kind of change the plug-in and the platform make, in a long random
// order, against a painting from nothing after each. Pictures also change
// without their image asking for a repaint.
TEST_F(RepainterTest, AnySequenceOfChangesPaintsWhatAFullPaintingWould) {
  std::mt19937 random(20261209);
  const auto pick = [&random](std::int32_t below) {
    return static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(below));
  };
  Painter.Paint(*Root);
  for (int step = 0; step < 3000; ++step) {
    TLabel* label = Labels[static_cast<std::size_t>(pick(static_cast<std::int32_t>(Labels.size())))];
    switch (pick(13)) {
      case 0:
        label->SetColor(static_cast<TColor>(random() & 0xFFFFFF));
        break;
      case 1:
        label->SetVisible(!label->Visible());
        break;
      case 2:
        label->SetBounds(pick(46) - 3, pick(36) - 3, pick(9), pick(6));
        break;
      case 3:
        Frames.GetBitmap(pick(4), Picture->Picture()->Bitmap());
        if (pick(2) == 0) Picture->Invalidate();
        break;
      case 4:
        Picture->Picture()->Bitmap()->Canvas()->SetPixels(pick(10), pick(7), clWhite);
        if (pick(2) == 0) Picture->Invalidate();
        break;
      case 5:
        Inner->SetBounds(pick(30) - 5, pick(20) - 5, pick(30), pick(25));
        break;
      case 6:
        Inner->SetVisible(pick(4) != 0);
        break;
      case 7:
        Root->SetBevelOuter(static_cast<TBevelCut>(pick(4)));
        Root->SetBevelWidth(pick(4));
        break;
      case 8:
        label->SetParent(pick(2) == 0 ? Root : static_cast<TWinControl*>(Inner));
        break;
      case 9:
        if (Labels.size() > 2) {
          std::erase(Labels, label);
          delete label;
        }
        break;
      case 10:
        Labels.push_back(Add<TLabel>(pick(2) == 0 ? Root : static_cast<TWinControl*>(Inner),
                                     pick(40), pick(30), pick(8), pick(5)));
        break;
      case 11:
        if (pick(10) == 0) Root->SetBounds(0, 0, 30 + pick(20), 20 + pick(20));
        if (pick(10) == 0) Root->SetVisible(!Root->Visible());
        break;
      case 12:
        if (pick(2) == 0) Deep->SetBounds(pick(20) - 4, pick(16) - 4, pick(14), pick(12));
        Deep->SetColor(static_cast<TColor>(random() & 0xFFFFFF));
        if (pick(8) == 0) Deep->SetParent(pick(2) == 0 ? Root : static_cast<TWinControl*>(Inner));
        break;
    }
    if (pick(3) != 0) continue;
    ASSERT_NO_FATAL_FAILURE(PaintAndCheck()) << "after step " << step;
  }
}

}  // namespace
