// A control tree flattened into what it paints, in painting order. Two
// lists of the same tree taken at different times tell where its picture
// can have changed, and a list paints any part of the frame on its own.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <memory>
#include <vector>

#include "platform/render/Frame.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"

// A rectangle in frame coordinates, wide enough that no control position
// can overflow it.
struct TPaintArea {
  std::int64_t Left = 0;
  std::int64_t Top = 0;
  std::int64_t Right = 0;
  std::int64_t Bottom = 0;

  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  std::int64_t Size() const { return IsEmpty() ? 0 : (Right - Left) * (Bottom - Top); }
  TPaintArea Inset(std::int64_t by) const {
    return {Left + by, Top + by, Right - by, Bottom - by};
  }
  TPaintArea Intersect(const TPaintArea& other) const {
    return {std::max(Left, other.Left), std::max(Top, other.Top), std::min(Right, other.Right),
            std::min(Bottom, other.Bottom)};
  }
  bool Meets(const TPaintArea& other) const { return !Intersect(other).IsEmpty(); }
  TPaintArea Union(const TPaintArea& other) const;
  bool operator==(const TPaintArea&) const = default;
};

// Everything that decides the pixels one control paints.
struct TPaintEntry {
  TControl::TLook Look = TControl::TLook::Nothing;
  // Visible, inside a visible parent, and not clipped away. A control that
  // is not shown paints nothing: of what it paints its entry holds nothing
  // but its look, and what lies inside it has no entries.
  bool Shown = false;
  TPaintArea Bounds;
  // Bounds clipped to the parent's area: where the control may paint.
  TPaintArea Area;
  std::uint32_t Pixel = 0;  // the colour (a panel's face)
  TBevelCut BevelOuter = bvNone;
  TBevelCut BevelInner = bvNone;
  std::int32_t BevelWidth = 0;
  // An image's bitmap as it was when the list was made; the stamp stands
  // for its pixels when lists are compared.
  std::shared_ptr<const TBitmap::TPixels> BitmapPixels;
  std::int32_t BitmapWidth = 0;
  std::int32_t BitmapHeight = 0;
  std::uint64_t BitmapStamp = 0;

  bool SamePicture(const TPaintEntry& other) const;
  // Where the image shows its bitmap: its area, as far as the bitmap reaches.
  TPaintArea BitmapArea() const;
};

class TPaintList {
 public:
  // Root's top-left corner lies at the frame's origin; `frame` is the
  // frame's own area, outside which nothing is painted.
  TPaintList() = default;
  TPaintList(const TControl& root, const TPaintArea& frame) { Make(root, frame); }
  // Makes the list again, of the tree as it is now.
  void Make(const TControl& root, const TPaintArea& frame);

  // Brings the list up to the tree as it is now, visiting only what asked
  // for a repaint or moved, and adds to `areas` where the pictures can
  // differ, as AddDifferences would. False when controls came, went or
  // changed places in the tree: the list is then partly brought up, and a
  // list made again and compared with it adds the remaining differences.
  bool Update(const TControl& root, const TPaintArea& frame, std::vector<TPaintArea>& areas);

  const std::vector<TPaintEntry>& Entries() const { return FEntries; }

  // What to do with pixels of the clip that no entry paints.
  enum class TUnpainted { Keep, Clear };

  // Paints what the entries paint within each clip, which must lie inside
  // the frame; unpainted pixels are kept or made transparent black. The
  // clips may overlap: the list is gone through once for all of them.
  void Paint(TFrame& frame, std::span<const TPaintArea> clips, TUnpainted unpainted) const;
  void Paint(TFrame& frame, const TPaintArea& clip, TUnpainted unpainted) const {
    Paint(frame, std::span(&clip, 1), unpainted);
  }

  // Adds to `areas` the places where a frame painted from `before` can
  // differ from one painted from this list. Of an image that shows other
  // pixels in the same place, only the part where they differ counts.
  void AddDifferences(const TPaintList& before, std::vector<TPaintArea>& areas) const;

 private:
  void Collect(const TControl& control, const TPaintArea& bounds, const TPaintArea& clip);
  bool UpdateEntry(const TControl& control, const TPaintArea& bounds, const TPaintArea& clip,
                   std::size_t& index, std::vector<TPaintArea>& areas);
  bool UpdateChildren(const TWinControl& parent, std::size_t parentIndex, bool placeKept,
                      std::size_t& index, std::vector<TPaintArea>& areas);
  // An image's pixels change without its control asking for a repaint.
  void UpdateImages(std::vector<TPaintArea>& areas);

  std::vector<TPaintEntry> FEntries;
  // For each entry, the control and its paint stamp when the entry was made
  // (the pointer is only compared once the control may be gone), and how
  // many entries its subtree has, its own included. Kept apart from the
  // entries so that passing over unchanged children reads little memory.
  struct TKey {
    const TControl* Control = nullptr;
    std::uint64_t Stamp = 0;
    std::size_t Span = 1;
  };
  std::vector<TKey> FKeys;
  // Where the entries of images are.
  std::vector<std::size_t> FImages;
};
