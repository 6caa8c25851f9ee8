#include "display/Meter.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::int32_t kBandTagStep = 4096;
constexpr std::int32_t kSlotTagStep = 256;

std::int32_t Half(std::int32_t value) { return value / 2; }

void CheckSegmentIndex(std::int32_t index) {
  if (index < 0 || index >= TMeter::kSegmentCount) {
    throw EListError("Segment index out of bounds (" + std::to_string(index) + ")");
  }
}

// Elements take the panel's click handlers as they are now; handlers set
// on the panel later do not reach them.
void CopyClickHandlers(const TPanel& panel, TControl& element) {
  element.OnClick = panel.OnClick;
  element.OnDblClick = panel.OnDblClick;
}

}  // namespace

TMeter::TMeter(TPanel* panel) : FPanel(panel) {}

TMeter::~TMeter() = default;

std::int32_t PanelBevelSize(const TPanel& panel) {
  const std::int32_t width = panel.BevelWidth();
  return (panel.BevelInner() != bvNone ? width : 0) + (panel.BevelOuter() != bvNone ? width : 0);
}

std::int32_t TMeter::BandPosition() const {
  const bool reversed = (FDirection & kBandsReversed) != 0;
  const std::int32_t fromFarEnd = FBandCount - 1 - FBand;
  // Rows are counted from the bottom, so band 0 is the bottom row unless
  // the order is reversed; columns the other way round.
  if (IsColumns()) return reversed ? fromFarEnd : FBand;
  return reversed ? FBand : fromFarEnd;
}

std::int32_t TMeter::BandTag() const { return FPanel->Tag() + (FBand + 1) * kBandTagStep; }

std::int32_t TMeter::SegmentTag(std::int32_t slot) const {
  return BandTag() + (slot + 1) * kSlotTagStep;
}

std::int32_t TMeter::SegmentInSlot(std::int32_t slot) const {
  return GrowsReversed() ? kSegmentCount - 1 - slot : slot;
}

// --- Layout ------------------------------------------------------------------

void TMeter::Layout(std::int32_t direction, std::int32_t band, std::int32_t bandCount) {
  FDirection = direction & (kColumns | kGrowReversed | kBandsReversed);
  FBandCount = std::max(bandCount, 1);
  FBand = band;
  if (FKind == kBandImage) {
    LayoutBandImage();
  } else {
    LayoutSegments();
  }
}

void TMeter::LayoutBandImage() {
  if (FImage == nullptr) {
    FImage = new TImage(FPanel);
    FImage->SetParent(FPanel);
    FImage->SetCursor(kBandImageCursor);
    FImage->SetShowHint(true);
    FImage->SetTag(BandTag());
    CopyClickHandlers(*FPanel, *FImage);
  }
  const std::int32_t b = BevelSize();
  const std::int32_t r = BandPosition();
  const std::int32_t w = InnerWidth();
  const std::int32_t h = InnerHeight();
  if (IsColumns()) {
    const std::int32_t c = w / FBandCount;
    FImage->SetBounds(b + Half(w - FBandCount * c) + r * c, b, c, h);
  } else {
    const std::int32_t p = h / FBandCount;
    FImage->SetBounds(b, b + Half(h - FBandCount * p) + r * p, w, p);
  }
  SetLevel(0);
}

TMeter::TSlotGeometry TMeter::RowSlots() const {
  const std::int32_t b = BevelSize();
  const std::int32_t w = InnerWidth();
  const std::int32_t h = InnerHeight();
  const std::int32_t s = w / kSegmentCount;
  const std::int32_t p = h / FBandCount;
  TSlotGeometry g;
  g.Left = b + Half(w - kSegmentCount * s);
  g.Top = b + Half(h - FBandCount * p) + BandPosition() * p + 1;
  g.Height = p - 2;
  g.StepX = s;
  if (FKind == kPeakMarker) {
    // The marker fills the gap a bar segment leaves on its growth side.
    g.Width = 1;
    if (!GrowsReversed()) g.Left += s - 1;
  } else {
    g.Width = std::max(s - 1, 1);
    if (GrowsReversed()) g.Left += 1;
  }
  return g;
}

