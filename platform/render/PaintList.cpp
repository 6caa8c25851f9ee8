#include "platform/render/PaintList.h"

#include <algorithm>


TPaintArea TPaintArea::Union(const TPaintArea& other) const {
  if (IsEmpty()) return other;
  if (other.IsEmpty()) return *this;
  return {std::min(Left, other.Left), std::min(Top, other.Top), std::max(Right, other.Right),
          std::max(Bottom, other.Bottom)};
}

TPaintArea TPaintEntry::BitmapArea() const {
  return Area.Intersect(
      TPaintArea{Bounds.Left, Bounds.Top, Bounds.Left + BitmapWidth, Bounds.Top + BitmapHeight});
}

bool TPaintEntry::SamePicture(const TPaintEntry& other) const {
  return Look == other.Look && Shown == other.Shown && Bounds == other.Bounds &&
         Area == other.Area && Pixel == other.Pixel && BevelOuter == other.BevelOuter &&
         BevelInner == other.BevelInner && BevelWidth == other.BevelWidth &&
         BitmapStamp == other.BitmapStamp;
}

namespace {

// Fills in what the control paints of itself.
void Describe(const TControl& control, TPaintEntry& entry) {
  switch (entry.Look) {
    case TControl::TLook::Panel: {
      const auto& panel = static_cast<const TPanel&>(control);
      entry.Pixel = FramePixel(panel.Color());
      entry.BevelOuter = panel.BevelOuter();
      entry.BevelInner = panel.BevelInner();
      entry.BevelWidth = panel.BevelWidth();
      break;
    }
    case TControl::TLook::Image: {
      const TBitmap& bitmap = *static_cast<const TImage&>(control).Picture()->Bitmap();
      entry.BitmapPixels = bitmap.PixelsNow();
      entry.BitmapWidth = bitmap.Width();
      entry.BitmapHeight = bitmap.Height();
      entry.BitmapStamp = bitmap.ContentStamp();
      break;
    }
    case TControl::TLook::Fill:
      entry.Pixel = FramePixel(control.Color());
      break;
    case TControl::TLook::Nothing:
      break;
  }
}

// Paints entries, each within a clip of its own.
class TEntryPainter {
 public:
  explicit TEntryPainter(TFrame& frame) : FFrame(frame) {}

  // Makes the whole clip transparent black.
  void Clear(const TPaintArea& clip) { Fill(clip, 0u); }

  void Paint(const TPaintEntry& entry, const TPaintArea& clip) {
    const TPaintArea area = entry.Area.Intersect(clip);
    if (!entry.Shown || area.IsEmpty()) return;
    switch (entry.Look) {
      case TControl::TLook::Panel:
        PaintPanel(entry, area);
        break;
      case TControl::TLook::Image:
        PaintBitmap(entry, area);
        break;
      case TControl::TLook::Fill:
        Fill(area, entry.Pixel);
        break;
      case TControl::TLook::Nothing:
        break;
    }
  }

 private:
  void PaintPanel(const TPaintEntry& panel, const TPaintArea& clip) {
    TPaintArea rest = panel.Bounds;
    if (panel.BevelOuter != bvNone)
      rest = PaintBevel(panel.BevelOuter, panel.BevelWidth, rest, clip);
    if (panel.BevelInner != bvNone)
      rest = PaintBevel(panel.BevelInner, panel.BevelWidth, rest, clip);
    Fill(rest.Intersect(clip), panel.Pixel);
  }

  // Draws `width` one-pixel rings from the edge of `area` inwards and
  // returns what lies inside them. The top-left colour takes the top row
  // and the left column; the bottom-right colour takes the right column and
  // the bottom row whole, corners included.
  TPaintArea PaintBevel(TBevelCut cut, std::int32_t width, TPaintArea area,
                        const TPaintArea& clip) {
    const std::uint32_t shadow = FramePixel(clBtnShadow);
    const std::uint32_t highlight = FramePixel(clBtnHighlight);
    const bool lowered = cut == bvLowered;
    const std::uint32_t topLeft = lowered ? shadow : highlight;
    const std::uint32_t bottomRight = lowered ? highlight : shadow;
    for (std::int32_t ring = 0; ring < width && !area.IsEmpty(); ++ring) {
      const auto [l, t, r, b] = area;
      Fill(TPaintArea{l, t, r - 1, t + 1}.Intersect(clip), topLeft);
      Fill(TPaintArea{l, t, l + 1, b - 1}.Intersect(clip), topLeft);
      Fill(TPaintArea{r - 1, t, r, b}.Intersect(clip), bottomRight);
      Fill(TPaintArea{l, b - 1, r, b}.Intersect(clip), bottomRight);
      area = area.Inset(1);
    }
    return area;
  }

