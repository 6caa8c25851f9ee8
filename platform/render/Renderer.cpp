#include "platform/render/Renderer.h"

#include <algorithm>
#include <cstdint>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace {

// A rectangle in frame coordinates, wide enough that no control position
// can overflow it.
struct TArea {
  std::int64_t Left = 0;
  std::int64_t Top = 0;
  std::int64_t Right = 0;
  std::int64_t Bottom = 0;

  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  TArea Inset(std::int64_t by) const { return {Left + by, Top + by, Right - by, Bottom - by}; }
  TArea Intersect(const TArea& other) const {
    return {std::max(Left, other.Left), std::max(Top, other.Top), std::min(Right, other.Right),
            std::min(Bottom, other.Bottom)};
  }
};

class TPainter {
 public:
  explicit TPainter(TFrame& frame) : FFrame(frame) {}

  void PaintTree(const TControl& control, const TArea& bounds, const TArea& clip) {
    if (!control.Visible()) return;
    const TArea visible = bounds.Intersect(clip);
    if (visible.IsEmpty()) return;
    PaintSelf(control, bounds, visible);
    const auto* parent = dynamic_cast<const TWinControl*>(&control);
    if (parent == nullptr) return;
    for (std::int32_t i = 0; i < parent->ControlCount(); ++i) {
      const TControl& child = *parent->Controls(i);
      const TArea childBounds{bounds.Left + child.Left(), bounds.Top + child.Top(),
                              bounds.Left + child.Left() + child.Width(),
                              bounds.Top + child.Top() + child.Height()};
      PaintTree(child, childBounds, visible);
    }
  }

 private:
  void PaintSelf(const TControl& control, const TArea& bounds, const TArea& clip) {
    if (const auto* panel = dynamic_cast<const TPanel*>(&control)) {
      PaintPanel(*panel, bounds, clip);
    } else if (const auto* image = dynamic_cast<const TImage*>(&control)) {
      PaintBitmap(*image->Picture()->Bitmap(), bounds, clip);
    } else if (dynamic_cast<const TLabel*>(&control) != nullptr ||
               dynamic_cast<const TWinControl*>(&control) != nullptr) {
      Fill(clip, FramePixel(control.Color()));
    }
  }

  void PaintPanel(const TPanel& panel, const TArea& bounds, const TArea& clip) {
    TArea rest = bounds;
    const std::uint32_t face = FramePixel(panel.Color());
    if (panel.BevelOuter() != bvNone)
      rest = PaintBevel(panel.BevelOuter(), panel.BevelWidth(), rest, clip);
    if (panel.BevelInner() != bvNone)
      rest = PaintBevel(panel.BevelInner(), panel.BevelWidth(), rest, clip);
    Fill(rest.Intersect(clip), face);
  }

  // Draws `width` one-pixel rings from the edge of `area` inwards and
  // returns what lies inside them. The top-left colour takes the top row
  // and the left column; the bottom-right colour takes the right column and
  // the bottom row whole, corners included.
  TArea PaintBevel(TBevelCut cut, std::int32_t width, TArea area, const TArea& clip) {
    const std::uint32_t shadow = FramePixel(clBtnShadow);
    const std::uint32_t highlight = FramePixel(clBtnHighlight);
    const bool lowered = cut == bvLowered;
    const std::uint32_t topLeft = lowered ? shadow : highlight;
    const std::uint32_t bottomRight = lowered ? highlight : shadow;
    for (std::int32_t ring = 0; ring < width && !area.IsEmpty(); ++ring) {
      const auto [l, t, r, b] = area;
      Fill(TArea{l, t, r - 1, t + 1}.Intersect(clip), topLeft);
      Fill(TArea{l, t, l + 1, b - 1}.Intersect(clip), topLeft);
      Fill(TArea{r - 1, t, r, b}.Intersect(clip), bottomRight);
      Fill(TArea{l, b - 1, r, b}.Intersect(clip), bottomRight);
      area = area.Inset(1);
    }
    return area;
  }

  void PaintBitmap(const TBitmap& bitmap, const TArea& bounds, const TArea& clip) {
    const TArea shown =
        TArea{bounds.Left, bounds.Top, bounds.Left + bitmap.Width(), bounds.Top + bitmap.Height()}
            .Intersect(clip);
    if (shown.IsEmpty()) return;
    for (std::int64_t y = shown.Top; y < shown.Bottom; ++y) {
      const auto source = bitmap.Row(static_cast<std::int32_t>(y - bounds.Top));
      std::uint32_t* target = &FFrame.Pixels[Offset(shown.Left, y)];
      for (std::int64_t x = shown.Left; x < shown.Right; ++x) {
        *target++ = TFrame::Opaque | source[static_cast<std::size_t>(x - bounds.Left)];
      }
    }
  }

  // `area` must already lie inside the frame.
  void Fill(const TArea& area, std::uint32_t pixel) {
    if (area.IsEmpty()) return;
    for (std::int64_t y = area.Top; y < area.Bottom; ++y) {
      const auto row = FFrame.Pixels.begin() + static_cast<std::ptrdiff_t>(Offset(area.Left, y));
      std::fill(row, row + (area.Right - area.Left), pixel);
    }
  }

  std::size_t Offset(std::int64_t x, std::int64_t y) const {
    return static_cast<std::size_t>(y * FFrame.Width + x);
  }

  TFrame& FFrame;
};

}  // namespace

void PaintControl(const TControl& root, TFrame& frame) {
  const TArea whole{0, 0, frame.Width, frame.Height};
  const TArea bounds{0, 0, root.Width(), root.Height()};
  TPainter(frame).PaintTree(root, bounds, whole);
}

TFrame RenderControl(const TControl& root) {
  TFrame frame(root.Width(), root.Height());
  PaintControl(root, frame);
  return frame;
}
