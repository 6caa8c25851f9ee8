// One band of a spectrum panel. A meter is a plain object, not a control:
// it creates its visible elements (ten segment rectangles, or one band
// image) as children of its panel and only changes their colour,
// visibility or picture when the level changes.
#pragma once

#include <array>
#include <cstdint>

#include "platform/vcl/Classes.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/StdCtrls.h"

// A panel's bevel size: BevelWidth for each of its bevels that is not none.
std::int32_t PanelBevelSize(const TPanel& panel);

class TMeter : public TObject {
 public:
  static constexpr std::int32_t kSegmentCount = 10;
  static constexpr std::int32_t kMaxLevel = 10;

  // What a meter shows.
  static constexpr std::uint8_t kBars = 0;
  static constexpr std::uint8_t kPeakMarker = 1;
  static constexpr std::uint8_t kBandImage = 3;

  // Orientation bits of the direction value.
  static constexpr std::int32_t kColumns = 1;        // bands are columns, not rows
  static constexpr std::int32_t kGrowReversed = 2;   // rows grow from the right, columns downward
  static constexpr std::int32_t kBandsReversed = 4;  // band 0 is the top row / rightmost column

  // Element cursors: the host application's own cursor for segments, the
  // hand for band images.
  static constexpr TCursor kSegmentCursor = 16;
  static constexpr TCursor kBandImageCursor = crHandPoint;

  // Only the platform panel's properties are read, so any panel will do.
  explicit TMeter(TPanel* panel);
  ~TMeter() override;

  // Creates and positions the elements; called once, right after the
  // meter is made and its kind, frame list and panel are set up. A band
  // count below 1 counts as 1.
  void Layout(std::int32_t direction, std::int32_t band, std::int32_t bandCount);
  // Shows a level; values outside 0..10 are clamped.
  void SetLevel(std::int32_t level);
  // Stores the colour of segment index (0..9) and applies it to that
  // segment if it exists. Raises EListError for any other index.
  void SetSegmentColor(std::int32_t index, TColor color);
  std::int32_t BevelSize() const { return PanelBevelSize(*FPanel); }

  // Deletes the meter's elements at once, so that they leave the panel's
  // components and children; the panel calls it when it replaces a meter.
  // Without it the elements stay with the panel and go when it goes.
  void ReleaseElements();

  TPanel* Panel() const { return FPanel; }
  // Segment j, lit while the level exceeds j; null until laid out.
  TLabel* Segment(std::int32_t j) const { return FSegments.at(static_cast<std::size_t>(j)); }
  TColor SegmentColor(std::int32_t j) const { return FColors.at(static_cast<std::size_t>(j)); }
  // The band image (band-image meters only), else null.
  TImage* Image() const { return FImage; }
  std::int32_t Direction() const { return FDirection; }
  std::int32_t Band() const { return FBand; }
  std::int32_t BandCount() const { return FBandCount; }

  // The panel sets these three between making the meter and laying it out
  // (FHideUnlit right after): the kind (kBars, kPeakMarker, kBandImage),
  // the borrowed frame list of a band-image meter (null: none), and whether
  // unlit segments are hidden so that a background picture shows through
  // instead of being painted in the panel's colour.
  std::uint8_t FKind = kBars;
  TCustomImageList* FImages = nullptr;
  bool FHideUnlit = false;
  // The level shown, 0..10, and the peak hold counter, which only the
  // panel's peak logic reads and writes.
  std::int32_t FLevel = 0;
  std::int32_t FHold = 0;

 private:
  // Where slot 0's segment lies, the size of every segment, and the step
  // from one slot to the next.
  struct TSlotGeometry {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t StepX = 0;
    std::int32_t StepY = 0;
  };

  bool IsColumns() const { return (FDirection & kColumns) != 0; }
  bool GrowsReversed() const { return (FDirection & kGrowReversed) != 0; }
  std::int32_t InnerWidth() const { return FPanel->Width() - 2 * BevelSize(); }
  std::int32_t InnerHeight() const { return FPanel->Height() - 2 * BevelSize(); }
  // The band's position across the panel: 0 is the bottom row or the
  // leftmost column.
  std::int32_t BandPosition() const;
  std::int32_t BandTag() const;
  // Numbered by slot, not by segment.
  std::int32_t SegmentTag(std::int32_t slot) const;
  // Segment shown in a slot: lit segments start at the growth end.
  std::int32_t SegmentInSlot(std::int32_t slot) const;

  void LayoutBandImage();
  void LayoutSegments();
  TSlotGeometry RowSlots() const;
  TSlotGeometry ColumnSlots() const;
  void PlaceSegment(std::int32_t slot, const TSlotGeometry& geometry);
  void ReleaseImage();

  void ShowPeak(std::int32_t level);
  void ShowBandImage(std::int32_t level);
  void ShowBars(std::int32_t level);
  void SetSegmentVisible(std::int32_t j, bool visible);
  void SetSegmentColorIfChanged(std::int32_t j, TColor color);

  TPanel* FPanel;
  std::array<TLabel*, kSegmentCount> FSegments{};
  std::array<TColor, kSegmentCount> FColors{};
  std::int32_t FDirection = 0;
  std::int32_t FBand = 0;
  std::int32_t FBandCount = 0;
  TImage* FImage = nullptr;
};