TMeter::TSlotGeometry TMeter::ColumnSlots() const {
  const std::int32_t b = BevelSize();
  const std::int32_t w = InnerWidth();
  const std::int32_t h = InnerHeight();
  const std::int32_t c = w / FBandCount;
  const std::int32_t s = h / kSegmentCount;
  TSlotGeometry g;
  g.Left = b + Half(w - FBandCount * c) + BandPosition() * c + 1;
  g.Width = c - 2;
  // Slot 0 is the bottom one: the first slot's position is that of slot 9.
  g.Top = b + Half(h - kSegmentCount * s);
  g.StepY = -s;
  if (FKind == kPeakMarker) {
    g.Height = 1;
    if (GrowsReversed()) g.Top += s - 1;
  } else {
    g.Height = s - 1;
    if (g.Height <= 0) {
      g.Height = 1;
    } else if (!GrowsReversed()) {
      g.Top += 1;
    }
  }
  g.Top += (kSegmentCount - 1) * s;
  return g;
}

void TMeter::LayoutSegments() {
  ReleaseImage();
  const TSlotGeometry geometry = IsColumns() ? ColumnSlots() : RowSlots();
  for (std::int32_t slot = 0; slot < kSegmentCount; ++slot) PlaceSegment(slot, geometry);
}

void TMeter::PlaceSegment(std::int32_t slot, const TSlotGeometry& geometry) {
  TLabel*& segment = FSegments[static_cast<std::size_t>(SegmentInSlot(slot))];
  if (segment == nullptr) segment = new TLabel(FPanel);
  segment->SetParent(FPanel);
  segment->SetCaption("");
  segment->SetAutoSize(false);
  segment->SetBounds(geometry.Left + slot * geometry.StepX, geometry.Top + slot * geometry.StepY,
                     geometry.Width, geometry.Height);
  // The real colours come afterwards through SetSegmentColor.
  segment->SetColor(0);
  segment->SetCursor(kSegmentCursor);
  segment->SetShowHint(true);
  segment->SetTag(SegmentTag(slot));
  CopyClickHandlers(*FPanel, *segment);
  segment->SetVisible(false);
}

void TMeter::ReleaseImage() {
  delete FImage;
  FImage = nullptr;
}

void TMeter::ReleaseElements() {
  ReleaseImage();
  for (TLabel*& segment : FSegments) {
    delete segment;
    segment = nullptr;
  }
}

// --- Levels and colours ------------------------------------------------------

void TMeter::SetLevel(std::int32_t level) {
  const std::int32_t clamped = std::clamp(level, 0, kMaxLevel);
  switch (FKind) {
    case kPeakMarker:
      ShowPeak(clamped);
      break;
    case kBandImage:
      ShowBandImage(clamped);
      break;
    default:
      ShowBars(clamped);
      break;
  }
}

void TMeter::ShowPeak(std::int32_t level) {
  if (level == FLevel) return;
  if (FLevel >= 1) SetSegmentVisible(FLevel - 1, false);
  if (level >= 1) SetSegmentVisible(level - 1, true);
  FLevel = level;
}

void TMeter::ShowBandImage(std::int32_t level) {
  FLevel = level;
  // Without frames the image keeps the picture it has (empty after the
  // layout), so the panel's face shows through.
  if (FImages == nullptr || FImage == nullptr || FImages->Count() == 0) return;
  const std::int64_t count = FImages->Count();
  const std::int64_t frame = ((std::int64_t{FBand} * 11 + level) % count + count) % count;
  FImages->GetBitmap(static_cast<std::int32_t>(frame), FImage->Picture()->Bitmap());
  FImage->Invalidate();
}

void TMeter::ShowBars(std::int32_t level) {
  FLevel = level;
  for (std::int32_t j = 0; j < level; ++j) {
    SetSegmentColorIfChanged(j, FColors[static_cast<std::size_t>(j)]);
    SetSegmentVisible(j, true);
  }
  for (std::int32_t j = level; j < kSegmentCount; ++j) {
    if (FHideUnlit) {
      SetSegmentVisible(j, false);
    } else {
      SetSegmentColorIfChanged(j, FPanel->Color());
    }
  }
}

void TMeter::SetSegmentVisible(std::int32_t j, bool visible) {
  TLabel* segment = FSegments[static_cast<std::size_t>(j)];
  if (segment != nullptr && segment->Visible() != visible) segment->SetVisible(visible);
}

void TMeter::SetSegmentColorIfChanged(std::int32_t j, TColor color) {
  TLabel* segment = FSegments[static_cast<std::size_t>(j)];
  if (segment != nullptr && segment->Color() != color) segment->SetColor(color);
}

void TMeter::SetSegmentColor(std::int32_t index, TColor color) {
  CheckSegmentIndex(index);
  FColors[static_cast<std::size_t>(index)] = color;
  if (TLabel* segment = FSegments[static_cast<std::size_t>(index)]) segment->SetColor(color);
}