  void PaintBitmap(const TPaintEntry& image, const TPaintArea& clip) {
    const TPaintArea shown = image.BitmapArea().Intersect(clip);
    if (shown.IsEmpty()) return;
    const std::uint32_t* pixels = image.BitmapPixels->data();
    for (std::int64_t y = shown.Top; y < shown.Bottom; ++y) {
      const std::uint32_t* source =
          pixels + (y - image.Bounds.Top) * image.BitmapWidth + (shown.Left - image.Bounds.Left);
      std::uint32_t* target = &FFrame.Pixels[Offset(shown.Left, y)];
      for (std::int64_t x = shown.Left; x < shown.Right; ++x) *target++ = TFrame::Opaque | *source++;
    }
  }

  // `area` must already lie inside the frame.
  void Fill(const TPaintArea& area, std::uint32_t pixel) {
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

namespace {

// Fills in a new entry for `control`, lying at `bounds` and clipped to `clip`.
void MakeEntry(TPaintEntry& entry, const TControl& control, const TPaintArea& bounds,
               const TPaintArea& clip) {
  entry.Look = control.Look();
  entry.Bounds = bounds;
  entry.Area = bounds.Intersect(clip);
  // What a control that is not shown would paint does not matter.
  entry.Shown = control.Visible() && !entry.Area.IsEmpty();
  if (entry.Shown) Describe(control, entry);
}

TPaintArea ChildBounds(const TPaintArea& parent, const TControl& child) {
  return {parent.Left + child.Left(), parent.Top + child.Top(),
          parent.Left + child.Left() + child.Width(), parent.Top + child.Top() + child.Height()};
}

}  // namespace

void TPaintList::Make(const TControl& root, const TPaintArea& frame) {
  FEntries.clear();
  FKeys.clear();
  FImages.clear();
  Collect(root, TPaintArea{0, 0, root.Width(), root.Height()}, frame);
}

void TPaintList::Collect(const TControl& control, const TPaintArea& bounds,
                         const TPaintArea& clip) {
  const std::size_t index = FEntries.size();
  MakeEntry(FEntries.emplace_back(), control, bounds, clip);
  FKeys.push_back({&control, control.PaintStamp()});
  if (FEntries[index].Look == TControl::TLook::Image) FImages.push_back(index);
  const TWinControl* parent = control.AsWinControl();
  if (FEntries[index].Shown && parent != nullptr) {
    const TPaintArea area = FEntries[index].Area;
    for (const TControl* child : parent->ControlList())
      Collect(*child, ChildBounds(bounds, *child), area);
  }
  FKeys[index].Span = FEntries.size() - index;
}

// Painted from the bottom up, every entry within every clip it meets: an
// entry that hides the whole of a clip saves less than finding it would
// cost. What lies inside an entry lies inside its area, so an entry that
// meets no clip is passed over with its whole subtree.
void TPaintList::Paint(TFrame& frame, std::span<const TPaintArea> clips,
                       TUnpainted unpainted) const {
  TEntryPainter painter(frame);
  TPaintArea around;
  for (const TPaintArea& clip : clips) {
    if (unpainted == TUnpainted::Clear) painter.Clear(clip);
    around = around.Union(clip);
  }
  for (std::size_t i = 0; i < FEntries.size();) {
    const TPaintEntry& entry = FEntries[i];
    if (!entry.Area.Meets(around)) {
      i += FKeys[i].Span;
      continue;
    }
    bool meets = false;
    for (const TPaintArea& clip : clips) {
      if (!entry.Area.Meets(clip)) continue;
      meets = true;
      painter.Paint(entry, clip);
    }
    i += meets ? 1 : FKeys[i].Span;
  }
}

namespace {

// The part of an image's area where the bitmap pixels of `before` and
// `after`, both shown at the same place, differ.
TPaintArea ChangedPixels(const TPaintEntry& before, const TPaintEntry& after) {
  const TPaintArea shown = after.BitmapArea();
  TPaintArea changed{shown.Right, shown.Bottom, shown.Left, shown.Top};
  const auto width = static_cast<std::size_t>(shown.Right - shown.Left);
  for (std::int64_t y = shown.Top; y < shown.Bottom; ++y) {
    const auto offset =
        static_cast<std::size_t>((y - after.Bounds.Top) * after.BitmapWidth +
                                 (shown.Left - after.Bounds.Left));
    const std::uint32_t* was = before.BitmapPixels->data() + offset;
    const std::uint32_t* now = after.BitmapPixels->data() + offset;
    if (std::equal(now, now + width, was)) continue;
    const auto first = std::mismatch(now, now + width, was).first - now;
    auto last = static_cast<std::ptrdiff_t>(width) - 1;
    while (now[last] == was[last]) --last;
    changed = changed.Union({shown.Left + first, y, shown.Left + last + 1, y + 1});
  }
  return changed;
}

bool SamePlaceOtherPixels(const TPaintEntry& before, const TPaintEntry& after) {
  return before.Look == TControl::TLook::Image && after.Look == TControl::TLook::Image &&
         before.Shown && after.Shown && before.Bounds == after.Bounds &&
         before.Area == after.Area && before.BitmapWidth == after.BitmapWidth &&
         before.BitmapHeight == after.BitmapHeight;
}

}  // namespace

namespace {

void AddDifference(const TPaintEntry& was, const TPaintEntry& now,
                   std::vector<TPaintArea>& areas) {
  if (now.SamePicture(was)) return;
  if (SamePlaceOtherPixels(was, now)) {
    const TPaintArea changed = ChangedPixels(was, now);
    if (!changed.IsEmpty()) areas.push_back(changed);
    return;
  }
  if (was.Shown) areas.push_back(was.Area);
  if (now.Shown) areas.push_back(now.Area);
}

void AddShown(const TPaintEntry& entry, std::vector<TPaintArea>& areas) {
  if (entry.Shown) areas.push_back(entry.Area);
}

}  // namespace

// Entries are matched by their place in the list. A pixel outside every
// area added here is covered by the same entries, in the same order and
// with the same pictures, in both lists, and so comes out the same.
void TPaintList::AddDifferences(const TPaintList& before,
                                std::vector<TPaintArea>& areas) const {
  const std::size_t common = std::min(FEntries.size(), before.FEntries.size());
  for (std::size_t i = 0; i < common; ++i) AddDifference(before.FEntries[i], FEntries[i], areas);
  for (std::size_t i = common; i < before.FEntries.size(); ++i) AddShown(before.FEntries[i], areas);
  for (std::size_t i = common; i < FEntries.size(); ++i) AddShown(FEntries[i], areas);
}

bool TPaintList::Update(const TControl& root, const TPaintArea& frame,
                        std::vector<TPaintArea>& areas) {
  std::size_t index = 0;
  const bool sameShape =
      UpdateEntry(root, TPaintArea{0, 0, root.Width(), root.Height()}, frame, index, areas) &&
      index == FEntries.size();
  if (sameShape) UpdateImages(areas);
  return sameShape;
}

// A control whose stamp, bounds and area are those of its entry has the
// same entries, its own and its subtree's, as when they were made: any
// change in the subtree, a control coming or going included, gives it a
// new stamp.
bool TPaintList::UpdateEntry(const TControl& control, const TPaintArea& bounds,
                             const TPaintArea& clip, std::size_t& index,
                             std::vector<TPaintArea>& areas) {
  if (index >= FKeys.size() || FKeys[index].Control != &control) return false;
  TPaintEntry& entry = FEntries[index];
  TKey& key = FKeys[index];
  const std::size_t first = index;
  const std::size_t end = index + key.Span;
  const bool placeKept = entry.Bounds == bounds && entry.Area == bounds.Intersect(clip);
  if (placeKept && key.Stamp == control.PaintStamp()) {
    index = end;
    return true;
  }
  TPaintEntry now;
  MakeEntry(now, control, bounds, clip);
  // Another kind of control where one was freed.
  if (now.Look != entry.Look) return false;
  AddDifference(entry, now, areas);
  entry = std::move(now);
  key.Stamp = control.PaintStamp();
  ++index;
  const TWinControl* parent = control.AsWinControl();
  if (entry.Shown && parent != nullptr && !UpdateChildren(*parent, first, placeKept, index, areas))
    return false;
  return index == end;
}

// While the parent keeps its place, a child whose stamp is that of its
// entry keeps its place too, and is passed over without reading it.
bool TPaintList::UpdateChildren(const TWinControl& parent, std::size_t parentIndex,
                                bool placeKept, std::size_t& index,
                                std::vector<TPaintArea>& areas) {
  const TPaintEntry& entry = FEntries[parentIndex];
  const std::span<TControl* const> children = parent.ControlList();
  const std::span<const std::uint64_t> stamps = parent.ChildPaintStamps();
  for (std::size_t i = 0; i < children.size(); ++i) {
    const TControl* child = children[i];
    if (placeKept && index < FKeys.size() && FKeys[index].Control == child &&
        FKeys[index].Stamp == stamps[i]) {
      index += FKeys[index].Span;
      continue;
    }
    if (!UpdateEntry(*child, ChildBounds(entry.Bounds, *child), entry.Area, index, areas))
      return false;
  }
  return true;
}

// Called once the whole list is known to stand for the live tree, so that
// every image's control can be read.
void TPaintList::UpdateImages(std::vector<TPaintArea>& areas) {
  for (const std::size_t index : FImages) {
    TPaintEntry& entry = FEntries[index];
    if (!entry.Shown) continue;
    const auto& image = static_cast<const TImage&>(*FKeys[index].Control);
    if (image.Picture()->Bitmap()->ContentStamp() == entry.BitmapStamp) continue;
    TPaintEntry now = entry;
    Describe(image, now);
    AddDifference(entry, now, areas);
    entry = std::move(now);
  }
}
